// WinBackend.h - the seam between the window manager and a display.
//
// The window manager keeps three things apart: the top-level windows (each
// with a surface the size of its window rectangle that it and its children
// paint into), the notifications about them, and the input path.  A display
// backend shows the surfaces (for example one desktop window per top-level
// window) and feeds the user's mouse and keyboard input; the default
// headless backend shows nothing, and tests feed input themselves.
//
// Backend callbacks run on the thread that caused them, with the window
// manager's lock held: a backend may read window state and surfaces
// (GetWindowSurface) but must not send messages or wait for other threads
// that use the window manager.
#pragma once

#include <cstdint>

#include "Windows.h"

namespace vcl {

class IWindowBackend {
public:
    virtual ~IWindowBackend() = default;
    // A top-level window was created or destroyed.
    virtual void TopLevelCreated(HWND) {}
    virtual void TopLevelDestroyed(HWND) {}
    // Its window rectangle (screen coordinates) moved or changed size; the
    // surface has the new size already.
    virtual void TopLevelMoved(HWND, const TRect&) {}
    virtual void TopLevelResized(HWND, const TRect&) {}
    virtual void TopLevelShown(HWND, bool /*Visible*/) {}
    // The z-order of top-level windows changed (GetWindow(GW_HWNDFIRST...)).
    virtual void ZOrderChanged() {}
    virtual void ActiveWindowChanged(HWND) {}
    // Pixels of the top-level window's surface changed inside Area (window
    // coordinates, i.e. surface coordinates).
    virtual void SurfacePainted(HWND, const TRect& /*Area*/) {}
    virtual void CursorChanged(HCURSOR) {}
    // The program moved the cursor or changed its confinement.
    virtual void CursorMoved(TPoint) {}
    virtual void CursorClipChanged(const TRect* /*Clip: null when released*/) {}
    virtual void CaptureChanged(HWND) {}
    // Whether input may still arrive while the queue is empty.  The modal
    // loops (moving and sizing windows, pressing caption buttons) end when
    // their input runs out and this says no, instead of waiting for ever.
    virtual bool InputMayArrive() { return false; }
};

// Installs a backend (null: the headless one).  The backend must outlive
// its installation.  Returns the previous one (null for the headless).
IWindowBackend* SetWindowBackend(IWindowBackend* Backend);
IWindowBackend* GetWindowBackend();

// The surface of a top-level window: its pixels (window coordinates) as they
// stand.  The view lasts until the window is resized or destroyed.  False
// for child windows and dead handles.
bool GetWindowSurface(HWND TopLevel, TPixelView* View);

// The virtual screen (SM_CXSCREEN, SM_CYSCREEN; the work area follows
// unless it was set).  Sizes below 1 are raised to 1.
void SetScreenSize(int32_t Width, int32_t Height);

// ---------------------------------------------------------------------------
// The input path.  Positions are screen coordinates.  Input is hit-tested
// when fed (WM_NCHITTEST is sent then) and queued to the thread of the
// window that receives it; activation on a click (WM_MOUSEACTIVATE), the
// cursor shape (WM_SETCURSOR) and the key state GetKeyState reports follow
// when the message is retrieved, as in the classic system.
//
// Mouse messages go to the capture window, else to the topmost visible,
// enabled window under the point (HTTRANSPARENT passes the point to the
// windows beneath): HTCLIENT gives client messages in client coordinates
// with the MK_* state, other hit codes WM_NC* messages with the code and the
// screen point.  Consecutive mouse moves to the same window are merged.
// Keys go to the focus window, or as WM_SYS* to the active window when no
// window has the focus; Alt held down makes them WM_SYSKEY*.

enum TInputButton : int { mbLeftButton = 0, mbRightButton = 1, mbMiddleButton = 2, mbXButton1 = 3, mbXButton2 = 4 };

// Moves the pointer (kept inside the cursor clip rectangle and the screen).
void FeedMouseMove(int32_t X, int32_t Y);
// Moves the pointer to (X, Y) first when it is elsewhere.  Double clicks
// come for CS_DBLCLKS classes (and always in the frame) when the second
// press is within GetDoubleClickTime on the platform clock and within
// SM_CXDOUBLECLK x SM_CYDOUBLECLK of the first.
void FeedMouseButton(TInputButton Button, bool Down, int32_t X, int32_t Y);
// Delta in multiples of WHEEL_DELTA (120) per notch, positive away from the
// user.  Goes to the focus window (DefWindowProc passes it to the parent).
void FeedMouseWheel(int32_t Delta, int32_t X, int32_t Y);
// A key going down (again while held: auto-repeat) or up.
void FeedKey(int VirtKey, bool Down);
// A character as typed text (a code point), without key messages.
void FeedChar(uint32_t CodePoint);

}  // namespace vcl
