// Forms, the application and the controls core driven through the window
// manager's input path.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Controls.h"
#include "Forms.h"
#include "WinBackend.h"

using namespace vcl;

namespace {

// A graphic control that records what reaches it.
class TProbe : public TGraphicControl {
public:
    explicit TProbe(TComponent* Owner) : TGraphicControl(Owner) {}
    int Clicks = 0, Paints = 0, Enters = 0, Leaves = 0;
    std::vector<TPoint> Downs;
    void Click() override {
        ++Clicks;
        TGraphicControl::Click();
    }
    void WndProc(TMessage& M) override {
        if (M.Msg == CM_MOUSEENTER) ++Enters;
        if (M.Msg == CM_MOUSELEAVE) ++Leaves;
        TGraphicControl::WndProc(M);
    }

protected:
    void MouseDown(TMouseButton B, TShiftState S, int32_t X, int32_t Y) override {
        Downs.push_back({X, Y});
        TGraphicControl::MouseDown(B, S, X, Y);
    }
    void Paint() override {
        ++Paints;
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(TRect{0, 0, Width(), Height()});
    }
};

// A windowed control that takes the focus and records keys.
class TKeyBox : public TCustomControl {
public:
    explicit TKeyBox(TComponent* Owner) : TCustomControl(Owner) { SetTabStop(true); }
    std::u32string Typed;
    int Enters = 0, Exits = 0;

protected:
    void KeyPress(char32_t& Key) override {
        Typed += Key;
        TCustomControl::KeyPress(Key);
    }
    void DoEnter() override { ++Enters; }
    void DoExit() override { ++Exits; }
    void Paint() override {
        Canvas()->Brush()->SetColor(clWhite);
        Canvas()->FillRect(ClientRect());
    }
};

void Pump() { Application()->ProcessMessages(); }

void ClickAt(TPoint P) {
    FeedMouseButton(mbLeftButton, true, P.X, P.Y);
    FeedMouseButton(mbLeftButton, false, P.X, P.Y);
    Pump();
}

struct FormFixture : ::testing::Test {
    TForm* Form = nullptr;
    void SetUp() override {
        Form = new TForm(nullptr);
        Form->SetBounds(100, 80, 300, 200);
        Form->SetCaption("Probe");
    }
    void TearDown() override {
        delete Form;
        Pump();
    }
};

}  // namespace

TEST_F(FormFixture, ShowingCreatesWindowsAndPaintsGraphicChildren) {
    auto* probe = new TProbe(Form);
    probe->SetParent(Form);
    probe->SetBounds(10, 10, 40, 20);
    Form->Show();
    Pump();
    ASSERT_TRUE(Form->HandleAllocated());
    EXPECT_TRUE(IsWindowVisible(Form->Handle()));
    EXPECT_EQ(GetActiveWindow(), Form->Handle());
    UpdateWindow(Form->Handle());
    EXPECT_GE(probe->Paints, 1);
    // The red probe lies at its place in the client area, the form's face around it.
    TPixelView view;
    ASSERT_TRUE(GetWindowSurface(Form->Handle(), &view));
    TPoint origin = Form->ClientOrigin();
    TRect wr;
    GetWindowRect(Form->Handle(), &wr);
    auto pixel = [&](int x, int y) {
        int sx = origin.X - wr.Left + x, sy = origin.Y - wr.Top + y;
        return view.Row(sy)[sx] & 0xFFFFFFu;
    };
    EXPECT_EQ(pixel(20, 15), 0xFF0000u);
    uint32_t face = static_cast<uint32_t>(ColorToRGB(clBtnFace));
    uint32_t faceRgb = ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
    EXPECT_EQ(pixel(60, 15), faceRgb);
    EXPECT_NE(pixel(60, 15), 0xFF0000u);
    EXPECT_NE(pixel(9, 15), 0xFF0000u);
    EXPECT_NE(pixel(50, 15), 0xFF0000u);
}

TEST_F(FormFixture, ClickAtScreenPointReachesGraphicChildInClientCoordinates) {
    auto* probe = new TProbe(Form);
    probe->SetParent(Form);
    probe->SetBounds(30, 40, 50, 30);
    int onClick = 0;
    probe->SetOnClick([&](TObject*) { ++onClick; });
    Form->Show();
    Pump();
    ClickAt(probe->ClientToScreen({5, 6}));
    ASSERT_EQ(probe->Downs.size(), 1u);
    EXPECT_EQ(probe->Downs[0].X, 5);
    EXPECT_EQ(probe->Downs[0].Y, 6);
    EXPECT_EQ(onClick, 1);
    // Pressed inside, released outside: no click, but the probe keeps the
    // mouse until the release.
    TPoint in = probe->ClientToScreen({5, 6}), out = probe->ClientToScreen({200, 100});
    FeedMouseButton(mbLeftButton, true, in.X, in.Y);
    FeedMouseMove(out.X, out.Y);
    FeedMouseButton(mbLeftButton, false, out.X, out.Y);
    Pump();
    EXPECT_EQ(onClick, 1);
    EXPECT_EQ(probe->Downs.size(), 2u);
    EXPECT_EQ(GetCaptureControl(), nullptr);
}

TEST_F(FormFixture, DisabledOrHiddenChildIsNotHit) {
    auto* probe = new TProbe(Form);
    probe->SetParent(Form);
    probe->SetBounds(30, 40, 50, 30);
    Form->Show();
    Pump();
    probe->SetEnabled(false);
    ClickAt(probe->ClientToScreen({5, 5}));
    probe->SetEnabled(true);
    probe->SetVisible(false);
    ClickAt(probe->ClientToScreen({5, 5}));
    EXPECT_TRUE(probe->Downs.empty());
}

TEST_F(FormFixture, MouseEnterAndLeaveFollowThePointer) {
    auto* a = new TProbe(Form);
    a->SetParent(Form);
    a->SetBounds(10, 10, 40, 40);
    auto* b = new TProbe(Form);
    b->SetParent(Form);
    b->SetBounds(100, 10, 40, 40);
    Form->Show();
    Pump();
    TPoint pa = a->ClientToScreen({5, 5}), pb = b->ClientToScreen({5, 5});
    FeedMouseMove(pa.X, pa.Y);
    Pump();
    FeedMouseMove(pb.X, pb.Y);
    Pump();
    EXPECT_EQ(a->Enters, 1);
    EXPECT_EQ(a->Leaves, 1);
    EXPECT_EQ(b->Enters, 1);
    EXPECT_EQ(b->Leaves, 0);
    EXPECT_EQ(GetMouseControl(), b);
}

TEST_F(FormFixture, KeysGoToTheFocusedControlAndTabMovesFocus) {
    auto* k1 = new TKeyBox(Form);
    k1->SetParent(Form);
    k1->SetBounds(10, 10, 80, 20);
    auto* k2 = new TKeyBox(Form);
    k2->SetParent(Form);
    k2->SetBounds(10, 40, 80, 20);
    Form->Show();
    Pump();
    // The first tab stop takes the focus when the form is activated.
    EXPECT_EQ(Form->ActiveControl(), k1);
    EXPECT_TRUE(k1->Focused());
    FeedChar(U'a');
    FeedChar(U'ä');
    Pump();
    EXPECT_EQ(k1->Typed, U"aä");
    FeedKey(VK_TAB, true);
    FeedKey(VK_TAB, false);
    Pump();
    EXPECT_TRUE(k2->Focused());
    EXPECT_EQ(Form->ActiveControl(), k2);
    EXPECT_EQ(k1->Exits, 1);
    EXPECT_EQ(k2->Enters, 1);
    FeedChar(U'z');
    Pump();
    EXPECT_EQ(k2->Typed, U"z");
    // Tab order wraps around; changing it changes the path.
    k2->SetTabOrder(0);
    EXPECT_EQ(k1->TabOrder(), 1);
}

TEST_F(FormFixture, KeyPreviewSeesKeysFirstAndMaySwallowThem) {
    auto* k = new TKeyBox(Form);
    k->SetParent(Form);
    k->SetBounds(10, 10, 80, 20);
    Form->SetKeyPreview(true);
    Form->SetOnKeyPress([](TObject*, char32_t& Key) {
        if (Key == U'x') Key = 0;
    });
    Form->Show();
    Pump();
    FeedChar(U'x');
    FeedChar(U'y');
    Pump();
    EXPECT_EQ(k->Typed, U"y");
}

TEST_F(FormFixture, AlignmentFillsTheClientAreaInOrder) {
    auto* top = new TProbe(Form);
    top->SetParent(Form);
    top->SetHeight(20);
    top->SetAlign(alTop);
    auto* left = new TProbe(Form);
    left->SetParent(Form);
    left->SetWidth(30);
    left->SetAlign(alLeft);
    auto* client = new TProbe(Form);
    client->SetParent(Form);
    client->SetAlign(alClient);
    Form->Show();
    Pump();
    TRect cr = Form->ClientRect();
    EXPECT_EQ(top->BoundsRect(), (TRect{0, 0, cr.Right, 20}));
    EXPECT_EQ(left->BoundsRect(), (TRect{0, 20, 30, cr.Bottom}));
    EXPECT_EQ(client->BoundsRect(), (TRect{30, 20, cr.Right, cr.Bottom}));
    // Resizing the form realigns.
    Form->SetWidth(Form->Width() + 50);
    Pump();
    EXPECT_EQ(client->BoundsRect().Right, Form->ClientRect().Right);
    // A tiny form gives empty, never negative, sizes.
    Form->SetBounds(Form->Left(), Form->Top(), 10, 10);
    EXPECT_GE(client->Width(), 0);
    EXPECT_GE(client->Height(), 0);
}

TEST_F(FormFixture, ColorAndFontFollowTheParentUntilSet) {
    auto* probe = new TProbe(Form);
    probe->SetParent(Form);
    EXPECT_EQ(probe->Color(), Form->Color());
    Form->SetColor(clAqua);
    EXPECT_EQ(probe->Color(), clAqua);
    probe->SetColor(clYellow);
    Form->SetColor(clLime);
    EXPECT_EQ(probe->Color(), clYellow);
    Form->Font()->SetSize(14);
    EXPECT_EQ(probe->Font()->Size(), 14);
    probe->Font()->SetName("Courier New");
    EXPECT_FALSE(probe->ParentFont());
    Form->Font()->SetSize(20);
    EXPECT_EQ(probe->Font()->Size(), 14);
}

TEST_F(FormFixture, CloseRunsCloseQueryAndOnCloseAction) {
    Form->Show();
    Pump();
    bool allow = false;
    int closes = 0;
    Form->SetOnCloseQuery([&](TObject*, bool& CanClose) { CanClose = allow; });
    Form->SetOnClose([&](TObject*, TCloseAction& A) {
        ++closes;
        A = caHide;
    });
    SendMessage(Form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Form->Visible());
    EXPECT_EQ(closes, 0);
    allow = true;
    Form->Close();
    EXPECT_FALSE(Form->Visible());
    EXPECT_FALSE(IsWindowVisible(Form->Handle()));
    EXPECT_EQ(closes, 1);
}

TEST(Forms, CloseWithCaFreeReleasesTheFormAfterPendingMessages) {
    auto* form = new TForm(nullptr);
    bool destroyed = false;
    form->SetOnDestroy([&](TObject*) { destroyed = true; });
    form->SetOnClose([](TObject*, TCloseAction& A) { A = caFree; });
    form->Show();
    Pump();
    HWND wnd = form->Handle();
    form->Close();
    EXPECT_FALSE(destroyed);
    Pump();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(wnd));
}

TEST(Forms, ModalFormIsDrivenByScriptAndOtherFormsAreDisabled) {
    auto* owner = new TForm(nullptr);
    owner->Show();
    Pump();
    auto* dialog = new TForm(nullptr);
    dialog->SetCaption("Question");
    auto* k = new TKeyBox(dialog);
    k->SetParent(dialog);
    k->SetBounds(5, 5, 50, 20);
    bool ownerDisabledDuring = false;
    std::u32string typed;
    TScriptScope scope(
        [&](TCustomForm& F) {
            ownerDisabledDuring = !IsWindowEnabled(owner->Handle());
            FeedChar(U'q');
            Pump();
            typed = k->Typed;
            F.SetModalResult(mrOk);
        },
        nullptr);
    Application()->ClearShownTexts();
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_TRUE(ownerDisabledDuring);
    EXPECT_EQ(typed, U"q");
    EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
    EXPECT_FALSE(dialog->Visible());
    ASSERT_EQ(Application()->ShownTexts().size(), 1u);
    EXPECT_EQ(Application()->ShownTexts()[0].Kind, "ShowModal");
    EXPECT_EQ(Application()->ShownTexts()[0].Caption, "Question");
    EXPECT_EQ(Application()->ShownTexts()[0].Result, mrOk);
    // Showing a visible form modally is refused.
    dialog->Show();
    EXPECT_THROW(dialog->ShowModal(), EInvalidOperation);
    delete dialog;
    delete owner;
}

TEST(Forms, ModalFormWithoutScriptIsCancelledHeadlessAndCloseQueryCanVeto) {
    auto* dialog = new TForm(nullptr);
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    int asked = 0;
    dialog->SetOnCloseQuery([&](TObject*, bool& CanClose) { CanClose = ++asked > 1; });
    TScriptScope scope([](TCustomForm& F) { F.SetModalResult(mrYes); }, nullptr);
    // The first close is vetoed (ModalResult back to none), and headless the
    // loop then ends with the cancel that is left.
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_EQ(asked, 2);
    delete dialog;
}

TEST(Forms, MessageBoxesAreAnsweredByScriptOrDefaultAndRecorded) {
    Application()->ClearShownTexts();
    EXPECT_EQ(Application()->MessageBox("Sure?", "Ask", MB_YESNO | MB_DEFBUTTON2), IDNO);
    std::vector<int32_t> buttons;
    {
        TScriptScope scope(nullptr, [&](const TMessageBoxRequest& R) {
            buttons = R.Buttons;
            return IDYES;
        });
        EXPECT_EQ(Application()->MessageBox("Sure?", "Ask", MB_YESNO), IDYES);
    }
    EXPECT_EQ(buttons, (std::vector<int32_t>{IDYES, IDNO}));
    ASSERT_EQ(Application()->ShownTexts().size(), 2u);
    EXPECT_EQ(Application()->ShownTexts()[1].Text, "Sure?");
    EXPECT_EQ(Application()->ShownTexts()[1].Caption, "Ask");
    EXPECT_EQ(Application()->ShownTexts()[1].Result, IDYES);
}

TEST(Forms, UncaughtExceptionsGoToOnExceptionOrAMessageBox) {
    auto* form = new TForm(nullptr);
    form->SetOnPaint([](TObject*) { throw EConvertError("bad paint"); });
    std::string seen;
    Application()->SetOnException([&](TObject*, std::exception_ptr E) {
        try {
            std::rethrow_exception(E);
        } catch (const Exception& e) {
            seen = e.Message();
        }
    });
    form->Show();
    UpdateWindow(form->Handle());
    Pump();
    EXPECT_EQ(seen, "bad paint");
    Application()->SetOnException(nullptr);
    Application()->ClearShownTexts();
    form->Invalidate();
    UpdateWindow(form->Handle());
    ASSERT_FALSE(Application()->ShownTexts().empty());
    EXPECT_EQ(Application()->ShownTexts()[0].Text, "bad paint.");
    form->SetOnPaint(nullptr);
    delete form;
}

TEST(Forms, QuitPostedFromAnotherThreadEndsRunAndIsNotLost) {
    // An application of its own: the process's application must not stay
    // terminated for the tests after this one.
    auto* form = new TForm(nullptr);
    TApplication app(nullptr);
    app.SetMainForm(form);
    std::atomic<int> posted{0};
    HWND wnd = form->Handle();
    std::thread t([&] {
        for (int i = 0; i < 100; ++i)
            if (PostMessage(wnd, WM_NULL, 0, 0)) ++posted;
        PostQuitMessage(0);  // for this helper thread: no effect on the main loop
        PostMessage(app.Handle(), WM_NULL, 0, 0);
    });
    t.join();
    app.Terminate();
    app.Run();
    EXPECT_TRUE(app.Terminated());
    EXPECT_FALSE(Application()->Terminated());
    EXPECT_EQ(posted.load(), 100);
    delete form;
}

TEST(Forms, FreeingAControlClearsCaptureAndMouseReferences) {
    auto* form = new TForm(nullptr);
    form->SetBounds(50, 50, 200, 150);
    auto* probe = new TProbe(form);
    probe->SetParent(form);
    probe->SetBounds(10, 10, 50, 50);
    form->Show();
    Pump();
    TPoint p = probe->ClientToScreen({5, 5});
    FeedMouseMove(p.X, p.Y);
    FeedMouseButton(mbLeftButton, true, p.X, p.Y);
    Pump();
    EXPECT_EQ(GetCaptureControl(), probe);
    delete probe;
    EXPECT_EQ(GetCaptureControl(), nullptr);
    EXPECT_EQ(GetMouseControl(), nullptr);
    FeedMouseButton(mbLeftButton, false, p.X, p.Y);
    Pump();
    EXPECT_EQ(form->ControlCount(), 0);
    delete form;
}

TEST(Forms, MdiChildrenLiveInTheFramesClientWindow) {
    auto* frame = new TForm(nullptr);
    frame->SetFormStyle(fsMDIForm);
    TCustomForm* oldMain = Application()->MainForm();
    Application()->SetMainForm(frame);
    frame->Show();
    Pump();
    ASSERT_NE(frame->ClientHandle(), nullptr);
    auto* child = new TForm(nullptr);
    child->SetFormStyle(fsMDIChild);
    child->SetCaption("Doc");
    child->Show();
    Pump();
    EXPECT_EQ(GetParent(child->Handle()), frame->ClientHandle());
    EXPECT_EQ(frame->MDIChildCount(), 1);
    EXPECT_EQ(frame->MDIChildren(0), child);
    // The client window fills the frame's client area, also after a resize.
    frame->SetWidth(frame->Width() + 40);
    TRect client, area;
    GetClientRect(frame->ClientHandle(), &client);
    GetClientRect(frame->Handle(), &area);
    TRect outer;
    GetWindowRect(frame->ClientHandle(), &outer);
    EXPECT_EQ(outer.Right - outer.Left, area.Right);
    // A child form needs an MDI frame as main form.
    Application()->SetMainForm(oldMain);
    auto* stray = new TForm(nullptr);
    stray->SetFormStyle(fsMDIChild);
    EXPECT_THROW(stray->Show(), EInvalidOperation);
    delete stray;
    delete child;
    delete frame;
}

TEST_F(FormFixture, RecreatingTheWindowKeepsTextBoundsAndChildren) {
    auto* k = new TKeyBox(Form);
    k->SetParent(Form);
    k->SetBounds(10, 10, 80, 20);
    Form->Show();
    Pump();
    HWND before = Form->Handle();
    Form->SetBorderStyle(bsDialog);
    EXPECT_NE(Form->Handle(), before);
    EXPECT_FALSE(IsWindow(before));
    EXPECT_EQ(GetWindowText(Form->Handle()), "Probe");
    EXPECT_EQ(Form->Left(), 100);
    EXPECT_EQ(Form->Width(), 300);
    EXPECT_EQ(GetParent(k->Handle()), Form->Handle());
    EXPECT_TRUE(GetWindowLong(Form->Handle(), GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
}

namespace {
// A form that paints a red mark into its caption after the default frame.
class TMarkedCaptionForm : public TForm {
public:
    explicit TMarkedCaptionForm(TComponent* Owner) : TForm(Owner) {}
    void WndProc(TMessage& M) override {
        TForm::WndProc(M);
        if (M.Msg == WM_NCPAINT || M.Msg == WM_NCACTIVATE) {
            HDC dc = GetWindowDC(Handle());
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            TRect mark{20, 8, 60, 14};
            FillRect(dc, mark, red);
            DeleteObject(red);
            ReleaseDC(Handle(), dc);
        }
    }
};
}  // namespace

TEST(Forms, PressingACaptionButtonRedrawsOnlyTheButton) {
    auto* form = new TMarkedCaptionForm(nullptr);
    form->SetBounds(60, 60, 260, 120);
    form->Show();
    Pump();
    TRect wr;
    GetWindowRect(form->Handle(), &wr);
    auto red = [&] {
        TPixelView v;
        if (!GetWindowSurface(form->Handle(), &v)) return false;
        return (v.Row(10)[40] & 0xFFFFFFu) == 0xFF0000u;
    };
    ASSERT_TRUE(red());
    // The close box: the rightmost point of the caption row the frame says is it.
    const int y = wr.Top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    int x = wr.Right - 1;
    while (x > wr.Left &&
           SendMessage(form->Handle(), WM_NCHITTEST, 0, LPARAM(MAKELONG(WORD(x), WORD(y)))) != HTCLOSE)
        --x;
    ASSERT_GT(x, wr.Left);
    FeedMouseButton(mbLeftButton, true, x - 2, y);
    FeedMouseMove(wr.Left + 100, wr.Top + 80);
    FeedMouseButton(mbLeftButton, false, wr.Left + 100, wr.Top + 80);
    Pump();
    EXPECT_TRUE(form->Visible());  // released outside the box: not closed
    EXPECT_TRUE(red());
    delete form;
}

TEST_F(FormFixture, CursorFollowsTheControlUnderThePointerUnlessTheScreenSetsOne) {
    auto* probe = new TProbe(Form);
    probe->SetParent(Form);
    probe->SetBounds(10, 10, 40, 40);
    probe->SetCursor(crHandPoint);
    Form->Show();
    Pump();
    TPoint in = probe->ClientToScreen({5, 5}), out = probe->ClientToScreen({100, 60});
    FeedMouseMove(in.X, in.Y);
    Pump();
    EXPECT_EQ(GetCursor(), Screen()->Cursors(crHandPoint));
    FeedMouseMove(out.X, out.Y);
    Pump();
    EXPECT_EQ(GetCursor(), Screen()->Cursors(crArrow));
    Screen()->SetCursor(crHourGlass);
    FeedMouseMove(in.X, in.Y);
    Pump();
    EXPECT_EQ(GetCursor(), Screen()->Cursors(crHourGlass));
    Screen()->SetCursor(crDefault);
}

TEST(Forms, AClickHandlerMayFreeTheFormItStandsOn) {
    auto* form = new TForm(nullptr);
    form->SetBounds(50, 50, 200, 150);
    auto* probe = new TProbe(form);
    probe->SetParent(form);
    probe->SetBounds(10, 10, 50, 50);
    int after = 0;
    std::string note = "kept in the handler's own captures";
    probe->SetOnClick([&, note](TObject*) {
        delete form;
        after = static_cast<int>(note.size());  // the handler runs on after the free
    });
    form->Show();
    Pump();
    ClickAt(probe->ClientToScreen({5, 5}));
    EXPECT_EQ(after, static_cast<int>(note.size()));
}
