// WinIcons.cpp - icons and cursors of the window manager: the predefined
// ones, creation from bitmaps or pixels, and DrawIconEx.  The handles are
// the drawing layer's icon handles (Graphics.h), so that an icon of a TIcon
// and one of LoadIcon or CreateIconIndirect are interchangeable.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "Graphics.h"
#include "ImageCodecs.h"
#include "Resources.h"
#include "WinInternal.h"

namespace vcl {

namespace win {

namespace {

constexpr uint32_t Black = 0xFF000000u;
constexpr uint32_t White = 0xFFFFFFFFu;

// Draws the predefined pictures: opaque pixels with alpha 0xFF, the rest
// transparent.
struct TCanvas32 {
    TIconImage Img;
    bool IsIcon = true;
    explicit TCanvas32(int32_t Size) {
        Img.Width = Img.Height = Size;
        Img.Pixels.assign(size_t(Size) * size_t(Size), 0);
        Img.Mask.assign(size_t(Size) * size_t(Size), 1);
        Img.BitCount = 32;
    }
    void Set(int x, int y, uint32_t c) {
        if (x < 0 || y < 0 || x >= Img.Width || y >= Img.Height) return;
        Img.Pixels[size_t(y) * size_t(Img.Width) + size_t(x)] = c | 0xFF000000u;
        Img.Mask[size_t(y) * size_t(Img.Width) + size_t(x)] = 0;
    }
    void Rect(int x0, int y0, int x1, int y1, uint32_t c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Set(x, y, c);
    }
    void Line(int x0, int y0, int x1, int y1, uint32_t c) {
        const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            Set(x0, y0, c);
            if (x0 == x1 && y0 == y1) break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    }
    void Disc(double cx, double cy, double r, uint32_t c) {
        for (int y = 0; y < Img.Height; ++y)
            for (int x = 0; x < Img.Width; ++x)
                if ((x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy) <= r * r) Set(x, y, c);
    }
    void Polygon(const std::vector<TPoint>& P, uint32_t Fill, uint32_t Edge) {
        for (int y = 0; y < Img.Height; ++y)
            for (int x = 0; x < Img.Width; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                bool in = false;
                for (size_t i = 0, j = P.size() - 1; i < P.size(); j = i++) {
                    const double xi = P[i].X, yi = P[i].Y, xj = P[j].X, yj = P[j].Y;
                    if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) in = !in;
                }
                if (in) Set(x, y, Fill);
            }
        for (size_t i = 0, j = P.size() - 1; i < P.size(); j = i++) Line(P[j].X, P[j].Y, P[i].X, P[i].Y, Edge);
    }
    void Hot(int X, int Y) {
        Img.HotSpotX = X;
        Img.HotSpotY = Y;
    }
    // A 5 x 7 glyph scaled by Scale.
    void Glyph(const char* Rows[7], int X, int Y, int Scale, uint32_t C) {
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < 5; ++c)
                if (Rows[r][c] == '#') Rect(X + c * Scale, Y + r * Scale, X + (c + 1) * Scale, Y + (r + 1) * Scale, C);
    }
};

TIconImage MakeStockIcon(uintptr_t Id) {
    TCanvas32 c(32);
    static const char* question[7] = {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."};
    static const char* bang[7] = {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."};
    static const char* info[7] = {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."};
    switch (Id) {
        case 32513: {  // IDI_HAND
            c.Disc(16, 16, 14.5, Black);
            c.Disc(16, 16, 13.5, 0xFFFF0000u);
            for (int d = -1; d <= 1; ++d) {
                c.Line(10 + d, 10, 22 + d, 22, White);
                c.Line(22 + d, 10, 10 + d, 22, White);
            }
            break;
        }
        case 32514:  // IDI_QUESTION
            c.Disc(16, 16, 14.5, Black);
            c.Disc(16, 16, 13.5, White);
            c.Glyph(question, 9, 6, 3, 0xFF0000FFu);
            break;
        case 32515:  // IDI_EXCLAMATION
            c.Polygon({{16, 1}, {31, 30}, {1, 30}}, 0xFFFFFF00u, Black);
            c.Glyph(bang, 11, 9, 2, Black);
            break;
        case 32516:  // IDI_ASTERISK
            c.Disc(16, 16, 14.5, Black);
            c.Disc(16, 16, 13.5, White);
            c.Glyph(info, 9, 6, 3, 0xFF0000FFu);
            break;
        default:  // IDI_APPLICATION, IDI_WINLOGO: a small window
            c.Rect(2, 4, 30, 28, Black);
            c.Rect(3, 5, 29, 27, White);
            c.Rect(3, 5, 29, 10, 0xFF000080u);
            c.Rect(24, 6, 28, 9, 0xFFC0C0C0u);
            break;
    }
    return c.Img;
}

TIconImage MakeStockCursor(uintptr_t Id) {
    TCanvas32 c(32);
    switch (Id) {
        case 32513:  // IDC_IBEAM
            c.Rect(15, 4, 17, 27, Black);
            c.Rect(12, 3, 20, 5, Black);
            c.Rect(12, 26, 20, 28, Black);
            c.Hot(16, 15);
            break;
        case 32514:  // IDC_WAIT
            c.Polygon({{8, 2}, {24, 2}, {16, 16}}, White, Black);
            c.Polygon({{16, 16}, {24, 30}, {8, 30}}, White, Black);
            c.Hot(16, 16);
            break;
        case 32515:  // IDC_CROSS
            c.Line(16, 4, 16, 28, Black);
            c.Line(4, 16, 28, 16, Black);
            c.Hot(16, 16);
            break;
        case 32516:  // IDC_UPARROW
            c.Polygon({{16, 2}, {23, 10}, {19, 10}, {19, 28}, {13, 28}, {13, 10}, {9, 10}}, White, Black);
            c.Hot(16, 2);
            break;
        case 32640:
        case 32646:  // IDC_SIZE, IDC_SIZEALL
            c.Line(16, 4, 16, 28, Black);
            c.Line(4, 16, 28, 16, Black);
            c.Polygon({{16, 2}, {20, 7}, {12, 7}}, Black, Black);
            c.Polygon({{16, 30}, {12, 25}, {20, 25}}, Black, Black);
            c.Polygon({{2, 16}, {7, 12}, {7, 20}}, Black, Black);
            c.Polygon({{30, 16}, {25, 20}, {25, 12}}, Black, Black);
            c.Hot(16, 16);
            break;
        case 32642:  // IDC_SIZENWSE
            c.Line(6, 6, 26, 26, Black);
            c.Polygon({{4, 4}, {12, 4}, {4, 12}}, Black, Black);
            c.Polygon({{28, 28}, {20, 28}, {28, 20}}, Black, Black);
            c.Hot(16, 16);
            break;
        case 32643:  // IDC_SIZENESW
            c.Line(26, 6, 6, 26, Black);
            c.Polygon({{28, 4}, {28, 12}, {20, 4}}, Black, Black);
            c.Polygon({{4, 28}, {4, 20}, {12, 28}}, Black, Black);
            c.Hot(16, 16);
            break;
        case 32644:  // IDC_SIZEWE
            c.Line(4, 16, 28, 16, Black);
            c.Polygon({{2, 16}, {8, 11}, {8, 21}}, Black, Black);
            c.Polygon({{30, 16}, {24, 21}, {24, 11}}, Black, Black);
            c.Hot(16, 16);
            break;
        case 32645:  // IDC_SIZENS
            c.Line(16, 4, 16, 28, Black);
            c.Polygon({{16, 2}, {21, 8}, {11, 8}}, Black, Black);
            c.Polygon({{16, 30}, {11, 24}, {21, 24}}, Black, Black);
            c.Hot(16, 16);
            break;
        case 32648:  // IDC_NO
            c.Disc(16, 16, 13, Black);
            c.Disc(16, 16, 10, White);
            for (int d = -1; d <= 1; ++d) c.Line(8 + d, 8, 24 + d, 24, Black);
            c.Hot(16, 16);
            break;
        case 32649:  // IDC_HAND
            c.Polygon({{10, 2}, {14, 2}, {14, 12}, {24, 14}, {24, 26}, {12, 26}, {6, 16}, {10, 15}}, White, Black);
            c.Hot(12, 2);
            break;
        default:  // IDC_ARROW, IDC_APPSTARTING, IDC_HELP, IDC_ICON
            c.Polygon({{0, 0}, {0, 16}, {4, 12}, {7, 19}, {9, 18}, {6, 11}, {11, 11}}, White, Black);
            c.Hot(0, 0);
            break;
    }
    return c.Img;
}

bool KnownCursor(uintptr_t Id) {
    switch (Id) {
        case 32512:
        case 32513:
        case 32514:
        case 32515:
        case 32516:
        case 32640:
        case 32641:
        case 32642:
        case 32643:
        case 32644:
        case 32645:
        case 32646:
        case 32648:
        case 32649:
        case 32650:
        case 32651: return true;
        default: return false;
    }
}

// The mask as a 1-bit bitmap's rows (16-bit aligned, MSB first, 1 = transparent).
HBITMAP MaskBitmap(const std::vector<uint8_t>& Mask, int32_t W, int32_t H) {
    const size_t stride = size_t((W + 15) / 16) * 2;
    std::vector<uint8_t> bits(stride * size_t(H), 0);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            if (Mask[size_t(y) * size_t(W) + size_t(x)]) bits[size_t(y) * stride + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    return CreateBitmap(W, H, 1, 1, bits.data());
}

// Handles of the window manager's own making that are cursors, and the
// shared predefined ones (never destroyed).
std::set<HICON>& CursorHandles() {
    static std::set<HICON>* s = new std::set<HICON>;
    return *s;
}

std::set<HICON>& SharedHandles() {
    static std::set<HICON>* s = new std::set<HICON>;
    return *s;
}

HICON MakeShared(const TIconImage& Img, bool Cursor) {
    HICON h = CreateIconFromImage(Img);
    if (!h) return nullptr;
    SharedHandles().insert(h);
    if (Cursor) CursorHandles().insert(h);
    return h;
}

// Cursors loaded from the resource store, by resource key: the bytes they
// were made from and the shared handle.
std::map<std::string, std::pair<TResourceData, HICON>>& ResourceCursors() {
    static auto* m = new std::map<std::string, std::pair<TResourceData, HICON>>;
    return *m;
}

}  // namespace

bool IconAlive(HICON Icon) {
    TSize s;
    return Icon && GetIconImageSize(Icon, &s);
}

HCURSOR StockCursor(const char* Id) {
    TState& st = S();
    const uintptr_t id = reinterpret_cast<uintptr_t>(Id);
    auto it = st.StockCursors.find(id);
    if (it != st.StockCursors.end()) return it->second;
    if (!KnownCursor(id)) return nullptr;
    HICON h = MakeShared(MakeStockCursor(id), true);
    st.StockCursors[id] = h;
    return h;
}

}  // namespace win

using namespace win;

HCURSOR LoadCursor(HINSTANCE Instance, const char* Name) {
    if (!Instance && IS_INTRESOURCE(Name)) {
        TLock l;
        return StockCursor(Name);
    }
    // A cursor of the resource store (RT_GROUP_CURSOR, a CUR file): the
    // image closest to 32 x 32, made once per registered bytes and shared
    // like the predefined cursors.
    if (!Name) {
        FailWith(ERROR_INVALID_CURSOR_HANDLE);
        return nullptr;
    }
    TResourceData data;
    std::string key;
    try {
        const TResourceName res(Name);
        key = res.Key();
        data = FindResource(RT_GROUP_CURSOR, res);
    } catch (const std::exception&) {
        data = nullptr;
    }
    if (!data) {
        FailWith(ERROR_INVALID_CURSOR_HANDLE);
        return nullptr;
    }
    {
        TLock l;
        auto it = ResourceCursors().find(key);
        if (it != ResourceCursors().end() && it->second.first == data && IconAlive(it->second.second))
            return it->second.second;
    }
    std::vector<TIconImage> images;
    TIconKind kind = TIconKind::Icon;
    try {
        images = ReadIco(data->data(), data->size(), &kind);
    } catch (const std::exception&) {
        images.clear();
    }
    if (images.empty() || kind != TIconKind::Cursor) {
        FailWith(ERROR_INVALID_CURSOR_HANDLE);
        return nullptr;
    }
    const TIconImage* best = &images.front();
    for (const TIconImage& img : images)
        if (std::abs(img.Width - 32) + std::abs(img.Height - 32) < std::abs(best->Width - 32) + std::abs(best->Height - 32))
            best = &img;
    TLock l;
    HICON h = MakeShared(*best, true);
    if (!h) {
        FailWith(ERROR_INVALID_CURSOR_HANDLE);
        return nullptr;
    }
    ResourceCursors()[key] = {data, h};
    return h;
}

HICON LoadIcon(HINSTANCE Instance, const char* Name) {
    TLock l;
    TState& st = S();
    if (Instance || !IS_INTRESOURCE(Name)) {
        FailWith(ERROR_INVALID_ICON_HANDLE);
        return nullptr;
    }
    const uintptr_t id = reinterpret_cast<uintptr_t>(Name);
    if (id < 32512 || id > 32517) {
        FailWith(ERROR_INVALID_ICON_HANDLE);
        return nullptr;
    }
    auto it = st.StockIcons.find(id);
    if (it != st.StockIcons.end()) return it->second;
    HICON h = MakeShared(MakeStockIcon(id), false);
    st.StockIcons[id] = h;
    return h;
}

HICON CreateIconFromPixels(const TPixelView& Pixels, bool IsIcon, TPoint Hotspot) {
    if (!Pixels.Bits || Pixels.Width <= 0 || Pixels.Height <= 0 || Pixels.Width > 1024 || Pixels.Height > 1024 ||
        Pixels.Stride < Pixels.Width) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    TIconImage img;
    img.Width = Pixels.Width;
    img.Height = Pixels.Height;
    img.BitCount = 32;
    img.HotSpotX = Hotspot.X;
    img.HotSpotY = Hotspot.Y;
    img.Pixels.resize(size_t(Pixels.Width) * size_t(Pixels.Height));
    img.Mask.resize(img.Pixels.size());
    for (int32_t y = 0; y < Pixels.Height; ++y) {
        const uint32_t* row = Pixels.Row(y);
        for (int32_t x = 0; x < Pixels.Width; ++x) {
            const size_t i = size_t(y) * size_t(Pixels.Width) + size_t(x);
            const bool transparent = (row[x] >> 24) < 128;
            img.Mask[i] = transparent ? 1 : 0;
            img.Pixels[i] = transparent ? 0 : (row[x] | 0xFF000000u);
        }
    }
    HICON h = CreateIconFromImage(img);
    if (!h) return nullptr;
    if (!IsIcon) {
        TLock l;
        CursorHandles().insert(h);
    }
    return h;
}

HICON CreateIconIndirect(const ICONINFO* Info) {
    if (!Info || !Info->hbmMask) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    TPixelView mask, color;
    if (!GetBitmapView(Info->hbmMask, &mask) || mask.Width <= 0 || mask.Height <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const bool hasColor = Info->hbmColor && GetBitmapView(Info->hbmColor, &color);
    const int32_t w = hasColor ? color.Width : mask.Width;
    const int32_t h = hasColor ? color.Height : mask.Height / 2;
    if (w <= 0 || h <= 0 || w > 1024 || h > 1024 || mask.Width < w || mask.Height < h) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The classic pair: AND mask and XOR colour, kept as they are (a
    // transparent pixel with a colour inverts the destination).
    TIconImage img;
    img.Width = w;
    img.Height = h;
    img.BitCount = 24;
    img.HotSpotX = int32_t(Info->xHotspot);
    img.HotSpotY = int32_t(Info->yHotspot);
    img.Pixels.resize(size_t(w) * size_t(h));
    img.Mask.resize(img.Pixels.size());
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            const bool transparent = (mask.Row(y)[x] & 0x00FFFFFFu) != 0;
            img.Mask[i] = transparent ? 1 : 0;
            const uint32_t c = (hasColor ? color.Row(y)[x] : mask.Row(y + h)[x]) & 0x00FFFFFFu;
            img.Pixels[i] = c | (transparent ? 0 : 0xFF000000u);
        }
    HICON icon = CreateIconFromImage(img);
    if (icon && !Info->fIcon) {
        TLock l;
        CursorHandles().insert(icon);
    }
    return icon;
}

HICON CopyIcon(HICON Icon) {
    TIconImage img;
    if (!GetIconImage(Icon, &img)) {
        SetLastError(ERROR_INVALID_ICON_HANDLE);
        return nullptr;
    }
    HICON h = CreateIconFromImage(img);
    TLock l;
    if (h && CursorHandles().count(Icon)) CursorHandles().insert(h);
    return h;
}

BOOL DestroyIcon(HICON Icon) {
    TLock l;
    TState& st = S();
    if (SharedHandles().count(Icon)) return TRUE;
    if (!DestroyIconImage(Icon)) {
        FailWith(ERROR_INVALID_ICON_HANDLE);
        return FALSE;
    }
    CursorHandles().erase(Icon);
    if (st.Cursor == Icon) {
        st.Cursor = nullptr;
        Backend().CursorChanged(nullptr);
    }
    return TRUE;
}

BOOL DestroyCursor(HCURSOR Cursor) { return DestroyIcon(Cursor); }

bool GetIconSize(HICON Icon, TSize* Size) { return Size && GetIconImageSize(Icon, Size); }

BOOL GetIconInfo(HICON Icon, ICONINFO* Info) {
    TIconImage img;
    if (!Info || !GetIconImage(Icon, &img) || img.Width <= 0 || img.Height <= 0) return FALSE;
    bool cursor;
    {
        TLock l;
        cursor = CursorHandles().count(Icon) != 0;
    }
    TPixelView v;
    HBITMAP color = CreateSurfaceBitmap(img.Width, img.Height, &v);
    if (!color) return FALSE;
    const size_t n = size_t(img.Width) * size_t(img.Height);
    std::vector<uint8_t> mask(n, 0);
    for (int32_t y = 0; y < img.Height; ++y)
        for (int32_t x = 0; x < img.Width; ++x) {
            const size_t i = size_t(y) * size_t(img.Width) + size_t(x);
            mask[i] = img.Mask.size() == n ? img.Mask[i] : ((img.Pixels[i] >> 24) < 128 ? 1 : 0);
            v.Row(y)[x] = 0xFF000000u | (mask[i] && img.BitCount == 32 ? 0u : (img.Pixels[i] & 0x00FFFFFFu));
        }
    Info->fIcon = cursor ? FALSE : TRUE;
    Info->xHotspot = DWORD(cursor ? img.HotSpotX : img.Width / 2);
    Info->yHotspot = DWORD(cursor ? img.HotSpotY : img.Height / 2);
    Info->hbmColor = color;
    Info->hbmMask = MaskBitmap(mask, img.Width, img.Height);
    return TRUE;
}

BOOL DrawIconEx(HDC DC, int X, int Y, HICON Icon, int Width, int Height, UINT, HBRUSH Brush, UINT Flags) {
    TSize size;
    if (!DC || !GetIconImageSize(Icon, &size) || GetObjectType(DC) == 0) return FALSE;
    if (Width <= 0) Width = (Flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : size.cx;
    if (Height <= 0) Height = (Flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : size.cy;
    if (Width > 4096 || Height > 4096) return FALSE;
    if (Brush) FillRect(DC, TRect{X, Y, X + Width, Y + Height}, Brush);
    TIconDrawPart part = idpNormal;
    if ((Flags & DI_NORMAL) == DI_MASK) part = idpMask;
    if ((Flags & DI_NORMAL) == DI_IMAGE) part = idpImage;
    return DrawIconImage(DC, X, Y, Icon, Width, Height, part) ? TRUE : FALSE;
}

BOOL DrawIcon(HDC DC, int X, int Y, HICON Icon) { return DrawIconEx(DC, X, Y, Icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE); }

}  // namespace vcl
