// Surface.h - a 32-bit pixel surface: the memory behind bitmaps and windows.
#pragma once

#include <cstdint>
#include <memory>

#include "GdiTypes.h"

namespace vcl {

// Owns Width x Height pixels of 32 bits (0xAARRGGBB), rows top down with no
// padding.  A new surface, and the part a Resize adds, is opaque black
// (0xFF000000).  Sizes must be 0 or more and the surface at most
// MaxSurfacePixels pixels; anything else raises EInvalidGraphicOperation and
// leaves the surface as it was.
class TSurface {
public:
    static constexpr int64_t MaxSurfacePixels = int64_t(1) << 28;  // 1 GiB of pixels

    TSurface() = default;
    TSurface(int32_t Width, int32_t Height);
    TSurface(const TSurface& Other);
    TSurface& operator=(const TSurface& Other);
    TSurface(TSurface&& Other) noexcept;
    TSurface& operator=(TSurface&& Other) noexcept;
    ~TSurface();

    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    bool Empty() const { return FWidth == 0 || FHeight == 0; }
    uint32_t* Bits() { return FBits.get(); }
    const uint32_t* Bits() const { return FBits.get(); }
    uint32_t* ScanLine(int32_t Y);  // raises ERangeError outside 0..Height-1

    // A view of the whole surface; it stays valid until the next Resize,
    // assignment or destruction.
    TPixelView View() const;

    // Changes the size, keeping the pixels that lie in both sizes.
    void Resize(int32_t Width, int32_t Height);
    // Sets every pixel to the value (0xAARRGGBB).
    void Fill(uint32_t Pixel);
    // Sets the pixels of R (clipped to the surface) to the value.
    void FillRect(const TRect& R, uint32_t Pixel);

    uint32_t Pixel(int32_t X, int32_t Y) const;          // 0 outside
    void SetPixel(int32_t X, int32_t Y, uint32_t Value);  // ignored outside

    // Rows start 64-byte aligned when the width is a multiple of 16.
    struct TFree {
        void operator()(uint32_t* P) const noexcept;
    };

private:
    std::unique_ptr<uint32_t[], TFree> FBits;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
};

}  // namespace vcl
