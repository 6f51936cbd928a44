// Blits: the raster operation table, monochrome <-> colour conversion,
// stretching, mirroring, shrink modes, colour keys, masks, overlap, clipping.
#include "test_gdi_support.h"

using namespace gditest;

namespace {

// A second memory DC with a W x H 32-bit or 1-bit bitmap.
struct TSource {
    HDC DC = nullptr;
    HBITMAP Bitmap = nullptr;
    HGDIOBJ Old = nullptr;
    TPixelView V{};
    TSource(int W, int H, bool Mono = false) {
        DC = CreateCompatibleDC(nullptr);
        Bitmap = Mono ? CreateBitmap(W, H, 1, 1, nullptr) : CreateSurfaceBitmap(W, H, nullptr);
        Old = SelectObject(DC, Bitmap);
        GetBitmapView(Bitmap, &V);
    }
    ~TSource() {
        SelectObject(DC, Old);
        DeleteDC(DC);
        DeleteObject(Bitmap);
    }
    void Set(int X, int Y, COLORREF C) { V.Row(Y)[X] = PixelFromColorRef(C); }
    COLORREF At(int X, int Y) const { return ColorRefFromPixel(V.Row(Y)[X]); }
};

class GdiBlit : public TCanvasTest {};

// The result bit of a ternary operation code for pattern, source and
// destination bits, straight from the truth table.
uint32_t TruthTable(uint8_t Code, uint32_t P, uint32_t S, uint32_t D) {
    uint32_t r = 0;
    for (int bit = 0; bit < 24; ++bit) {
        const int idx = int(((P >> bit) & 1) << 2 | ((S >> bit) & 1) << 1 | ((D >> bit) & 1));
        r |= uint32_t((Code >> idx) & 1) << bit;
    }
    return r;
}

}  // namespace

TEST_F(GdiBlit, NamedRasterOperations) {
    const COLORREF p = RGB(0xF0, 0xCC, 0xAA), s = RGB(0x3C, 0x5A, 0x0F), d = RGB(0x66, 0x99, 0x81);
    struct TCase {
        DWORD Rop;
        uint32_t (*Fn)(uint32_t P, uint32_t S, uint32_t D);
    };
    const TCase cases[] = {
        {SRCCOPY, [](uint32_t, uint32_t S, uint32_t) { return S; }},
        {SRCPAINT, [](uint32_t, uint32_t S, uint32_t D) { return S | D; }},
        {SRCAND, [](uint32_t, uint32_t S, uint32_t D) { return S & D; }},
        {SRCINVERT, [](uint32_t, uint32_t S, uint32_t D) { return S ^ D; }},
        {SRCERASE, [](uint32_t, uint32_t S, uint32_t D) { return S & ~D; }},
        {NOTSRCCOPY, [](uint32_t, uint32_t S, uint32_t) { return ~S; }},
        {NOTSRCERASE, [](uint32_t, uint32_t S, uint32_t D) { return ~(S | D); }},
        {MERGECOPY, [](uint32_t P, uint32_t S, uint32_t) { return P & S; }},
        {MERGEPAINT, [](uint32_t, uint32_t S, uint32_t D) { return ~S | D; }},
        {PATCOPY, [](uint32_t P, uint32_t, uint32_t) { return P; }},
        {PATPAINT, [](uint32_t P, uint32_t S, uint32_t D) { return P | ~S | D; }},
        {PATINVERT, [](uint32_t P, uint32_t, uint32_t D) { return P ^ D; }},
        {DSTINVERT, [](uint32_t, uint32_t, uint32_t D) { return ~D; }},
        {BLACKNESS, [](uint32_t, uint32_t, uint32_t) { return 0u; }},
        {WHITENESS, [](uint32_t, uint32_t, uint32_t) { return 0xFFFFFFu; }},
    };
    TSource src(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) src.Set(x, y, s);
    UseSolidBrush(p);
    for (const TCase& c : cases) {
        Clear(d);
        ASSERT_TRUE(BitBlt(DC, 10, 10, 4, 4, src.DC, 0, 0, c.Rop));
        EXPECT_EQ(Px(11, 11), c.Fn(p, s, d) & 0xFFFFFF) << std::hex << c.Rop;
        EXPECT_EQ(Px(14, 11), d);
        EXPECT_EQ(FView.Row(11)[11] >> 24, 0xFFu);
    }
}

// Every one of the 256 codes evaluates its truth table.
TEST_F(GdiBlit, AllTernaryCodes) {
    const COLORREF p = RGB(0xF0, 0xCC, 0xAA), s = RGB(0x3C, 0x5A, 0x0F), d = RGB(0x66, 0x99, 0x81);
    TSource src(2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) src.Set(x, y, s);
    UseSolidBrush(p);
    for (int code = 0; code < 256; ++code) {
        Clear(d);
        ASSERT_TRUE(BitBlt(DC, 0, 0, 2, 2, src.DC, 0, 0, DWORD(code) << 16));
        ASSERT_EQ(Px(1, 1), TruthTable(uint8_t(code), p, s, d)) << "code " << code;
    }
    // PatBlt takes exactly the codes without a source.
    EXPECT_FALSE(PatBlt(DC, 0, 0, 2, 2, SRCCOPY));
    Clear(d);
    EXPECT_TRUE(PatBlt(DC, 0, 0, 2, 2, 0x00A50065));  // PDxn
    EXPECT_EQ(Px(0, 0), TruthTable(0xA5, p, 0, d));
    EXPECT_FALSE(BitBlt(DC, 0, 0, 2, 2, nullptr, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(DC, 0, 0, 2, 2, nullptr, 0, 0, PATCOPY));
}

TEST_F(GdiBlit, MonochromeToColourAndBack) {
    // 0 bits become the destination's text colour, 1 bits its background.
    TSource mono(8, 1, true);
    const uint8_t bits[2] = {0xA5, 0x00};  // 1010 0101
    SetBitmapBits(mono.Bitmap, 2, bits);
    SetTextColor(DC, Red);
    SetBkColor(DC, Blue);
    BitBlt(DC, 0, 0, 8, 1, mono.DC, 0, 0, SRCCOPY);
    const COLORREF want[8] = {Blue, Red, Blue, Red, Red, Blue, Red, Blue};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(Px(x, 0), want[x]) << x;
    // Colour to monochrome: the source DC's background colour becomes 1 (white).
    TSource out(8, 1, true);
    SetBkColor(DC, Red);
    BitBlt(out.DC, 0, 0, 8, 1, DC, 0, 0, SRCCOPY);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(out.At(x, 0), want[x] == Red ? White : Black) << x;
    uint8_t back[2] = {};
    EXPECT_EQ(GetBitmapBits(out.Bitmap, 2, back), 2);
    EXPECT_EQ(back[0], 0x5A);
    // Drawing on a monochrome bitmap maps colours to black or white.
    SelectObject(out.DC, GetStockObject(WHITE_PEN));
    MoveToEx(out.DC, 0, 0, nullptr);
    LineTo(out.DC, 8, 0);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(out.At(x, 0), White);
    EXPECT_EQ(GetDeviceCaps(out.DC, BITSPIXEL), 1);
    EXPECT_EQ(GetDeviceCaps(DC, BITSPIXEL), 32);
}

TEST_F(GdiBlit, StretchAndMirror) {
    TSource src(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) src.Set(x, y, RGB(x * 60, y * 100, 7));
    SetStretchBltMode(DC, COLORONCOLOR);
    ASSERT_TRUE(StretchBlt(DC, 10, 10, 8, 6, src.DC, 0, 0, 4, 2, SRCCOPY));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(Px(10 + x, 10 + y), src.At(x / 2, y / 3)) << x << "," << y;
    EXPECT_EQ(BoundsNot(White), Rect(10, 10, 18, 16));
    // Negative width: the destination runs left from X, mirrored.
    Clear(White);
    ASSERT_TRUE(StretchBlt(DC, 14, 20, -4, 2, src.DC, 0, 0, 4, 2, SRCCOPY));
    EXPECT_EQ(BoundsNot(White), Rect(10, 20, 14, 22));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Px(10 + x, 20), src.At(3 - x, 0)) << x;
    // Negative heights on both sides: no flip.
    Clear(White);
    ASSERT_TRUE(StretchBlt(DC, 10, 32, 4, -2, src.DC, 0, 2, 4, -2, SRCCOPY));
    EXPECT_EQ(Px(10, 30), src.At(0, 0));
    EXPECT_EQ(Px(13, 31), src.At(3, 1));
    // Vertical flip through the source.
    Clear(White);
    ASSERT_TRUE(StretchBlt(DC, 10, 40, 4, 2, src.DC, 0, 2, 4, -2, SRCCOPY));
    EXPECT_EQ(Px(10, 40), src.At(0, 1));
    EXPECT_EQ(Px(10, 41), src.At(0, 0));
}

TEST_F(GdiBlit, ShrinkModes) {
    // One black and one white pixel among grey ones, shrunk 4:1.
    TSource src(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) src.Set(x, y, RGB(128, 128, 128));
    src.Set(3, 3, Black);
    src.Set(0, 3, White);
    struct TCase {
        int Mode;
        COLORREF Want;
    };
    const TCase cases[] = {{BLACKONWHITE, Black}, {WHITEONBLACK, White}, {COLORONCOLOR, RGB(128, 128, 128)}};
    for (const TCase& c : cases) {
        EXPECT_GT(SetStretchBltMode(DC, c.Mode), 0);
        EXPECT_EQ(GetStretchBltMode(DC), c.Mode);
        StretchBlt(DC, 0, 0, 1, 1, src.DC, 0, 0, 4, 4, SRCCOPY);
        EXPECT_EQ(Px(0, 0), c.Want) << c.Mode;
    }
    EXPECT_EQ(SetStretchBltMode(DC, 9), 0);
}

TEST_F(GdiBlit, TransparentBltSkipsTheKeyColour) {
    TSource src(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) src.Set(x, y, (x + y) % 2 ? Blue : Red);
    Clear(Black);
    ASSERT_TRUE(TransparentBlt(DC, 0, 0, 8, 8, src.DC, 0, 0, 4, 4, Blue));
    EXPECT_EQ(Px(0, 0), Red);
    EXPECT_EQ(Px(1, 1), Red);
    EXPECT_EQ(Px(2, 0), Black);
    EXPECT_EQ(Px(8, 0), Black);
    EXPECT_FALSE(TransparentBlt(DC, 0, 0, -8, 8, src.DC, 0, 0, 4, 4, Blue));
}

TEST_F(GdiBlit, MaskBltChoosesByMaskBit) {
    TSource src(8, 1);
    for (int x = 0; x < 8; ++x) src.Set(x, 0, Red);
    const uint8_t bits[2] = {0xF0, 0};
    HBITMAP mask = CreateBitmap(8, 1, 1, 1, bits);
    ASSERT_TRUE(MaskBlt(DC, 0, 0, 8, 1, src.DC, 0, 0, mask, 0, 0, MAKEROP4(SRCCOPY, DSTINVERT)));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Px(x, 0), Red) << x;
    for (int x = 4; x < 8; ++x) EXPECT_EQ(Px(x, 0), Black) << x;
    HBITMAP colour = CreateSurfaceBitmap(8, 1);
    EXPECT_FALSE(MaskBlt(DC, 0, 0, 8, 1, src.DC, 0, 0, colour, 0, 0, SRCCOPY));
    DeleteObject(colour);
    DeleteObject(mask);
}

TEST_F(GdiBlit, OverlappingBlitScrolls) {
    for (int x = 0; x < 100; ++x) SetPx(x, 0, RGB(x, 0, 0));
    BitBlt(DC, 1, 0, 99, 1, DC, 0, 0, SRCCOPY);  // to the right by one
    for (int x = 1; x < 100; ++x) ASSERT_EQ(Px(x, 0), RGB(x - 1, 0, 0)) << x;
    BitBlt(DC, 0, 0, 99, 1, DC, 1, 0, SRCCOPY);  // and back
    for (int x = 0; x < 99; ++x) ASSERT_EQ(Px(x, 0), RGB(x, 0, 0)) << x;
}

TEST_F(GdiBlit, ClippedBySourceBoundsAndDestinationClip) {
    TSource src(10, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) src.Set(x, y, Red);
    // Only the part that exists in the source is copied.
    BitBlt(DC, 0, 0, 20, 20, src.DC, -5, -5, SRCCOPY);
    EXPECT_EQ(BoundsNot(White), Rect(5, 5, 15, 15));
    Clear(White);
    HRGN clip = CreateEllipticRgn(0, 0, 10, 10);
    SelectClipRgn(DC, clip);
    DeleteObject(clip);
    BitBlt(DC, 0, 0, 10, 10, src.DC, 0, 0, SRCCOPY);
    EXPECT_EQ(Px(0, 0), White);
    EXPECT_EQ(Px(5, 5), Red);
    // Logical coordinates on both sides.
    SelectClipRgn(DC, nullptr);
    Clear(White);
    SetViewportOrgEx(DC, 50, 50, nullptr);
    SetViewportOrgEx(src.DC, -2, -2, nullptr);
    BitBlt(DC, 0, 0, 3, 3, src.DC, 2, 2, SRCCOPY);
    EXPECT_EQ(BoundsNot(White), Rect(50, 50, 53, 53));
}

TEST_F(GdiBlit, PatBltWithBrushes) {
    UseBrush(CreateHatchBrush(HS_CROSS, Blue));
    SetBkMode(DC, TRANSPARENT);
    EXPECT_TRUE(PatBlt(DC, 0, 0, 16, 16, PATCOPY));
    EXPECT_EQ(Count(Blue), 4 * 15);  // four 8 x 8 tiles
    EXPECT_EQ(Px(0, 0), White);  // a hatch leaves the background when transparent
    EXPECT_TRUE(PatBlt(DC, 20, 20, -10, -10, WHITENESS));  // negative extents
    EXPECT_TRUE(PatBlt(DC, 10, 10, 10, 10, DSTINVERT));
    EXPECT_EQ(Px(15, 15), Black);
    EXPECT_TRUE(PatBlt(DC, 0, 0, 100, 100, BLACKNESS));
    EXPECT_EQ(Count(Black), 10000);
}
