// Renders a sheet with every drawing primitive of Gdi.h into a PNG file (in
// CORVANE_TEST_TMP, or the system's temporary folder) for a person to look
// at, and checks a few pixels of each cell so that a broken primitive fails
// here too.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Gdi.h"
#include "ImageCodecs.h"
#include "SysColors.h"

using namespace vcl;

namespace {

constexpr int Cell = 110;
constexpr int Cols = 8;
constexpr int Rows = 6;

std::string OutputFolder() {
    if (const char* d = std::getenv("CORVANE_TEST_TMP")) return d;
#ifdef CORVANE_TEST_TMP
    return CORVANE_TEST_TMP;
#else
    return std::filesystem::temp_directory_path().string();
#endif
}

class TSheet {
public:
    TSheet() {
        FBitmap = CreateSurfaceBitmap(Cols * Cell, Rows * Cell, &FView);
        FDC = CreateCompatibleDC(nullptr);
        FOld = SelectObject(FDC, FBitmap);
        FillRect(FDC, Rect(0, 0, Cols * Cell, Rows * Cell), HBRUSH(uintptr_t(COLOR_BTNFACE + 1)));
    }
    ~TSheet() {
        SelectObject(FDC, FOld);
        DeleteDC(FDC);
        DeleteObject(FBitmap);
    }
    HDC DC() const { return FDC; }
    const TPixelView& View() const { return FView; }
    // Moves the origin to cell (c, r) and frames it.
    void Begin(int C, int R) {
        RestoreAll();
        FSaved = SaveDC(FDC);
        SetViewportOrgEx(FDC, C * Cell, R * Cell, nullptr);
        FillRect(FDC, Rect(2, 2, Cell - 2, Cell - 2), HBRUSH(GetStockObject(WHITE_BRUSH)));
        IntersectClipRect(FDC, 2, 2, Cell - 2, Cell - 2);
    }
    void RestoreAll() {
        if (FSaved) RestoreDC(FDC, FSaved);
        FSaved = 0;
    }
    COLORREF At(int C, int R, int X, int Y) const {
        return ColorRefFromPixel(FView.Row(R * Cell + Y)[C * Cell + X]);
    }

private:
    HBITMAP FBitmap = nullptr;
    HDC FDC = nullptr;
    HGDIOBJ FOld = nullptr;
    TPixelView FView{};
    int FSaved = 0;
};

template <class F>
void WithPen(HDC DC, int Style, int Width, COLORREF Color, F&& Fn) {
    HPEN p = CreatePen(Style, Width, Color);
    HGDIOBJ old = SelectObject(DC, p);
    Fn();
    SelectObject(DC, old);
    DeleteObject(p);
}

template <class F>
void WithBrush(HDC DC, HBRUSH B, F&& Fn) {
    HGDIOBJ old = SelectObject(DC, B);
    Fn();
    SelectObject(DC, old);
    DeleteObject(B);
}

}  // namespace

TEST(GdiSheet, RendersEveryPrimitive) {
    TSheet s;
    HDC dc = s.DC();
    const COLORREF red = RGB(200, 0, 0), blue = RGB(0, 0, 200), green = RGB(0, 150, 0);

    // Row 0: lines.
    s.Begin(0, 0);  // fan of cosmetic lines
    for (int a = 0; a < 16; ++a) {
        const double t = a * 3.14159265 / 8;
        MoveToEx(dc, 55, 55, nullptr);
        LineTo(dc, 55 + int(45 * std::cos(t)), 55 + int(45 * std::sin(t)));
    }
    s.Begin(1, 0);  // styled pens, opaque background
    SetBkColor(dc, RGB(255, 255, 0));
    for (int st = PS_SOLID; st <= PS_DASHDOTDOT; ++st)
        WithPen(dc, st, 1, blue, [&] {
            MoveToEx(dc, 8, 10 + st * 18, nullptr);
            LineTo(dc, 100, 10 + st * 18 + 8);
        });
    s.Begin(2, 0);  // wide pens
    for (int w = 2; w <= 10; w += 4)
        WithPen(dc, PS_SOLID, w, red, [&] {
            const TPoint pts[] = {{10, 10 + w * 4}, {50, 40 + w * 4}, {95, 10 + w * 4}};
            Polyline(dc, pts, 3);
        });
    s.Begin(3, 0);  // XOR polyline over stripes
    for (int y = 4; y < 106; y += 8) PatBlt(dc, 4, y, 100, 4, BLACKNESS);
    SetROP2(dc, R2_XORPEN);
    WithPen(dc, PS_SOLID, 1, RGB(255, 255, 255), [&] {
        const TPoint pts[] = {{10, 10}, {100, 100}, {100, 10}, {10, 100}, {10, 10}};
        Polyline(dc, pts, 5);
    });
    s.Begin(4, 0);  // Bezier
    WithPen(dc, PS_SOLID, 1, green, [&] {
        const TPoint pts[] = {{10, 90}, {20, 0}, {90, 120}, {100, 20}};
        PolyBezier(dc, pts, 4);
    });
    s.Begin(5, 0);  // rectangles
    Rectangle(dc, 10, 10, 60, 50);
    WithBrush(dc, CreateSolidBrush(RGB(255, 200, 200)), [&] { Rectangle(dc, 40, 40, 100, 100); });
    s.Begin(6, 0);  // inside-frame wide rectangle
    WithPen(dc, PS_INSIDEFRAME, 7, blue, [&] { Rectangle(dc, 10, 10, 100, 100); });
    s.Begin(7, 0);  // round rectangles
    WithBrush(dc, CreateSolidBrush(RGB(200, 255, 200)), [&] { RoundRect(dc, 8, 8, 100, 60, 30, 20); });
    WithPen(dc, PS_SOLID, 5, red, [&] { RoundRect(dc, 15, 70, 95, 100, 20, 20); });

    // Row 1: ellipses and arcs.
    s.Begin(0, 1);
    WithBrush(dc, CreateSolidBrush(RGB(200, 200, 255)), [&] { Ellipse(dc, 10, 10, 100, 70); });
    Ellipse(dc, 10, 75, 20, 85);
    Ellipse(dc, 30, 75, 41, 86);
    s.Begin(1, 1);
    WithPen(dc, PS_SOLID, 9, green, [&] { Ellipse(dc, 15, 15, 95, 95); });
    s.Begin(2, 1);  // dotted ellipse
    WithPen(dc, PS_DOT, 1, red, [&] { Ellipse(dc, 10, 10, 100, 100); });
    s.Begin(3, 1);  // arcs counter-clockwise and clockwise
    Arc(dc, 10, 10, 100, 100, 100, 55, 55, 10);
    SetArcDirection(dc, AD_CLOCKWISE);
    WithPen(dc, PS_SOLID, 3, red, [&] { Arc(dc, 25, 25, 85, 85, 85, 55, 55, 25); });
    s.Begin(4, 1);  // pie
    WithBrush(dc, CreateHatchBrush(HS_DIAGCROSS, blue), [&] { Pie(dc, 10, 10, 100, 100, 100, 30, 30, 10); });
    s.Begin(5, 1);  // chord
    WithBrush(dc, CreateSolidBrush(RGB(255, 255, 150)), [&] { Chord(dc, 10, 10, 100, 100, 100, 70, 10, 30); });
    s.Begin(6, 1);  // wide pie
    WithPen(dc, PS_SOLID, 5, blue, [&] { Pie(dc, 10, 10, 100, 100, 10, 55, 55, 100); });
    s.Begin(7, 1);  // ArcTo
    MoveToEx(dc, 5, 5, nullptr);
    ArcTo(dc, 20, 20, 100, 100, 100, 60, 60, 20);
    LineTo(dc, 5, 105);

    // Row 2: polygons.
    const TPoint star[] = {{55, 5}, {85, 100}, {5, 40}, {105, 40}, {25, 100}};
    s.Begin(0, 2);
    WithBrush(dc, CreateSolidBrush(RGB(255, 180, 0)), [&] { Polygon(dc, star, 5); });
    s.Begin(1, 2);
    SetPolyFillMode(dc, WINDING);
    WithBrush(dc, CreateSolidBrush(RGB(255, 180, 0)), [&] { Polygon(dc, star, 5); });
    s.Begin(2, 2);
    WithPen(dc, PS_SOLID, 6, blue, [&] { Polygon(dc, star, 5); });
    s.Begin(3, 2);
    {
        const TPoint pts[] = {{10, 10}, {100, 10}, {100, 100}, {10, 100}, {30, 30}, {80, 30}, {80, 80}, {30, 80}};
        const int counts[] = {4, 4};
        WithBrush(dc, CreateHatchBrush(HS_CROSS, green), [&] { PolyPolygon(dc, pts, counts, 2); });
    }
    s.Begin(4, 2);  // hatch brushes
    for (int h = HS_HORIZONTAL; h <= HS_DIAGCROSS; ++h) {
        HBRUSH b = CreateHatchBrush(h, blue);
        FillRect(dc, Rect(5 + (h % 3) * 33, 5 + (h / 3) * 50, 35 + (h % 3) * 33, 50 + (h / 3) * 50), b);
        DeleteObject(b);
    }
    s.Begin(5, 2);  // pattern brush from a monochrome bitmap
    {
        const uint8_t bits[16] = {0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0x0F, 0, 0x0F, 0, 0x0F, 0, 0x0F, 0};
        HBITMAP bm = CreateBitmap(8, 8, 1, 1, bits);
        SetTextColor(dc, red);
        SetBkColor(dc, RGB(255, 255, 200));
        HBRUSH b = CreatePatternBrush(bm);
        FillRect(dc, Rect(5, 5, 105, 105), b);
        DeleteObject(b);
        DeleteObject(bm);
    }
    s.Begin(6, 2);  // all sixteen R2 modes on a black/white background
    PatBlt(dc, 4, 4, 50, 102, WHITENESS);
    PatBlt(dc, 54, 4, 52, 102, BLACKNESS);
    for (int m = R2_BLACK; m <= R2_WHITE; ++m) {
        SetROP2(dc, m);
        WithBrush(dc, CreateSolidBrush(RGB(255, 0, 0)), [&] {
            SelectObject(dc, GetStockObject(NULL_PEN));
            Rectangle(dc, 8, 5 + (m - 1) * 6, 103, 11 + (m - 1) * 6);
        });
    }
    s.Begin(7, 2);  // focus rectangle, InvertRect, FrameRect
    DrawFocusRect(dc, Rect(10, 10, 100, 40));
    FrameRect(dc, Rect(10, 50, 100, 70), HBRUSH(GetStockObject(BLACK_BRUSH)));
    InvertRect(dc, Rect(10, 75, 100, 100));

    // Row 3: regions and clipping.
    s.Begin(0, 3);
    {
        HRGN a = CreateEllipticRgn(5, 5, 80, 80), b = CreateRectRgn(40, 40, 105, 105), c = CreateRectRgn(0, 0, 0, 0);
        CombineRgn(c, a, b, RGN_XOR);
        OffsetRgn(c, 0, 0);
        HBRUSH br = CreateSolidBrush(RGB(0, 128, 128));
        FillRgn(dc, c, br);
        FrameRgn(dc, c, HBRUSH(GetStockObject(BLACK_BRUSH)), 1, 1);
        DeleteObject(br);
        DeleteObject(a);
        DeleteObject(b);
        DeleteObject(c);
    }
    s.Begin(1, 3);  // clipped to an elliptic region
    {
        HRGN clip = CreateEllipticRgn(20 + 1 * Cell, 20 + 3 * Cell, 95 + 1 * Cell, 95 + 3 * Cell);
        ExtSelectClipRgn(dc, clip, RGN_AND);
        DeleteObject(clip);
        for (int y = 0; y < 110; y += 6) {
            MoveToEx(dc, 0, y, nullptr);
            LineTo(dc, 110, y + 30);
        }
    }
    s.Begin(2, 3);  // round rect region and polygon region
    {
        HRGN r = CreateRoundRectRgn(10, 10, 100, 50, 20, 20);
        const TPoint tri[] = {{55, 55}, {100, 100}, {10, 100}};
        HRGN p = CreatePolygonRgn(tri, 3, ALTERNATE);
        HBRUSH br = CreateSolidBrush(RGB(128, 0, 128));
        FillRgn(dc, r, br);
        FillRgn(dc, p, br);
        DeleteObject(br);
        DeleteObject(r);
        DeleteObject(p);
    }
    s.Begin(3, 3);  // flood fill inside an ellipse
    Ellipse(dc, 10, 10, 100, 100);
    WithBrush(dc, CreateSolidBrush(RGB(255, 128, 0)), [&] { FloodFill(dc, 55, 55, RGB(0, 0, 0)); });

    // Row 3 continued: blits.
    HDC src = CreateCompatibleDC(dc);
    TPixelView sv;
    HBITMAP sbm = CreateSurfaceBitmap(32, 32, &sv);
    HGDIOBJ sold = SelectObject(src, sbm);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) sv.Row(y)[x] = PixelFromColorRef(RGB(x * 8, y * 8, (x < 16) != (y < 16) ? 255 : 0));
    s.Begin(4, 3);
    BitBlt(dc, 5, 5, 32, 32, src, 0, 0, SRCCOPY);
    StretchBlt(dc, 40, 5, 64, 64, src, 0, 0, 32, 32, SRCCOPY);
    StretchBlt(dc, 5 + 31, 70, -32, 32, src, 0, 0, 32, 32, SRCCOPY);
    StretchBlt(dc, 72, 70 + 32, 32, -32, src, 0, 0, 32, 32, SRCCOPY);
    s.Begin(5, 3);
    {
        HDC mono = CreateCompatibleDC(dc);
        HBITMAP mbm = CreateBitmap(32, 32, 1, 1, nullptr);
        HGDIOBJ mold = SelectObject(mono, mbm);
        PatBlt(mono, 0, 0, 32, 32, WHITENESS);
        Ellipse(mono, 4, 4, 28, 28);
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkColor(dc, RGB(255, 255, 0));
        StretchBlt(dc, 5, 5, 96, 96, mono, 0, 0, 32, 32, SRCCOPY);
        SelectObject(mono, mold);
        DeleteObject(mbm);
        DeleteDC(mono);
    }
    s.Begin(6, 3);  // TransparentBlt and SRCINVERT
    PatBlt(dc, 4, 4, 102, 102, BLACKNESS);
    TransparentBlt(dc, 10, 10, 64, 64, src, 0, 0, 32, 32, RGB(0, 0, 255));
    BitBlt(dc, 60, 60, 32, 32, src, 0, 0, SRCINVERT);
    SelectObject(src, sold);
    DeleteObject(sbm);
    DeleteDC(src);
    s.Begin(7, 3);  // PatBlt with a hatch brush and DSTINVERT
    WithBrush(dc, CreateHatchBrush(HS_BDIAGONAL, red), [&] { PatBlt(dc, 5, 5, 100, 100, PATCOPY); });
    PatBlt(dc, 30, 30, 50, 50, DSTINVERT);

    // Row 4: DrawEdge.
    const unsigned edges[] = {EDGE_RAISED, EDGE_SUNKEN, EDGE_ETCHED, EDGE_BUMP};
    for (int i = 0; i < 4; ++i) {
        s.Begin(i, 4);
        TRect r = Rect(10, 10, 100, 50);
        DrawEdge(dc, &r, edges[i], BF_RECT | BF_MIDDLE);
        r = Rect(10, 60, 100, 100);
        DrawEdge(dc, &r, edges[i], BF_RECT | BF_SOFT | BF_ADJUST);
        FillRect(dc, r, HBRUSH(uintptr_t(COLOR_INFOBK + 1)));
    }
    s.Begin(4, 4);
    {
        TRect r = Rect(10, 10, 100, 50);
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_FLAT | BF_MIDDLE);
        r = Rect(10, 60, 100, 100);
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_MONO | BF_MIDDLE);
    }
    s.Begin(5, 4);  // push buttons
    {
        TRect r = Rect(10, 10, 100, 35);
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH);
        r = Rect(10, 40, 100, 65);
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED);
        r = Rect(10, 70, 100, 95);
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_CHECKED);
    }
    s.Begin(6, 4);  // check boxes and radio buttons
    {
        const unsigned states[] = {0, DFCS_CHECKED, DFCS_CHECKED | DFCS_INACTIVE, DFCS_PUSHED};
        for (int i = 0; i < 4; ++i) {
            TRect r = Bounds(10 + i * 24, 15, 13, 13);
            DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | states[i]);
            r = Bounds(10 + i * 24, 50, 12, 12);
            DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONRADIO | states[i]);
        }
    }
    s.Begin(7, 4);  // scroll arrows
    {
        const unsigned kinds[] = {DFCS_SCROLLUP, DFCS_SCROLLDOWN, DFCS_SCROLLLEFT, DFCS_SCROLLRIGHT, DFCS_SCROLLCOMBOBOX};
        for (int i = 0; i < 5; ++i) {
            TRect r = Bounds(8 + i * 19, 10, 16, 16);
            DrawFrameControl(dc, &r, DFC_SCROLL, kinds[i]);
            r = Bounds(8 + i * 19, 35, 16, 16);
            DrawFrameControl(dc, &r, DFC_SCROLL, kinds[i] | DFCS_PUSHED);
            r = Bounds(8 + i * 19, 60, 16, 16);
            DrawFrameControl(dc, &r, DFC_SCROLL, kinds[i] | DFCS_INACTIVE);
        }
    }

    // Row 5: caption buttons and a caption bar.
    s.Begin(0, 5);
    {
        const unsigned kinds[] = {DFCS_CAPTIONMIN, DFCS_CAPTIONMAX, DFCS_CAPTIONRESTORE, DFCS_CAPTIONCLOSE,
                                  DFCS_CAPTIONHELP};
        HBRUSH cap = CreateSolidBrush(GetSysColor(COLOR_ACTIVECAPTION));
        FillRect(dc, Rect(4, 10, 106, 30), cap);
        DeleteObject(cap);
        for (int i = 0; i < 5; ++i) {
            TRect r = Bounds(6 + i * 20, 13, 16, 14);
            DrawFrameControl(dc, &r, DFC_CAPTION, kinds[i]);
            r = Bounds(6 + i * 20, 40, 16, 14);
            DrawFrameControl(dc, &r, DFC_CAPTION, kinds[i] | DFCS_PUSHED);
            r = Bounds(6 + i * 20, 65, 16, 14);
            DrawFrameControl(dc, &r, DFC_CAPTION, kinds[i] | DFCS_INACTIVE);
        }
    }
    s.Begin(1, 5);  // SetPixel grid and GetPixel
    for (int y = 10; y < 100; y += 3)
        for (int x = 10; x < 100; x += 3) SetPixel(dc, x, y, RGB(x * 2, y * 2, 128));
    s.RestoreAll();

    const std::string path = OutputFolder() + "/gdi_sheet.png";
    ASSERT_TRUE(SavePixelsToPng(s.View(), path)) << path;
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
    std::printf("sheet: %s\n", path.c_str());

    // A few probes per kind of cell (coordinates inside each cell).
    EXPECT_EQ(s.At(0, 0, 55, 55), RGB(0, 0, 0));          // the fan's hub
    EXPECT_EQ(s.At(5, 0, 10, 10), RGB(0, 0, 0));          // rectangle corner
    EXPECT_EQ(s.At(5, 0, 70, 70), RGB(255, 200, 200));    // second rectangle's interior
    EXPECT_EQ(s.At(6, 0, 10, 55), RGB(0, 0, 200));        // inside frame touches its box
    EXPECT_EQ(s.At(6, 0, 9, 55), RGB(255, 255, 255));     // ... and stays inside
    EXPECT_EQ(s.At(6, 0, 99, 55), RGB(0, 0, 200));
    EXPECT_EQ(s.At(6, 0, 100, 55), RGB(255, 255, 255));
    EXPECT_EQ(s.At(0, 1, 55, 40), RGB(200, 200, 255));    // ellipse interior
    EXPECT_EQ(s.At(0, 2, 55, 50), RGB(255, 255, 255));    // pentagram centre, ALTERNATE
    EXPECT_EQ(s.At(1, 2, 55, 50), RGB(255, 180, 0));      // pentagram centre, WINDING
    EXPECT_EQ(s.At(3, 3, 55, 55), RGB(255, 128, 0));      // flood fill
    EXPECT_EQ(s.At(0, 4, 10, 10), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(s.At(0, 4, 99, 49), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(s.At(1, 4, 10, 10), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(s.At(1, 4, 99, 49), GetSysColor(COLOR_BTNHIGHLIGHT));
}
