// WinCore.cpp - the window manager's state and lock, the handle table,
// window classes, window values and properties, object instances and
// CallWindowProc.
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "Exceptions.h"
#include "SysResources.h"
#include "WinInternal.h"

namespace vcl {

namespace win {

// ---------------------------------------------------------------------------
// The lock

std::recursive_mutex& BigMutex() {
    static std::recursive_mutex* m = new std::recursive_mutex;  // outlives every thread
    return *m;
}

int& LockDepth() {
    thread_local int depth = 0;
    return depth;
}

TUnlock::TUnlock() : FLevels(LockDepth()) {
    for (int i = 0; i < FLevels; ++i) {
        --LockDepth();
        BigMutex().unlock();
    }
}

TUnlock::~TUnlock() {
    for (int i = 0; i < FLevels; ++i) {
        BigMutex().lock();
        ++LockDepth();
    }
}

void WaitOn(std::condition_variable_any& Cv, uint64_t TimeoutNs) {
    // Keep exactly one level for the wait, which releases it.
    const int levels = LockDepth();
    for (int i = 1; i < levels; ++i) {
        --LockDepth();
        BigMutex().unlock();
    }
    {
        std::unique_lock<std::recursive_mutex> lk(BigMutex(), std::adopt_lock);
        if (TimeoutNs == UINT64_MAX)
            Cv.wait(lk);
        else
            Cv.wait_for(lk, std::chrono::nanoseconds(std::min<uint64_t>(TimeoutNs, uint64_t(1) << 50)));
        lk.release();  // still held: the thread keeps its level
    }
    for (int i = 1; i < levels; ++i) {
        BigMutex().lock();
        ++LockDepth();
    }
}

// ---------------------------------------------------------------------------
// Text helpers

std::string LowerAscii(const std::string& Str) {
    std::string r = Str;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}

bool EqualNoCase(const std::string& A, const char* B) {
    const size_t n = std::strlen(B);
    if (A.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char a = A[i], b = B[i];
        if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = char(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

size_t Utf8SafeLength(const std::string& Str, size_t MaxBytes) {
    if (Str.size() <= MaxBytes) return Str.size();
    size_t n = MaxBytes;
    // Step back over continuation bytes so that no sequence is cut.
    while (n > 0 && (static_cast<unsigned char>(Str[n]) & 0xC0) == 0x80) --n;
    return n;
}

// ---------------------------------------------------------------------------
// State

namespace {

class THeadlessBackend : public IWindowBackend {};

void RegisterSystemClass(TState& St, const char* Name, WNDPROC Proc, HBRUSH Brush, UINT Style) {
    auto c = std::make_shared<TClass>();
    c->Name = Name;
    c->Atom = St.NextClassAtom++;
    c->Proc = Proc;
    c->Brush = Brush;
    c->Style = Style;
    c->System = true;
    St.Classes.push_back(c);
}

TState* MakeState() {
    auto* st = new TState;
    RegisterSystemClass(*st, "#32769", DefWindowProc, reinterpret_cast<HBRUSH>(uintptr_t(COLOR_BACKGROUND + 1)), 0);
    RegisterSystemClass(*st, "MDICLIENT", MdiClientProc, reinterpret_cast<HBRUSH>(uintptr_t(COLOR_APPWORKSPACE + 1)),
                        0);
    RegisterSystemClass(*st, "VclUtilWindow", DefWindowProc, nullptr, 0);
    auto d = std::make_shared<TWnd>();
    d->Id = st->NextWndId;
    st->NextWndId += 2;
    d->Handle = reinterpret_cast<HWND>(d->Id);
    d->Class = st->Classes[0];
    d->Proc = DefWindowProc;
    d->Style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    d->Rect = TRect{0, 0, st->ScreenW, st->ScreenH};
    d->Client = d->Rect;
    d->SendSizeMove = false;
    st->Desktop = d.get();
    st->DesktopHolder = d;
    st->Windows[d->Id] = d;
    st->CursorPos = TPoint{st->ScreenW / 2, st->ScreenH / 2};
    return st;
}

// Object instances are values inside an address range reserved with no
// access: never code, never data, and each value is used once.
struct TInstanceSpace {
    uintptr_t Base = 0;
    uintptr_t Size = 0;
    TInstanceSpace() {
        const size_t size = size_t(1) << 28;
        void* p = mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p != MAP_FAILED) {
            Base = reinterpret_cast<uintptr_t>(p);
            Size = size;
        } else {
            static char fallback[1 << 16];
            Base = reinterpret_cast<uintptr_t>(fallback);
            Size = sizeof fallback;
        }
    }
};

TInstanceSpace& InstanceSpace() {
    static TInstanceSpace* s = new TInstanceSpace;
    return *s;
}

uintptr_t InstanceIndex(WNDPROC P) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(P);
    const TInstanceSpace& sp = InstanceSpace();
    if (v <= sp.Base || v >= sp.Base + sp.Size) return 0;
    return v - sp.Base;
}

thread_local DWORD tLastError = 0;

}  // namespace

TState& S() {
    static TState* st = MakeState();
    return *st;
}

IWindowBackend& Backend() {
    static THeadlessBackend headless;
    TState& st = S();
    return st.Backend ? *st.Backend : headless;
}

void FailWith(DWORD Code) { tLastError = Code; }

DWORD CurrentThreadId() {
    thread_local DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
    return id;
}

TWnd* LookupAny(HWND Wnd) {
    if (!Wnd) return nullptr;
    TState& st = S();
    auto it = st.Windows.find(reinterpret_cast<uintptr_t>(Wnd));
    if (it == st.Windows.end() || it->second->Dead) return nullptr;
    return it->second.get();
}

TWnd* Lookup(HWND Wnd) {
    TWnd* w = LookupAny(Wnd);
    if (w == S().Desktop) return nullptr;
    return w;
}

PWnd Hold(TWnd* W) { return W ? W->shared_from_this() : PWnd(); }

bool IsTopLevel(const TWnd* W) { return W && W->Parent == S().Desktop; }

TWnd* Root(TWnd* W) {
    TWnd* d = S().Desktop;
    while (W && W->Parent && W->Parent != d) W = W->Parent;
    return W == d ? nullptr : W;
}

bool IsDescendant(const TWnd* Ancestor, const TWnd* W) {
    for (; W; W = W->Parent)
        if (W == Ancestor) return true;
    return false;
}

PClass FindClass(const char* Name) {
    if (!Name) return nullptr;
    TState& st = S();
    if (IS_INTRESOURCE(Name)) {
        const ATOM a = ATOM(reinterpret_cast<uintptr_t>(Name));
        for (const PClass& c : st.Classes)
            if (c->Atom == a) return c;
        return nullptr;
    }
    for (const PClass& c : st.Classes)
        if (EqualNoCase(c->Name, Name)) return c;
    return nullptr;
}

LRESULT CallProc(WNDPROC Proc, HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (!Proc) return 0;
    if (const uintptr_t idx = InstanceIndex(Proc)) {
        auto it = S().Instances.find(idx);
        if (it == S().Instances.end()) {
            TUnlock u;
            return DefWindowProc(Wnd, Msg, WParam, LParam);
        }
        std::shared_ptr<TWndMethod> method = it->second;  // survives FreeObjectInstance during the call
        TUnlock u;
        TMessage m;
        m.Msg = Msg;
        m.WParam = WParam;
        m.LParam = LParam;
        m.Result = 0;
        if (*method) (*method)(m);
        return m.Result;
    }
    TUnlock u;
    return Proc(Wnd, Msg, WParam, LParam);
}

}  // namespace win

using namespace win;

// ---------------------------------------------------------------------------
// Errors, threads

DWORD GetLastError() { return tLastError; }
void SetLastError(DWORD Code) { tLastError = Code; }

DWORD GetCurrentThreadId() { return CurrentThreadId(); }
DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

DWORD GetWindowThreadProcessId(HWND Wnd, DWORD* ProcessId) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (ProcessId) *ProcessId = GetCurrentProcessId();
    return w->ThreadId;
}

HINSTANCE GetModuleHandle(const char* ModuleName) {
    // The program itself is the one module; its handle is a fixed token.
    if (ModuleName) return nullptr;
    return reinterpret_cast<HINSTANCE>(uintptr_t(0x400000));
}

IWindowBackend* SetWindowBackend(IWindowBackend* NewBackend) {
    TLock l;
    IWindowBackend* old = S().Backend;
    S().Backend = NewBackend;
    return old;
}

IWindowBackend* GetWindowBackend() {
    TLock l;
    return S().Backend;
}

BOOL MessageBeep(UINT) {
    TLock l;
    ++S().Beeps;
    return TRUE;
}

uint32_t MessageBeepCount() {
    TLock l;
    return S().Beeps;
}

// ---------------------------------------------------------------------------
// Classes

namespace {

ATOM RegisterClassImpl(const WNDCLASSEX& C) {
    TLock l;
    TState& st = S();
    if (!C.lpszClassName || IS_INTRESOURCE(C.lpszClassName) || !*C.lpszClassName || !C.lpfnWndProc ||
        C.cbClsExtra < 0 || C.cbWndExtra < 0 || C.cbClsExtra > 40000 || C.cbWndExtra > 40000) {
        FailWith(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (FindClass(C.lpszClassName)) {
        FailWith(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (st.NextClassAtom == 0xFFFF) {
        FailWith(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    auto c = std::make_shared<TClass>();
    c->Name = C.lpszClassName;
    c->Atom = st.NextClassAtom++;
    c->Style = C.style;
    c->Proc = C.lpfnWndProc;
    c->ClsExtra = C.cbClsExtra;
    c->WndExtra = C.cbWndExtra;
    c->Instance = C.hInstance;
    c->Icon = C.hIcon;
    c->IconSm = C.hIconSm;
    c->Cursor = C.hCursor;
    c->Brush = C.hbrBackground;
    if (C.lpszMenuName && !IS_INTRESOURCE(C.lpszMenuName)) {
        c->MenuNameText = C.lpszMenuName;
        c->MenuName = c->MenuNameText.c_str();
    } else {
        c->MenuName = C.lpszMenuName;
    }
    c->Extra.assign(size_t(C.cbClsExtra), 0);
    st.Classes.push_back(c);
    return c->Atom;
}

void FillClassInfo(const TClass& c, const char* Name, WNDCLASSEX& Out) {
    Out.style = c.Style;
    Out.lpfnWndProc = c.Proc;
    Out.cbClsExtra = c.ClsExtra;
    Out.cbWndExtra = c.WndExtra;
    Out.hInstance = c.Instance;
    Out.hIcon = c.Icon;
    Out.hCursor = c.Cursor;
    Out.hbrBackground = c.Brush;
    Out.lpszMenuName = c.MenuName;
    Out.lpszClassName = Name;
    Out.hIconSm = c.IconSm;
}

}  // namespace

ATOM RegisterClass(const WNDCLASS* Class) {
    if (!Class) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WNDCLASSEX c;
    c.style = Class->style;
    c.lpfnWndProc = Class->lpfnWndProc;
    c.cbClsExtra = Class->cbClsExtra;
    c.cbWndExtra = Class->cbWndExtra;
    c.hInstance = Class->hInstance;
    c.hIcon = Class->hIcon;
    c.hCursor = Class->hCursor;
    c.hbrBackground = Class->hbrBackground;
    c.lpszMenuName = Class->lpszMenuName;
    c.lpszClassName = Class->lpszClassName;
    return RegisterClassImpl(c);
}

ATOM RegisterClassEx(const WNDCLASSEX* Class) {
    if (!Class || Class->cbSize != sizeof(WNDCLASSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return RegisterClassImpl(*Class);
}

BOOL UnregisterClass(const char* ClassName, HINSTANCE) {
    TLock l;
    TState& st = S();
    PClass c = FindClass(ClassName);
    if (!c || c->System) {
        FailWith(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (c->WindowCount > 0) {
        FailWith(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    st.Classes.erase(std::remove(st.Classes.begin(), st.Classes.end(), c), st.Classes.end());
    return TRUE;
}

BOOL GetClassInfoEx(HINSTANCE, const char* ClassName, WNDCLASSEX* Out) {
    TLock l;
    PClass c = FindClass(ClassName);
    if (!c || !Out) {
        FailWith(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    FillClassInfo(*c, ClassName, *Out);
    Out->cbSize = sizeof(WNDCLASSEX);
    return TRUE;
}

BOOL GetClassInfo(HINSTANCE Instance, const char* ClassName, WNDCLASS* Out) {
    WNDCLASSEX ex;
    if (!Out || !GetClassInfoEx(Instance, ClassName, &ex)) return FALSE;
    Out->style = ex.style;
    Out->lpfnWndProc = ex.lpfnWndProc;
    Out->cbClsExtra = ex.cbClsExtra;
    Out->cbWndExtra = ex.cbWndExtra;
    Out->hInstance = ex.hInstance;
    Out->hIcon = ex.hIcon;
    Out->hCursor = ex.hCursor;
    Out->hbrBackground = ex.hbrBackground;
    Out->lpszMenuName = ex.lpszMenuName;
    Out->lpszClassName = ex.lpszClassName;
    return TRUE;
}

std::string GetClassName(HWND Wnd) {
    TLock l;
    TWnd* w = LookupAny(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return std::string();
    }
    return w->Class->Name;
}

int GetClassName(HWND Wnd, char* Buffer, int MaxCount) {
    if (!Buffer || MaxCount <= 0) return 0;
    const std::string name = GetClassName(Wnd);
    const size_t n = Utf8SafeLength(name, size_t(MaxCount - 1));
    std::memcpy(Buffer, name.data(), n);
    Buffer[n] = 0;
    return int(n);
}

namespace {

bool ExtraRead(const std::vector<uint8_t>& Extra, int Index, LONG_PTR& Out) {
    if (Index < 0 || size_t(Index) >= Extra.size()) return false;
    LONG_PTR v = 0;
    std::memcpy(&v, Extra.data() + Index, std::min(sizeof v, Extra.size() - size_t(Index)));
    Out = v;
    return true;
}

bool ExtraWrite(std::vector<uint8_t>& Extra, int Index, LONG_PTR Value, LONG_PTR& Old) {
    if (!ExtraRead(Extra, Index, Old)) return false;
    std::memcpy(Extra.data() + Index, &Value, std::min(sizeof Value, Extra.size() - size_t(Index)));
    return true;
}

}  // namespace

ULONG_PTR GetClassLongPtr(HWND Wnd, int Index) {
    TLock l;
    TWnd* w = LookupAny(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const TClass& c = *w->Class;
    switch (Index) {
        case GCLP_MENUNAME: return reinterpret_cast<ULONG_PTR>(c.MenuName);
        case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(c.Brush);
        case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(c.Cursor);
        case GCLP_HICON: return reinterpret_cast<ULONG_PTR>(c.Icon);
        case GCLP_HICONSM: return reinterpret_cast<ULONG_PTR>(c.IconSm);
        case GCLP_HMODULE: return reinterpret_cast<ULONG_PTR>(c.Instance);
        case GCL_CBWNDEXTRA: return ULONG_PTR(c.WndExtra);
        case GCL_CBCLSEXTRA: return ULONG_PTR(c.ClsExtra);
        case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(c.Proc);
        case GCL_STYLE: return c.Style;
        case GCW_ATOM: return c.Atom;
        default: {
            LONG_PTR v = 0;
            if (ExtraRead(c.Extra, Index, v)) return ULONG_PTR(v);
            FailWith(ERROR_INVALID_INDEX);
            return 0;
        }
    }
}

ULONG_PTR SetClassLongPtr(HWND Wnd, int Index, LONG_PTR Value) {
    TLock l;
    TWnd* w = LookupAny(Wnd);
    if (!w || w->Class->System) {
        FailWith(w ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    TClass& c = *w->Class;
    ULONG_PTR old = 0;
    switch (Index) {
        case GCLP_HBRBACKGROUND:
            old = reinterpret_cast<ULONG_PTR>(c.Brush);
            c.Brush = reinterpret_cast<HBRUSH>(Value);
            return old;
        case GCLP_HCURSOR:
            old = reinterpret_cast<ULONG_PTR>(c.Cursor);
            c.Cursor = reinterpret_cast<HCURSOR>(Value);
            return old;
        case GCLP_HICON:
            old = reinterpret_cast<ULONG_PTR>(c.Icon);
            c.Icon = reinterpret_cast<HICON>(Value);
            return old;
        case GCLP_HICONSM:
            old = reinterpret_cast<ULONG_PTR>(c.IconSm);
            c.IconSm = reinterpret_cast<HICON>(Value);
            return old;
        case GCLP_WNDPROC:
            if (!Value) break;
            old = reinterpret_cast<ULONG_PTR>(c.Proc);
            c.Proc = reinterpret_cast<WNDPROC>(Value);
            return old;
        case GCL_STYLE:
            old = c.Style;
            c.Style = UINT(Value);
            return old;
        default: {
            LONG_PTR o = 0;
            if (Index >= 0 && ExtraWrite(c.Extra, Index, Value, o)) return ULONG_PTR(o);
            break;
        }
    }
    FailWith(ERROR_INVALID_INDEX);
    return 0;
}

// ---------------------------------------------------------------------------
// Window values

LONG_PTR GetWindowLongPtr(HWND Wnd, int Index) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (Index) {
        case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->Proc);
        case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->Instance);
        case GWLP_HWNDPARENT:
            return reinterpret_cast<LONG_PTR>(IsTopLevel(w) || w->MessageOnly ? w->Owner : H(w->Parent));
        case GWLP_ID: return (w->Style & WS_CHILD) ? w->CtrlId : reinterpret_cast<LONG_PTR>(w->Menu);
        case GWL_STYLE: return LONG_PTR(int32_t(w->Style));
        case GWL_EXSTYLE: return LONG_PTR(int32_t(w->ExStyle));
        case GWLP_USERDATA: return w->UserData;
        default: {
            LONG_PTR v = 0;
            if (ExtraRead(w->Extra, Index, v)) return v;
            FailWith(ERROR_INVALID_INDEX);
            return 0;
        }
    }
}

LONG_PTR SetWindowLongPtr(HWND Wnd, int Index, LONG_PTR Value) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = 0;
    switch (Index) {
        case GWLP_WNDPROC:
            if (!Value) {
                FailWith(ERROR_INVALID_PARAMETER);
                return 0;
            }
            old = reinterpret_cast<LONG_PTR>(w->Proc);
            w->Proc = reinterpret_cast<WNDPROC>(Value);
            return old;
        case GWLP_HINSTANCE:
            old = reinterpret_cast<LONG_PTR>(w->Instance);
            w->Instance = reinterpret_cast<HINSTANCE>(Value);
            return old;
        case GWLP_HWNDPARENT: {
            if (!IsTopLevel(w)) {
                FailWith(ERROR_INVALID_PARAMETER);
                return 0;
            }
            old = reinterpret_cast<LONG_PTR>(w->Owner);
            TWnd* o = Lookup(reinterpret_cast<HWND>(Value));
            if (o) o = Root(o);
            if (o == w || (o && IsDescendant(w, o))) o = nullptr;
            // An owner chain may not loop back to the window.
            for (TWnd* p = o; p; p = Lookup(p->Owner))
                if (p == w) {
                    o = nullptr;
                    break;
                }
            w->Owner = H(o);
            return old;
        }
        case GWLP_ID:
            if (w->Style & WS_CHILD) {
                old = w->CtrlId;
                w->CtrlId = Value;
            } else {
                old = reinterpret_cast<LONG_PTR>(w->Menu);
                w->Menu = reinterpret_cast<HMENU>(Value);
            }
            return old;
        case GWLP_USERDATA:
            old = w->UserData;
            w->UserData = Value;
            return old;
        case GWL_STYLE:
        case GWL_EXSTYLE: {
            PWnd hold = Hold(w);
            const bool styleIdx = Index == GWL_STYLE;
            STYLESTRUCT ss;
            ss.styleOld = styleIdx ? w->Style : w->ExStyle;
            ss.styleNew = DWORD(uint32_t(Value));
            if (!styleIdx) ss.styleNew = (ss.styleNew & ~WS_EX_TOPMOST) | (w->ExStyle & WS_EX_TOPMOST);
            Send(w, WM_STYLECHANGING, WPARAM(intptr_t(Index)), reinterpret_cast<LPARAM>(&ss));
            if (w->Dead) return 0;
            const DWORD before = styleIdx ? w->Style : w->ExStyle;
            if (styleIdx) {
                w->Style = ss.styleNew;
            } else {
                w->ExStyle = (ss.styleNew & ~WS_EX_TOPMOST) | (w->ExStyle & WS_EX_TOPMOST);
            }
            if (styleIdx && ((before ^ w->Style) & (WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS))) RefreshDCs();
            Send(w, WM_STYLECHANGED, WPARAM(intptr_t(Index)), reinterpret_cast<LPARAM>(&ss));
            return LONG_PTR(int32_t(ss.styleOld));
        }
        default:
            if (Index >= 0 && ExtraWrite(w->Extra, Index, Value, old)) return old;
            FailWith(ERROR_INVALID_INDEX);
            return 0;
    }
}

// ---------------------------------------------------------------------------
// Properties

BOOL SetProp(HWND Wnd, const char* Name, HANDLE Data) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || !Name || IS_INTRESOURCE(Name)) {
        FailWith(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    for (auto& p : w->Props)
        if (EqualNoCase(p.first, Name)) {
            p.second = Data;
            return TRUE;
        }
    w->Props.emplace_back(Name, Data);
    return TRUE;
}

HANDLE GetProp(HWND Wnd, const char* Name) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || !Name || IS_INTRESOURCE(Name)) return nullptr;
    for (auto& p : w->Props)
        if (EqualNoCase(p.first, Name)) return p.second;
    return nullptr;
}

HANDLE RemoveProp(HWND Wnd, const char* Name) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || !Name || IS_INTRESOURCE(Name)) return nullptr;
    for (auto it = w->Props.begin(); it != w->Props.end(); ++it)
        if (EqualNoCase(it->first, Name)) {
            HANDLE h = it->second;
            w->Props.erase(it);
            return h;
        }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Procedures and instances

LRESULT CallWindowProc(WNDPROC Proc, HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TLock l;
    return CallProc(Proc, Wnd, Msg, WParam, LParam);
}

WNDPROC MakeObjectInstance(TWndMethod Method) {
    TLock l;
    TState& st = S();
    const TInstanceSpace& sp = InstanceSpace();
    if (st.NextInstance >= sp.Size) throw EOutOfMemory("No object instances left");
    const uintptr_t idx = st.NextInstance++;
    st.Instances[idx] = std::make_shared<TWndMethod>(std::move(Method));
    return reinterpret_cast<WNDPROC>(sp.Base + idx);
}

void FreeObjectInstance(WNDPROC Instance) {
    std::shared_ptr<TWndMethod> gone;  // destroyed after the lock is released
    TLock l;
    const uintptr_t idx = InstanceIndex(Instance);
    if (!idx) return;
    auto it = S().Instances.find(idx);
    if (it == S().Instances.end()) return;
    gone = std::move(it->second);
    S().Instances.erase(it);
    TUnlock u;
    gone.reset();
}

bool IsObjectInstance(WNDPROC Proc) {
    TLock l;
    const uintptr_t idx = InstanceIndex(Proc);
    return idx && S().Instances.count(idx) != 0;
}

HWND AllocateHWnd(TWndMethod Method) {
    HWND h = CreateWindowEx(WS_EX_TOOLWINDOW, "VclUtilWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            GetModuleHandle(nullptr), nullptr);
    if (!h) return nullptr;
    WNDPROC inst = MakeObjectInstance(std::move(Method));
    SetWindowLongPtr(h, GWLP_WNDPROC, WndProcToLong(inst));
    return h;
}

void DeallocateHWnd(HWND Wnd) {
    WNDPROC inst = nullptr;
    {
        TLock l;
        TWnd* w = Lookup(Wnd);
        if (!w || w->Class->Name != "VclUtilWindow") return;
        inst = w->Proc;
    }
    // The method sees its window's last messages; its instance goes after.
    DestroyWindow(Wnd);
    if (IsObjectInstance(inst)) FreeObjectInstance(inst);
}

}  // namespace vcl
