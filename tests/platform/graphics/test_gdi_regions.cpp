// Regions: combining, testing, shape regions, painting; clipping by region,
// by rectangles and by the surface; surface DCs over parts of a surface.
#include "test_gdi_support.h"

using namespace gditest;

namespace {

class GdiRegions : public TCanvasTest {};

// A region handle deleted at the end of the scope.
struct TRgn {
    HRGN H;
    explicit TRgn(HRGN h) : H(h) {}
    ~TRgn() { DeleteObject(H); }
    operator HRGN() const { return H; }
};

}  // namespace

TEST_F(GdiRegions, CombineModes) {
    // A = (10,10)-(30,30), B = (20,20)-(40,40).
    struct TCase {
        int Mode;
        int Type;
        bool InA, InB, InBoth, Outside;
        TRect Box;
    };
    const TCase cases[] = {
        {RGN_AND, SIMPLEREGION, false, false, true, false, Rect(20, 20, 30, 30)},
        {RGN_OR, COMPLEXREGION, true, true, true, false, Rect(10, 10, 40, 40)},
        {RGN_XOR, COMPLEXREGION, true, true, false, false, Rect(10, 10, 40, 40)},
        {RGN_DIFF, COMPLEXREGION, true, false, false, false, Rect(10, 10, 30, 30)},
        {RGN_COPY, SIMPLEREGION, true, false, true, false, Rect(10, 10, 30, 30)},
    };
    TRgn a(CreateRectRgn(10, 10, 30, 30)), b(CreateRectRgn(20, 20, 40, 40));
    for (const TCase& c : cases) {
        TRgn d(CreateRectRgn(0, 0, 0, 0));
        EXPECT_EQ(CombineRgn(d, a, b, c.Mode), c.Type) << c.Mode;
        EXPECT_EQ(PtInRegion(d, 15, 15), c.InA) << c.Mode;
        EXPECT_EQ(PtInRegion(d, 35, 35), c.InB) << c.Mode;
        EXPECT_EQ(PtInRegion(d, 25, 25), c.InBoth) << c.Mode;
        EXPECT_EQ(PtInRegion(d, 5, 5), c.Outside) << c.Mode;
        EXPECT_FALSE(PtInRegion(d, 30, 15)) << c.Mode;  // right edge excluded
        TRect box;
        EXPECT_EQ(GetRgnBox(d, &box), c.Type);
        EXPECT_EQ(box, c.Box) << c.Mode;
    }
    TRgn d(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(CombineRgn(d, a, a, RGN_XOR), NULLREGION);
    EXPECT_EQ(CombineRgn(d, a, a, RGN_DIFF), NULLREGION);
    EXPECT_EQ(CombineRgn(d, a, b, 0), ERROR);
    EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_OR), ERROR);
    // The destination may be a source.
    EXPECT_EQ(CombineRgn(a, a, b, RGN_OR), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(a, 35, 35));
}

TEST_F(GdiRegions, BandsCoalesce) {
    TRgn l(CreateRectRgn(0, 0, 10, 10)), r(CreateRectRgn(10, 0, 20, 10)), below(CreateRectRgn(0, 10, 20, 30));
    TRgn d(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(CombineRgn(d, l, r, RGN_OR), SIMPLEREGION);  // side by side
    EXPECT_EQ(CombineRgn(d, d, below, RGN_OR), SIMPLEREGION);  // stacked, same width
    TRect box;
    GetRgnBox(d, &box);
    EXPECT_EQ(box, Rect(0, 0, 20, 30));
    std::vector<TRect> rects;
    EXPECT_EQ(GetRegionRects(d, rects), SIMPLEREGION);
    ASSERT_EQ(rects.size(), 1u);
    // A ring: three bands, the middle one with two rectangles.
    TRgn outer(CreateRectRgn(0, 0, 30, 30)), hole(CreateRectRgn(10, 10, 20, 20));
    CombineRgn(d, outer, hole, RGN_DIFF);
    GetRegionRects(d, rects);
    const std::vector<TRect> want = {Rect(0, 0, 30, 10), Rect(0, 10, 10, 20), Rect(20, 10, 30, 20), Rect(0, 20, 30, 30)};
    EXPECT_EQ(rects, want);
    // Filling the hole back gives the plain square, equal to a rectangle region.
    CombineRgn(d, d, hole, RGN_OR);
    EXPECT_TRUE(EqualRgn(d, outer));
}

TEST_F(GdiRegions, OffsetRectInRegionEqual) {
    TRgn a(CreateEllipticRgn(0, 0, 40, 20)), b(CreateEllipticRgn(10, 5, 50, 25));
    EXPECT_FALSE(EqualRgn(a, b));
    EXPECT_EQ(OffsetRgn(a, 10, 5), COMPLEXREGION);
    EXPECT_TRUE(EqualRgn(a, b));
    EXPECT_TRUE(RectInRegion(b, Rect(25, 10, 26, 11)));
    EXPECT_FALSE(RectInRegion(b, Rect(10, 5, 12, 7)));  // the corner of the box is outside the ellipse
    EXPECT_FALSE(RectInRegion(b, Rect(60, 60, 70, 70)));
    EXPECT_TRUE(SetRectRgn(a, 5, 5, 1, 1));  // reversed corners are put in order
    TRect box;
    EXPECT_EQ(GetRgnBox(a, &box), SIMPLEREGION);
    EXPECT_EQ(box, Rect(1, 1, 5, 5));
}

TEST_F(GdiRegions, ShapeRegionsMatchTheShapes) {
    // An elliptic region covers exactly what Ellipse paints; a round
    // rectangle region what RoundRect paints.
    UseSolidBrush(Blue);
    const TRect boxes[] = {Rect(10, 10, 60, 40), Rect(5, 5, 96, 96), Rect(20, 20, 27, 70)};
    HBRUSH red = CreateSolidBrush(Red);
    for (const TRect& b : boxes) {
        Clear(White);
        Ellipse(DC, b.Left, b.Top, b.Right, b.Bottom);
        const auto drawn = Snapshot();
        Clear(White);
        TRgn e(CreateEllipticRgnIndirect(b));
        FillRgn(DC, e, red);
        const auto filled = Snapshot();
        for (size_t i = 0; i < drawn.size(); ++i)
            ASSERT_EQ(drawn[i] != PixelFromColorRef(White), filled[i] != PixelFromColorRef(White)) << i;
        Clear(White);
        RoundRect(DC, b.Left, b.Top, b.Right, b.Bottom, 20, 12);
        const auto rr = Snapshot();
        Clear(White);
        TRgn r(CreateRoundRectRgn(b.Left, b.Top, b.Right, b.Bottom, 20, 12));
        FillRgn(DC, r, red);
        const auto rf = Snapshot();
        for (size_t i = 0; i < rr.size(); ++i)
            ASSERT_EQ(rr[i] != PixelFromColorRef(White), rf[i] != PixelFromColorRef(White)) << i;
    }
    DeleteObject(red);
}

TEST_F(GdiRegions, PolygonRegionsFollowTheFillMode) {
    const TPoint star[] = {{50, 5}, {78, 92}, {5, 37}, {95, 37}, {22, 92}};
    TRgn alt(CreatePolygonRgn(star, 5, ALTERNATE)), wind(CreatePolygonRgn(star, 5, WINDING));
    EXPECT_FALSE(PtInRegion(alt, 50, 55));
    EXPECT_TRUE(PtInRegion(wind, 50, 55));
    EXPECT_TRUE(PtInRegion(alt, 50, 20));
    EXPECT_EQ(CreatePolygonRgn(star, 5, 3), nullptr);
    const TPoint sq[] = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
    TRgn s(CreatePolygonRgn(sq, 4, ALTERNATE));
    TRect box;
    EXPECT_EQ(GetRgnBox(s, &box), SIMPLEREGION);
    EXPECT_EQ(box, Rect(10, 10, 20, 20));
}

TEST_F(GdiRegions, PaintingRegions) {
    TRgn r(CreateRectRgn(10, 10, 30, 20));
    UseSolidBrush(Blue);
    SetViewportOrgEx(DC, 5, 5, nullptr);  // painting takes logical coordinates
    EXPECT_TRUE(PaintRgn(DC, r));
    EXPECT_EQ(BoundsNot(White), Rect(15, 15, 35, 25));
    EXPECT_TRUE(InvertRgn(DC, r));
    EXPECT_EQ(Px(20, 20), RGB(255, 255, 0));
    Clear(White);
    HBRUSH black = HBRUSH(GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(FrameRgn(DC, r, black, 2, 1));
    EXPECT_EQ(Px(15, 20), Black);
    EXPECT_EQ(Px(16, 20), Black);
    EXPECT_EQ(Px(17, 20), White);
    EXPECT_EQ(Px(20, 15), Black);
    EXPECT_EQ(Px(20, 16), White);
    EXPECT_EQ(Px(34, 20), Black);
    EXPECT_EQ(Px(20, 24), Black);
    EXPECT_FALSE(FrameRgn(DC, r, black, 0, 1));
}

TEST_F(GdiRegions, ClipRegionLimitsDrawing) {
    EXPECT_EQ(GetClipRgn(DC, nullptr), -1);
    TRgn probe(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetClipRgn(DC, probe), 0);
    TRgn clip(CreateEllipticRgn(20, 20, 80, 80));
    EXPECT_EQ(SelectClipRgn(DC, clip), COMPLEXREGION);
    DeleteObject(clip.H);  // the DC keeps its own copy
    clip.H = CreateRectRgn(0, 0, 0, 0);
    HBRUSH red = CreateSolidBrush(Red);
    FillRect(DC, Rect(0, 0, 100, 100), red);
    EXPECT_EQ(Px(50, 50), Red);
    EXPECT_EQ(Px(21, 21), White);
    EXPECT_EQ(Px(5, 50), White);
    EXPECT_EQ(GetClipRgn(DC, probe), 1);
    TRgn same(CreateEllipticRgn(20, 20, 80, 80));
    EXPECT_TRUE(EqualRgn(probe, same));
    TRect box;
    EXPECT_EQ(GetClipBox(DC, &box), COMPLEXREGION);
    EXPECT_EQ(box, Rect(20, 20, 80, 80));
    EXPECT_FALSE(PtVisible(DC, 21, 21));
    EXPECT_TRUE(PtVisible(DC, 50, 50));
    EXPECT_TRUE(RectVisible(DC, Rect(0, 45, 30, 55)));
    EXPECT_FALSE(RectVisible(DC, Rect(0, 0, 22, 22)));
    // Lines and blits are clipped the same way.
    Clear(White);
    MoveToEx(DC, 0, 50, nullptr);
    LineTo(DC, 100, 50);
    EXPECT_EQ(BoundsNot(White), Rect(20, 50, 80, 51));
    // No clip region again.
    EXPECT_EQ(SelectClipRgn(DC, nullptr), SIMPLEREGION);
    FillRect(DC, Rect(0, 0, 100, 100), red);
    EXPECT_EQ(Count(Red), 10000);
    DeleteObject(red);
}

TEST_F(GdiRegions, ClipRectanglesAndCombining) {
    HBRUSH red = CreateSolidBrush(Red);
    EXPECT_EQ(IntersectClipRect(DC, 10, 10, 60, 60), SIMPLEREGION);
    EXPECT_EQ(IntersectClipRect(DC, 30, 30, 90, 90), SIMPLEREGION);
    EXPECT_EQ(ExcludeClipRect(DC, 40, 40, 50, 50), COMPLEXREGION);
    FillRect(DC, Rect(0, 0, 100, 100), red);
    EXPECT_EQ(BoundsNot(White), Rect(30, 30, 60, 60));
    EXPECT_EQ(Px(45, 45), White);
    EXPECT_EQ(Count(Red), 30 * 30 - 100);
    // RGN_OR adds, RGN_COPY replaces; a null region only goes with RGN_COPY.
    TRgn extra(CreateRectRgn(0, 0, 5, 5));
    EXPECT_EQ(ExtSelectClipRgn(DC, extra, RGN_OR), COMPLEXREGION);
    FillRect(DC, Rect(0, 0, 100, 100), red);
    EXPECT_EQ(Px(2, 2), Red);
    EXPECT_EQ(ExtSelectClipRgn(DC, nullptr, RGN_AND), ERROR);
    EXPECT_EQ(ExtSelectClipRgn(DC, extra, RGN_COPY), SIMPLEREGION);
    EXPECT_EQ(OffsetClipRgn(DC, 10, 0), SIMPLEREGION);
    TRect box;
    GetClipBox(DC, &box);
    EXPECT_EQ(box, Rect(10, 0, 15, 5));
    // Excluding everything leaves nothing to draw on.
    EXPECT_EQ(ExcludeClipRect(DC, 0, 0, 100, 100), NULLREGION);
    EXPECT_EQ(GetClipBox(DC, &box), NULLREGION);
    Clear(White);
    FillRect(DC, Rect(0, 0, 100, 100), red);
    EXPECT_EQ(Count(Red), 0);
    DeleteObject(red);
}

TEST_F(GdiRegions, ClipIsInDeviceUnitsAndSavedWithTheDC) {
    SetViewportOrgEx(DC, 10, 10, nullptr);
    IntersectClipRect(DC, 0, 0, 20, 20);  // logical: device (10,10)-(30,30)
    TRect box;
    GetClipBox(DC, &box);
    EXPECT_EQ(box, Rect(0, 0, 20, 20));
    const int level = SaveDC(DC);
    SetViewportOrgEx(DC, 0, 0, nullptr);  // the clip stays where it was on the device
    GetClipBox(DC, &box);
    EXPECT_EQ(box, Rect(10, 10, 30, 30));
    IntersectClipRect(DC, 0, 0, 15, 15);
    GetClipBox(DC, &box);
    EXPECT_EQ(box, Rect(10, 10, 15, 15));
    EXPECT_TRUE(RestoreDC(DC, level));
    GetClipBox(DC, &box);
    EXPECT_EQ(box, Rect(0, 0, 20, 20));
}

// A surface DC over a part of a bigger surface, as a window manager makes
// for a child window: drawing stays inside the part.
TEST(GdiSurfaceDC, DrawsOnlyIntoItsView) {
    TPixelView whole;
    HBITMAP bm = CreateSurfaceBitmap(60, 40, &whole);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) whole.Row(y)[x] = PixelFromColorRef(White);
    TPixelView part{whole.Row(10) + 20, 30, 15, whole.Stride};
    HDC dc = CreateSurfaceDC(part, Point(20, 10));
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), OBJ_DC);
    TPoint org;
    EXPECT_TRUE(GetDCOrgEx(dc, &org));
    EXPECT_EQ(org, Point(20, 10));
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 30);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 15);
    HBRUSH red = CreateSolidBrush(Red);
    FillRect(dc, Rect(-100, -100, 100, 100), red);
    int reds = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const bool in = x >= 20 && x < 50 && y >= 10 && y < 25;
            reds += ColorRefFromPixel(whole.Row(y)[x]) == Red;
            ASSERT_EQ(ColorRefFromPixel(whole.Row(y)[x]) == Red, in) << x << "," << y;
        }
    EXPECT_EQ(reds, 30 * 15);
    // A visible region (overlapping windows) limits it further.
    TRgn vis(CreateRectRgn(0, 0, 10, 15));
    EXPECT_TRUE(SetDCVisibleRegion(dc, vis));
    PatBlt(dc, 0, 0, 30, 15, BLACKNESS);
    EXPECT_EQ(ColorRefFromPixel(whole.Row(12)[25]), Black);
    EXPECT_EQ(ColorRefFromPixel(whole.Row(12)[35]), Red);
    EXPECT_FALSE(SelectObject(dc, bm));  // no bitmaps in a surface DC
    EXPECT_TRUE(SetSurfaceDCView(dc, TPixelView{whole.Bits, 60, 40, 60}, Point(0, 0)));
    EXPECT_TRUE(SetDCVisibleRegion(dc, nullptr));
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 60);
    EXPECT_EQ(CreateSurfaceDC(TPixelView{nullptr, 5, 5, 5}), nullptr);
    EXPECT_EQ(CreateSurfaceDC(TPixelView{whole.Bits, 5, 5, 4}), nullptr);
    DeleteDC(dc);
    DeleteObject(red);
    DeleteObject(bm);
}
