#include "Controls.h"

#include <algorithm>
#include <mutex>

#include "ExceptionHook.h"
#include "SysUtils.h"
#include "Forms.h"
#include "Gdi.h"

namespace vcl {

VCL_PUBLISHED(TControl, TComponent) {
    B.Property("Left", &TControl::Left, &TControl::SetLeft);
    B.Property("Top", &TControl::Top, &TControl::SetTop);
    B.Property("Width", &TControl::Width, &TControl::SetWidth);
    B.Property("Height", &TControl::Height, &TControl::SetHeight);
}
VCL_IMPLEMENT_CLASS(TControlCanvas, TCanvas)
VCL_IMPLEMENT_CLASS(TWinControl, TControl)
VCL_IMPLEMENT_CLASS(TGraphicControl, TControl)
VCL_IMPLEMENT_CLASS(TCustomControl, TWinControl)

namespace {

const char* const kControlProp = "CorvaneControl";

// The control whose window is being created: InitWndProc binds the new
// window to it on the window's first message.
thread_local TWinControl* gCreationControl = nullptr;

TControl* gCaptureControl = nullptr;
TControl* gMouseControl = nullptr;

std::vector<TControlCanvas*>& CanvasList() {
    static std::vector<TControlCanvas*> list;
    return list;
}

struct TCursorName {
    TCursor Value;
    const char* Name;
};
const TCursorName kCursorNames[] = {
    {crDefault, "crDefault"},   {crNone, "crNone"},         {crArrow, "crArrow"},
    {crCross, "crCross"},       {crIBeam, "crIBeam"},       {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},     {crSizeNWSE, "crSizeNWSE"}, {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},   {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},     {crHSplit, "crHSplit"},     {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"}, {crNo, "crNo"},
    {crAppStart, "crAppStart"}, {crHelp, "crHelp"},         {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},
};

TPoint PointFromLParam(LPARAM L) {
    return TPoint{static_cast<int16_t>(LOWORD(uintptr_t(L))), static_cast<int16_t>(HIWORD(uintptr_t(L)))};
}
LPARAM LParamFromPoint(TPoint P) {
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(P.X), static_cast<WORD>(P.Y)));
}

bool IsMouseMessage(UINT Msg) { return Msg >= WM_MOUSEFIRST && Msg <= WM_MBUTTONDBLCLK && Msg != WM_MOUSEWHEEL; }

}  // namespace

bool CursorToIdent(int32_t Cursor, std::string& Ident) {
    for (const auto& c : kCursorNames)
        if (c.Value == Cursor) {
            Ident = c.Name;
            return true;
        }
    return false;
}

bool IdentToCursor(const std::string& Ident, int32_t& Cursor) {
    for (const auto& c : kCursorNames)
        if (SameText(Ident, c.Name)) {
            Cursor = c.Value;
            return true;
        }
    return false;
}

const TColorIdents& CursorIdents() {
    static const TColorIdents idents{
        [](int64_t v, std::string& s) { return CursorToIdent(static_cast<int32_t>(v), s); },
        [](const std::string& s, int64_t& v) {
            int32_t c = 0;
            if (!IdentToCursor(s, c)) return false;
            v = c;
            return true;
        }};
    return idents;
}

TShiftState MouseShiftState(WPARAM Keys) {
    TShiftState s;
    if (Keys & MK_SHIFT) s.Include(ssShift);
    if (Keys & MK_CONTROL) s.Include(ssCtrl);
    if (Keys & MK_LBUTTON) s.Include(ssLeft);
    if (Keys & MK_RBUTTON) s.Include(ssRight);
    if (Keys & MK_MBUTTON) s.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
    return s;
}

TShiftState KeyboardShiftState() {
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
    if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
    if (GetKeyState(VK_LBUTTON) < 0) s.Include(ssLeft);
    if (GetKeyState(VK_RBUTTON) < 0) s.Include(ssRight);
    if (GetKeyState(VK_MBUTTON) < 0) s.Include(ssMiddle);
    return s;
}

bool IsAccel(char32_t Key, const std::string& Caption) {
    auto fold = [](char32_t c) { return UnicodeLowerCase(c); };
    for (size_t i = 0; i + 1 < Caption.size(); ++i) {
        if (Caption[i] != '&') continue;
        if (Caption[i + 1] == '&') {
            ++i;  // "&&" stands for a plain "&"
            continue;
        }
        size_t pos = i + 1;
        const char32_t c = Utf8Decode(Caption, pos);
        return fold(c) == fold(Key);
    }
    return false;
}

TWinControl* FindControl(HWND Wnd) {
    if (!Wnd || !IsWindow(Wnd)) return nullptr;
    return static_cast<TWinControl*>(GetProp(Wnd, kControlProp));
}

TControl* GetCaptureControl() {
    if (gCaptureControl) {
        // The window may have lost the capture meanwhile.
        HWND cap = GetCapture();
        TWinControl* host = dynamic_cast<TWinControl*>(gCaptureControl);
        if (!host) host = gCaptureControl->Parent();
        if (!host || !host->HandleAllocated() || host->WindowHandleOrNull() != cap) gCaptureControl = nullptr;
    }
    return gCaptureControl;
}

void SetCaptureControl(TControl* Control) {
    gCaptureControl = nullptr;
    if (!Control) {
        ReleaseCapture();
        return;
    }
    TWinControl* host = dynamic_cast<TWinControl*>(Control);
    if (!host) host = Control->Parent();
    if (!host) return;
    SetCapture(host->Handle());
    gCaptureControl = Control;
}

TControl* GetMouseControl() { return gMouseControl; }

namespace {
void SetMouseControl(TControl* Control) {
    if (Control == gMouseControl) return;
    TControl* old = gMouseControl;
    gMouseControl = Control;
    if (old) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
    // The leave handler may have moved on already.
    if (Control && gMouseControl == Control) Control->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(Control));
}
}  // namespace

void CheckMouseControl() {
    TPoint p;
    GetCursorPos(&p);
    TWinControl* w = FindControl(WindowFromPoint(p));
    TControl* c = w;
    if (w) {
        TControl* child = w->ControlAtPos(w->ScreenToClient(p), false);
        if (child) c = child;
    }
    SetMouseControl(c);
}

// ---------------------------------------------------------------------------
// TControlCanvas

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* Value) {
    if (FControl == Value) return;
    FreeHandle();
    FControl = Value;
}

void TControlCanvas::CreateHandle() {
    if (!FControl) return;
    TWinControl* win = dynamic_cast<TWinControl*>(FControl);
    HWND wnd = nullptr;
    if (win)
        wnd = win->Handle();
    else if (FControl->Parent())
        wnd = FControl->Parent()->Handle();
    if (!wnd) return;
    HDC dc = GetDCEx(wnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    if (!dc) return;
    if (!win) {
        SetViewportOrgEx(dc, FControl->Left(), FControl->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, FControl->Width(), FControl->Height());
    }
    FDeviceContext = dc;
    FWindowHandle = wnd;
    CanvasList().push_back(this);
    SetHandle(dc);
}

void TControlCanvas::FreeHandle() {
    if (!FDeviceContext) {
        if (HandleAllocated()) SetHandle(nullptr);
        return;
    }
    SetHandle(nullptr);
    ReleaseDC(FWindowHandle, FDeviceContext);
    FDeviceContext = nullptr;
    FWindowHandle = nullptr;
    auto& list = CanvasList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TControlCanvas::PaintOn(HDC DC, const std::function<void()>& Paint) {
    FreeHandle();
    SetHandle(DC);
    try {
        Paint();
    } catch (...) {
        SetHandle(nullptr);
        throw;
    }
    SetHandle(nullptr);
}

void TControlCanvas::FreeDeviceContexts(HWND Wnd) {
    std::vector<TControlCanvas*> list = CanvasList();
    for (TControlCanvas* c : list)
        if (!Wnd || c->FWindowHandle == Wnd) c->FreeHandle();
}

// ---------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
    FControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    FFont->SetOnChange([this](TObject* Sender) { FontChangedHandler(Sender); });
}

TControl::~TControl() {
    if (gCaptureControl == this) SetCaptureControl(nullptr);
    if (gMouseControl == this) gMouseControl = nullptr;
    if (FParent) FParent->RemoveControl(this);
    FFont->SetOnChange(nullptr);
}

void TControl::SetParent(TWinControl* AParent) {
    if (FParent == AParent) return;
    if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    for (TWinControl* p = AParent; p; p = p->Parent())
        if (p == this) throw EInvalidOperation("A control cannot have one of its children as its parent");
    if (FParent) FParent->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

void TControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
    InvalidateControl(FVisible, false);
    bool resized = AWidth != FWidth || AHeight != FHeight;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    InvalidateControl(FVisible, FControlStyle.Contains(csOpaque));
    BoundsChanged();
    RequestAlign();
    if (resized) Resize();
}

void TControl::UpdateBoundsRect(const TRect& R) {
    bool resized = R.Right - R.Left != FWidth || R.Bottom - R.Top != FHeight;
    bool moved = R.Left != FLeft || R.Top != FTop;
    if (!resized && !moved) return;
    FLeft = R.Left;
    FTop = R.Top;
    FWidth = R.Right - R.Left;
    FHeight = R.Bottom - R.Top;
    BoundsChanged();
    RequestAlign();
    if (resized) Resize();
}

void TControl::BoundsChanged() {}

TRect TControl::ClientRect() const { return TRect{0, 0, FWidth, FHeight}; }

void TControl::SetClientWidth(int32_t Value) { SetWidth(FWidth - ClientWidth() + Value); }
void TControl::SetClientHeight(int32_t Value) { SetHeight(FHeight - ClientHeight() + Value); }

TPoint TControl::ClientOrigin() const {
    if (auto* w = dynamic_cast<const TWinControl*>(this); w && w->HandleAllocated()) {
        TPoint p{0, 0};
        vcl::ClientToScreen(w->WindowHandleOrNull(), &p);
        return p;
    }
    if (!FParent) return TPoint{FLeft, FTop};
    TPoint p = FParent->ClientOrigin();
    return TPoint{p.X + FLeft, p.Y + FTop};
}

TPoint TControl::ClientToScreen(TPoint P) const {
    TPoint o = ClientOrigin();
    return TPoint{P.X + o.X, P.Y + o.Y};
}

TPoint TControl::ScreenToClient(TPoint P) const {
    TPoint o = ClientOrigin();
    return TPoint{P.X - o.X, P.Y - o.Y};
}

void TControl::SetAlign(TAlign Value) {
    if (FAlign == Value) return;
    FAlign = Value;
    RequestAlign();
}

void TControl::RequestAlign() {
    if (FParent && !FParent->FAligning) FParent->Realign();
}

void TControl::SetVisible(bool Value) {
    if (FVisible == Value) return;
    VisibleChanging();
    FVisible = Value;
    Perform(CM_VISIBLECHANGED, Value ? 1 : 0, 0);
    RequestAlign();
}

void TControl::Show() {
    if (FParent) FParent->Show();  // not quite the classic: shows the chain up to the form
    SetVisible(true);
}

bool TControl::IsVisibleOnScreen() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FVisible) return false;
    return true;
}

void TControl::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor Value) {
    if (FColor == Value && !FParentColor) return;
    FColor = Value;
    FParentColor = false;
    Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool Value) {
    if (FParentColor == Value) return;
    FParentColor = Value;
    if (Value && FParent) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (!FParentColor || !FParent) return;
    FColor = FParent->Color();
    FParentColor = true;
    Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::ColorChanged() { Invalidate(); }

void TControl::SetFont(const TFont* Value) { FFont->Assign(Value); }

void TControl::SetParentFont(bool Value) {
    if (FParentFont == Value) return;
    FParentFont = Value;
    if (Value && FParent) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!FParentFont || !FParent) return;
    FSettingParentFont = true;
    try {
        FFont->Assign(FParent->Font());
    } catch (...) {
        FSettingParentFont = false;
        throw;
    }
    FSettingParentFont = false;
}

void TControl::FontChangedHandler(TObject*) {
    if (!FSettingParentFont) FParentFont = false;
    Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::FontChanged() { Invalidate(); }

void TControl::SetCursor(TCursor Value) {
    if (FCursor == Value) return;
    FCursor = Value;
    Perform(CM_CURSORCHANGED, 0, 0);
}

std::string TControl::GetText() const { return FText; }

void TControl::SetText(const std::string& Value) {
    if (FText == Value) return;
    FText = Value;
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::TextChanged() { Invalidate(); }

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
    if (!FParent || !FParent->HandleAllocated() || !IsVisible) return;
    if (dynamic_cast<TWinControl*>(this)) return;  // a window invalidates itself
    TRect r = BoundsRect();
    InvalidateRect(FParent->WindowHandleOrNull(), &r, !IsOpaque);
}

void TControl::Invalidate() {
    InvalidateControl(FVisible || IsDesigning(), FControlStyle.Contains(csOpaque));
}

void TControl::Update() {
    if (FParent) FParent->Update();
}

void TControl::Repaint() {
    if (!FParent || !FParent->HandleAllocated() || !FVisible) return;
    if (FControlStyle.Contains(csOpaque)) {
        // Paint straight into the parent's window.
        HDC dc = GetDC(FParent->WindowHandleOrNull());
        if (!dc) return;
        try {
            int saved = SaveDC(dc);
            IntersectClipRect(dc, FLeft, FTop, FLeft + FWidth, FTop + FHeight);
            FParent->PaintControls(dc, this);
            RestoreDC(dc, saved);
        } catch (...) {
            ReleaseDC(FParent->WindowHandleOrNull(), dc);
            throw;
        }
        ReleaseDC(FParent->WindowHandleOrNull(), dc);
    } else {
        Invalidate();
        Update();
    }
}

void TControl::BringToFront() {
    if (FParent) FParent->SetZOrderPosition(this, true);
}

void TControl::SendToBack() {
    if (FParent) FParent->SetZOrderPosition(this, false);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m;
    m.Msg = Msg;
    m.WParam = WParam;
    m.LParam = LParam;
    WndProc(m);
    return m.Result;
}

void TControl::DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift) {
    TPoint p = PointFromLParam(Message.LParam);
    MouseDown(Button, Shift + MouseShiftState(Message.WParam), p.X, p.Y);
}

void TControl::DoMouseUp(TMessage& Message, TMouseButton Button) {
    TPoint p = PointFromLParam(Message.LParam);
    MouseUp(Button, MouseShiftState(Message.WParam), p.X, p.Y);
}

void TControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            bool dbl = Message.Msg == WM_LBUTTONDBLCLK;
            if (dbl && !FControlStyle.Contains(csDoubleClicks)) Message.Msg = WM_LBUTTONDOWN, dbl = false;
            if (FControlStyle.Contains(csCaptureMouse)) SetCaptureControl(this);
            if (FControlStyle.Contains(csClickEvents)) FControlState.Include(csClicked);
            FControlState.Include(csLButtonDown);
            if (dbl) DblClick();
            DoMouseDown(Message, mbLeft, dbl ? TShiftState{ssDouble} : TShiftState{});
            return;
        }
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            DoMouseDown(Message, mbRight, Message.Msg == WM_RBUTTONDBLCLK ? TShiftState{ssDouble} : TShiftState{});
            return;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            DoMouseDown(Message, mbMiddle, Message.Msg == WM_MBUTTONDBLCLK ? TShiftState{ssDouble} : TShiftState{});
            return;
        case WM_LBUTTONUP: {
            FControlState.Exclude(csLButtonDown);
            bool clicked = FControlState.Contains(csClicked);
            FControlState.Exclude(csClicked);
            if (gCaptureControl == this) SetCaptureControl(nullptr);
            TPoint p = PointFromLParam(Message.LParam);
            TRect r = ClientRect();
            DoMouseUp(Message, mbLeft);
            if (clicked && p.X >= r.Left && p.Y >= r.Top && p.X < r.Right && p.Y < r.Bottom) Click();
            return;
        }
        case WM_RBUTTONUP: DoMouseUp(Message, mbRight); return;
        case WM_MBUTTONUP: DoMouseUp(Message, mbMiddle); return;
        case WM_MOUSEMOVE: {
            TPoint p = PointFromLParam(Message.LParam);
            MouseMove(MouseShiftState(Message.WParam), p.X, p.Y);
            return;
        }
        case CM_TEXTCHANGED: TextChanged(); return;
        case CM_COLORCHANGED: ColorChanged(); return;
        case CM_FONTCHANGED: FontChanged(); return;
        case CM_PARENTCOLORCHANGED: ParentColorChanged(); return;
        case CM_PARENTFONTCHANGED: ParentFontChanged(); return;
        case CM_VISIBLECHANGED:
        case CM_ENABLEDCHANGED: Invalidate(); return;
        case CM_HITTEST: {
            TPoint p = PointFromLParam(Message.LParam);
            Message.Result = HitTest(p) ? HTCLIENT : HTNOWHERE;
            return;
        }
        default: break;
    }
    DefaultHandler(Message);
}

void TControl::DefaultHandler(TMessage& Message) { (void)Message; }

bool TControl::HitTest(TPoint P) const { return P.X >= 0 && P.Y >= 0 && P.X < FWidth && P.Y < FHeight; }

void TControl::Click() {
    CallEvent(FOnClick, this);
}

void TControl::DblClick() {
    CallEvent(FOnDblClick, this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
    CallEvent(FOnMouseDown, this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
    CallEvent(FOnMouseUp, this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
    CallEvent(FOnMouseMove, this, Shift, X, Y);
}

void TControl::Resize() {
    CallEvent(FOnResize, this);
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (FParent) {
        if (FParentColor) ParentColorChanged();
        if (FParentFont) ParentFontChanged();
    }
    RequestAlign();
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
}

TCustomForm* TControl::GetParentForm() const {
    const TControl* c = this;
    while (c->FParent) c = c->FParent;
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* Value) {
    if (auto* w = dynamic_cast<TWinControl*>(Value)) SetParent(w);
}

// ---------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* AOwner)
    : TControl(AOwner), FBrush(std::make_unique<TBrush>()), FAlive(std::make_shared<bool>(true)) {
    FObjectInstance = MakeObjectInstance([this](TMessage& Message) { MainWndProc(Message); });
    FBrush->SetColor(Color());
}

TWinControl::~TWinControl() {
    *FAlive = false;
    Destroying();
    // The children go first, each with its window, the topmost first.
    while (!FControls.empty()) {
        TControl* c = FControls.back();
        RemoveControl(c);
        delete c;
    }
    if (FHandle) DestroyWindowHandle();
    FreeObjectInstance(FObjectInstance);
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return FHandle;
}

void TWinControl::HandleNeeded() {
    if (FHandle) return;
    if (Parent()) Parent()->HandleNeeded();
    CreateHandle();
}

void TWinControl::SetParentWindow(HWND Value) {
    if (FParentWindow == Value) return;
    FParentWindow = Value;
    if (FHandle && !Parent()) RecreateWnd();
}

void TWinControl::CreateParams(TCreateParams& Params) {
    Params = TCreateParams();
    Params.Caption = FText;
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (FControlStyle.Contains(csAcceptsControls)) Params.Style |= WS_CLIPCHILDREN;
    if (FTabStop) Params.Style |= WS_TABSTOP;
    if (!Enabled()) Params.Style |= WS_DISABLED;
    Params.X = Left();
    Params.Y = Top();
    Params.Width = Width();
    Params.Height = Height();
    Params.WndParent = Parent() ? Parent()->Handle() : FParentWindow;
    Params.WindowClass.style = CS_DBLCLKS;
    Params.WindowClass.lpfnWndProc = DefWindowProc;
    Params.WindowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    Params.WinClassName = ClassName();
}

LRESULT TWinControl::InitWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TWinControl* c = gCreationControl;
    if (!c) return DefWindowProc(Wnd, Msg, WParam, LParam);
    gCreationControl = nullptr;
    c->FHandle = Wnd;
    SetProp(Wnd, kControlProp, c);
    SetWindowLong(Wnd, GWL_WNDPROC, WndProcToLong(c->FObjectInstance));
    return CallWindowProc(c->FObjectInstance, Wnd, Msg, WParam, LParam);
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    if (params.WndParent == nullptr && (params.Style & WS_CHILD))
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    FDefWndProc = params.WindowClass.lpfnWndProc ? params.WindowClass.lpfnWndProc : DefWindowProc;
    HINSTANCE inst = GetModuleHandle(nullptr);
    WNDCLASS existing;
    bool registered = GetClassInfo(inst, params.WinClassName.c_str(), &existing) &&
                      existing.lpfnWndProc == &TWinControl::InitWndProc;
    if (!registered) {
        if (GetClassInfo(inst, params.WinClassName.c_str(), &existing))
            UnregisterClass(params.WinClassName.c_str(), inst);
        WNDCLASS wc = params.WindowClass;
        wc.lpfnWndProc = &TWinControl::InitWndProc;
        wc.hInstance = inst;
        wc.lpszClassName = params.WinClassName.c_str();
        if (!RegisterClass(&wc)) throw EOutOfResources("Cannot register the window class " + params.WinClassName);
    }
    gCreationControl = this;
    try {
        CreateWindowHandle(params);
    } catch (...) {
        gCreationControl = nullptr;
        throw;
    }
    gCreationControl = nullptr;
    if (!FHandle) throw EOutOfResources("Error creating window");
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
    HWND w = CreateWindowEx(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(), Params.Style,
                            Params.X, Params.Y, Params.Width, Params.Height, Params.WndParent, nullptr,
                            GetModuleHandle(nullptr), Params.Param);
    if (w && !FHandle) {
        // No message reached InitWndProc (cannot happen with our classes).
        FHandle = w;
        SetProp(w, kControlProp, this);
        SetWindowLong(w, GWL_WNDPROC, WndProcToLong(FObjectInstance));
    }
}

void TWinControl::CreateHandle() {
    if (FHandle) return;
    FControlState.Include(csCreating);
    try {
        CreateWnd();
    } catch (...) {
        FControlState.Exclude(csCreating);
        throw;
    }
    FControlState.Exclude(csCreating);
    UpdateBounds();
    // The windowed children that are visible get their windows now.
    for (TControl* c : std::vector<TControl*>(FControls))
        if (auto* w = dynamic_cast<TWinControl*>(c))
            if (w->Visible() || IsDesigning()) w->HandleNeeded();
    // Restore the z-order of the children's windows.
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c))
            if (w->FHandle) SetWindowPos(w->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Realign();
    CreateWindowDone();
}

void TWinControl::DestroyHandle() {
    if (!FHandle) return;
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    DestroyWnd();
}

void TWinControl::DestroyWnd() {
    // Keep the text the window holds.
    if (FHandle) FText = GetWindowText(FHandle);
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
    if (!FHandle) return;
    HWND w = FHandle;
    FControlState.Include(csDestroyingHandle);
    TControlCanvas::FreeDeviceContexts(w);
    DestroyWindow(w);
    FControlState.Exclude(csDestroyingHandle);
    FHandle = nullptr;
    FShowing = false;
}

void TWinControl::RecreateWnd() {
    if (!FHandle) return;
    DestroyHandle();
    UpdateShowing();
    HandleNeeded();
}

void TWinControl::MainWndProc(TMessage& Message) {
    std::shared_ptr<bool> alive = FAlive;
    try {
        WndProc(Message);
    } catch (...) {
        HandleApplicationException(this);
    }
    if (!*alive) return;
    if (Message.Msg == WM_NCDESTROY) {
        TControlCanvas::FreeDeviceContexts(FHandle);
        FHandle = nullptr;
        FShowing = false;
    }
}

void TWinControl::DefaultHandler(TMessage& Message) {
    if (!FHandle) {
        Message.Result = 0;
        return;
    }
    Message.Result = CallWindowProc(FDefWndProc, FHandle, Message.Msg, Message.WParam, Message.LParam);
}

bool TWinControl::IsControlMouseMsg(TMessage& Message) {
    TControl* target = nullptr;
    TControl* cap = GetCaptureControl();
    if (cap && cap->Parent() == this && !dynamic_cast<TWinControl*>(cap))
        target = cap;
    else if (!cap)
        target = ControlAtPos(PointFromLParam(Message.LParam), false);
    if (!target) return false;
    TPoint p = PointFromLParam(Message.LParam);
    TMessage m = Message;
    m.LParam = LParamFromPoint(TPoint{p.X - target->Left(), p.Y - target->Top()});
    target->WndProc(m);
    Message.Result = m.Result;
    return true;
}

void TWinControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
        case WM_PAINT: PaintHandler(Message); return;
        case WM_ERASEBKGND:
            if (!FControlStyle.Contains(csOpaque)) EraseBackground(reinterpret_cast<HDC>(Message.WParam));
            Message.Result = 1;
            return;
        case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); return;
        case WM_SETTEXT: {
            DefaultHandler(Message);
            const char* text = reinterpret_cast<const char*>(Message.LParam);
            std::string t = text ? text : "";
            if (t != FText) {
                FText = t;
                Perform(CM_TEXTCHANGED, 0, 0);
            }
            return;
        }
        case WM_SETCURSOR:
            if (LOWORD(uintptr_t(Message.LParam)) == HTCLIENT) {
                // The screen's cursor (crHourGlass while busy...) rules;
                // else the control's under the pointer.
                TCursor cur = Screen()->Cursor();
                TPoint p;
                GetCursorPos(&p);
                if (cur == crDefault) cur = Cursor();
                if (Screen()->Cursor() == crDefault)
                    if (TControl* child = ControlAtPos(ScreenToClient(p), false)) cur = child->Cursor();
                if (cur != crDefault) {
                    vcl::SetCursor(Screen()->Cursors(cur));
                    Message.Result = 1;
                    return;
                }
            }
            break;
        case WM_SETFOCUS:
            if (TCustomForm* f = GetParentForm()) f->FocusChanged(this);
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP:
        case WM_CHAR: HandleKey(Message); return;
        case WM_SYSCHAR:
            // Alt+letter: the control whose caption marks that letter acts.
            if (TCustomForm* f = GetParentForm())
                if (f->Perform(CM_DIALOGCHAR, Message.WParam, 0) != 0) return;
            break;
        case CM_ENTER: DoEnter(); return;
        case CM_EXIT: DoExit(); return;
        case CM_ENABLEDCHANGED:
            if (FHandle) EnableWindow(FHandle, Enabled());
            Invalidate();
            return;
        case CM_VISIBLECHANGED: UpdateShowing(); return;
        default: break;
    }
    if (IsMouseMessage(Message.Msg)) {
        HandleMouse(Message);
        return;
    }
    TControl::WndProc(Message);
}

void TWinControl::HandleMouse(TMessage& Message) {
    // Enter and leave follow the pointer between this control and its
    // graphic children.
    if (Message.Msg == WM_MOUSEMOVE) {
        TControl* under = ControlAtPos(PointFromLParam(Message.LParam), false);
        std::shared_ptr<bool> alive = FAlive;
        SetMouseControl(under ? under : this);
        if (!*alive) return;
    }
    if (IsControlMouseMsg(Message)) return;
    TControl::WndProc(Message);
}

void TWinControl::HandleKey(TMessage& Message) {
    std::shared_ptr<bool> alive = FAlive;
    TCustomForm* form = GetParentForm();
    TShiftState shift = KeyboardShiftState();
    if (Message.Msg == WM_CHAR) {
        char32_t ch = static_cast<char32_t>(Message.WParam);
        if (form && form != this && form->KeyPreview()) {
            form->KeyPress(ch);
            if (!*alive) return;
        }
        if (ch != 0) KeyPress(ch);
        if (!*alive) return;
        if (ch == 0) return;
        Message.WParam = ch;
        DefaultHandler(Message);
        return;
    }
    uint16_t key = static_cast<uint16_t>(Message.WParam);
    bool down = Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN;
    if (form && form != this && form->KeyPreview()) {
        if (down)
            form->KeyDown(key, shift);
        else
            form->KeyUp(key, shift);
        if (!*alive) return;
    }
    if (key != 0) {
        if (down)
            KeyDown(key, shift);
        else
            KeyUp(key, shift);
        if (!*alive) return;
    }
    if (key == 0) return;
    if (down && !WantsKey(key, shift) && form) {
        switch (key) {
            case VK_TAB:
            case VK_RETURN:
            case VK_ESCAPE:
            case VK_LEFT:
            case VK_RIGHT:
            case VK_UP:
            case VK_DOWN:
                if (form->Perform(CM_DIALOGKEY, key, 0) != 0) return;
                if (!*alive) return;
                break;
            default: break;
        }
    }
    Message.WParam = key;
    DefaultHandler(Message);
}

bool TWinControl::WantsKey(uint16_t Key, TShiftState Shift) const {
    (void)Key;
    (void)Shift;
    return false;
}

void TWinControl::KeyDown(uint16_t& Key, TShiftState Shift) {
    CallEvent(FOnKeyDown, this, Key, Shift);
}

void TWinControl::KeyUp(uint16_t& Key, TShiftState Shift) {
    CallEvent(FOnKeyUp, this, Key, Shift);
}

void TWinControl::KeyPress(char32_t& Key) {
    CallEvent(FOnKeyPress, this, Key);
}

void TWinControl::DoEnter() {
    CallEvent(FOnEnter, this);
}

void TWinControl::DoExit() {
    CallEvent(FOnExit, this);
}

void TWinControl::WMWindowPosChanged(TMessage& Message) {
    DefaultHandler(Message);
    if (!FSettingBounds) UpdateBounds();
}

void TWinControl::UpdateBounds() {
    if (!FHandle) return;
    TRect r;
    GetWindowRect(FHandle, &r);
    HWND parent = (GetWindowLong(FHandle, GWL_STYLE) & WS_CHILD) ? GetParent(FHandle) : nullptr;
    if (parent) MapWindowPoints(nullptr, parent, &r);
    UpdateBoundsRect(r);
}

void TWinControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (!FHandle) {
        TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
        if (!FAligning) Realign();
        return;
    }
    if (ALeft == Left() && ATop == Top() && AWidth == Width() && AHeight == Height()) return;
    FSettingBounds = true;
    try {
        SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    } catch (...) {
        FSettingBounds = false;
        throw;
    }
    FSettingBounds = false;
    // The window may have refused or clamped the size (min/max track sizes).
    UpdateBounds();
}

void TWinControl::BoundsChanged() {
    TControlCanvas::FreeDeviceContexts(FHandle);
    for (TControl* c : FControls)
        if (auto* g = dynamic_cast<TGraphicControl*>(c))
            if (auto* cc = dynamic_cast<TControlCanvas*>(g->Canvas())) cc->FreeHandle();
    Realign();
}

TRect TWinControl::ClientRect() const {
    if (FHandle) {
        TRect r;
        GetClientRect(FHandle, &r);
        return r;
    }
    return TControl::ClientRect();
}

void TWinControl::Invalidate() {
    if (FHandle) InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
}

void TWinControl::Update() {
    if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

void TWinControl::EraseBackground(HDC DC) {
    if (!DC || !FHandle) return;
    TRect r;
    GetClientRect(FHandle, &r);
    FBrush->SetColor(Color());
    FillRect(DC, r, FBrush->Handle());
}

void TWinControl::PaintWindow(HDC DC) { (void)DC; }

void TWinControl::PaintHandler(TMessage& Message) {
    PAINTSTRUCT ps{};
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    bool own = dc == nullptr;
    if (own) {
        dc = BeginPaint(FHandle, &ps);
        if (!dc) return;
    }
    std::shared_ptr<bool> alive = FAlive;
    try {
        int saved = SaveDC(dc);
        // Opaque graphic children cover their part: the window need not
        // paint beneath them.
        for (TControl* c : FControls)
            if (!dynamic_cast<TWinControl*>(c) && c->Visible() && c->ControlStyle().Contains(csOpaque))
                ExcludeClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
        PaintWindow(dc);
        RestoreDC(dc, saved);
        if (*alive) PaintControls(dc, nullptr);
    } catch (...) {
        if (own && *alive) EndPaint(FHandle, &ps);
        throw;
    }
    if (own && *alive) EndPaint(FHandle, &ps);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
    auto it = FControls.begin();
    if (First) {
        it = std::find(FControls.begin(), FControls.end(), First);
        if (it == FControls.end()) it = FControls.begin();
    }
    std::vector<TControl*> list(it, FControls.end());
    for (TControl* c : list) {
        if (dynamic_cast<TWinControl*>(c)) continue;
        if (std::find(FControls.begin(), FControls.end(), c) == FControls.end()) continue;  // freed meanwhile
        if (!(c->Visible() || (c->IsDesigning() && !c->ControlStyle().Contains(csNoDesignVisible)))) continue;
        TRect r = c->BoundsRect();
        if (r.Right <= r.Left || r.Bottom <= r.Top || !RectVisible(DC, r)) continue;
        int saved = SaveDC(DC);
        try {
            OffsetViewportOrgEx(DC, c->Left(), c->Top(), nullptr);
            IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
            c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
        } catch (...) {
            RestoreDC(DC, saved);
            throw;
        }
        RestoreDC(DC, saved);
    }
}

TControl* TWinControl::Controls(int Index) const {
    if (Index < 0 || Index >= ControlCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return FControls[static_cast<size_t>(Index)];
}

void TWinControl::InsertControl(TControl* AControl) {
    if (!AControl || AControl->FParent == this) return;
    FControls.push_back(AControl);
    AControl->FParent = this;
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        FTabList.push_back(w);
        if (w->FParentCtl3D) w->FCtl3D = FCtl3D;
    }
    if (AControl->FParentColor) AControl->ParentColorChanged();
    if (AControl->FParentFont) AControl->ParentFontChanged();
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        if (FHandle && (w->Visible() || w->IsDesigning())) w->UpdateShowing();
    } else {
        AControl->Invalidate();
    }
    Realign();
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
    auto it = std::find(FControls.begin(), FControls.end(), AControl);
    if (it == FControls.end()) return;
    if (!dynamic_cast<TWinControl*>(AControl) && FHandle && AControl->Visible()) {
        TRect r = AControl->BoundsRect();
        InvalidateRect(FHandle, &r, TRUE);
    }
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        if (TCustomForm* f = GetParentForm()) f->ControlRemoved(w);
        FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), w), FTabList.end());
        if (w->FHandle) w->DestroyHandle();
    }
    FControls.erase(std::find(FControls.begin(), FControls.end(), AControl));
    AControl->FParent = nullptr;
    if (!FControlState.Contains(csDestroyingHandle) && !ComponentState().Contains(csDestroying)) {
        Realign();
        Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    }
}

bool TWinControl::ContainsControl(const TControl* AControl) const {
    for (const TControl* c = AControl; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

void TWinControl::SetZOrderPosition(TControl* AControl, bool Top) {
    auto it = std::find(FControls.begin(), FControls.end(), AControl);
    if (it == FControls.end()) return;
    FControls.erase(it);
    if (Top)
        FControls.push_back(AControl);
    else
        FControls.insert(FControls.begin(), AControl);
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        if (w->FHandle)
            SetWindowPos(w->FHandle, Top ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        AControl->Invalidate();
    }
}

TControl* TWinControl::ControlAtPos(TPoint P, bool AllowDisabled, bool AllowWinControls) const {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        bool win = dynamic_cast<TWinControl*>(c) != nullptr;
        if (win && !AllowWinControls) continue;
        if (!(c->Visible() || (c->IsDesigning() && !c->ControlStyle().Contains(csNoDesignVisible)))) continue;
        if (!AllowDisabled && !c->Enabled()) continue;
        TPoint local{P.X - c->Left(), P.Y - c->Top()};
        if (c->Perform(CM_HITTEST, 0, LParamFromPoint(local)) != HTNOWHERE) return c;
    }
    return nullptr;
}

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0 && --FAlignLevel == 0) Realign();
}

void TWinControl::Realign() {
    if (FAlignLevel > 0 || FAligning || ComponentState().Contains(csDestroying) || IsLoading()) return;
    TRect r = ClientRect();
    FAligning = true;
    try {
        AlignControls(nullptr, r);
    } catch (...) {
        FAligning = false;
        throw;
    }
    FAligning = false;
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
    (void)AControl;
    const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign a : order) {
        for (TControl* c : std::vector<TControl*>(FControls)) {
            if (c->Align() != a || !(c->Visible() || c->IsDesigning())) continue;
            int32_t w = c->Width(), h = c->Height();
            int32_t cw = std::max(Rect.Right - Rect.Left, 0), ch = std::max(Rect.Bottom - Rect.Top, 0);
            switch (a) {
                case alTop:
                    c->SetBounds(Rect.Left, Rect.Top, cw, h);
                    Rect.Top += c->Height();
                    break;
                case alBottom:
                    c->SetBounds(Rect.Left, Rect.Bottom - h, cw, h);
                    Rect.Bottom -= c->Height();
                    break;
                case alLeft:
                    c->SetBounds(Rect.Left, Rect.Top, w, ch);
                    Rect.Left += c->Width();
                    break;
                case alRight:
                    c->SetBounds(Rect.Right - w, Rect.Top, w, ch);
                    Rect.Right -= c->Width();
                    break;
                case alClient: c->SetBounds(Rect.Left, Rect.Top, cw, ch); break;
                default: break;
            }
        }
    }
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    const auto& list = Parent()->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
    if (!Parent()) return;
    auto& list = Parent()->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    int n = static_cast<int>(list.size());
    if (Value < 0 || Value > n) Value = n;
    list.insert(list.begin() + Value, this);
}

std::vector<TWinControl*> TWinControl::GetTabOrderList() const { return FTabList; }

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    if (TCustomForm* f = GetParentForm()) {
        f->FocusControl(this);
        return;
    }
    vcl::SetFocus(Handle());
}

namespace {
void CollectTabOrder(const TWinControl* Root, std::vector<TWinControl*>& Out) {
    for (TWinControl* w : Root->GetTabOrderList()) {
        Out.push_back(w);
        CollectTabOrder(w, Out);
    }
}
}  // namespace

TWinControl* TWinControl::FindNextControl(TWinControl* Current, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) const {
    std::vector<TWinControl*> list;
    CollectTabOrder(this, list);
    if (list.empty()) return nullptr;
    int n = static_cast<int>(list.size());
    int start = -1;
    auto it = std::find(list.begin(), list.end(), Current);
    if (it != list.end()) start = static_cast<int>(it - list.begin());
    int i = start;
    for (int step = 0; step < n; ++step) {
        if (GoForward)
            i = (i + 1) % n;
        else
            i = (i <= 0 ? n : i) - 1;
        TWinControl* c = list[static_cast<size_t>(i)];
        if (c == Current) break;
        if (CheckTabStop && !c->TabStop()) continue;
        if (CheckParent && c->Parent() != this) continue;
        if (!c->CanFocus()) continue;
        // A container that takes no focus of its own is stepped through.
        if (c->ControlCount() > 0 && !c->TabStop() && !CheckTabStop) continue;
        return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* Current, bool GoForward, bool CheckTabStop) {
    TWinControl* next = FindNextControl(Current, GoForward, CheckTabStop, !CheckTabStop);
    if (next) next->SetFocus();
}

void TWinControl::SetCtl3D(bool Value) {
    if (FCtl3D == Value && !FParentCtl3D) return;
    FCtl3D = Value;
    FParentCtl3D = false;
    if (FHandle) RecreateWnd();
}

void TWinControl::SetParentCtl3D(bool Value) {
    if (FParentCtl3D == Value) return;
    FParentCtl3D = Value;
    if (Value && Parent()) {
        FCtl3D = Parent()->Ctl3D();
        if (FHandle) RecreateWnd();
    }
}

void TWinControl::ColorChanged() {
    FBrush->SetColor(Color());
    Invalidate();
    for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TWinControl::FontChanged() {
    Invalidate();
    for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TWinControl::TextChanged() { Invalidate(); }

std::string TWinControl::GetText() const { return FText; }

void TWinControl::SetText(const std::string& Value) {
    if (FHandle) {
        SetWindowText(FHandle, Value.c_str());  // WM_SETTEXT keeps FText
        return;
    }
    TControl::SetText(Value);
}

void TWinControl::UpdateShowing() {
    bool showing = Visible() || IsDesigning();
    if (showing) {
        if (Parent())
            showing = Parent()->FShowing;
        else
            showing = FParentWindow != nullptr || dynamic_cast<TCustomForm*>(this) != nullptr;
    }
    if (showing && !FHandle) {
        if (Parent() && !Parent()->HandleAllocated()) return;
        CreateHandle();
    }
    if (FShowing != showing) {
        FShowing = showing;
        if (FHandle) ShowWindow(FHandle, showing ? SW_SHOWNOACTIVATE : SW_HIDE);
    }
    for (TControl* c : std::vector<TControl*>(FControls))
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->UpdateShowing();
}

void TWinControl::UpdateControlState() { UpdateShowing(); }

void TWinControl::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
    for (TControl* c : FControls)
        if (c->Owner() == Root) Proc(c);
}

// ---------------------------------------------------------------------------
// TGraphicControl, TCustomControl

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
    FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() { FCanvas->SetControl(nullptr); }

void TGraphicControl::WndProc(TMessage& Message) {
    if (Message.Msg == WM_PAINT) {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        if (dc) FCanvas->PaintOn(dc, [this] { Paint(); });
        return;
    }
    TControl::WndProc(Message);
}

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
    FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl() { FCanvas->SetControl(nullptr); }

void TCustomControl::PaintWindow(HDC DC) {
    FCanvas->PaintOn(DC, [this] { Paint(); });
}

void TCustomControl::DestroyWnd() {
    FCanvas->FreeHandle();
    TWinControl::DestroyWnd();
}

}  // namespace vcl
