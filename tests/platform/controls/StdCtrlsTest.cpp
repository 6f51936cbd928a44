// Standard controls driven through the real input path: mouse and keys are
// fed at screen coordinates and reach the controls through the message loop.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Gdi.h"
#include "StdCtrls.h"
#include "SysColors.h"
#include "WinBackend.h"
#include "Windows.h"

using namespace vcl;

namespace {

void Pump() { Application()->ProcessMessages(); }

void PressKey(int Vk) {
    FeedKey(Vk, true);
    FeedKey(Vk, false);
    Pump();
}

void WithKeyHeld(int Modifier, int Vk) {
    FeedKey(Modifier, true);
    FeedKey(Vk, true);
    FeedKey(Vk, false);
    FeedKey(Modifier, false);
    Pump();
}

void TypeText(const std::string& Utf8) {
    size_t p = 0;
    while (p < Utf8.size()) {
        unsigned char c = static_cast<unsigned char>(Utf8[p]);
        uint32_t cp = c;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra) cp = c & (0x3F >> extra);
        for (int i = 1; i <= extra; ++i) cp = (cp << 6) | (static_cast<unsigned char>(Utf8[p + i]) & 0x3F);
        p += 1 + extra;
        FeedChar(cp);
    }
    Pump();
}

void MouseAt(TControl* C, TPoint P, bool Down) {
    TPoint s = C->ClientToScreen(P);
    FeedMouseButton(mbLeftButton, Down, s.X, s.Y);
    Pump();
}

void ClickAt(TControl* C, TPoint P) {
    MouseAt(C, P, true);
    MouseAt(C, P, false);
}

// The colour on screen at P of C's client area, read from the form's surface.
COLORREF ScreenPixel(TControl* C, TPoint P) {
    TCustomForm* f = C->GetParentForm();
    HWND top = f->Handle();
    TPixelView v;
    if (!GetWindowSurface(top, &v)) return CLR_INVALID;
    TRect wr;
    GetWindowRect(top, &wr);
    TPoint s = C->ClientToScreen(P);
    int32_t x = s.X - wr.Left, y = s.Y - wr.Top;
    if (x < 0 || y < 0 || x >= v.Width || y >= v.Height) return CLR_INVALID;
    uint32_t px = v.Row(y)[x];
    // The surface holds 0xAARRGGBB; a COLORREF is 0x00BBGGRR.
    return RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
}

bool IsDark(COLORREF C) { return GetRValue(C) + GetGValue(C) + GetBValue(C) < 3 * 96; }

class StdCtrlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Form = new TForm(nullptr);
        Form->SetBounds(40, 40, 420, 300);
    }
    void TearDown() override {
        delete Form;
        Pump();
    }
    void ShowForm() {
        Form->Show();
        Pump();
    }
    template <class C>
    C* Add(int32_t X, int32_t Y, int32_t W, int32_t H) {
        auto* c = new C(Form);
        c->SetParent(Form);
        c->SetBounds(X, Y, W, H);
        return c;
    }
    TForm* Form = nullptr;
};

// ---------------------------------------------------------------------------
// Buttons

TEST_F(StdCtrlsTest, ButtonClickFiresOnceOnlyWhenReleasedInside) {
    auto* b = Add<TButton>(20, 20, 80, 26);
    int clicks = 0;
    b->SetOnClick([&](TObject*) { ++clicks; });
    ShowForm();

    ClickAt(b, {10, 10});
    EXPECT_EQ(clicks, 1);

    // Pressed inside, released outside: no click.
    MouseAt(b, {10, 10}, true);
    MouseAt(b, {200, 150}, false);
    EXPECT_EQ(clicks, 1);

    // Pressed outside, released inside: no click either.
    MouseAt(b, {200, 150}, true);
    MouseAt(b, {10, 10}, false);
    EXPECT_EQ(clicks, 1);

    // Space on the focused button clicks it.
    ASSERT_TRUE(b->Focused());
    PressKey(VK_SPACE);
    EXPECT_EQ(clicks, 2);
}

TEST_F(StdCtrlsTest, ButtonLooksPressedWhileHeldInside) {
    Add<TEdit>(20, 80, 100, 21);  // takes the focus first
    auto* b = Add<TButton>(20, 20, 80, 26);
    ShowForm();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    // Raised: a light top-left edge, a dark bottom-right edge, face inside.
    COLORREF tl = ScreenPixel(b, {0, 0}), br = ScreenPixel(b, {79, 25});
    EXPECT_TRUE(tl == GetSysColor(COLOR_BTNHIGHLIGHT) || tl == GetSysColor(COLOR_3DLIGHT)) << std::hex << tl;
    EXPECT_TRUE(br == GetSysColor(COLOR_3DDKSHADOW) || br == GetSysColor(COLOR_BTNSHADOW)) << std::hex << br;
    EXPECT_EQ(ScreenPixel(b, {40, 3}), face);

    MouseAt(b, {10, 10}, true);
    // Focused and pressed: black frame, then a shadow frame.
    EXPECT_EQ(ScreenPixel(b, {0, 0}), RGB(0, 0, 0));
    EXPECT_EQ(ScreenPixel(b, {1, 1}), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(ScreenPixel(b, {78, 24}), GetSysColor(COLOR_BTNSHADOW));
    MouseAt(b, {10, 10}, false);
    // Released: raised again inside the black frame of the focused button.
    EXPECT_EQ(ScreenPixel(b, {0, 0}), RGB(0, 0, 0));
    EXPECT_NE(ScreenPixel(b, {1, 1}), GetSysColor(COLOR_BTNSHADOW));
}

TEST_F(StdCtrlsTest, DefaultButtonHasBlackFrameUntilAnotherButtonTakesFocus) {
    auto* edit = Add<TEdit>(20, 20, 100, 21);
    auto* def = Add<TButton>(20, 60, 80, 26);
    auto* other = Add<TButton>(120, 60, 80, 26);
    def->SetDefault(true);
    ShowForm();
    ASSERT_TRUE(edit->Focused());
    EXPECT_EQ(ScreenPixel(def, {0, 0}), RGB(0, 0, 0));
    EXPECT_NE(ScreenPixel(other, {0, 0}), RGB(0, 0, 0));
    other->SetFocus();
    Pump();
    EXPECT_NE(ScreenPixel(def, {0, 0}), RGB(0, 0, 0));
    EXPECT_EQ(ScreenPixel(other, {0, 0}), RGB(0, 0, 0));
}

TEST_F(StdCtrlsTest, EnterClicksTheFocusedButtonRatherThanTheDefault) {
    auto* def = Add<TButton>(20, 60, 80, 26);
    auto* other = Add<TButton>(120, 60, 80, 26);
    def->SetDefault(true);
    int defClicks = 0, otherClicks = 0;
    def->SetOnClick([&](TObject*) { ++defClicks; });
    other->SetOnClick([&](TObject*) { ++otherClicks; });
    ShowForm();
    other->SetFocus();
    Pump();
    PressKey(VK_RETURN);
    EXPECT_EQ(otherClicks, 1);
    EXPECT_EQ(defClicks, 0);
}

TEST_F(StdCtrlsTest, ModalFormEnterHitsDefaultAndEscapeHitsCancel) {
    auto* edit = Add<TEdit>(20, 20, 100, 21);
    auto* ok = Add<TButton>(20, 60, 80, 26);
    auto* cancel = Add<TButton>(120, 60, 80, 26);
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrAbort);
    int okClicks = 0, cancelClicks = 0;
    ok->SetOnClick([&](TObject*) { ++okClicks; });
    cancel->SetOnClick([&](TObject*) { ++cancelClicks; });
    struct TCase {
        int Key;
        TModalResult Expected;
    };
    for (TCase c : {TCase{VK_RETURN, mrOk}, TCase{VK_ESCAPE, mrAbort}}) {
        bool focusedEdit = false;
        TScriptScope scope(
            [&](TCustomForm&) {
                focusedEdit = edit->Focused();
                FeedKey(c.Key, true);
                FeedKey(c.Key, false);
            },
            nullptr);
        EXPECT_EQ(Form->ShowModal(), c.Expected) << c.Key;
        EXPECT_TRUE(focusedEdit);
        EXPECT_FALSE(Form->Visible());
    }
    EXPECT_EQ(okClicks, 1);
    EXPECT_EQ(cancelClicks, 1);
}

TEST_F(StdCtrlsTest, ButtonModalResultClosesModalFormOnMouseClick) {
    auto* b = Add<TButton>(20, 60, 80, 26);
    b->SetModalResult(mrYes);
    TScriptScope scope([&](TCustomForm&) {
        TPoint s = b->ClientToScreen({5, 5});
        FeedMouseButton(mbLeftButton, true, s.X, s.Y);
        FeedMouseButton(mbLeftButton, false, s.X, s.Y);
    }, nullptr);
    EXPECT_EQ(Form->ShowModal(), mrYes);
}

TEST_F(StdCtrlsTest, TabMovesFocusThroughEditsAndButtons) {
    auto* e1 = Add<TEdit>(20, 20, 100, 21);
    auto* e2 = Add<TEdit>(20, 50, 100, 21);
    auto* b = Add<TButton>(20, 80, 80, 26);
    auto* hidden = Add<TButton>(120, 80, 80, 26);
    hidden->SetTabStop(false);
    ShowForm();
    EXPECT_TRUE(e1->Focused());
    PressKey(VK_TAB);
    EXPECT_TRUE(e2->Focused());
    PressKey(VK_TAB);
    EXPECT_TRUE(b->Focused());
    PressKey(VK_TAB);
    EXPECT_TRUE(e1->Focused());
    WithKeyHeld(VK_SHIFT, VK_TAB);
    EXPECT_TRUE(b->Focused());
    EXPECT_EQ(Form->ActiveControl(), b);
}

// ---------------------------------------------------------------------------
// Check box and radio button

TEST_F(StdCtrlsTest, CheckBoxCyclesWithAndWithoutGrayed) {
    auto* cb = Add<TCheckBox>(20, 20, 120, 17);
    cb->SetCaption("Check");
    std::vector<TCheckBoxState> seen;
    cb->SetOnClick([&](TObject*) { seen.push_back(cb->State()); });
    ShowForm();
    ClickAt(cb, {5, 8});
    ClickAt(cb, {5, 8});
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked}));

    seen.clear();
    cb->SetAllowGrayed(true);
    ClickAt(cb, {5, 8});
    ClickAt(cb, {60, 8});  // the caption is part of the control
    PressKey(VK_SPACE);
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbChecked, cbGrayed, cbUnchecked}));

    // Setting Checked from code runs OnClick; setting the same state does not.
    seen.clear();
    cb->SetChecked(true);
    cb->SetChecked(true);
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbChecked}));
    // Leaving AllowGrayed takes a grayed box back to unchecked.
    cb->SetState(cbGrayed);
    cb->SetAllowGrayed(false);
    EXPECT_EQ(cb->State(), cbUnchecked);
}

TEST_F(StdCtrlsTest, CheckBoxDrawsTickInSunkenBoxOnTheConfiguredSide) {
    auto* left = Add<TCheckBox>(20, 20, 120, 17);
    auto* right = Add<TCheckBox>(20, 50, 120, 17);
    right->SetAlignment(taLeftJustify);
    ShowForm();
    auto darkInBox = [](TControl* c, int32_t x0) {
        int n = 0;
        for (int y = 2 + 2; y < 2 + 11; ++y)
            for (int x = x0 + 2; x < x0 + 11; ++x) n += IsDark(ScreenPixel(c, {x, y}));
        return n;
    };
    // Box: 13 x 13 at the left, vertically centred (top 2 in 17 pixels).
    EXPECT_EQ(ScreenPixel(left, {0, 2}), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(ScreenPixel(left, {6, 8}), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(darkInBox(left, 0), 0);
    left->SetChecked(true);
    right->SetChecked(true);
    Pump();
    EXPECT_GT(darkInBox(left, 0), 8);
    EXPECT_GT(darkInBox(right, 120 - 13), 8);
    EXPECT_EQ(darkInBox(right, 0), 0);
}

TEST_F(StdCtrlsTest, RadioButtonsUncheckSiblings) {
    auto* r1 = Add<TRadioButton>(20, 20, 120, 17);
    auto* r2 = Add<TRadioButton>(20, 40, 120, 17);
    auto* panel = Add<TPanel>(200, 20, 150, 60);
    auto* r3 = new TRadioButton(Form);
    r3->SetParent(panel);
    r3->SetBounds(5, 5, 100, 17);
    ShowForm();
    r3->SetChecked(true);
    ClickAt(r1, {5, 8});
    EXPECT_TRUE(r1->Checked());
    ClickAt(r2, {5, 8});
    EXPECT_FALSE(r1->Checked());
    EXPECT_TRUE(r2->Checked());
    EXPECT_TRUE(r3->Checked());  // another parent, another group
}

// ---------------------------------------------------------------------------
// Edit

class EditTest : public StdCtrlsTest {
protected:
    void SetUp() override {
        StdCtrlsTest::SetUp();
        Edit = Add<TEdit>(20, 20, 150, 21);
        Edit->SetOnChange([this](TObject*) { Changes.push_back(Edit->Text()); });
        ShowForm();
        ASSERT_TRUE(Edit->Focused());
    }
    TEdit* Edit = nullptr;
    std::vector<std::string> Changes;
};

TEST_F(EditTest, TypingInsertsAtCaretAndFiresOnChangeEachTime) {
    TypeText("abc");
    EXPECT_EQ(Edit->Text(), "abc");
    EXPECT_EQ(Changes, (std::vector<std::string>{"a", "ab", "abc"}));
    EXPECT_TRUE(Edit->Modified());
    PressKey(VK_LEFT);
    TypeText("X");
    EXPECT_EQ(Edit->Text(), "abXc");
    EXPECT_EQ(Edit->SelStart(), 3);
    // Control characters (Enter, Backspace's char, Escape) are not text.
    FeedChar(13);
    FeedChar(27);
    FeedChar(8);
    Pump();
    EXPECT_EQ(Edit->Text(), "abXc");

    // Text from code: OnChange too, Modified cleared, caret to the start.
    Changes.clear();
    Edit->SetTextProp("new");
    EXPECT_EQ(Changes, (std::vector<std::string>{"new"}));
    EXPECT_FALSE(Edit->Modified());
    EXPECT_EQ(Edit->SelStart(), 0);
}

TEST_F(EditTest, Utf8TextCountsCodePoints) {
    TypeText("äöü");
    EXPECT_EQ(Edit->Text(), "äöü");
    EXPECT_EQ(Edit->TextLength(), 3);
    EXPECT_EQ(Edit->SelStart(), 3);
    WithKeyHeld(VK_SHIFT, VK_LEFT);
    EXPECT_EQ(Edit->SelStart(), 2);
    EXPECT_EQ(Edit->SelLength(), 1);
    EXPECT_EQ(Edit->SelText(), "ü");
    PressKey(VK_BACK);
    EXPECT_EQ(Edit->Text(), "äö");
    PressKey(VK_HOME);
    PressKey(VK_DELETE);
    EXPECT_EQ(Edit->Text(), "ö");
    TypeText("€");
    EXPECT_EQ(Edit->Text(), "€ö");
    Edit->SetSelStart(1);
    Edit->SetSelText("→x");
    EXPECT_EQ(Edit->Text(), "€→xö");
    EXPECT_EQ(Edit->SelStart(), 3);
}

TEST_F(EditTest, ShiftArrowsSelectAndEditingReplacesSelection) {
    TypeText("hello world");
    PressKey(VK_HOME);
    for (int i = 0; i < 5; ++i) WithKeyHeld(VK_SHIFT, VK_RIGHT);
    EXPECT_EQ(Edit->SelText(), "hello");
    TypeText("J");
    EXPECT_EQ(Edit->Text(), "J world");

    // Shift+End, then Backspace removes the selection only.
    FeedKey(VK_SHIFT, true);
    FeedKey(VK_END, true);
    FeedKey(VK_END, false);
    FeedKey(VK_SHIFT, false);
    Pump();
    EXPECT_EQ(Edit->SelText(), " world");
    PressKey(VK_BACK);
    EXPECT_EQ(Edit->Text(), "J");

    // Delete over a selection made leftwards.
    Edit->SetTextProp("abcdef");
    PressKey(VK_END);
    WithKeyHeld(VK_SHIFT, VK_LEFT);
    WithKeyHeld(VK_SHIFT, VK_LEFT);
    EXPECT_EQ(Edit->SelStart(), 4);
    EXPECT_EQ(Edit->CaretPos(), 4);
    PressKey(VK_DELETE);
    EXPECT_EQ(Edit->Text(), "abcd");
    // Left without Shift collapses a selection to its start.
    Edit->SelectAll();
    PressKey(VK_LEFT);
    EXPECT_EQ(Edit->SelLength(), 0);
    EXPECT_EQ(Edit->SelStart(), 0);
}

TEST_F(EditTest, CtrlArrowsMoveByWordsAndCtrlASelectsAll) {
    TypeText("one two  three");
    WithKeyHeld(VK_CONTROL, VK_LEFT);
    EXPECT_EQ(Edit->SelStart(), 9);
    WithKeyHeld(VK_CONTROL, VK_LEFT);
    EXPECT_EQ(Edit->SelStart(), 4);
    WithKeyHeld(VK_CONTROL, VK_RIGHT);
    EXPECT_EQ(Edit->SelStart(), 9);
    WithKeyHeld(VK_CONTROL, 'A');
    EXPECT_EQ(Edit->SelLength(), 14);
    EXPECT_EQ(Edit->Text(), "one two  three");  // Ctrl+A typed nothing
}

TEST_F(EditTest, MaxLengthLimitsTypingButNotCode) {
    Edit->SetMaxLength(3);
    TypeText("äbcd");
    EXPECT_EQ(Edit->Text(), "äbc");
    // Typing over a selection stays within the limit.
    WithKeyHeld(VK_SHIFT, VK_LEFT);
    TypeText("Z");
    EXPECT_EQ(Edit->Text(), "äbZ");
    Edit->SetTextProp("longer");
    EXPECT_EQ(Edit->Text(), "longer");
    EXPECT_THROW(Edit->SetMaxLength(-1), EInvalidOperation);
}

TEST_F(EditTest, ReadOnlyRefusesEditsButMovesCaret) {
    Edit->SetTextProp("fixed");
    Edit->SetReadOnly(true);
    PressKey(VK_END);
    TypeText("x");
    PressKey(VK_BACK);
    EXPECT_EQ(Edit->Text(), "fixed");
    EXPECT_EQ(Edit->SelStart(), 5);
}

TEST_F(EditTest, ClickPlacesCaretAndDragSelects) {
    Edit->SetTextProp("abcdefgh");
    Pump();
    // The caret x of each position, then a click just right of position 3's
    // boundary lands there.
    Edit->SetSelStart(3);
    int32_t x3 = Edit->CaretX();
    Edit->SetSelStart(6);
    int32_t x6 = Edit->CaretX();
    ASSERT_GT(x6, x3);
    // Press at 3, drag to 6, release: "def" is selected.
    MouseAt(Edit, {x3 + 1, 10}, true);
    TPoint s = Edit->ClientToScreen({x6, 10});
    FeedMouseMove(s.X, s.Y);
    Pump();
    MouseAt(Edit, {x6, 10}, false);
    EXPECT_EQ(Edit->SelStart(), 3);
    EXPECT_EQ(Edit->SelLength(), 3);
    EXPECT_EQ(Edit->SelText(), "def");
    EXPECT_EQ(Edit->CaretPos(), 6);

    // A click far from that press places the caret; a second click at the
    // same place is a double click and selects the word.
    ClickAt(Edit, {x6 + 1, 10});
    EXPECT_EQ(Edit->SelStart(), 6);
    EXPECT_EQ(Edit->SelLength(), 0);
    ClickAt(Edit, {x6 + 1, 10});
    EXPECT_EQ(Edit->SelLength(), 8);
}

TEST_F(EditTest, AutoSelectOnTabButNotOnClick) {
    auto* second = Add<TEdit>(20, 60, 150, 21);
    second->SetTextProp("preset");
    PressKey(VK_TAB);
    ASSERT_TRUE(second->Focused());
    EXPECT_EQ(second->SelLength(), 6);
    ClickAt(Edit, {5, 10});
    ClickAt(second, {2, 10});
    EXPECT_EQ(second->SelLength(), 0);
}

TEST_F(EditTest, LongTextScrollsToKeepCaretVisible) {
    TypeText("The quick brown fox jumps over the lazy dog again and again");
    int32_t x = Edit->CaretX();
    EXPECT_GE(x, 0);
    EXPECT_LE(x, Edit->ClientWidth());
    PressKey(VK_HOME);
    EXPECT_EQ(Edit->CaretX(), 2);
    PressKey(VK_END);
    EXPECT_LE(Edit->CaretX(), Edit->ClientWidth());
}

TEST_F(EditTest, SunkenEdgeWhiteFaceAndCaretLine) {
    // The edge belongs to the window, outside the client area: probe it
    // relative to the client origin.
    EXPECT_EQ(ScreenPixel(Edit, {-2, -2}), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(ScreenPixel(Edit, {Edit->ClientWidth() + 1, Edit->ClientHeight() + 1}),
              GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(ScreenPixel(Edit, {Edit->ClientWidth() / 2, 1}), GetSysColor(COLOR_WINDOW));
    // Empty and focused: the caret is a dark vertical line at x = 2.
    EXPECT_TRUE(IsDark(ScreenPixel(Edit, {2, Edit->ClientHeight() / 2})));
    EXPECT_FALSE(IsDark(ScreenPixel(Edit, {4, Edit->ClientHeight() / 2})));
}

TEST_F(EditTest, PasswordCharHidesTextButKeepsIt) {
    Edit->SetPasswordChar(U'*');
    TypeText("sëcret");
    EXPECT_EQ(Edit->Text(), "sëcret");
    Edit->SetSelStart(6);
    int32_t stars = Edit->CaretX();
    Edit->SetPasswordChar(0);
    Edit->SetSelStart(6);
    EXPECT_NE(Edit->CaretX(), stars);  // a row of stars is not as wide as the text
}

TEST_F(EditTest, CharCaseUpperConvertsTextAndTyping) {
    Edit->SetTextProp("mixed Ä");
    Edit->SetCharCase(ecUpperCase);
    EXPECT_EQ(Edit->Text(), "MIXED Ä");
    PressKey(VK_END);
    TypeText("ö");
    EXPECT_EQ(Edit->Text(), "MIXED ÄÖ");
}

// ---------------------------------------------------------------------------
// Label and panel

TEST_F(StdCtrlsTest, LabelAutoSizeFollowsText) {
    auto* l = Add<TLabel>(10, 10, 10, 10);
    l->SetCaption("Hi");
    int32_t w1 = l->Width();
    EXPECT_GT(w1, 5);
    EXPECT_GT(l->Height(), 8);
    l->SetCaption("Hi there, longer");
    EXPECT_GT(l->Width(), w1);
    // Right-justified labels keep their right edge.
    l->SetAlignment(taRightJustify);
    int32_t right = l->Left() + l->Width();
    l->SetCaption("Hi");
    EXPECT_EQ(l->Left() + l->Width(), right);
    // Without AutoSize the size stays.
    l->SetAutoSize(false);
    l->SetBounds(10, 10, 200, 30);
    l->SetCaption("x");
    EXPECT_EQ(l->Width(), 200);
    EXPECT_EQ(l->Height(), 30);
    // Word wrap keeps the width and grows the height.
    l->SetAutoSize(true);
    l->SetWordWrap(true);
    l->SetWidth(60);
    int32_t h1 = l->Height();
    l->SetCaption("several words that need more than one line");
    EXPECT_EQ(l->Width(), 60);
    EXPECT_GT(l->Height(), 2 * h1);
}

TEST_F(StdCtrlsTest, LabelAcceleratorUnderlinesOnlyTheMarkedLetter) {
    auto* plain = Add<TLabel>(10, 10, 10, 10);
    auto* accel = Add<TLabel>(10, 40, 10, 10);
    plain->SetCaption("File");
    accel->SetCaption("&File");
    ShowForm();
    ASSERT_EQ(plain->Width(), accel->Width());
    TSize fw{};
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, accel->Font()->Handle());
        GetTextExtentPoint32(dc, "F", &fw);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    // Pixels dark in the accelerated label but not in the plain one: one
    // row, under the F only.
    std::vector<TPoint> extra;
    for (int y = 0; y < accel->Height(); ++y)
        for (int x = 0; x < accel->Width(); ++x)
            if (IsDark(ScreenPixel(accel, {x, y})) && !IsDark(ScreenPixel(plain, {x, y}))) extra.push_back({x, y});
    ASSERT_FALSE(extra.empty());
    for (const TPoint& p : extra) {
        EXPECT_EQ(p.Y, extra.front().Y);
        EXPECT_LT(p.X, fw.cx);
    }
    EXPECT_GE(static_cast<int32_t>(extra.size()), fw.cx - 2);

    // "&&" shows one ampersand; ShowAccelChar off shows them as typed.
    accel->SetCaption("a&&b");
    int32_t both = accel->Width();
    accel->SetShowAccelChar(false);
    EXPECT_GT(accel->Width(), both);
}

TEST_F(StdCtrlsTest, LabelFocusControlClearedWhenControlFreed) {
    auto* l = Add<TLabel>(10, 10, 10, 10);
    auto* e = Add<TEdit>(10, 40, 100, 21);
    l->SetFocusControl(e);
    EXPECT_EQ(l->FocusControl(), e);
    delete e;
    EXPECT_EQ(l->FocusControl(), nullptr);
}

TEST_F(StdCtrlsTest, DisabledLabelIsEmbossed) {
    auto* l = Add<TLabel>(10, 10, 10, 10);
    l->SetCaption("I");
    l->Font()->SetSize(20);
    l->SetEnabled(false);
    ShowForm();
    bool shadow = false, highlight = false, dark = false;
    for (int y = 0; y < l->Height(); ++y)
        for (int x = 0; x < l->Width(); ++x) {
            COLORREF c = ScreenPixel(l, {x, y});
            shadow |= c == GetSysColor(COLOR_BTNSHADOW);
            highlight |= c == GetSysColor(COLOR_BTNHIGHLIGHT);
            dark |= c == RGB(0, 0, 0);
        }
    EXPECT_TRUE(shadow);
    EXPECT_TRUE(highlight);
    EXPECT_FALSE(dark);
}

TEST_F(StdCtrlsTest, PanelBevelsAndAlignedChildrenInside) {
    auto* p = Add<TPanel>(10, 10, 200, 100);
    p->SetBevelInner(bvLowered);
    p->SetBorderWidth(2);
    auto* child = new TPanel(Form);
    child->SetParent(p);
    child->SetAlign(alClient);
    ShowForm();
    EXPECT_EQ(child->BoundsRect(), (TRect{4, 4, 196, 96}));
    EXPECT_EQ(ScreenPixel(p, {0, 0}), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(ScreenPixel(p, {199, 99}), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(ScreenPixel(p, {1, 50}), GetSysColor(COLOR_BTNFACE));  // the border
    EXPECT_EQ(ScreenPixel(p, {3, 50}), GetSysColor(COLOR_BTNSHADOW));  // inner lowered bevel
    EXPECT_THROW(p->SetBevelWidth(-1), EInvalidOperation);
}

TEST(StdCtrlsPublished, ClassesPublishTheirProperties) {
    struct TCase {
        const TMetaClass& Meta;
        std::vector<const char*> Names;
    };
    const TCase cases[] = {
        {TLabel::StaticClass(), {"Caption", "Alignment", "Layout", "AutoSize", "WordWrap", "Transparent",
                                 "ShowAccelChar", "FocusControl", "Font", "Left"}},
        {TButton::StaticClass(), {"Caption", "Default", "Cancel", "ModalResult", "TabStop", "TabOrder"}},
        {TCheckBox::StaticClass(), {"Caption", "State", "Checked", "AllowGrayed", "Alignment"}},
        {TRadioButton::StaticClass(), {"Caption", "Checked"}},
        {TEdit::StaticClass(), {"Text", "MaxLength", "ReadOnly", "AutoSelect", "CharCase", "BorderStyle"}},
        {TPanel::StaticClass(), {"Caption", "BevelInner", "BevelOuter", "BevelWidth", "BorderWidth", "BorderStyle"}},
        {TBevel::StaticClass(), {"Shape", "Style"}},
    };
    for (const TCase& c : cases)
        for (const char* n : c.Names) EXPECT_NE(c.Meta.FindProperty(n), nullptr) << c.Meta.ClassName() << "." << n;
    // The registry makes them by name, as a form reader does.
    std::unique_ptr<TComponent> b(TButton::StaticClass().Create(nullptr));
    EXPECT_NE(dynamic_cast<TButton*>(b.get()), nullptr);
}

// One picture of every control, to look at.
TEST_F(StdCtrlsTest, PictureOfAllControls) {
    Form->SetCaption("Standard controls");
    Form->SetBounds(40, 40, 440, 300);
    auto* l = Add<TLabel>(12, 14, 0, 0);
    l->SetCaption("&Name:");
    auto* e = Add<TEdit>(80, 10, 200, 21);
    l->SetFocusControl(e);
    e->SetTextProp("Text to edit");
    auto* e2 = Add<TEdit>(80, 40, 200, 21);
    e2->SetTextProp("Selected part");
    e2->SetHideSelection(false);
    e2->SetSelStart(9);
    e2->SetSelLength(4);
    auto* pw = Add<TEdit>(80, 70, 200, 21);
    pw->SetPasswordChar(U'*');
    pw->SetTextProp("secret");
    auto* c1 = Add<TCheckBox>(12, 104, 130, 17);
    c1->SetCaption("&Checked");
    c1->SetChecked(true);
    auto* c2 = Add<TCheckBox>(12, 124, 130, 17);
    c2->SetCaption("Grayed");
    c2->SetAllowGrayed(true);
    c2->SetState(cbGrayed);
    auto* c3 = Add<TCheckBox>(12, 144, 130, 17);
    c3->SetCaption("Disabled");
    c3->SetEnabled(false);
    auto* r1 = Add<TRadioButton>(160, 104, 120, 17);
    r1->SetCaption("Radio one");
    r1->SetChecked(true);
    auto* r2 = Add<TRadioButton>(160, 124, 120, 17);
    r2->SetCaption("Radio two");
    auto* panel = Add<TPanel>(300, 10, 120, 80);
    panel->SetCaption("Panel");
    panel->SetBevelInner(bvLowered);
    auto* bevel = Add<TBevel>(12, 170, 400, 2);
    bevel->SetShape(bsTopLine);
    auto* ok = Add<TButton>(160, 190, 75, 25);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    auto* cancel = Add<TButton>(245, 190, 75, 25);
    cancel->SetCaption("Cancel");
    auto* dis = Add<TButton>(330, 190, 75, 25);
    dis->SetCaption("&Disabled");
    dis->SetEnabled(false);
    auto* lbl = Add<TLabel>(12, 230, 0, 0);
    lbl->SetCaption("Disabled label");
    lbl->SetEnabled(false);
    ShowForm();
    std::filesystem::create_directories(CORVANE_TEST_TMP);
    std::string path = std::string(CORVANE_TEST_TMP) + "/controls.png";
    ASSERT_TRUE(Form->SaveToPng(path));
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
    EXPECT_TRUE(e->Focused());
}

}  // namespace
