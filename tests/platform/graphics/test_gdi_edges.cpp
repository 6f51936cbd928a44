// DrawEdge and DrawFrameControl: the colours of the classic 3D look.
#include "SysColors.h"
#include "test_gdi_support.h"

using namespace gditest;

namespace {

class GdiEdges : public TCanvasTest {};

}  // namespace

// Outer ring at the rectangle's edge, inner ring one pixel in; the
// bottom-right colour owns the top-right and bottom-left corners.
TEST_F(GdiEdges, EdgeColours) {
    struct TCase {
        unsigned Edge, Flags;
        int OuterLT, OuterRB, InnerLT, InnerRB;
    };
    const TCase cases[] = {
        {EDGE_RAISED, 0, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW},
        {EDGE_SUNKEN, 0, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
        {EDGE_ETCHED, 0, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW},
        {EDGE_BUMP, 0, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
        {EDGE_RAISED, BF_SOFT, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT, COLOR_BTNSHADOW},
        {EDGE_SUNKEN, BF_SOFT, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_3DLIGHT},
        {EDGE_SUNKEN, BF_FLAT, COLOR_BTNSHADOW, COLOR_BTNSHADOW, COLOR_BTNFACE, COLOR_BTNFACE},
        {EDGE_SUNKEN, BF_MONO, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME, COLOR_WINDOW, COLOR_WINDOW},
    };
    // Distinct colours so that every check tells the elements apart.
    const int el[] = {COLOR_3DLIGHT, COLOR_BTNFACE, COLOR_WINDOW, COLOR_WINDOWFRAME};
    const COLORREF cols[] = {RGB(223, 223, 223), RGB(190, 191, 192), RGB(250, 250, 240), RGB(10, 10, 10)};
    ASSERT_TRUE(SetSysColors(4, el, cols));
    for (const TCase& c : cases) {
        Clear(RGB(1, 2, 3));
        TRect r = Rect(10, 10, 40, 30);
        ASSERT_TRUE(DrawEdge(DC, &r, c.Edge, BF_RECT | c.Flags));
        SCOPED_TRACE(testing::Message() << "edge " << c.Edge << " flags " << c.Flags);
        EXPECT_EQ(Px(10, 10), GetSysColor(c.OuterLT));
        EXPECT_EQ(Px(38, 10), GetSysColor(c.OuterLT));
        EXPECT_EQ(Px(10, 28), GetSysColor(c.OuterLT));
        EXPECT_EQ(Px(39, 10), GetSysColor(c.OuterRB));  // top-right corner
        EXPECT_EQ(Px(10, 29), GetSysColor(c.OuterRB));  // bottom-left corner
        EXPECT_EQ(Px(39, 29), GetSysColor(c.OuterRB));
        EXPECT_EQ(Px(11, 11), GetSysColor(c.InnerLT));
        EXPECT_EQ(Px(37, 11), GetSysColor(c.InnerLT));
        EXPECT_EQ(Px(38, 11), GetSysColor(c.InnerRB));
        EXPECT_EQ(Px(38, 28), GetSysColor(c.InnerRB));
        EXPECT_EQ(Px(20, 20), RGB(1, 2, 3));  // no BF_MIDDLE
        EXPECT_EQ(Px(40, 20), RGB(1, 2, 3));  // right edge excluded
        EXPECT_EQ(Px(20, 30), RGB(1, 2, 3));
        EXPECT_EQ(r, Rect(10, 10, 40, 30));  // no BF_ADJUST
    }
    ResetSysColors();
}

TEST_F(GdiEdges, MiddleAdjustAndPartialSides) {
    TRect r = Rect(10, 10, 40, 30);
    DrawEdge(DC, &r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_ADJUST);
    EXPECT_EQ(r, Rect(12, 12, 38, 28));
    EXPECT_EQ(Px(20, 20), GetSysColor(COLOR_BTNFACE));
    Clear(White);
    r = Rect(10, 10, 40, 30);
    DrawEdge(DC, &r, BDR_RAISEDINNER, BF_BOTTOM | BF_ADJUST);
    EXPECT_EQ(r, Rect(10, 10, 40, 29));
    EXPECT_EQ(Px(10, 29), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Px(39, 29), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Px(10, 10), White);
    EXPECT_EQ(Px(39, 20), White);
    // Logical coordinates.
    Clear(White);
    SetViewportOrgEx(DC, 50, 50, nullptr);
    r = Rect(0, 0, 10, 10);
    DrawEdge(DC, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    EXPECT_EQ(r, Rect(1, 1, 9, 9));
    EXPECT_EQ(Px(50, 50), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Px(59, 59), GetSysColor(COLOR_BTNHIGHLIGHT));
}

TEST_F(GdiEdges, PushButtons) {
    TRect r = Rect(0, 0, 40, 20);
    ASSERT_TRUE(DrawFrameControl(DC, &r, DFC_BUTTON, DFCS_BUTTONPUSH));
    EXPECT_EQ(Px(0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(Px(39, 19), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(Px(38, 18), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Px(20, 10), GetSysColor(COLOR_BTNFACE));
    Clear(White);
    DrawFrameControl(DC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED);
    EXPECT_EQ(Px(0, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Px(1, 1), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(Px(39, 19), GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawFrameControl(DC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_CHECKED);
    int hi = 0;
    for (int x = 2; x < 38; ++x) hi += Px(x, 10) == GetSysColor(COLOR_BTNHIGHLIGHT);
    EXPECT_EQ(hi, 18);  // every other pixel
    TRect adj = r;
    DrawFrameControl(DC, &adj, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
    EXPECT_EQ(adj, Rect(2, 2, 38, 18));
}

TEST_F(GdiEdges, CheckBoxesAndRadioButtons) {
    auto count = [&](COLORREF C, int X0, int Y0, int N) {
        int n = 0;
        for (int y = Y0; y < Y0 + N; ++y)
            for (int x = X0; x < X0 + N; ++x) n += Px(x, y) == C;
        return n;
    };
    TRect r = Bounds(10, 10, 13, 13);
    DrawFrameControl(DC, &r, DFC_BUTTON, DFCS_BUTTONCHECK);
    EXPECT_EQ(Px(10, 10), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Px(11, 11), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(Px(13, 13), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(count(Black, 12, 12, 9), 0);
    DrawFrameControl(DC, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    EXPECT_GT(count(GetSysColor(COLOR_WINDOWTEXT), 12, 12, 9), 10);
    Clear(White);
    DrawFrameControl(DC, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE);
    EXPECT_EQ(Px(13, 13), GetSysColor(COLOR_BTNFACE));
    EXPECT_GT(count(GetSysColor(COLOR_BTNSHADOW), 12, 12, 9), 10);

    Clear(White);
    r = Bounds(50, 10, 12, 12);
    DrawFrameControl(DC, &r, DFC_BUTTON, DFCS_BUTTONRADIO);
    EXPECT_EQ(Px(50, 10), White);  // round: the corner stays
    EXPECT_EQ(Px(55, 10), GetSysColor(COLOR_BTNSHADOW));   // top of the outer ring
    EXPECT_EQ(Px(55, 21), GetSysColor(COLOR_BTNHIGHLIGHT));  // bottom of it
    EXPECT_EQ(Px(55, 16), GetSysColor(COLOR_WINDOW));
    DrawFrameControl(DC, &r, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
    EXPECT_EQ(Px(55, 15), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(Px(56, 16), GetSysColor(COLOR_WINDOWTEXT));
}

TEST_F(GdiEdges, ScrollArrowsAndCaptionButtons) {
    const unsigned arrows[] = {DFCS_SCROLLUP, DFCS_SCROLLDOWN, DFCS_SCROLLLEFT, DFCS_SCROLLRIGHT, DFCS_SCROLLCOMBOBOX};
    for (unsigned a : arrows) {
        Clear(White);
        TRect r = Bounds(10, 10, 16, 16);
        ASSERT_TRUE(DrawFrameControl(DC, &r, DFC_SCROLL, a));
        int black = 0;
        for (int y = 12; y < 24; ++y)
            for (int x = 12; x < 24; ++x) black += Px(x, y) == GetSysColor(COLOR_BTNTEXT);
        EXPECT_EQ(black, 16) << a;  // a 7-wide, 4-high triangle
        EXPECT_EQ(Px(10, 10), GetSysColor(COLOR_3DLIGHT));
        EXPECT_EQ(Px(25, 25), GetSysColor(COLOR_3DDKSHADOW));
    }
    // Up points up: its widest row is the lowest.
    Clear(White);
    TRect r = Bounds(10, 10, 16, 16);
    DrawFrameControl(DC, &r, DFC_SCROLL, DFCS_SCROLLUP);
    int top = -1, bottom = -1;
    for (int y = 12; y < 24; ++y)
        for (int x = 12; x < 24; ++x)
            if (Px(x, y) == Black) {
                if (top < 0) top = y;
                bottom = y;
            }
    int topWidth = 0, bottomWidth = 0;
    for (int x = 12; x < 24; ++x) {
        topWidth += Px(x, top) == Black;
        bottomWidth += Px(x, bottom) == Black;
    }
    EXPECT_EQ(topWidth, 1);
    EXPECT_EQ(bottomWidth, 7);
    // Inactive arrows are embossed: shadow and highlight, no text colour.
    Clear(White);
    DrawFrameControl(DC, &r, DFC_SCROLL, DFCS_SCROLLUP | DFCS_INACTIVE);
    int text = 0, shadow = 0, light = 0;
    for (int y = 12; y < 24; ++y)
        for (int x = 12; x < 24; ++x) {
            text += Px(x, y) == GetSysColor(COLOR_BTNTEXT);
            shadow += Px(x, y) == GetSysColor(COLOR_BTNSHADOW);
            light += Px(x, y) == GetSysColor(COLOR_BTNHIGHLIGHT);
        }
    EXPECT_EQ(text, 0);
    EXPECT_GT(shadow, 10);
    EXPECT_GT(light, 3);
    const unsigned captions[] = {DFCS_CAPTIONCLOSE, DFCS_CAPTIONMIN, DFCS_CAPTIONMAX, DFCS_CAPTIONRESTORE,
                                 DFCS_CAPTIONHELP};
    for (unsigned c : captions) {
        Clear(White);
        TRect b = Bounds(10, 10, 16, 14);
        ASSERT_TRUE(DrawFrameControl(DC, &b, DFC_CAPTION, c));
        int glyph = 0;
        for (int y = 12; y < 22; ++y)
            for (int x = 12; x < 24; ++x) glyph += Px(x, y) == GetSysColor(COLOR_BTNTEXT);
        EXPECT_GT(glyph, 6) << c;
    }
    TRect b = Bounds(0, 0, 16, 14);
    EXPECT_FALSE(DrawFrameControl(DC, &b, DFC_CAPTION, 9));
    EXPECT_FALSE(DrawFrameControl(DC, &b, DFC_SCROLL, 7));
    EXPECT_FALSE(DrawFrameControl(DC, &b, DFC_MENU, 0));
}
