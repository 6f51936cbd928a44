// Graphics.h - the object layer of drawing: colours, pens, brushes, fonts,
// the canvas, and the graphic classes (bitmaps, icons, pictures).
//
// Everything here is built on the device-context interface of Gdi.h:
//  - TPen, TBrush and TFont describe a drawing object and create its handle
//    lazily; a change frees the handle (after the canvas that uses it has
//    put it aside) and fires OnChange once.
//  - TCanvas draws on a device context.  Before each drawing call it selects
//    the pen, brush and font the call needs ("required state"); a canvas over
//    a DC it was handed (SetHandle) never deletes that DC.
//  - TBitmap is a 32-bit pixel surface with a canvas of its own; its
//    PixelFormat is remembered for saving.  TIcon holds one icon image (XOR
//    colour plus AND mask).  TPicture holds any registered graphic and
//    chooses the class by file extension.
//
// Colours (TColor) are 0x00BBGGRR values or, with the top bit set, a system
// colour index (clBtnFace = 0x8000000F); ColorToRGB resolves them.
//
// Streaming of TColor properties: TColor is an int32_t, so a published
// colour property is an integer property; declare it with ColorIdents so
// that form files name the colour where it has a name (Color = clRed) and
// take names or numbers when read:
//     B.Property("Color", &T::Color, &T::SetColor).Default(clRed).Idents(ColorIdents());
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "Classes.h"
#include "Gdi.h"
#include "GdiTypes.h"
#include "SysColors.h"

namespace vcl {

class TStream;
class TCanvas;
class TBitmap;
class TIcon;
class TGraphic;
struct TIconImage;
struct TDibImage;

// ---------------------------------------------------------------------------
// Colours

using TColor = int32_t;

constexpr TColor SystemColorFlag = TColor(0x80000000u);
constexpr TColor SysColor(int Index) { return TColor(0x80000000u | uint32_t(Index)); }

constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SysColor(COLOR_MENU);
constexpr TColor clWindow = SysColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SysColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SysColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SysColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SysColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SysColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SysColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SysColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SysColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);
constexpr TColor clHotLight = SysColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SysColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SysColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SysColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SysColor(COLOR_MENUBAR);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour: system colours through GetSysColor, every other
// value unchanged (clNone and clDefault included).
int32_t ColorToRGB(TColor Color);
// The colour reference the drawing functions take (ColorToRGB, low 24 bits).
COLORREF ColorToColorRef(TColor Color);
// A colour from a COLORREF (the low 24 bits).
constexpr TColor ColorRefToColor(COLORREF C) { return TColor(C & 0xFFFFFF); }

// Names of colours: "clRed", "clBtnFace", ...; ColorToString falls back to
// "$00BBGGRR" (eight upper-case hex digits) for a colour without a name, and
// StringToColor takes a name (case-insensitive), a "$hex" or a decimal
// number; anything else raises EConvertError.  clLtGray and clDkGray are
// the same values as clSilver and clGray, which are the names shown.
bool ColorToIdent(int32_t Color, std::string& Ident);
bool IdentToColor(const std::string& Ident, int32_t& Color);
std::string ColorToString(TColor Color);
TColor StringToColor(const std::string& S);

// The identifier mapping of colour properties for TPropInfo::Idents.
struct TColorIdents {
    std::function<bool(int64_t, std::string&)> ToIdent;
    std::function<bool(const std::string&, int64_t&)> FromIdent;
};
const TColorIdents& ColorIdents();
// Calls Proc with every colour name, in the classic order.
void GetColorValues(const std::function<void(const std::string&)>& Proc);

// ---------------------------------------------------------------------------
// Enumerations

VCL_ENUM(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame)
VCL_ENUM(TPenMode, pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
         pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor)
VCL_ENUM(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross)
VCL_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TFontStyles = Set<TFontStyle>;
VCL_ENUM(TFontPitch, fpDefault, fpVariable, fpFixed)
using TFontCharset = uint8_t;
using TFontName = std::string;
VCL_ENUM(TFillStyle, fsSurface, fsBorder)
VCL_ENUM(TCanvasStateFlag, csHandleValid, csFontValid, csPenValid, csBrushValid)
using TCanvasState = Set<TCanvasStateFlag>;
VCL_ENUM(TPixelFormat, pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom)
VCL_ENUM(TTransparentMode, tmAuto, tmFixed)
// Options of formatted text (TCanvas::TextRect with a format).
VCL_ENUM(TTextFormats, tfBottom, tfCalcRect, tfCenter, tfEditControl, tfEndEllipsis, tfPathEllipsis, tfExpandTabs,
         tfExternalLeading, tfLeft, tfModifyString, tfNoClip, tfNoPrefix, tfRight, tfRtlReading, tfSingleLine, tfTop,
         tfVerticalCenter, tfWordBreak, tfHidePrefix, tfNoFullWidthCharBreak, tfPrefixOnly, tfTabStop, tfWordEllipsis,
         tfComposited)
using TTextFormat = Set<TTextFormats>;

// The binary raster operation of a pen mode (R2_COPYPEN for pmCopy, ...).
int PenModeToRop2(TPenMode Mode);

// Copy modes of TCanvas::CopyRect (the ternary raster operations).
using TCopyMode = int32_t;
constexpr TCopyMode cmBlackness = TCopyMode(BLACKNESS);
constexpr TCopyMode cmDstInvert = TCopyMode(DSTINVERT);
constexpr TCopyMode cmMergeCopy = TCopyMode(MERGECOPY);
constexpr TCopyMode cmMergePaint = TCopyMode(MERGEPAINT);
constexpr TCopyMode cmNotSrcCopy = TCopyMode(NOTSRCCOPY);
constexpr TCopyMode cmNotSrcErase = TCopyMode(NOTSRCERASE);
constexpr TCopyMode cmPatCopy = TCopyMode(PATCOPY);
constexpr TCopyMode cmPatInvert = TCopyMode(PATINVERT);
constexpr TCopyMode cmPatPaint = TCopyMode(PATPAINT);
constexpr TCopyMode cmSrcAnd = TCopyMode(SRCAND);
constexpr TCopyMode cmSrcCopy = TCopyMode(SRCCOPY);
constexpr TCopyMode cmSrcErase = TCopyMode(SRCERASE);
constexpr TCopyMode cmSrcInvert = TCopyMode(SRCINVERT);
constexpr TCopyMode cmSrcPaint = TCopyMode(SRCPAINT);
constexpr TCopyMode cmWhiteness = TCopyMode(WHITENESS);

// ---------------------------------------------------------------------------
// Drawing objects

// The common part of TPen, TBrush and TFont: a lazily created handle and the
// change notification.  A change frees the handle and fires OnChange once;
// the canvas that uses the object is told first, so that it can put the old
// handle aside before it is deleted.
class TGraphicsObject : public TPersistent {
    VCL_DECLARE_CLASS(TGraphicsObject)
public:
    ~TGraphicsObject() override;

    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }
    // True while a handle exists.
    bool HandleAllocated() const { return FHandle != nullptr; }

protected:
    TGraphicsObject() = default;

    // Fires the change (once at the end of the outermost update).
    void Changed();
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    // The handle, created on first use by CreateHandleObject.
    HGDIOBJ GetHandleObject() const;
    // Takes Handle as this object's handle (it is deleted with the object)
    // and fires the change without recreating it.
    void AdoptHandle(HGDIOBJ Handle);
    virtual HGDIOBJ CreateHandleObject() const = 0;

private:
    friend class TCanvas;
    void FreeHandleObject(HGDIOBJ Handle) const;
    void Notify();

    mutable HGDIOBJ FHandle = nullptr;
    mutable std::vector<HGDIOBJ> FStale;  // handles still selected somewhere when they were freed
    int FUpdateCount = 0;
    bool FPending = false;
    TNotifyEvent FOnChange;
    std::function<void()> FOwnerNotify;  // the canvas that uses this object
};

class TPen : public TGraphicsObject {
    VCL_DECLARE_CLASS(TPen)
public:
    TPen() = default;

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    // Width in pixels; negative values are ignored.
    int32_t Width() const { return FWidth; }
    void SetWidth(int32_t Value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);

    HPEN Handle() const { return static_cast<HPEN>(GetHandleObject()); }
    // Takes a pen handle (which this object then owns and deletes); Color,
    // Width and Style follow it.  EInvalidGraphicOperation for a handle that
    // is not a live pen.
    void SetHandle(HPEN Value);

    void Assign(const TPersistent* Source) override;

protected:
    HGDIOBJ CreateHandleObject() const override;

private:
    TColor FColor = clBlack;
    int32_t FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

class TBrush : public TGraphicsObject {
    VCL_DECLARE_CLASS(TBrush)
public:
    TBrush() = default;

    TColor Color() const { return FColor; }
    // Setting a colour makes a clear brush solid, as in the classic library.
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    // A pattern brush from the top-left 8 x 8 pixels of the bitmap; the
    // brush does not own it (and copies its pattern when the handle is
    // made).  nullptr returns to Style and Color.
    TBitmap* Bitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* Value);

    HBRUSH Handle() const { return static_cast<HBRUSH>(GetHandleObject()); }
    // Takes a brush handle (owned from then on); Color and Style follow it.
    void SetHandle(HBRUSH Value);

    void Assign(const TPersistent* Source) override;

protected:
    HGDIOBJ CreateHandleObject() const override;

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
};

// A font.  Size is in points and Height in pixels at PixelsPerInch (96):
// Size = -MulDiv(Height, 72, PixelsPerInch).  A negative Height is the em
// height (the usual case; Size 8 is Height -11), a positive one the cell
// height (then Size is negative).
class TFont : public TGraphicsObject {
    VCL_DECLARE_CLASS(TFont)
public:
    TFont() = default;

    const TFontName& Name() const { return FName; }
    // An empty name is ignored.
    void SetName(const TFontName& Value);
    int32_t Size() const;
    void SetSize(int32_t Value);
    int32_t Height() const { return FHeight; }
    void SetHeight(int32_t Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    // Direction of the baseline in tenths of a degree, counter-clockwise.
    int32_t Orientation() const { return FOrientation; }
    void SetOrientation(int32_t Value);
    // The resolution Size refers to; changing it keeps Height.  Values
    // below 1 are ignored.
    int32_t PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int32_t Value);

    HFONT Handle() const { return static_cast<HFONT>(GetHandleObject()); }
    // Takes a font handle (owned from then on); the properties follow its
    // LOGFONT.  The handle stays in use (with any escapement it has) until
    // a property changes.
    void SetHandle(HFONT Value);
    // The logical font this object creates its handle from.
    LOGFONT GetLogFont() const;

    // Copies everything but OnChange; fires OnChange once.  Between fonts
    // of different PixelsPerInch the Size is kept.
    void Assign(const TPersistent* Source) override;

protected:
    HGDIOBJ CreateHandleObject() const override;

private:
    TFontName FName = "MS Sans Serif";
    int32_t FHeight = -11;
    int32_t FPixelsPerInch = 96;
    TColor FColor = clWindowText;
    TFontStyles FStyle;
    TFontPitch FPitch = fpDefault;
    TFontCharset FCharset = DEFAULT_CHARSET;
    int32_t FOrientation = 0;
};

// ---------------------------------------------------------------------------
// Canvas

// Draws on a device context.  The pen, brush and font are selected into the
// DC before a call that needs them, and put aside (stock objects selected)
// when they change or the handle goes.  A canvas without a handle asks
// CreateHandle for one; the base class has none to make and raises
// EInvalidOperation "Canvas does not allow drawing".
//
// Every drawing method fires OnChanging before and OnChange after it draws.
// Coordinates follow the DC (logical units); shapes follow the GDI's rules
// (Rectangle and FillRect exclude the right and bottom edges, LineTo the end
// point).
class TCanvas : public TPersistent {
    VCL_DECLARE_CLASS(TCanvas)
public:
    TCanvas();
    ~TCanvas() override;

    // The device context with the pen, brush and font selected, for calls
    // of the drawing interface; a canvas that can make a DC (a bitmap's)
    // makes it here.  EInvalidOperation when there is none and none can be
    // made.
    HDC Handle() const;
    // Draws on DC from now on (nullptr detaches); the canvas never deletes
    // a DC handed to it.
    void SetHandle(HDC Value);
    bool HandleAllocated() const { return FHandle != nullptr; }
    TCanvasState State() const { return FState; }

    TPen* Pen() const { return FPen.get(); }
    void SetPen(const TPen* Value) { FPen->Assign(Value); }
    TBrush* Brush() const { return FBrush.get(); }
    void SetBrush(const TBrush* Value) { FBrush->Assign(Value); }
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont* Value) { FFont->Assign(Value); }
    TCopyMode CopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }

    // The current position (MoveTo, LineTo).
    TPoint PenPos() const;
    void SetPenPos(TPoint Value) { MoveTo(Value.X, Value.Y); }

    // A pixel's colour; -1 (CLR_INVALID) outside the surface or the clip
    // region.  Setting a pixel outside changes nothing.
    TColor Pixels(int32_t X, int32_t Y) const;
    void SetPixels(int32_t X, int32_t Y, TColor Value);
    // The bounding box of the area drawing may reach, in logical units.
    TRect ClipRect() const;

    // Lines and shapes.
    void MoveTo(int32_t X, int32_t Y);
    void LineTo(int32_t X, int32_t Y);
    void Polyline(std::span<const TPoint> Points);
    void Polyline(std::initializer_list<TPoint> Points) {
        Polyline(std::span<const TPoint>(Points.begin(), Points.size()));
    }
    void Polygon(std::span<const TPoint> Points);
    void Polygon(std::initializer_list<TPoint> Points) {
        Polygon(std::span<const TPoint>(Points.begin(), Points.size()));
    }
    void PolyBezier(std::span<const TPoint> Points);
    void Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void RoundRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3);
    void Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    void Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4);
    void Pie(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4);
    void Chord(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4);
    void FillRect(const TRect& R);
    void FrameRect(const TRect& R);
    // The dotted XOR focus frame: drawing it twice restores the pixels.
    void DrawFocusRect(const TRect& R);
    // Fills with the brush from (X, Y): fsBorder up to pixels of Color,
    // fsSurface across the pixels of Color.
    void FloodFill(int32_t X, int32_t Y, TColor Color, TFillStyle FillStyle);

    // Text in the font, on the brush: a solid brush fills the text cell,
    // another style leaves the background as it is.  (X, Y) is the top-left
    // corner of the text cell unless the DC's text alignment says otherwise
    // (SetTextAlign); the pen position moves to the end of the text.  A
    // font with an orientation draws turned text.
    void TextOut(int32_t X, int32_t Y, const std::string& Text);
    // Text at (X, Y) clipped to R; a brush that is not clear fills R first.
    void TextRect(const TRect& R, int32_t X, int32_t Y, const std::string& Text);
    // Formatted text in Rect: alignment, line and word breaks, ellipses,
    // "&" prefixes (tfNoPrefix shows them), clipped to Rect unless tfNoClip.
    // With a solid brush each line's cell is filled.  tfCalcRect draws
    // nothing and sets Rect's right and bottom edges to bound the text;
    // tfModifyString puts the text as drawn into Text.  Returns the height
    // of the text.
    int32_t TextRect(TRect& Rect, std::string& Text, TTextFormat Format = TTextFormat());
    int32_t TextRect(TRect& Rect, const std::string& Text, TTextFormat Format);
    // The size of the text: the sum of the advances and the cell height.
    TSize TextExtent(const std::string& Text) const;
    int32_t TextWidth(const std::string& Text) const { return TextExtent(Text).cx; }
    int32_t TextHeight(const std::string& Text) const { return TextExtent(Text).cy; }

    // Graphics and other canvases.  Draw paints a graphic at its own size
    // (a transparent one without its transparent colour), StretchDraw
    // stretched to R; an empty graphic or nullptr draws nothing.
    void Draw(int32_t X, int32_t Y, const TGraphic* Graphic);
    void StretchDraw(const TRect& R, const TGraphic* Graphic);
    // Copies Source of Canvas to Dest of this canvas with CopyMode,
    // stretching when the sizes differ.
    void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
    // Copies Source of Bitmap to Dest, putting the brush in place of the
    // pixels of Color (with a clear brush they are left as they are, so
    // Color becomes transparent).
    void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color);

    // Puts the pen, brush and font aside (selects stock objects), so that
    // the next call selects them again.
    void Refresh() { DeselectHandles(); }

    // A lock for drawing from several threads: Lock waits for other threads
    // and nests within one; Unlock from a thread that holds no lock does
    // nothing.
    void Lock();
    bool TryLock();
    void Unlock();
    int32_t LockCount() const { return FLockCount; }

    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }
    const TNotifyEvent& OnChanging() const { return FOnChanging; }
    void SetOnChanging(TNotifyEvent Handler) { FOnChanging = std::move(Handler); }

    // Makes sure the handle exists and the objects named are selected
    // (EInvalidOperation when there is no handle and none can be made).
    void RequiredState(TCanvasState Required) const;

protected:
    // Makes a handle when the canvas has none; descendants that own a DC
    // (a bitmap's canvas) override it and call SetHandle.
    virtual void CreateHandle();
    virtual void Changing();
    virtual void Changed();
    void DeselectHandles();

private:
    friend class TBitmap;
    friend class TIcon;
    int32_t FormattedText(TRect& Rect, const std::string& Text, TTextFormat Format, std::string* Shown);
    void SelectPen();
    void SelectBrush();
    void SelectFont();
    void ObjectChanged(TCanvasStateFlag Flag);

    HDC FHandle = nullptr;
    TCanvasState FState;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
    std::unique_ptr<TFont> FFont;
    TCopyMode FCopyMode = cmSrcCopy;
    TNotifyEvent FOnChange;
    TNotifyEvent FOnChanging;
    std::recursive_mutex FLock;
    std::atomic<int32_t> FLockCount{0};
    std::atomic<std::thread::id> FLockOwner{};
};

// ---------------------------------------------------------------------------
// Graphics

// An image that can draw itself, be loaded and saved, and stream in form
// files (as the binary property Data).
class TGraphic : public TPersistent {
    VCL_DECLARE_CLASS(TGraphic)
public:
    ~TGraphic() override;

    virtual bool Empty() const = 0;
    virtual int32_t Width() const = 0;
    virtual void SetWidth(int32_t Value) = 0;
    virtual int32_t Height() const = 0;
    virtual void SetHeight(int32_t Value) = 0;
    virtual bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    // Set by every change; the owner clears it.
    bool Modified() const { return FModified; }
    void SetModified(bool Value);

    // Paints the graphic stretched into R of the canvas.
    virtual void Draw(TCanvas& Canvas, const TRect& R) const = 0;

    // Loading replaces the image only when the whole of it was read; a
    // damaged one raises EInvalidGraphic and leaves the graphic as it was.
    virtual void LoadFromStream(TStream& Stream) = 0;
    virtual void SaveToStream(TStream& Stream) const = 0;
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName) const;

    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }

protected:
    TGraphic() = default;
    // A new, empty graphic of the same class (for copies).
    virtual TGraphic* NewOfSameClass() const = 0;
    // Marks the graphic modified and fires OnChange.
    virtual void Changed();
    // The graphic as the Data property of a form file: by default the
    // stream format itself.  TBitmap writes its size first, as the classic
    // form files do.
    void DefineProperties(TFiler& Filer) override;
    virtual void ReadData(TStream& Stream);
    virtual void WriteData(TStream& Stream) const;

    friend class TPicture;

    bool FTransparent = false;

private:
    bool FModified = false;
    TNotifyEvent FOnChange;
};

// A bitmap: a 32-bit pixel surface with its own canvas.
//
// PixelFormat is remembered for saving (pf1bit, pf4bit and pf8bit write
// palette images; pf24bit and pf32bit true colour; pfDevice, pf15bit,
// pf16bit and pfCustom are written with 24 bits, which keeps every colour).
// Setting a palette format keeps the colours exactly when the image has no
// more than the format holds (2, 16, 256); otherwise each pixel is mapped to
// the nearest colour of the standard palette (black and white; the 16 VGA
// colours; those plus a 6x6x6 colour cube and grey ramp), and the same is
// done when an image drawn on afterwards is saved.  pf15bit and pf16bit
// reduce the colour depth to 5 (6) bits per channel when set.
//
// Transparency: with Transparent set, Draw leaves out the pixels of
// TransparentColor, which in tmAuto mode is the bottom-left pixel and in
// tmFixed mode the colour set (setting TransparentColor selects tmFixed;
// clDefault returns to tmAuto).  A system colour is resolved when drawing.
//
// An empty bitmap (0 x 0) is harmless: its canvas draws nothing, Pixels
// reads -1, saving writes no bytes, and loading no bytes gives an empty
// bitmap again.  Drawing on the canvas marks the bitmap changed (OnChange);
// writing through ScanLine does not.
class TBitmap : public TGraphic {
    VCL_DECLARE_CLASS(TBitmap)
public:
    TBitmap();
    TBitmap(int32_t Width, int32_t Height);
    ~TBitmap() override;

    bool Empty() const override;
    int32_t Width() const override;
    void SetWidth(int32_t Value) override { SetSize(Value, Height()); }
    int32_t Height() const override;
    void SetHeight(int32_t Value) override { SetSize(Width(), Value); }
    // Keeps the pixels that lie in both sizes; new pixels are filled with
    // the canvas's brush colour (white unless changed).  Negative sizes
    // raise EInvalidGraphicOperation; 0 on a side empties the bitmap.
    void SetSize(int32_t NewWidth, int32_t NewHeight);

    TCanvas* Canvas() const;
    // The bitmap handle (a 32-bit surface bitmap); nullptr while empty.
    // The bitmap keeps owning it; it lives until the size changes to 0, the
    // image is replaced, or the bitmap is freed.
    HBITMAP Handle() const { return FHandle; }
    // Takes a bitmap handle (owned from then on), which must not be
    // selected into a DC; a monochrome one is converted to a 32-bit copy
    // (and the monochrome one deleted).  nullptr empties the bitmap.
    void SetHandle(HBITMAP Value);
    // Gives up the handle: the caller owns it, the bitmap is empty.
    HBITMAP ReleaseHandle();
    // A monochrome mask of the transparent colour (1 where the pixel is
    // TransparentColor); made on first use, owned by the bitmap, freed with
    // any change.
    HBITMAP MaskHandle() const;

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat Value);
    // True for pf1bit.  Setting it converts to pf1bit (or back to pfDevice).
    bool Monochrome() const { return FPixelFormat == pf1bit; }
    void SetMonochrome(bool Value);

    TColor TransparentColor() const;
    void SetTransparentColor(TColor Value);
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode Value);

    // A pointer to row Y of the surface: Width 32-bit pixels 0xAARRGGBB
    // (bytes B, G, R, A).  Valid until the size changes.  Raises
    // EInvalidGraphicOperation "Scan line index out of range" outside
    // 0..Height-1.
    uint32_t* ScanLine(int32_t Y);
    const uint32_t* ScanLine(int32_t Y) const;

    // Turns the image into its own mask: pixels of TransparentColor white,
    // every other pixel black (and the format pf1bit).
    void Mask(TColor TransparentColor);
    // The surface is always in memory; these exist for compatibility.
    void Dormant() {}
    void FreeImage() {}

    void Draw(TCanvas& Canvas, const TRect& R) const override;
    // BMP files: every bit count and compression ImageCodecs reads; the
    // PixelFormat follows the file's bit count.
    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) const override;
    // Copies a bitmap (nullptr empties this one).
    void Assign(const TPersistent* Source) override;

    // Loads a bitmap registered in the resource store (Resources.h);
    // EResNotFound "Resource NAME not found" when there is none.
    void LoadFromResourceName(const std::string& Name);
    void LoadFromResourceID(int32_t Id);

    // The pixels as a view, for codecs and tests (empty while the bitmap is).
    TPixelView View() const;

protected:
    TGraphic* NewOfSameClass() const override { return new TBitmap(); }
    void Changed() override;
    void ReadData(TStream& Stream) override;
    void WriteData(TStream& Stream) const override;

private:
    class TBitmapCanvas;
    friend class TBitmapCanvas;
    void ReplaceHandle(HBITMAP Handle);
    void LoadImage(const TDibImage& Image);
    void LoadFromBytes(const uint8_t* Data, size_t Size, size_t* Used, bool AllowDib);
    void FreeMask() const;
    void Quantize(TPixelFormat Format);

    HBITMAP FHandle = nullptr;
    mutable HBITMAP FMaskHandle = nullptr;
    mutable TColor FMaskColor = clNone;
    mutable std::unique_ptr<TBitmapCanvas> FCanvas;
    TPixelFormat FPixelFormat = pfDevice;
    TColor FTransparentColor = clDefault;
    TTransparentMode FTransparentMode = tmAuto;
};

// ---------------------------------------------------------------------------
// Icon handles
//
// An icon handle holds one image: a 32-bit colour (XOR) bitmap and a 1-bit
// (AND) mask, 1 where the icon is transparent.  Drawing follows the classic
// rule: the mask is ANDed onto the destination, then the colour XORed, so a
// transparent pixel whose colour is black leaves the destination as it is
// (and one with another colour inverts it).  Images with an alpha channel
// (32 bits) are transparent where alpha is below 128, with black colour.

struct HICON__;
using HICON = HICON__*;

// A new icon handle from an image (1..4096 pixels on a side); nullptr for
// an image without pixels or with inconsistent sizes.
HICON CreateIconFromImage(const TIconImage& Image);
// Frees an icon handle; false for a dead one.
bool DestroyIconImage(HICON Icon);
// The image behind a handle (Pixels hold the colour with alpha 0 where the
// mask is set; Mask the AND mask).
bool GetIconImage(HICON Icon, TIconImage* Image);
bool GetIconImageSize(HICON Icon, TSize* Size);
enum TIconDrawPart { idpNormal, idpMask, idpImage };
// Draws the icon stretched to Width x Height at (X, Y) (0 means the icon's
// own size); false for a dead handle or DC.
bool DrawIconImage(HDC DC, int X, int Y, HICON Icon, int Width = 0, int Height = 0, TIconDrawPart Part = idpNormal);

// An icon: one image of an ICO file (the one closest to 32 x 32, most
// colours first), drawn through its mask.  An icon loaded from a stream is
// saved back byte for byte; one made from an image or a handle is saved as
// a 32-bit ICO.  Icons cannot be resized (EInvalidGraphicOperation).
class TIcon : public TGraphic {
    VCL_DECLARE_CLASS(TIcon)
public:
    TIcon();
    ~TIcon() override;

    bool Empty() const override;
    int32_t Width() const override;
    void SetWidth(int32_t Value) override;
    int32_t Height() const override;
    void SetHeight(int32_t Value) override;
    // Icons are always drawn through their mask.
    bool Transparent() const override { return true; }
    void SetTransparent(bool) override {}

    // The icon handle, made on first use; the icon owns it.
    HICON Handle() const;
    // Takes an icon handle (owned from then on); nullptr empties the icon.
    void SetHandle(HICON Value);
    // Gives up the handle: the caller owns it, the icon is empty.
    HICON ReleaseHandle();

    // The image shown (empty while the icon is).
    const TIconImage& Image() const;
    void SetImage(const TIconImage& Value);

    void Draw(TCanvas& Canvas, const TRect& R) const override;
    // ICO files; a cursor file or a damaged one raises EInvalidGraphic.
    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) const override;
    void Assign(const TPersistent* Source) override;

    void LoadFromResourceName(const std::string& Name);
    void LoadFromResourceID(int32_t Id);

protected:
    TGraphic* NewOfSameClass() const override { return new TIcon(); }

private:
    void FreeHandle() const;
    void LoadFromBytes(const uint8_t* Data, size_t Size, size_t* Used);
    std::unique_ptr<TIconImage> FImage;
    std::vector<uint8_t> FData;  // the stream it came from, saved as it was
    mutable HICON FHandle = nullptr;
};

// A description of a graphic class TPicture can create: its class and a
// factory.
struct TGraphicClass {
    const TMetaClass* Class = nullptr;
    TGraphic* (*Create)() = nullptr;
};
template <class G>
TGraphicClass GraphicClassOf() {
    return TGraphicClass{&G::StaticClass(), []() -> TGraphic* { return new G(); }};
}

// Holds one graphic of any registered class.  The graphic is owned by the
// picture; OnChange fires when it is replaced or changes.
class TPicture : public TPersistent {
    VCL_DECLARE_CLASS(TPicture)
public:
    TPicture();
    ~TPicture() override;

    TGraphic* Graphic() const { return FGraphic.get(); }
    // Stores a copy of Value (nullptr empties the picture).
    void SetGraphic(const TGraphic* Value);
    // The graphic as a bitmap: a picture that holds something else (or
    // nothing) gets a new empty bitmap in its place, as in the classic
    // library.
    TBitmap* Bitmap();
    void SetBitmap(const TBitmap* Value) { SetGraphic(Value); }
    // The same for an icon.
    TIcon* Icon();
    void SetIcon(const TIcon* Value) { SetGraphic(Value); }

    int32_t Width() const;
    int32_t Height() const;

    // Chooses the graphic class by the file's extension (case-insensitive);
    // an unknown one raises EInvalidGraphic "Unknown picture file extension
    // (.xyz)".  On any failure the picture keeps what it had.
    void LoadFromFile(const std::string& FileName);
    // Saves the graphic (nothing to save: EInvalidGraphicOperation).
    void SaveToFile(const std::string& FileName) const;
    // A picture, a graphic or nullptr (which empties the picture).
    void Assign(const TPersistent* Source) override;

    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }

    // The file formats LoadFromFile knows: "bmp" (TBitmap) and "ico" (TIcon)
    // from the start.  The extension is given without the dot.
    static void RegisterFileFormat(const std::string& Extension, const std::string& Description, TGraphicClass Class);
    static void UnregisterGraphicClass(const TMetaClass& Class);
    // "Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico" for the file dialogs, with
    // an "All" entry first.
    static std::string GraphicFilter();

protected:
    // Streams as the binary property Data: the class name (length byte and
    // characters), then the graphic's own data.
    void DefineProperties(TFiler& Filer) override;

private:
    void Replace(TGraphic* NewGraphic);
    void GraphicChanged();

    std::unique_ptr<TGraphic> FGraphic;
    TNotifyEvent FOnChange;
};

// Saves a bitmap as a PNG file (8-bit RGB).  False when the bitmap is empty
// or the file cannot be written (an existing file is then left as it was).
bool SaveGraphicToPng(const TBitmap& Bitmap, const std::string& Path);

}  // namespace vcl
