// GdiObjects.cpp - the object table, pens, brushes, fonts, bitmaps, device
// contexts and their state, and clipping.
#include <atomic>
#include <cstring>
#include <mutex>
#include <utility>

#include "Exceptions.h"
#include "GdiInternal.h"
#include "SysColors.h"
#include "SysResources.h"

namespace vcl {
namespace gdi {

// ---------------------------------------------------------------------------
// The object table.  A handle is (generation << 24) | slot; a slot's
// generation grows each time it is reused, so no handle value ever comes
// back.  Look-ups take no lock; creation and deletion do.

namespace {

constexpr uint32_t SlotBits = 24;
constexpr uint32_t ChunkBits = 12;
constexpr uint32_t ChunkSize = 1u << ChunkBits;
constexpr uint32_t ChunkCount = 1u << (SlotBits - ChunkBits);

struct TSlot {
    std::atomic<uint64_t> Gen{0};
    std::atomic<TGdiObject*> Obj{nullptr};
};

struct TTable {
    std::mutex Lock;
    std::atomic<TSlot*> Chunks[ChunkCount] = {};
    uint32_t Used = 1;  // slot 0 stays unused
    std::vector<uint32_t> Free;
};

TTable& Table() {
    // Never destroyed: handles may be released by static destructors of
    // other units after this one's statics are gone.
    static TTable* t = new TTable;
    return *t;
}

}  // namespace

TGdiObject* LookupObject(const void* Handle, int Type) {
    const uint64_t v = reinterpret_cast<uintptr_t>(Handle);
    if (v < (uint64_t(1) << SlotBits)) return nullptr;
    const uint32_t slot = uint32_t(v & ((1u << SlotBits) - 1));
    const uint64_t gen = v >> SlotBits;
    TSlot* chunk = Table().Chunks[slot >> ChunkBits].load(std::memory_order_acquire);
    if (!chunk) return nullptr;
    TSlot& s = chunk[slot & (ChunkSize - 1)];
    TGdiObject* o = s.Obj.load(std::memory_order_acquire);
    if (!o || s.Gen.load(std::memory_order_acquire) != gen) return nullptr;
    if (Type != 0 && o->Type != Type) return nullptr;
    return o;
}

uint64_t RegisterObject(std::unique_ptr<TGdiObject> Obj, bool Stock) {
    TTable& t = Table();
    std::lock_guard<std::mutex> g(t.Lock);
    uint32_t slot;
    if (!t.Free.empty()) {
        slot = t.Free.back();
        t.Free.pop_back();
    } else {
        if (t.Used >= (1u << SlotBits)) throw EOutOfMemory("GDI object table full");
        slot = t.Used++;
    }
    std::atomic<TSlot*>& chunkRef = t.Chunks[slot >> ChunkBits];
    TSlot* chunk = chunkRef.load(std::memory_order_relaxed);
    if (!chunk) {
        chunk = new TSlot[ChunkSize];
        chunkRef.store(chunk, std::memory_order_release);
    }
    TSlot& s = chunk[slot & (ChunkSize - 1)];
    const uint64_t gen = s.Gen.load(std::memory_order_relaxed) + 1;
    TGdiObject* o = Obj.release();
    o->Stock = Stock;
    o->Handle = (gen << SlotBits) | slot;
    s.Gen.store(gen, std::memory_order_release);
    s.Obj.store(o, std::memory_order_release);
    if (!Stock) AddResourceObject(rtGDI);
    return o->Handle;
}

namespace {

void UnregisterObject(TGdiObject* O) {
    TTable& t = Table();
    {
        std::lock_guard<std::mutex> g(t.Lock);
        const uint32_t slot = uint32_t(O->Handle & ((1u << SlotBits) - 1));
        TSlot& s = t.Chunks[slot >> ChunkBits].load(std::memory_order_relaxed)[slot & (ChunkSize - 1)];
        s.Obj.store(nullptr, std::memory_order_release);
        t.Free.push_back(slot);
    }
    if (!O->Stock) RemoveResourceObject(rtGDI);
    delete O;
}

template <class T>
T* NewObject(int Type, bool Stock) {
    auto o = std::make_unique<T>();
    o->Type = Type;
    T* raw = o.get();
    RegisterObject(std::move(o), Stock);
    return raw;
}

// ---------------------------------------------------------------------------
// Stock objects

struct TStock {
    TGdiObject* Objects[22] = {};
};

TPenObj* MakePen(int Style, int Width, COLORREF Color, bool Stock) {
    TPenObj* p = NewObject<TPenObj>(OBJ_PEN, Stock);
    p->Style = Style;
    p->Width = Width;
    p->Color = Color & 0xFFFFFF;
    return p;
}

TBrushObj* MakeBrush(unsigned Style, COLORREF Color, int Hatch, bool Stock) {
    TBrushObj* b = NewObject<TBrushObj>(OBJ_BRUSH, Stock);
    b->Style = Style;
    b->Color = Color & 0xFFFFFF;
    b->Hatch = Hatch;
    return b;
}

TFontObj* MakeFont(const LOGFONT& F, bool Stock) {
    TFontObj* f = NewObject<TFontObj>(OBJ_FONT, Stock);
    f->Font = F;
    return f;
}

LOGFONT StockFont(int32_t Height, int32_t Weight, uint8_t CharSet, uint8_t Pitch, const char* Face) {
    LOGFONT f;
    f.lfHeight = Height;
    f.lfWeight = Weight;
    f.lfCharSet = CharSet;
    f.lfPitchAndFamily = Pitch;
    f.lfFaceName = Face;
    return f;
}

TStock& Stock() {
    static TStock* s = [] {
        auto* st = new TStock;
        st->Objects[WHITE_BRUSH] = MakeBrush(BS_SOLID, RGB(255, 255, 255), 0, true);
        st->Objects[LTGRAY_BRUSH] = MakeBrush(BS_SOLID, RGB(192, 192, 192), 0, true);
        st->Objects[GRAY_BRUSH] = MakeBrush(BS_SOLID, RGB(128, 128, 128), 0, true);
        st->Objects[DKGRAY_BRUSH] = MakeBrush(BS_SOLID, RGB(64, 64, 64), 0, true);
        st->Objects[BLACK_BRUSH] = MakeBrush(BS_SOLID, RGB(0, 0, 0), 0, true);
        st->Objects[NULL_BRUSH] = MakeBrush(BS_NULL, 0, 0, true);
        st->Objects[WHITE_PEN] = MakePen(PS_SOLID, 0, RGB(255, 255, 255), true);
        st->Objects[BLACK_PEN] = MakePen(PS_SOLID, 0, RGB(0, 0, 0), true);
        st->Objects[NULL_PEN] = MakePen(PS_NULL, 0, 0, true);
        st->Objects[OEM_FIXED_FONT] = MakeFont(StockFont(12, FW_NORMAL, OEM_CHARSET, 1, "Terminal"), true);
        st->Objects[ANSI_FIXED_FONT] = MakeFont(StockFont(12, FW_NORMAL, ANSI_CHARSET, 1, "Courier"), true);
        st->Objects[ANSI_VAR_FONT] = MakeFont(StockFont(12, FW_NORMAL, ANSI_CHARSET, 2, "MS Sans Serif"), true);
        st->Objects[SYSTEM_FONT] = MakeFont(StockFont(16, FW_BOLD, ANSI_CHARSET, 2, "System"), true);
        st->Objects[DEVICE_DEFAULT_FONT] = MakeFont(StockFont(16, FW_BOLD, ANSI_CHARSET, 2, "System"), true);
        st->Objects[SYSTEM_FIXED_FONT] = MakeFont(StockFont(15, FW_NORMAL, ANSI_CHARSET, 1, "Fixedsys"), true);
        st->Objects[DEFAULT_GUI_FONT] = MakeFont(StockFont(-11, FW_NORMAL, ANSI_CHARSET, 2, "MS Sans Serif"), true);
        TBrushObj* dcb = MakeBrush(BS_SOLID, RGB(255, 255, 255), 0, true);
        dcb->DCBrush = true;
        st->Objects[DC_BRUSH] = dcb;
        TPenObj* dcp = MakePen(PS_SOLID, 0, 0, true);
        dcp->DCPen = true;
        st->Objects[DC_PEN] = dcp;
        TBitmapObj* bm = NewObject<TBitmapObj>(OBJ_BITMAP, true);
        bm->Surface = TSurface(1, 1);
        bm->Bpp = 1;
        st->Objects[DEFAULT_BITMAP] = bm;
        return st;
    }();
    return *s;
}

}  // namespace

TGdiObject* StockObject(int Index) {
    if (Index < 0 || Index >= 22) return nullptr;
    return Stock().Objects[Index];
}

TBrushObj* CreateSystemBrush(COLORREF Color) { return MakeBrush(BS_SOLID, Color, 0, true); }

TBrushObj* ResolveBrush(HBRUSH Brush) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(Brush);
    if (v >= 1 && v <= uintptr_t(SysColorCount)) return Lookup<TBrushObj>(GetSysColorBrush(int(v) - 1), OBJ_BRUSH);
    return Lookup<TBrushObj>(Brush, OBJ_BRUSH);
}

// ---------------------------------------------------------------------------
// Device contexts

const TRegion& TDCObj::Clip() {
    const TPixelView v = View();
    if (EffDirty || v.Width != EffW || v.Height != EffH) {
        EffClip.SetRect(TRect{0, 0, v.Bits ? v.Width : 0, v.Bits ? v.Height : 0});
        if (HasVis) EffClip = TRegion::Combine(EffClip, Vis, RGN_AND);
        if (S.HasClip) EffClip = TRegion::Combine(EffClip, S.Clip, RGN_AND);
        EffW = v.Width;
        EffH = v.Height;
        EffDirty = false;
    }
    return EffClip;
}

namespace {

void AddRefs(TDCState& S) {
    if (S.Pen) ++S.Pen->SelectCount;
    if (S.Brush) ++S.Brush->SelectCount;
    if (S.Font) ++S.Font->SelectCount;
    if (S.Bitmap) ++S.Bitmap->SelectCount;
}

void Release(TGdiObject* O) {
    if (O && O->SelectCount > 0) --O->SelectCount;
}

bool DCHoldsBitmap(const TDCObj* DC, const TBitmapObj* B) {
    if (DC->S.Bitmap == B) return true;
    for (const TDCState& s : DC->Saved)
        if (s.Bitmap == B) return true;
    return false;
}

void ReleaseState(TDCObj* DC, TDCState& S) {
    Release(S.Pen);
    Release(S.Brush);
    Release(S.Font);
    if (S.Bitmap) {
        Release(S.Bitmap);
        TBitmapObj* b = S.Bitmap;
        S.Bitmap = nullptr;
        if (b->SelectedIn == DC && !DCHoldsBitmap(DC, b)) b->SelectedIn = nullptr;
    }
}

TDCObj* NewDC(bool Memory) {
    TDCObj* dc = NewObject<TDCObj>(OBJ_DC, false);
    dc->Memory = Memory;
    dc->S.Pen = static_cast<TPenObj*>(StockObject(BLACK_PEN));
    dc->S.Brush = static_cast<TBrushObj*>(StockObject(WHITE_BRUSH));
    dc->S.Font = static_cast<TFontObj*>(StockObject(SYSTEM_FONT));
    if (Memory) dc->S.Bitmap = static_cast<TBitmapObj*>(StockObject(DEFAULT_BITMAP));
    AddRefs(dc->S);
    return dc;
}

}  // namespace
}  // namespace gdi

using namespace gdi;

// ---------------------------------------------------------------------------
// Arithmetic

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    const int64_t p = int64_t(a) * b;
    int64_t q = p / c;
    const int64_t r = p % c;
    if (r != 0 && 2 * (r < 0 ? -r : r) >= (c < 0 ? -int64_t(c) : int64_t(c))) q += ((p < 0) != (c < 0)) ? -1 : 1;
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return int32_t(q);
}

// ---------------------------------------------------------------------------
// Objects

int GetObjectType(HGDIOBJ Obj) {
    TGdiObject* o = LookupObject(Obj, 0);
    if (!o) return 0;
    if (o->Type == OBJ_DC) return static_cast<TDCObj*>(o)->Memory ? OBJ_MEMDC : OBJ_DC;
    return o->Type;
}

HGDIOBJ GetStockObject(int Index) {
    TGdiObject* o = StockObject(Index);
    return o ? reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(o->Handle)) : nullptr;
}

bool DeleteObject(HGDIOBJ Obj) {
    TGdiObject* o = LookupObject(Obj, 0);
    if (!o || o->Type == OBJ_DC) return false;
    if (o->Stock) return true;
    if (o->SelectCount > 0) return false;
    UnregisterObject(o);
    return true;
}

HPEN CreatePen(int Style, int Width, COLORREF Color) {
    const int style = Style & PS_STYLE_MASK;
    if (style > PS_INSIDEFRAME) return nullptr;
    return HandleOf<HPEN>(MakePen(style, Width < 0 ? 0 : Width, Color, false));
}

HPEN CreatePenIndirect(const LOGPEN& Pen) { return CreatePen(int(Pen.lopnStyle), Pen.lopnWidth.X, Pen.lopnColor); }

HBRUSH CreateSolidBrush(COLORREF Color) { return HandleOf<HBRUSH>(MakeBrush(BS_SOLID, Color, 0, false)); }

HBRUSH CreateHatchBrush(int Hatch, COLORREF Color) {
    if (Hatch < HS_HORIZONTAL || Hatch > HS_DIAGCROSS) return nullptr;
    return HandleOf<HBRUSH>(MakeBrush(BS_HATCHED, Color, Hatch, false));
}

HBRUSH CreatePatternBrush(HBITMAP Bitmap) {
    TBitmapObj* bm = Lookup<TBitmapObj>(Bitmap, OBJ_BITMAP);
    if (!bm || bm->Surface.Empty()) return nullptr;
    TBrushObj* b = MakeBrush(BS_PATTERN, 0, 0, false);
    const TPixelView v = bm->Surface.View();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) b->Pattern[y * 8 + x] = v.Row(y % v.Height)[x % v.Width] | 0xFF000000u;
    b->MonoPattern = bm->Bpp == 1;
    b->PatternSource = intptr_t(reinterpret_cast<uintptr_t>(Bitmap));
    return HandleOf<HBRUSH>(b);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH& Brush) {
    switch (Brush.lbStyle) {
        case BS_SOLID: return CreateSolidBrush(Brush.lbColor);
        case BS_NULL: return HandleOf<HBRUSH>(MakeBrush(BS_NULL, 0, 0, false));
        case BS_HATCHED: return CreateHatchBrush(int(Brush.lbHatch), Brush.lbColor);
        case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(Brush.lbHatch)));
        default: return nullptr;
    }
}

HFONT CreateFontIndirect(const LOGFONT& Font) { return HandleOf<HFONT>(MakeFont(Font, false)); }

HFONT CreateFont(int Height, int Width, int Escapement, int Orientation, int Weight, unsigned Italic,
                 unsigned Underline, unsigned StrikeOut, unsigned CharSet, unsigned OutPrecision,
                 unsigned ClipPrecision, unsigned Quality, unsigned PitchAndFamily, const std::string& FaceName) {
    LOGFONT f;
    f.lfHeight = Height;
    f.lfWidth = Width;
    f.lfEscapement = Escapement;
    f.lfOrientation = Orientation;
    f.lfWeight = Weight;
    f.lfItalic = uint8_t(Italic != 0);
    f.lfUnderline = uint8_t(Underline != 0);
    f.lfStrikeOut = uint8_t(StrikeOut != 0);
    f.lfCharSet = uint8_t(CharSet);
    f.lfOutPrecision = uint8_t(OutPrecision);
    f.lfClipPrecision = uint8_t(ClipPrecision);
    f.lfQuality = uint8_t(Quality);
    f.lfPitchAndFamily = uint8_t(PitchAndFamily);
    f.lfFaceName = FaceName;
    return CreateFontIndirect(f);
}

namespace {

void DescribePen(const TPenObj* p, LOGPEN* Out) {
    Out->lopnStyle = unsigned(p->Style);
    Out->lopnWidth = TPoint{p->Width, 0};
    Out->lopnColor = p->Color;
}

void DescribeBrush(const TBrushObj* b, LOGBRUSH* Out) {
    Out->lbStyle = b->Style;
    Out->lbColor = b->Color;
    Out->lbHatch = b->Style == BS_HATCHED ? b->Hatch : (b->Style == BS_PATTERN ? b->PatternSource : 0);
}

void DescribeBitmap(TBitmapObj* b, BITMAP* Out) {
    Out->bmType = 0;
    Out->bmWidth = b->Surface.Width();
    Out->bmHeight = b->Surface.Height();
    Out->bmPlanes = 1;
    Out->bmBitsPixel = uint16_t(b->Bpp);
    Out->bmWidthBytes = b->Bpp == 1 ? ((b->Surface.Width() + 15) / 16) * 2 : b->Surface.Width() * 4;
    Out->bmBits = b->SurfaceBitmap ? b->Surface.Bits() : nullptr;
}

}  // namespace

int GetObject(HGDIOBJ Obj, int Size, void* Buffer) {
    TGdiObject* o = LookupObject(Obj, 0);
    if (!o) return 0;
    switch (o->Type) {
        case OBJ_PEN:
            if (!Buffer) return int(sizeof(LOGPEN));
            if (Size < int(sizeof(LOGPEN))) return 0;
            DescribePen(static_cast<TPenObj*>(o), static_cast<LOGPEN*>(Buffer));
            return int(sizeof(LOGPEN));
        case OBJ_BRUSH:
            if (!Buffer) return int(sizeof(LOGBRUSH));
            if (Size < int(sizeof(LOGBRUSH))) return 0;
            DescribeBrush(static_cast<TBrushObj*>(o), static_cast<LOGBRUSH*>(Buffer));
            return int(sizeof(LOGBRUSH));
        case OBJ_FONT:
            if (!Buffer) return int(sizeof(LOGFONT));
            if (Size < int(sizeof(LOGFONT))) return 0;
            *static_cast<LOGFONT*>(Buffer) = static_cast<TFontObj*>(o)->Font;
            return int(sizeof(LOGFONT));
        case OBJ_BITMAP:
            if (!Buffer) return int(sizeof(BITMAP));
            if (Size < int(sizeof(BITMAP))) return 0;
            DescribeBitmap(static_cast<TBitmapObj*>(o), static_cast<BITMAP*>(Buffer));
            return int(sizeof(BITMAP));
        default: return 0;
    }
}

bool GetObject(HPEN Pen, LOGPEN* Out) {
    TPenObj* p = Lookup<TPenObj>(Pen, OBJ_PEN);
    if (!p || !Out) return false;
    DescribePen(p, Out);
    return true;
}

bool GetObject(HBRUSH Brush, LOGBRUSH* Out) {
    TBrushObj* b = Lookup<TBrushObj>(Brush, OBJ_BRUSH);
    if (!b || !Out) return false;
    DescribeBrush(b, Out);
    return true;
}

bool GetObject(HFONT Font, LOGFONT* Out) {
    TFontObj* f = Lookup<TFontObj>(Font, OBJ_FONT);
    if (!f || !Out) return false;
    *Out = f->Font;
    return true;
}

bool GetObject(HBITMAP Bitmap, BITMAP* Out) {
    TBitmapObj* b = Lookup<TBitmapObj>(Bitmap, OBJ_BITMAP);
    if (!b || !Out) return false;
    DescribeBitmap(b, Out);
    return true;
}

// ---------------------------------------------------------------------------
// Bitmaps

namespace {

TBitmapObj* MakeBitmap(int Width, int Height, int Bpp) {
    if (Width <= 0 || Height <= 0 || int64_t(Width) * Height > TSurface::MaxSurfacePixels) return nullptr;
    TSurface s;
    try {
        s = TSurface(Width, Height);
    } catch (const Exception&) {
        return nullptr;
    }
    TBitmapObj* b = NewObject<TBitmapObj>(OBJ_BITMAP, false);
    b->Surface = std::move(s);
    b->Bpp = Bpp;
    return b;
}

void WriteBits(TBitmapObj* b, const uint8_t* Bits, size_t Count) {
    const int32_t w = b->Surface.Width(), h = b->Surface.Height();
    const TPixelView v = b->Surface.View();
    if (b->Bpp == 1) {
        const size_t rowBytes = size_t((w + 15) / 16) * 2;
        for (int32_t y = 0; y < h; ++y) {
            const size_t base = size_t(y) * rowBytes;
            if (base >= Count) break;
            for (int32_t x = 0; x < w; ++x) {
                const size_t at = base + size_t(x / 8);
                if (at >= Count) break;
                const bool white = (Bits[at] >> (7 - (x & 7))) & 1;
                v.Row(y)[x] = white ? 0xFFFFFFFFu : 0xFF000000u;
            }
        }
    } else {
        const size_t pixels = std::min(Count / 4, size_t(w) * h);
        for (size_t i = 0; i < pixels; ++i) {
            uint32_t p;
            std::memcpy(&p, Bits + i * 4, 4);
            v.Row(int32_t(i / w))[i % w] = p | 0xFF000000u;
        }
    }
}

}  // namespace

HBITMAP CreateBitmap(int Width, int Height, unsigned Planes, unsigned BitsPerPixel, const void* Bits) {
    if (Planes != 1 || (BitsPerPixel != 1 && BitsPerPixel != 32)) return nullptr;
    TBitmapObj* b = MakeBitmap(Width, Height, int(BitsPerPixel));
    if (!b) return nullptr;
    if (Bits) {
        const size_t rowBytes = BitsPerPixel == 1 ? size_t((Width + 15) / 16) * 2 : size_t(Width) * 4;
        WriteBits(b, static_cast<const uint8_t*>(Bits), rowBytes * size_t(Height));
    }
    return HandleOf<HBITMAP>(b);
}

HBITMAP CreateCompatibleBitmap(HDC DC, int Width, int Height) {
    bool mono = false;
    if (DC) {
        TDCObj* dc = LookupDC(DC);
        if (!dc) return nullptr;
        mono = dc->Mono();
    }
    if (Width == 0 || Height == 0) return HandleOf<HBITMAP>(MakeBitmap(1, 1, 1));
    return HandleOf<HBITMAP>(MakeBitmap(Width, Height, mono ? 1 : 32));
}

HBITMAP CreateSurfaceBitmap(int Width, int Height, TPixelView* View) {
    TBitmapObj* b = MakeBitmap(Width, Height, 32);
    if (!b) return nullptr;
    b->SurfaceBitmap = true;
    if (View) *View = b->Surface.View();
    return HandleOf<HBITMAP>(b);
}

bool GetBitmapView(HBITMAP Bitmap, TPixelView* View) {
    TBitmapObj* b = Lookup<TBitmapObj>(Bitmap, OBJ_BITMAP);
    if (!b || !View) return false;
    *View = b->Surface.View();
    return true;
}

TSurface* GetBitmapSurface(HBITMAP Bitmap) {
    TBitmapObj* b = Lookup<TBitmapObj>(Bitmap, OBJ_BITMAP);
    return b && !b->Stock ? &b->Surface : nullptr;
}

long GetBitmapBits(HBITMAP Bitmap, long Count, void* Bits) {
    TBitmapObj* b = Lookup<TBitmapObj>(Bitmap, OBJ_BITMAP);
    if (!b || Count < 0) return 0;
    const int32_t w = b->Surface.Width(), h = b->Surface.Height();
    const size_t rowBytes = b->Bpp == 1 ? size_t((w + 15) / 16) * 2 : size_t(w) * 4;
    const size_t total = rowBytes * size_t(h);
    if (!Bits) return long(total);
    const size_t n = std::min(size_t(Count), total);
    uint8_t* out = static_cast<uint8_t*>(Bits);
    std::memset(out, 0, n);
    const TPixelView v = b->Surface.View();
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            if (b->Bpp == 1) {
                const size_t at = size_t(y) * rowBytes + size_t(x / 8);
                if (at >= n) return long(n);
                if ((v.Row(y)[x] & 0xFFFFFF) == 0xFFFFFF) out[at] |= uint8_t(0x80 >> (x & 7));
            } else {
                const size_t at = (size_t(y) * w + x) * 4;
                if (at + 4 > n) return long(n);
                const uint32_t p = v.Row(y)[x];
                std::memcpy(out + at, &p, 4);
            }
        }
    return long(n);
}

long SetBitmapBits(HBITMAP Bitmap, uint32_t Count, const void* Bits) {
    TBitmapObj* b = Lookup<TBitmapObj>(Bitmap, OBJ_BITMAP);
    if (!b || b->Stock || !Bits) return 0;
    const int32_t w = b->Surface.Width(), h = b->Surface.Height();
    const size_t rowBytes = b->Bpp == 1 ? size_t((w + 15) / 16) * 2 : size_t(w) * 4;
    const size_t n = std::min(size_t(Count), rowBytes * size_t(h));
    WriteBits(b, static_cast<const uint8_t*>(Bits), n);
    return long(n);
}

// ---------------------------------------------------------------------------
// Device contexts

HDC CreateCompatibleDC(HDC DC) {
    if (DC && !LookupDC(DC)) return nullptr;
    return HandleOf<HDC>(NewDC(true));
}

HDC CreateSurfaceDC(const TPixelView& View, TPoint Origin) {
    if (View.Width < 0 || View.Height < 0 || (View.Width > 0 && View.Height > 0 && !View.Bits) ||
        View.Stride < View.Width)
        return nullptr;
    TDCObj* dc = NewDC(false);
    dc->SurfaceView = View;
    dc->Origin = Origin;
    return HandleOf<HDC>(dc);
}

bool SetSurfaceDCView(HDC DC, const TPixelView& View, TPoint Origin) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || dc->Memory) return false;
    if (View.Width < 0 || View.Height < 0 || (View.Width > 0 && View.Height > 0 && !View.Bits) ||
        View.Stride < View.Width)
        return false;
    dc->SurfaceView = View;
    dc->Origin = Origin;
    dc->EffDirty = true;
    return true;
}

bool SetDCVisibleRegion(HDC DC, HRGN Region) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    if (!Region) {
        dc->HasVis = false;
        dc->Vis.Clear();
    } else {
        TRegionObj* r = Lookup<TRegionObj>(Region, OBJ_REGION);
        if (!r) return false;
        dc->HasVis = true;
        dc->Vis = r->Rgn;
    }
    dc->EffDirty = true;
    return true;
}

bool DeleteDC(HDC DC) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    for (TDCState& s : dc->Saved) ReleaseState(dc, s);
    dc->Saved.clear();
    ReleaseState(dc, dc->S);
    UnregisterObject(dc);
    return true;
}

bool GetDCOrgEx(HDC DC, TPoint* Origin) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !Origin) return false;
    *Origin = dc->Memory ? TPoint{} : dc->Origin;
    return true;
}

int GetDeviceCaps(HDC DC, int Index) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return 0;
    const TPixelView v = dc->View();
    switch (Index) {
        case HORZRES: return v.Width;
        case VERTRES: return v.Height;
        case BITSPIXEL: return dc->Mono() ? 1 : 32;
        case PLANES: return 1;
        case NUMCOLORS: return dc->Mono() ? 2 : -1;
        case LOGPIXELSX:
        case LOGPIXELSY: return 96;
        default: return 0;
    }
}

int SaveDC(HDC DC) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return 0;
    dc->Saved.push_back(dc->S);
    AddRefs(dc->Saved.back());
    return int(dc->Saved.size());
}

bool RestoreDC(HDC DC, int Level) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || Level == 0) return false;
    const int n = int(dc->Saved.size());
    const int target = Level > 0 ? Level : n + Level + 1;
    if (target < 1 || target > n) return false;
    // The restored state's references pass to the current state; the states
    // above it and the current one let theirs go.
    TDCState restored = std::move(dc->Saved[size_t(target - 1)]);
    TDCState old = std::move(dc->S);
    for (int i = n - 1; i >= target; --i) {
        TDCState s = std::move(dc->Saved[size_t(i)]);
        dc->Saved.pop_back();
        ReleaseState(dc, s);
    }
    dc->Saved.pop_back();
    dc->S = std::move(restored);
    ReleaseState(dc, old);
    if (dc->S.Bitmap && !dc->S.Bitmap->Stock) dc->S.Bitmap->SelectedIn = dc;
    dc->EffDirty = true;
    return true;
}

HGDIOBJ SelectObject(HDC DC, HGDIOBJ Obj) {
    TDCObj* dc = LookupDC(DC);
    TGdiObject* o = LookupObject(Obj, 0);
    if (!dc || !o) return nullptr;
    auto swap = [&](auto*& slot, auto* now) -> HGDIOBJ {
        auto* prev = slot;
        if (prev == now) return Obj;
        ++now->SelectCount;
        slot = now;
        Release(prev);
        return prev ? reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(prev->Handle)) : nullptr;
    };
    switch (o->Type) {
        case OBJ_PEN: return swap(dc->S.Pen, static_cast<TPenObj*>(o));
        case OBJ_BRUSH: return swap(dc->S.Brush, static_cast<TBrushObj*>(o));
        case OBJ_FONT: return swap(dc->S.Font, static_cast<TFontObj*>(o));
        case OBJ_BITMAP: {
            if (!dc->Memory) return nullptr;
            TBitmapObj* b = static_cast<TBitmapObj*>(o);
            if (!b->Stock && b->SelectedIn && b->SelectedIn != dc) return nullptr;
            TBitmapObj* prev = dc->S.Bitmap;
            if (prev == b) return Obj;
            ++b->SelectCount;
            if (!b->Stock) b->SelectedIn = dc;
            dc->S.Bitmap = b;
            if (prev) {
                Release(prev);
                if (prev->SelectedIn == dc && !DCHoldsBitmap(dc, prev)) prev->SelectedIn = nullptr;
            }
            dc->EffDirty = true;
            return prev ? reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(prev->Handle)) : nullptr;
        }
        case OBJ_REGION: {
            const int type = SelectClipRgn(DC, static_cast<HRGN>(Obj));
            return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(type));
        }
        default: return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC DC, int Type) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return nullptr;
    switch (Type) {
        case OBJ_PEN: return HandleOf<HGDIOBJ>(dc->S.Pen);
        case OBJ_BRUSH: return HandleOf<HGDIOBJ>(dc->S.Brush);
        case OBJ_FONT: return HandleOf<HGDIOBJ>(dc->S.Font);
        case OBJ_BITMAP: return HandleOf<HGDIOBJ>(dc->S.Bitmap);
        default: return nullptr;
    }
}

// ---------------------------------------------------------------------------
// State

namespace {

template <class T, class F>
T SetField(HDC DC, T Fail, F&& Fn) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return Fail;
    return Fn(dc);
}

}  // namespace

int SetROP2(HDC DC, int Mode) {
    return SetField<int>(DC, 0, [&](TDCObj* dc) {
        if (Mode < R2_BLACK || Mode > R2_WHITE) return 0;
        return std::exchange(dc->S.Rop2, Mode);
    });
}
int GetROP2(HDC DC) { return SetField<int>(DC, 0, [](TDCObj* dc) { return dc->S.Rop2; }); }

int SetBkMode(HDC DC, int Mode) {
    return SetField<int>(DC, 0, [&](TDCObj* dc) {
        if (Mode != TRANSPARENT && Mode != OPAQUE) return 0;
        return std::exchange(dc->S.BkMode, Mode);
    });
}
int GetBkMode(HDC DC) { return SetField<int>(DC, 0, [](TDCObj* dc) { return dc->S.BkMode; }); }

COLORREF SetBkColor(HDC DC, COLORREF Color) {
    return SetField<COLORREF>(DC, CLR_INVALID, [&](TDCObj* dc) { return std::exchange(dc->S.BkColor, Color & 0xFFFFFF); });
}
COLORREF GetBkColor(HDC DC) { return SetField<COLORREF>(DC, CLR_INVALID, [](TDCObj* dc) { return dc->S.BkColor; }); }
COLORREF SetTextColor(HDC DC, COLORREF Color) {
    return SetField<COLORREF>(DC, CLR_INVALID,
                              [&](TDCObj* dc) { return std::exchange(dc->S.TextColor, Color & 0xFFFFFF); });
}
COLORREF GetTextColor(HDC DC) { return SetField<COLORREF>(DC, CLR_INVALID, [](TDCObj* dc) { return dc->S.TextColor; }); }
COLORREF SetDCBrushColor(HDC DC, COLORREF Color) {
    return SetField<COLORREF>(DC, CLR_INVALID,
                              [&](TDCObj* dc) { return std::exchange(dc->S.DCBrushColor, Color & 0xFFFFFF); });
}
COLORREF GetDCBrushColor(HDC DC) {
    return SetField<COLORREF>(DC, CLR_INVALID, [](TDCObj* dc) { return dc->S.DCBrushColor; });
}
COLORREF SetDCPenColor(HDC DC, COLORREF Color) {
    return SetField<COLORREF>(DC, CLR_INVALID,
                              [&](TDCObj* dc) { return std::exchange(dc->S.DCPenColor, Color & 0xFFFFFF); });
}
COLORREF GetDCPenColor(HDC DC) { return SetField<COLORREF>(DC, CLR_INVALID, [](TDCObj* dc) { return dc->S.DCPenColor; }); }

int SetPolyFillMode(HDC DC, int Mode) {
    return SetField<int>(DC, 0, [&](TDCObj* dc) {
        if (Mode != ALTERNATE && Mode != WINDING) return 0;
        return std::exchange(dc->S.PolyFillMode, Mode);
    });
}
int GetPolyFillMode(HDC DC) { return SetField<int>(DC, 0, [](TDCObj* dc) { return dc->S.PolyFillMode; }); }

int SetArcDirection(HDC DC, int Direction) {
    return SetField<int>(DC, 0, [&](TDCObj* dc) {
        if (Direction != AD_COUNTERCLOCKWISE && Direction != AD_CLOCKWISE) return 0;
        return std::exchange(dc->S.ArcDirection, Direction);
    });
}
int GetArcDirection(HDC DC) { return SetField<int>(DC, 0, [](TDCObj* dc) { return dc->S.ArcDirection; }); }

int SetStretchBltMode(HDC DC, int Mode) {
    return SetField<int>(DC, 0, [&](TDCObj* dc) {
        if (Mode < BLACKONWHITE || Mode > HALFTONE) return 0;
        return std::exchange(dc->S.StretchMode, Mode);
    });
}
int GetStretchBltMode(HDC DC) { return SetField<int>(DC, 0, [](TDCObj* dc) { return dc->S.StretchMode; }); }

unsigned SetTextAlign(HDC DC, unsigned Align) {
    return SetField<unsigned>(DC, 0xFFFFFFFFu, [&](TDCObj* dc) { return std::exchange(dc->S.TextAlign, Align); });
}
unsigned GetTextAlign(HDC DC) { return SetField<unsigned>(DC, 0xFFFFFFFFu, [](TDCObj* dc) { return dc->S.TextAlign; }); }

int SetTextCharacterExtra(HDC DC, int Extra) {
    return SetField<int>(DC, int(0x80000000u), [&](TDCObj* dc) { return std::exchange(dc->S.CharExtra, Extra); });
}
int GetTextCharacterExtra(HDC DC) {
    return SetField<int>(DC, int(0x80000000u), [](TDCObj* dc) { return dc->S.CharExtra; });
}

int SetMapMode(HDC DC, int Mode) {
    return SetField<int>(DC, 0, [&](TDCObj*) { return Mode == MM_TEXT ? MM_TEXT : 0; });
}
int GetMapMode(HDC DC) { return SetField<int>(DC, 0, [](TDCObj*) { return MM_TEXT; }); }

namespace {

bool SetPointField(HDC DC, TPoint TDCState::*Field, int X, int Y, TPoint* Old, bool Offset) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    TPoint& p = dc->S.*Field;
    if (Old) *Old = p;
    if (Offset)
        p = TPoint{ClampCoord(int64_t(p.X) + X), ClampCoord(int64_t(p.Y) + Y)};
    else
        p = TPoint{ClampCoord(X), ClampCoord(Y)};
    return true;
}

bool GetPointField(HDC DC, TPoint TDCState::*Field, TPoint* Out) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !Out) return false;
    *Out = dc->S.*Field;
    return true;
}

}  // namespace

bool SetBrushOrgEx(HDC DC, int X, int Y, TPoint* Old) { return SetPointField(DC, &TDCState::BrushOrg, X, Y, Old, false); }
bool GetBrushOrgEx(HDC DC, TPoint* Org) { return GetPointField(DC, &TDCState::BrushOrg, Org); }
bool SetViewportOrgEx(HDC DC, int X, int Y, TPoint* Old) {
    return SetPointField(DC, &TDCState::ViewportOrg, X, Y, Old, false);
}
bool GetViewportOrgEx(HDC DC, TPoint* Org) { return GetPointField(DC, &TDCState::ViewportOrg, Org); }
bool OffsetViewportOrgEx(HDC DC, int DX, int DY, TPoint* Old) {
    return SetPointField(DC, &TDCState::ViewportOrg, DX, DY, Old, true);
}
bool SetWindowOrgEx(HDC DC, int X, int Y, TPoint* Old) { return SetPointField(DC, &TDCState::WindowOrg, X, Y, Old, false); }
bool GetWindowOrgEx(HDC DC, TPoint* Org) { return GetPointField(DC, &TDCState::WindowOrg, Org); }
bool OffsetWindowOrgEx(HDC DC, int DX, int DY, TPoint* Old) {
    return SetPointField(DC, &TDCState::WindowOrg, DX, DY, Old, true);
}

bool LPtoDP(HDC DC, TPoint* Points, int Count) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || (!Points && Count > 0) || Count < 0) return false;
    for (int i = 0; i < Count; ++i) Points[i] = TPoint{dc->DevX(Points[i].X), dc->DevY(Points[i].Y)};
    return true;
}

bool DPtoLP(HDC DC, TPoint* Points, int Count) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || (!Points && Count > 0) || Count < 0) return false;
    for (int i = 0; i < Count; ++i)
        Points[i] = TPoint{ClampCoord(int64_t(Points[i].X) - dc->OffX()), ClampCoord(int64_t(Points[i].Y) - dc->OffY())};
    return true;
}

bool MoveToEx(HDC DC, int X, int Y, TPoint* Old) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    if (Old) *Old = dc->S.CurPos;
    dc->S.CurPos = TPoint{ClampCoord(X), ClampCoord(Y)};
    dc->StylePhase = 0;
    return true;
}

bool GetCurrentPositionEx(HDC DC, TPoint* Pos) { return GetPointField(DC, &TDCState::CurPos, Pos); }

// ---------------------------------------------------------------------------
// Clipping

namespace {

TRect DeviceRect(TDCObj* dc, int L, int T, int R, int B) {
    TRect r{dc->DevX(L), dc->DevY(T), dc->DevX(R), dc->DevY(B)};
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    return r;
}

TRegion WholeSurface(TDCObj* dc) {
    const TPixelView v = dc->View();
    TRegion r;
    r.SetRect(TRect{0, 0, v.Width, v.Height});
    return r;
}

int SetClip(TDCObj* dc, TRegion R) {
    dc->S.HasClip = true;
    dc->S.Clip = std::move(R);
    dc->EffDirty = true;
    return dc->Clip().Type();
}

}  // namespace

int SelectClipRgn(HDC DC, HRGN Rgn) { return ExtSelectClipRgn(DC, Rgn, RGN_COPY); }

int ExtSelectClipRgn(HDC DC, HRGN Rgn, int Mode) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || Mode < RGN_AND || Mode > RGN_COPY) return ERROR;
    if (!Rgn) {
        if (Mode != RGN_COPY) return ERROR;
        dc->S.HasClip = false;
        dc->S.Clip.Clear();
        dc->EffDirty = true;
        return dc->Clip().Type();
    }
    TRegionObj* r = Lookup<TRegionObj>(Rgn, OBJ_REGION);
    if (!r) return ERROR;
    if (Mode == RGN_COPY) return SetClip(dc, r->Rgn);
    const TRegion current = dc->S.HasClip ? dc->S.Clip : WholeSurface(dc);
    return SetClip(dc, TRegion::Combine(current, r->Rgn, Mode));
}

int IntersectClipRect(HDC DC, int Left, int Top, int Right, int Bottom) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return ERROR;
    TRegion r;
    r.SetRect(DeviceRect(dc, Left, Top, Right, Bottom));
    return SetClip(dc, dc->S.HasClip ? TRegion::Combine(dc->S.Clip, r, RGN_AND) : r);
}

int ExcludeClipRect(HDC DC, int Left, int Top, int Right, int Bottom) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return ERROR;
    TRegion r;
    r.SetRect(DeviceRect(dc, Left, Top, Right, Bottom));
    const TRegion current = dc->S.HasClip ? dc->S.Clip : WholeSurface(dc);
    return SetClip(dc, TRegion::Combine(current, r, RGN_DIFF));
}

int OffsetClipRgn(HDC DC, int DX, int DY) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return ERROR;
    if (dc->S.HasClip) {
        dc->S.Clip.Offset(DX, DY);
        dc->EffDirty = true;
    }
    return dc->Clip().Type();
}

int GetClipBox(HDC DC, TRect* R) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !R) return ERROR;
    const TRegion& c = dc->Clip();
    if (c.Empty()) {
        *R = TRect{};
        return NULLREGION;
    }
    const TRect b = c.Box();
    *R = TRect{b.Left - dc->OffX(), b.Top - dc->OffY(), b.Right - dc->OffX(), b.Bottom - dc->OffY()};
    return c.Type();
}

int GetClipRgn(HDC DC, HRGN Rgn) {
    TDCObj* dc = LookupDC(DC);
    TRegionObj* r = Lookup<TRegionObj>(Rgn, OBJ_REGION);
    if (!dc || !r) return -1;
    if (!dc->S.HasClip) return 0;
    r->Rgn = dc->S.Clip;
    return 1;
}

bool PtVisible(HDC DC, int X, int Y) {
    TDCObj* dc = LookupDC(DC);
    return dc && dc->Clip().Contains(dc->DevX(X), dc->DevY(Y));
}

bool RectVisible(HDC DC, const TRect& R) {
    TDCObj* dc = LookupDC(DC);
    return dc && dc->Clip().IntersectsRect(DeviceRect(dc, R.Left, R.Top, R.Right, R.Bottom));
}

}  // namespace vcl
