// The form extender through real messages: the min/max structure, dragging
// with the mouse, the sizing and moving events with their vetoes, and the
// size and move reports.  Also several hook components on one form.
#include <gtest/gtest.h>

#include <vector>

#include "CvFormCaptionExtender.h"
#include "CvFormExtender.h"
#include "CvMousePosition.h"
#include "Forms.h"
#include "WinBackend.h"

using namespace vcl;
using namespace corvane;

namespace {

// A form that records the size and move messages reaching its own
// procedure.
class TLogForm : public TForm {
public:
    explicit TLogForm(TComponent* Owner) : TForm(Owner) {}
    std::vector<UINT> Seen;
    void WndProc(TMessage& M) override {
        if (M.Msg == WM_SIZE || M.Msg == WM_MOVE || M.Msg == WM_SIZING || M.Msg == WM_MOVING) Seen.push_back(M.Msg);
        TForm::WndProc(M);
    }
    size_t Count(UINT Msg) const { return size_t(std::count(Seen.begin(), Seen.end(), Msg)); }
};

struct ExtenderFixture : ::testing::Test {
    TLogForm* Form = nullptr;
    TCvFormExtender* Ext = nullptr;
    void SetUp() override {
        Form = new TLogForm(nullptr);
        Form->SetBounds(100, 100, 400, 200);
        Ext = new TCvFormExtender(Form);
        Form->Show();
        Application()->ProcessMessages();
        Form->Seen.clear();
    }
    void TearDown() override { delete Form; }
    HWND H() { return Form->Handle(); }
    TRect WindowRect() {
        TRect r;
        GetWindowRect(H(), &r);
        return r;
    }
};

}  // namespace

TEST_F(ExtenderFixture, ConstructedEnabledAndHooked) {
    EXPECT_TRUE(Ext->Enabled());
    EXPECT_TRUE(Ext->Hooked());
    Ext->SetEnabled(false);
    EXPECT_FALSE(Ext->Hooked());
    Ext->SetEnabled(true);
    EXPECT_TRUE(Ext->Hooked());
}

TEST_F(ExtenderFixture, MinMaxInfoTakesTheLimitsAndTheEvents) {
    MINMAXINFO m;
    m.ptMaxPosition = TPoint{-4, -4};
    m.ptMaxSize = TPoint{1032, 776};
    m.ptMinTrackSize = TPoint{112, 27};
    m.ptMaxTrackSize = TPoint{1036, 780};
    MINMAXINFO d = m;
    SendMessage(H(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&d));
    // The defaults maximize at (0, 0) and leave the sizes alone.
    EXPECT_EQ(d.ptMaxPosition, (TPoint{0, 0}));
    EXPECT_EQ(d.ptMaxSize, m.ptMaxSize);
    EXPECT_EQ(d.ptMinTrackSize, m.ptMinTrackSize);
    EXPECT_EQ(d.ptMaxTrackSize, m.ptMaxTrackSize);

    Ext->SetMaxLeft(20);
    Ext->SetMaxTop(10);
    Ext->SetMaxWidth(600);
    Ext->SetMaxHeight(-5);  // stored as 0: the height stays
    EXPECT_EQ(Ext->MaxHeight(), 0);
    Ext->SetTrackMinWidth(300);
    Ext->SetTrackMinHeight(150);
    Ext->SetTrackMaxWidth(700);
    Ext->SetTrackMaxHeight(500);
    int maxInfo = 0, trackInfo = 0;
    Ext->SetOnMaximizeInfo([&](TObject* S, int32_t& X, int32_t& Y, int32_t& W, int32_t& Hh) {
        EXPECT_EQ(S, Ext);
        EXPECT_EQ((std::vector<int32_t>{X, Y, W, Hh}), (std::vector<int32_t>{20, 10, 600, 776}));
        ++maxInfo;
        Y = 12;
    });
    Ext->SetOnTrackInfo([&](TObject*, int32_t& MinW, int32_t& MinH, int32_t& MaxW, int32_t& MaxH) {
        EXPECT_EQ((std::vector<int32_t>{MinW, MinH, MaxW, MaxH}), (std::vector<int32_t>{300, 150, 700, 500}));
        ++trackInfo;
        MaxH = 480;
    });
    d = m;
    SendMessage(H(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&d));
    EXPECT_EQ(maxInfo, 1);
    EXPECT_EQ(trackInfo, 1);
    EXPECT_EQ(d.ptMaxPosition, (TPoint{20, 12}));
    EXPECT_EQ(d.ptMaxSize, (TPoint{600, 776}));
    EXPECT_EQ(d.ptMinTrackSize, (TPoint{300, 150}));
    EXPECT_EQ(d.ptMaxTrackSize, (TPoint{700, 480}));

    // Maximizing uses them.
    Ext->SetOnMaximizeInfo(nullptr);
    Ext->SetOnTrackInfo(nullptr);
    Form->SetWindowState(wsMaximized);
    Application()->ProcessMessages();
    const TRect r = WindowRect();
    EXPECT_EQ(r.Left, 20);
    EXPECT_EQ(r.Top, 10);
    EXPECT_EQ(r.Width(), 600);
}

TEST_F(ExtenderFixture, DraggingKeepsTheMinimumTrackingWidth) {
    Ext->SetTrackMinWidth(300);
    // The right border (x 499) dragged 250 to the left.
    FeedMouseButton(mbLeftButton, true, 498, 200);
    FeedMouseMove(350, 200);
    FeedMouseMove(248, 200);
    FeedMouseButton(mbLeftButton, false, 248, 200);
    Application()->ProcessMessages();
    EXPECT_EQ(WindowRect(), (TRect{100, 100, 400, 300}));
    EXPECT_EQ(Form->Width(), 300);
}

TEST_F(ExtenderFixture, SizingEventSeesAndChangesTheRectangle) {
    std::vector<std::vector<int32_t>> calls;
    Ext->SetOnSizing([&](TObject*, uint16_t Side, int32_t& X, int32_t& Y, int32_t& W, int32_t& Hh, bool&) {
        calls.push_back({Side, X, Y, W, Hh});
        W = 380;  // the handler decides the width
        Hh += 20;
    });
    // (Drags stay inside the window: headless input goes to the window
    // under the pointer when it is fed.)
    FeedMouseButton(mbLeftButton, true, 498, 200);
    FeedMouseMove(470, 200);
    FeedMouseButton(mbLeftButton, false, 470, 200);
    Application()->ProcessMessages();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), (std::vector<int32_t>{WMSZ_RIGHT, 100, 100, 372, 200}));
    EXPECT_EQ(WindowRect(), (TRect{100, 100, 480, 320}));

    // Dragging the left edge: a changed width moves the left edge.
    Ext->SetOnSizing([&](TObject*, uint16_t, int32_t&, int32_t&, int32_t& W, int32_t&, bool&) { W = 300; });
    FeedMouseButton(mbLeftButton, true, 101, 200);
    FeedMouseMove(131, 200);
    FeedMouseButton(mbLeftButton, false, 131, 200);
    Application()->ProcessMessages();
    EXPECT_EQ(WindowRect(), (TRect{180, 100, 480, 320}));
}

TEST_F(ExtenderFixture, SizingVetoSkipsTheNextSizeOnceAndSilencesTheEvents) {
    int sizing = 0, moving = 0, sizes = 0;
    Ext->SetOnSizing([&](TObject*, uint16_t, int32_t&, int32_t&, int32_t&, int32_t&, bool& Cancel) {
        ++sizing;
        Cancel = true;
    });
    Ext->SetOnMoving([&](TObject*, uint16_t, int32_t&, int32_t&, bool&) { ++moving; });
    Ext->SetOnSize([&](TObject*, uint16_t, uint16_t, uint16_t) { ++sizes; });
    TRect r{100, 100, 450, 300};
    SendMessage(H(), WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(sizing, 1);
    // Until the size message, no sizing or moving events.
    SendMessage(H(), WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&r));
    SendMessage(H(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(sizing, 1);
    EXPECT_EQ(moving, 0);
    Form->Seen.clear();
    SendMessage(H(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 150));
    EXPECT_EQ(Form->Count(WM_SIZE), 0u);  // the form's own handling skipped
    EXPECT_EQ(sizes, 0);
    // Once only.
    SendMessage(H(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(392, 174));
    EXPECT_EQ(Form->Count(WM_SIZE), 1u);
    EXPECT_EQ(sizes, 1);
    SendMessage(H(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(moving, 1);
}

TEST_F(ExtenderFixture, MovingKeepsTheFormsSizeAndCanBeVetoed) {
    std::vector<std::vector<int32_t>> calls;
    Ext->SetOnMoving([&](TObject*, uint16_t Side, int32_t& X, int32_t& Y, bool&) {
        calls.push_back({Side, X, Y});
        if (X < 50) X = 50;  // keep off the left edge
    });
    // The caption dragged 100 to the left.
    FeedMouseButton(mbLeftButton, true, 200, 110);
    FeedMouseMove(100, 110);
    FeedMouseButton(mbLeftButton, false, 100, 110);
    Application()->ProcessMessages();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), (std::vector<int32_t>{0, 0, 100}));
    EXPECT_EQ(WindowRect(), (TRect{50, 100, 450, 300}));

    // A rectangle of another size is put back to the form's size.
    TRect r{10, 20, 30, 40};
    SendMessage(H(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r, (TRect{50, 20, 450, 220}));

    // Cancel: the move that follows does not reach the form, once.
    int moves = 0;
    Ext->SetOnMove([&](TObject*, int32_t, int32_t) { ++moves; });
    Ext->SetOnMoving([&](TObject*, uint16_t, int32_t&, int32_t&, bool& Cancel) { Cancel = true; });
    SendMessage(H(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    Form->Seen.clear();
    SendMessage(H(), WM_MOVE, 0, MAKELPARAM(60, 70));
    EXPECT_EQ(Form->Count(WM_MOVE), 0u);
    EXPECT_EQ(moves, 0);
    SendMessage(H(), WM_MOVE, 0, MAKELPARAM(60, 70));
    EXPECT_EQ(Form->Count(WM_MOVE), 1u);
    EXPECT_EQ(moves, 1);
}

TEST_F(ExtenderFixture, SizeAndMoveReportTheNewGeometrySigned) {
    std::vector<int32_t> size, move;
    Ext->SetOnSize([&](TObject*, uint16_t Type, uint16_t W, uint16_t Hh) { size = {Type, W, Hh}; });
    Ext->SetOnMove([&](TObject*, int32_t X, int32_t Y) { move = {X, Y}; });
    Form->SetBounds(-50, -30, 300, 150);
    Application()->ProcessMessages();
    const TPoint origin = Form->ClientToScreen(TPoint{0, 0});
    ASSERT_LT(origin.X, 0);
    EXPECT_EQ(move, (std::vector<int32_t>{origin.X, origin.Y}));
    EXPECT_EQ(size, (std::vector<int32_t>{SIZE_RESTORED, Form->ClientWidth(), Form->ClientHeight()}));
}

TEST(FormExtenderDesign, ADesignedFormIsNotHooked) {
    auto* f = new TForm(nullptr);
    f->HandleNeeded();
    const LONG_PTR original = GetWindowLong(f->Handle(), GWL_WNDPROC);
    f->SetDesigning(true);
    auto* ext = new TCvFormExtender(f);
    auto* mouse = new TCvMousePosition(f);
    EXPECT_TRUE(ext->Enabled());
    EXPECT_FALSE(ext->Hooked());
    EXPECT_FALSE(mouse->Hooked());
    EXPECT_EQ(GetWindowLong(f->Handle(), GWL_WNDPROC), original);
    delete f;
}

TEST(HookChain, SeveralComponentsUnwindToTheFormsOwnProcedure) {
    auto* f = new TForm(nullptr);
    f->SetBounds(100, 100, 300, 200);
    f->Show();
    Application()->ProcessMessages();
    const LONG_PTR original = GetWindowLong(f->Handle(), GWL_WNDPROC);
    auto* caption = new TCvFormCaptionExtender(f);
    auto* ext = new TCvFormExtender(f);
    auto* mouse = new TCvMousePosition(f);
    EXPECT_EQ(ext->OldWndProc(), caption->NewWndProc());
    EXPECT_EQ(mouse->OldWndProc(), ext->NewWndProc());
    // Every hook sees the messages: the limits apply, the caption paints.
    ext->SetTrackMinWidth(250);
    MINMAXINFO m;
    SendMessage(f->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&m));
    EXPECT_EQ(m.ptMinTrackSize.X, 250);
    SendMessage(f->Handle(), WM_NCACTIVATE, FALSE, 0);
    EXPECT_FALSE(caption->Active());
    delete mouse;
    delete ext;
    delete caption;
    EXPECT_EQ(GetWindowLong(f->Handle(), GWL_WNDPROC), original);
    // Out of order, the form still answers through what is left.
    caption = new TCvFormCaptionExtender(f);
    ext = new TCvFormExtender(f);
    ext->SetTrackMinWidth(260);
    delete caption;
    SendMessage(f->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&m));
    EXPECT_EQ(m.ptMinTrackSize.X, 260);
    delete ext;
    EXPECT_EQ(GetWindowLong(f->Handle(), GWL_WNDPROC), original);
    delete f;
}
