#include "Surface.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "Exceptions.h"

namespace vcl {

namespace {

constexpr std::align_val_t PixelAlignment{64};

std::unique_ptr<uint32_t[], TSurface::TFree> AllocatePixels(int32_t W, int32_t H) {
    if (W < 0 || H < 0)
        throw EInvalidGraphicOperation("Invalid surface size " + std::to_string(W) + " x " + std::to_string(H));
    const int64_t n = int64_t(W) * H;
    if (n > TSurface::MaxSurfacePixels)
        throw EInvalidGraphicOperation("Surface too large: " + std::to_string(W) + " x " + std::to_string(H));
    if (n == 0) return nullptr;
    std::unique_ptr<uint32_t[], TSurface::TFree> p(new (PixelAlignment, std::nothrow) uint32_t[size_t(n)]);
    if (!p) throw EOutOfMemory("Out of memory for a surface of " + std::to_string(W) + " x " + std::to_string(H));
    std::fill_n(p.get(), size_t(n), 0xFF000000u);
    return p;
}

}  // namespace

void TSurface::TFree::operator()(uint32_t* P) const noexcept { ::operator delete[](P, PixelAlignment); }

TSurface::TSurface(int32_t Width, int32_t Height) : FBits(AllocatePixels(Width, Height)), FWidth(Width), FHeight(Height) {}

TSurface::TSurface(const TSurface& Other)
    : FBits(AllocatePixels(Other.FWidth, Other.FHeight)), FWidth(Other.FWidth), FHeight(Other.FHeight) {
    if (FBits) std::memcpy(FBits.get(), Other.FBits.get(), size_t(FWidth) * FHeight * 4);
}

TSurface& TSurface::operator=(const TSurface& Other) {
    if (this != &Other) {
        TSurface copy(Other);
        *this = std::move(copy);
    }
    return *this;
}

TSurface::TSurface(TSurface&& Other) noexcept
    : FBits(std::move(Other.FBits)), FWidth(Other.FWidth), FHeight(Other.FHeight) {
    Other.FWidth = Other.FHeight = 0;
}

TSurface& TSurface::operator=(TSurface&& Other) noexcept {
    if (this != &Other) {
        FBits = std::move(Other.FBits);
        FWidth = Other.FWidth;
        FHeight = Other.FHeight;
        Other.FWidth = Other.FHeight = 0;
    }
    return *this;
}

TSurface::~TSurface() = default;

uint32_t* TSurface::ScanLine(int32_t Y) {
    if (Y < 0 || Y >= FHeight)
        throw ERangeError("Scan line index out of range (" + std::to_string(Y) + ")");
    return FBits.get() + size_t(Y) * FWidth;
}

TPixelView TSurface::View() const { return TPixelView{FBits.get(), FWidth, FHeight, FWidth}; }

void TSurface::Resize(int32_t Width, int32_t Height) {
    if (Width == FWidth && Height == FHeight) return;
    auto p = AllocatePixels(Width, Height);
    const int32_t cw = std::min(Width, FWidth), ch = std::min(Height, FHeight);
    for (int32_t y = 0; y < ch; ++y)
        std::memcpy(p.get() + size_t(y) * Width, FBits.get() + size_t(y) * FWidth, size_t(cw) * 4);
    FBits = std::move(p);
    FWidth = Width;
    FHeight = Height;
}

void TSurface::Fill(uint32_t Pixel) {
    if (FBits) std::fill_n(FBits.get(), size_t(FWidth) * FHeight, Pixel);
}

void TSurface::FillRect(const TRect& R, uint32_t Pixel) {
    const int32_t l = std::max(R.Left, 0), t = std::max(R.Top, 0);
    const int32_t r = std::min(R.Right, FWidth), b = std::min(R.Bottom, FHeight);
    if (l >= r || t >= b) return;
    for (int32_t y = t; y < b; ++y) std::fill_n(FBits.get() + size_t(y) * FWidth + l, r - l, Pixel);
}

uint32_t TSurface::Pixel(int32_t X, int32_t Y) const {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
    return FBits[size_t(Y) * FWidth + X];
}

void TSurface::SetPixel(int32_t X, int32_t Y, uint32_t Value) {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return;
    FBits[size_t(Y) * FWidth + X] = Value;
}

}  // namespace vcl
