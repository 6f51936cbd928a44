// WinInternal.h - the window manager's insides, shared by the Win*.cpp
// files.  Not for use outside platform/win.
//
// One recursive lock guards all state.  It is released (all levels the
// thread holds) around every call into user code: window procedures,
// object-instance methods, timer procedures and enumeration callbacks.
// After such a call every raw pointer to a window must be looked up again.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "Surface.h"
#include "WinBackend.h"
#include "Windows.h"

namespace vcl::win {

// ---------------------------------------------------------------------------
// The lock

std::recursive_mutex& BigMutex();
int& LockDepth();  // levels the calling thread holds

class TLock {
public:
    TLock() {
        BigMutex().lock();
        ++LockDepth();
    }
    ~TLock() {
        --LockDepth();
        BigMutex().unlock();
    }
    TLock(const TLock&) = delete;
    TLock& operator=(const TLock&) = delete;
};

// Releases every level the calling thread holds, and takes them back.
class TUnlock {
public:
    TUnlock();
    ~TUnlock();
    TUnlock(const TUnlock&) = delete;
    TUnlock& operator=(const TUnlock&) = delete;

private:
    int FLevels;
};

// Waits on Cv with the lock released, at most until DeadlineNs on the real
// steady clock (UINT64_MAX: no deadline).  The caller holds the lock.
void WaitOn(std::condition_variable_any& Cv, uint64_t TimeoutNs);

// ---------------------------------------------------------------------------
// Regions (RAII over HRGN)

class TRgn {
public:
    TRgn() : FRgn(CreateRectRgn(0, 0, 0, 0)) {}
    explicit TRgn(const TRect& R) : FRgn(CreateRectRgnIndirect(R)) {}
    TRgn(const TRgn& O) : TRgn() { CombineRgn(FRgn, O.FRgn, nullptr, RGN_COPY); }
    TRgn& operator=(const TRgn& O) {
        if (this != &O) CombineRgn(FRgn, O.FRgn, nullptr, RGN_COPY);
        return *this;
    }
    ~TRgn() { DeleteObject(FRgn); }
    HRGN Handle() const { return FRgn; }
    void SetRect(const TRect& R) { SetRectRgn(FRgn, R.Left, R.Top, R.Right, R.Bottom); }
    void Clear() { SetRectRgn(FRgn, 0, 0, 0, 0); }
    void Or(const TRgn& O) { CombineRgn(FRgn, FRgn, O.FRgn, RGN_OR); }
    void And(const TRgn& O) { CombineRgn(FRgn, FRgn, O.FRgn, RGN_AND); }
    void Diff(const TRgn& O) { CombineRgn(FRgn, FRgn, O.FRgn, RGN_DIFF); }
    void OrRect(const TRect& R) { Or(TRgn(R)); }
    void AndRect(const TRect& R) { And(TRgn(R)); }
    void DiffRect(const TRect& R) { Diff(TRgn(R)); }
    void CopyFrom(HRGN H) { CombineRgn(FRgn, H, nullptr, RGN_COPY); }
    void Offset(int DX, int DY) { OffsetRgn(FRgn, DX, DY); }
    bool Empty() const {
        TRect b;
        return GetRgnBox(FRgn, &b) <= NULLREGION;
    }
    TRect Box() const {
        TRect b;
        if (GetRgnBox(FRgn, &b) <= NULLREGION) return TRect{};
        return b;
    }
    bool Contains(TPoint P) const { return PtInRegion(FRgn, P.X, P.Y); }
    bool Intersects(const TRect& R) const { return RectInRegion(FRgn, R); }
    std::vector<TRect> Rects() const {
        std::vector<TRect> r;
        GetRegionRects(FRgn, r);
        return r;
    }

private:
    HRGN FRgn;
};

// ---------------------------------------------------------------------------
// Objects

struct TQueue;
struct TWnd;
using PQueue = std::shared_ptr<TQueue>;
using PWnd = std::shared_ptr<TWnd>;

struct TClass {
    std::string Name;
    ATOM Atom = 0;
    UINT Style = 0;
    WNDPROC Proc = nullptr;
    int ClsExtra = 0;
    int WndExtra = 0;
    HINSTANCE Instance = nullptr;
    HICON Icon = nullptr;
    HICON IconSm = nullptr;
    HCURSOR Cursor = nullptr;
    HBRUSH Brush = nullptr;
    const char* MenuName = nullptr;  // integer resource or pointer into MenuNameText
    std::string MenuNameText;
    std::vector<uint8_t> Extra;
    int WindowCount = 0;
    bool System = false;  // predefined: never unregistered
};
using PClass = std::shared_ptr<TClass>;

struct TScrollBar {
    int Min = 0;
    int Max = 100;
    UINT Page = 0;
    int Pos = 0;
    int TrackPos = 0;
    bool Tracking = false;
    bool DisableNoScroll = false;
};

struct TMdiClientData {
    HMENU WindowMenu = nullptr;
    UINT FirstChildId = 0;
    HWND Active = nullptr;
    UINT NextId = 0;
    int CascadeIndex = 0;
};

struct TWnd : std::enable_shared_from_this<TWnd> {
    uintptr_t Id = 0;
    HWND Handle = nullptr;
    PClass Class;
    WNDPROC Proc = nullptr;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    TWnd* Parent = nullptr;    // the desktop for top-level windows; null for the desktop
    std::vector<TWnd*> Children;  // z-order: the first is on top
    HWND Owner = nullptr;
    TRect Rect;    // window rectangle in the parent's client coordinates
    TRect Client;  // client rectangle in window coordinates
    std::string Text;
    LONG_PTR UserData = 0;
    LONG_PTR CtrlId = 0;  // child windows: the id; top-level windows: unused
    HMENU Menu = nullptr;  // top-level windows
    HINSTANCE Instance = nullptr;
    std::vector<uint8_t> Extra;
    std::vector<std::pair<std::string, HANDLE>> Props;
    PQueue Queue;
    DWORD ThreadId = 0;
    bool Dead = false;
    bool Destroying = false;
    bool MessageOnly = false;
    bool SendSizeMove = true;  // WM_SIZE / WM_MOVE not sent yet
    bool FrameActive = false;
    bool EverShown = false;
    HICON IconBig = nullptr;
    HICON IconSmall = nullptr;
    HWND LastActivePopup = nullptr;
    // Paint state: the update region in window coordinates.
    std::unique_ptr<TRgn> Update;
    bool Erase = false;
    bool InternalPaint = false;
    // Placement.
    TRect NormalRect;  // parent client coordinates
    bool HasNormalRect = false;
    TPoint MinPos{-1, -1};
    TPoint MaxPos{-1, -1};
    bool RestoreToMaximized = false;
    // Top-level windows own the surface their tree paints into.
    std::unique_ptr<TSurface> Surface;
    HDC OwnDC = nullptr;
    TScrollBar Scroll[2];
    std::unique_ptr<TMdiClientData> Mdi;
    // Caption button being pressed (HT* code) while its tracking loop runs.
    int PressedButton = 0;
};

// A message waiting in a queue.  Input is queued raw (as fed) and turned
// into a window message when it reaches the front of the queue: the target
// window (capture, focus, hit test) is decided then, as input is read.
enum TRawKind : int { rkNone = 0, rkMove, rkButton, rkWheel, rkKey, rkChar };

struct TQueued {
    MSG Msg;
    uint64_t Seq = 0;
    bool Input = false;
    UINT Kind = QS_POSTMESSAGE;  // QS_* bit
    // Raw input, before it is turned into a message.
    TRawKind Raw = rkNone;
    TPoint Pt;            // screen
    int Button = 0;       // TInputButton
    bool Down = false;
    int Delta = 0;        // wheel
    WPARAM MK = 0;        // MK_* state when fed
    uint64_t TimeMs = 0;  // clock milliseconds when fed
    int Vk = 0;           // key input
    LPARAM KeyData = 0;
    uint32_t Char = 0;
    // Cooked input: what retrieval does with it.
    int HitCode = HTNOWHERE;
    int KeyVk = 0;  // the key or button whose synchronous state it changes
    bool KeyDown = false;
};

struct TSent {
    HWND Wnd = nullptr;
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
    bool Done = false;
    PQueue Sender;
};

struct TQueue {
    DWORD ThreadId = 0;
    bool Alive = true;
    std::deque<TQueued> Posted;  // posted messages and input, in order
    std::deque<std::shared_ptr<TSent>> Sent;
    bool QuitPosted = false;
    int QuitCode = 0;
    uint64_t QuitSeq = 0;
    std::condition_variable_any Cv;
    DWORD LastTime = 0;
    TPoint LastPos;
    uint64_t LastSeq = 0;
    int InSend = 0;  // depth of messages from other threads being handled
};

struct TTimer {
    HWND Wnd = nullptr;
    UINT_PTR Id = 0;
    UINT Interval = 0;
    TIMERPROC Proc = nullptr;
    uint64_t NextDue = 0;  // clock ns
    bool Ready = false;
    uint64_t ReadyAt = 0;
    uint64_t Order = 0;
    DWORD ThreadId = 0;
    PQueue Queue;
};

struct TWinDC {
    HDC DC = nullptr;
    HWND Wnd = nullptr;  // null: the screen
    DWORD Flags = 0;
    std::unique_ptr<TRgn> Extra;  // DCX_INTERSECTRGN / DCX_EXCLUDERGN, screen coordinates
    std::unique_ptr<TRgn> Paint;  // BeginPaint: the update region, window coordinates
    bool Own = false;
};

struct TState {
    std::unordered_map<uintptr_t, PWnd> Windows;
    uintptr_t NextWndId = 0x10000;
    TWnd* Desktop = nullptr;
    PWnd DesktopHolder;
    std::vector<PClass> Classes;
    ATOM NextClassAtom = 0xC000;
    std::map<std::string, UINT> RegisteredMessages;  // lower-case names
    UINT NextMessage = 0xC000;
    std::unordered_map<DWORD, std::weak_ptr<TQueue>> Queues;
    std::vector<std::unique_ptr<TTimer>> Timers;
    uint64_t NextTimerOrder = 1;
    UINT_PTR NextThreadTimerId = 1;
    bool ClockListener = false;
    uint64_t NextSeq = 1;
    // Object instances.
    std::unordered_map<uintptr_t, std::shared_ptr<TWndMethod>> Instances;
    uintptr_t NextInstance = 1;
    // Devices and display.
    std::unordered_map<HDC, std::unique_ptr<TWinDC>> DCs;
    std::unique_ptr<TSurface> ScreenSurface;
    IWindowBackend* Backend = nullptr;
    int32_t ScreenW = 1024;
    int32_t ScreenH = 768;
    bool WorkAreaSet = false;
    TRect WorkArea;
    bool GradientCaptions = true;
    TMenuBarPainter MenuBarPainter;
    HWND LockedUpdate = nullptr;
    // Activation, focus, capture.
    HWND Active = nullptr;
    HWND Focus = nullptr;
    HWND Capture = nullptr;
    // Cursor and input.
    TPoint CursorPos{512, 384};
    bool HasClip = false;
    TRect Clip;
    HCURSOR Cursor = nullptr;
    int CursorShowCount = 0;
    BYTE AsyncKeys[256] = {};
    BYTE SyncKeys[256] = {};
    UINT DoubleClickTime = 500;
    bool SwapButtons = false;
    // Double-click detection.
    HWND LastClickWnd = nullptr;
    int LastClickButton = -1;
    uint64_t LastClickTimeMs = 0;
    TPoint LastClickPos;
    bool LastClickWasDouble = false;
    int LastClickHit = HTNOWHERE;
    // Mouse tracking (TrackMouseEvent).
    HWND TrackLeave = nullptr;
    bool TrackLeaveNC = false;
    HWND TrackHover = nullptr;
    bool TrackHoverNC = false;
    uint64_t HoverStartMs = 0;
    UINT HoverTime = 400;
    HWND MouseWnd = nullptr;  // the window the pointer was last over
    int MouseHit = HTNOWHERE;
    // The predefined icons and cursors.
    std::map<uintptr_t, HICON> StockCursors;
    std::map<uintptr_t, HICON> StockIcons;
    uint32_t Beeps = 0;
};

TState& S();  // the caller holds the lock

// ---------------------------------------------------------------------------
// Core helpers (lock held)

DWORD CurrentThreadId();
TWnd* Lookup(HWND Wnd);     // null for null and dead handles and for the desktop
TWnd* LookupAny(HWND Wnd);  // the desktop included
PWnd Hold(TWnd* W);            // keeps a window object alive across a call into user code
inline HWND H(const TWnd* W) { return W ? W->Handle : nullptr; }
bool IsTopLevel(const TWnd* W);  // a child of the desktop
TWnd* Root(TWnd* W);             // the top-level ancestor (W itself when top-level)
bool IsDescendant(const TWnd* Ancestor, const TWnd* W);  // W inside Ancestor (or equal)
PQueue QueueForCurrentThread();  // made on first use
PQueue QueueForThread(DWORD ThreadId);
PClass FindClass(const char* Name);
void FailWith(DWORD Code);

// Calls a window procedure with the lock released.
LRESULT CallProc(WNDPROC Proc, HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// SendMessage with the lock held by the caller.
LRESULT Send(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
inline LRESULT Send(TWnd* W, UINT Msg, WPARAM WParam, LPARAM LParam) { return Send(H(W), Msg, WParam, LParam); }
// Handles messages sent to the calling thread from other threads.
void ProcessSentMessages(const PQueue& Q);
// Queues a message (lock held).
bool PostTo(const PQueue& Q, HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
void PostRawInput(const PQueue& Q, TQueued Item);
// Turns a raw input item into a message: 1 when it did, 0 when the input
// goes nowhere, -1 when it was handed to another thread's queue.  May send
// WM_NCHITTEST (the lock is released meanwhile).
int CookInput(TQueued& Item);
PQueue InputQueueFor(const TQueued& Item);
void NotifyQueue(TQueue& Q);
void PurgeWindowMessages(TWnd* W);
void WakeAllQueues();
// Pumps the calling thread's messages until Done returns true or the
// queue runs dry with no input to come (modal loops).  Messages for which
// Filter returns true are handed to it instead of being dispatched.
// Returns false when WM_QUIT arrived (it is posted again).
bool ModalPump(const std::function<bool(const MSG&)>& Handle, const std::function<bool()>& Done);
// The retrieval core of PeekMessage (lock held).
bool PeekCore(const PQueue& Q, MSG* Out, HWND Filter, UINT Min, UINT Max, UINT Flags);

// Timers.
void EnsureTimerClock();
void KillWindowTimers(TWnd* W);
void MarkDueTimers(uint64_t NowNs);
bool TakeReadyTimer(const PQueue& Q, HWND Filter, bool Remove, MSG* Out);
uint64_t NextTimerDue(const PQueue& Q);  // UINT64_MAX: none
bool ValidTimerProc(HWND Wnd, UINT_PTR Id, LPARAM Proc);

// Geometry.
TPoint ClientOriginScreen(const TWnd* W);   // the client area's top-left on the screen
TPoint WindowOriginScreen(const TWnd* W);   // the window's top-left on the screen
TRect WindowRectScreen(const TWnd* W);
TPoint SurfaceOffset(const TWnd* W);         // the window's top-left on its root surface
bool ReallyVisible(const TWnd* W);           // it and every ancestor visible
void SetWindowPosInternal(TWnd* W, HWND InsertAfter, int X, int Y, int CX, int CY, UINT Flags);
void ShowWindowInternal(TWnd* W, int Cmd);
void DestroyWindowInternal(TWnd* W);
void ZOrderInsert(TWnd* Parent, TWnd* W, HWND InsertAfter);
void UnlinkChild(TWnd* W);
MINMAXINFO GetMinMaxInfo(TWnd* W);           // sends WM_GETMINMAXINFO
void DefaultMinMax(const TWnd* W, MINMAXINFO& Info);
TRect RectToParentClient(const TWnd* W, const TRect& Screen);

// Non-client area.
struct TInsets {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};
int32_t FrameThickness(DWORD Style, DWORD ExStyle);
TInsets NonClientInsets(DWORD Style, DWORD ExStyle, bool Menu, bool ScrollBars);
bool HasCaption(DWORD Style);
struct TCaptionLayout {
    bool Present = false;
    bool Small = false;
    TRect Bar;  // window coordinates
    TRect Icon;
    TRect Text;
    TRect Close, Max, Min, Help;
    bool HasIcon = false, HasClose = false, HasMax = false, HasMin = false, HasHelp = false;
    bool MinEnabled = false, MaxEnabled = false, CloseEnabled = true;
};
TCaptionLayout CaptionLayout(const TWnd* W);
TRect ClientEdgeRect(const TWnd* W);  // window coordinates: inside frame, caption and menu
TRect ScrollBarRect(const TWnd* W, int Bar);  // window coordinates; empty when absent
LRESULT DefNCCalcSize(TWnd* W, WPARAM WParam, LPARAM LParam);
LRESULT DefNCHitTest(TWnd* W, TPoint Screen);
void DefNCPaint(TWnd* W, HRGN ScreenRgn);
HICON WindowSmallIcon(TWnd* W);
void RedrawFrame(TWnd* W);  // NC painted now when visible
void PaintCaptionText(const TPixelView& View, const std::vector<TRect>& Clip, const TRect& TextRect,
                      const std::string& Text, COLORREF Color, bool Small);
void PaintScrollBars(TWnd* W, HDC WindowDC);
void ScrollBarHitTrack(TWnd* W, int Bar, TPoint Screen);  // the press loop of a frame scroll bar

// Painting.
void InvalidateInternal(TWnd* W, const TRgn* ClientArea, UINT Flags);  // region in client coordinates
void InvalidateWindowArea(TWnd* W, const TRgn& WindowArea, UINT Flags, bool ForceChildren);
void ValidateAll(TWnd* W);
bool NeedsPaint(const TWnd* W);
TWnd* FindWindowToPaint(const PQueue& Q, HWND Filter);
void UpdateNow(TWnd* W, bool Children, bool EraseOnly);
TRgn VisibleRegion(TWnd* W, bool WindowArea, bool ClipChildren, bool ClipSiblings);  // surface coordinates
void RefreshDCs();
void ReleaseWindowDCs(TWnd* W);
void EnsureSurface(TWnd* W);
HDC MakeWindowDC(TWnd* W, DWORD Flags, const TRgn* ScreenExtra, bool ExcludeExtra, const TRgn* PaintRgn);
void ReleaseWindowDC(HDC DC);
void NotifyPainted(TWnd* W, const TRect& WindowArea);  // area in W's window coordinates
void ExposeParentArea(TWnd* Parent, const TRect& ParentClientRect);

// Activation and focus.
void ActivateInternal(TWnd* W, WORD How);  // W top-level or null
void SetFocusInternal(TWnd* W);
void ReleaseCaptureInternal();
void OnWindowGone(TWnd* W);  // focus, activation, capture, tracking when W is destroyed or hidden
void ActivateNextAfter(TWnd* W);
HWND MdiClientOf(TWnd* W);   // the MDI client when W is an MDI child

// Input.
void ApplyKeyState(BYTE* Keys, int Vk, bool Down);
void ApplyRetrievedInput(const TQueued& Item);
bool ProcessMouseActivation(TQueued& Item);  // false: the message is eaten
void SendSetCursor(const TQueued& Item);
void CheckHover(uint64_t NowMs);
HCURSOR StockCursor(const char* Id);

// Modal loops (WinSizeMove.cpp).
void SysCommandSizeMove(TWnd* W, UINT Cmd, TPoint Screen);
void TrackCaptionButton(TWnd* W, int Hit);
void MinimizeInternal(TWnd* W, bool Activate);
void MaximizeInternal(TWnd* W, bool Activate);
void RestoreInternal(TWnd* W, bool Activate);

// MDI.
LRESULT MdiClientProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
void MdiChildCreated(TWnd* W);    // id, maximized like the active child
void MdiActivateChild(TWnd* W);   // after its creation
void MdiChildGone(TWnd* W);       // hidden or being destroyed: the next child becomes active
void MdiChildDestroyed(TWnd* W);

// Icons.
bool IconAlive(HICON Icon);

// The backend.
IWindowBackend& Backend();

// Metrics helpers.
int Metric(int Index);

// Text helpers.
std::string LowerAscii(const std::string& S);
bool EqualNoCase(const std::string& A, const char* B);
size_t Utf8SafeLength(const std::string& S, size_t MaxBytes);

}  // namespace vcl::win
