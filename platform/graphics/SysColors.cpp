#include "SysColors.h"

#include <mutex>

#include "GdiInternal.h"

namespace vcl {

namespace {

constexpr COLORREF Defaults[SysColorCount] = {
    RGB(192, 192, 192),  // COLOR_SCROLLBAR
    RGB(0, 128, 128),    // COLOR_BACKGROUND
    RGB(0, 0, 128),      // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(192, 192, 192),  // COLOR_ACTIVEBORDER
    RGB(192, 192, 192),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(0, 0, 128),      // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(192, 192, 192),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),        // COLOR_3DDKSHADOW
    RGB(192, 192, 192),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(180, 180, 180),  // 25: unused
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(16, 132, 208),   // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 0, 128),      // COLOR_MENUHILIGHT
    RGB(192, 192, 192),  // COLOR_MENUBAR
};

struct TSysColors {
    std::mutex Lock;
    COLORREF Colors[SysColorCount];
    gdi::TBrushObj* Brushes[SysColorCount] = {};
    TSysColors() {
        for (int i = 0; i < SysColorCount; ++i) Colors[i] = Defaults[i];
    }
};

TSysColors& Sys() {
    static TSysColors* s = new TSysColors;  // never destroyed, like the stock objects
    return *s;
}

}  // namespace

COLORREF GetSysColor(int Index) {
    if (Index < 0 || Index >= SysColorCount) return 0;
    TSysColors& s = Sys();
    std::lock_guard<std::mutex> g(s.Lock);
    return s.Colors[Index];
}

bool SetSysColors(int Count, const int* Elements, const COLORREF* Colors) {
    if (Count < 0 || (Count > 0 && (!Elements || !Colors))) return false;
    TSysColors& s = Sys();
    std::lock_guard<std::mutex> g(s.Lock);
    bool ok = true;
    for (int i = 0; i < Count; ++i) {
        const int e = Elements[i];
        if (e < 0 || e >= SysColorCount) {
            ok = false;
            continue;
        }
        s.Colors[e] = Colors[i] & 0xFFFFFF;
        if (s.Brushes[e]) s.Brushes[e]->Color = s.Colors[e];
    }
    return ok;
}

void ResetSysColors() {
    TSysColors& s = Sys();
    std::lock_guard<std::mutex> g(s.Lock);
    for (int i = 0; i < SysColorCount; ++i) {
        s.Colors[i] = Defaults[i];
        if (s.Brushes[i]) s.Brushes[i]->Color = Defaults[i];
    }
}

HBRUSH GetSysColorBrush(int Index) {
    if (Index < 0 || Index >= SysColorCount) return nullptr;
    TSysColors& s = Sys();
    std::lock_guard<std::mutex> g(s.Lock);
    if (!s.Brushes[Index]) s.Brushes[Index] = gdi::CreateSystemBrush(s.Colors[Index]);
    return gdi::HandleOf<HBRUSH>(s.Brushes[Index]);
}

}  // namespace vcl
