// GraphicsIcon.cpp - icon handles (colour bitmap plus AND mask) and TIcon.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "Graphics.h"
#include "ImageCodecs.h"
#include "Resources.h"
#include "Streams.h"

namespace vcl {

// ---------------------------------------------------------------------------
// Icon handles

namespace {

constexpr int32_t MaxIconSide = 4096;

struct TIconEntry {
    TIconImage Image;         // as handed in (Pixels with alpha, Mask 1 = transparent)
    HBITMAP Color = nullptr;  // 32-bit XOR bitmap
    HBITMAP Mask = nullptr;   // 1-bit AND bitmap
    std::mutex Drawing;       // a bitmap is selected into one DC at a time
    ~TIconEntry() {
        if (Color) DeleteObject(Color);
        if (Mask) DeleteObject(Mask);
    }
};

struct TIconTable {
    std::mutex Lock;
    std::unordered_map<uintptr_t, std::shared_ptr<TIconEntry>> Items;
    uintptr_t Next = 0x40000000;  // handle values are never handed out twice
};

TIconTable& Icons() {
    static TIconTable* t = new TIconTable;
    return *t;
}

std::shared_ptr<TIconEntry> LookupIcon(HICON Icon) {
    if (!Icon) return nullptr;
    TIconTable& t = Icons();
    std::lock_guard<std::mutex> g(t.Lock);
    auto it = t.Items.find(reinterpret_cast<uintptr_t>(Icon));
    return it == t.Items.end() ? nullptr : it->second;
}

// Whether the image carries its transparency in its alpha channel.
bool UsesAlpha(const TIconImage& Img) {
    if (Img.BitCount != 32) return Img.Mask.empty();
    return std::any_of(Img.Pixels.begin(), Img.Pixels.end(), [](uint32_t p) { return (p >> 24) != 0; });
}

}  // namespace

HICON CreateIconFromImage(const TIconImage& Image) {
    const int32_t w = Image.Width, h = Image.Height;
    if (w <= 0 || h <= 0 || w > MaxIconSide || h > MaxIconSide) return nullptr;
    const size_t n = size_t(w) * size_t(h);
    if (Image.Pixels.size() != n || (!Image.Mask.empty() && Image.Mask.size() != n)) return nullptr;

    auto e = std::make_shared<TIconEntry>();
    e->Image = Image;
    const bool alpha = UsesAlpha(Image);
    std::vector<uint32_t> color(n);
    const size_t rowBytes = size_t((w + 15) / 16) * 2;
    std::vector<uint8_t> mask(rowBytes * size_t(h), 0);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            const uint32_t p = Image.Pixels[i];
            const bool clear = alpha ? (p >> 24) < 128 : Image.Mask[i] != 0;
            // Transparent pixels of an alpha image are black, so the XOR
            // step leaves the destination alone; those of a masked image
            // keep their XOR colour, as the classic icons do.
            color[i] = (clear && alpha) ? 0xFF000000u : (0xFF000000u | p);
            if (clear) mask[size_t(y) * rowBytes + size_t(x / 8)] |= uint8_t(0x80 >> (x & 7));
        }
    // The handed-in image keeps a mask that says what is drawn.
    if (e->Image.Mask.size() != n) {
        e->Image.Mask.assign(n, 0);
        for (size_t i = 0; i < n; ++i) e->Image.Mask[i] = (Image.Pixels[i] >> 24) < 128 ? 1 : 0;
    }
    e->Color = CreateBitmap(w, h, 1, 32, color.data());
    e->Mask = CreateBitmap(w, h, 1, 1, mask.data());
    if (!e->Color || !e->Mask) return nullptr;  // the entry frees what was made

    TIconTable& t = Icons();
    std::lock_guard<std::mutex> g(t.Lock);
    const uintptr_t id = t.Next;
    t.Next += 4;
    t.Items.emplace(id, std::move(e));
    return reinterpret_cast<HICON>(id);
}

bool DestroyIconImage(HICON Icon) {
    if (!Icon) return false;
    std::shared_ptr<TIconEntry> e;
    {
        TIconTable& t = Icons();
        std::lock_guard<std::mutex> g(t.Lock);
        auto it = t.Items.find(reinterpret_cast<uintptr_t>(Icon));
        if (it == t.Items.end()) return false;
        e = std::move(it->second);
        t.Items.erase(it);
    }
    return true;  // the bitmaps go with the last holder of the entry
}

bool GetIconImage(HICON Icon, TIconImage* Image) {
    auto e = LookupIcon(Icon);
    if (!e || !Image) return false;
    *Image = e->Image;
    return true;
}

bool GetIconImageSize(HICON Icon, TSize* Size) {
    auto e = LookupIcon(Icon);
    if (!e || !Size) return false;
    *Size = TSize{e->Image.Width, e->Image.Height};
    return true;
}

bool DrawIconImage(HDC DC, int X, int Y, HICON Icon, int Width, int Height, TIconDrawPart Part) {
    auto e = LookupIcon(Icon);
    if (!e || GetObjectType(DC) == 0) return false;
    const int iw = e->Image.Width, ih = e->Image.Height;
    if (Width == 0) Width = iw;
    if (Height == 0) Height = ih;

    std::lock_guard<std::mutex> g(e->Drawing);
    HDC src = CreateCompatibleDC(nullptr);
    if (!src) return false;
    HGDIOBJ old = GetCurrentObject(src, OBJ_BITMAP);
    // A mask paints its 1 bits in the background colour and its 0 bits in
    // the text colour: white keeps the destination under SRCAND, black
    // clears it.
    const COLORREF oldText = SetTextColor(DC, RGB(0, 0, 0));
    const COLORREF oldBk = SetBkColor(DC, RGB(255, 255, 255));
    const int oldMode = SetStretchBltMode(DC, COLORONCOLOR);
    bool ok = true;
    if (Part == idpNormal || Part == idpMask) {
        SelectObject(src, e->Mask);
        ok &= StretchBlt(DC, X, Y, Width, Height, src, 0, 0, iw, ih, Part == idpNormal ? SRCAND : SRCCOPY);
    }
    if (Part == idpNormal || Part == idpImage) {
        SelectObject(src, e->Color);
        ok &= StretchBlt(DC, X, Y, Width, Height, src, 0, 0, iw, ih, Part == idpNormal ? SRCINVERT : SRCCOPY);
    }
    SelectObject(src, old);
    DeleteDC(src);
    SetTextColor(DC, oldText);
    SetBkColor(DC, oldBk);
    if (oldMode) SetStretchBltMode(DC, oldMode);
    return ok;
}

// ---------------------------------------------------------------------------
// TIcon

VCL_IMPLEMENT_CLASS(TIcon, TGraphic)

namespace {

const TIconImage& EmptyIconImage() {
    static const TIconImage* e = new TIconImage;
    return *e;
}

uint32_t Le32(const uint8_t* P) {
    return uint32_t(P[0]) | uint32_t(P[1]) << 8 | uint32_t(P[2]) << 16 | uint32_t(P[3]) << 24;
}

// The number of bytes an ICO file occupies: its directory and the farthest
// end of an image (0 when the directory does not make sense; the reader
// then says what is wrong).
size_t IcoExtent(const uint8_t* Data, size_t Size) {
    if (Size < 6) return 0;
    const size_t count = size_t(Data[4]) | size_t(Data[5]) << 8;
    size_t end = 6 + 16 * count;
    if (end > Size) return 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* d = Data + 6 + 16 * i;
        const uint64_t last = uint64_t(Le32(d + 12)) + Le32(d + 8);
        if (last > Size) return 0;
        end = std::max(end, size_t(last));
    }
    return end;
}

}  // namespace

TIcon::TIcon() = default;

TIcon::~TIcon() { FreeHandle(); }

void TIcon::FreeHandle() const {
    if (FHandle) DestroyIconImage(FHandle);
    FHandle = nullptr;
}

bool TIcon::Empty() const { return !FImage; }

int32_t TIcon::Width() const { return FImage ? FImage->Width : 0; }

int32_t TIcon::Height() const { return FImage ? FImage->Height : 0; }

void TIcon::SetWidth(int32_t Value) {
    if (Value != Width()) throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::SetHeight(int32_t Value) {
    if (Value != Height()) throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

const TIconImage& TIcon::Image() const { return FImage ? *FImage : EmptyIconImage(); }

void TIcon::SetImage(const TIconImage& Value) {
    const size_t n = size_t(std::max(Value.Width, 0)) * size_t(std::max(Value.Height, 0));
    if (Value.Width < 1 || Value.Height < 1 || Value.Width > 256 || Value.Height > 256 || Value.Pixels.size() != n ||
        (!Value.Mask.empty() && Value.Mask.size() != n))
        throw EInvalidGraphic("Icon image is not valid: an icon is 1 to 256 pixels on a side with one pixel each");
    auto img = std::make_unique<TIconImage>(Value);
    FreeHandle();
    FImage = std::move(img);
    FData.clear();
    Changed();
}

HICON TIcon::Handle() const {
    if (!FHandle && FImage) FHandle = CreateIconFromImage(*FImage);
    return FHandle;
}

void TIcon::SetHandle(HICON Value) {
    if (Value == FHandle) return;
    if (!Value) {
        FreeHandle();
        FImage.reset();
        FData.clear();
        Changed();
        return;
    }
    auto img = std::make_unique<TIconImage>();
    if (!GetIconImage(Value, img.get())) throw EInvalidGraphicOperation("Invalid icon handle");
    FreeHandle();
    FHandle = Value;
    FImage = std::move(img);
    FData.clear();
    Changed();
}

HICON TIcon::ReleaseHandle() {
    HICON h = Handle();
    FHandle = nullptr;
    FImage.reset();
    FData.clear();
    Changed();
    return h;
}

void TIcon::Draw(TCanvas& Canvas, const TRect& R) const {
    HICON h = Handle();
    if (!h) return;
    Canvas.RequiredState({csHandleValid});
    DrawIconImage(Canvas.FHandle, R.Left, R.Top, h, R.Width(), R.Height());
}

void TIcon::LoadFromBytes(const uint8_t* Data, size_t Size, size_t* Used) {
    if (Size == 0) {
        // Nothing to read: an empty icon, as an empty icon saves.
        *Used = 0;
        if (FImage) SetHandle(nullptr);
        return;
    }
    size_t n = IcoExtent(Data, Size);
    if (n == 0) n = Size;
    TIconKind kind = TIconKind::Icon;
    std::vector<TIconImage> images = ReadIco(Data, n, &kind);
    if (kind != TIconKind::Icon) throw EInvalidGraphic("Icon image is not valid: the file holds a cursor");
    if (images.empty()) throw EInvalidGraphic("Icon image is not valid: the file holds no image");
    // The image closest to 32 x 32, the one with the most colours among equals.
    auto score = [](const TIconImage& I) { return std::abs(I.Width - 32) + std::abs(I.Height - 32); };
    size_t best = 0;
    for (size_t i = 1; i < images.size(); ++i) {
        const int a = score(images[i]), b = score(images[best]);
        if (a < b || (a == b && images[i].BitCount > images[best].BitCount)) best = i;
    }
    auto img = std::make_unique<TIconImage>(std::move(images[best]));
    FreeHandle();
    FImage = std::move(img);
    FData.assign(Data, Data + n);
    *Used = n;
    Changed();
}

void TIcon::LoadFromStream(TStream& Stream) {
    const Int64 start = Stream.Position();
    const std::string all = Stream.ReadAll();
    size_t used = 0;
    try {
        LoadFromBytes(reinterpret_cast<const uint8_t*>(all.data()), all.size(), &used);
    } catch (...) {
        Stream.SetPosition(start);
        throw;
    }
    Stream.SetPosition(start + Int64(used));
}

void TIcon::SaveToStream(TStream& Stream) const {
    if (!FData.empty()) {
        Stream.WriteBuffer(FData.data(), Int64(FData.size()));
        return;
    }
    if (!FImage) return;
    const std::vector<uint8_t> bytes = WriteIco({*FImage}, 32);
    Stream.WriteBuffer(bytes.data(), Int64(bytes.size()));
}

void TIcon::Assign(const TPersistent* Source) {
    if (!Source) {
        SetHandle(nullptr);
        return;
    }
    if (auto* i = dynamic_cast<const TIcon*>(Source)) {
        if (i == this) return;
        FreeHandle();
        FImage = i->FImage ? std::make_unique<TIconImage>(*i->FImage) : nullptr;
        FData = i->FData;
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TIcon::LoadFromResourceName(const std::string& Name) {
    TResourceData d = LoadResource(RT_GROUP_ICON, Name);
    size_t used;
    LoadFromBytes(d->data(), d->size(), &used);
}

void TIcon::LoadFromResourceID(int32_t Id) {
    TResourceData d = LoadResource(RT_GROUP_ICON, Id);
    size_t used;
    LoadFromBytes(d->data(), d->size(), &used);
}

}  // namespace vcl
