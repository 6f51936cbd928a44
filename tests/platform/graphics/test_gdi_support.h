// Helpers for the drawing layer's tests: a memory DC over a 32-bit surface
// with pixel probes.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "Gdi.h"

namespace gditest {

using namespace vcl;

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);
constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);

// A W x H white surface selected into a memory DC.
class TCanvasTest : public ::testing::Test {
protected:
    void SetUp() override { Make(100, 100); }
    void TearDown() override { Free(); }

    void Make(int W, int H) {
        Free();
        FBitmap = CreateSurfaceBitmap(W, H, &FView);
        DC = CreateCompatibleDC(nullptr);
        FOld = SelectObject(DC, FBitmap);
        Clear(White);
    }
    void Free() {
        if (!DC) return;
        SelectObject(DC, GetStockObject(BLACK_PEN));
        SelectObject(DC, GetStockObject(WHITE_BRUSH));
        SelectObject(DC, FOld);
        DeleteDC(DC);
        DeleteObject(FBitmap);
        for (HGDIOBJ o : FOwned) DeleteObject(o);
        FOwned.clear();
        DC = nullptr;
    }
    void Clear(COLORREF C) {
        for (int y = 0; y < FView.Height; ++y)
            for (int x = 0; x < FView.Width; ++x) FView.Row(y)[x] = PixelFromColorRef(C);
    }
    COLORREF Px(int X, int Y) const { return ColorRefFromPixel(FView.Row(Y)[X]); }
    void SetPx(int X, int Y, COLORREF C) { FView.Row(Y)[X] = PixelFromColorRef(C); }
    int W() const { return FView.Width; }
    int H() const { return FView.Height; }

    // Selects a new pen or brush, deleted at the end of the test.
    void UsePen(int Style, int Width, COLORREF C) {
        HPEN p = CreatePen(Style, Width, C);
        SelectObject(DC, p);
        FOwned.push_back(p);
    }
    void UseBrush(HBRUSH B) {
        SelectObject(DC, B);
        FOwned.push_back(B);
    }
    void UseSolidBrush(COLORREF C) { UseBrush(CreateSolidBrush(C)); }
    void NoPen() { SelectObject(DC, GetStockObject(NULL_PEN)); }
    void NoBrush() { SelectObject(DC, GetStockObject(NULL_BRUSH)); }

    // The bounding box of the pixels that differ from C (empty if none).
    TRect BoundsNot(COLORREF C) const {
        TRect r{W(), H(), 0, 0};
        for (int y = 0; y < H(); ++y)
            for (int x = 0; x < W(); ++x)
                if (Px(x, y) != C) {
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r.Left >= r.Right ? TRect{} : r;
    }
    int Count(COLORREF C) const {
        int n = 0;
        for (int y = 0; y < H(); ++y)
            for (int x = 0; x < W(); ++x) n += Px(x, y) == C;
        return n;
    }
    std::vector<uint32_t> Snapshot() const {
        std::vector<uint32_t> v;
        for (int y = 0; y < H(); ++y) v.insert(v.end(), FView.Row(y), FView.Row(y) + W());
        return v;
    }
    // Fills the surface with a pattern of distinct colours.
    void Scramble() {
        for (int y = 0; y < H(); ++y)
            for (int x = 0; x < W(); ++x) SetPx(x, y, RGB((x * 37) & 255, (y * 53) & 255, ((x + y) * 11) & 255));
    }

    HDC DC = nullptr;
    TPixelView FView{};

private:
    HBITMAP FBitmap = nullptr;
    HGDIOBJ FOld = nullptr;
    std::vector<HGDIOBJ> FOwned;
};

}  // namespace gditest
