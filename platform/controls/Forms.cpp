#include "Forms.h"

#include <algorithm>

#include "Gdi.h"
#include "WinBackend.h"

namespace vcl {

VCL_PUBLISHED(TCustomForm, TWinControl) {}
VCL_PUBLISHED(TForm, TCustomForm) {
    B.Property("BorderIcons", &TForm::BorderIcons, &TForm::SetBorderIcons)
        .Default(static_cast<int64_t>(TBorderIcons{biSystemMenu, biMinimize, biMaximize}.Bits()));
    B.Property("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle).Default(bsSizeable);
    B.Property("Caption", &TForm::Caption, &TForm::SetCaption);
    B.Property("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight);
    B.Property("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth);
    B.Property("Color", &TForm::Color, &TForm::SetColor).Default(clBtnFace).Idents(ColorIdents());
    B.Property("Font", &TForm::Font, &TForm::SetFont);
    B.Property("FormStyle", &TForm::FormStyle, &TForm::SetFormStyle).Default(fsNormal);
    B.Property("Icon", &TForm::Icon, &TForm::SetIcon);
    B.Property("KeyPreview", &TForm::KeyPreview, &TForm::SetKeyPreview).Default(0);
    B.Property("Position", &TForm::Position, &TForm::SetPosition).Default(poDesigned);
    B.Property("Visible", &TForm::Visible, &TForm::SetVisible).Default(0);
    B.Property("WindowState", &TForm::WindowState, &TForm::SetWindowState).Default(wsNormal);
}
VCL_IMPLEMENT_CLASS(TApplication, TComponent)
VCL_IMPLEMENT_CLASS(TScreen, TComponent)

namespace {

DWORD FormStyleBits(TFormBorderStyle Border, TBorderIcons Icons, DWORD& ExStyle) {
    DWORD style = 0;
    ExStyle = 0;
    switch (Border) {
        case bsNone: style = WS_POPUP; break;
        case bsSingle: style = WS_CAPTION | WS_BORDER; break;
        case bsSizeable: style = WS_CAPTION | WS_THICKFRAME; break;
        case bsDialog:
            style = WS_POPUP | WS_CAPTION | WS_DLGFRAME;
            ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
            break;
        case bsToolWindow:
            style = WS_CAPTION | WS_BORDER;
            ExStyle = WS_EX_TOOLWINDOW;
            break;
        case bsSizeToolWin:
            style = WS_CAPTION | WS_THICKFRAME;
            ExStyle = WS_EX_TOOLWINDOW;
            break;
    }
    if (Border != bsNone && Icons.Contains(biSystemMenu)) {
        style |= WS_SYSMENU;
        if (Border != bsDialog && Border != bsToolWindow && Border != bsSizeToolWin) {
            if (Icons.Contains(biMinimize)) style |= WS_MINIMIZEBOX;
            if (Icons.Contains(biMaximize)) style |= WS_MAXIMIZEBOX;
        }
    }
    return style;
}

bool IsHeadless() {
    IWindowBackend* b = GetWindowBackend();
    return b == nullptr || !b->InputMayArrive();
}

}  // namespace

// ---------------------------------------------------------------------------
// TCustomForm

TCustomForm::TCustomForm(TComponent* AOwner)
    : TWinControl(AOwner),
      FIcon(std::make_unique<TIcon>()),
      FCanvas(std::make_unique<TControlCanvas>()),
      FFormAlive(std::make_shared<bool>(true)) {
    FCanvas->SetControl(this);
    SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
    SetVisible(false);
    SetParentColor(false);
    SetColor(clBtnFace);
    SetParentFont(false);
    SetBounds(0, 0, 320, 240);
    FIcon->SetOnChange([this](TObject*) { SetWindowIcon(); });
    Screen()->AddForm(this);
}

TCustomForm::~TCustomForm() {
    *FFormAlive = false;
    if (FOnDestroy) {
        try {
            FOnDestroy(this);
        } catch (...) {
            HandleApplicationException(this);
        }
    }
    Destroying();
    // The components go while the form is still whole: window hooks
    // unwind on a living window, the last created first.
    DestroyComponents();
    Screen()->RemoveForm(this);
    FIcon->SetOnChange(nullptr);
    FCanvas->SetControl(nullptr);
    if (Application()->MainForm() == this) Application()->SetMainForm(nullptr);
}

void TCustomForm::DoCreate() {
    CallEvent(FOnCreate, this);
}

void TCustomForm::Loaded() {
    TWinControl::Loaded();
    if (Visible()) UpdateVisible();
}

void TCustomForm::SetParent(TWinControl* AParent) {
    if (Parent() == AParent) return;
    if (HandleAllocated()) DestroyHandle();
    TWinControl::SetParent(AParent);
}

void TCustomForm::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    if (Parent()) return;  // a form inside another control is a plain child
    DWORD ex = 0;
    Params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS | FormStyleBits(FBorderStyle, FBorderIcons, ex);
    Params.ExStyle = ex;
    if (FFormStyle == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
    Params.WndParent = ParentWindow();
    if (FFormStyle == fsMDIChild) {
        TCustomForm* main = Application()->MainForm();
        if (!main || main->FormStyle() != fsMDIForm || !main->ClientHandle())
            throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
        Params.Style = (Params.Style & ~WS_POPUP) | WS_CHILD;
        Params.ExStyle |= WS_EX_MDICHILD;
        Params.WndParent = main->ClientHandle();
    }
    if (!Enabled()) Params.Style |= WS_DISABLED;
}

void TCustomForm::CreateWnd() {
    TWinControl::CreateWnd();
    SetWindowIcon();
    if (FFormStyle == fsMDIForm && !FClientHandle) {
        CLIENTCREATESTRUCT ccs;
        ccs.idFirstChild = 0xFF00;
        TRect r;
        GetClientRect(WindowHandleOrNull(), &r);
        FClientHandle = CreateWindowEx(WS_EX_CLIENTEDGE, "MDICLIENT", "", WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE,
                                       0, 0, r.Right, r.Bottom, WindowHandleOrNull(), nullptr,
                                       GetModuleHandle(nullptr), &ccs);
    }
}

void TCustomForm::CreateWindowHandle(const TCreateParams& Params) { TWinControl::CreateWindowHandle(Params); }

void TCustomForm::DestroyWnd() {
    FClientHandle = nullptr;  // goes with the frame
    TWinControl::DestroyWnd();
}

TRect TCustomForm::ClientRect() const {
    if (HandleAllocated() || Parent()) return TWinControl::ClientRect();
    DWORD ex = 0;
    DWORD style = FormStyleBits(FBorderStyle, FBorderIcons, ex);
    TRect frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, ex);
    return TRect{0, 0, std::max(Width() - (frame.Right - frame.Left), 0),
                 std::max(Height() - (frame.Bottom - frame.Top), 0)};
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
    if (FBorderIcons == Value) return;
    FBorderIcons = Value;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomForm::SetIcon(const TIcon* Value) { FIcon->Assign(Value); }

void TCustomForm::SetWindowIcon() {
    if (!HandleAllocated()) return;
    HICON icon = FIcon->Empty() ? nullptr : FIcon->Handle();
    if (!icon && !Application()->Icon()->Empty()) icon = Application()->Icon()->Handle();
    SendMessage(WindowHandleOrNull(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
    if (FFormStyle == Value) return;
    if (HandleAllocated() && (Value == fsMDIChild || FFormStyle == fsMDIChild || Value == fsMDIForm ||
                              FFormStyle == fsMDIForm)) {
        FFormStyle = Value;
        RecreateWnd();
        return;
    }
    FFormStyle = Value;
    if (HandleAllocated() && (Value == fsStayOnTop || Value == fsNormal))
        SetWindowPos(WindowHandleOrNull(), Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TCustomForm::WindowState() const {
    if (HandleAllocated()) {
        if (IsIconic(WindowHandleOrNull())) return wsMinimized;
        if (IsZoomed(WindowHandleOrNull())) return wsMaximized;
        if (IsWindowVisible(WindowHandleOrNull())) return wsNormal;
    }
    return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState Value) {
    FWindowState = Value;
    if (HandleAllocated() && IsWindowVisible(WindowHandleOrNull())) {
        int cmd = Value == wsMinimized ? SW_MINIMIZE : Value == wsMaximized ? SW_MAXIMIZE : SW_RESTORE;
        ShowWindow(WindowHandleOrNull(), cmd);
    }
}

void TCustomForm::Show() {
    SetVisible(true);
    if (HandleAllocated()) {
        BringWindowToTop(WindowHandleOrNull());
        if (FFormStyle != fsMDIChild) SetActiveWindow(WindowHandleOrNull());
    }
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::VisibleChanging() {
    if (FFormState.Contains(fsShowing)) throw EInvalidOperation("Cannot change Visible in OnShow or OnHide");
}

void TCustomForm::PlaceOnFirstShow() {
    if (FPlaced) return;
    FPlaced = true;
    if (FFormStyle == fsMDIChild) return;
    TRect area = Screen()->WorkAreaRect();
    TRect around = area;
    if (FPosition == poMainFormCenter || FPosition == poOwnerFormCenter) {
        TCustomForm* ref = FPosition == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
        if (!ref) ref = Application()->MainForm();
        if (ref && ref != this) around = ref->BoundsRect();
    }
    switch (FPosition) {
        case poScreenCenter:
        case poDesktopCenter:
        case poMainFormCenter:
        case poOwnerFormCenter: {
            int32_t x = around.Left + ((around.Right - around.Left) - Width()) / 2;
            int32_t y = around.Top + ((around.Bottom - around.Top) - Height()) / 2;
            SetBounds(std::max(x, area.Left), std::max(y, area.Top), Width(), Height());
            break;
        }
        case poDefault:
        case poDefaultPosOnly: {
            // Cascade the forms from the top-left corner of the work area.
            static int cascade = 0;
            int32_t step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
            int32_t x = area.Left + step * (cascade % 8), y = area.Top + step * (cascade % 8);
            ++cascade;
            SetBounds(x, y, Width(), Height());
            break;
        }
        default: break;
    }
}

void TCustomForm::UpdateVisible() {
    if (IsLoading()) return;
    HWND wnd = nullptr;
    std::shared_ptr<bool> alive = FFormAlive;
    if (Visible()) {
        HandleNeeded();
        if (!*alive) return;
        wnd = WindowHandleOrNull();
        PlaceOnFirstShow();
        FFormState.Include(fsShowing);
        try {
            DoShow();
        } catch (...) {
            if (*alive) FFormState.Exclude(fsShowing);
            throw;
        }
        if (!*alive) return;
        FFormState.Exclude(fsShowing);
        int cmd = FFormStyle == fsMDIChild ? SW_SHOW : SW_SHOWNORMAL;
        if (FWindowState == wsMinimized) cmd = SW_SHOWMINIMIZED;
        if (FWindowState == wsMaximized) cmd = SW_SHOWMAXIMIZED;
        TWinControl::UpdateShowing();
        ShowWindow(wnd, cmd);
        if (!*alive) return;
        FFormState.Include(fsVisible);
        if (FFormStyle != fsMDIChild && GetActiveWindow() != wnd) SetActiveWindow(wnd);
    } else {
        if (!HandleAllocated()) return;
        FFormState.Include(fsShowing);
        try {
            DoHide();
        } catch (...) {
            if (*alive) FFormState.Exclude(fsShowing);
            throw;
        }
        if (!*alive) return;
        FFormState.Exclude(fsShowing);
        ShowWindow(WindowHandleOrNull(), SW_HIDE);
        FFormState.Exclude(fsVisible);
        TWinControl::UpdateShowing();
    }
}

void TCustomForm::DoShow() {
    CallEvent(FOnShow, this);
}

void TCustomForm::DoHide() {
    CallEvent(FOnHide, this);
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (FFormStyle == fsMDIForm)
        for (int i = 0; i < MDIChildCount(); ++i)
            if (!MDIChildren(i)->CloseQuery()) return false;
    CallEvent(FOnCloseQuery, this, canClose);
    return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
    CallEvent(FOnClose, this, Action);
}

void TCustomForm::Close() {
    if (FFormState.Contains(fsModal)) {
        FModalResult = mrCancel;
        return;
    }
    std::shared_ptr<bool> alive = FFormAlive;
    if (!CloseQuery() || !*alive) return;
    TCloseAction action = caHide;
    if (FFormStyle == fsMDIChild) action = FBorderIcons.Contains(biMinimize) ? caMinimize : caNone;
    DoClose(action);
    if (!*alive || action == caNone) return;
    if (Application()->MainForm() == this)
        Application()->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

void TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    std::shared_ptr<bool> alive = FFormAlive;
    if (CloseQuery()) {
        action = caHide;
        if (*alive) DoClose(action);
    }
    if (!*alive) return;
    if (action == caNone)
        FModalResult = mrNone;
    else if (action == caFree)
        Release();
}

void TCustomForm::Release() {
    if (HandleAllocated())
        PostMessage(WindowHandleOrNull(), CM_RELEASE, 0, 0);
    else
        delete this;
}

TModalResult TCustomForm::ShowModal() {
    if (Visible() || !Enabled() || FFormState.Contains(fsModal) || FFormStyle == fsMDIChild)
        throw EInvalidOperation("Cannot make a visible window modal");
    if (GetCapture()) SendMessage(GetCapture(), WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    TApplication* app = Application();
    // The other windows of the application take no input meanwhile.
    std::vector<HWND> disabled;
    for (int i = 0; i < Screen()->FormCount(); ++i) {
        TCustomForm* f = Screen()->Forms(i);
        if (f == this || !f->HandleAllocated() || f->Parent()) continue;
        HWND w = f->WindowHandleOrNull();
        if (IsWindowVisible(w) && IsWindowEnabled(w)) {
            EnableWindow(w, FALSE);
            disabled.push_back(w);
        }
    }
    std::shared_ptr<bool> alive = FFormAlive;
    std::string caption = Caption();
    FFormState.Include(fsModal);
    ++app->FModalLevel;
    FModalResult = mrNone;
    auto restore = [&]() {
        --app->FModalLevel;
        for (HWND w : disabled)
            if (IsWindow(w)) EnableWindow(w, TRUE);
        if (*alive) FFormState.Exclude(fsModal);
    };
    try {
        Show();
        bool scriptRan = false;
        MSG msg;
        while (*alive && FModalResult == mrNone) {
            if (app->ProcessMessage(msg)) {
                // handled one
            } else if (!scriptRan && app->FModalScript) {
                scriptRan = true;
                app->RunModalScript(*this);
            } else if (IsHeadless()) {
                // Nobody can answer: the form is cancelled rather than left
                // waiting for ever.
                if (FModalResult == mrNone) FModalResult = mrCancel;
            } else {
                app->Idle();
                WaitMessage();
            }
            if (!*alive) break;
            if (app->Terminated() && FModalResult == mrNone) FModalResult = mrCancel;
            if (FModalResult != mrNone) CloseModal();
        }
        TModalResult result = *alive ? FModalResult : mrCancel;
        if (*alive) Hide();
        restore();
        app->RecordShown(TShownText{"ShowModal", caption, "", result});
        return result;
    } catch (...) {
        if (*alive && Visible()) {
            try {
                Hide();
            } catch (...) {
            }
        }
        restore();
        throw;
    }
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
    if (Control && (!ContainsControl(Control) || Control == this))
        throw EInvalidOperation("Invalid active control");
    if (Control && FActive && HandleAllocated() && Control->CanFocus()) {
        FocusControl(Control);
        return;
    }
    FActiveControl = Control;
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
    if (!Control || !Control->CanFocus()) return false;
    FocusControl(Control);
    return true;
}

void TCustomForm::FocusControl(TWinControl* Control) {
    if (!Control || Control == this) {
        if (HandleAllocated()) vcl::SetFocus(WindowHandleOrNull());
        return;
    }
    if (!Visible() || !HandleAllocated() || !FActive) {
        FActiveControl = Control;
        return;
    }
    vcl::SetFocus(Control->Handle());
    // A window that did not take the focus still becomes the active control.
    if (FActiveControl != Control) FocusChanged(Control);
}

void TCustomForm::FocusChanged(TWinControl* Control) {
    if (Control == this || Control == FActiveControl) return;
    TWinControl* old = FActiveControl;
    FActiveControl = Control;
    std::shared_ptr<bool> alive = FFormAlive;
    if (old) old->Perform(CM_EXIT, 0, 0);
    if (!*alive || FActiveControl != Control) return;
    if (Control) Control->Perform(CM_ENTER, 0, 0);
}

void TCustomForm::ControlRemoved(TWinControl* Control) {
    if (FActiveControl && Control->ContainsControl(FActiveControl)) FActiveControl = nullptr;
}

void TCustomForm::Activate() {
    CallEvent(FOnActivate, this);
}

void TCustomForm::Deactivate() {
    CallEvent(FOnDeactivate, this);
}

int TCustomForm::MDIChildCount() const {
    int n = 0;
    if (!FClientHandle) return 0;
    for (int i = 0; i < Screen()->FormCount(); ++i) {
        TCustomForm* f = Screen()->Forms(i);
        if (f->FormStyle() == fsMDIChild && f->HandleAllocated() && GetParent(f->WindowHandleOrNull()) == FClientHandle)
            ++n;
    }
    return n;
}

TCustomForm* TCustomForm::MDIChildren(int Index) const {
    int n = 0;
    if (FClientHandle)
        for (int i = 0; i < Screen()->FormCount(); ++i) {
            TCustomForm* f = Screen()->Forms(i);
            if (f->FormStyle() == fsMDIChild && f->HandleAllocated() &&
                GetParent(f->WindowHandleOrNull()) == FClientHandle && n++ == Index)
                return f;
        }
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

TCustomForm* TCustomForm::ActiveMDIChild() const {
    if (!FClientHandle) return nullptr;
    HWND w = reinterpret_cast<HWND>(SendMessage(FClientHandle, WM_MDIGETACTIVE, 0, 0));
    return dynamic_cast<TCustomForm*>(FindControl(w));
}

void TCustomForm::PaintWindow(HDC DC) {
    if (FOnPaint) FCanvas->PaintOn(DC, [this] { FOnPaint(this); });
}

void TCustomForm::BoundsChanged() {
    TWinControl::BoundsChanged();
    FCanvas->FreeHandle();
    if (FClientHandle) {
        TRect r = ClientRect();
        MoveWindow(FClientHandle, 0, 0, r.Right, r.Bottom, TRUE);
    }
}

bool TCustomForm::DialogKey(uint16_t Key) {
    TShiftState shift = KeyboardShiftState();
    if (shift.Contains(ssAlt) || shift.Contains(ssCtrl)) return false;
    switch (Key) {
        case VK_TAB:
            SelectNext(FActiveControl, !shift.Contains(ssShift), true);
            return true;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            if (FActiveControl && FActiveControl->Parent()) {
                FActiveControl->Parent()->SelectNext(FActiveControl, Key == VK_RIGHT || Key == VK_DOWN, false);
                return true;
            }
            return false;
        default: break;
    }
    // Enter and Escape go to the buttons that take them (default, cancel).
    return Broadcast(CM_DIALOGKEY, Key);
}

bool TCustomForm::Broadcast(UINT Msg, WPARAM WParam) {
    std::vector<TControl*> pending;
    for (int i = 0; i < ControlCount(); ++i) pending.push_back(Controls(i));
    for (size_t i = 0; i < pending.size(); ++i) {
        TControl* c = pending[i];
        if (!c->Visible() || !c->Enabled()) continue;
        if (c->Perform(Msg, WParam, 0) != 0) return true;
        if (auto* w = dynamic_cast<TWinControl*>(c))
            for (int j = 0; j < w->ControlCount(); ++j) pending.push_back(w->Controls(j));
    }
    return false;
}

void TCustomForm::WndProc(TMessage& Message) {
    switch (Message.Msg) {
        case WM_CLOSE: Close(); return;
        case WM_ACTIVATE: {
            DefaultHandler(Message);
            std::shared_ptr<bool> alive = FFormAlive;
            if (LOWORD(Message.WParam) != WA_INACTIVE) {
                FActive = true;
                FFormState.Include(fsActivated);
                Screen()->SetActiveForm(this);
                if (FActiveControl && FActiveControl->CanFocus() && FActiveControl->HandleAllocated())
                    vcl::SetFocus(FActiveControl->WindowHandleOrNull());
                else if (!FActiveControl) {
                    TWinControl* first = FindNextControl(nullptr, true, true, false);
                    if (first) FocusControl(first);
                }
                if (*alive) Activate();
            } else {
                FActive = false;
                Deactivate();
            }
            return;
        }
        case CM_DIALOGKEY:
            Message.Result = DialogKey(static_cast<uint16_t>(Message.WParam)) ? 1 : 0;
            return;
        case CM_DIALOGCHAR: Message.Result = Broadcast(CM_DIALOGCHAR, Message.WParam) ? 1 : 0; return;
        case CM_RELEASE: delete this; return;
        case CM_VISIBLECHANGED:
            if (!Parent()) {
                UpdateVisible();
                return;
            }
            break;
        case WM_SIZE:
            if (FClientHandle) {
                TRect r;
                GetClientRect(WindowHandleOrNull(), &r);
                MoveWindow(FClientHandle, 0, 0, r.Right, r.Bottom, TRUE);
            }
            break;
        case WM_DESTROY:
            if (FActive) {
                FActive = false;
                if (Screen()->ActiveForm() == this) Screen()->SetActiveForm(nullptr);
            }
            break;
        default: break;
    }
    if (FFormStyle == fsMDIForm && FClientHandle && HandleAllocated() &&
        (Message.Msg < CM_BASE || Message.Msg >= CN_BASE + 0x400)) {
        // The frame's default processing talks to the MDI client.
        switch (Message.Msg) {
            case WM_PAINT:
            case WM_ERASEBKGND:
            case WM_WINDOWPOSCHANGED:
            case WM_SETTEXT:
            case WM_SETCURSOR:
            case WM_SETFOCUS:
            case WM_KEYDOWN:
            case WM_KEYUP:
            case WM_SYSKEYDOWN:
            case WM_SYSKEYUP:
            case WM_CHAR: break;
            default:
                if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST) break;
                if (Message.Msg == WM_SIZE) {
                    // handled above; DefFrameProc would size the client too
                    TWinControl::WndProc(Message);
                    return;
                }
                TWinControl::WndProc(Message);
                return;
        }
    }
    TWinControl::WndProc(Message);
}

bool TCustomForm::SaveToPng(const std::string& Path) {
    HandleNeeded();
    UpdateWindow(WindowHandleOrNull());
    return SaveWindowToPng(WindowHandleOrNull(), Path);
}

// ---------------------------------------------------------------------------
// TApplication

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner), FIcon(std::make_unique<TIcon>()) {
    FHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
    FPreviousHandler = SetApplicationHandleException(
        [this](TObject* Sender, std::exception_ptr E) { HandleException(Sender, E); });
    FTitle = ParamTitle();
}

TApplication::~TApplication() {
    Destroying();
    DestroyComponents();
    SetApplicationHandleException(FPreviousHandler);
    if (FHandle) DeallocateHWnd(FHandle);
}

std::string TApplication::ParamTitle() {
    // The program's file name without folder and extension.
    std::string path;
    if (FILE* f = std::fopen("/proc/self/comm", "r")) {
        char buf[64] = {};
        if (std::fgets(buf, sizeof buf, f)) path = buf;
        std::fclose(f);
    }
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
    return path;
}

void TApplication::WndProc(TMessage& Message) {
    Message.Result = DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TApplication::AddForm(TCustomForm* Form) {
    if (!FMainForm) FMainForm = Form;
    try {
        Form->DoCreate();
    } catch (...) {
        HandleException(Form);
    }
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FMainForm) FMainForm = nullptr;
}

void TApplication::SetIcon(const TIcon* Value) { FIcon->Assign(Value); }

bool TApplication::ProcessMessage(MSG& Msg) {
    if (!PeekMessage(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (Msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    bool handled = false;
    if (FOnMessage) {
        try {
            FOnMessage(Msg, handled);
        } catch (...) {
            HandleException(this);
            handled = true;
        }
    }
    if (!handled) {
        TranslateMessage(&Msg);
        DispatchMessage(&Msg);
    }
    return true;
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::Idle() {
    CheckMouseControl();
    TControlCanvas::FreeDeviceContexts(nullptr);
    bool done = true;
    if (FOnIdle) {
        try {
            FOnIdle(this, done);
        } catch (...) {
            HandleException(this);
        }
    }
    (void)done;
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) {
        Idle();
        if (!ProcessMessage(msg) && !FTerminated) {
            WaitMessage();
        }
    }
}

void TApplication::Run() {
    if (FMainForm) FMainForm->Show();
    while (!FTerminated) HandleMessage();
}

void TApplication::Terminate() {
    // The quit message reaches the outermost loop even through modal loops:
    // Terminated stays set once it was seen.
    PostQuitMessage(0);
}

void TApplication::HandleException(TObject* Sender) { HandleException(Sender, std::current_exception()); }

void TApplication::HandleException(TObject* Sender, std::exception_ptr E) {
    if (!E) return;
    try {
        std::rethrow_exception(E);
    } catch (const EAbort&) {
        return;
    } catch (...) {
    }
    if (FOnException) {
        FOnException(Sender, E);
        return;
    }
    try {
        std::rethrow_exception(E);
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(Exception("Unknown exception"));
    }
}

void TApplication::ShowException(const std::exception& E) {
    std::string msg = E.what();
    if (const auto* ve = dynamic_cast<const Exception*>(&E)) msg = ve->Message();
    if (!msg.empty() && msg.back() != '.') msg += '.';
    MessageBox(msg, FTitle, MB_OK | MB_ICONSTOP);
}

TModalScript TApplication::SetModalScript(TModalScript Script) {
    TModalScript old = std::move(FModalScript);
    FModalScript = std::move(Script);
    return old;
}

TMessageBoxScript TApplication::SetMessageBoxScript(TMessageBoxScript Script) {
    TMessageBoxScript old = std::move(FMessageBoxScript);
    FMessageBoxScript = std::move(Script);
    return old;
}

void TApplication::RecordShown(TShownText Text) { FShownTexts.push_back(std::move(Text)); }

void TApplication::RunModalScript(TCustomForm& Form) {
    TModalScript script = FModalScript;  // the script may replace itself
    script(Form);
}

int32_t TApplication::AnswerMessageBox(const TMessageBoxRequest& Request, bool& Answered) {
    Answered = false;
    if (FMessageBoxScript) {
        TMessageBoxScript script = FMessageBoxScript;
        int32_t r = script(Request);
        Answered = true;
        return r;
    }
    if (IsHeadless()) {
        Answered = true;
        return Request.DefaultButton;
    }
    return 0;
}

int32_t TApplication::MessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags) {
    TMessageBoxRequest req;
    req.Kind = "MessageBox";
    req.Caption = Caption.empty() ? FTitle : Caption;
    req.Text = Text;
    req.Flags = Flags;
    switch (Flags & MB_TYPEMASK) {
        case MB_OKCANCEL: req.Buttons = {IDOK, IDCANCEL}; break;
        case MB_ABORTRETRYIGNORE: req.Buttons = {IDABORT, IDRETRY, IDIGNORE}; break;
        case MB_YESNOCANCEL: req.Buttons = {IDYES, IDNO, IDCANCEL}; break;
        case MB_YESNO: req.Buttons = {IDYES, IDNO}; break;
        case MB_RETRYCANCEL: req.Buttons = {IDRETRY, IDCANCEL}; break;
        default: req.Buttons = {IDOK}; break;
    }
    size_t def = (Flags & MB_DEFMASK) >> 8;
    req.DefaultButton = req.Buttons[def < req.Buttons.size() ? def : 0];
    bool answered = false;
    int32_t result = AnswerMessageBox(req, answered);
    if (!answered) result = ShowMessageBoxForm(req);
    RecordShown(TShownText{req.Kind, req.Caption, req.Text, result});
    return result;
}

TScriptScope::TScriptScope(TModalScript Modal, TMessageBoxScript MessageBox) {
    FModal = Application()->SetModalScript(std::move(Modal));
    FMessageBox = Application()->SetMessageBoxScript(std::move(MessageBox));
}

TScriptScope::~TScriptScope() {
    Application()->SetModalScript(std::move(FModal));
    Application()->SetMessageBoxScript(std::move(FMessageBox));
}

// ---------------------------------------------------------------------------
// TScreen

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

TScreen::~TScreen() = default;

TCustomForm* TScreen::Forms(int Index) const {
    if (Index < 0 || Index >= FormCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return FForms[static_cast<size_t>(Index)];
}

void TScreen::AddForm(TCustomForm* Form) {
    if (std::find(FForms.begin(), FForms.end(), Form) == FForms.end()) FForms.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm* Form) {
    FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
    if (FActiveForm == Form) SetActiveForm(nullptr);
}

void TScreen::SetActiveForm(TCustomForm* Form) {
    if (FActiveForm == Form) return;
    FActiveForm = Form;
    if (Form) {
        // The active form moves to the front of the list.
        FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
        FForms.insert(FForms.begin(), Form);
    }
    CallEvent(FOnActiveFormChange, this);
}

void TScreen::SetCursor(TCursor Value) {
    if (FCursor == Value) return;
    FCursor = Value;
    vcl::SetCursor(Cursors(Value == crDefault ? crArrow : Value));
}

HCURSOR TScreen::Cursors(int Index) const {
    for (const auto& c : FCustomCursors)
        if (c.first == Index) return c.second;
    const char* id = IDC_ARROW;
    switch (Index) {
        case crNone: return nullptr;
        case crCross: id = IDC_CROSS; break;
        case crIBeam: id = IDC_IBEAM; break;
        case crSizeNESW: id = IDC_SIZENESW; break;
        case crSizeNS:
        case crVSplit: id = IDC_SIZENS; break;
        case crSizeNWSE: id = IDC_SIZENWSE; break;
        case crSizeWE:
        case crHSplit: id = IDC_SIZEWE; break;
        case crUpArrow: id = IDC_UPARROW; break;
        case crHourGlass:
        case crSQLWait: id = IDC_WAIT; break;
        case crNoDrop:
        case crNo: id = IDC_NO; break;
        case crAppStart: id = IDC_APPSTARTING; break;
        case crHelp: id = IDC_HELP; break;
        case crHandPoint: id = IDC_HAND; break;
        case crSizeAll: id = IDC_SIZEALL; break;
        default: break;
    }
    return LoadCursor(nullptr, id);
}

void TScreen::SetCursors(int Index, HCURSOR Handle) {
    auto it = std::find_if(FCustomCursors.begin(), FCustomCursors.end(),
                           [Index](const auto& c) { return c.first == Index; });
    if (it != FCustomCursors.end()) FCustomCursors.erase(it);
    if (Handle) FCustomCursors.emplace_back(Index, Handle);
}

int32_t TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int32_t TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }
TRect TScreen::DesktopRect() const { return TRect{0, 0, Width(), Height()}; }

TRect TScreen::WorkAreaRect() const {
    TRect r{0, 0, Width(), Height()};
    SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

// ---------------------------------------------------------------------------

TApplication* Application() {
    // Made once and kept for the life of the process: forms may still be
    // freed by the window manager's own clean-up at exit.
    static TApplication* app = new TApplication(nullptr);
    return app;
}

TScreen* Screen() {
    static TScreen* screen = new TScreen(nullptr);
    return screen;
}

}  // namespace vcl
