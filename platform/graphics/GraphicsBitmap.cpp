// GraphicsBitmap.cpp - TGraphic, TBitmap, TPicture and saving bitmaps as PNG.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "Filer.h"
#include "Graphics.h"
#include "ImageCodecs.h"
#include "Resources.h"
#include "Streams.h"
#include "Surface.h"
#include "SysUtils.h"

namespace vcl {

// ---------------------------------------------------------------------------
// TGraphic

VCL_IMPLEMENT_CLASS(TGraphic, TPersistent)

TGraphic::~TGraphic() = default;

void TGraphic::SetTransparent(bool Value) {
    if (Value == FTransparent) return;
    FTransparent = Value;
    Changed();
}

void TGraphic::SetModified(bool Value) {
    if (Value)
        Changed();
    else
        FModified = false;
}

void TGraphic::Changed() {
    FModified = true;
    if (FOnChange) FOnChange(this);
}

void TGraphic::LoadFromFile(const std::string& FileName) {
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(f);
}

void TGraphic::SaveToFile(const std::string& FileName) const {
    // The whole image is made first, so that a graphic that cannot be
    // written leaves an existing file alone.
    TMemoryStream m;
    SaveToStream(m);
    m.SaveToFile(FileName);
}

void TGraphic::DefineProperties(TFiler& Filer) {
    Filer.DefineBinaryProperty(
        "Data", [this](TStream& S) { ReadData(S); }, [this](TStream& S) { WriteData(S); }, !Empty());
}

void TGraphic::ReadData(TStream& Stream) { LoadFromStream(Stream); }

void TGraphic::WriteData(TStream& Stream) const { SaveToStream(Stream); }

// ---------------------------------------------------------------------------
// Colour reduction for the palette formats

namespace {

constexpr uint32_t Vga16[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
                                0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

// The standard palette of a bit count, as 0x00RRGGBB.
const std::vector<uint32_t>& StandardPalette(int Bits) {
    static const std::vector<uint32_t> mono{0x000000, 0xFFFFFF};
    static const std::vector<uint32_t> vga(std::begin(Vga16), std::end(Vga16));
    static const std::vector<uint32_t> full = [] {
        std::vector<uint32_t> p(std::begin(Vga16), std::end(Vga16));
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    p.push_back(uint32_t(r * 51) << 16 | uint32_t(g * 51) << 8 | uint32_t(b * 51));
        for (int i = 0; i < 24; ++i) {
            const uint32_t v = uint32_t(8 + 10 * i);
            p.push_back(v << 16 | v << 8 | v);
        }
        return p;
    }();
    return Bits == 1 ? mono : Bits == 4 ? vga : full;
}

uint32_t Nearest(uint32_t Rgb, const std::vector<uint32_t>& Palette) {
    const int r = int(Rgb >> 16 & 0xFF), g = int(Rgb >> 8 & 0xFF), b = int(Rgb & 0xFF);
    uint32_t best = Palette[0];
    int bestD = INT32_MAX;
    for (uint32_t p : Palette) {
        const int dr = r - int(p >> 16 & 0xFF), dg = g - int(p >> 8 & 0xFF), db = b - int(p & 0xFF);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestD) {
            bestD = d;
            best = p;
        }
    }
    return best;
}

// Maps the pixels of rows onto the standard palette of Bits (1, 4, 8) when
// they hold more colours than the bit count allows.  Returns true when
// pixels changed.
bool ReduceToPalette(const TPixelView& V, int Bits) {
    const size_t limit = size_t(1) << Bits;
    std::unordered_set<uint32_t> seen;
    bool over = false;
    for (int32_t y = 0; y < V.Height && !over; ++y) {
        const uint32_t* row = V.Row(y);
        for (int32_t x = 0; x < V.Width; ++x) {
            seen.insert(row[x] & 0xFFFFFFu);
            if (seen.size() > limit) {
                over = true;
                break;
            }
        }
    }
    if (!over) return false;
    const std::vector<uint32_t>& pal = StandardPalette(Bits);
    std::unordered_map<uint32_t, uint32_t> cache;
    for (int32_t y = 0; y < V.Height; ++y) {
        uint32_t* row = V.Row(y);
        for (int32_t x = 0; x < V.Width; ++x) {
            const uint32_t c = row[x] & 0xFFFFFFu;
            auto it = cache.find(c);
            if (it == cache.end()) it = cache.emplace(c, Nearest(c, pal)).first;
            row[x] = 0xFF000000u | it->second;
        }
    }
    return true;
}

// Reduces every channel to 5 bits (pf15bit) or red and blue to 5 and green
// to 6 bits (pf16bit), spreading the kept bits over 8 as a 16-bit bitmap
// reads back.
void ReduceDepth(const TPixelView& V, bool Green6) {
    auto cut = [](uint32_t c, int bits) {
        c >>= 8 - bits;
        return (c << (8 - bits)) | (c >> (2 * bits - 8));
    };
    for (int32_t y = 0; y < V.Height; ++y) {
        uint32_t* row = V.Row(y);
        for (int32_t x = 0; x < V.Width; ++x) {
            const uint32_t p = row[x];
            const uint32_t r = cut(p >> 16 & 0xFF, 5), g = cut(p >> 8 & 0xFF, Green6 ? 6 : 5), b = cut(p & 0xFF, 5);
            row[x] = (p & 0xFF000000u) | r << 16 | g << 8 | b;
        }
    }
}

int PaletteBits(TPixelFormat F) { return F == pf1bit ? 1 : F == pf4bit ? 4 : F == pf8bit ? 8 : 0; }

int SavedBitCount(TPixelFormat F) {
    switch (F) {
        case pf1bit:
            return 1;
        case pf4bit:
            return 4;
        case pf8bit:
            return 8;
        case pf32bit:
            return 32;
        default:
            return 24;
    }
}

TPixelFormat FormatOfBitCount(int Bits) {
    switch (Bits) {
        case 1:
            return pf1bit;
        case 4:
            return pf4bit;
        case 8:
            return pf8bit;
        case 16:
            return pf16bit;
        case 32:
            return pf32bit;
        default:
            return pf24bit;
    }
}

uint32_t ReadLE32(const uint8_t* P) {
    return uint32_t(P[0]) | uint32_t(P[1]) << 8 | uint32_t(P[2]) << 16 | uint32_t(P[3]) << 24;
}

}  // namespace

// ---------------------------------------------------------------------------
// TBitmap's canvas: a memory DC with the bitmap selected (or, while the
// bitmap is empty, an empty clip region so that nothing is drawn).

class TBitmap::TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* Owner) : FBitmap(Owner) {}
    ~TBitmapCanvas() override { FreeDC(); }

    // Selects the bitmap's current handle.
    void Attach() {
        if (!FDC) return;
        if (FBitmap->FHandle) {
            SelectObject(FDC, FBitmap->FHandle);
            if (FEmptyClip) {
                SelectClipRgn(FDC, nullptr);
                FEmptyClip = false;
            }
        } else {
            SelectObject(FDC, FDefault);
            IntersectClipRect(FDC, 0, 0, 0, 0);
            FEmptyClip = true;
        }
    }

    void FreeDC() {
        if (!FDC) return;
        HDC dc = FDC;
        SetHandle(nullptr);
        SelectObject(dc, FDefault);
        DeleteDC(dc);
        FDC = nullptr;
    }

protected:
    void CreateHandle() override {
        if (!FDC) {
            FDC = CreateCompatibleDC(nullptr);
            if (!FDC) return;
            FDefault = GetCurrentObject(FDC, OBJ_BITMAP);
            FEmptyClip = false;
            Attach();
        }
        SetHandle(FDC);
    }

    void Changed() override {
        TCanvas::Changed();
        FBitmap->Changed();
    }

private:
    TBitmap* FBitmap;
    HDC FDC = nullptr;
    HGDIOBJ FDefault = nullptr;
    bool FEmptyClip = false;
};

// ---------------------------------------------------------------------------
// TBitmap

VCL_IMPLEMENT_CLASS(TBitmap, TGraphic)

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int32_t Width, int32_t Height) { SetSize(Width, Height); }

TBitmap::~TBitmap() {
    FCanvas.reset();
    FreeMask();
    if (FHandle) DeleteObject(FHandle);
}

bool TBitmap::Empty() const { return FHandle == nullptr; }

TPixelView TBitmap::View() const {
    TPixelView v{};
    if (FHandle) GetBitmapView(FHandle, &v);
    return v;
}

int32_t TBitmap::Width() const { return View().Width; }

int32_t TBitmap::Height() const { return View().Height; }

TCanvas* TBitmap::Canvas() const {
    if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(const_cast<TBitmap*>(this));
    return FCanvas.get();
}

void TBitmap::Changed() {
    FreeMask();
    TGraphic::Changed();
}

void TBitmap::FreeMask() const {
    if (FMaskHandle) DeleteObject(FMaskHandle);
    FMaskHandle = nullptr;
    FMaskColor = clNone;
}

void TBitmap::ReplaceHandle(HBITMAP Handle) {
    HBITMAP old = FHandle;
    FHandle = Handle;
    FreeMask();
    if (FCanvas) FCanvas->Attach();
    if (old && old != Handle) DeleteObject(old);
}

void TBitmap::SetSize(int32_t NewWidth, int32_t NewHeight) {
    if (NewWidth < 0 || NewHeight < 0)
        throw EInvalidGraphicOperation("Invalid bitmap size " + std::to_string(NewWidth) + " x " +
                                       std::to_string(NewHeight));
    const TPixelView old = View();
    if (NewWidth == 0 || NewHeight == 0) {
        if (!FHandle) return;
        ReplaceHandle(nullptr);
        Changed();
        return;
    }
    if (NewWidth == old.Width && NewHeight == old.Height) return;
    const uint32_t fill = PixelFromColorRef(FCanvas ? ColorToColorRef(FCanvas->Brush()->Color()) : RGB(255, 255, 255));
    if (!FHandle) {
        TPixelView v;
        HBITMAP b = CreateSurfaceBitmap(NewWidth, NewHeight, &v);
        if (!b)
            throw EInvalidGraphicOperation("Cannot make a bitmap of " + std::to_string(NewWidth) + " x " +
                                           std::to_string(NewHeight) + " pixels");
        for (int32_t y = 0; y < v.Height; ++y) std::fill(v.Row(y), v.Row(y) + v.Width, fill);
        ReplaceHandle(b);
    } else {
        TSurface* s = GetBitmapSurface(FHandle);
        s->Resize(NewWidth, NewHeight);  // raises and keeps the surface when too large
        if (NewWidth > old.Width) s->FillRect(Rect(old.Width, 0, NewWidth, NewHeight), fill);
        if (NewHeight > old.Height) s->FillRect(Rect(0, old.Height, std::min(old.Width, NewWidth), NewHeight), fill);
        FreeMask();
    }
    Changed();
}

void TBitmap::SetHandle(HBITMAP Value) {
    if (Value == FHandle) return;
    if (!Value) {
        ReplaceHandle(nullptr);
        Changed();
        return;
    }
    BITMAP bm;
    if (!GetObject(Value, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        throw EInvalidGraphicOperation("Invalid bitmap handle");
    // A 32-bit bitmap that no DC holds is taken as it is; any other is
    // copied into a surface bitmap of ours.
    bool take = false;
    if (bm.bmBitsPixel == 32) {
        HDC probe = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(probe, Value);
        if (old) {
            take = true;
            SelectObject(probe, old);
        }
        DeleteDC(probe);
    }
    HBITMAP mine = Value;
    if (!take) {
        TPixelView src{}, dst{};
        GetBitmapView(Value, &src);
        mine = CreateSurfaceBitmap(bm.bmWidth, bm.bmHeight, &dst);
        if (!mine) throw EInvalidGraphicOperation("Cannot make a bitmap of the handle's size");
        for (int32_t y = 0; y < dst.Height; ++y) std::memcpy(dst.Row(y), src.Row(y), size_t(dst.Width) * 4);
        DeleteObject(Value);
    }
    ReplaceHandle(mine);
    FPixelFormat = bm.bmBitsPixel == 1 ? pf1bit : pfDevice;
    Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
    HBITMAP h = FHandle;
    if (!h) return nullptr;
    FHandle = nullptr;
    FreeMask();
    if (FCanvas) FCanvas->Attach();
    Changed();
    return h;
}

HBITMAP TBitmap::MaskHandle() const {
    if (!FHandle) return nullptr;
    const TColor tc = TransparentColor();
    if (FMaskHandle && FMaskColor == tc) return FMaskHandle;
    FreeMask();
    const TPixelView v = View();
    const size_t rowBytes = size_t((v.Width + 15) / 16) * 2;
    std::vector<uint8_t> bits(rowBytes * size_t(v.Height), 0);
    const uint32_t key = PixelFromColorRef(ColorToColorRef(tc)) & 0xFFFFFFu;
    for (int32_t y = 0; y < v.Height; ++y) {
        const uint32_t* row = v.Row(y);
        for (int32_t x = 0; x < v.Width; ++x)
            if ((row[x] & 0xFFFFFFu) == key) bits[size_t(y) * rowBytes + size_t(x / 8)] |= uint8_t(0x80 >> (x & 7));
    }
    FMaskHandle = CreateBitmap(v.Width, v.Height, 1, 1, bits.data());
    FMaskColor = tc;
    return FMaskHandle;
}

void TBitmap::Quantize(TPixelFormat Format) {
    const TPixelView v = View();
    if (!v.Bits) return;
    if (int bits = PaletteBits(Format))
        ReduceToPalette(v, bits);
    else if (Format == pf15bit || Format == pf16bit)
        ReduceDepth(v, Format == pf16bit);
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
    if (Value == FPixelFormat) return;
    Quantize(Value);
    FPixelFormat = Value;
    Changed();
}

void TBitmap::SetMonochrome(bool Value) {
    if (Value == Monochrome()) return;
    SetPixelFormat(Value ? pf1bit : pfDevice);
}

TColor TBitmap::TransparentColor() const {
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
    const TPixelView v = View();
    if (!v.Bits) return clDefault;
    return ColorRefToColor(ColorRefFromPixel(v.Row(v.Height - 1)[0]));
}

void TBitmap::SetTransparentColor(TColor Value) {
    if (Value == FTransparentColor) return;
    FTransparentColor = Value;
    FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
    if (Value == FTransparentMode) return;
    if (Value == tmAuto) {
        FTransparentColor = clDefault;
    } else {
        FTransparentColor = TransparentColor();
    }
    FTransparentMode = Value;
    Changed();
}

uint32_t* TBitmap::ScanLine(int32_t Y) {
    const TPixelView v = View();
    if (!v.Bits || Y < 0 || Y >= v.Height) throw EInvalidGraphicOperation("Scan line index out of range");
    return v.Row(Y);
}

const uint32_t* TBitmap::ScanLine(int32_t Y) const { return const_cast<TBitmap*>(this)->ScanLine(Y); }

void TBitmap::Mask(TColor TransparentColor) {
    const TPixelView v = View();
    if (!v.Bits) return;
    const uint32_t key = PixelFromColorRef(ColorToColorRef(TransparentColor)) & 0xFFFFFFu;
    for (int32_t y = 0; y < v.Height; ++y) {
        uint32_t* row = v.Row(y);
        for (int32_t x = 0; x < v.Width; ++x) row[x] = (row[x] & 0xFFFFFFu) == key ? 0xFFFFFFFFu : 0xFF000000u;
    }
    FPixelFormat = pf1bit;
    Changed();
}

void TBitmap::Draw(TCanvas& Canvas, const TRect& R) const {
    if (!FHandle) return;
    TCanvas* own = this->Canvas();
    own->RequiredState({csHandleValid});
    Canvas.RequiredState({csHandleValid});
    HDC src = own->FHandle, dst = Canvas.FHandle;
    const TPixelView v = View();
    if (Transparent()) {
        TransparentBlt(dst, R.Left, R.Top, R.Width(), R.Height(), src, 0, 0, v.Width, v.Height,
                       ColorToColorRef(TransparentColor()));
    } else {
        const int mode = SetStretchBltMode(dst, COLORONCOLOR);
        StretchBlt(dst, R.Left, R.Top, R.Width(), R.Height(), src, 0, 0, v.Width, v.Height, DWORD(Canvas.CopyMode()));
        if (mode) SetStretchBltMode(dst, mode);
    }
}

void TBitmap::LoadImage(const TDibImage& Image) {
    TPixelView v;
    HBITMAP b = CreateSurfaceBitmap(Image.Width, Image.Height, &v);
    if (!b)
        throw EInvalidGraphic("Bitmap image is not valid: " + std::to_string(Image.Width) + " x " +
                              std::to_string(Image.Height) + " pixels cannot be held");
    for (int32_t y = 0; y < v.Height; ++y)
        std::memcpy(v.Row(y), Image.Pixels.data() + size_t(y) * size_t(Image.Width), size_t(v.Width) * 4);
    ReplaceHandle(b);
    FPixelFormat = FormatOfBitCount(Image.BitCount);
    Changed();
}

void TBitmap::LoadFromBytes(const uint8_t* Data, size_t Size, size_t* Used, bool AllowDib) {
    *Used = Size;
    if (Size == 0) {
        // Nothing to read: an empty bitmap, as an empty bitmap saves.
        if (FHandle) {
            ReplaceHandle(nullptr);
            Changed();
        }
        return;
    }
    TDibImage img;
    if (Size >= 2 && Data[0] == 'B' && Data[1] == 'M') {
        // The file header's size tells where the image ends in a stream
        // that holds more; a header that lies is not trusted.
        size_t n = Size;
        if (Size >= 6) {
            const size_t declared = ReadLE32(Data + 2);
            if (declared >= 26 && declared < Size) n = declared;
        }
        try {
            img = ReadBmp(Data, n);
            *Used = n;
        } catch (const EInvalidGraphic&) {
            if (n == Size) throw;
            img = ReadBmp(Data, Size);
            *Used = Size;
        }
    } else if (AllowDib) {
        img = ReadDib(Data, Size);
    } else {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    LoadImage(img);
}

void TBitmap::LoadFromStream(TStream& Stream) {
    const Int64 start = Stream.Position();
    const std::string all = Stream.ReadAll();
    size_t used = 0;
    try {
        LoadFromBytes(reinterpret_cast<const uint8_t*>(all.data()), all.size(), &used, false);
    } catch (...) {
        Stream.SetPosition(start);
        throw;
    }
    Stream.SetPosition(start + Int64(used));
}

void TBitmap::SaveToStream(TStream& Stream) const {
    const TPixelView v = View();
    if (!v.Bits) return;
    TDibImage img;
    img.Width = v.Width;
    img.Height = v.Height;
    img.Pixels.resize(size_t(v.Width) * size_t(v.Height));
    for (int32_t y = 0; y < v.Height; ++y)
        std::memcpy(img.Pixels.data() + size_t(y) * size_t(v.Width), v.Row(y), size_t(v.Width) * 4);
    const int bits = SavedBitCount(FPixelFormat);
    if (bits <= 8) ReduceToPalette(TPixelView{img.Pixels.data(), img.Width, img.Height, img.Width}, bits);
    img.BitCount = bits;
    img.HasAlpha =
        bits == 32 && std::any_of(img.Pixels.begin(), img.Pixels.end(), [](uint32_t p) { return (p >> 24) != 0xFF; });
    const std::vector<uint8_t> bytes = WriteBmp(img, bits);
    Stream.WriteBuffer(bytes.data(), Int64(bytes.size()));
}

void TBitmap::ReadData(TStream& Stream) {
    // As in the classic form files: the byte count, then the BMP file.
    uint8_t size[4];
    Stream.ReadBuffer(size, 4);
    const uint32_t n = ReadLE32(size);
    if (Int64(n) > Stream.Size() - Stream.Position())
        throw EInvalidGraphic("Bitmap image is not valid: the data is shorter than its size says");
    std::vector<uint8_t> data(n);
    if (n) Stream.ReadBuffer(data.data(), n);
    size_t used;
    LoadFromBytes(data.data(), data.size(), &used, false);
}

void TBitmap::WriteData(TStream& Stream) const {
    TMemoryStream m;
    SaveToStream(m);
    const uint32_t n = uint32_t(m.Size());
    const uint8_t size[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    Stream.WriteBuffer(size, 4);
    if (n) Stream.WriteBuffer(m.Memory(), n);
}

void TBitmap::Assign(const TPersistent* Source) {
    if (!Source) {
        if (FHandle) ReplaceHandle(nullptr);
        FPixelFormat = pfDevice;
        Changed();
        return;
    }
    if (auto* b = dynamic_cast<const TBitmap*>(Source)) {
        if (b == this) return;
        const TPixelView src = b->View();
        if (!src.Bits) {
            if (FHandle) ReplaceHandle(nullptr);
        } else {
            TPixelView dst;
            HBITMAP h = CreateSurfaceBitmap(src.Width, src.Height, &dst);
            if (!h) throw EInvalidGraphicOperation("Cannot make a copy of the bitmap");
            for (int32_t y = 0; y < src.Height; ++y) std::memcpy(dst.Row(y), src.Row(y), size_t(src.Width) * 4);
            ReplaceHandle(h);
        }
        FPixelFormat = b->FPixelFormat;
        FTransparentColor = b->FTransparentColor;
        FTransparentMode = b->FTransparentMode;
        FTransparent = b->FTransparent;
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TBitmap::LoadFromResourceName(const std::string& Name) {
    TResourceData d = LoadResource(RT_BITMAP, Name);
    size_t used;
    LoadFromBytes(d->data(), d->size(), &used, true);
}

void TBitmap::LoadFromResourceID(int32_t Id) {
    TResourceData d = LoadResource(RT_BITMAP, Id);
    size_t used;
    LoadFromBytes(d->data(), d->size(), &used, true);
}

bool SaveGraphicToPng(const TBitmap& Bitmap, const std::string& Path) {
    const TPixelView v = Bitmap.View();
    if (!v.Bits) return false;
    return SavePixelsToPng(v, Path);
}

// ---------------------------------------------------------------------------
// TPicture

namespace {

struct TFileFormat {
    std::string Extension;  // lower case, no dot
    std::string Description;
    TGraphicClass Class;
};

struct TFormats {
    std::mutex Lock;
    std::vector<TFileFormat> List;
};

TFormats& Formats() {
    static TFormats* f = [] {
        auto* r = new TFormats;
        r->List.push_back({"bmp", "Bitmaps", GraphicClassOf<TBitmap>()});
        r->List.push_back({"ico", "Icons", GraphicClassOf<TIcon>()});
        return r;
    }();
    return *f;
}

bool FindByExtension(const std::string& Ext, TGraphicClass& Out) {
    TFormats& f = Formats();
    std::lock_guard<std::mutex> g(f.Lock);
    for (const auto& e : f.List)
        if (e.Extension == Ext) {
            Out = e.Class;
            return true;
        }
    return false;
}

bool FindByClassName(const std::string& Name, TGraphicClass& Out) {
    TFormats& f = Formats();
    std::lock_guard<std::mutex> g(f.Lock);
    for (const auto& e : f.List)
        if (e.Class.Class && SameText(e.Class.Class->ClassName(), Name)) {
            Out = e.Class;
            return true;
        }
    return false;
}

}  // namespace

VCL_IMPLEMENT_CLASS(TPicture, TPersistent)

TPicture::TPicture() = default;

TPicture::~TPicture() {
    if (FGraphic) FGraphic->SetOnChange(nullptr);
}

void TPicture::GraphicChanged() {
    if (FOnChange) FOnChange(this);
}

void TPicture::Replace(TGraphic* NewGraphic) {
    std::unique_ptr<TGraphic> keep(NewGraphic);
    if (keep) keep->SetOnChange([this](TObject*) { GraphicChanged(); });
    if (FGraphic) FGraphic->SetOnChange(nullptr);
    FGraphic = std::move(keep);
    GraphicChanged();
}

void TPicture::SetGraphic(const TGraphic* Value) {
    if (!Value) {
        Replace(nullptr);
        return;
    }
    if (Value == FGraphic.get()) return;
    std::unique_ptr<TGraphic> g(Value->NewOfSameClass());
    g->Assign(Value);
    Replace(g.release());
}

TBitmap* TPicture::Bitmap() {
    if (!dynamic_cast<TBitmap*>(FGraphic.get())) Replace(new TBitmap());
    return static_cast<TBitmap*>(FGraphic.get());
}

TIcon* TPicture::Icon() {
    if (!dynamic_cast<TIcon*>(FGraphic.get())) Replace(new TIcon());
    return static_cast<TIcon*>(FGraphic.get());
}

int32_t TPicture::Width() const { return FGraphic ? FGraphic->Width() : 0; }

int32_t TPicture::Height() const { return FGraphic ? FGraphic->Height() : 0; }

void TPicture::LoadFromFile(const std::string& FileName) {
    const std::string ext = ExtractFileExt(FileName);
    const std::string key = LowerCase(ext.empty() ? ext : ext.substr(1));
    TGraphicClass cls;
    if (!FindByExtension(key, cls)) throw EInvalidGraphic("Unknown picture file extension (." + key + ")");
    std::unique_ptr<TGraphic> g(cls.Create());
    g->LoadFromFile(FileName);
    Replace(g.release());
}

void TPicture::SaveToFile(const std::string& FileName) const {
    if (!FGraphic) throw EInvalidGraphicOperation("The picture holds no graphic to save");
    FGraphic->SaveToFile(FileName);
}

void TPicture::Assign(const TPersistent* Source) {
    if (!Source) {
        Replace(nullptr);
        return;
    }
    if (auto* p = dynamic_cast<const TPicture*>(Source)) {
        if (p != this) SetGraphic(p->FGraphic.get());
        return;
    }
    if (auto* g = dynamic_cast<const TGraphic*>(Source)) {
        SetGraphic(g);
        return;
    }
    TPersistent::Assign(Source);
}

void TPicture::DefineProperties(TFiler& Filer) {
    auto read = [this](TStream& S) {
        uint8_t len = 0;
        S.ReadBuffer(&len, 1);
        std::string name(len, '\0');
        if (len) S.ReadBuffer(name.data(), len);
        if (name.empty()) {
            Replace(nullptr);
            return;
        }
        TGraphicClass cls;
        if (!FindByClassName(name, cls)) throw EInvalidGraphic("Unknown picture format " + name);
        std::unique_ptr<TGraphic> g(cls.Create());
        g->ReadData(S);
        Replace(g.release());
    };
    auto write = [this](TStream& S) {
        const std::string name = FGraphic->ClassName();
        const uint8_t len = uint8_t(std::min<size_t>(name.size(), 255));
        S.WriteBuffer(&len, 1);
        S.WriteBuffer(name.data(), len);
        FGraphic->WriteData(S);
    };
    Filer.DefineBinaryProperty("Data", read, write, FGraphic && !FGraphic->Empty());
}

void TPicture::RegisterFileFormat(const std::string& Extension, const std::string& Description, TGraphicClass Class) {
    if (!Class.Class || !Class.Create) throw EInvalidOperation("A picture format needs a class and a factory");
    std::string ext = LowerCase(Extension);
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    if (ext.empty()) throw EInvalidOperation("A picture format needs an extension");
    TFormats& f = Formats();
    std::lock_guard<std::mutex> g(f.Lock);
    for (auto& e : f.List)
        if (e.Extension == ext) {
            e.Description = Description;
            e.Class = Class;
            return;
        }
    f.List.push_back({ext, Description, Class});
}

void TPicture::UnregisterGraphicClass(const TMetaClass& Class) {
    TFormats& f = Formats();
    std::lock_guard<std::mutex> g(f.Lock);
    std::erase_if(f.List, [&](const TFileFormat& e) { return e.Class.Class == &Class; });
}

std::string TPicture::GraphicFilter() {
    TFormats& f = Formats();
    std::lock_guard<std::mutex> g(f.Lock);
    std::string all, each;
    for (const auto& e : f.List) {
        if (!all.empty()) all += ";";
        all += "*." + e.Extension;
        each += "|" + e.Description + " (*." + e.Extension + ")|*." + e.Extension;
    }
    if (all.empty()) return "";
    return "All (" + all + ")|" + all + each;
}

}  // namespace vcl
