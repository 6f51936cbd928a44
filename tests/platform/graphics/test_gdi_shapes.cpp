// Filled shapes: right/bottom exclusion, symmetry and bounds, arc
// direction, pies and chords, polygon fill modes, wide and inside-frame
// pens, brushes and hatches, rectangle fills, focus rectangles, flood fill.
#include <climits>
#include <cmath>

#include "test_gdi_support.h"

using namespace gditest;

namespace {

class GdiShapes : public TCanvasTest {};

}  // namespace

TEST_F(GdiShapes, RectangleExcludesRightAndBottom) {
    UseSolidBrush(Red);
    ASSERT_TRUE(Rectangle(DC, 10, 10, 20, 15));
    EXPECT_EQ(BoundsNot(White), Rect(10, 10, 20, 15));
    for (int x = 10; x < 20; ++x) {
        EXPECT_EQ(Px(x, 10), Black);
        EXPECT_EQ(Px(x, 14), Black);
    }
    for (int y = 11; y < 14; ++y) {
        EXPECT_EQ(Px(10, y), Black);
        EXPECT_EQ(Px(19, y), Black);
        for (int x = 11; x < 19; ++x) EXPECT_EQ(Px(x, y), Red);
    }
    // Reversed corners give the same rectangle.
    Clear(White);
    Rectangle(DC, 20, 15, 10, 10);
    EXPECT_EQ(BoundsNot(White), Rect(10, 10, 20, 15));
}

TEST_F(GdiShapes, NullPenFillsOnePixelLess) {
    NoPen();
    UseSolidBrush(Red);
    Rectangle(DC, 10, 10, 20, 15);
    EXPECT_EQ(BoundsNot(White), Rect(10, 10, 19, 14));
    Clear(White);
    Ellipse(DC, 10, 10, 30, 30);
    EXPECT_EQ(BoundsNot(White), Rect(10, 10, 29, 29));
    // A null brush leaves the inside alone.
    Clear(White);
    SelectObject(DC, GetStockObject(BLACK_PEN));
    NoBrush();
    Rectangle(DC, 10, 10, 20, 20);
    EXPECT_EQ(Px(15, 15), White);
    EXPECT_EQ(Count(Black), 36);
}

TEST_F(GdiShapes, FiguresInXorModeDrawnTwiceRestore) {
    Scramble();
    const auto before = Snapshot();
    SetROP2(DC, R2_XORPEN);
    UsePen(PS_SOLID, 1, RGB(0x3C, 0x5A, 0xA5));
    UseSolidBrush(RGB(0x81, 0x42, 0x18));
    SetBkMode(DC, OPAQUE);
    for (int pass = 0; pass < 2; ++pass) {
        Rectangle(DC, 5, 5, 50, 40);
        Ellipse(DC, 30, 20, 95, 90);
        RoundRect(DC, 10, 50, 60, 95, 20, 15);
        Pie(DC, 40, 5, 95, 60, 95, 30, 40, 5);
        Chord(DC, 5, 40, 60, 95, 5, 60, 60, 90);
        const TPoint star[] = {{50, 5}, {80, 95}, {5, 35}, {95, 35}, {20, 95}};
        Polygon(DC, star, 5);
    }
    EXPECT_EQ(Snapshot(), before);
    // Styled outlines with an opaque background, and wide outlines, too.
    UsePen(PS_DASHDOT, 1, RGB(0x3C, 0x5A, 0xA5));
    for (int pass = 0; pass < 2; ++pass) {
        Ellipse(DC, 10, 10, 90, 80);
        Rectangle(DC, 20, 20, 70, 90);
        Arc(DC, 5, 5, 95, 95, 95, 50, 50, 95);
    }
    EXPECT_EQ(Snapshot(), before);
    UsePen(PS_SOLID, 6, RGB(0x3C, 0x5A, 0xA5));
    for (int pass = 0; pass < 2; ++pass) {
        Ellipse(DC, 10, 10, 90, 80);
        Pie(DC, 20, 20, 80, 80, 80, 50, 50, 20);
    }
    EXPECT_EQ(Snapshot(), before);
}

// Ellipses are inscribed in their box (right and bottom excluded) and
// symmetric about both axes.
TEST_F(GdiShapes, EllipseBoundsAndSymmetry) {
    const TRect boxes[] = {Rect(10, 10, 11, 11), Rect(10, 10, 12, 12), Rect(10, 10, 13, 13), Rect(10, 10, 14, 20),
                           Rect(10, 10, 20, 20), Rect(10, 10, 21, 20), Rect(5, 20, 95, 45),  Rect(3, 3, 97, 97),
                           Rect(40, 2, 47, 98)};
    UseSolidBrush(Red);
    for (const TRect& b : boxes) {
        Clear(White);
        Ellipse(DC, b.Left, b.Top, b.Right, b.Bottom);
        SCOPED_TRACE(testing::Message() << b.Left << "," << b.Top << "," << b.Right << "," << b.Bottom);
        EXPECT_EQ(BoundsNot(White), b);
        for (int y = b.Top; y < b.Bottom; ++y)
            for (int x = b.Left; x < b.Right; ++x) {
                const int mx = b.Left + b.Right - 1 - x, my = b.Top + b.Bottom - 1 - y;
                ASSERT_EQ(Px(x, y), Px(mx, y)) << x << "," << y;
                ASSERT_EQ(Px(x, y), Px(x, my)) << x << "," << y;
            }
        // The outline is closed: the brush never touches the outside.
        for (int y = b.Top; y < b.Bottom; ++y) {
            int x = b.Left;
            while (x < b.Right && Px(x, y) == White) ++x;
            if (x < b.Right) {
                EXPECT_EQ(Px(x, y), Black) << "row " << y;
            }
        }
    }
    // A circle's outline ring: pixel centres near the radius.
    Clear(White);
    NoBrush();
    Ellipse(DC, 0, 0, 81, 81);  // centre (40, 40), radius 40
    for (int y = 0; y < 81; ++y)
        for (int x = 0; x < 81; ++x)
            if (Px(x, y) == Black) {
                const double d = std::hypot(x - 40.0, y - 40.0);
                EXPECT_NEAR(d, 40.0, 1.0) << x << "," << y;
            }
}

TEST_F(GdiShapes, EllipseFillAndOutlinePartitionTheFigure) {
    UseSolidBrush(Red);
    Ellipse(DC, 10, 10, 70, 50);
    const int black = Count(Black), red = Count(Red);
    Clear(White);
    NoPen();
    UseSolidBrush(Blue);
    // The same figure painted as a region covers outline and interior.
    HRGN r = CreateEllipticRgn(10, 10, 70, 50);
    HBRUSH b = CreateSolidBrush(Blue);
    FillRgn(DC, r, b);
    EXPECT_EQ(Count(Blue), black + red);
    DeleteObject(b);
    DeleteObject(r);
}

// Arcs run from the radial through the start point to the radial through
// the end point, counter-clockwise unless AD_CLOCKWISE.
TEST_F(GdiShapes, ArcDirection) {
    struct TCase {
        int Direction;
        bool UpperRight, UpperLeft, LowerLeft, LowerRight;
    };
    const TCase cases[] = {{AD_COUNTERCLOCKWISE, true, false, false, false}, {AD_CLOCKWISE, false, true, true, true}};
    for (const TCase& c : cases) {
        Clear(White);
        EXPECT_GT(SetArcDirection(DC, c.Direction), 0);
        EXPECT_EQ(GetArcDirection(DC), c.Direction);
        // Start due east, end due north.
        Arc(DC, 10, 10, 91, 91, 90, 50, 50, 10);
        auto any = [&](int x0, int y0, int x1, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    if (Px(x, y) == Black) return true;
            return false;
        };
        SCOPED_TRACE(c.Direction);
        // Quadrants, leaving out a band along the axes.
        EXPECT_EQ(any(53, 0, 100, 47), c.UpperRight);
        EXPECT_EQ(any(0, 0, 47, 47), c.UpperLeft);
        EXPECT_EQ(any(0, 53, 47, 100), c.LowerLeft);
        EXPECT_EQ(any(53, 53, 100, 100), c.LowerRight);
        // The end points lie on the ellipse: (90, 50) and (50, 10).
        EXPECT_EQ(Px(90, 50), Black);
        EXPECT_EQ(Px(50, 10), Black);
    }
    EXPECT_EQ(SetArcDirection(DC, 3), 0);
}

TEST_F(GdiShapes, FullArcWhenStartAndEndCoincide) {
    NoBrush();
    Ellipse(DC, 10, 10, 60, 40);
    const auto full = Snapshot();
    Clear(White);
    Arc(DC, 10, 10, 60, 40, 80, 25, 80, 25);
    EXPECT_EQ(Snapshot(), full);
}

TEST_F(GdiShapes, PieAndChord) {
    UseSolidBrush(Red);
    // The upper-right quarter.
    Pie(DC, 10, 10, 91, 91, 90, 50, 50, 10);
    EXPECT_EQ(Px(70, 30), Red);      // inside the sector
    EXPECT_EQ(Px(30, 70), White);    // inside the ellipse, outside the sector
    EXPECT_EQ(Px(50, 50), Black);    // the centre: both radials
    EXPECT_EQ(Px(70, 50), Black);    // on the east radial
    EXPECT_EQ(Px(50, 30), Black);    // on the north radial
    EXPECT_EQ(Px(30, 30), White);
    Clear(White);
    // A chord cutting off the part above the line from west to east: the
    // counter-clockwise arc from east to west is the upper half.
    Chord(DC, 10, 10, 91, 91, 90, 50, 10, 50);
    EXPECT_EQ(Px(50, 30), Red);
    EXPECT_EQ(Px(50, 70), White);
    EXPECT_EQ(Px(50, 50), Black);  // on the chord
    EXPECT_EQ(Px(30, 50), Black);
    SetArcDirection(DC, AD_CLOCKWISE);
    Clear(White);
    Chord(DC, 10, 10, 91, 91, 90, 50, 10, 50);
    EXPECT_EQ(Px(50, 70), Red);
    EXPECT_EQ(Px(50, 30), White);
}

TEST_F(GdiShapes, PolygonFillModesOnAPentagram) {
    const TPoint star[] = {{50, 5}, {78, 92}, {5, 37}, {95, 37}, {22, 92}};
    NoPen();
    UseSolidBrush(Red);
    EXPECT_EQ(GetPolyFillMode(DC), ALTERNATE);
    Polygon(DC, star, 5);
    EXPECT_EQ(Px(50, 55), White);  // the centre pentagon
    EXPECT_EQ(Px(50, 20), Red);    // a point of the star
    EXPECT_EQ(Px(20, 40), Red);
    Clear(White);
    EXPECT_EQ(SetPolyFillMode(DC, WINDING), ALTERNATE);
    Polygon(DC, star, 5);
    EXPECT_EQ(Px(50, 55), Red);
    EXPECT_EQ(Px(50, 20), Red);
    EXPECT_EQ(Px(5, 90), White);
    EXPECT_EQ(SetPolyFillMode(DC, 0), 0);
}

TEST_F(GdiShapes, PolygonExcludesRightAndBottomEdges) {
    NoPen();
    UseSolidBrush(Red);
    const TPoint sq[] = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
    Polygon(DC, sq, 4);
    EXPECT_EQ(BoundsNot(White), Rect(10, 10, 20, 20));
    EXPECT_EQ(Count(Red), 100);
    // Two triangles sharing an edge tile without overlap or gap.
    const TPoint a[] = {{10, 10}, {40, 10}, {25, 40}};
    const TPoint b[] = {{40, 10}, {55, 40}, {25, 40}};
    const COLORREF cyan = RGB(0, 255, 255);
    SetROP2(DC, R2_XORPEN);
    Clear(White);
    Polygon(DC, a, 3);
    const int na = Count(cyan);
    Clear(White);
    Polygon(DC, b, 3);
    const int nb = Count(cyan);
    Clear(White);
    Polygon(DC, a, 3);
    Polygon(DC, b, 3);
    EXPECT_EQ(Count(cyan), na + nb);
    EXPECT_EQ(Count(White), W() * H() - na - nb);
    // With a pen, the outline covers the vertices.
    Clear(White);
    SetROP2(DC, R2_COPYPEN);
    SelectObject(DC, GetStockObject(BLACK_PEN));
    Polygon(DC, sq, 4);
    EXPECT_EQ(Px(20, 20), Black);
    EXPECT_EQ(Px(15, 15), Red);
    EXPECT_EQ(BoundsNot(White), Rect(10, 10, 21, 21));
}

TEST_F(GdiShapes, PolyPolygonHoles) {
    NoPen();
    UseSolidBrush(Red);
    const TPoint pts[] = {{10, 10}, {90, 10}, {90, 90}, {10, 90}, {30, 30}, {70, 30}, {70, 70}, {30, 70}};
    const int counts[] = {4, 4};
    PolyPolygon(DC, pts, counts, 2);
    EXPECT_EQ(Px(20, 20), Red);
    EXPECT_EQ(Px(50, 50), White);  // ALTERNATE: a hole
    SetPolyFillMode(DC, WINDING);
    PolyPolygon(DC, pts, counts, 2);
    EXPECT_EQ(Px(50, 50), Red);  // same direction: wound twice
    const int bad[] = {4, 1};
    EXPECT_FALSE(PolyPolygon(DC, pts, bad, 2));
}

// PS_INSIDEFRAME draws the wide frame inside the box; a plain wide pen is
// centred on the path through the outermost pixels.
TEST_F(GdiShapes, WideAndInsideFramePens) {
    for (int w = 2; w <= 9; ++w) {
        Clear(White);
        UsePen(PS_INSIDEFRAME, w, Black);
        NoBrush();
        Rectangle(DC, 20, 20, 80, 70);
        EXPECT_EQ(BoundsNot(White), Rect(20, 20, 80, 70)) << w;
        EXPECT_EQ(Px(50, 20 + w - 1), Black) << w;  // the frame is w thick
        EXPECT_EQ(Px(50, 20 + w), White) << w;
        Clear(White);
        Ellipse(DC, 20, 20, 80, 70);
        const TRect e = BoundsNot(White);  // within the box, touching it where the path allows
        EXPECT_TRUE(e.Left >= 20 && e.Top >= 20 && e.Right <= 80 && e.Bottom <= 70 && e.Left <= 21 && e.Right >= 79) << w;
        if (w % 2 == 1) {  // an even width moves the path by half a pixel
            Clear(White);
            Ellipse(DC, 20, 20, 81, 71);
            EXPECT_EQ(BoundsNot(White), Rect(20, 20, 81, 71)) << w;
        }
        Clear(White);
        UsePen(PS_SOLID, w, Black);
        Rectangle(DC, 20, 20, 80, 70);
        EXPECT_EQ(BoundsNot(White), Rect(20 - w / 2, 20 - w / 2, 80 + (w - 1) / 2, 70 + (w - 1) / 2)) << w;
        // An odd-sized ellipse has its axis ends on pixel centres.
        Clear(White);
        Ellipse(DC, 20, 20, 81, 71);
        EXPECT_EQ(BoundsNot(White), Rect(20 - w / 2, 20 - w / 2, 81 + (w - 1) / 2, 71 + (w - 1) / 2)) << w;
    }
}

TEST_F(GdiShapes, RoundRectCornersAndBounds) {
    UseSolidBrush(Red);
    RoundRect(DC, 10, 10, 90, 60, 30, 20);
    EXPECT_EQ(BoundsNot(White), Rect(10, 10, 90, 60));
    EXPECT_EQ(Px(10, 10), White);
    EXPECT_EQ(Px(89, 59), White);
    EXPECT_EQ(Px(50, 10), Black);
    EXPECT_EQ(Px(10, 35), Black);
    EXPECT_EQ(Px(50, 35), Red);
    // Corners larger than the box are limited to it, whatever their sign.
    Clear(White);
    RoundRect(DC, 10, 10, 90, 60, INT32_MIN, INT32_MAX);
    EXPECT_EQ(BoundsNot(White), Rect(10, 10, 90, 60));
    HRGN r = CreateRoundRectRgn(10, 10, 90, 60, INT32_MIN, -5);
    EXPECT_TRUE(PtInRegion(r, 50, 35));
    DeleteObject(r);
    // Zero-sized corners give a plain rectangle.
    Clear(White);
    RoundRect(DC, 10, 10, 90, 60, 0, 0);
    EXPECT_EQ(Px(10, 10), Black);
    EXPECT_EQ(Px(89, 59), Black);
}

TEST_F(GdiShapes, HatchBrushesFollowBackgroundModeAndOrigin) {
    HBRUSH h = CreateHatchBrush(HS_HORIZONTAL, Blue);
    SetBkColor(DC, RGB(255, 255, 0));
    SetBkMode(DC, OPAQUE);
    FillRect(DC, Rect(0, 0, 16, 16), h);
    int lines = 0;
    for (int y = 0; y < 16; ++y) {
        const bool line = Px(0, y) == Blue;
        lines += line;
        for (int x = 0; x < 16; ++x) ASSERT_EQ(Px(x, y), line ? Blue : RGB(255, 255, 0));
        EXPECT_EQ(Px(3, y), Px(3, (y + 8) % 16));  // period 8
    }
    EXPECT_EQ(lines, 2);
    SetBkMode(DC, TRANSPARENT);
    FillRect(DC, Rect(20, 0, 36, 16), h);
    for (int y = 0; y < 16; ++y) EXPECT_EQ(Px(25, y), Px(0, y) == Blue ? Blue : White);
    // The brush origin shifts the pattern.
    int first = -1;
    for (int y = 0; y < 8 && first < 0; ++y)
        if (Px(0, y) == Blue) first = y;
    SetBrushOrgEx(DC, 0, 3, nullptr);
    FillRect(DC, Rect(40, 0, 56, 16), h);
    EXPECT_EQ(Px(45, (first + 3) % 8), Blue);
    DeleteObject(h);

    const int hatches[] = {HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
    for (int hs : hatches) {
        Clear(White);
        SetBrushOrgEx(DC, 0, 0, nullptr);
        HBRUSH b = CreateHatchBrush(hs, Blue);
        FillRect(DC, Rect(0, 0, 32, 32), b);
        DeleteObject(b);
        int n = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                n += Px(x, y) == Blue;
                ASSERT_EQ(Px(x, y), Px(x + 8, y + 16));
            }
        EXPECT_EQ(n, hs == HS_CROSS ? 15 : hs == HS_DIAGCROSS ? 16 : 8) << hs;
        if (hs == HS_FDIAGONAL) {
            EXPECT_EQ(Px(1, 1) == Blue, Px(2, 2) == Blue);  // top-left to bottom-right
        }
        if (hs == HS_BDIAGONAL) {
            EXPECT_EQ(Px(1, 6) == Blue, Px(2, 5) == Blue);  // bottom-left to top-right
        }
    }
    EXPECT_EQ(CreateHatchBrush(6, Blue), nullptr);
}

TEST_F(GdiShapes, PatternBrushes) {
    // A monochrome pattern: 0 bits in the text colour, 1 bits in the background.
    const uint8_t bits[16] = {0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0};
    HBITMAP mono = CreateBitmap(8, 8, 1, 1, bits);
    HBRUSH b = CreatePatternBrush(mono);
    SetTextColor(DC, Red);
    SetBkColor(DC, Blue);
    FillRect(DC, Rect(0, 0, 16, 8), b);
    EXPECT_EQ(Px(0, 0), Blue);
    EXPECT_EQ(Px(4, 0), Red);
    EXPECT_EQ(Px(8, 3), Blue);
    EXPECT_EQ(Px(15, 7), Red);
    DeleteObject(b);
    DeleteObject(mono);
    // A colour pattern from a 2 x 2 bitmap repeats.
    TPixelView v;
    HBITMAP colour = CreateSurfaceBitmap(2, 2, &v);
    v.Row(0)[0] = PixelFromColorRef(Red);
    v.Row(0)[1] = PixelFromColorRef(Blue);
    v.Row(1)[0] = PixelFromColorRef(Black);
    v.Row(1)[1] = PixelFromColorRef(White);
    b = CreatePatternBrush(colour);
    FillRect(DC, Rect(20, 20, 30, 30), b);
    EXPECT_EQ(Px(20, 20), Red);
    EXPECT_EQ(Px(21, 20), Blue);
    EXPECT_EQ(Px(22, 21), Black);
    EXPECT_EQ(Px(23, 23), White);
    LOGBRUSH lb;
    ASSERT_TRUE(GetObject(b, &lb));
    EXPECT_EQ(lb.lbStyle, BS_PATTERN);
    DeleteObject(b);
    DeleteObject(colour);
}

TEST_F(GdiShapes, FillFrameInvertRect) {
    HBRUSH red = CreateSolidBrush(Red);
    SetROP2(DC, R2_XORPEN);  // FillRect copies whatever the mode
    EXPECT_EQ(FillRect(DC, Rect(10, 10, 20, 20), red), 1);
    EXPECT_EQ(BoundsNot(White), Rect(10, 10, 20, 20));
    EXPECT_EQ(Count(Red), 100);
    EXPECT_EQ(FillRect(DC, Rect(30, 30, 20, 40), red), 1);  // an empty rectangle fills nothing
    EXPECT_EQ(Count(Red), 100);
    Clear(White);
    EXPECT_EQ(FrameRect(DC, Rect(10, 10, 20, 20), red), 1);
    EXPECT_EQ(Count(Red), 36);
    EXPECT_EQ(Px(15, 15), White);
    EXPECT_TRUE(InvertRect(DC, Rect(0, 0, 15, 15)));
    EXPECT_EQ(Px(0, 0), Black);
    EXPECT_EQ(Px(10, 10), RGB(0, 255, 255));
    DeleteObject(red);
}

TEST_F(GdiShapes, FocusRectIsDottedAndDrawingItTwiceRestores) {
    Scramble();
    const auto before = Snapshot();
    const TRect r = Rect(10, 10, 40, 30);
    DrawFocusRect(DC, r);
    int changed = 0, frame = 0;
    const auto after = Snapshot();
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) {
            const bool onFrame = y == r.Top || y == r.Bottom - 1 || x == r.Left || x == r.Right - 1;
            const size_t i = size_t(y) * W() + x;
            if (!onFrame) {
                ASSERT_EQ(after[i], before[i]);
                continue;
            }
            ++frame;
            if (after[i] != before[i]) {
                ++changed;
                EXPECT_EQ(after[i] & 0xFFFFFF, ~before[i] & 0xFFFFFF);  // inverted
                EXPECT_EQ((x + y) % 2, 0);                          // every other pixel
            }
        }
    EXPECT_EQ(changed, frame / 2);
    DrawFocusRect(DC, r);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(GdiShapes, FloodFill) {
    NoBrush();
    Ellipse(DC, 10, 10, 60, 60);
    UseSolidBrush(Red);
    EXPECT_TRUE(FloodFill(DC, 35, 35, Black));
    EXPECT_EQ(Px(35, 35), Red);
    EXPECT_EQ(Px(80, 80), White);
    EXPECT_EQ(Px(10, 35), Black);
    // Surface mode: fill the white around the ellipse.
    UseSolidBrush(Blue);
    EXPECT_TRUE(ExtFloodFill(DC, 90, 90, White, FLOODFILLSURFACE));
    EXPECT_EQ(Px(0, 0), Blue);
    EXPECT_EQ(Px(35, 35), Red);
    EXPECT_FALSE(ExtFloodFill(DC, 500, 500, White, FLOODFILLSURFACE));
}

TEST_F(GdiShapes, HugeFiguresAreClipped) {
    UseSolidBrush(Red);
    EXPECT_TRUE(Ellipse(DC, -100000000, -100000000, 100000000, 100000050));
    EXPECT_EQ(Px(50, 50), Red);
    Clear(White);
    EXPECT_TRUE(Rectangle(DC, -2000000000, -2000000000, 2000000000, 2000000000));
    EXPECT_EQ(Px(50, 50), Red);
    UsePen(PS_DOT, 1, Black);
    EXPECT_TRUE(Ellipse(DC, -200000000, 10, 200000000, 90));
    const TPoint big[] = {{-2000000000, 0}, {2000000000, 50}, {0, 2000000000}};
    EXPECT_TRUE(Polygon(DC, big, 3));
}

TEST_F(GdiShapes, CoverageMaskBlendsThroughTheClip) {
    const uint8_t mask[4] = {0, 128, 255, 255};
    IntersectClipRect(DC, 0, 0, 13, 100);
    ASSERT_TRUE(DrawCoverageMask(DC, 10, 10, mask, 4, 1, 4, Black, false));
    EXPECT_EQ(Px(10, 10), White);
    EXPECT_EQ(Px(11, 10), RGB(127, 127, 127));
    EXPECT_EQ(Px(12, 10), Black);
    EXPECT_EQ(Px(13, 10), White);  // clipped
    ASSERT_TRUE(DrawCoverageMask(DC, 10, 20, mask, 4, 1, 4, Black, true));
    EXPECT_EQ(Px(11, 20), Black);
    EXPECT_FALSE(DrawCoverageMask(DC, 0, 0, mask, 4, 1, 2, Black, true));
}
