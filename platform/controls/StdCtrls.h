// StdCtrls.h - the standard controls: label, push button, check box, radio
// button and single-line edit.
//
// Every control here draws itself with the drawing interface in the classic
// grey 3D look; none of them wraps a native control.  Text is UTF-8; the
// edit counts positions and lengths in code points.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Controls.h"

namespace vcl {

VCL_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)
VCL_ENUM(TEditCharCase, ecNormal, ecUpperCase, ecLowerCase)

// Draws Text into R of DC with the DT_* Format in Color; a disabled look
// draws it embossed (highlight one pixel down and right, then shadow).  The
// DC's font must be selected.  Shared by the controls of the platform.
void DrawControlText(HDC DC, const std::string& Text, TRect R, unsigned Format, TColor Color, bool Enabled);

// ---------------------------------------------------------------------------
// Label

// A text on its parent's surface.  With AutoSize (the default) the control
// takes the size of its text (keeping its right edge when right-justified);
// with WordWrap the width stays and the height follows.  ShowAccelChar draws
// "&x" as an underlined x and "&&" as "&".  FocusControl names the windowed
// control the label stands for; it is cleared when that control is freed.
class TCustomLabel : public TGraphicControl {
    VCL_DECLARE_CLASS(TCustomLabel)
public:
    explicit TCustomLabel(TComponent* AOwner);
    ~TCustomLabel() override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* Value);

    // Sizes the label to its text now (AutoSize does this on every change).
    void AdjustBounds();
    void Loaded() override;
    // Alt with the label's accelerator focuses FocusControl.
    void WndProc(TMessage& Message) override;

protected:
    void Paint() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void TextChanged() override;
    void FontChanged() override;
    // The DT_* flags the text is drawn with.
    unsigned DrawTextFlags() const;

private:
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    bool FShowAccelChar = true;
    bool FAdjusting = false;
    TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
    VCL_DECLARE_CLASS(TLabel)
public:
    explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

// ---------------------------------------------------------------------------
// Buttons

// The common part of push buttons, check boxes and radio buttons: a
// windowed control that takes the focus on a click and is a tab stop.
class TButtonControl : public TWinControl {
    VCL_DECLARE_CLASS(TButtonControl)
public:
    explicit TButtonControl(TComponent* AOwner);

protected:
    void WndProc(TMessage& Message) override;
    // True while the left button went down inside and is still held there,
    // or while Space is held: the pressed look.
    bool Pressed() const { return FPressed; }
    void KeyDown(uint16_t& Key, TShiftState Shift) override;
    void KeyUp(uint16_t& Key, TShiftState Shift) override;
    // Selects the control's font, text colour and a transparent background
    // into DC (PaintHandler restores the DC afterwards).
    void PrepareText(HDC DC) const;

private:
    void SetPressed(bool Value);
    bool FPressed = false;
    bool FMouseTracking = false;
    bool FSpaceDown = false;
};

// A push button.  Default: Enter clicks it unless the focus is on another
// button (which then takes Enter itself); Cancel: Escape clicks it.  A
// ModalResult other than mrNone sets the form's ModalResult on a click,
// which closes a modal form.  OnClick runs on a press and release inside,
// on Space and on Enter/Escape as above.
class TButton : public TButtonControl {
    VCL_DECLARE_CLASS(TButton)
public:
    explicit TButton(TComponent* AOwner);

    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    // True when Enter clicks this button now: it has the focus, or it is the
    // default button and no other button has the focus.
    bool IsActiveButton() const;

    void Click() override;

protected:
    void WndProc(TMessage& Message) override;
    void PaintWindow(HDC DC) override;

private:
    void InvalidateDefaultButtons();
    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

// A check box: a 13 x 13 sunken box with the caption beside it.
// Alignment taRightJustify (the default) puts the box on the left,
// taLeftJustify on the right.  A click or Space moves the state on:
// unchecked -> checked -> unchecked, or with AllowGrayed unchecked ->
// checked -> grayed -> unchecked.  OnClick runs whenever the state changes,
// from the user or from code.
class TCustomCheckBox : public TButtonControl {
    VCL_DECLARE_CLASS(TCustomCheckBox)
public:
    explicit TCustomCheckBox(TComponent* AOwner);

    TCheckBoxState State() const { return FState; }
    void SetState(TCheckBoxState Value);
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

    // Moves the state on as a click does.
    virtual void Toggle();
    // A click toggles (and so runs OnClick).
    void Click() override { Toggle(); }

protected:
    void PaintWindow(HDC DC) override;

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    TAlignment FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
    VCL_DECLARE_CLASS(TCheckBox)
public:
    explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
};

// A radio button: checking it unchecks the radio buttons with the same
// parent.  A click checks it; OnClick runs when it becomes checked.
class TRadioButton : public TButtonControl {
    VCL_DECLARE_CLASS(TRadioButton)
public:
    explicit TRadioButton(TComponent* AOwner);

    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    void Click() override { SetChecked(true); }

protected:
    void PaintWindow(HDC DC) override;

private:
    bool FChecked = false;
    TAlignment FAlignment = taRightJustify;
};

// ---------------------------------------------------------------------------
// Edit

// A single-line edit box with a sunken edge and a white background.
// Positions and lengths (SelStart, SelLength, MaxLength) count code points.
// Keys: Left/Right/Home/End (Shift extends the selection, Ctrl moves by
// words), Backspace, Delete, typed characters, Ctrl+A.  A click places the
// caret, a drag selects, a double click selects a word.  OnChange runs on
// every change of the text, from the user or from code.  The platform has
// no clipboard, so there is no cut, copy or paste.
class TCustomEdit : public TWinControl {
    VCL_DECLARE_CLASS(TCustomEdit)
public:
    explicit TCustomEdit(TComponent* AOwner);
    ~TCustomEdit() override;

    // 0: no limit.  Limits what the user types; text set from code is kept
    // whole.  Negative values raise EInvalidOperation.
    int32_t MaxLength() const { return FMaxLength; }
    void SetMaxLength(int32_t Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    // Shown in place of every character when not 0.
    char32_t PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char32_t Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // True once the user changed the text; setting Text from code clears it.
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }

    // The selection (code points); SelStart is where the caret stands when
    // nothing is selected.  Values beyond the text are clamped.
    int32_t SelStart() const;
    void SetSelStart(int32_t Value);
    int32_t SelLength() const;
    void SetSelLength(int32_t Value);
    std::string SelText() const;
    // Replaces the selection with Value; the caret goes after it.
    void SetSelText(const std::string& Value);
    void SelectAll();
    void ClearSelection();
    void Clear() { SetTextProp(""); }
    // The caret's position (code points); the selection's moving end.
    int32_t CaretPos() const { return FCaret; }
    // The length of the text in code points.
    int32_t TextLength() const;
    // The caret's x in client coordinates (where it is drawn).
    int32_t CaretX() const;

    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent H) { FOnChange = std::move(H); }

protected:
    void CreateParams(TCreateParams& Params) override;
    void WndProc(TMessage& Message) override;
    void PaintWindow(HDC DC) override;
    void KeyDown(uint16_t& Key, TShiftState Shift) override;
    void KeyPress(char32_t& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    bool WantsKey(uint16_t Key, TShiftState Shift) const override;
    void TextChanged() override;
    void BoundsChanged() override;
    virtual void Change();

private:
    struct TLayout;
    TLayout MakeLayout() const;
    std::vector<size_t> Starts() const;  // byte offset of each code point, then the end
    std::string DisplayText() const;
    void ReplaceRange(int32_t From, int32_t To, const std::string& Insert, bool ByUser);
    void MoveCaret(int32_t Pos, bool Extend);
    int32_t WordLeft(int32_t Pos) const;
    int32_t WordRight(int32_t Pos) const;
    int32_t PosFromX(int32_t X) const;
    void ScrollToCaret();
    void ResetBlink();
    std::string ApplyCharCase(const std::string& S) const;

    int32_t FMaxLength = 0;
    bool FReadOnly = false;
    char32_t FPasswordChar = 0;
    TEditCharCase FCharCase = ecNormal;
    bool FAutoSelect = true;
    bool FHideSelection = true;
    TBorderStyle FBorderStyle = bsSingle;
    bool FModified = false;
    bool FUserChange = false;
    int32_t FAnchor = 0;
    int32_t FCaret = 0;
    int32_t FScrollX = 0;
    bool FSelecting = false;
    bool FMouseFocusing = false;
    bool FCaretOn = true;
    TNotifyEvent FOnChange;
};

class TEdit : public TCustomEdit {
    VCL_DECLARE_CLASS(TEdit)
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

}  // namespace vcl
