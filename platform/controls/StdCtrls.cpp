#include "StdCtrls.h"

#include <algorithm>
#include <cstdlib>

#include "Forms.h"
#include "Gdi.h"
#include "SysColors.h"
#include "SysUtils.h"
#include "TextEngine.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TCustomLabel, TGraphicControl)
VCL_PUBLISHED(TLabel, TCustomLabel) {
    B.Property("Align", &TLabel::Align, &TLabel::SetAlign).Default(alNone);
    B.Property("Alignment", &TLabel::Alignment, &TLabel::SetAlignment).Default(taLeftJustify);
    B.Property("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize).Default(1);
    B.Property("Caption", &TLabel::Caption, &TLabel::SetCaption);
    B.Property("Color", &TLabel::Color, &TLabel::SetColor).Idents(ColorIdents());
    B.Property("Enabled", &TLabel::Enabled, &TLabel::SetEnabled).Default(1);
    B.Property("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);
    B.Property("Font", &TLabel::Font, &TLabel::SetFont);
    B.Property("Layout", &TLabel::Layout, &TLabel::SetLayout).Default(tlTop);
    B.Property("ParentColor", &TLabel::ParentColor, &TLabel::SetParentColor).Default(1);
    B.Property("ParentFont", &TLabel::ParentFont, &TLabel::SetParentFont).Default(1);
    B.Property("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar).Default(1);
    B.Property("Transparent", &TLabel::Transparent, &TLabel::SetTransparent).Default(0);
    B.Property("Visible", &TLabel::Visible, &TLabel::SetVisible).Default(1);
    B.Property("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap).Default(0);
}
VCL_IMPLEMENT_CLASS(TButtonControl, TWinControl)
VCL_PUBLISHED(TButton, TButtonControl) {
    B.Property("Cancel", &TButton::Cancel, &TButton::SetCancel).Default(0);
    B.Property("Caption", &TButton::Caption, &TButton::SetCaption);
    B.Property("Default", &TButton::Default, &TButton::SetDefault).Default(0);
    B.Property("Enabled", &TButton::Enabled, &TButton::SetEnabled).Default(1);
    B.Property("Font", &TButton::Font, &TButton::SetFont);
    B.Property("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).Default(0);
    B.Property("ParentFont", &TButton::ParentFont, &TButton::SetParentFont).Default(1);
    B.Property("TabOrder", &TButton::TabOrder, &TButton::SetTabOrder);
    B.Property("TabStop", &TButton::TabStop, &TButton::SetTabStop).Default(1);
    B.Property("Visible", &TButton::Visible, &TButton::SetVisible).Default(1);
}
VCL_IMPLEMENT_CLASS(TCustomCheckBox, TButtonControl)
VCL_PUBLISHED(TCheckBox, TCustomCheckBox) {
    B.Property("Alignment", &TCheckBox::Alignment, &TCheckBox::SetAlignment).Default(taRightJustify);
    B.Property("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed).Default(0);
    B.Property("Caption", &TCheckBox::Caption, &TCheckBox::SetCaption);
    B.Property("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked).Default(0);
    B.Property("Color", &TCheckBox::Color, &TCheckBox::SetColor).Idents(ColorIdents());
    B.Property("Enabled", &TCheckBox::Enabled, &TCheckBox::SetEnabled).Default(1);
    B.Property("Font", &TCheckBox::Font, &TCheckBox::SetFont);
    B.Property("ParentColor", &TCheckBox::ParentColor, &TCheckBox::SetParentColor).Default(1);
    B.Property("ParentFont", &TCheckBox::ParentFont, &TCheckBox::SetParentFont).Default(1);
    B.Property("State", &TCheckBox::State, &TCheckBox::SetState).Default(cbUnchecked);
    B.Property("TabOrder", &TCheckBox::TabOrder, &TCheckBox::SetTabOrder);
    B.Property("TabStop", &TCheckBox::TabStop, &TCheckBox::SetTabStop).Default(1);
    B.Property("Visible", &TCheckBox::Visible, &TCheckBox::SetVisible).Default(1);
}
VCL_PUBLISHED(TRadioButton, TButtonControl) {
    B.Property("Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment).Default(taRightJustify);
    B.Property("Caption", &TRadioButton::Caption, &TRadioButton::SetCaption);
    B.Property("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked).Default(0);
    B.Property("Color", &TRadioButton::Color, &TRadioButton::SetColor).Idents(ColorIdents());
    B.Property("Enabled", &TRadioButton::Enabled, &TRadioButton::SetEnabled).Default(1);
    B.Property("Font", &TRadioButton::Font, &TRadioButton::SetFont);
    B.Property("ParentColor", &TRadioButton::ParentColor, &TRadioButton::SetParentColor).Default(1);
    B.Property("ParentFont", &TRadioButton::ParentFont, &TRadioButton::SetParentFont).Default(1);
    B.Property("TabOrder", &TRadioButton::TabOrder, &TRadioButton::SetTabOrder);
    B.Property("Visible", &TRadioButton::Visible, &TRadioButton::SetVisible).Default(1);
}
VCL_IMPLEMENT_CLASS(TCustomEdit, TWinControl)
VCL_PUBLISHED(TEdit, TCustomEdit) {
    B.Property("AutoSelect", &TEdit::AutoSelect, &TEdit::SetAutoSelect).Default(1);
    B.Property("BorderStyle", &TEdit::BorderStyle, &TEdit::SetBorderStyle).Default(bsSingle);
    B.Property("CharCase", &TEdit::CharCase, &TEdit::SetCharCase).Default(ecNormal);
    B.Property("Color", &TEdit::Color, &TEdit::SetColor).Default(clWindow).Idents(ColorIdents());
    B.Property("Enabled", &TEdit::Enabled, &TEdit::SetEnabled).Default(1);
    B.Property("Font", &TEdit::Font, &TEdit::SetFont);
    B.Property("HideSelection", &TEdit::HideSelection, &TEdit::SetHideSelection).Default(1);
    B.Property("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength).Default(0);
    B.Property("ParentFont", &TEdit::ParentFont, &TEdit::SetParentFont).Default(1);
    B.Property("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly).Default(0);
    B.Property("TabOrder", &TEdit::TabOrder, &TEdit::SetTabOrder);
    B.Property("TabStop", &TEdit::TabStop, &TEdit::SetTabStop).Default(1);
    B.Property("Text", &TEdit::Text, &TEdit::SetTextProp);
    B.Property("Visible", &TEdit::Visible, &TEdit::SetVisible).Default(1);
}

namespace {

constexpr int32_t kCheckSize = 13;
constexpr int32_t kCheckGap = 4;
constexpr int32_t kEditMargin = 2;
constexpr UINT_PTR kBlinkTimer = 1;
constexpr UINT kBlinkMs = 530;

TRect Deflate(TRect R, int32_t D) { return TRect{R.Left + D, R.Top + D, R.Right - D, R.Bottom - D}; }

// Measures Text with Font as DrawText would format it (DT_CALCRECT) in a
// memory DC, so that no window is needed.
TRect MeasureText(const TFont* Font, const std::string& Text, TRect R, unsigned Format) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return R;
    HGDIOBJ old = SelectObject(dc, Font->Handle());
    DrawText(dc, Text, &R, Format | DT_CALCRECT);
    SelectObject(dc, old);
    DeleteDC(dc);
    return R;
}

bool IsWordChar(char32_t C) { return C != ' ' && C != '\t'; }

}  // namespace

void DrawControlText(HDC DC, const std::string& Text, TRect R, unsigned Format, TColor Color, bool Enabled) {
    int oldMode = SetBkMode(DC, TRANSPARENT);
    if (Enabled) {
        SetTextColor(DC, ColorToColorRef(Color));
        DrawText(DC, Text, &R, Format);
    } else {
        TRect r1{R.Left + 1, R.Top + 1, R.Right + 1, R.Bottom + 1};
        SetTextColor(DC, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawText(DC, Text, &r1, Format);
        SetTextColor(DC, GetSysColor(COLOR_BTNSHADOW));
        DrawText(DC, Text, &R, Format);
    }
    SetBkMode(DC, oldMode);
}

// ---------------------------------------------------------------------------
// TCustomLabel

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque, csReplicatable});
    SetBounds(0, 0, 65, 17);
    AdjustBounds();
}

TCustomLabel::~TCustomLabel() { SetFocusControl(nullptr); }

unsigned TCustomLabel::DrawTextFlags() const {
    unsigned f = DT_EXPANDTABS;
    if (FWordWrap) f |= DT_WORDBREAK;
    if (!FShowAccelChar) f |= DT_NOPREFIX;
    if (FAlignment == taRightJustify) f |= DT_RIGHT;
    if (FAlignment == taCenter) f |= DT_CENTER;
    return f;
}

void TCustomLabel::AdjustBounds() {
    if (!FAutoSize || FAdjusting || IsLoading()) return;
    std::string text = Caption();
    if (text.empty() || (FShowAccelChar && text == "&")) text = " ";
    TRect r{0, 0, FWordWrap ? Width() : 0, 0};
    r = MeasureText(Font(), text, r, DrawTextFlags() & ~unsigned(DT_RIGHT | DT_CENTER));
    int32_t w = FWordWrap ? Width() : r.Right;
    int32_t x = Left();
    if (FAlignment == taRightJustify && !FWordWrap) x = Left() + Width() - w;
    FAdjusting = true;
    try {
        SetBounds(x, Top(), w, r.Bottom);
    } catch (...) {
        FAdjusting = false;
        throw;
    }
    FAdjusting = false;
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
    if (FLayout == Value) return;
    FLayout = Value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value) {
    if (FAutoSize == Value) return;
    FAutoSize = Value;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool Value) {
    if (FWordWrap == Value) return;
    FWordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
    if (FTransparent == Value) return;
    FTransparent = Value;
    TControlStyle s = ControlStyle();
    if (Value)
        s.Exclude(csOpaque);
    else
        s.Include(csOpaque);
    SetControlStyle(s);
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
    if (FShowAccelChar == Value) return;
    FShowAccelChar = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
    if (FFocusControl == Value) return;
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    if (!FTransparent) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(Color());
        c->FillRect(r);
    }
    c->Brush()->SetStyle(bsClear);
    c->SetFont(Font());
    HDC dc = c->Handle();
    std::string text = Caption();
    unsigned flags = DrawTextFlags();
    if (FLayout != tlTop) {
        TRect m = r;
        DrawText(dc, text.empty() ? std::string(" ") : text, &m, flags | DT_CALCRECT);
        int32_t h = m.Bottom - m.Top;
        int32_t off = FLayout == tlBottom ? (r.Bottom - r.Top) - h : ((r.Bottom - r.Top) - h) / 2;
        r.Top += off;
    }
    DrawControlText(dc, text, r, flags, Font()->Color(), Enabled());
}

// ---------------------------------------------------------------------------
// TButtonControl

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
    TControlStyle s = ControlStyle();
    s.Exclude(csDoubleClicks);  // a quick second click is another click
    SetControlStyle(s);
    SetTabStop(true);
}

void TButtonControl::SetPressed(bool Value) {
    if (FPressed == Value) return;
    FPressed = Value;
    Invalidate();
}

void TButtonControl::PrepareText(HDC DC) const {
    SelectObject(DC, Font()->Handle());
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToColorRef(Font()->Color()));
}

void TCustomLabel::WndProc(TMessage& Message) {
    if (Message.Msg == CM_DIALOGCHAR) {
        if (FShowAccelChar && FFocusControl && IsAccel(static_cast<char32_t>(Message.WParam), Caption()) &&
            FFocusControl->CanFocus()) {
            FFocusControl->SetFocus();
            Message.Result = 1;
        }
        return;
    }
    TGraphicControl::WndProc(Message);
}

void TButtonControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
        case CM_DIALOGCHAR:
            // Alt with the accelerator: focus and click (a check box toggles).
            if (IsAccel(static_cast<char32_t>(Message.WParam), Caption()) && CanFocus()) {
                SetFocus();
                Click();
                Message.Result = 1;
            }
            return;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (CanFocus() && !Focused()) SetFocus();
            FMouseTracking = true;
            SetPressed(true);
            break;
        case WM_MOUSEMOVE:
            if (FMouseTracking) {
                int32_t x = static_cast<int16_t>(LOWORD(uintptr_t(Message.LParam)));
                int32_t y = static_cast<int16_t>(HIWORD(uintptr_t(Message.LParam)));
                TRect r = ClientRect();
                SetPressed(x >= r.Left && y >= r.Top && x < r.Right && y < r.Bottom);
            }
            break;
        case WM_LBUTTONUP:
            FMouseTracking = false;
            SetPressed(FSpaceDown);
            break;
        case WM_CANCELMODE:
        case WM_CAPTURECHANGED:
            if (FMouseTracking) {
                FMouseTracking = false;
                SetPressed(FSpaceDown);
            }
            break;
        case WM_KILLFOCUS:
            FSpaceDown = false;
            SetPressed(false);
            Invalidate();
            break;
        case WM_SETFOCUS: Invalidate(); break;
        default: break;
    }
    TWinControl::WndProc(Message);
}

void TButtonControl::KeyDown(uint16_t& Key, TShiftState Shift) {
    TWinControl::KeyDown(Key, Shift);
    if (Key == VK_SPACE && !Shift.Contains(ssAlt) && !Shift.Contains(ssCtrl)) {
        FSpaceDown = true;
        SetPressed(true);
    }
}

void TButtonControl::KeyUp(uint16_t& Key, TShiftState Shift) {
    TWinControl::KeyUp(Key, Shift);
    if (Key == VK_SPACE && FSpaceDown) {
        FSpaceDown = false;
        SetPressed(FMouseTracking);
        Click();
    }
}

// ---------------------------------------------------------------------------
// TButton

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
    SetBounds(0, 0, 75, 25);
    SetParentColor(false);
    SetColor(clBtnFace);
}

void TButton::SetDefault(bool Value) {
    if (FDefault == Value) return;
    FDefault = Value;
    Invalidate();
}

bool TButton::IsActiveButton() const {
    TCustomForm* f = GetParentForm();
    TWinControl* ac = f ? f->ActiveControl() : nullptr;
    if (ac == this) return true;
    if (!FDefault) return false;
    return dynamic_cast<TButton*>(ac) == nullptr;
}

void TButton::Click() {
    if (FModalResult != mrNone)
        if (TCustomForm* f = GetParentForm()) f->SetModalResult(FModalResult);
    TButtonControl::Click();
}

void TButton::InvalidateDefaultButtons() {
    TCustomForm* f = GetParentForm();
    if (!f) return;
    std::vector<TWinControl*> pending{f};
    for (size_t i = 0; i < pending.size(); ++i)
        for (int j = 0; j < pending[i]->ControlCount(); ++j)
            if (auto* w = dynamic_cast<TWinControl*>(pending[i]->Controls(j))) {
                if (auto* b = dynamic_cast<TButton*>(w); b && b->Default()) b->Invalidate();
                pending.push_back(w);
            }
}

void TButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
        case CM_DIALOGKEY: {
            WPARAM key = Message.WParam;
            if ((key == VK_RETURN && IsActiveButton()) || (key == VK_ESCAPE && FCancel)) {
                if (CanFocus()) {
                    Click();
                    Message.Result = 1;
                    return;
                }
            }
            break;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TButtonControl::WndProc(Message);
            InvalidateDefaultButtons();
            return;
        default: break;
    }
    TButtonControl::WndProc(Message);
}

void TButton::PaintWindow(HDC DC) {
    TRect r = ClientRect();
    bool active = IsActiveButton();
    if (active) {
        FrameRect(DC, r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        r = Deflate(r, 1);
    }
    if (Pressed()) {
        if (active) {
            FrameRect(DC, r, GetSysColorBrush(COLOR_BTNSHADOW));
            FillRect(DC, Deflate(r, 1), GetSysColorBrush(COLOR_BTNFACE));
        } else {
            DrawFrameControl(DC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED);
        }
    } else {
        DrawFrameControl(DC, &r, DFC_BUTTON, DFCS_BUTTONPUSH);
    }
    TRect t = ClientRect();
    if (Pressed()) t = TRect{t.Left + 1, t.Top + 1, t.Right + 1, t.Bottom + 1};
    PrepareText(DC);
    DrawControlText(DC, Caption(), t, DT_CENTER | DT_VCENTER | DT_SINGLELINE, Font()->Color(), Enabled());
    if (Focused()) DrawFocusRect(DC, Deflate(ClientRect(), 4));
}

// ---------------------------------------------------------------------------
// Check box and radio button

namespace {

// Paints a check box or radio button: the mark at one side, the caption at
// the other, the focus frame around the caption.
void PaintCheckLike(HDC DC, TButtonControl* C, TRect R, TAlignment Alignment, unsigned State, const std::string& Text,
                    bool Focused, TColor TextColor) {
    int32_t top = R.Top + (R.Bottom - R.Top - kCheckSize) / 2;
    TRect box, text;
    if (Alignment == taLeftJustify) {
        box = TRect{R.Right - kCheckSize, top, R.Right, top + kCheckSize};
        text = TRect{R.Left + 1, R.Top, box.Left - kCheckGap, R.Bottom};
    } else {
        box = TRect{R.Left, top, R.Left + kCheckSize, top + kCheckSize};
        text = TRect{box.Right + kCheckGap, R.Top, R.Right - 1, R.Bottom};
    }
    DrawFrameControl(DC, &box, DFC_BUTTON, State);
    const unsigned fmt = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
    DrawControlText(DC, Text, text, fmt, TextColor, C->Enabled());
    if (Focused && !Text.empty()) {
        TRect m = text;
        DrawText(DC, Text, &m, (fmt & ~unsigned(DT_VCENTER)) | DT_CALCRECT);
        int32_t h = m.Bottom - m.Top;
        int32_t y = text.Top + (text.Bottom - text.Top - h) / 2;
        TRect f{m.Left - 1, y - 1, std::min(m.Right + 1, text.Right + 1), y + h + 1};
        DrawFocusRect(DC, f);
    }
}

}  // namespace

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(0, 0, 97, 17); }

void TCustomCheckBox::SetState(TCheckBoxState Value) {
    if (FState == Value) return;
    FState = Value;
    Invalidate();
    if (!IsLoading()) TButtonControl::Click();
}

void TCustomCheckBox::SetAllowGrayed(bool Value) {
    FAllowGrayed = Value;
    if (!Value && FState == cbGrayed) SetState(cbUnchecked);
}

void TCustomCheckBox::SetAlignment(TAlignment Value) {
    if (Value == taCenter) throw EInvalidOperation("A check box aligns its caption left or right only");
    if (FAlignment == Value) return;
    FAlignment = Value;
    Invalidate();
}

void TCustomCheckBox::Toggle() {
    switch (FState) {
        case cbUnchecked: SetState(cbChecked); break;
        case cbChecked: SetState(FAllowGrayed ? cbGrayed : cbUnchecked); break;
        case cbGrayed: SetState(cbUnchecked); break;
    }
}

void TCustomCheckBox::PaintWindow(HDC DC) {
    unsigned state = DFCS_BUTTONCHECK;
    if (FState == cbChecked) state |= DFCS_CHECKED;
    if (FState == cbGrayed) state |= DFCS_CHECKED | DFCS_BUTTON3STATE;
    if (Pressed()) state |= DFCS_PUSHED;
    if (!Enabled()) state |= DFCS_INACTIVE;
    PrepareText(DC);
    PaintCheckLike(DC, this, ClientRect(), FAlignment, state, Caption(), Focused(), Font()->Color());
}

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(0, 0, 113, 17); }

void TRadioButton::SetChecked(bool Value) {
    if (FChecked == Value) return;
    FChecked = Value;
    Invalidate();
    if (!Value) return;
    if (TWinControl* p = Parent())
        for (int i = 0; i < p->ControlCount(); ++i)
            if (auto* r = dynamic_cast<TRadioButton*>(p->Controls(i)); r && r != this) r->SetChecked(false);
    if (!IsLoading()) TButtonControl::Click();
}

void TRadioButton::SetAlignment(TAlignment Value) {
    if (Value == taCenter) throw EInvalidOperation("A radio button aligns its caption left or right only");
    if (FAlignment == Value) return;
    FAlignment = Value;
    Invalidate();
}

void TRadioButton::PaintWindow(HDC DC) {
    unsigned state = DFCS_BUTTONRADIO;
    if (FChecked) state |= DFCS_CHECKED;
    if (Pressed()) state |= DFCS_PUSHED;
    if (!Enabled()) state |= DFCS_INACTIVE;
    PrepareText(DC);
    PaintCheckLike(DC, this, ClientRect(), FAlignment, state, Caption(), Focused(), Font()->Color());
}

// ---------------------------------------------------------------------------
// TCustomEdit

struct TCustomEdit::TLayout {
    std::vector<int32_t> X;  // x of the boundary before each code point, then the end
    int32_t Height = 0;
};

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
    SetBounds(0, 0, 121, 21);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetCursor(crIBeam);
}

TCustomEdit::~TCustomEdit() {
    if (HandleAllocated()) KillTimer(WindowHandleOrNull(), kBlinkTimer);
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    if (FBorderStyle == bsSingle) {
        if (Ctl3D())
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
    Params.WindowClass.hCursor = LoadCursor(nullptr, IDC_IBEAM);
}

void TCustomEdit::SetMaxLength(int32_t Value) {
    if (Value < 0) throw EInvalidOperation("MaxLength cannot be negative");
    FMaxLength = Value;
}

void TCustomEdit::SetPasswordChar(char32_t Value) {
    if (FPasswordChar == Value) return;
    FPasswordChar = Value;
    ScrollToCaret();
    Invalidate();
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
    if (FCharCase == Value) return;
    FCharCase = Value;
    if (Value != ecNormal) {
        std::string t = ApplyCharCase(Text());
        if (t != Text()) {
            int32_t a = FAnchor, c = FCaret;
            SetTextProp(t);
            FAnchor = a;
            FCaret = c;
            ScrollToCaret();
        }
    }
}

void TCustomEdit::SetHideSelection(bool Value) {
    if (FHideSelection == Value) return;
    FHideSelection = Value;
    Invalidate();
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
    if (Value != bsNone && Value != bsSingle) throw EInvalidOperation("An edit box takes bsNone or bsSingle");
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    RecreateWnd();
}

std::string TCustomEdit::ApplyCharCase(const std::string& S) const {
    switch (FCharCase) {
        case ecUpperCase: return AnsiUpperCase(S);
        case ecLowerCase: return AnsiLowerCase(S);
        default: return S;
    }
}

std::vector<size_t> TCustomEdit::Starts() const {
    const std::string& t = FText;
    std::vector<size_t> s;
    size_t pos = 0;
    while (pos < t.size()) {
        s.push_back(pos);
        Utf8Decode(t, pos);
    }
    s.push_back(t.size());
    return s;
}

int32_t TCustomEdit::TextLength() const { return static_cast<int32_t>(Starts().size()) - 1; }

int32_t TCustomEdit::SelStart() const { return std::min(FAnchor, FCaret); }
int32_t TCustomEdit::SelLength() const { return std::abs(FCaret - FAnchor); }

void TCustomEdit::SetSelStart(int32_t Value) {
    Value = std::clamp(Value, 0, TextLength());
    FAnchor = FCaret = Value;
    ScrollToCaret();
    ResetBlink();
    Invalidate();
}

void TCustomEdit::SetSelLength(int32_t Value) {
    int32_t s = SelStart();
    FAnchor = s;
    FCaret = std::clamp(s + Value, 0, TextLength());
    ScrollToCaret();
    ResetBlink();
    Invalidate();
}

std::string TCustomEdit::SelText() const {
    std::vector<size_t> st = Starts();
    size_t a = st[static_cast<size_t>(SelStart())], b = st[static_cast<size_t>(SelStart() + SelLength())];
    return FText.substr(a, b - a);
}

void TCustomEdit::SetSelText(const std::string& Value) {
    ReplaceRange(SelStart(), SelStart() + SelLength(), Value, false);
}

void TCustomEdit::SelectAll() {
    FAnchor = 0;
    FCaret = TextLength();
    ScrollToCaret();
    Invalidate();
}

void TCustomEdit::ClearSelection() {
    if (SelLength() > 0) SetSelText("");
}

void TCustomEdit::ReplaceRange(int32_t From, int32_t To, const std::string& Insert, bool ByUser) {
    std::vector<size_t> st = Starts();
    int32_t n = static_cast<int32_t>(st.size()) - 1;
    From = std::clamp(From, 0, n);
    To = std::clamp(To, From, n);
    std::string t = FText.substr(0, st[static_cast<size_t>(From)]) + Insert + FText.substr(st[static_cast<size_t>(To)]);
    size_t p = 0;
    int32_t inserted = 0;
    while (p < Insert.size()) {
        Utf8Decode(Insert, p);
        ++inserted;
    }
    FAnchor = FCaret = From + inserted;
    FUserChange = true;
    if (ByUser) FModified = true;
    try {
        if (t == FText) {
            ScrollToCaret();
            Invalidate();
        } else {
            SetTextProp(t);
        }
    } catch (...) {
        FUserChange = false;
        throw;
    }
    FUserChange = false;
    ResetBlink();
}

void TCustomEdit::TextChanged() {
    int32_t n = TextLength();
    if (!FUserChange) {
        FAnchor = FCaret = 0;
        FScrollX = 0;
        FModified = false;
    }
    FAnchor = std::clamp(FAnchor, 0, n);
    FCaret = std::clamp(FCaret, 0, n);
    ScrollToCaret();
    Invalidate();
    Change();
}

void TCustomEdit::Change() {
    CallEvent(FOnChange, this);
}

std::string TCustomEdit::DisplayText() const {
    if (FPasswordChar == 0) return FText;
    std::string one = Utf8Encode(FPasswordChar), s;
    for (int32_t i = TextLength(); i > 0; --i) s += one;
    return s;
}

TCustomEdit::TLayout TCustomEdit::MakeLayout() const {
    TLayout l;
    std::shared_ptr<TFontFace> face = ResolveLogFont(Font()->GetLogFont());
    int32_t n = TextLength();
    l.X.assign(static_cast<size_t>(n) + 1, 0);
    if (!face) return l;
    l.Height = GetTextMetrics(*face).tmHeight;
    std::vector<int32_t> partial;
    GetTextExtentEx(*face, DisplayText(), -1, &partial);
    for (int32_t i = 0; i < n && static_cast<size_t>(i) < partial.size(); ++i)
        l.X[static_cast<size_t>(i) + 1] = partial[static_cast<size_t>(i)];
    return l;
}

int32_t TCustomEdit::CaretX() const {
    TLayout l = MakeLayout();
    return kEditMargin - FScrollX + l.X[static_cast<size_t>(std::clamp(FCaret, 0, TextLength()))];
}

void TCustomEdit::ScrollToCaret() {
    TLayout l = MakeLayout();
    int32_t avail = std::max(ClientWidth() - 2 * kEditMargin, 1);
    int32_t cx = l.X[static_cast<size_t>(std::clamp(FCaret, 0, TextLength()))];
    int32_t total = l.X.back();
    if (cx - FScrollX > avail) FScrollX = cx - avail;
    if (cx < FScrollX) FScrollX = std::max(cx - avail / 3, 0);
    // No empty space after the text while part of it is scrolled out.
    if (FScrollX > 0 && total - FScrollX < avail) FScrollX = std::max(total - avail, 0);
}

void TCustomEdit::BoundsChanged() {
    TWinControl::BoundsChanged();
    ScrollToCaret();
}

void TCustomEdit::ResetBlink() {
    FCaretOn = true;
    if (HandleAllocated() && Focused()) SetTimer(WindowHandleOrNull(), kBlinkTimer, kBlinkMs, nullptr);
}

int32_t TCustomEdit::PosFromX(int32_t X) const {
    TLayout l = MakeLayout();
    int32_t tx = X - kEditMargin + FScrollX;
    int32_t n = static_cast<int32_t>(l.X.size()) - 1;
    for (int32_t i = 0; i < n; ++i)
        if (tx < (l.X[static_cast<size_t>(i)] + l.X[static_cast<size_t>(i) + 1] + 1) / 2) return i;
    return n;
}

int32_t TCustomEdit::WordLeft(int32_t Pos) const {
    std::u32string t = DecodeUtf8(FText);
    int32_t p = std::min(Pos, static_cast<int32_t>(t.size()));
    while (p > 0 && !IsWordChar(t[static_cast<size_t>(p) - 1])) --p;
    while (p > 0 && IsWordChar(t[static_cast<size_t>(p) - 1])) --p;
    return p;
}

int32_t TCustomEdit::WordRight(int32_t Pos) const {
    std::u32string t = DecodeUtf8(FText);
    int32_t n = static_cast<int32_t>(t.size()), p = Pos;
    while (p < n && IsWordChar(t[static_cast<size_t>(p)])) ++p;
    while (p < n && !IsWordChar(t[static_cast<size_t>(p)])) ++p;
    return p;
}

void TCustomEdit::MoveCaret(int32_t Pos, bool Extend) {
    Pos = std::clamp(Pos, 0, TextLength());
    FCaret = Pos;
    if (!Extend) FAnchor = Pos;
    ScrollToCaret();
    ResetBlink();
    Invalidate();
}

void TCustomEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
    TWinControl::KeyDown(Key, Shift);
    if (Key == 0 || Shift.Contains(ssAlt)) return;
    const bool shift = Shift.Contains(ssShift), ctrl = Shift.Contains(ssCtrl);
    const int32_t s = SelStart(), e = SelStart() + SelLength();
    switch (Key) {
        case VK_LEFT:
            if (ctrl)
                MoveCaret(WordLeft(FCaret), shift);
            else if (!shift && s != e)
                MoveCaret(s, false);
            else
                MoveCaret(FCaret - 1, shift);
            break;
        case VK_RIGHT:
            if (ctrl)
                MoveCaret(WordRight(FCaret), shift);
            else if (!shift && s != e)
                MoveCaret(e, false);
            else
                MoveCaret(FCaret + 1, shift);
            break;
        case VK_HOME: MoveCaret(0, shift); break;
        case VK_END: MoveCaret(TextLength(), shift); break;
        case VK_BACK:
            if (FReadOnly) break;
            if (s != e)
                ReplaceRange(s, e, "", true);
            else if (FCaret > 0)
                ReplaceRange(ctrl ? WordLeft(FCaret) : FCaret - 1, FCaret, "", true);
            break;
        case VK_DELETE:
            if (FReadOnly) break;
            if (s != e)
                ReplaceRange(s, e, "", true);
            else if (FCaret < TextLength())
                ReplaceRange(FCaret, ctrl ? WordRight(FCaret) : FCaret + 1, "", true);
            break;
        case 'A':
            if (!ctrl) return;
            SelectAll();
            break;
        default: return;
    }
    Key = 0;
}

void TCustomEdit::KeyPress(char32_t& Key) {
    TWinControl::KeyPress(Key);
    if (Key == 0 || Key < 0x20 || Key == 0x7F) return;  // control characters are not text
    if (FReadOnly) {
        MessageBeep(0);
        Key = 0;
        return;
    }
    std::string ch = ApplyCharCase(Utf8Encode(Key));
    if (FMaxLength > 0 && TextLength() - SelLength() + 1 > FMaxLength) {
        MessageBeep(0);
        Key = 0;
        return;
    }
    ReplaceRange(SelStart(), SelStart() + SelLength(), ch, true);
    Key = 0;
}

bool TCustomEdit::WantsKey(uint16_t Key, TShiftState Shift) const {
    switch (Key) {
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN: return true;
        default: return TWinControl::WantsKey(Key, Shift);
    }
}

void TCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
    if (Button == mbLeft) {
        if (CanFocus() && !Focused()) {
            FMouseFocusing = true;
            try {
                SetFocus();
            } catch (...) {
                FMouseFocusing = false;
                throw;
            }
            FMouseFocusing = false;
        }
        int32_t pos = PosFromX(X);
        if (Shift.Contains(ssDouble)) {
            std::u32string t = DecodeUtf8(FText);
            int32_t a = pos, b = pos;
            while (a > 0 && IsWordChar(t[static_cast<size_t>(a) - 1])) --a;
            while (b < static_cast<int32_t>(t.size()) && IsWordChar(t[static_cast<size_t>(b)])) ++b;
            FAnchor = a;
            MoveCaret(b, true);
        } else {
            MoveCaret(pos, Shift.Contains(ssShift));
            FSelecting = true;
        }
    }
    TWinControl::MouseDown(Button, Shift, X, Y);
}

void TCustomEdit::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
    if (FSelecting) MoveCaret(PosFromX(X), true);
    TWinControl::MouseMove(Shift, X, Y);
}

void TCustomEdit::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
    if (Button == mbLeft) FSelecting = false;
    TWinControl::MouseUp(Button, Shift, X, Y);
}

void TCustomEdit::WndProc(TMessage& Message) {
    switch (Message.Msg) {
        case WM_SETFOCUS:
            TWinControl::WndProc(Message);
            if (FAutoSelect && !FMouseFocusing) SelectAll();
            ResetBlink();
            Invalidate();
            return;
        case WM_KILLFOCUS:
            if (HandleAllocated()) KillTimer(WindowHandleOrNull(), kBlinkTimer);
            FSelecting = false;
            Invalidate();
            break;
        case WM_TIMER:
            if (Message.WParam == kBlinkTimer) {
                FCaretOn = !FCaretOn;
                Invalidate();
                return;
            }
            break;
        case WM_CANCELMODE:
        case WM_CAPTURECHANGED: FSelecting = false; break;
        default: break;
    }
    TWinControl::WndProc(Message);
}

void TCustomEdit::PaintWindow(HDC DC) {
    TRect cr = ClientRect();
    FillRect(DC, cr, Brush()->Handle());
    TLayout l = MakeLayout();
    std::string shown = DisplayText();
    SelectObject(DC, Font()->Handle());
    SetBkMode(DC, TRANSPARENT);
    int32_t top = std::max((cr.Bottom - l.Height) / 2, 0);
    int32_t x0 = kEditMargin - FScrollX;
    IntersectClipRect(DC, cr.Left + 1, cr.Top, cr.Right - 1, cr.Bottom);
    SetTextColor(DC, ColorToColorRef(Enabled() ? Font()->Color() : clGrayText));
    TextOut(DC, x0, top, shown);
    bool focused = Focused();
    int32_t s = SelStart(), e = SelStart() + SelLength();
    if (s != e && (focused || !FHideSelection)) {
        TRect sel{x0 + l.X[static_cast<size_t>(s)], top, x0 + l.X[static_cast<size_t>(e)], top + l.Height};
        FillRect(DC, sel, GetSysColorBrush(COLOR_HIGHLIGHT));
        int saved = SaveDC(DC);
        IntersectClipRect(DC, sel.Left, sel.Top, sel.Right, sel.Bottom);
        SetTextColor(DC, GetSysColor(COLOR_HIGHLIGHTTEXT));
        TextOut(DC, x0, top, shown);
        RestoreDC(DC, saved);
    }
    if (focused && FCaretOn) {
        int32_t x = x0 + l.X[static_cast<size_t>(std::clamp(FCaret, 0, TextLength()))];
        TRect caret{x, top, x + 1, top + l.Height};
        HBRUSH b = CreateSolidBrush(ColorToColorRef(Font()->Color()));
        FillRect(DC, caret, b);
        DeleteObject(b);
    }
}

}  // namespace vcl
