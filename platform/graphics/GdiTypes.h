// GdiTypes.h - the basic value types of the drawing layer: points,
// rectangles, sizes and colour references.
#pragma once

#include <cstdint>

namespace vcl {

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    constexpr bool operator==(const TPoint&) const = default;
};

struct TSize {
    int32_t cx = 0;
    int32_t cy = 0;
    constexpr bool operator==(const TSize&) const = default;
};

// A rectangle whose right and bottom edges lie outside it: the pixels
// (Left..Right-1, Top..Bottom-1).
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    constexpr int32_t Width() const { return Right - Left; }
    constexpr int32_t Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(TPoint P) const { return P.X >= Left && P.X < Right && P.Y >= Top && P.Y < Bottom; }
    constexpr bool operator==(const TRect&) const = default;
};

constexpr TPoint Point(int32_t X, int32_t Y) { return TPoint{X, Y}; }
constexpr TRect Rect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
    return TRect{Left, Top, Right, Bottom};
}
constexpr TRect Bounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) {
    return TRect{Left, Top, Left + Width, Top + Height};
}

// A colour reference: 0x00BBGGRR.
using COLORREF = uint32_t;
constexpr COLORREF RGB(uint8_t R, uint8_t G, uint8_t B) {
    return COLORREF(R) | (COLORREF(G) << 8) | (COLORREF(B) << 16);
}
constexpr uint8_t GetRValue(COLORREF C) { return uint8_t(C & 0xFF); }
constexpr uint8_t GetGValue(COLORREF C) { return uint8_t((C >> 8) & 0xFF); }
constexpr uint8_t GetBValue(COLORREF C) { return uint8_t((C >> 16) & 0xFF); }
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Pixels in memory are 32-bit values 0xAARRGGBB (bytes B, G, R, A), rows top
// down, as in a 32-bit top-down device-independent bitmap.
constexpr uint32_t PixelFromColorRef(COLORREF C) {
    return 0xFF000000u | (uint32_t(GetRValue(C)) << 16) | (uint32_t(GetGValue(C)) << 8) | GetBValue(C);
}
constexpr COLORREF ColorRefFromPixel(uint32_t P) {
    return RGB(uint8_t((P >> 16) & 0xFF), uint8_t((P >> 8) & 0xFF), uint8_t(P & 0xFF));
}

// A view of pixels owned by someone else: a surface, a bitmap, a window.
struct TPixelView {
    uint32_t* Bits = nullptr;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Stride = 0;  // pixels from one row to the next
    uint32_t* Row(int32_t Y) const { return Bits + static_cast<intptr_t>(Y) * Stride; }
};

}  // namespace vcl
