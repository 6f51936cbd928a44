// Controls.h - controls: TControl, TWinControl, TGraphicControl,
// TCustomControl and the control canvas.
//
// A control is a component with bounds inside a parent control.  Windowed
// controls (TWinControl) own a window of the window manager, created on
// first need (HandleNeeded) from CreateParams, and paint in WM_PAINT; the
// non-windowed ones (TGraphicControl) paint into their parent's window and
// get their mouse input from it.  Every control handles its messages in the
// virtual WndProc: a descendant overrides it, acts on what it wants and
// passes the rest on to the inherited WndProc.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Graphics.h"
#include "Messages.h"
#include "Windows.h"

namespace vcl {

class TWinControl;
class TCustomForm;

VCL_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient)
VCL_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)
VCL_ENUM(TLeftRight, lrLeft, lrRight)
VCL_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)

VCL_ENUM(TControlStyleFlag, csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents,
         csFramed, csSetCaption, csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible,
         csReplicatable, csNoStdEvents, csDisplayDragImage, csReflector, csActionClient, csMenuEvents)
using TControlStyle = Set<TControlStyleFlag>;

VCL_ENUM(TControlStateFlag, csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded,
         csFocusing, csCreating, csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking)
using TControlState = Set<TControlStateFlag>;

VCL_ENUM(TMouseButton, mbLeft, mbRight, mbMiddle)
VCL_ENUM(TShiftStateFlag, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble)
using TShiftState = Set<TShiftStateFlag>;

// Border styles: forms take all of them, other controls bsNone and bsSingle.
VCL_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
using TBorderStyle = TFormBorderStyle;

// Cursors: the stock shapes and, from 1 up, the application's own cursors
// installed in TScreen::Cursors.
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = crSizeAll;
// The cursor names for streaming ("crArrow"...), for TPropInfo::Idents.
const TColorIdents& CursorIdents();
bool CursorToIdent(int32_t Cursor, std::string& Ident);
bool IdentToCursor(const std::string& Ident, int32_t& Cursor);

// Modal results.
using TModalResult = int32_t;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;      // IDOK
constexpr TModalResult mrCancel = 2;  // IDCANCEL
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
// The typed character as a code point; setting it to 0 swallows it.
using TKeyPressEvent = std::function<void(TObject* Sender, char32_t& Key)>;

// The shift state of the MK_* flags of a mouse message, with the Alt key
// from the keyboard state.
TShiftState MouseShiftState(WPARAM Keys);
// The shift state of the keyboard now (GetKeyState).
TShiftState KeyboardShiftState();
// True when Caption marks Key as its accelerator ("&File" for f or F; "&&"
// is a plain ampersand).
bool IsAccel(char32_t Key, const std::string& Caption);
// The control whose window Wnd is, or nullptr (also for dead handles).
TWinControl* FindControl(HWND Wnd);

// A canvas that draws on a control: a windowed control's client area, or
// the part of its parent's client area that a graphic control covers
// (origin at the control's top-left corner, clipped to it).  The DC is
// taken on first drawing and given back by FreeHandle or when the control's
// window goes.
class TControlCanvas : public TCanvas {
    VCL_DECLARE_CLASS(TControlCanvas)
public:
    TControlCanvas() = default;
    ~TControlCanvas() override;

    class TControl* Control() const { return FControl; }
    void SetControl(class TControl* Value);
    // Gives the DC back (drawing takes a new one).
    void FreeHandle();
    // Runs Paint drawing on DC (the DC of a WM_PAINT), then lets DC go.
    void PaintOn(HDC DC, const std::function<void()>& Paint);
    // Frees every canvas's DC that belongs to Wnd's window (its window is
    // going away).
    static void FreeDeviceContexts(HWND Wnd);

protected:
    void CreateHandle() override;

private:
    class TControl* FControl = nullptr;
    HDC FDeviceContext = nullptr;
    HWND FWindowHandle = nullptr;
};

// ---------------------------------------------------------------------------

class TControl : public TComponent {
    VCL_DECLARE_CLASS(TControl)
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // Placement.
    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    int32_t Left() const { return FLeft; }
    int32_t Top() const { return FTop; }
    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    void SetLeft(int32_t Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int32_t Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int32_t Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int32_t Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    // Moves and sizes the control (in its parent's client coordinates);
    // negative sizes become 0.
    virtual void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);
    TRect BoundsRect() const { return TRect{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top); }
    // The client area in the control's own client coordinates.
    virtual TRect ClientRect() const;
    int32_t ClientWidth() const { return ClientRect().Right; }
    int32_t ClientHeight() const { return ClientRect().Bottom; }
    void SetClientWidth(int32_t Value);
    void SetClientHeight(int32_t Value);
    TPoint ClientOrigin() const;  // the client area's top-left corner on the screen
    TPoint ClientToScreen(TPoint P) const;
    TPoint ScreenToClient(TPoint P) const;
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);

    // Appearance.
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    void Show();
    void Hide() { SetVisible(false); }
    // Visible, and every parent up to the form too.
    bool IsVisibleOnScreen() const;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont* Value);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value) { FShowHint = Value; }
    // The caption or text (the window text of a windowed control).
    std::string Caption() const { return GetText(); }
    void SetCaption(const std::string& Value) { SetText(Value); }
    std::string Text() const { return GetText(); }
    // The text as the control keeps it; windowed controls keep it in their
    // window.  Descendants that show text differently override both.
    virtual std::string GetText() const;
    virtual void SetText(const std::string& Value);
    void SetTextProp(const std::string& Value) { SetText(Value); }
    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }
    TControlState ControlState() const { return FControlState; }
    void SetControlState(TControlState Value) { FControlState = Value; }

    // Painting.
    virtual void Invalidate();
    // Paints what is invalid now.
    virtual void Update();
    // Invalidates and paints at once.
    virtual void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    // Messages: Perform sends a message straight to WndProc.
    LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);
    virtual void WndProc(TMessage& Message);
    // What a message nobody handled gets.
    virtual void DefaultHandler(TMessage& Message);

    // The form the control stands on, or nullptr.
    TCustomForm* GetParentForm() const;
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;
    // True when the control is hit at P (client coordinates): visible and
    // inside its bounds; descendants with holes may say no.
    virtual bool HitTest(TPoint P) const;

    // Events.
    const TNotifyEvent& OnClick() const { return FOnClick; }
    void SetOnClick(TNotifyEvent H) { FOnClick = std::move(H); }
    const TNotifyEvent& OnDblClick() const { return FOnDblClick; }
    void SetOnDblClick(TNotifyEvent H) { FOnDblClick = std::move(H); }
    const TMouseEvent& OnMouseDown() const { return FOnMouseDown; }
    void SetOnMouseDown(TMouseEvent H) { FOnMouseDown = std::move(H); }
    const TMouseEvent& OnMouseUp() const { return FOnMouseUp; }
    void SetOnMouseUp(TMouseEvent H) { FOnMouseUp = std::move(H); }
    const TMouseMoveEvent& OnMouseMove() const { return FOnMouseMove; }
    void SetOnMouseMove(TMouseMoveEvent H) { FOnMouseMove = std::move(H); }
    const TNotifyEvent& OnResize() const { return FOnResize; }
    void SetOnResize(TNotifyEvent H) { FOnResize = std::move(H); }

    // Runs the click as a mouse click would (OnClick).
    virtual void Click();
    void Loaded() override;

protected:
    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
    virtual void Resize();
    // Called after the text changed (CM_TEXTCHANGED).
    virtual void TextChanged();
    // Called when the bounds changed (after the window moved, if any).
    virtual void BoundsChanged();
    virtual void VisibleChanging() {}
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The parent's colour or font changed.
    virtual void ParentColorChanged();
    virtual void ParentFontChanged();
    virtual void FontChanged();
    virtual void ColorChanged();
    // Sets bounds without the window (used when the window reports them).
    void UpdateBoundsRect(const TRect& R);
    // Asks the parent to realign its controls.
    void RequestAlign();
    // Invalidates the control's rectangle in the parent (graphic controls).
    void InvalidateControl(bool IsVisible, bool IsOpaque);
    // Fires the mouse events and, for a left click, Click.
    void DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift);
    void DoMouseUp(TMessage& Message, TMouseButton Button);
    std::string FText;

private:
    friend class TWinControl;
    void FontChangedHandler(TObject*);

    TWinControl* FParent = nullptr;
    int32_t FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clWindow;
    bool FParentColor = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    bool FSettingParentFont = false;
    TCursor FCursor = crDefault;
    std::string FHint;
    bool FShowHint = false;
    TControlStyle FControlStyle;
    TControlState FControlState;
    TNotifyEvent FOnClick, FOnDblClick, FOnResize;
    TMouseEvent FOnMouseDown, FOnMouseUp;
    TMouseMoveEvent FOnMouseMove;
};

// The parameters a windowed control's window is created with.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int32_t X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    WNDCLASS WindowClass;
    std::string WinClassName;
};

class TWinControl : public TControl {
    VCL_DECLARE_CLASS(TWinControl)
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // The window, created when first asked for (the parent's first).
    HWND Handle();
    HWND WindowHandleOrNull() const { return FHandle; }
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded();
    // Destroys the window and creates it again with the current parameters.
    void RecreateWnd();
    // The window's parent when the control has no parent control (a form
    // hosted in another window); nullptr otherwise.
    HWND ParentWindow() const { return FParentWindow; }
    void SetParentWindow(HWND Value);

    // Children.
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int Index) const;
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    bool ContainsControl(const TControl* AControl) const;
    // The visible, enabled child at P (client coordinates), graphic
    // controls before windowed ones when AllowDisabled is false; nullptr.
    TControl* ControlAtPos(TPoint P, bool AllowDisabled, bool AllowWinControls = false) const;
    // Positions the aligned children in the client area (alTop, alBottom,
    // alLeft, alRight, then alClient, each group in child order).
    void Realign();
    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();

    // Focus and tabbing.
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value) { FTabStop = Value; }
    int TabOrder() const;
    void SetTabOrder(int Value);
    virtual bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();
    // The children in tab order (TabStop or not).
    std::vector<TWinControl*> GetTabOrderList() const;
    // The next (or previous) focusable control after Current, in tab order
    // through the nested containers; wraps around.
    TWinControl* FindNextControl(TWinControl* Current, bool GoForward, bool CheckTabStop, bool CheckParent) const;
    void SelectNext(TWinControl* Current, bool GoForward, bool CheckTabStop);
    bool Showing() const { return FShowing; }

    // The background brush (the control's colour).
    TBrush* Brush() const { return FBrush.get(); }
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool Value);
    bool ParentCtl3D() const { return FParentCtl3D; }
    void SetParentCtl3D(bool Value);

    void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
    TRect ClientRect() const override;
    std::string GetText() const override;
    void SetText(const std::string& Value) override;
    void Invalidate() override;
    void Update() override;
    void Repaint() override;
    void WndProc(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;
    // Paints the graphic children (and their children) into DC, which
    // draws on this control's client area; First: start with this child.
    void PaintControls(HDC DC, TControl* First);
    // Handles WM_PAINT: the control's own painting, then its graphic
    // children.
    void PaintHandler(TMessage& Message);

    const TKeyEvent& OnKeyDown() const { return FOnKeyDown; }
    void SetOnKeyDown(TKeyEvent H) { FOnKeyDown = std::move(H); }
    const TKeyEvent& OnKeyUp() const { return FOnKeyUp; }
    void SetOnKeyUp(TKeyEvent H) { FOnKeyUp = std::move(H); }
    const TKeyPressEvent& OnKeyPress() const { return FOnKeyPress; }
    void SetOnKeyPress(TKeyPressEvent H) { FOnKeyPress = std::move(H); }
    const TNotifyEvent& OnEnter() const { return FOnEnter; }
    void SetOnEnter(TNotifyEvent H) { FOnEnter = std::move(H); }
    const TNotifyEvent& OnExit() const { return FOnExit; }
    void SetOnExit(TNotifyEvent H) { FOnExit = std::move(H); }

    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;

protected:
    virtual void CreateParams(TCreateParams& Params);
    // Makes the window: CreateParams, class registration, CreateWindowHandle.
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& Params);
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    void CreateHandle();
    void DestroyHandle();
    // Called once the window exists (children get theirs after it).
    virtual void CreateWindowDone() {}
    // Fills the background (WM_ERASEBKGND); csOpaque controls do not.
    virtual void EraseBackground(HDC DC);
    // Paints the control itself (TCustomControl: Paint on the canvas).
    virtual void PaintWindow(HDC DC);
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    // Key virtuals: setting Key to 0 (or the char to 0) consumes it.
    virtual void KeyDown(uint16_t& Key, TShiftState Shift);
    virtual void KeyUp(uint16_t& Key, TShiftState Shift);
    virtual void KeyPress(char32_t& Key);
    virtual void DoEnter();
    virtual void DoExit();
    // True when the control wants the dialog key (arrows, Tab, Enter,
    // Escape) itself instead of the form handling it.
    virtual bool WantsKey(uint16_t Key, TShiftState Shift) const;
    void ColorChanged() override;
    void FontChanged() override;
    void TextChanged() override;
    void BoundsChanged() override;
    // Shows or hides the window as Showing demands, children included.
    void UpdateShowing();
    void UpdateControlState();
    // Default window procedure of the window (DefWindowProc).
    WNDPROC DefWndProc() const { return FDefWndProc; }

private:
    friend class TControl;
    void MainWndProc(TMessage& Message);
    bool IsControlMouseMsg(TMessage& Message);
    void HandleMouse(TMessage& Message);
    void HandleKey(TMessage& Message);
    void WMWindowPosChanged(TMessage& Message);
    void UpdateBounds();
    void SetZOrderPosition(TControl* AControl, bool Top);
    static LRESULT InitWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

    HWND FHandle = nullptr;
    HWND FParentWindow = nullptr;
    WNDPROC FObjectInstance = nullptr;
    WNDPROC FDefWndProc = nullptr;
    std::vector<TControl*> FControls;      // graphic and windowed children, z-order
    std::vector<TWinControl*> FTabList;    // windowed children in tab order
    std::unique_ptr<TBrush> FBrush;
    bool FTabStop = false;
    bool FShowing = false;
    bool FCtl3D = true;
    bool FParentCtl3D = true;
    int FAlignLevel = 0;
    bool FAligning = false;
    bool FSettingBounds = false;
    TKeyEvent FOnKeyDown, FOnKeyUp;
    TKeyPressEvent FOnKeyPress;
    TNotifyEvent FOnEnter, FOnExit;
    std::shared_ptr<bool> FAlive;
};

// A control that paints into its parent's window.
class TGraphicControl : public TControl {
    VCL_DECLARE_CLASS(TGraphicControl)
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }
    void WndProc(TMessage& Message) override;

protected:
    virtual void Paint() {}

private:
    std::unique_ptr<TControlCanvas> FCanvas;
};

// A windowed control that paints itself on a canvas.
class TCustomControl : public TWinControl {
    VCL_DECLARE_CLASS(TCustomControl)
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;
    void DestroyWnd() override;

private:
    std::unique_ptr<TControlCanvas> FCanvas;
};

// The control that has the mouse captured (SetCaptureControl), a graphic
// control included, or nullptr.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
// The control the mouse is over, as CM_MOUSEENTER/CM_MOUSELEAVE last told.
TControl* GetMouseControl();

}  // namespace vcl
