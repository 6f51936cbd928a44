// Messages.h - the basic types of the window manager, the window message
// numbers (WM_*, and the class library's CM_* and CN_*), the message record
// TMessage and typed views on it.
//
// Message parameters are pointer-sized: WPARAM is uintptr_t, LPARAM and
// LRESULT are intptr_t.  Points packed into an LPARAM (mouse messages,
// WM_MOVE, WM_NCHITTEST) hold two signed 16-bit values, x in the low word.
#pragma once

#include <cstdint>

#include "GdiTypes.h"

namespace vcl {

// ---------------------------------------------------------------------------
// Basic types

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using SHORT = int16_t;
using LONG = int32_t;
using UINT = uint32_t;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using ULONG_PTR = uintptr_t;
using DWORD_PTR = uintptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using ATOM = uint16_t;
using BOOL = int32_t;
using HANDLE = void*;

#ifndef TRUE
constexpr BOOL TRUE = 1;
#endif
#ifndef FALSE
constexpr BOOL FALSE = 0;
#endif

// Window handles are opaque: a number that is never handed out twice.
struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HMENU__;
using HMENU = HMENU__*;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;

using RECT = TRect;
using POINT = TPoint;
using SIZE = TSize;

// Word and byte packing.
constexpr WORD LOWORD(uintptr_t V) { return WORD(V & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t V) { return WORD((V >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(uintptr_t V) { return BYTE(V & 0xFF); }
constexpr BYTE HIBYTE(uintptr_t V) { return BYTE((V >> 8) & 0xFF); }
constexpr DWORD MAKELONG(WORD Lo, WORD Hi) { return DWORD(Lo) | (DWORD(Hi) << 16); }
constexpr WPARAM MAKEWPARAM(WORD Lo, WORD Hi) { return WPARAM(MAKELONG(Lo, Hi)); }
// The 32-bit value is sign-extended, as a LONG cast to LPARAM is.
constexpr LPARAM MAKELPARAM(WORD Lo, WORD Hi) { return LPARAM(int32_t(MAKELONG(Lo, Hi))); }
constexpr LRESULT MAKELRESULT(WORD Lo, WORD Hi) { return LRESULT(int32_t(MAKELONG(Lo, Hi))); }
// Signed coordinates of a packed point.
constexpr int GET_X_LPARAM(LPARAM L) { return int(int16_t(LOWORD(uintptr_t(L)))); }
constexpr int GET_Y_LPARAM(LPARAM L) { return int(int16_t(HIWORD(uintptr_t(L)))); }
constexpr LPARAM PointToLParam(TPoint P) { return MAKELPARAM(WORD(int16_t(P.X)), WORD(int16_t(P.Y))); }
constexpr TPoint LParamToPoint(LPARAM L) { return TPoint{GET_X_LPARAM(L), GET_Y_LPARAM(L)}; }
constexpr short GET_WHEEL_DELTA_WPARAM(WPARAM W) { return short(HIWORD(W)); }
constexpr WORD GET_KEYSTATE_WPARAM(WPARAM W) { return LOWORD(W); }

// ---------------------------------------------------------------------------
// Window messages

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETREDRAW = 0x000B;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUERYENDSESSION = 0x0011;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_QUERYOPEN = 0x0013;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SYSCOLORCHANGE = 0x0015;
constexpr UINT WM_ENDSESSION = 0x0016;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_CTLCOLOR = 0x0019;
constexpr UINT WM_WININICHANGE = 0x001A;
constexpr UINT WM_SETTINGCHANGE = WM_WININICHANGE;
constexpr UINT WM_DEVMODECHANGE = 0x001B;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_FONTCHANGE = 0x001D;
constexpr UINT WM_TIMECHANGE = 0x001E;
constexpr UINT WM_CANCELMODE = 0x001F;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_MOUSEACTIVATE = 0x0021;
constexpr UINT WM_CHILDACTIVATE = 0x0022;
constexpr UINT WM_QUEUESYNC = 0x0023;
constexpr UINT WM_GETMINMAXINFO = 0x0024;
constexpr UINT WM_PAINTICON = 0x0026;
constexpr UINT WM_ICONERASEBKGND = 0x0027;
constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT WM_SPOOLERSTATUS = 0x002A;
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_MEASUREITEM = 0x002C;
constexpr UINT WM_DELETEITEM = 0x002D;
constexpr UINT WM_VKEYTOITEM = 0x002E;
constexpr UINT WM_CHARTOITEM = 0x002F;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_SETHOTKEY = 0x0032;
constexpr UINT WM_GETHOTKEY = 0x0033;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_COMPAREITEM = 0x0039;
constexpr UINT WM_GETOBJECT = 0x003D;
constexpr UINT WM_COMPACTING = 0x0041;
constexpr UINT WM_COMMNOTIFY = 0x0044;
constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;
constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
constexpr UINT WM_POWER = 0x0048;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_CANCELJOURNAL = 0x004B;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_INPUTLANGCHANGEREQUEST = 0x0050;
constexpr UINT WM_INPUTLANGCHANGE = 0x0051;
constexpr UINT WM_TCARD = 0x0052;
constexpr UINT WM_HELP = 0x0053;
constexpr UINT WM_USERCHANGED = 0x0054;
constexpr UINT WM_NOTIFYFORMAT = 0x0055;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_STYLECHANGING = 0x007C;
constexpr UINT WM_STYLECHANGED = 0x007D;
constexpr UINT WM_DISPLAYCHANGE = 0x007E;
constexpr UINT WM_GETICON = 0x007F;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_NCCALCSIZE = 0x0083;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_NCPAINT = 0x0085;
constexpr UINT WM_NCACTIVATE = 0x0086;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_SYNCPAINT = 0x0088;
constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr UINT WM_NCLBUTTONUP = 0x00A2;
constexpr UINT WM_NCLBUTTONDBLCLK = 0x00A3;
constexpr UINT WM_NCRBUTTONDOWN = 0x00A4;
constexpr UINT WM_NCRBUTTONUP = 0x00A5;
constexpr UINT WM_NCRBUTTONDBLCLK = 0x00A6;
constexpr UINT WM_NCMBUTTONDOWN = 0x00A7;
constexpr UINT WM_NCMBUTTONUP = 0x00A8;
constexpr UINT WM_NCMBUTTONDBLCLK = 0x00A9;
constexpr UINT WM_NCXBUTTONDOWN = 0x00AB;
constexpr UINT WM_NCXBUTTONUP = 0x00AC;
constexpr UINT WM_NCXBUTTONDBLCLK = 0x00AD;
constexpr UINT WM_KEYFIRST = 0x0100;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_DEADCHAR = 0x0103;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_SYSDEADCHAR = 0x0107;
constexpr UINT WM_UNICHAR = 0x0109;
constexpr UINT WM_KEYLAST = 0x0109;
constexpr UINT WM_IME_STARTCOMPOSITION = 0x010D;
constexpr UINT WM_IME_ENDCOMPOSITION = 0x010E;
constexpr UINT WM_IME_COMPOSITION = 0x010F;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_INITMENU = 0x0116;
constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_MENUSELECT = 0x011F;
constexpr UINT WM_MENUCHAR = 0x0120;
constexpr UINT WM_ENTERIDLE = 0x0121;
constexpr UINT WM_MENURBUTTONUP = 0x0122;
constexpr UINT WM_UNINITMENUPOPUP = 0x0125;
constexpr UINT WM_CHANGEUISTATE = 0x0127;
constexpr UINT WM_UPDATEUISTATE = 0x0128;
constexpr UINT WM_QUERYUISTATE = 0x0129;
constexpr UINT WM_CTLCOLORMSGBOX = 0x0132;
constexpr UINT WM_CTLCOLOREDIT = 0x0133;
constexpr UINT WM_CTLCOLORLISTBOX = 0x0134;
constexpr UINT WM_CTLCOLORBTN = 0x0135;
constexpr UINT WM_CTLCOLORDLG = 0x0136;
constexpr UINT WM_CTLCOLORSCROLLBAR = 0x0137;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
constexpr UINT WM_MOUSEFIRST = 0x0200;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_XBUTTONDOWN = 0x020B;
constexpr UINT WM_XBUTTONUP = 0x020C;
constexpr UINT WM_XBUTTONDBLCLK = 0x020D;
constexpr UINT WM_MOUSEHWHEEL = 0x020E;
constexpr UINT WM_MOUSELAST = 0x020E;
constexpr UINT WM_PARENTNOTIFY = 0x0210;
constexpr UINT WM_ENTERMENULOOP = 0x0211;
constexpr UINT WM_EXITMENULOOP = 0x0212;
constexpr UINT WM_NEXTMENU = 0x0213;
constexpr UINT WM_SIZING = 0x0214;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_MOVING = 0x0216;
constexpr UINT WM_POWERBROADCAST = 0x0218;
constexpr UINT WM_DEVICECHANGE = 0x0219;
constexpr UINT WM_MDICREATE = 0x0220;
constexpr UINT WM_MDIDESTROY = 0x0221;
constexpr UINT WM_MDIACTIVATE = 0x0222;
constexpr UINT WM_MDIRESTORE = 0x0223;
constexpr UINT WM_MDINEXT = 0x0224;
constexpr UINT WM_MDIMAXIMIZE = 0x0225;
constexpr UINT WM_MDITILE = 0x0226;
constexpr UINT WM_MDICASCADE = 0x0227;
constexpr UINT WM_MDIICONARRANGE = 0x0228;
constexpr UINT WM_MDIGETACTIVE = 0x0229;
constexpr UINT WM_MDISETMENU = 0x0230;
constexpr UINT WM_ENTERSIZEMOVE = 0x0231;
constexpr UINT WM_EXITSIZEMOVE = 0x0232;
constexpr UINT WM_DROPFILES = 0x0233;
constexpr UINT WM_MDIREFRESHMENU = 0x0234;
constexpr UINT WM_IME_SETCONTEXT = 0x0281;
constexpr UINT WM_IME_NOTIFY = 0x0282;
constexpr UINT WM_NCMOUSEHOVER = 0x02A0;
constexpr UINT WM_MOUSEHOVER = 0x02A1;
constexpr UINT WM_NCMOUSELEAVE = 0x02A2;
constexpr UINT WM_MOUSELEAVE = 0x02A3;
constexpr UINT WM_CUT = 0x0300;
constexpr UINT WM_COPY = 0x0301;
constexpr UINT WM_PASTE = 0x0302;
constexpr UINT WM_CLEAR = 0x0303;
constexpr UINT WM_UNDO = 0x0304;
constexpr UINT WM_RENDERFORMAT = 0x0305;
constexpr UINT WM_RENDERALLFORMATS = 0x0306;
constexpr UINT WM_DESTROYCLIPBOARD = 0x0307;
constexpr UINT WM_DRAWCLIPBOARD = 0x0308;
constexpr UINT WM_PAINTCLIPBOARD = 0x0309;
constexpr UINT WM_VSCROLLCLIPBOARD = 0x030A;
constexpr UINT WM_SIZECLIPBOARD = 0x030B;
constexpr UINT WM_ASKCBFORMATNAME = 0x030C;
constexpr UINT WM_CHANGECBCHAIN = 0x030D;
constexpr UINT WM_HSCROLLCLIPBOARD = 0x030E;
constexpr UINT WM_QUERYNEWPALETTE = 0x030F;
constexpr UINT WM_PALETTEISCHANGING = 0x0310;
constexpr UINT WM_PALETTECHANGED = 0x0311;
constexpr UINT WM_HOTKEY = 0x0312;
constexpr UINT WM_PRINT = 0x0317;
constexpr UINT WM_PRINTCLIENT = 0x0318;
constexpr UINT WM_APPCOMMAND = 0x0319;
constexpr UINT WM_THEMECHANGED = 0x031A;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// ---------------------------------------------------------------------------
// The class library's own messages: component messages (CM_*) and the
// notifications a parent reflects back to the control (CN_* = CN_BASE + WM_*).

constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_INVOKEHELP = CM_BASE + 31;
constexpr UINT CM_WINDOWHOOK = CM_BASE + 32;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_WININICHANGE = CM_BASE + 37;
constexpr UINT CM_FONTCHANGE = CM_BASE + 38;
constexpr UINT CM_TIMECHANGE = CM_BASE + 39;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_UIACTIVATE = CM_BASE + 41;
constexpr UINT CM_UIDEACTIVATE = CM_BASE + 42;
constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 43;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr UINT CM_GETDATALINK = CM_BASE + 45;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_DRAG = CM_BASE + 47;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
constexpr UINT CM_DIALOGHANDLE = CM_BASE + 49;
constexpr UINT CM_ISTOOLCONTROL = CM_BASE + 50;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
constexpr UINT CM_INVALIDATE = CM_BASE + 52;
constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 53;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;
constexpr UINT CM_CHANGED = CM_BASE + 55;
constexpr UINT CM_DOCKCLIENT = CM_BASE + 56;
constexpr UINT CM_UNDOCKCLIENT = CM_BASE + 57;
constexpr UINT CM_FLOAT = CM_BASE + 58;
constexpr UINT CM_BORDERCHANGED = CM_BASE + 59;
constexpr UINT CM_BIDIMODECHANGED = CM_BASE + 60;
constexpr UINT CM_PARENTBIDIMODECHANGED = CM_BASE + 61;
constexpr UINT CM_ALLCHILDRENFLIPPED = CM_BASE + 62;
constexpr UINT CM_ACTIONUPDATE = CM_BASE + 63;
constexpr UINT CM_ACTIONEXECUTE = CM_BASE + 64;
constexpr UINT CM_HINTSHOWPAUSE = CM_BASE + 65;
constexpr UINT CM_DOCKNOTIFICATION = CM_BASE + 66;
constexpr UINT CM_MOUSEWHEEL = CM_BASE + 67;

constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
constexpr UINT CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;

// ---------------------------------------------------------------------------
// The message record

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;

    WORD WParamLo() const { return LOWORD(WParam); }
    WORD WParamHi() const { return HIWORD(WParam); }
    WORD LParamLo() const { return LOWORD(uintptr_t(LParam)); }
    WORD LParamHi() const { return HIWORD(uintptr_t(LParam)); }
    WORD ResultLo() const { return LOWORD(uintptr_t(Result)); }
    WORD ResultHi() const { return HIWORD(uintptr_t(Result)); }
};

// Typed views.  Each holds a reference to the TMessage it reads and
// writes, and reads the parameters the way the message packs them:
//   void WMSize(TWMSize Message) { ... Message.Width() ... }
// is called as WMSize(TWMSize(Msg)).  SetResult writes the result back.

struct TWMBase {
    explicit TWMBase(TMessage& M) : Message(M) {}
    TMessage& Message;
    UINT Msg() const { return Message.Msg; }
    LRESULT Result() const { return Message.Result; }
    void SetResult(LRESULT R) const { Message.Result = R; }
};

struct CREATESTRUCT;
struct WINDOWPOS;
struct MINMAXINFO;
struct NCCALCSIZE_PARAMS;
struct STYLESTRUCT;

struct TWMNoParams : TWMBase {
    using TWMBase::TWMBase;
};
using TWMClose = TWMNoParams;
using TWMDestroy = TWMNoParams;
using TWMNCDestroy = TWMNoParams;
using TWMCancelMode = TWMNoParams;
using TWMChildActivate = TWMNoParams;
using TWMEnterSizeMove = TWMNoParams;
using TWMExitSizeMove = TWMNoParams;

// WM_CREATE, WM_NCCREATE
struct TWMCreate : TWMBase {
    using TWMBase::TWMBase;
    CREATESTRUCT* CreateStruct() const { return reinterpret_cast<CREATESTRUCT*>(Message.LParam); }
};
using TWMNCCreate = TWMCreate;

// WM_SIZE: the size type (SIZE_*) and the new client size.
struct TWMSize : TWMBase {
    using TWMBase::TWMBase;
    UINT SizeType() const { return UINT(Message.WParam); }
    WORD Width() const { return Message.LParamLo(); }
    WORD Height() const { return Message.LParamHi(); }
};

// WM_MOVE: the new client origin (signed 16-bit each).
struct TWMMove : TWMBase {
    using TWMBase::TWMBase;
    int XPos() const { return GET_X_LPARAM(Message.LParam); }
    int YPos() const { return GET_Y_LPARAM(Message.LParam); }
};

// Client mouse messages: the key state (MK_*) and the point in client
// coordinates.
struct TWMMouse : TWMBase {
    using TWMBase::TWMBase;
    UINT Keys() const { return UINT(Message.WParam); }
    int XPos() const { return GET_X_LPARAM(Message.LParam); }
    int YPos() const { return GET_Y_LPARAM(Message.LParam); }
    TPoint Pos() const { return LParamToPoint(Message.LParam); }
};
using TWMMouseMove = TWMMouse;
using TWMLButtonDown = TWMMouse;
using TWMLButtonUp = TWMMouse;
using TWMLButtonDblClk = TWMMouse;
using TWMRButtonDown = TWMMouse;
using TWMRButtonUp = TWMMouse;
using TWMRButtonDblClk = TWMMouse;
using TWMMButtonDown = TWMMouse;
using TWMMButtonUp = TWMMouse;
using TWMMButtonDblClk = TWMMouse;

// WM_MOUSEWHEEL: keys, the wheel delta (multiples of WHEEL_DELTA) and the
// point in screen coordinates.
struct TWMMouseWheel : TWMBase {
    using TWMBase::TWMBase;
    WORD Keys() const { return LOWORD(Message.WParam); }
    short WheelDelta() const { return short(HIWORD(Message.WParam)); }
    int XPos() const { return GET_X_LPARAM(Message.LParam); }
    int YPos() const { return GET_Y_LPARAM(Message.LParam); }
};

// Non-client mouse messages: the hit-test code and the point in screen
// coordinates.
struct TWMNCHitMessage : TWMBase {
    using TWMBase::TWMBase;
    int HitTest() const { return int(Message.WParam); }
    int XCursor() const { return GET_X_LPARAM(Message.LParam); }
    int YCursor() const { return GET_Y_LPARAM(Message.LParam); }
};
using TWMNCLButtonDown = TWMNCHitMessage;
using TWMNCLButtonUp = TWMNCHitMessage;
using TWMNCLButtonDblClk = TWMNCHitMessage;
using TWMNCMouseMove = TWMNCHitMessage;
using TWMNCRButtonDown = TWMNCHitMessage;

// WM_NCHITTEST: the point in screen coordinates; the result is an HT* code.
struct TWMNCHitTest : TWMBase {
    using TWMBase::TWMBase;
    int XPos() const { return GET_X_LPARAM(Message.LParam); }
    int YPos() const { return GET_Y_LPARAM(Message.LParam); }
    TPoint Pos() const { return LParamToPoint(Message.LParam); }
};

// Keyboard messages: the virtual key (or character) and the key data.
struct TWMKey : TWMBase {
    using TWMBase::TWMBase;
    WORD CharCode() const { return WORD(Message.WParam); }
    uint32_t Char() const { return uint32_t(Message.WParam); }  // WM_CHAR: a code point
    LONG KeyData() const { return LONG(Message.LParam); }
    void SetCharCode(WORD C) const { Message.WParam = C; }
};
using TWMKeyDown = TWMKey;
using TWMKeyUp = TWMKey;
using TWMChar = TWMKey;
using TWMSysKeyDown = TWMKey;
using TWMSysKeyUp = TWMKey;
using TWMSysChar = TWMKey;

// WM_ACTIVATE: WA_* in the low word, the minimized flag in the high word,
// the other window in LPARAM.
struct TWMActivate : TWMBase {
    using TWMBase::TWMBase;
    WORD Active() const { return LOWORD(Message.WParam); }
    bool Minimized() const { return HIWORD(Message.WParam) != 0; }
    HWND ActiveWindow() const { return reinterpret_cast<HWND>(Message.LParam); }
};

struct TWMActivateApp : TWMBase {
    using TWMBase::TWMBase;
    bool Active() const { return Message.WParam != 0; }
    DWORD ThreadId() const { return DWORD(Message.LParam); }
};

struct TWMNCActivate : TWMBase {
    using TWMBase::TWMBase;
    bool Active() const { return Message.WParam != 0; }
};

// WM_SETFOCUS / WM_KILLFOCUS: the window losing or getting the focus.
struct TWMFocus : TWMBase {
    using TWMBase::TWMBase;
    HWND FocusedWnd() const { return reinterpret_cast<HWND>(Message.WParam); }
};
using TWMSetFocus = TWMFocus;
using TWMKillFocus = TWMFocus;

struct TWMEnable : TWMBase {
    using TWMBase::TWMBase;
    bool Enabled() const { return Message.WParam != 0; }
};

// WM_PAINT (DC may be given by WM_PRINTCLIENT-style callers), WM_ERASEBKGND,
// WM_PRINTCLIENT.
struct TWMDC : TWMBase {
    using TWMBase::TWMBase;
    void* DC() const { return reinterpret_cast<void*>(Message.WParam); }
};
using TWMPaint = TWMDC;
using TWMEraseBkgnd = TWMDC;

// WM_NCPAINT: the update region (1 for the whole frame), screen coordinates.
struct TWMNCPaint : TWMBase {
    using TWMBase::TWMBase;
    void* Rgn() const { return reinterpret_cast<void*>(Message.WParam); }
};

struct TWMTimer : TWMBase {
    using TWMBase::TWMBase;
    UINT_PTR TimerID() const { return UINT_PTR(Message.WParam); }
    LPARAM TimerProc() const { return Message.LParam; }
};

// WM_COMMAND: notify code, item id, control.
struct TWMCommand : TWMBase {
    using TWMBase::TWMBase;
    WORD ItemID() const { return LOWORD(Message.WParam); }
    WORD NotifyCode() const { return HIWORD(Message.WParam); }
    HWND Ctl() const { return reinterpret_cast<HWND>(Message.LParam); }
};

// WM_SYSCOMMAND: SC_* (the low four bits are used internally) and the point.
struct TWMSysCommand : TWMBase {
    using TWMBase::TWMBase;
    UINT CmdType() const { return UINT(Message.WParam & 0xFFF0); }
    int XPos() const { return GET_X_LPARAM(Message.LParam); }
    int YPos() const { return GET_Y_LPARAM(Message.LParam); }
};

struct TWMGetMinMaxInfo : TWMBase {
    using TWMBase::TWMBase;
    MINMAXINFO* MinMaxInfo() const { return reinterpret_cast<MINMAXINFO*>(Message.LParam); }
};

// WM_WINDOWPOSCHANGING / WM_WINDOWPOSCHANGED
struct TWMWindowPosMsg : TWMBase {
    using TWMBase::TWMBase;
    WINDOWPOS* WindowPos() const { return reinterpret_cast<WINDOWPOS*>(Message.LParam); }
};
using TWMWindowPosChanging = TWMWindowPosMsg;
using TWMWindowPosChanged = TWMWindowPosMsg;

// WM_NCCALCSIZE: with CalcValidRects the LPARAM is an NCCALCSIZE_PARAMS,
// else a RECT holding the window rectangle, to be turned into the client
// rectangle.
struct TWMNCCalcSize : TWMBase {
    using TWMBase::TWMBase;
    bool CalcValidRects() const { return Message.WParam != 0; }
    NCCALCSIZE_PARAMS* CalcSize_Params() const { return reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam); }
    TRect* Rect() const { return reinterpret_cast<TRect*>(Message.LParam); }
};

// WM_SIZING / WM_MOVING: the edge (WMSZ_*) and the proposed window rectangle
// in screen coordinates, which the handler may change.
struct TWMSizing : TWMBase {
    using TWMBase::TWMBase;
    UINT Side() const { return UINT(Message.WParam); }
    TRect* DragRect() const { return reinterpret_cast<TRect*>(Message.LParam); }
};
using TWMMoving = TWMSizing;

// WM_SETCURSOR: the window under the cursor, the hit code, the mouse message.
struct TWMSetCursor : TWMBase {
    using TWMBase::TWMBase;
    HWND CursorWnd() const { return reinterpret_cast<HWND>(Message.WParam); }
    short HitTest() const { return short(LOWORD(uintptr_t(Message.LParam))); }
    WORD MouseMsg() const { return HIWORD(uintptr_t(Message.LParam)); }
};

// WM_MOUSEACTIVATE: the top-level window being activated, hit code, message.
struct TWMMouseActivate : TWMBase {
    using TWMBase::TWMBase;
    HWND TopLevel() const { return reinterpret_cast<HWND>(Message.WParam); }
    short HitTestCode() const { return short(LOWORD(uintptr_t(Message.LParam))); }
    WORD MouseMsg() const { return HIWORD(uintptr_t(Message.LParam)); }
};

struct TWMShowWindow : TWMBase {
    using TWMBase::TWMBase;
    bool Show() const { return Message.WParam != 0; }
    LPARAM Status() const { return Message.LParam; }
};

struct TWMSetText : TWMBase {
    using TWMBase::TWMBase;
    const char* Text() const { return reinterpret_cast<const char*>(Message.LParam); }
};

struct TWMGetText : TWMBase {
    using TWMBase::TWMBase;
    size_t TextMax() const { return size_t(Message.WParam); }
    char* Text() const { return reinterpret_cast<char*>(Message.LParam); }
};

struct TWMCaptureChanged : TWMBase {
    using TWMBase::TWMBase;
    HWND NewCapture() const { return reinterpret_cast<HWND>(Message.LParam); }
};

// WM_MDIACTIVATE as received by an MDI child: the window being deactivated
// and the one being activated.
struct TWMMDIActivate : TWMBase {
    using TWMBase::TWMBase;
    HWND DeactiveWnd() const { return reinterpret_cast<HWND>(Message.WParam); }
    HWND ActiveWnd() const { return reinterpret_cast<HWND>(Message.LParam); }
};

struct TWMStyleChange : TWMBase {
    using TWMBase::TWMBase;
    int StyleType() const { return int(intptr_t(Message.WParam)); }
    STYLESTRUCT* StyleStruct() const { return reinterpret_cast<STYLESTRUCT*>(Message.LParam); }
};

struct TWMScroll : TWMBase {
    using TWMBase::TWMBase;
    WORD ScrollCode() const { return LOWORD(Message.WParam); }
    short Pos() const { return short(HIWORD(Message.WParam)); }
    HWND ScrollBar() const { return reinterpret_cast<HWND>(Message.LParam); }
};
using TWMHScroll = TWMScroll;
using TWMVScroll = TWMScroll;

struct TWMContextMenu : TWMBase {
    using TWMBase::TWMBase;
    HWND hWnd() const { return reinterpret_cast<HWND>(Message.WParam); }
    int XPos() const { return GET_X_LPARAM(Message.LParam); }
    int YPos() const { return GET_Y_LPARAM(Message.LParam); }
};

}  // namespace vcl
