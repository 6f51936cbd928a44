// Windows.h - the platform's window manager: window classes and procedures,
// windows and their geometry, the message queue, timers, painting,
// activation and focus, the cursor, system metrics and MDI client windows.
//
// Conventions, as in the classic API:
// - Every function fails harmlessly on a null or dead handle: it returns 0,
//   FALSE or a null handle and changes nothing (GetLastError tells why).
//   Window handles are never reused, so a stale handle stays dead.
// - Windows belong to the thread that created them; that thread's message
//   queue receives their posted messages and timers.  A queue is made for a
//   thread when it first uses the message functions or creates a window.
// - Window procedures are called without any lock held; they may send
//   messages, create and destroy windows (their own one too) and change
//   the procedure chain while they run.
// - A WNDPROC value is called only through CallWindowProc (or by SendMessage
//   and DispatchMessage).  Values made by MakeObjectInstance are not code
//   addresses: calling one directly faults.
// - Texts are UTF-8; the buffer-based functions count bytes and never cut a
//   character in two.  WM_CHAR carries a Unicode code point.
// - Coordinates: window rectangles of top-level windows are in screen
//   coordinates, those of child windows in the client coordinates of their
//   parent.  Packed points are two signed 16-bit values.
//
// Thread safety: all functions may be called from any thread.  PostMessage,
// PostThreadMessage and PostQuitMessage are the cross-thread messaging
// functions; SendMessage to a window of another thread waits until that
// thread processes it (in GetMessage, PeekMessage, WaitMessage or while it
// waits for a message it sent itself), as in the classic system.
//
// The display (where top-level windows appear and where input comes from)
// is reached through WinBackend.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Gdi.h"
#include "GdiTypes.h"
#include "Messages.h"
#include "SysColors.h"

namespace vcl {

// ---------------------------------------------------------------------------
// Procedures

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);
// Enumeration callbacks: return FALSE to stop.  Any callable fits.
using WNDENUMPROC = std::function<BOOL(HWND, LPARAM)>;
// The method an object instance calls: the message record, Result set by it.
using TWndMethod = std::function<void(TMessage&)>;

// ---------------------------------------------------------------------------
// Error codes (GetLastError)

// The codes the registry functions return as well are LONG, as there.
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_INVALID_CURSOR_HANDLE = 1402;
constexpr DWORD ERROR_INVALID_ICON_HANDLE = 1414;
constexpr DWORD ERROR_TLW_WITH_WSCHILD = 1406;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_WINDOW_OF_OTHER_THREAD = 1408;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_CLASS_DOES_NOT_EXIST = 1411;
constexpr DWORD ERROR_CLASS_HAS_WINDOWS = 1412;
constexpr DWORD ERROR_INVALID_INDEX = 1413;
constexpr DWORD ERROR_NO_TIMER_RESOURCES = 1142;
constexpr DWORD ERROR_INVALID_THREAD_ID = 1444;
constexpr DWORD ERROR_NOT_ENOUGH_QUOTA = 1816;

DWORD GetLastError();
void SetLastError(DWORD Code);

// ---------------------------------------------------------------------------
// Styles

constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CAPTION = 0x00C00000;  // WS_BORDER | WS_DLGFRAME
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_TILED = WS_OVERLAPPED;
constexpr DWORD WS_ICONIC = WS_MINIMIZE;
constexpr DWORD WS_SIZEBOX = WS_THICKFRAME;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD WS_TILEDWINDOW = WS_OVERLAPPEDWINDOW;
constexpr DWORD WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU;
constexpr DWORD WS_CHILDWINDOW = WS_CHILD;

constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_NOPARENTNOTIFY = 0x00000004;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
constexpr DWORD WS_EX_MDICHILD = 0x00000040;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD WS_EX_CONTEXTHELP = 0x00000400;
constexpr DWORD WS_EX_RIGHT = 0x00001000;
constexpr DWORD WS_EX_LEFT = 0x00000000;
constexpr DWORD WS_EX_RTLREADING = 0x00002000;
constexpr DWORD WS_EX_LEFTSCROLLBAR = 0x00004000;
constexpr DWORD WS_EX_CONTROLPARENT = 0x00010000;
constexpr DWORD WS_EX_STATICEDGE = 0x00020000;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD WS_EX_LAYERED = 0x00080000;
constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;
constexpr DWORD WS_EX_OVERLAPPEDWINDOW = WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE;
constexpr DWORD WS_EX_PALETTEWINDOW = WS_EX_WINDOWEDGE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;

// Class styles.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_OWNDC = 0x0020;
constexpr UINT CS_CLASSDC = 0x0040;
constexpr UINT CS_PARENTDC = 0x0080;
constexpr UINT CS_NOCLOSE = 0x0200;
constexpr UINT CS_SAVEBITS = 0x0800;
constexpr UINT CS_BYTEALIGNCLIENT = 0x1000;
constexpr UINT CS_BYTEALIGNWINDOW = 0x2000;
constexpr UINT CS_GLOBALCLASS = 0x4000;
constexpr UINT CS_DROPSHADOW = 0x00020000;

// ---------------------------------------------------------------------------
// Classes

struct WNDCLASS {
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    HINSTANCE hInstance = nullptr;
    HICON hIcon = nullptr;
    HCURSOR hCursor = nullptr;
    HBRUSH hbrBackground = nullptr;  // a brush, or a system colour index + 1
    const char* lpszMenuName = nullptr;
    const char* lpszClassName = nullptr;  // a name, or an atom as MAKEINTATOM
};

struct WNDCLASSEX {
    UINT cbSize = sizeof(WNDCLASSEX);
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    HINSTANCE hInstance = nullptr;
    HICON hIcon = nullptr;
    HCURSOR hCursor = nullptr;
    HBRUSH hbrBackground = nullptr;
    const char* lpszMenuName = nullptr;
    const char* lpszClassName = nullptr;
    HICON hIconSm = nullptr;
};

// An atom or resource number passed where a name is expected.
inline const char* MAKEINTATOM(ATOM A) { return reinterpret_cast<const char*>(uintptr_t(A)); }
inline const char* MAKEINTRESOURCE(WORD Id) { return reinterpret_cast<const char*>(uintptr_t(Id)); }
inline bool IS_INTRESOURCE(const char* P) { return (reinterpret_cast<uintptr_t>(P) >> 16) == 0; }

// Class names are compared without regard to ASCII case.  Registering an
// existing name fails (ERROR_CLASS_ALREADY_EXISTS); a class with windows
// cannot be unregistered (ERROR_CLASS_HAS_WINDOWS).  Class atoms count from
// 0xC000.  The predefined class "MDICLIENT" is always there.
ATOM RegisterClass(const WNDCLASS* Class);
ATOM RegisterClassEx(const WNDCLASSEX* Class);
BOOL UnregisterClass(const char* ClassName, HINSTANCE Instance);
BOOL GetClassInfo(HINSTANCE Instance, const char* ClassName, WNDCLASS* Out);
BOOL GetClassInfoEx(HINSTANCE Instance, const char* ClassName, WNDCLASSEX* Out);
int GetClassName(HWND Wnd, char* Buffer, int MaxCount);
std::string GetClassName(HWND Wnd);

// Class values (GetClassLongPtr).
constexpr int GCLP_MENUNAME = -8;
constexpr int GCLP_HBRBACKGROUND = -10;
constexpr int GCLP_HCURSOR = -12;
constexpr int GCLP_HICON = -14;
constexpr int GCLP_HMODULE = -16;
constexpr int GCL_CBWNDEXTRA = -18;
constexpr int GCL_CBCLSEXTRA = -20;
constexpr int GCLP_WNDPROC = -24;
constexpr int GCL_STYLE = -26;
constexpr int GCW_ATOM = -32;
constexpr int GCLP_HICONSM = -34;
constexpr int GCL_HBRBACKGROUND = GCLP_HBRBACKGROUND;
constexpr int GCL_HCURSOR = GCLP_HCURSOR;
constexpr int GCL_HICON = GCLP_HICON;
constexpr int GCL_WNDPROC = GCLP_WNDPROC;
ULONG_PTR GetClassLongPtr(HWND Wnd, int Index);
ULONG_PTR SetClassLongPtr(HWND Wnd, int Index, LONG_PTR Value);
inline ULONG_PTR GetClassLong(HWND Wnd, int Index) { return GetClassLongPtr(Wnd, Index); }
inline ULONG_PTR SetClassLong(HWND Wnd, int Index, LONG_PTR Value) { return SetClassLongPtr(Wnd, Index, Value); }

// ---------------------------------------------------------------------------
// Window procedures and subclassing

// Window values (GetWindowLongPtr).  The 32-bit names are the same values:
// on this platform LONG-sized window values are pointer-sized.
constexpr int GWLP_WNDPROC = -4;
constexpr int GWLP_HINSTANCE = -6;
constexpr int GWLP_HWNDPARENT = -8;
constexpr int GWLP_ID = -12;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWLP_USERDATA = -21;
constexpr int GWL_WNDPROC = GWLP_WNDPROC;
constexpr int GWL_HINSTANCE = GWLP_HINSTANCE;
constexpr int GWL_HWNDPARENT = GWLP_HWNDPARENT;
constexpr int GWL_ID = GWLP_ID;
constexpr int GWL_USERDATA = GWLP_USERDATA;

// Non-negative indices address the window's extra bytes (cbWndExtra) in
// pointer-sized steps of any byte offset that fits.  Setting GWL_STYLE or
// GWL_EXSTYLE sends WM_STYLECHANGING and WM_STYLECHANGED; the frame follows
// only after SetWindowPos with SWP_FRAMECHANGED.  Setting GWLP_HWNDPARENT
// changes the owner of a top-level window.  Setting GWLP_WNDPROC returns the
// previous procedure, to be called with CallWindowProc.
LONG_PTR GetWindowLongPtr(HWND Wnd, int Index);
LONG_PTR SetWindowLongPtr(HWND Wnd, int Index, LONG_PTR Value);
inline LONG_PTR GetWindowLong(HWND Wnd, int Index) { return GetWindowLongPtr(Wnd, Index); }
inline LONG_PTR SetWindowLong(HWND Wnd, int Index, LONG_PTR Value) { return SetWindowLongPtr(Wnd, Index, Value); }
// WNDPROC <-> LONG_PTR, for SetWindowLongPtr(GWLP_WNDPROC).
inline LONG_PTR WndProcToLong(WNDPROC P) { return reinterpret_cast<LONG_PTR>(P); }
inline WNDPROC LongToWndProc(LONG_PTR V) { return reinterpret_cast<WNDPROC>(V); }

// Calls a procedure: a function, or an object instance.  An instance that
// was freed passes the message to DefWindowProc; a null procedure returns 0.
LRESULT CallWindowProc(WNDPROC Proc, HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
LRESULT DefWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

// Object instances: a WNDPROC value that calls Method with the message
// record (Msg, WParam, LParam, Result = 0) and returns the Result the method
// left.  The value stays callable until FreeObjectInstance, and is never
// handed out again afterwards.  Freeing an instance while its method runs
// is safe (the running call completes).
WNDPROC MakeObjectInstance(TWndMethod Method);
void FreeObjectInstance(WNDPROC Instance);
// True for a value made by MakeObjectInstance that was not freed.
bool IsObjectInstance(WNDPROC Proc);

// A hidden utility window whose messages go to Method.  The window is made
// with DefWindowProc and then subclassed, so its creation does not depend
// on the method; the method receives every later message and passes what it
// does not handle to DefWindowProc(Handle, Msg, WParam, LParam) itself.
HWND AllocateHWnd(TWndMethod Method);
void DeallocateHWnd(HWND Wnd);

// ---------------------------------------------------------------------------
// Creation and destruction

constexpr int CW_USEDEFAULT = int(0x80000000);
inline const HWND HWND_DESKTOP = nullptr;
inline const HWND HWND_MESSAGE = reinterpret_cast<HWND>(intptr_t(-3));
inline const HWND HWND_BROADCAST = reinterpret_cast<HWND>(intptr_t(0xFFFF));

struct CREATESTRUCT {
    void* lpCreateParams = nullptr;
    HINSTANCE hInstance = nullptr;
    HMENU hMenu = nullptr;
    HWND hwndParent = nullptr;
    int cy = 0;
    int cx = 0;
    int y = 0;
    int x = 0;
    LONG style = 0;
    const char* lpszName = nullptr;
    const char* lpszClass = nullptr;
    DWORD dwExStyle = 0;
};

// Creates a window.  For WS_CHILD windows Parent is the parent and Menu the
// child id; for other windows Parent is the owner (its top-level ancestor)
// and Menu the menu.  The sequence is WM_GETMINMAXINFO (resizable top-level
// windows), WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_PARENTNOTIFY to the
// parent, then for WS_VISIBLE windows the show sequence with WM_SIZE and
// WM_MOVE; windows created hidden get WM_SIZE and WM_MOVE when first shown
// or moved.  WM_NCCREATE returning FALSE or WM_CREATE returning -1 destroy
// the window again and return null.
HWND CreateWindowEx(DWORD ExStyle, const char* ClassName, const char* WindowName, DWORD Style, int X, int Y,
                    int Width, int Height, HWND Parent, HMENU Menu, HINSTANCE Instance, void* Param);
inline HWND CreateWindow(const char* ClassName, const char* WindowName, DWORD Style, int X, int Y, int Width,
                         int Height, HWND Parent, HMENU Menu, HINSTANCE Instance, void* Param) {
    return CreateWindowEx(0, ClassName, WindowName, Style, X, Y, Width, Height, Parent, Menu, Instance, Param);
}
// Destroys the window, its owned windows and its children: the owned
// windows first, then WM_DESTROY to the window and to its children (parents
// before children), then WM_NCDESTROY children first.  Only the window's
// own thread may destroy it.  Calling it from the window's own handlers is
// safe; a second call while the window is being destroyed returns FALSE.
BOOL DestroyWindow(HWND Wnd);
BOOL IsWindow(HWND Wnd);
HINSTANCE GetModuleHandle(const char* ModuleName);

// ---------------------------------------------------------------------------
// Relations

constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;
constexpr UINT GW_ENABLEDPOPUP = 6;
constexpr UINT GA_PARENT = 1;
constexpr UINT GA_ROOT = 2;
constexpr UINT GA_ROOTOWNER = 3;

HWND GetDesktopWindow();
// The parent of a child window; for a top-level WS_POPUP window its owner;
// null otherwise.
HWND GetParent(HWND Wnd);
// Makes Wnd a child of NewParent (or top-level when null or the desktop);
// the window keeps its position relative to the new parent's client area.
// Returns the previous parent.
HWND SetParent(HWND Wnd, HWND NewParent);
HWND GetAncestor(HWND Wnd, UINT Flags);
HWND GetWindow(HWND Wnd, UINT Cmd);
HWND GetTopWindow(HWND Wnd);  // the child at the top of the z-order (null: top-level)
inline HWND GetNextWindow(HWND Wnd, UINT Cmd) { return GetWindow(Wnd, Cmd); }
HWND GetLastActivePopup(HWND Wnd);
BOOL IsChild(HWND Parent, HWND Wnd);
// Child windows are enumerated parents before children, top of the z-order
// first; windows created during the enumeration are not visited, destroyed
// ones are skipped.
BOOL EnumChildWindows(HWND Parent, WNDENUMPROC Proc, LPARAM Param);
BOOL EnumWindows(WNDENUMPROC Proc, LPARAM Param);
BOOL EnumThreadWindows(DWORD ThreadId, WNDENUMPROC Proc, LPARAM Param);
// Top-level windows by class name and/or title (null matches any).
HWND FindWindow(const char* ClassName, const char* WindowName);
HWND FindWindowEx(HWND Parent, HWND ChildAfter, const char* ClassName, const char* WindowName);
int GetDlgCtrlID(HWND Wnd);
HWND GetDlgItem(HWND Dialog, int Id);

DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
DWORD GetWindowThreadProcessId(HWND Wnd, DWORD* ProcessId);

// Properties attached to a window by name.
BOOL SetProp(HWND Wnd, const char* Name, HANDLE Data);
HANDLE GetProp(HWND Wnd, const char* Name);
HANDLE RemoveProp(HWND Wnd, const char* Name);

// ---------------------------------------------------------------------------
// Geometry

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;
constexpr UINT SWP_NOOWNERZORDER = 0x0200;
constexpr UINT SWP_NOSENDCHANGING = 0x0400;
constexpr UINT SWP_NOCLIENTSIZE = 0x0800;  // in WM_WINDOWPOSCHANGED: the client size did not change
constexpr UINT SWP_NOCLIENTMOVE = 0x1000;  // in WM_WINDOWPOSCHANGED: the client origin did not move
constexpr UINT SWP_DEFERERASE = 0x2000;
constexpr UINT SWP_ASYNCWINDOWPOS = 0x4000;
constexpr UINT SWP_STATECHANGED = 0x8000;  // in WM_WINDOWPOSCHANGED: minimized/maximized/restored
constexpr UINT SWP_DRAWFRAME = SWP_FRAMECHANGED;
constexpr UINT SWP_NOREPOSITION = SWP_NOOWNERZORDER;

inline const HWND HWND_TOP = nullptr;
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(intptr_t(1));
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(intptr_t(-1));
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(intptr_t(-2));

struct WINDOWPOS {
    HWND hwnd = nullptr;
    HWND hwndInsertAfter = nullptr;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
};

struct NCCALCSIZE_PARAMS {
    TRect rgrc[3];  // new window rect -> new client rect; old window rect; old client rect
    WINDOWPOS* lppos = nullptr;
};

struct MINMAXINFO {
    TPoint ptReserved;
    TPoint ptMaxSize;
    TPoint ptMaxPosition;
    TPoint ptMinTrackSize;
    TPoint ptMaxTrackSize;
};

struct STYLESTRUCT {
    DWORD styleOld = 0;
    DWORD styleNew = 0;
};

// WM_SIZE types.
constexpr UINT SIZE_RESTORED = 0;
constexpr UINT SIZE_MINIMIZED = 1;
constexpr UINT SIZE_MAXIMIZED = 2;
constexpr UINT SIZE_MAXSHOW = 3;
constexpr UINT SIZE_MAXHIDE = 4;

// WM_SIZING edges.
constexpr UINT WMSZ_LEFT = 1;
constexpr UINT WMSZ_RIGHT = 2;
constexpr UINT WMSZ_TOP = 3;
constexpr UINT WMSZ_TOPLEFT = 4;
constexpr UINT WMSZ_TOPRIGHT = 5;
constexpr UINT WMSZ_BOTTOM = 6;
constexpr UINT WMSZ_BOTTOMLEFT = 7;
constexpr UINT WMSZ_BOTTOMRIGHT = 8;

// The window rectangle in screen coordinates, the client rectangle at (0, 0).
BOOL GetWindowRect(HWND Wnd, TRect* Rect);
BOOL GetClientRect(HWND Wnd, TRect* Rect);
BOOL ClientToScreen(HWND Wnd, TPoint* Point);
BOOL ScreenToClient(HWND Wnd, TPoint* Point);
// Maps points from the client area of From to that of To (null: the
// screen).  Returns the horizontal offset in the low word and the vertical
// one in the high word (as signed 16-bit values).
int MapWindowPoints(HWND From, HWND To, TPoint* Points, UINT Count);
int MapWindowPoints(HWND From, HWND To, TRect* Rect);
// The deepest visible, enabled window containing the screen point, honouring
// HTTRANSPARENT of windows of the calling thread; the desktop when none.
HWND WindowFromPoint(TPoint Point);
constexpr UINT CWP_ALL = 0x0000;
constexpr UINT CWP_SKIPINVISIBLE = 0x0001;
constexpr UINT CWP_SKIPDISABLED = 0x0002;
constexpr UINT CWP_SKIPTRANSPARENT = 0x0004;
// The child (one level down) of Parent containing the point, in Parent's
// client coordinates; Parent itself when no child does; null when the point
// is outside Parent.
HWND ChildWindowFromPoint(HWND Parent, TPoint Point);
HWND ChildWindowFromPointEx(HWND Parent, TPoint Point, UINT Flags);

// Positions, sizes, orders, shows or hides a window.  Sends
// WM_WINDOWPOSCHANGING (DefWindowProc applies the min/max tracking sizes of
// WM_GETMINMAXINFO for WS_THICKFRAME and overlapped windows), WM_NCCALCSIZE
// when the size or frame changes, then WM_WINDOWPOSCHANGED (DefWindowProc
// sends WM_MOVE and WM_SIZE).  Without SWP_NOACTIVATE a top-level window is
// activated, an MDI child gets WM_CHILDACTIVATE.
BOOL SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int Width, int Height, UINT Flags);
BOOL MoveWindow(HWND Wnd, int X, int Y, int Width, int Height, BOOL Repaint);
BOOL BringWindowToTop(HWND Wnd);
// Window and client rectangle from the styles: what DefWindowProc's
// WM_NCCALCSIZE computes, backwards.
BOOL AdjustWindowRectEx(TRect* Rect, DWORD Style, BOOL Menu, DWORD ExStyle);
inline BOOL AdjustWindowRect(TRect* Rect, DWORD Style, BOOL Menu) { return AdjustWindowRectEx(Rect, Style, Menu, 0); }

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;
constexpr int SW_SHOWDEFAULT = 10;
constexpr int SW_FORCEMINIMIZE = 11;
// WM_SHOWWINDOW status codes.
constexpr LPARAM SW_PARENTCLOSING = 1;
constexpr LPARAM SW_OTHERZOOM = 2;
constexpr LPARAM SW_PARENTOPENING = 3;
constexpr LPARAM SW_OTHERUNZOOM = 4;

// Returns whether the window was visible before.  Sends WM_SHOWWINDOW when
// the visibility changes; minimizing, maximizing and restoring send
// WM_SIZE with SIZE_MINIMIZED, SIZE_MAXIMIZED or SIZE_RESTORED.
BOOL ShowWindow(HWND Wnd, int Cmd);
// Visible when the window and all its ancestors have WS_VISIBLE.
BOOL IsWindowVisible(HWND Wnd);
BOOL IsIconic(HWND Wnd);
BOOL IsZoomed(HWND Wnd);
// Sends WM_ENABLE when the state changes; a disabled window loses the focus
// (and capture).  Returns whether it was disabled before.
BOOL EnableWindow(HWND Wnd, BOOL Enable);
BOOL IsWindowEnabled(HWND Wnd);
BOOL OpenIcon(HWND Wnd);
BOOL CloseWindow(HWND Wnd);  // minimizes

struct WINDOWPLACEMENT {
    UINT length = sizeof(WINDOWPLACEMENT);
    UINT flags = 0;
    UINT showCmd = 0;
    TPoint ptMinPosition;
    TPoint ptMaxPosition;
    TRect rcNormalPosition;
};
static_assert(sizeof(WINDOWPLACEMENT) == 44, "WINDOWPLACEMENT keeps its classic size");
constexpr UINT WPF_SETMINPOSITION = 0x0001;
constexpr UINT WPF_RESTORETOMAXIMIZED = 0x0002;
constexpr UINT WPF_ASYNCWINDOWPLACEMENT = 0x0004;

// length must be sizeof(WINDOWPLACEMENT).  showCmd reads SW_SHOWMINIMIZED,
// SW_SHOWMAXIMIZED or SW_SHOWNORMAL; the positions never set read (-1, -1).
BOOL GetWindowPlacement(HWND Wnd, WINDOWPLACEMENT* Placement);
BOOL SetWindowPlacement(HWND Wnd, const WINDOWPLACEMENT* Placement);

// Window text through WM_SETTEXT / WM_GETTEXT (for windows of other threads
// the stored text is read directly).  GetWindowText copies at most
// MaxCount - 1 bytes and a terminating zero; returns the bytes copied.
BOOL SetWindowText(HWND Wnd, const char* Text);
int GetWindowText(HWND Wnd, char* Buffer, int MaxCount);
int GetWindowTextLength(HWND Wnd);
std::string GetWindowText(HWND Wnd);

HMENU GetMenu(HWND Wnd);
// A top-level window with a menu reserves a menu bar (SM_CYMENU) below its
// caption; the bar is painted by the painter installed with SetMenuBarPainter.
BOOL SetMenu(HWND Wnd, HMENU Menu);
BOOL DrawMenuBar(HWND Wnd);
using TMenuBarPainter = std::function<void(HWND Wnd, HMENU Menu, HDC DC, const TRect& Bar)>;
void SetMenuBarPainter(TMenuBarPainter Painter);

// ---------------------------------------------------------------------------
// Hit-test codes and system commands

constexpr int HTERROR = -2;
constexpr int HTTRANSPARENT = -1;
constexpr int HTNOWHERE = 0;
constexpr int HTCLIENT = 1;
constexpr int HTCAPTION = 2;
constexpr int HTSYSMENU = 3;
constexpr int HTGROWBOX = 4;
constexpr int HTSIZE = HTGROWBOX;
constexpr int HTMENU = 5;
constexpr int HTHSCROLL = 6;
constexpr int HTVSCROLL = 7;
constexpr int HTMINBUTTON = 8;
constexpr int HTREDUCE = HTMINBUTTON;
constexpr int HTMAXBUTTON = 9;
constexpr int HTZOOM = HTMAXBUTTON;
constexpr int HTLEFT = 10;
constexpr int HTRIGHT = 11;
constexpr int HTTOP = 12;
constexpr int HTTOPLEFT = 13;
constexpr int HTTOPRIGHT = 14;
constexpr int HTBOTTOM = 15;
constexpr int HTBOTTOMLEFT = 16;
constexpr int HTBOTTOMRIGHT = 17;
constexpr int HTBORDER = 18;
constexpr int HTOBJECT = 19;
constexpr int HTCLOSE = 20;
constexpr int HTHELP = 21;

constexpr UINT SC_SIZE = 0xF000;
constexpr UINT SC_MOVE = 0xF010;
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_MAXIMIZE = 0xF030;
constexpr UINT SC_NEXTWINDOW = 0xF040;
constexpr UINT SC_PREVWINDOW = 0xF050;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_VSCROLL = 0xF070;
constexpr UINT SC_HSCROLL = 0xF080;
constexpr UINT SC_MOUSEMENU = 0xF090;
constexpr UINT SC_KEYMENU = 0xF100;
constexpr UINT SC_ARRANGE = 0xF110;
constexpr UINT SC_RESTORE = 0xF120;
constexpr UINT SC_TASKLIST = 0xF130;
constexpr UINT SC_SCREENSAVE = 0xF140;
constexpr UINT SC_HOTKEY = 0xF150;
constexpr UINT SC_DEFAULT = 0xF160;
constexpr UINT SC_MONITORPOWER = 0xF170;
constexpr UINT SC_CONTEXTHELP = 0xF180;
constexpr UINT SC_ICON = SC_MINIMIZE;
constexpr UINT SC_ZOOM = SC_MAXIMIZE;

// WM_ACTIVATE states, WM_MOUSEACTIVATE results.
constexpr WORD WA_INACTIVE = 0;
constexpr WORD WA_ACTIVE = 1;
constexpr WORD WA_CLICKACTIVE = 2;
constexpr LRESULT MA_ACTIVATE = 1;
constexpr LRESULT MA_ACTIVATEANDEAT = 2;
constexpr LRESULT MA_NOACTIVATE = 3;
constexpr LRESULT MA_NOACTIVATEANDEAT = 4;

// WM_NCCALCSIZE results with valid rects.
constexpr LRESULT WVR_ALIGNTOP = 0x0010;
constexpr LRESULT WVR_REDRAW = 0x0300;

// WM_SETICON / WM_GETICON.
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;
constexpr WPARAM ICON_SMALL2 = 2;

// ---------------------------------------------------------------------------
// Messages

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;  // GetTickCount when the message was queued
    TPoint pt;       // the cursor in screen coordinates at that time
};

// PeekMessage options.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;
// Queue status bits (GetQueueStatus; in the high word of PeekMessage's
// options: PM_QS_*).
constexpr UINT QS_KEY = 0x0001;
constexpr UINT QS_MOUSEMOVE = 0x0002;
constexpr UINT QS_MOUSEBUTTON = 0x0004;
constexpr UINT QS_POSTMESSAGE = 0x0008;
constexpr UINT QS_TIMER = 0x0010;
constexpr UINT QS_PAINT = 0x0020;
constexpr UINT QS_SENDMESSAGE = 0x0040;
constexpr UINT QS_HOTKEY = 0x0080;
constexpr UINT QS_ALLPOSTMESSAGE = 0x0100;
constexpr UINT QS_MOUSE = QS_MOUSEMOVE | QS_MOUSEBUTTON;
constexpr UINT QS_INPUT = QS_MOUSE | QS_KEY;
constexpr UINT QS_ALLEVENTS = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY;
constexpr UINT QS_ALLINPUT = QS_ALLEVENTS | QS_SENDMESSAGE;
constexpr UINT PM_QS_INPUT = QS_INPUT << 16;
constexpr UINT PM_QS_POSTMESSAGE = (QS_POSTMESSAGE | QS_HOTKEY | QS_TIMER) << 16;
constexpr UINT PM_QS_PAINT = QS_PAINT << 16;
constexpr UINT PM_QS_SENDMESSAGE = QS_SENDMESSAGE << 16;

// Sends and waits for the result.  A window of the calling thread runs the
// message at once (nested sends are fine); a window of another thread runs
// it when that thread next processes messages, while the caller waits and
// processes messages sent to its own thread.  A dead window returns 0.
// HWND_BROADCAST sends to every top-level window and returns 0.
LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// Posts to the window's thread.  A dead window (or a thread without a
// queue) fails with FALSE.  Messages of a window destroyed before they are
// retrieved are dropped, never delivered.  A null window posts a thread
// message to the calling thread; HWND_BROADCAST posts to every top-level
// window.
BOOL PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
BOOL PostThreadMessage(DWORD ThreadId, UINT Msg, WPARAM WParam, LPARAM LParam);
// Asks the calling thread's message loop to end: WM_QUIT is retrieved once
// every message posted before it has been, and it stays until retrieved,
// whatever is posted later.  It is not filtered by window or range.
void PostQuitMessage(int ExitCode);
// Retrieval order: messages sent from other threads (processed, never
// returned), posted messages and input in the order they were queued,
// WM_QUIT, then WM_PAINT for a window needing paint, then WM_TIMER for a
// due timer.  GetMessage waits (processing sent messages) until something
// is there; it returns 0 for WM_QUIT and -1 for an invalid window filter.
BOOL GetMessage(MSG* Msg, HWND Wnd, UINT FilterMin, UINT FilterMax);
BOOL PeekMessage(MSG* Msg, HWND Wnd, UINT FilterMin, UINT FilterMax, UINT RemoveMsg);
// WM_KEYDOWN / WM_SYSKEYDOWN of a key with a character queue WM_CHAR /
// WM_SYSCHAR (a code point) as the next message.  Nonzero for key messages.
BOOL TranslateMessage(const MSG* Msg);
// Calls the window procedure; WM_TIMER with a TIMERPROC calls that instead.
LRESULT DispatchMessage(const MSG* Msg);
// Waits until the queue has something to retrieve.
BOOL WaitMessage();
// True while the calling thread handles a message sent from another thread.
BOOL InSendMessage();
DWORD GetQueueStatus(UINT Flags);  // high word: what is there, low word: same (no "new" tracking)
BOOL GetInputState();
LONG GetMessageTime();
DWORD GetMessagePos();  // packed screen point of the last retrieved message
// Names are compared without regard to ASCII case; values from 0xC000.  An
// empty name returns 0.
UINT RegisterWindowMessage(const char* Name);

// ---------------------------------------------------------------------------
// Timers

constexpr UINT USER_TIMER_MINIMUM = 10;
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// Runs on the platform clock.  A due timer makes one WM_TIMER ready (never
// more than one per timer, retrieved only when nothing else is queued); the
// next period starts when it became ready.  With a window, the id is the
// caller's (an existing one is replaced); without, a new id is returned.
// Intervals below USER_TIMER_MINIMUM are raised to it.  In virtual time
// (vcl::Clock) the timers become due exactly as Advance passes their times.
UINT_PTR SetTimer(HWND Wnd, UINT_PTR Id, UINT Elapse, TIMERPROC Proc);
// Stops the timer and removes its pending WM_TIMER.
BOOL KillTimer(HWND Wnd, UINT_PTR Id);

// ---------------------------------------------------------------------------
// Painting

struct PAINTSTRUCT {
    HDC hdc = nullptr;
    BOOL fErase = FALSE;  // TRUE: the background still needs erasing
    TRect rcPaint;        // client coordinates
    BOOL fRestore = FALSE;
    BOOL fIncUpdate = FALSE;
    BYTE rgbReserved[32] = {};
};

constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;

constexpr DWORD DCX_WINDOW = 0x00000001;
constexpr DWORD DCX_CACHE = 0x00000002;
constexpr DWORD DCX_NORESETATTRS = 0x00000004;
constexpr DWORD DCX_CLIPCHILDREN = 0x00000008;
constexpr DWORD DCX_CLIPSIBLINGS = 0x00000010;
constexpr DWORD DCX_PARENTCLIP = 0x00000020;
constexpr DWORD DCX_EXCLUDERGN = 0x00000040;
constexpr DWORD DCX_INTERSECTRGN = 0x00000080;
constexpr DWORD DCX_EXCLUDEUPDATE = 0x00000100;
constexpr DWORD DCX_INTERSECTUPDATE = 0x00000200;
constexpr DWORD DCX_LOCKWINDOWUPDATE = 0x00000400;
constexpr DWORD DCX_VALIDATE = 0x00200000;

// Regions and rectangles are in client coordinates; null means the whole
// client area.  Invalidating a window without WS_CLIPCHILDREN invalidates
// the children under the area as well.  Hidden windows ignore invalidation
// (they are repainted whole when shown).
BOOL InvalidateRect(HWND Wnd, const TRect* Rect, BOOL Erase);
BOOL InvalidateRgn(HWND Wnd, HRGN Rgn, BOOL Erase);
BOOL ValidateRect(HWND Wnd, const TRect* Rect);
BOOL ValidateRgn(HWND Wnd, HRGN Rgn);
BOOL GetUpdateRect(HWND Wnd, TRect* Rect, BOOL Erase);
int GetUpdateRgn(HWND Wnd, HRGN Rgn, BOOL Erase);
// Paints the window and its children that need it, parents first.
BOOL UpdateWindow(HWND Wnd);
BOOL RedrawWindow(HWND Wnd, const TRect* Update, HRGN UpdateRgn, UINT Flags);
// Sends WM_NCPAINT when the frame needs it, clears the update region, makes
// a DC clipped to the visible part of the update region, and sends
// WM_ERASEBKGND (when erasing was asked for) with it.
HDC BeginPaint(HWND Wnd, PAINTSTRUCT* Paint);
BOOL EndPaint(HWND Wnd, const PAINTSTRUCT* Paint);
// A DC over the window's pixels (client area; GetWindowDC: the whole
// window), clipped to the part that is visible: inside the ancestors' client
// areas, without overlapping siblings (WS_CLIPSIBLINGS) and children
// (WS_CLIPCHILDREN).  GetDC(null) gives a DC of the screen's size that shows
// nothing.  CS_OWNDC windows get the same DC every time.  A DC stays valid
// (and follows the window when it moves or resizes) until ReleaseDC or the
// window's destruction.  DCX_INTERSECTRGN / DCX_EXCLUDERGN take a region in
// screen coordinates; the caller keeps the region.
HDC GetDC(HWND Wnd);
HDC GetDCEx(HWND Wnd, HRGN Clip, DWORD Flags);
HDC GetWindowDC(HWND Wnd);
int ReleaseDC(HWND Wnd, HDC DC);
HWND WindowFromDC(HDC DC);
BOOL LockWindowUpdate(HWND Wnd);
BOOL ScrollWindow(HWND Wnd, int DX, int DY, const TRect* Scroll, const TRect* Clip);

// Saves a window's pixels as it shows on its top-level surface (a child:
// its window rectangle on the parent's surface) to a PNG file.
bool SaveWindowToPng(HWND Wnd, const std::string& Path);

// ---------------------------------------------------------------------------
// Activation, focus, capture

HWND GetActiveWindow();
// Activates a top-level window (a child: its top-level ancestor): the old
// one gets WM_NCACTIVATE(FALSE) and WM_ACTIVATE(WA_INACTIVE), the new one
// WM_NCACTIVATE(TRUE) and WM_ACTIVATE(WA_ACTIVE) and comes to the top;
// WM_ACTIVATEAPP goes to every top-level window when the application
// becomes active or inactive.  Returns the previously active window.
HWND SetActiveWindow(HWND Wnd);
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND Wnd);
HWND GetFocus();
// WM_KILLFOCUS to the old focus, then WM_SETFOCUS to the new one; the new
// one's top-level window is activated first.  Fails (null) for a window
// that is disabled or has a disabled or minimized ancestor.
HWND SetFocus(HWND Wnd);
HWND GetCapture();
// WM_CAPTURECHANGED goes to the window losing the capture.
HWND SetCapture(HWND Wnd);
BOOL ReleaseCapture();
BOOL IsWindowActiveTree(HWND Wnd);  // Wnd lies within the active window

// ---------------------------------------------------------------------------
// Cursor and mouse

constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
constexpr WPARAM MK_XBUTTON1 = 0x0020;
constexpr WPARAM MK_XBUTTON2 = 0x0040;
constexpr int WHEEL_DELTA = 120;

// Predefined cursors and icons (LoadCursor / LoadIcon with a null instance).
inline const char* const IDC_ARROW = MAKEINTRESOURCE(32512);
inline const char* const IDC_IBEAM = MAKEINTRESOURCE(32513);
inline const char* const IDC_WAIT = MAKEINTRESOURCE(32514);
inline const char* const IDC_CROSS = MAKEINTRESOURCE(32515);
inline const char* const IDC_UPARROW = MAKEINTRESOURCE(32516);
inline const char* const IDC_SIZE = MAKEINTRESOURCE(32640);
inline const char* const IDC_ICON = MAKEINTRESOURCE(32641);
inline const char* const IDC_SIZENWSE = MAKEINTRESOURCE(32642);
inline const char* const IDC_SIZENESW = MAKEINTRESOURCE(32643);
inline const char* const IDC_SIZEWE = MAKEINTRESOURCE(32644);
inline const char* const IDC_SIZENS = MAKEINTRESOURCE(32645);
inline const char* const IDC_SIZEALL = MAKEINTRESOURCE(32646);
inline const char* const IDC_NO = MAKEINTRESOURCE(32648);
inline const char* const IDC_HAND = MAKEINTRESOURCE(32649);
inline const char* const IDC_APPSTARTING = MAKEINTRESOURCE(32650);
inline const char* const IDC_HELP = MAKEINTRESOURCE(32651);
inline const char* const IDI_APPLICATION = MAKEINTRESOURCE(32512);
inline const char* const IDI_HAND = MAKEINTRESOURCE(32513);
inline const char* const IDI_QUESTION = MAKEINTRESOURCE(32514);
inline const char* const IDI_EXCLAMATION = MAKEINTRESOURCE(32515);
inline const char* const IDI_ASTERISK = MAKEINTRESOURCE(32516);
inline const char* const IDI_WINLOGO = MAKEINTRESOURCE(32517);
inline const char* const IDI_WARNING = IDI_EXCLAMATION;
inline const char* const IDI_ERROR = IDI_HAND;
inline const char* const IDI_INFORMATION = IDI_ASTERISK;

// Cursors and icons are USER objects.  The predefined ones are shared and
// cannot be destroyed (DestroyCursor/DestroyIcon return TRUE and keep them).
// LoadCursor with an instance or a name reads an RT_GROUP_CURSOR of the
// resource store (Resources.h), the image nearest 32 x 32, shared per
// registered bytes; null when there is none.  LoadIcon knows only the
// predefined icons.
HCURSOR LoadCursor(HINSTANCE Instance, const char* Name);
HICON LoadIcon(HINSTANCE Instance, const char* Name);
HCURSOR SetCursor(HCURSOR Cursor);  // returns the previous cursor
HCURSOR GetCursor();
int ShowCursor(BOOL Show);           // the display counter; shown while >= 0
BOOL DestroyCursor(HCURSOR Cursor);

// The cursor position in screen coordinates.  SetCursorPos keeps the point
// inside the clip rectangle (and the screen) and makes the window under it
// see a mouse move, as moving the mouse does.
BOOL GetCursorPos(TPoint* Point);
BOOL SetCursorPos(int X, int Y);
// Confines the cursor to the rectangle (its right and bottom edges
// excluded) intersected with the screen; null releases the confinement.
BOOL ClipCursor(const TRect* Rect);
BOOL GetClipCursor(TRect* Rect);

UINT GetDoubleClickTime();
BOOL SetDoubleClickTime(UINT Ms);  // 0 restores the default 500 ms
BOOL SwapMouseButton(BOOL Swap);

struct TRACKMOUSEEVENT {
    DWORD cbSize = sizeof(TRACKMOUSEEVENT);
    DWORD dwFlags = 0;
    HWND hwndTrack = nullptr;
    DWORD dwHoverTime = 0;
};
constexpr DWORD TME_HOVER = 0x00000001;
constexpr DWORD TME_LEAVE = 0x00000002;
constexpr DWORD TME_NONCLIENT = 0x00000010;
constexpr DWORD TME_QUERY = 0x40000000;
constexpr DWORD TME_CANCEL = 0x80000000;
constexpr DWORD HOVER_DEFAULT = 0xFFFFFFFF;
// TME_LEAVE: WM_MOUSELEAVE (TME_NONCLIENT: WM_NCMOUSELEAVE) is posted once
// when the pointer leaves the window's client area (its frame).
// TME_HOVER: WM_MOUSEHOVER once the pointer rested in the client area for
// the hover time (400 ms by default) on the platform clock.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* Track);

// Icons: 32-bit images with a 1-bit transparency mask.
struct ICONINFO {
    BOOL fIcon = TRUE;
    DWORD xHotspot = 0;
    DWORD yHotspot = 0;
    HBITMAP hbmMask = nullptr;   // monochrome; 1 = transparent
    HBITMAP hbmColor = nullptr;  // 32-bit; without it the mask is twice as high (AND over XOR)
};
// Copies the bitmaps; the caller keeps them.
HICON CreateIconIndirect(const ICONINFO* Info);
// An icon from 32-bit pixels whose alpha below 128 is transparent.
HICON CreateIconFromPixels(const TPixelView& Pixels, bool IsIcon = true, TPoint Hotspot = TPoint{});
HICON CopyIcon(HICON Icon);
BOOL DestroyIcon(HICON Icon);
// New bitmaps the caller owns (DeleteObject).
BOOL GetIconInfo(HICON Icon, ICONINFO* Info);
// The icon's size; false for a dead handle.
bool GetIconSize(HICON Icon, TSize* Size);
constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = 0x0003;
constexpr UINT DI_COMPAT = 0x0004;
constexpr UINT DI_DEFAULTSIZE = 0x0008;
// Draws the icon stretched to Width x Height (0: its own size, or the
// system icon size with DI_DEFAULTSIZE); Brush, when given, first fills
// the rectangle (flicker-free drawing).
BOOL DrawIconEx(HDC DC, int X, int Y, HICON Icon, int Width, int Height, UINT Step, HBRUSH Brush, UINT Flags);
BOOL DrawIcon(HDC DC, int X, int Y, HICON Icon);

// ---------------------------------------------------------------------------
// Keyboard

constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_CANCEL = 0x03;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_XBUTTON1 = 0x05;
constexpr int VK_XBUTTON2 = 0x06;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_CLEAR = 0x0C;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_SELECT = 0x29;
constexpr int VK_PRINT = 0x2A;
constexpr int VK_EXECUTE = 0x2B;
constexpr int VK_SNAPSHOT = 0x2C;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_HELP = 0x2F;
constexpr int VK_LWIN = 0x5B;
constexpr int VK_RWIN = 0x5C;
constexpr int VK_APPS = 0x5D;
constexpr int VK_SLEEP = 0x5F;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_NUMPAD1 = 0x61;
constexpr int VK_NUMPAD2 = 0x62;
constexpr int VK_NUMPAD3 = 0x63;
constexpr int VK_NUMPAD4 = 0x64;
constexpr int VK_NUMPAD5 = 0x65;
constexpr int VK_NUMPAD6 = 0x66;
constexpr int VK_NUMPAD7 = 0x67;
constexpr int VK_NUMPAD8 = 0x68;
constexpr int VK_NUMPAD9 = 0x69;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SEPARATOR = 0x6C;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70;
constexpr int VK_F2 = 0x71;
constexpr int VK_F3 = 0x72;
constexpr int VK_F4 = 0x73;
constexpr int VK_F5 = 0x74;
constexpr int VK_F6 = 0x75;
constexpr int VK_F7 = 0x76;
constexpr int VK_F8 = 0x77;
constexpr int VK_F9 = 0x78;
constexpr int VK_F10 = 0x79;
constexpr int VK_F11 = 0x7A;
constexpr int VK_F12 = 0x7B;
constexpr int VK_F13 = 0x7C;
constexpr int VK_F24 = 0x87;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;
constexpr int VK_OEM_1 = 0xBA;       // ;:
constexpr int VK_OEM_PLUS = 0xBB;    // =+
constexpr int VK_OEM_COMMA = 0xBC;   // ,<
constexpr int VK_OEM_MINUS = 0xBD;   // -_
constexpr int VK_OEM_PERIOD = 0xBE;  // .>
constexpr int VK_OEM_2 = 0xBF;       // /?
constexpr int VK_OEM_3 = 0xC0;       // `~
constexpr int VK_OEM_4 = 0xDB;       // [{
constexpr int VK_OEM_5 = 0xDC;       // \|
constexpr int VK_OEM_6 = 0xDD;       // ]}
constexpr int VK_OEM_7 = 0xDE;       // '"
constexpr int VK_OEM_102 = 0xE2;
constexpr int VK_PROCESSKEY = 0xE5;
constexpr int VK_OEM_CLEAR = 0xFE;

// The key state as of the message being processed (the state the thread's
// retrieved input reflects): bit 0x8000 down, bit 1 toggled.
SHORT GetKeyState(int VirtKey);
// The state as fed, regardless of message processing: 0x8000 down.
SHORT GetAsyncKeyState(int VirtKey);
BOOL GetKeyboardState(BYTE* KeyState);        // 256 bytes
BOOL SetKeyboardState(const BYTE* KeyState);  // 256 bytes
constexpr UINT MAPVK_VK_TO_VSC = 0;
constexpr UINT MAPVK_VSC_TO_VK = 1;
constexpr UINT MAPVK_VK_TO_CHAR = 2;
// US keyboard layout.
UINT MapVirtualKey(UINT Code, UINT MapType);
// The character a key gives with the given key state (US layout), 0 for none.
uint32_t VirtualKeyToChar(int VirtKey, const BYTE* KeyState);

// ---------------------------------------------------------------------------
// System metrics and parameters

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CYVTHUMB = 9;
constexpr int SM_CXHTHUMB = 10;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXCURSOR = 13;
constexpr int SM_CYCURSOR = 14;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_CYKANJIWINDOW = 18;
constexpr int SM_MOUSEPRESENT = 19;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_DEBUG = 22;
constexpr int SM_SWAPBUTTON = 23;
constexpr int SM_CXMIN = 28;
constexpr int SM_CYMIN = 29;
constexpr int SM_CXSIZE = 30;
constexpr int SM_CYSIZE = 31;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CXMINTRACK = 34;
constexpr int SM_CYMINTRACK = 35;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXICONSPACING = 38;
constexpr int SM_CYICONSPACING = 39;
constexpr int SM_MENUDROPALIGNMENT = 40;
constexpr int SM_PENWINDOWS = 41;
constexpr int SM_DBCSENABLED = 42;
constexpr int SM_CMOUSEBUTTONS = 43;
constexpr int SM_SECURE = 44;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXMINSPACING = 47;
constexpr int SM_CYMINSPACING = 48;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
constexpr int SM_CYSMCAPTION = 51;
constexpr int SM_CXSMSIZE = 52;
constexpr int SM_CYSMSIZE = 53;
constexpr int SM_CXMENUSIZE = 54;
constexpr int SM_CYMENUSIZE = 55;
constexpr int SM_ARRANGE = 56;
constexpr int SM_CXMINIMIZED = 57;
constexpr int SM_CYMINIMIZED = 58;
constexpr int SM_CXMAXTRACK = 59;
constexpr int SM_CYMAXTRACK = 60;
constexpr int SM_CXMAXIMIZED = 61;
constexpr int SM_CYMAXIMIZED = 62;
constexpr int SM_NETWORK = 63;
constexpr int SM_CLEANBOOT = 67;
constexpr int SM_CXDRAG = 68;
constexpr int SM_CYDRAG = 69;
constexpr int SM_SHOWSOUNDS = 70;
constexpr int SM_CXMENUCHECK = 71;
constexpr int SM_CYMENUCHECK = 72;
constexpr int SM_SLOWMACHINE = 73;
constexpr int SM_MIDEASTENABLED = 74;
constexpr int SM_MOUSEWHEELPRESENT = 75;
constexpr int SM_XVIRTUALSCREEN = 76;
constexpr int SM_YVIRTUALSCREEN = 77;
constexpr int SM_CXVIRTUALSCREEN = 78;
constexpr int SM_CYVIRTUALSCREEN = 79;
constexpr int SM_CMONITORS = 80;
constexpr int SM_SAMEDISPLAYFORMAT = 81;
constexpr int SM_CXFOCUSBORDER = 83;
constexpr int SM_CYFOCUSBORDER = 84;
constexpr int SM_REMOTESESSION = 0x1000;
constexpr int SM_CXFIXEDFRAME = SM_CXDLGFRAME;
constexpr int SM_CYFIXEDFRAME = SM_CYDLGFRAME;
constexpr int SM_CXSIZEFRAME = SM_CXFRAME;
constexpr int SM_CYSIZEFRAME = SM_CYFRAME;

// The classic metrics over a virtual screen (1024 x 768 unless set through
// WinBackend.h's SetScreenSize).  Unknown indices return 0.
int GetSystemMetrics(int Index);

constexpr UINT SPI_GETBEEP = 0x0001;
constexpr UINT SPI_GETWORKAREA = 0x0030;
constexpr UINT SPI_SETWORKAREA = 0x002F;
constexpr UINT SPI_GETDRAGFULLWINDOWS = 0x0026;
constexpr UINT SPI_GETWHEELSCROLLLINES = 0x0068;
constexpr UINT SPI_GETMOUSEHOVERTIME = 0x0066;
constexpr UINT SPI_GETGRADIENTCAPTIONS = 0x1008;
constexpr UINT SPI_SETGRADIENTCAPTIONS = 0x1009;
// SPI_GETWORKAREA / SPI_SETWORKAREA (Param: TRect*; default the screen),
// SPI_GETGRADIENTCAPTIONS / SPI_SETGRADIENTCAPTIONS (UIParam: the new value;
// Param: BOOL* for reading; default TRUE), SPI_GETWHEELSCROLLLINES (UINT*:
// 3), SPI_GETMOUSEHOVERTIME (UINT*: 400), SPI_GETDRAGFULLWINDOWS (BOOL*:
// TRUE), SPI_GETBEEP (BOOL*).  Others fail.
BOOL SystemParametersInfo(UINT Action, UINT UIParam, void* Param, UINT WinIni);

// ---------------------------------------------------------------------------
// Scroll bars of a window's frame (WS_HSCROLL / WS_VSCROLL)

constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;
constexpr WORD SB_LINEUP = 0;
constexpr WORD SB_LINELEFT = 0;
constexpr WORD SB_LINEDOWN = 1;
constexpr WORD SB_LINERIGHT = 1;
constexpr WORD SB_PAGEUP = 2;
constexpr WORD SB_PAGELEFT = 2;
constexpr WORD SB_PAGEDOWN = 3;
constexpr WORD SB_PAGERIGHT = 3;
constexpr WORD SB_THUMBPOSITION = 4;
constexpr WORD SB_THUMBTRACK = 5;
constexpr WORD SB_TOP = 6;
constexpr WORD SB_LEFT = 6;
constexpr WORD SB_BOTTOM = 7;
constexpr WORD SB_RIGHT = 7;
constexpr WORD SB_ENDSCROLL = 8;
constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

// The values of a frame scroll bar.  Position is kept within
// nMin..nMax - max(nPage - 1, 0).  The bar is drawn in the frame; pressing
// it sends WM_HSCROLL / WM_VSCROLL (line, page, thumb tracking) to the
// window.
int SetScrollInfo(HWND Wnd, int Bar, const SCROLLINFO* Info, BOOL Redraw);
BOOL GetScrollInfo(HWND Wnd, int Bar, SCROLLINFO* Info);
int SetScrollPos(HWND Wnd, int Bar, int Pos, BOOL Redraw);
int GetScrollPos(HWND Wnd, int Bar);
BOOL SetScrollRange(HWND Wnd, int Bar, int Min, int Max, BOOL Redraw);
BOOL GetScrollRange(HWND Wnd, int Bar, int* Min, int* Max);
// Adds or removes WS_HSCROLL / WS_VSCROLL and recomputes the frame.
BOOL ShowScrollBar(HWND Wnd, int Bar, BOOL Show);

// ---------------------------------------------------------------------------
// MDI

struct CLIENTCREATESTRUCT {
    HMENU hWindowMenu = nullptr;
    UINT idFirstChild = 0;
};

struct MDICREATESTRUCT {
    const char* szClass = nullptr;
    const char* szTitle = nullptr;
    HINSTANCE hOwner = nullptr;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int cx = CW_USEDEFAULT;
    int cy = CW_USEDEFAULT;
    DWORD style = 0;
    LPARAM lParam = 0;
};

constexpr WPARAM MDITILE_VERTICAL = 0x0000;
constexpr WPARAM MDITILE_HORIZONTAL = 0x0001;
constexpr WPARAM MDITILE_SKIPDISABLED = 0x0002;
constexpr WPARAM MDITILE_ZORDER = 0x0004;
constexpr DWORD MDIS_ALLCHILDSTYLES = 0x0001;

// The MDI client class "MDICLIENT" (CreateWindowEx with a CLIENTCREATESTRUCT*
// as Param) handles WM_MDICREATE, WM_MDIDESTROY, WM_MDIACTIVATE,
// WM_MDIGETACTIVE (LParam: BOOL* receiving the maximized state),
// WM_MDINEXT, WM_MDIMAXIMIZE, WM_MDIRESTORE, WM_MDITILE, WM_MDICASCADE,
// WM_MDIICONARRANGE and WM_MDISETMENU.  Its background is the class brush
// COLOR_APPWORKSPACE + 1, painted in WM_ERASEBKGND (which a subclass may
// take over).  MDI children are windows with WS_EX_MDICHILD whose parent is
// the client, created through WM_MDICREATE or CreateWindowEx.
LRESULT DefFrameProc(HWND Frame, HWND MDIClient, UINT Msg, WPARAM WParam, LPARAM LParam);
LRESULT DefMDIChildProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
HWND CreateMDIWindow(const char* ClassName, const char* WindowName, DWORD Style, int X, int Y, int Width,
                     int Height, HWND Parent, HINSTANCE Instance, LPARAM Param);
BOOL TranslateMDISysAccel(HWND Client, MSG* Msg);

// ---------------------------------------------------------------------------
// Miscellaneous

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFMASK = 0x00000F00;
// The buttons' results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
// Counts beeps (no sound is made); MessageBeepCount reads the counter.
BOOL MessageBeep(UINT Type);
uint32_t MessageBeepCount();

}  // namespace vcl
