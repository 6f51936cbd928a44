// The MDI background fill: when it hooks, what it paints (probed on the MDI
// client window), and forms it cannot serve.
#include <gtest/gtest.h>

#include <cmath>

#include "CvBackgroundFill.h"
#include "CvFormCaptionExtender.h"
#include "Forms.h"

using namespace vcl;
using namespace corvane;

namespace {

COLORREF ClientPixel(HWND Wnd, int X, int Y) {
    HDC dc = GetDC(Wnd);
    const COLORREF c = GetPixel(dc, X, Y);
    ReleaseDC(Wnd, dc);
    return c;
}

// The colour at x as the stripes paint it (later stripes over earlier).
TColor Expected(TColor L, TColor R, int N, int W, int X) {
    TColor c = -1;
    for (int i = 0; i < N; ++i) {
        const int x1 = int(std::nearbyint(-1 + double(i) * (W + 1) / N));
        const int x2 = int(std::nearbyint(-1 + double(i + 1) * (W + 1) / N)) + 2;
        if (X >= x1 && X < x2) c = GradientColor(L, R, N, i);
    }
    return c;
}

struct FillFixture : ::testing::Test {
    TForm* Form = nullptr;
    void SetUp() override {
        Form = new TForm(nullptr);
        Form->SetFormStyle(fsMDIForm);
        Form->SetBounds(50, 50, 420, 300);
    }
    void TearDown() override { delete Form; }
};

}  // namespace

TEST_F(FillFixture, ConstructedValuesAndLimits) {
    auto* fill = new TCvBackgroundFill(Form);
    EXPECT_EQ(fill->LeftColor(), 8388608);
    EXPECT_EQ(fill->RightColor(), 12632256);
    EXPECT_EQ(fill->GradientColors(), 32);
    EXPECT_FALSE(fill->Enabled());
    EXPECT_FALSE(fill->Hooked());
    for (int v : {0, 129, -3}) {
        fill->SetGrad(v);
        EXPECT_EQ(fill->GradientColors(), 32) << v;
    }
    fill->SetGrad(128);
    EXPECT_EQ(fill->GradientColors(), 128);
}

TEST_F(FillFixture, PaintsTheClientWindowAndLeavesTheFormsProcedure) {
    Form->HandleNeeded();
    const HWND client = Form->ClientHandle();
    ASSERT_NE(client, nullptr);
    const LONG_PTR formProc = GetWindowLong(Form->Handle(), GWL_WNDPROC);
    const LONG_PTR clientProc = GetWindowLong(client, GWL_WNDPROC);
    auto* fill = new TCvBackgroundFill(Form);
    fill->SetEnabled(true);
    ASSERT_TRUE(fill->Hooked());
    EXPECT_EQ(fill->HookedWindow(), client);
    EXPECT_EQ(GetWindowLong(Form->Handle(), GWL_WNDPROC), formProc);
    Form->Show();
    Application()->ProcessMessages();

    const int w = Form->ClientWidth();
    TRect cr;
    GetClientRect(client, &cr);
    for (int x : {0, 1, 13, 14, 100, 205, 300, cr.Right - 1})
        EXPECT_EQ(ClientPixel(client, x, 20), ColorToColorRef(Expected(clNavy, clSilver, 32, w, x))) << x;
    EXPECT_EQ(ClientPixel(client, 0, cr.Bottom - 1), ColorToColorRef(clNavy));

    // New colours show after the repaint they ask for.
    fill->SetLeftColor(clMaroon);
    fill->SetGradientColors(2);
    Application()->ProcessMessages();
    EXPECT_EQ(ClientPixel(client, 0, 20), ColorToColorRef(clMaroon));
    EXPECT_EQ(ClientPixel(client, cr.Right - 1, 20), ColorToColorRef(GradientColor(clMaroon, clSilver, 2, 1)));

    delete fill;
    EXPECT_EQ(GetWindowLong(client, GWL_WNDPROC), clientProc);
}

TEST_F(FillFixture, ReadFromAFileItHooksOnceLoaded) {
    auto* fill = new TCvBackgroundFill(Form);
    fill->SetLoading(true);
    fill->SetEnabled(true);
    EXPECT_FALSE(fill->Hooked());
    fill->SetLoading(false);
    fill->Loaded();
    EXPECT_TRUE(fill->Hooked());
    EXPECT_EQ(fill->HookedWindow(), Form->ClientHandle());
    fill->SetEnabled(false);
    EXPECT_FALSE(fill->Hooked());
}

TEST(BackgroundFill, FormsWithoutAClientWindowAndDesignedForms) {
    auto* plain = new TForm(nullptr);
    plain->SetBounds(50, 50, 200, 150);
    auto* fill = new TCvBackgroundFill(plain);
    fill->SetEnabled(true);  // not an MDI parent: nothing to hook
    EXPECT_FALSE(fill->Hooked());
    plain->Show();
    Application()->ProcessMessages();
    delete plain;

    auto* mdi = new TForm(nullptr);
    mdi->SetFormStyle(fsMDIForm);
    mdi->SetDesigning(true);
    auto* designed = new TCvBackgroundFill(mdi);
    designed->SetEnabled(true);
    designed->Loaded();
    EXPECT_FALSE(designed->Hooked());
    delete mdi;
}
