// The caption extender: the colour interpolation, the band geometry per
// border style, and the painted caption probed pixel by pixel in the
// active and inactive states.
#include <gtest/gtest.h>

#include <vector>

#include "CvFormCaptionExtender.h"
#include "Exceptions.h"
#include "Forms.h"

using namespace vcl;
using namespace corvane;

namespace {

COLORREF WindowPixel(HWND Wnd, int X, int Y) {
    HDC dc = GetWindowDC(Wnd);
    const COLORREF c = GetPixel(dc, X, Y);
    ReleaseDC(Wnd, dc);
    return c;
}

COLORREF Ref(TColor C) { return ColorToColorRef(C); }

// A 16 x 16 icon of one colour.
HICON SolidIcon(uint32_t Argb) {
    std::vector<uint32_t> bits(16 * 16, Argb);
    TPixelView view{bits.data(), 16, 16, 16};
    return CreateIconFromPixels(view);
}

struct CaptionFixture : ::testing::Test {
    std::vector<TForm*> Forms;
    TForm* NewForm(TFormBorderStyle Border = bsSizeable, int Width = 400) {
        auto* f = new TForm(nullptr);
        f->SetBorderStyle(Border);
        f->SetBounds(60 + 30 * int(Forms.size()), 60, Width, 200);
        f->SetCaption("Caption test");
        Forms.push_back(f);
        return f;
    }
    void ShowAndPump(TForm* F) {
        F->Show();
        Application()->ProcessMessages();
    }
    void TearDown() override {
        for (auto it = Forms.rbegin(); it != Forms.rend(); ++it) delete *it;
    }
};

}  // namespace

TEST(GradientColor, InterpolatesChannelByChannel) {
    struct Case {
        TColor C1, C2;
        int32_t N, I;
        TColor Expect;
    } cases[] = {
        {clBlack, clWhite, 32, 16, 0x808080},
        {clBlack, clWhite, 32, 0, clBlack},
        {clBlack, clWhite, 32, 32, clWhite},
        {clWhite, clBlack, 4, 1, 0xBFBFBF},  // falling channels: 255 - round(63.75)
        // 255 / 2 = 127.5 rounds to 128 both ways: red falls to 127, blue rises to 128.
        {0x0000FF, 0xFF0000, 2, 1, 0x80007F},
        // Halves go to the even neighbour: 1 / 2 * 1 = 0.5 -> 0, 3 / 2 = 1.5 -> 2.
        {0x000000, 0x030001, 2, 1, 0x020000},
        // An index beyond the steps stays at the far colour.
        {clBlack, clWhite, 4, 9, clWhite},
        {clBlack, clWhite, 4, -3, clBlack},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GradientColor(c.C1, c.C2, c.N, c.I), c.Expect) << std::hex << c.C1 << " " << c.C2 << " " << c.I;
}

TEST(GradientColor, ResolvesSystemColoursAndRefusesEmptySteps) {
    EXPECT_EQ(GradientColor(clActiveCaption, clBlack, 8, 0), ColorToRGB(clActiveCaption));
    EXPECT_EQ(GradientColor(clBlack, clBtnFace, 8, 8), ColorToRGB(clBtnFace));
    EXPECT_THROW(GradientColor(clBlack, clWhite, 0, 0), ERangeError);
    EXPECT_THROW(GradientColor(clBlack, clWhite, -4, 1), ERangeError);
}

TEST_F(CaptionFixture, ConstructedValuesAndSetterLimits) {
    TForm* f = NewForm();
    auto* ext = new TCvFormCaptionExtender(f);
    EXPECT_TRUE(ext->Hooked());
    EXPECT_EQ(ext->Gradientcolors(), 32);
    EXPECT_TRUE(ext->Active());
    EXPECT_TRUE(ext->ActiveGradient());
    EXPECT_TRUE(ext->InActiveGradient());
    EXPECT_EQ(ext->ActiveLeftColor(), clBlack);
    EXPECT_EQ(ext->InActiveLeftColor(), clBlack);
    EXPECT_EQ(ext->Font()->Name(), "MS Sans Serif");
    EXPECT_EQ(ext->Font()->Size(), 8);
    EXPECT_EQ(ext->Font()->Color(), 16777215);
    for (int v : {0, 65, -1}) {
        ext->SetCols(v);
        EXPECT_EQ(ext->Gradientcolors(), 32) << v;
    }
    ext->SetCols(64);
    EXPECT_EQ(ext->Gradientcolors(), 64);
    ext->SetCols(1);
    EXPECT_EQ(ext->Gradientcolors(), 1);
}

TEST_F(CaptionFixture, BandGeometryFollowsTheBorderStyle) {
    struct Case {
        TFormBorderStyle Border;
        int L, T, B;
    } cases[] = {
        {bsSizeable, 3, 3, 20}, {bsSingle, 3, 3, 19},     {bsDialog, 3, 3, 19},
        {bsToolWindow, 2, 2, 16}, {bsSizeToolWin, 3, 3, 17},
    };
    for (const Case& c : cases) {
        TForm* f = NewForm(c.Border, 300);
        auto* ext = new TCvFormCaptionExtender(f);
        bool icon = false;
        const TRect r = ext->CalcRect(icon);
        EXPECT_EQ(r, (TRect{c.L, c.T, 300 - c.L - 3 * GetSystemMetrics(SM_CXSIZE), c.B})) << int(c.Border);
        EXPECT_TRUE(icon);
    }
}

TEST_F(CaptionFixture, PaintsTheGradientActiveAndInactive) {
    TForm* f = NewForm();
    auto* ext = new TCvFormCaptionExtender(f);
    ext->SetActiveLeftColor(clMaroon);
    ext->SetInActiveLeftColor(clGreen);
    ShowAndPump(f);
    ASSERT_EQ(GetActiveWindow(), f->Handle());
    bool icon = false;
    const TRect band = ext->CalcRect(icon);
    const HWND h = f->Handle();
    const TColor base = ColorToRGB(clActiveCaption);
    EXPECT_EQ(WindowPixel(h, band.Left, band.Top), Ref(clMaroon));
    EXPECT_EQ(WindowPixel(h, band.Left + 5, band.Bottom - 1), Ref(clMaroon));
    // The last stripe is one step short of the caption colour.
    EXPECT_EQ(WindowPixel(h, band.Right - 1, band.Top), Ref(GradientColor(clMaroon, base, 32, 31)));
    // The middle.
    const int xm = band.Left + (band.Right - band.Left) * 16 / 32 + 1;
    EXPECT_EQ(WindowPixel(h, xm, band.Top), Ref(GradientColor(clMaroon, base, 32, 16)));

    // Another form takes the activation: the inactive gradient.
    TForm* other = NewForm();
    ShowAndPump(other);
    EXPECT_FALSE(ext->Active());
    const TColor ibase = ColorToRGB(clInactiveCaption);
    EXPECT_EQ(WindowPixel(h, band.Left, band.Top), Ref(clGreen));
    EXPECT_EQ(WindowPixel(h, band.Right - 1, band.Top), Ref(GradientColor(clGreen, ibase, 32, 31)));
    // And back.
    SetActiveWindow(h);
    Application()->ProcessMessages();
    EXPECT_TRUE(ext->Active());
    EXPECT_EQ(WindowPixel(h, band.Left, band.Top), Ref(clMaroon));
}

TEST_F(CaptionFixture, WithoutActiveGradientTheCaptionIsThePlatforms) {
    TForm* plain = NewForm();
    ShowAndPump(plain);
    std::vector<COLORREF> expected;
    for (int x = 0; x < 400; x += 7) expected.push_back(WindowPixel(plain->Handle(), x, 10));
    plain->Hide();

    TForm* f = NewForm();
    f->SetBounds(plain->Left(), plain->Top(), 400, 200);
    auto* ext = new TCvFormCaptionExtender(f);
    ext->SetActiveLeftColor(clMaroon);
    ext->SetInActiveLeftColor(clGreen);
    ext->SetActiveGradient(false);
    ShowAndPump(f);
    ASSERT_TRUE(ext->Active());
    std::vector<COLORREF> got;
    for (int x = 0; x < 400; x += 7) got.push_back(WindowPixel(f->Handle(), x, 10));
    EXPECT_EQ(got, expected);
    // Inactive with InActiveGradient: painted.
    ShowAndPump(NewForm());
    bool icon = false;
    const TRect band = ext->CalcRect(icon);
    EXPECT_EQ(WindowPixel(f->Handle(), band.Left, band.Top), Ref(clGreen));
}

TEST_F(CaptionFixture, OneStripeFillsTheBandWithTheLeftColour) {
    TForm* f = NewForm();
    auto* ext = new TCvFormCaptionExtender(f);
    ext->SetActiveLeftColor(clNavy);
    ext->SetCols(1);
    ShowAndPump(f);
    bool icon = false;
    const TRect band = ext->CalcRect(icon);
    for (int x : {band.Left, (band.Left + band.Right) / 2, band.Right - 1})
        EXPECT_EQ(WindowPixel(f->Handle(), x, band.Top), Ref(clNavy)) << x;
    // Beyond the band (the caption buttons' room) the platform's caption.
    EXPECT_NE(WindowPixel(f->Handle(), band.Right, band.Top + 1), Ref(clNavy));
}

TEST_F(CaptionFixture, ChangingAColourRepaintsTheFrameAtRunTime) {
    TForm* f = NewForm();
    auto* ext = new TCvFormCaptionExtender(f);
    ShowAndPump(f);
    bool icon = false;
    const TRect band = ext->CalcRect(icon);
    EXPECT_EQ(WindowPixel(f->Handle(), band.Left, band.Top), Ref(clBlack));
    ext->SetActiveLeftColor(clPurple);
    Application()->ProcessMessages();
    EXPECT_EQ(WindowPixel(f->Handle(), band.Left, band.Top), Ref(clPurple));
    ext->SetCols(1);
    Application()->ProcessMessages();
    EXPECT_EQ(WindowPixel(f->Handle(), band.Right - 1, band.Top), Ref(clPurple));
    // A new caption text keeps the gradient (the platform redraws the bar).
    f->SetCaption("Another caption");
    EXPECT_EQ(WindowPixel(f->Handle(), band.Right - 1, band.Top), Ref(clPurple));
}

TEST_F(CaptionFixture, FormsWithoutACaptionBarAreLeftAlone) {
    // No border: nothing of the band is painted over the client area.
    TForm* none = NewForm(bsNone);
    none->SetColor(clWhite);
    auto* ext = new TCvFormCaptionExtender(none);
    ext->SetActiveLeftColor(clLime);
    ShowAndPump(none);
    bool icon = false;
    EXPECT_TRUE(ext->CalcRect(icon).IsEmpty());
    for (int x : {0, 3, 10, 100})
        for (int y : {0, 3, 10})
            EXPECT_NE(WindowPixel(none->Handle(), x, y), Ref(clLime)) << x << "," << y;
    // Minimized: the platform's small caption stays as it is.
    TForm* f = NewForm();
    auto* ext2 = new TCvFormCaptionExtender(f);
    ext2->SetActiveLeftColor(clLime);
    ext2->SetInActiveLeftColor(clLime);
    ShowAndPump(f);
    f->SetWindowState(wsMinimized);
    Application()->ProcessMessages();
    ASSERT_TRUE(IsIconic(f->Handle()));
    SendMessage(f->Handle(), WM_NCACTIVATE, TRUE, 0);
    RedrawWindow(f->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    TRect wr;
    GetWindowRect(f->Handle(), &wr);
    for (int x = 0; x < wr.Width(); x += 5)
        for (int y = 0; y < wr.Height(); y += 3) ASSERT_NE(WindowPixel(f->Handle(), x, y), Ref(clLime)) << x << "," << y;
}

TEST_F(CaptionFixture, DrawsTheFormsIconElseTheApplicationsElseThePlatforms) {
    TForm* f = NewForm();
    auto* ext = new TCvFormCaptionExtender(f);
    ext->SetActiveLeftColor(clBlack);
    ext->SetCols(1);
    ShowAndPump(f);
    bool mark = false;
    const TRect band = ext->CalcRect(mark);
    const HWND h = f->Handle();
    const int ix = band.Left + 1 + 8, iy = band.Top + 1 + 8;
    // Neither the form nor the application has an icon: the platform's
    // own window icon is shown, the band is not left with a hole.
    ASSERT_TRUE(Application()->Icon()->Empty());
    ASSERT_TRUE(f->Icon()->Empty());
    bool someIconPixel = false;
    for (int x = band.Left + 1; x < band.Left + 17; ++x)
        if (WindowPixel(h, x, iy) != Ref(clBlack)) someIconPixel = true;
    EXPECT_TRUE(someIconPixel);

    // The application's icon.
    {
        TIcon appIcon;
        appIcon.SetHandle(SolidIcon(0xFF0000FFu));  // blue
        Application()->SetIcon(&appIcon);
    }
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    EXPECT_EQ(WindowPixel(h, ix, iy), RGB(0, 0, 255));
    // The form's own icon wins.
    TIcon formIcon;
    formIcon.SetHandle(SolidIcon(0xFFFF0000u));  // red
    f->SetIcon(&formIcon);
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    EXPECT_EQ(WindowPixel(h, ix, iy), RGB(255, 0, 0));
    TIcon empty;
    Application()->SetIcon(&empty);
}

TEST_F(CaptionFixture, LongCaptionIsClippedAtTheBandsRightEdge) {
    TForm* f = NewForm(bsSizeable, 300);
    f->SetCaption(std::string(80, 'W'));
    auto* ext = new TCvFormCaptionExtender(f);
    TFont font;
    font.SetName("Arial");
    font.SetSize(10);
    font.SetColor(clYellow);
    ext->SetFont(&font);
    EXPECT_EQ(ext->Font()->Color(), clYellow);
    ShowAndPump(f);
    bool mark = false;
    const TRect band = ext->CalcRect(mark);
    const HWND h = f->Handle();
    bool yellowBefore = false, yellowAfter = false;
    for (int y = band.Top; y < band.Bottom; ++y) {
        for (int x = band.Right - 12; x < band.Right; ++x)
            if (WindowPixel(h, x, y) == Ref(clYellow)) yellowBefore = true;
        for (int x = band.Right; x < 300; ++x)
            if (WindowPixel(h, x, y) == Ref(clYellow)) yellowAfter = true;
    }
    EXPECT_TRUE(yellowBefore);
    EXPECT_FALSE(yellowAfter);
}

TEST_F(CaptionFixture, HooksTheDesignedFormToo) {
    TForm* f = NewForm();
    f->SetDesigning(true);
    auto* ext = new TCvFormCaptionExtender(f);
    EXPECT_TRUE(ext->Hooked());
    EXPECT_EQ(ext->HookedWindow(), f->Handle());
}
