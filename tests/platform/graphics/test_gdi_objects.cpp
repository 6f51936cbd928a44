// Objects and device contexts: handles, stock objects, selection and
// deletion rules, the resource count, SaveDC/RestoreDC, object
// descriptions, bitmaps, system colours, MulDiv.
#include <climits>
#include <set>

#include "Exceptions.h"
#include "Surface.h"
#include "SysColors.h"
#include "SysResources.h"
#include "test_gdi_support.h"

using namespace gditest;

namespace {

class GdiObjects : public TCanvasTest {};

}  // namespace

TEST(GdiHandles, DeadAndNullHandlesFailHarmlessly) {
    HDC dead = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(DeleteDC(dead));
    HPEN deadPen = CreatePen(PS_SOLID, 1, 0);
    ASSERT_TRUE(DeleteObject(deadPen));
    HRGN deadRgn = CreateRectRgn(0, 0, 1, 1);
    ASSERT_TRUE(DeleteObject(deadRgn));
    for (HDC dc : {HDC(nullptr), dead}) {
        TPoint p;
        TRect r = Rect(0, 0, 10, 10);
        EXPECT_FALSE(DeleteDC(dc));
        EXPECT_FALSE(LineTo(dc, 1, 1));
        EXPECT_FALSE(MoveToEx(dc, 1, 1, &p));
        EXPECT_FALSE(Rectangle(dc, 0, 0, 5, 5));
        EXPECT_FALSE(Ellipse(dc, 0, 0, 5, 5));
        EXPECT_FALSE(Pie(dc, 0, 0, 5, 5, 0, 0, 1, 1));
        EXPECT_EQ(FillRect(dc, r, HBRUSH(GetStockObject(BLACK_BRUSH))), 0);
        EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, nullptr, 0, 0, BLACKNESS));
        EXPECT_FALSE(PatBlt(dc, 0, 0, 1, 1, BLACKNESS));
        EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
        EXPECT_EQ(SetPixel(dc, 0, 0, 0), CLR_INVALID);
        EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);
        EXPECT_EQ(SetROP2(dc, R2_XORPEN), 0);
        EXPECT_EQ(SaveDC(dc), 0);
        EXPECT_FALSE(RestoreDC(dc, -1));
        EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), nullptr);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), nullptr);
        EXPECT_EQ(SelectClipRgn(dc, nullptr), ERROR);
        EXPECT_EQ(GetClipBox(dc, &r), ERROR);
        EXPECT_FALSE(DrawEdge(dc, &r, EDGE_RAISED, BF_RECT));
        EXPECT_FALSE(DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH));
        EXPECT_EQ(CreateCompatibleBitmap(dc, 4, 4) == nullptr, dc != nullptr);
        EXPECT_EQ(CreateCompatibleDC(dc) == nullptr, dc != nullptr);
        EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 0);
    }
    for (HRGN r : {HRGN(nullptr), deadRgn}) {
        TRect box;
        EXPECT_EQ(CombineRgn(r, r, r, RGN_OR), ERROR);
        EXPECT_FALSE(PtInRegion(r, 0, 0));
        EXPECT_EQ(GetRgnBox(r, &box), ERROR);
        EXPECT_EQ(OffsetRgn(r, 1, 1), ERROR);
        EXPECT_FALSE(EqualRgn(r, r));
    }
    LOGPEN lp;
    EXPECT_FALSE(GetObject(deadPen, &lp));
    EXPECT_EQ(GetObject(HGDIOBJ(deadPen), int(sizeof lp), &lp), 0);
    EXPECT_EQ(GetObjectType(deadPen), 0);
    EXPECT_FALSE(DeleteObject(deadPen));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(CreatePatternBrush(nullptr), nullptr);
    // Wrong types are refused, too.
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_FALSE(DeleteObject(dc));  // a DC goes with DeleteDC
    EXPECT_FALSE(PtInRegion(reinterpret_cast<HRGN>(dc), 0, 0));
    EXPECT_EQ(SelectObject(dc, dc), nullptr);
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiHandles, NeverReused) {
    std::set<uintptr_t> seen;
    std::vector<HPEN> keep;
    for (int i = 0; i < 2000; ++i) {
        HPEN p = CreatePen(PS_SOLID, 1, RGB(i & 255, 0, 0));
        ASSERT_TRUE(seen.insert(reinterpret_cast<uintptr_t>(p)).second) << i;
        if (i % 3 == 0)
            keep.push_back(p);
        else
            ASSERT_TRUE(DeleteObject(p));
    }
    for (HPEN p : keep) DeleteObject(p);
    // A dead handle stays dead after its slot is used again.
    HBRUSH a = CreateSolidBrush(0);
    DeleteObject(a);
    HBRUSH b = CreateSolidBrush(0);
    EXPECT_NE(a, b);
    EXPECT_EQ(GetObjectType(a), 0);
    EXPECT_EQ(GetObjectType(b), OBJ_BRUSH);
    DeleteObject(b);
}

TEST(GdiHandles, StockObjectsCannotBeDeleted) {
    const int stock[] = {WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH, NULL_BRUSH,
                         WHITE_PEN, BLACK_PEN, NULL_PEN, OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT,
                         SYSTEM_FONT, DEVICE_DEFAULT_FONT, SYSTEM_FIXED_FONT, DEFAULT_GUI_FONT, DC_BRUSH, DC_PEN,
                         DEFAULT_BITMAP};
    const uint32_t before = ResourceObjectCount(rtGDI);
    for (int i : stock) {
        HGDIOBJ o = GetStockObject(i);
        ASSERT_NE(o, nullptr) << i;
        EXPECT_EQ(GetStockObject(i), o);
        EXPECT_TRUE(DeleteObject(o)) << i;
        EXPECT_NE(GetObjectType(o), 0) << i;
    }
    EXPECT_EQ(ResourceObjectCount(rtGDI), before);
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_EQ(GetStockObject(-1), nullptr);
    LOGBRUSH lb;
    ASSERT_TRUE(GetObject(HBRUSH(GetStockObject(LTGRAY_BRUSH)), &lb));
    EXPECT_EQ(lb.lbColor, RGB(192, 192, 192));
    ASSERT_TRUE(GetObject(HBRUSH(GetStockObject(NULL_BRUSH)), &lb));
    EXPECT_EQ(lb.lbStyle, BS_NULL);
    LOGFONT lf;
    ASSERT_TRUE(GetObject(HFONT(GetStockObject(DEFAULT_GUI_FONT)), &lf));
    EXPECT_FALSE(lf.lfFaceName.empty());
    // System colour brushes are the system's, too.
    HBRUSH sys = GetSysColorBrush(COLOR_BTNFACE);
    EXPECT_TRUE(DeleteObject(sys));
    EXPECT_EQ(GetObjectType(sys), OBJ_BRUSH);
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), sys);
    EXPECT_EQ(GetSysColorBrush(99), nullptr);
}

TEST(GdiHandles, ResourceCountFollowsCreationAndDeletion) {
    const uint32_t before = ResourceObjectCount(rtGDI);
    HPEN p = CreatePen(PS_SOLID, 1, 0);
    HBRUSH b = CreateSolidBrush(0);
    HRGN r = CreateRectRgn(0, 0, 1, 1);
    HBITMAP bm = CreateBitmap(2, 2, 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT f = CreateFontIndirect(LOGFONT{});
    EXPECT_EQ(ResourceObjectCount(rtGDI), before + 6);
    DeleteObject(p);
    DeleteObject(b);
    DeleteObject(r);
    DeleteObject(bm);
    DeleteDC(dc);
    DeleteObject(f);
    EXPECT_EQ(ResourceObjectCount(rtGDI), before);
}

TEST_F(GdiObjects, SelectedObjectsCannotBeDeleted) {
    HPEN p = CreatePen(PS_SOLID, 3, Red);
    HGDIOBJ old = SelectObject(DC, p);
    EXPECT_EQ(old, GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(DC, OBJ_PEN), HGDIOBJ(p));
    EXPECT_FALSE(DeleteObject(p));
    EXPECT_EQ(GetObjectType(p), OBJ_PEN);
    // Kept by a saved state: still not deletable after it is deselected.
    const int level = SaveDC(DC);
    SelectObject(DC, old);
    EXPECT_FALSE(DeleteObject(p));
    RestoreDC(DC, level);
    EXPECT_EQ(GetCurrentObject(DC, OBJ_PEN), HGDIOBJ(p));
    EXPECT_EQ(SelectObject(DC, old), HGDIOBJ(p));
    EXPECT_TRUE(DeleteObject(p));
    // Deleting the DC lets its objects go.
    HDC other = CreateCompatibleDC(nullptr);
    HBRUSH b = CreateSolidBrush(Red);
    SelectObject(other, b);
    SaveDC(other);
    EXPECT_FALSE(DeleteObject(b));
    DeleteDC(other);
    EXPECT_TRUE(DeleteObject(b));
}

TEST_F(GdiObjects, BitmapSelectedIntoOneDCAtATime) {
    HBITMAP bm = CreateCompatibleBitmap(DC, 4, 4);
    HDC a = CreateCompatibleDC(DC), b = CreateCompatibleDC(DC);
    HGDIOBJ oldA = SelectObject(a, bm);
    ASSERT_NE(oldA, nullptr);
    EXPECT_EQ(oldA, GetStockObject(DEFAULT_BITMAP));
    EXPECT_EQ(SelectObject(b, bm), nullptr);
    EXPECT_FALSE(DeleteObject(bm));
    SelectObject(a, oldA);
    EXPECT_NE(SelectObject(b, bm), nullptr);
    DeleteDC(b);
    EXPECT_TRUE(DeleteObject(bm));
    DeleteDC(a);
}

TEST_F(GdiObjects, SaveAndRestoreState) {
    SetROP2(DC, R2_XORPEN);
    SetBkColor(DC, Red);
    SetViewportOrgEx(DC, 3, 4, nullptr);
    const int one = SaveDC(DC);
    EXPECT_EQ(one, 1);
    SetROP2(DC, R2_NOT);
    SetBkMode(DC, TRANSPARENT);
    const int two = SaveDC(DC);
    EXPECT_EQ(two, 2);
    SetROP2(DC, R2_BLACK);
    SetBkColor(DC, Blue);
    SetViewportOrgEx(DC, 0, 0, nullptr);
    EXPECT_TRUE(RestoreDC(DC, -1));
    EXPECT_EQ(GetROP2(DC), R2_NOT);
    EXPECT_EQ(GetBkMode(DC), TRANSPARENT);
    EXPECT_EQ(GetBkColor(DC), Red);
    EXPECT_TRUE(RestoreDC(DC, one));
    EXPECT_EQ(GetROP2(DC), R2_XORPEN);
    EXPECT_EQ(GetBkMode(DC), OPAQUE);
    TPoint org;
    GetViewportOrgEx(DC, &org);
    EXPECT_EQ(org, Point(3, 4));
    EXPECT_FALSE(RestoreDC(DC, 1));  // gone now
    EXPECT_FALSE(RestoreDC(DC, 0));
    SaveDC(DC);
    SaveDC(DC);
    EXPECT_FALSE(RestoreDC(DC, 3));
    EXPECT_TRUE(RestoreDC(DC, 1));
    EXPECT_FALSE(RestoreDC(DC, -1));
}

TEST_F(GdiObjects, Descriptions) {
    HPEN p = CreatePen(PS_DASHDOT, 1, RGB(1, 2, 3));
    LOGPEN lp;
    ASSERT_TRUE(GetObject(p, &lp));
    EXPECT_EQ(lp.lopnStyle, unsigned(PS_DASHDOT));
    EXPECT_EQ(lp.lopnWidth.X, 1);
    EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
    EXPECT_EQ(GetObject(HGDIOBJ(p), 0, nullptr), int(sizeof(LOGPEN)));
    EXPECT_EQ(GetObject(HGDIOBJ(p), 1, &lp), 0);
    DeleteObject(p);
    EXPECT_EQ(CreatePen(7, 1, 0), nullptr);

    LOGFONT in;
    in.lfHeight = -13;
    in.lfWeight = FW_BOLD;
    in.lfItalic = 1;
    in.lfUnderline = 1;
    in.lfEscapement = 900;
    in.lfCharSet = SYMBOL_CHARSET;
    in.lfQuality = NONANTIALIASED_QUALITY;
    in.lfFaceName = "Times New Roman";
    HFONT f = CreateFontIndirect(in);
    LOGFONT out;
    ASSERT_TRUE(GetObject(f, &out));
    EXPECT_EQ(out, in);
    LOGFONT generic;
    EXPECT_EQ(GetObject(HGDIOBJ(f), int(sizeof generic), &generic), int(sizeof(LOGFONT)));
    EXPECT_EQ(generic, in);
    SelectObject(DC, f);
    EXPECT_EQ(GetCurrentObject(DC, OBJ_FONT), HGDIOBJ(f));
    SelectObject(DC, GetStockObject(SYSTEM_FONT));
    DeleteObject(f);
    HFONT g = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 1, 1, ANSI_CHARSET, 0, 0, DEFAULT_QUALITY, 0, "Arial");
    ASSERT_TRUE(GetObject(g, &out));
    EXPECT_EQ(out.lfStrikeOut, 1);
    EXPECT_EQ(out.lfFaceName, "Arial");
    DeleteObject(g);

    HBITMAP mono = CreateBitmap(17, 3, 1, 1, nullptr);
    BITMAP bm;
    ASSERT_TRUE(GetObject(mono, &bm));
    EXPECT_EQ(bm.bmWidth, 17);
    EXPECT_EQ(bm.bmHeight, 3);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(bm.bmWidthBytes, 4);
    EXPECT_EQ(bm.bmBits, nullptr);
    DeleteObject(mono);
    TPixelView v;
    HBITMAP surf = CreateSurfaceBitmap(5, 6, &v);
    ASSERT_TRUE(GetObject(surf, &bm));
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmBits, static_cast<void*>(v.Bits));
    DeleteObject(surf);
    EXPECT_EQ(CreateBitmap(4, 4, 1, 8, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(4, 4, 2, 1, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(-1, 4, 1, 32, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(100000, 100000, 1, 32, nullptr), nullptr);
}

TEST_F(GdiObjects, CompatibleBitmapsFollowTheDC) {
    HDC mem = CreateCompatibleDC(nullptr);
    BITMAP bm;
    HBITMAP a = CreateCompatibleBitmap(mem, 4, 4);  // the default bitmap is monochrome
    GetObject(a, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    HBITMAP b = CreateCompatibleBitmap(DC, 4, 4);  // DC holds a 32-bit bitmap
    GetObject(b, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    HBITMAP c = CreateCompatibleBitmap(nullptr, 4, 4);
    GetObject(c, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    HBITMAP d = CreateCompatibleBitmap(DC, 0, 5);
    GetObject(d, &bm);
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(GetObjectType(mem), OBJ_MEMDC);
    for (HBITMAP h : {a, b, c, d}) DeleteObject(h);
    DeleteDC(mem);
}

TEST_F(GdiObjects, BitmapBitsRoundTrip) {
    const uint8_t bits[6] = {0x80, 0x01, 0xFF, 0xFF, 0x00, 0x00};  // 9 x 3, rows of 2 bytes
    HBITMAP mono = CreateBitmap(9, 3, 1, 1, bits);
    TPixelView v;
    ASSERT_TRUE(GetBitmapView(mono, &v));
    EXPECT_EQ(ColorRefFromPixel(v.Row(0)[0]), White);
    EXPECT_EQ(ColorRefFromPixel(v.Row(0)[1]), Black);
    EXPECT_EQ(ColorRefFromPixel(v.Row(1)[8]), White);
    EXPECT_EQ(ColorRefFromPixel(v.Row(2)[4]), Black);
    uint8_t back[6] = {};
    EXPECT_EQ(GetBitmapBits(mono, 6, back), 6);
    EXPECT_EQ(back[0], 0x80);
    EXPECT_EQ(back[1], 0x00);  // bits beyond the width read as 0
    EXPECT_EQ(back[2], 0xFF);
    EXPECT_EQ(back[3], 0x80);
    EXPECT_EQ(GetBitmapBits(mono, 0, nullptr), 6);
    DeleteObject(mono);
    const uint32_t px[2] = {0x00112233, 0x00445566};
    HBITMAP c = CreateBitmap(2, 1, 1, 32, px);
    GetBitmapView(c, &v);
    EXPECT_EQ(v.Row(0)[0], 0xFF112233u);
    EXPECT_EQ(GetSysColor(-1), 0u);
    TSurface* s = GetBitmapSurface(c);
    ASSERT_NE(s, nullptr);
    s->Resize(3, 3);  // a DC picks up the new size
    HDC mem = CreateCompatibleDC(nullptr);
    SelectObject(mem, c);
    EXPECT_EQ(GetDeviceCaps(mem, HORZRES), 3);
    EXPECT_EQ(GetPixel(mem, 2, 2), Black);
    EXPECT_EQ(GetPixel(mem, 1, 0), RGB(0x44, 0x55, 0x66));
    DeleteDC(mem);
    DeleteObject(c);
    EXPECT_EQ(GetBitmapSurface(HBITMAP(GetStockObject(DEFAULT_BITMAP))), nullptr);
}

TEST_F(GdiObjects, SystemColours) {
    struct TCase {
        int Index;
        COLORREF Colour;
    };
    const TCase cases[] = {{COLOR_BTNFACE, RGB(192, 192, 192)},   {COLOR_BTNSHADOW, RGB(128, 128, 128)},
                           {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)}, {COLOR_3DDKSHADOW, RGB(0, 0, 0)},
                           {COLOR_3DLIGHT, RGB(192, 192, 192)},   {COLOR_ACTIVECAPTION, RGB(0, 0, 128)},
                           {COLOR_GRADIENTACTIVECAPTION, RGB(16, 132, 208)}, {COLOR_WINDOW, RGB(255, 255, 255)},
                           {COLOR_WINDOWTEXT, RGB(0, 0, 0)},      {COLOR_HIGHLIGHT, RGB(0, 0, 128)},
                           {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)}, {COLOR_INFOBK, RGB(255, 255, 225)},
                           {COLOR_SCROLLBAR, RGB(192, 192, 192)}};
    for (const TCase& c : cases) EXPECT_EQ(GetSysColor(c.Index), c.Colour) << c.Index;
    // FillRect takes a colour index + 1 as a brush; brushes follow changes.
    FillRect(DC, Rect(0, 0, 10, 10), HBRUSH(uintptr_t(COLOR_INFOBK + 1)));
    EXPECT_EQ(Px(5, 5), RGB(255, 255, 225));
    const int el[] = {COLOR_INFOBK, 99};
    const COLORREF cols[] = {RGB(1, 2, 3), 0};
    EXPECT_FALSE(SetSysColors(2, el, cols));  // 99 is skipped
    EXPECT_EQ(GetSysColor(COLOR_INFOBK), RGB(1, 2, 3));
    FillRect(DC, Rect(0, 0, 10, 10), GetSysColorBrush(COLOR_INFOBK));
    EXPECT_EQ(Px(5, 5), RGB(1, 2, 3));
    ResetSysColors();
    EXPECT_EQ(GetSysColor(COLOR_INFOBK), RGB(255, 255, 225));
    FillRect(DC, Rect(0, 0, 10, 10), GetSysColorBrush(COLOR_INFOBK));
    EXPECT_EQ(Px(5, 5), RGB(255, 255, 225));
}

TEST_F(GdiObjects, DCPenAndBrushColours) {
    SelectObject(DC, GetStockObject(DC_PEN));
    SelectObject(DC, GetStockObject(DC_BRUSH));
    EXPECT_EQ(SetDCPenColor(DC, Red), Black);
    EXPECT_EQ(SetDCBrushColor(DC, Blue), White);
    Rectangle(DC, 10, 10, 20, 20);
    EXPECT_EQ(Px(10, 10), Red);
    EXPECT_EQ(Px(15, 15), Blue);
    EXPECT_EQ(GetDCPenColor(DC), Red);
    EXPECT_EQ(GetDCBrushColor(DC), Blue);
}

TEST(GdiMulDiv, RoundsHalfAwayFromZero) {
    struct TCase {
        int32_t A, B, C, Want;
    };
    const TCase cases[] = {
        {10, 3, 4, 8},     {-10, 3, 4, -8},    {10, -3, 4, -8},         {10, 3, -4, -8},
        {-10, -3, -4, -8}, {5, 1, 2, 3},       {-5, 1, 2, -3},          {7, 1, -2, -4},
        {6, 1, 4, 2},      {1, 1, 3, 0},       {2, 1, 3, 1},            {96, 72, 96, 72},
        {1, 1, 0, -1},     {INT32_MAX, 2, 1, -1}, {INT32_MAX, 2, 2, INT32_MAX}, {-13, 96, 72, -17},
        {0, 5, 7, 0},      {INT32_MIN, 1, 1, INT32_MIN},
    };
    for (const TCase& c : cases) EXPECT_EQ(MulDiv(c.A, c.B, c.C), c.Want) << c.A << "*" << c.B << "/" << c.C;
}

TEST(GdiSurface, SizeFillResizeAndErrors) {
    TSurface s(3, 2);
    EXPECT_EQ(s.Width(), 3);
    EXPECT_EQ(s.Pixel(2, 1), 0xFF000000u);
    s.Fill(0xFF123456u);
    s.SetPixel(0, 0, 0xFF000001u);
    s.Resize(4, 4);
    EXPECT_EQ(s.Pixel(0, 0), 0xFF000001u);
    EXPECT_EQ(s.Pixel(2, 1), 0xFF123456u);
    EXPECT_EQ(s.Pixel(3, 3), 0xFF000000u);
    s.FillRect(Rect(-5, 3, 2, 10), 0xFFFFFFFFu);
    EXPECT_EQ(s.Pixel(1, 3), 0xFFFFFFFFu);
    EXPECT_EQ(s.Pixel(2, 3), 0xFF000000u);
    EXPECT_EQ(s.View().Stride, 4);
    EXPECT_THROW(s.Resize(-1, 2), EInvalidGraphicOperation);
    EXPECT_EQ(s.Width(), 4);  // unchanged after the error
    EXPECT_THROW(TSurface(70000, 70000), EInvalidGraphicOperation);
    EXPECT_THROW(s.ScanLine(4), ERangeError);
    TSurface copy = s;
    EXPECT_EQ(copy.Pixel(0, 0), 0xFF000001u);
    TSurface empty;
    EXPECT_TRUE(empty.Empty());
    empty.Fill(0);
}
