// GraphicsCanvas.cpp - TCanvas: drawing through a device context with the
// pen, brush and font selected on demand.
#include <vector>

#include "Graphics.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TCanvas, TPersistent)

TCanvas::TCanvas()
    : FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()), FFont(std::make_unique<TFont>()) {
    FPen->FOwnerNotify = [this] { ObjectChanged(csPenValid); };
    FBrush->FOwnerNotify = [this] { ObjectChanged(csBrushValid); };
    FFont->FOwnerNotify = [this] { ObjectChanged(csFontValid); };
}

TCanvas::~TCanvas() {
    // Put the objects aside so that their handles can be deleted; the DC
    // itself belongs to whoever handed it over.
    DeselectHandles();
    FPen->FOwnerNotify = nullptr;
    FBrush->FOwnerNotify = nullptr;
    FFont->FOwnerNotify = nullptr;
}

HDC TCanvas::Handle() const {
    auto* self = const_cast<TCanvas*>(this);
    self->Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid, csFontValid});
    return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
    if (Value == FHandle) return;
    if (FHandle) DeselectHandles();
    FHandle = Value;
    FState = Value ? TCanvasState{csHandleValid} : TCanvasState{};
}

void TCanvas::CreateHandle() {}

void TCanvas::RequiredState(TCanvasState Required) const {
    auto* self = const_cast<TCanvas*>(this);
    const TCanvasState need = Required - FState;
    if (need.Empty()) return;
    if (need.Contains(csHandleValid)) {
        self->CreateHandle();
        if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
    }
    if (need.Contains(csFontValid)) self->SelectFont();
    if (need.Contains(csPenValid)) self->SelectPen();
    if (need.Contains(csBrushValid)) self->SelectBrush();
}

void TCanvas::SelectPen() {
    SelectObject(FHandle, FPen->Handle());
    SetROP2(FHandle, PenModeToRop2(FPen->Mode()));
    FState.Include(csPenValid);
}

void TCanvas::SelectBrush() {
    SelectObject(FHandle, FBrush->Handle());
    const COLORREF c = ColorToColorRef(FBrush->Color());
    if (FBrush->Style() == bsSolid) {
        SetBkColor(FHandle, c);
        SetBkMode(FHandle, OPAQUE);
    } else {
        // Hatches and clear brushes leave the background alone.
        SetBkColor(FHandle, ~c & 0xFFFFFFu);
        SetBkMode(FHandle, TRANSPARENT);
    }
    FState.Include(csBrushValid);
}

void TCanvas::SelectFont() {
    SelectObject(FHandle, FFont->Handle());
    SetTextColor(FHandle, ColorToColorRef(FFont->Color()));
    FState.Include(csFontValid);
}

void TCanvas::ObjectChanged(TCanvasStateFlag Flag) {
    if (!FState.Contains(Flag)) return;
    FState.Exclude(Flag);
    if (!FHandle) return;
    switch (Flag) {
        case csPenValid:
            SelectObject(FHandle, GetStockObject(BLACK_PEN));
            break;
        case csBrushValid:
            SelectObject(FHandle, GetStockObject(NULL_BRUSH));
            break;
        case csFontValid:
            SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
            break;
        default:
            break;
    }
}

void TCanvas::DeselectHandles() {
    ObjectChanged(csPenValid);
    ObjectChanged(csBrushValid);
    ObjectChanged(csFontValid);
}

void TCanvas::Changing() {
    if (FOnChanging) FOnChanging(this);
}

void TCanvas::Changed() {
    if (FOnChange) FOnChange(this);
}

// ---------------------------------------------------------------------------
// State queries

TPoint TCanvas::PenPos() const {
    RequiredState({csHandleValid});
    TPoint p;
    GetCurrentPositionEx(FHandle, &p);
    return p;
}

TColor TCanvas::Pixels(int32_t X, int32_t Y) const {
    RequiredState({csHandleValid});
    const COLORREF c = GetPixel(FHandle, X, Y);
    return c == CLR_INVALID ? TColor(-1) : ColorRefToColor(c);
}

void TCanvas::SetPixels(int32_t X, int32_t Y, TColor Value) {
    Changing();
    RequiredState({csHandleValid, csPenValid});
    SetPixelV(FHandle, X, Y, ColorToColorRef(Value));
    Changed();
}

TRect TCanvas::ClipRect() const {
    RequiredState({csHandleValid});
    TRect r;
    GetClipBox(FHandle, &r);
    return r;
}

// ---------------------------------------------------------------------------
// Lines and shapes

void TCanvas::MoveTo(int32_t X, int32_t Y) {
    RequiredState({csHandleValid});
    MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(int32_t X, int32_t Y) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    vcl::LineTo(FHandle, X, Y);
    Changed();
}

void TCanvas::Polyline(std::span<const TPoint> Points) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    vcl::Polyline(FHandle, Points.data(), int(Points.size()));
    Changed();
}

void TCanvas::Polygon(std::span<const TPoint> Points) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    vcl::Polygon(FHandle, Points.data(), int(Points.size()));
    Changed();
}

void TCanvas::PolyBezier(std::span<const TPoint> Points) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    vcl::PolyBezier(FHandle, Points.data(), int(Points.size()));
    Changed();
}

void TCanvas::Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    vcl::Rectangle(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::RoundRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    vcl::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
    Changed();
}

void TCanvas::Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    vcl::Ellipse(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    vcl::Arc(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::Pie(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    vcl::Pie(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::Chord(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    vcl::Chord(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::FillRect(const TRect& R) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    vcl::FillRect(FHandle, R, FBrush->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& R) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    vcl::FrameRect(FHandle, R, FBrush->Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& R) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    vcl::DrawFocusRect(FHandle, R);
    Changed();
}

void TCanvas::FloodFill(int32_t X, int32_t Y, TColor Color, TFillStyle FillStyle) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    ExtFloodFill(FHandle, X, Y, ColorToColorRef(Color), FillStyle == fsSurface ? FLOODFILLSURFACE : FLOODFILLBORDER);
    Changed();
}

// ---------------------------------------------------------------------------
// Text

namespace {

uint32_t DrawTextFlags(TTextFormat Format) {
    // The DT_ flag of each TTextFormats value, in its order.
    static constexpr uint32_t Flags[] = {
        DT_BOTTOM,
        DT_CALCRECT,
        DT_CENTER,
        DT_EDITCONTROL,
        DT_END_ELLIPSIS,
        DT_PATH_ELLIPSIS,
        DT_EXPANDTABS,
        DT_EXTERNALLEADING,
        DT_LEFT,
        DT_MODIFYSTRING,
        DT_NOCLIP,
        DT_NOPREFIX,
        DT_RIGHT,
        DT_RTLREADING,
        DT_SINGLELINE,
        DT_TOP,
        DT_VCENTER,
        DT_WORDBREAK,
        DT_HIDEPREFIX,
        DT_NOFULLWIDTHCHARBREAK,
        DT_PREFIXONLY,
        0,  // tfTabStop: the tab length would need bits of its own
        DT_WORD_ELLIPSIS,
        0,  // tfComposited
    };
    uint32_t r = 0;
    for (size_t i = 0; i < std::size(Flags); ++i)
        if (Format.Contains(TTextFormats(i))) r |= Flags[i];
    return r;
}

}  // namespace

void TCanvas::TextOut(int32_t X, int32_t Y, const std::string& Text) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    const unsigned align = GetTextAlign(FHandle);
    ExtTextOut(FHandle, X, Y, 0, nullptr, Text);
    // With TA_UPDATECP the DC has moved its position along the text itself.
    if (align == 0xFFFFFFFFu || !(align & TA_UPDATECP)) MoveToEx(FHandle, X + TextWidth(Text), Y, nullptr);
    Changed();
}

void TCanvas::TextRect(const TRect& R, int32_t X, int32_t Y, const std::string& Text) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    // The brush fills the rectangle (a hatched one as a hatch), then the
    // text goes on top, cut at the rectangle's edges.
    if (FBrush->Style() != bsClear || FBrush->Bitmap()) vcl::FillRect(FHandle, R, FBrush->Handle());
    ExtTextOut(FHandle, X, Y, ETO_CLIPPED, &R, Text);
    Changed();
}

int32_t TCanvas::FormattedText(TRect& Rect, const std::string& Text, TTextFormat Format, std::string* Shown) {
    const uint32_t flags = DrawTextFlags(Format);
    const bool calc = (flags & DT_CALCRECT) != 0;
    if (!calc) Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    if (Shown) {
        // The text as the layout shows it (ellipses, prefixes resolved).
        if (auto face = GetDCFontFace(FHandle)) {
            TRect probe = Rect;
            DrawTextLayout(TPixelView{}, TRect{}, *face, Text, probe, flags | DT_CALCRECT, 0, false, 0, Shown);
        }
    }
    const int32_t h = DrawText(FHandle, Text, &Rect, flags);
    if (!calc) Changed();
    return h;
}

int32_t TCanvas::TextRect(TRect& Rect, std::string& Text, TTextFormat Format) {
    if (!Format.Contains(tfModifyString)) return FormattedText(Rect, Text, Format, nullptr);
    std::string shown;
    const int32_t h = FormattedText(Rect, Text, Format, &shown);
    Text = shown;
    return h;
}

int32_t TCanvas::TextRect(TRect& Rect, const std::string& Text, TTextFormat Format) {
    return FormattedText(Rect, Text, Format, nullptr);
}

TSize TCanvas::TextExtent(const std::string& Text) const {
    RequiredState({csHandleValid, csFontValid});
    TSize s;
    GetTextExtentPoint32(FHandle, Text, &s);
    return s;
}

// ---------------------------------------------------------------------------
// Graphics and other canvases

void TCanvas::Draw(int32_t X, int32_t Y, const TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty()) return;
    Changing();
    RequiredState({csHandleValid});
    SetBkColor(FHandle, ColorToColorRef(FBrush->Color()));
    Graphic->Draw(*this, Bounds(X, Y, Graphic->Width(), Graphic->Height()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& R, const TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty()) return;
    Changing();
    RequiredState({csHandleValid});
    SetBkColor(FHandle, ColorToColorRef(FBrush->Color()));
    Graphic->Draw(*this, R);
    Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
    if (!Canvas) return;
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    Canvas->RequiredState({csHandleValid, csBrushValid});
    StretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas->FHandle, Source.Left, Source.Top,
               Source.Width(), Source.Height(), DWORD(FCopyMode));
    Changed();
}

void TCanvas::BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color) {
    if (!Bitmap || Bitmap->Empty()) return;
    const int32_t w = Dest.Width(), h = Dest.Height();
    if (w <= 0 || h <= 0 || Source.Width() <= 0 || Source.Height() <= 0) return;
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    TCanvas* source = Bitmap->Canvas();
    source->RequiredState({csHandleValid});
    HDC src = source->FHandle;

    // The source at the destination's size, then a mask of its pixels of
    // Color; the brush goes where the mask is set, the source elsewhere.
    TPixelView view;
    HBITMAP tmp = CreateSurfaceBitmap(w, h, &view);
    if (!tmp) throw EOutOfMemory("Cannot make a bitmap of " + std::to_string(w) + " x " + std::to_string(h));
    HDC tmpDC = CreateCompatibleDC(nullptr);
    HGDIOBJ oldTmp = SelectObject(tmpDC, tmp);
    SetStretchBltMode(tmpDC, COLORONCOLOR);
    StretchBlt(tmpDC, 0, 0, w, h, src, Source.Left, Source.Top, Source.Width(), Source.Height(), SRCCOPY);

    const size_t rowBytes = size_t((w + 15) / 16) * 2;
    std::vector<uint8_t> bits(rowBytes * size_t(h), 0);
    const uint32_t key = PixelFromColorRef(ColorToColorRef(Color)) & 0xFFFFFFu;
    for (int32_t y = 0; y < h; ++y) {
        const uint32_t* row = view.Row(y);
        for (int32_t x = 0; x < w; ++x)
            if ((row[x] & 0xFFFFFFu) == key) bits[size_t(y) * rowBytes + size_t(x / 8)] |= uint8_t(0x80 >> (x & 7));
    }
    HBITMAP mask = CreateBitmap(w, h, 1, 1, bits.data());
    constexpr DWORD DstCopy = 0x00AA0029;
    const DWORD fore = FBrush->Style() == bsClear && !FBrush->Bitmap() ? DstCopy : PATCOPY;
    MaskBlt(FHandle, Dest.Left, Dest.Top, w, h, tmpDC, 0, 0, mask, 0, 0, MAKEROP4(fore, SRCCOPY));

    DeleteObject(mask);
    SelectObject(tmpDC, oldTmp);
    DeleteDC(tmpDC);
    DeleteObject(tmp);
    Changed();
}

// ---------------------------------------------------------------------------
// Locking

void TCanvas::Lock() {
    FLock.lock();
    if (FLockCount++ == 0) FLockOwner = std::this_thread::get_id();
}

bool TCanvas::TryLock() {
    if (!FLock.try_lock()) return false;
    if (FLockCount++ == 0) FLockOwner = std::this_thread::get_id();
    return true;
}

void TCanvas::Unlock() {
    if (FLockOwner.load() != std::this_thread::get_id() || FLockCount <= 0) return;
    if (--FLockCount == 0) FLockOwner = std::thread::id();
    FLock.unlock();
}

}  // namespace vcl
