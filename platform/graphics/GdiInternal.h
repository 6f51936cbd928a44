// GdiInternal.h - the drawing layer's insides, shared by the Gdi*.cpp files:
// the object table, regions as y-banded rectangle lists, device context
// state, and the span painter.  Not for use outside platform/graphics.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <vector>

#include "Gdi.h"
#include "Surface.h"

namespace vcl::gdi {

// Device coordinates are kept within 27 bits, as the classic GDI does, so
// that products of two coordinates fit in 64 bits.
constexpr int32_t CoordLimit = (1 << 27) - 1;
inline int32_t ClampCoord(int64_t V) {
    return V < -CoordLimit ? -CoordLimit : (V > CoordLimit ? CoordLimit : int32_t(V));
}

inline int64_t FloorDiv(int64_t A, int64_t B) {  // B > 0
    int64_t q = A / B;
    if ((A % B) != 0 && (A < 0)) --q;
    return q;
}

// Fills N pixels with V.  On Linux wchar_t is 32 bits wide and the C
// library's wmemset is the vectorised 32-bit memset.
inline void Fill32(uint32_t* P, size_t N, uint32_t V) {
#if defined(__linux__)
    static_assert(sizeof(wchar_t) == 4, "wchar_t must be 32 bits");
    if (N >= 16) {
        std::wmemset(reinterpret_cast<wchar_t*>(P), static_cast<wchar_t>(V), N);
        return;
    }
#endif
    for (size_t i = 0; i < N; ++i) P[i] = V;
}

// Copies N pixels, making them opaque (vectorised for the processor).
void CopyOpaque32(uint32_t* Dst, const uint32_t* Src, size_t N);

// A run of pixels [X0, X1) in row Y.
struct TSpan {
    int32_t Y, X0, X1;
};
struct TXSpan {
    int32_t X0, X1;
    bool operator==(const TXSpan&) const = default;
};
using TSpanList = std::vector<TSpan>;

// Sorts spans by row and x and merges overlapping and touching ones.
void NormalizeSpans(TSpanList& Spans);
// A \ B for two normalized lists.
TSpanList SubtractSpans(const TSpanList& A, const TSpanList& B);
// Pixel keys that sort by row, then column.
inline uint64_t PixelKey(int32_t X, int32_t Y) {
    return (uint64_t(uint32_t(Y) ^ 0x80000000u) << 32) | (uint32_t(X) ^ 0x80000000u);
}
// Sorts and de-duplicates keys and appends them as spans.
void KeysToSpans(std::vector<uint64_t>& Keys, TSpanList& Out);

// ---------------------------------------------------------------------------
// Regions: bands of equal height, each a sorted list of disjoint,
// non-touching x-spans; bands sorted top to bottom, non-overlapping, and
// vertically touching bands never have equal spans (they are merged).

class TRegion {
public:
    struct TBand {
        int32_t Top, Bottom;
        uint32_t First, Count;
    };

    const std::vector<TBand>& Bands() const { return FBands; }
    const TXSpan* Spans(const TBand& B) const { return FSpans.data() + B.First; }
    const TRect& Box() const { return FBox; }
    bool Empty() const { return FBands.empty(); }
    int Type() const;  // NULLREGION, SIMPLEREGION, COMPLEXREGION
    size_t RectCount() const { return FSpans.size(); }

    void Clear();
    void SetRect(const TRect& R);
    void Offset(int32_t DX, int32_t DY);
    bool Contains(int32_t X, int32_t Y) const;
    bool IntersectsRect(const TRect& R) const;
    // The band containing Y, or -1; Hint speeds up nearby look-ups.
    int FindBand(int32_t Y, size_t& Hint) const;
    void GetRects(std::vector<TRect>& Out) const;
    bool operator==(const TRegion& O) const;

    static TRegion Combine(const TRegion& A, const TRegion& B, int Mode);
    // Builds a region from normalized spans (any rows, sorted).
    static TRegion FromSpans(const TSpanList& Spans);

    // Building: bands in increasing y, each with sorted disjoint spans.
    void AppendBand(int32_t Top, int32_t Bottom, const TXSpan* S, size_t N);
    void FinishBuild();

private:
    std::vector<TBand> FBands;
    std::vector<TXSpan> FSpans;
    TRect FBox{};
};

// ---------------------------------------------------------------------------
// Objects

struct TDCObj;

struct TGdiObject {
    int Type = 0;
    bool Stock = false;        // never deleted
    uint32_t SelectCount = 0;  // references from DC states, current and saved
    uint64_t Handle = 0;
    virtual ~TGdiObject() = default;
};

struct TPenObj : TGdiObject {
    int Style = PS_SOLID;
    int Width = 0;
    COLORREF Color = 0;
    bool DCPen = false;  // DC_PEN: the colour is the DC's pen colour
};

struct TBrushObj : TGdiObject {
    unsigned Style = BS_SOLID;
    COLORREF Color = 0;
    int Hatch = 0;
    uint32_t Pattern[64] = {};  // BS_PATTERN: device pixels, row-major 8 x 8
    bool MonoPattern = false;   // from a 1-bit bitmap: 0 = text colour, 1 = background
    intptr_t PatternSource = 0;
    bool DCBrush = false;  // DC_BRUSH: the colour is the DC's brush colour
};

struct TFontObj : TGdiObject {
    LOGFONT Font;
};

struct TBitmapObj : TGdiObject {
    TSurface Surface;
    int Bpp = 32;
    bool SurfaceBitmap = false;
    TDCObj* SelectedIn = nullptr;  // the DC whose current state holds it
};

struct TRegionObj : TGdiObject {
    TRegion Rgn;
};

struct TDCState {
    TPenObj* Pen = nullptr;
    TBrushObj* Brush = nullptr;
    TFontObj* Font = nullptr;
    TBitmapObj* Bitmap = nullptr;  // memory DCs only
    int Rop2 = R2_COPYPEN;
    int BkMode = OPAQUE;
    int PolyFillMode = ALTERNATE;
    int ArcDirection = AD_COUNTERCLOCKWISE;
    int StretchMode = BLACKONWHITE;
    COLORREF BkColor = RGB(255, 255, 255);
    COLORREF TextColor = RGB(0, 0, 0);
    COLORREF DCBrushColor = RGB(255, 255, 255);
    COLORREF DCPenColor = RGB(0, 0, 0);
    unsigned TextAlign = 0;
    int CharExtra = 0;
    TPoint BrushOrg, ViewportOrg, WindowOrg, CurPos;
    bool HasClip = false;
    TRegion Clip;  // device units
};

struct TDCObj : TGdiObject {
    bool Memory = true;
    TDCState S;
    std::vector<TDCState> Saved;
    TPixelView SurfaceView;  // surface DCs
    TPoint Origin;
    bool HasVis = false;
    TRegion Vis;
    int StylePhase = 0;  // of a styled pen along LineTo chains

    // The effective clip: surface bounds, visible region and clip region.
    TRegion EffClip;
    bool EffDirty = true;
    int32_t EffW = -1, EffH = -1;

    TPixelView View() const {
        if (!Memory) return SurfaceView;
        return S.Bitmap ? S.Bitmap->Surface.View() : TPixelView{};
    }
    bool Mono() const { return Memory && S.Bitmap && S.Bitmap->Bpp == 1; }
    const TRegion& Clip();
    int32_t OffX() const { return S.ViewportOrg.X - S.WindowOrg.X; }
    int32_t OffY() const { return S.ViewportOrg.Y - S.WindowOrg.Y; }
    int32_t DevX(int64_t X) const { return ClampCoord(X + OffX()); }
    int32_t DevY(int64_t Y) const { return ClampCoord(Y + OffY()); }
};

// Table access.  Lookup returns null for null, dead or other-typed handles
// (Type 0 accepts any type).
TGdiObject* LookupObject(const void* Handle, int Type);
template <class T>
T* Lookup(const void* Handle, int Type) {
    return static_cast<T*>(LookupObject(Handle, Type));
}
inline TDCObj* LookupDC(HDC DC) { return Lookup<TDCObj>(DC, OBJ_DC); }
// Adds an object to the table (counted as a GDI resource unless Stock) and
// returns its handle value.
uint64_t RegisterObject(std::unique_ptr<TGdiObject> Obj, bool Stock);
template <class H>
H HandleOf(const TGdiObject* Obj) {
    return Obj ? reinterpret_cast<H>(static_cast<uintptr_t>(Obj->Handle)) : nullptr;
}
// The stock objects (created on first use).
TGdiObject* StockObject(int Index);
// The brush behind a FillRect-style brush argument: a handle, or a system
// colour index + 1.
TBrushObj* ResolveBrush(HBRUSH Brush);
// Creates a brush owned by the system (system colour brushes).
TBrushObj* CreateSystemBrush(COLORREF Color);

// ---------------------------------------------------------------------------
// Painting

// Where a drawing call paints: the pixels and the clip, in device units.
struct TTarget {
    TPixelView V;
    const TRegion* Clip = nullptr;  // never empty when the target is valid
    TRect Box;                      // the clip's bounding box
    bool Simple = true;             // the clip is the single rectangle Box
    bool Mono = false;
    mutable size_t BandHint = 0;
};
// False when the DC paints nothing (dead, empty surface, empty clip).
bool MakeTarget(TDCObj* DC, TTarget& T);

// An 8 x 8 pattern in device space: pixel (x, y) is Px[(y - OrgY) & 7][x & 7]
// and is painted when bit (x & 7) of Mask[(y - OrgY) & 7] is set.
struct TPattern {
    uint32_t Px[8][8];
    uint8_t Mask[8];
    int32_t OrgY = 0;
};

struct TPaint {
    int Rop2 = R2_COPYPEN;
    bool Solid = true;
    uint32_t Color = 0xFF000000u;  // device pixel
    const TPattern* Pat = nullptr;
};

uint32_t DevicePixel(COLORREF C, bool Mono);
// Whether R2 mode results depend on the destination, and whether applying
// them twice equals applying them once.
bool Rop2ReadsDest(int Rop2);
bool Rop2Idempotent(int Rop2);
uint32_t ApplyRop2(int Rop2, uint32_t P, uint32_t D);

void PaintSpan(const TTarget& T, int32_t Y, int32_t X0, int32_t X1, const TPaint& P);
void PaintSpans(const TTarget& T, const TSpanList& Spans, const TPaint& P);
void PaintRect(const TTarget& T, const TRect& R, const TPaint& P);
void PaintRegion(const TTarget& T, const TRegion& R, int32_t DX, int32_t DY, const TPaint& P);
bool TargetContains(const TTarget& T, int32_t X, int32_t Y);

// The paint of a brush in a DC; false for a null brush.  Storage holds the
// pattern the paint points to.
bool MakeBrushPaint(TDCObj* DC, const TTarget& T, TBrushObj* Brush, int Rop2, TPattern& Storage, TPaint& Out);
// The paint of the DC's pen colour (ROP2 of the DC).
TPaint MakePenPaint(TDCObj* DC, const TTarget& T, COLORREF Color);
COLORREF PenColor(TDCObj* DC);

}  // namespace vcl::gdi
