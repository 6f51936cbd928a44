// Graphics.cpp - colours and their names, and the drawing objects TPen,
// TBrush and TFont.
#include "Graphics.h"

#include <algorithm>

#include "SysUtils.h"

namespace vcl {

// ---------------------------------------------------------------------------
// Colours

int32_t ColorToRGB(TColor Color) {
    if (Color < 0) return int32_t(GetSysColor(int(uint32_t(Color) & 0xFF)));
    return Color;
}

COLORREF ColorToColorRef(TColor Color) { return COLORREF(uint32_t(ColorToRGB(Color)) & 0xFFFFFFu); }

namespace {

struct TColorName {
    TColor Value;
    const char* Name;
};

constexpr TColorName ColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

}  // namespace

bool ColorToIdent(int32_t Color, std::string& Ident) {
    for (const auto& c : ColorNames)
        if (c.Value == Color) {
            Ident = c.Name;
            return true;
        }
    return false;
}

bool IdentToColor(const std::string& Ident, int32_t& Color) {
    for (const auto& c : ColorNames)
        if (SameText(Ident, c.Name)) {
            Color = c.Value;
            return true;
        }
    // The two aliases without a name of their own.
    if (SameText(Ident, "clLtGray")) {
        Color = clLtGray;
        return true;
    }
    if (SameText(Ident, "clDkGray")) {
        Color = clDkGray;
        return true;
    }
    return false;
}

const TColorIdents& ColorIdents() {
    static const TColorIdents idents{
        [](int64_t Value, std::string& Ident) {
            return Value >= INT32_MIN && Value <= INT32_MAX && ColorToIdent(static_cast<int32_t>(Value), Ident);
        },
        [](const std::string& Ident, int64_t& Value) {
            int32_t c = 0;
            if (!IdentToColor(Ident, c)) return false;
            Value = c;
            return true;
        }};
    return idents;
}

std::string ColorToString(TColor Color) {
    std::string s;
    if (ColorToIdent(Color, s)) return s;
    return "$" + IntToHex(uint32_t(Color), 8);
}

TColor StringToColor(const std::string& S) {
    int32_t c;
    if (IdentToColor(Trim(S), c)) return c;
    return StrToInt(S);
}

void GetColorValues(const std::function<void(const std::string&)>& Proc) {
    if (!Proc) return;
    for (const auto& c : ColorNames) Proc(c.Name);
}

int PenModeToRop2(TPenMode Mode) {
    static constexpr int Modes[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                    R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                    R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                    R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
    const int i = int(Mode);
    return i >= 0 && i < int(std::size(Modes)) ? Modes[i] : R2_COPYPEN;
}

// ---------------------------------------------------------------------------
// TGraphicsObject

VCL_IMPLEMENT_CLASS(TGraphicsObject, TPersistent)

TGraphicsObject::~TGraphicsObject() {
    FOwnerNotify = nullptr;
    FreeHandleObject(FHandle);
    FHandle = nullptr;
}

void TGraphicsObject::FreeHandleObject(HGDIOBJ Handle) const {
    // Handles that were still selected into some DC when they were freed
    // are tried again; the ones that died meanwhile are dropped.
    std::erase_if(FStale, [](HGDIOBJ h) { return GetObjectType(h) == 0 || DeleteObject(h); });
    if (!Handle) return;
    if (GetObjectType(Handle) != 0 && !DeleteObject(Handle)) FStale.push_back(Handle);
}

HGDIOBJ TGraphicsObject::GetHandleObject() const {
    if (!FHandle) FHandle = CreateHandleObject();
    return FHandle;
}

void TGraphicsObject::Notify() {
    HGDIOBJ old = FHandle;
    FHandle = nullptr;
    if (FOwnerNotify) FOwnerNotify();
    FreeHandleObject(old);
    if (FOnChange) FOnChange(this);
}

void TGraphicsObject::Changed() {
    if (FUpdateCount > 0) {
        FPending = true;
        return;
    }
    Notify();
}

void TGraphicsObject::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FPending) {
        FPending = false;
        Notify();
    }
}

void TGraphicsObject::AdoptHandle(HGDIOBJ Handle) {
    HGDIOBJ old = FHandle;
    FHandle = Handle;
    FPending = false;
    if (FOwnerNotify) FOwnerNotify();
    if (old != Handle) FreeHandleObject(old);
    if (FOnChange) FOnChange(this);
}

// ---------------------------------------------------------------------------
// TPen

VCL_PUBLISHED(TPen, TGraphicsObject) {
    B.Property("Color", &TPen::Color, &TPen::SetColor).Default(clBlack).Idents(ColorIdents());
    B.Property("Mode", &TPen::Mode, &TPen::SetMode).Default(pmCopy);
    B.Property("Style", &TPen::Style, &TPen::SetStyle).Default(psSolid);
    B.Property("Width", &TPen::Width, &TPen::SetWidth).Default(1);
}

void TPen::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    Changed();
}

void TPen::SetWidth(int32_t Value) {
    if (Value < 0 || Value == FWidth) return;
    FWidth = Value;
    Changed();
}

void TPen::SetStyle(TPenStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}

void TPen::SetMode(TPenMode Value) {
    if (Value == FMode) return;
    FMode = Value;
    Changed();
}

HGDIOBJ TPen::CreateHandleObject() const {
    static constexpr int Styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    return CreatePen(Styles[int(FStyle)], FWidth, ColorToColorRef(FColor));
}

void TPen::SetHandle(HPEN Value) {
    LOGPEN lp;
    if (!GetObject(Value, &lp)) throw EInvalidGraphicOperation("Invalid pen handle");
    static constexpr TPenStyle Styles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame};
    const unsigned s = lp.lopnStyle & PS_STYLE_MASK;
    FStyle = s < std::size(Styles) ? Styles[s] : psSolid;
    FWidth = lp.lopnWidth.X;
    FColor = ColorRefToColor(lp.lopnColor);
    AdoptHandle(Value);
}

void TPen::Assign(const TPersistent* Source) {
    if (auto* p = dynamic_cast<const TPen*>(Source)) {
        if (p == this) return;
        BeginUpdate();
        SetColor(p->FColor);
        SetWidth(p->FWidth);
        SetStyle(p->FStyle);
        SetMode(p->FMode);
        EndUpdate();
        return;
    }
    TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------
// TBrush

VCL_PUBLISHED(TBrush, TGraphicsObject) {
    B.Property("Color", &TBrush::Color, &TBrush::SetColor).Default(clWhite).Idents(ColorIdents());
    B.Property("Style", &TBrush::Style, &TBrush::SetStyle).Default(bsSolid);
}

void TBrush::SetColor(TColor Value) {
    if (Value == FColor && FStyle != bsClear) return;
    FColor = Value;
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    if (FStyle == bsClear) FColor = clWhite;
    Changed();
}

void TBrush::SetBitmap(TBitmap* Value) {
    if (Value == FBitmap) return;
    FBitmap = Value;
    Changed();
}

HGDIOBJ TBrush::CreateHandleObject() const {
    if (FBitmap && FBitmap->Handle()) {
        if (HBRUSH b = CreatePatternBrush(FBitmap->Handle())) return b;
    }
    const COLORREF c = ColorToColorRef(FColor);
    switch (FStyle) {
        case bsSolid:
            return CreateSolidBrush(c);
        case bsClear:
            return GetStockObject(NULL_BRUSH);
        case bsHorizontal:
            return CreateHatchBrush(HS_HORIZONTAL, c);
        case bsVertical:
            return CreateHatchBrush(HS_VERTICAL, c);
        case bsFDiagonal:
            return CreateHatchBrush(HS_FDIAGONAL, c);
        case bsBDiagonal:
            return CreateHatchBrush(HS_BDIAGONAL, c);
        case bsCross:
            return CreateHatchBrush(HS_CROSS, c);
        case bsDiagCross:
            return CreateHatchBrush(HS_DIAGCROSS, c);
    }
    return CreateSolidBrush(c);
}

void TBrush::SetHandle(HBRUSH Value) {
    LOGBRUSH lb;
    if (!GetObject(Value, &lb)) throw EInvalidGraphicOperation("Invalid brush handle");
    FColor = ColorRefToColor(lb.lbColor);
    FBitmap = nullptr;
    switch (lb.lbStyle) {
        case BS_NULL:
            FStyle = bsClear;
            break;
        case BS_HATCHED: {
            static constexpr TBrushStyle Hatches[] = {bsHorizontal, bsVertical, bsFDiagonal,
                                                      bsBDiagonal,  bsCross,    bsDiagCross};
            FStyle = lb.lbHatch >= 0 && lb.lbHatch < 6 ? Hatches[lb.lbHatch] : bsSolid;
            break;
        }
        default:
            FStyle = bsSolid;
            break;
    }
    AdoptHandle(Value);
}

void TBrush::Assign(const TPersistent* Source) {
    if (auto* b = dynamic_cast<const TBrush*>(Source)) {
        if (b == this) return;
        BeginUpdate();
        // Style first: a clear brush takes the colour as it is.
        if (b->FStyle != FStyle) {
            FStyle = b->FStyle;
            Changed();
        }
        if (b->FColor != FColor) {
            FColor = b->FColor;
            Changed();
        }
        SetBitmap(b->FBitmap);
        EndUpdate();
        return;
    }
    TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------
// TFont

VCL_PUBLISHED(TFont, TGraphicsObject) {
    B.Property("Charset", &TFont::Charset, &TFont::SetCharset);
    B.Property("Color", &TFont::Color, &TFont::SetColor).Idents(ColorIdents());
    B.Property("Height", &TFont::Height, &TFont::SetHeight);
    B.Property("Name", &TFont::Name, &TFont::SetName);
    B.Property("Orientation", &TFont::Orientation, &TFont::SetOrientation).Default(0);
    B.Property("Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
    // Size is the same value as Height: readable from form files, never
    // written.
    B.Property("Size", &TFont::Size, &TFont::SetSize).Stored([](const TObject&) { return false; });
    B.Property("Style", &TFont::Style, &TFont::SetStyle);
}

void TFont::SetName(const TFontName& Value) {
    if (Value.empty() || Value == FName) return;
    FName = Value;
    Changed();
}

int32_t TFont::Size() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int32_t Value) { SetHeight(-MulDiv(Value, FPixelsPerInch, 72)); }

void TFont::SetHeight(int32_t Value) {
    if (Value == FHeight) return;
    FHeight = Value;
    Changed();
}

void TFont::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    Changed();
}

void TFont::SetStyle(TFontStyles Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}

void TFont::SetPitch(TFontPitch Value) {
    if (Value == FPitch) return;
    FPitch = Value;
    Changed();
}

void TFont::SetCharset(TFontCharset Value) {
    if (Value == FCharset) return;
    FCharset = Value;
    Changed();
}

void TFont::SetOrientation(int32_t Value) {
    if (Value == FOrientation) return;
    FOrientation = Value;
    Changed();
}

void TFont::SetPixelsPerInch(int32_t Value) {
    if (Value < 1 || Value == FPixelsPerInch) return;
    FPixelsPerInch = Value;
    Changed();
}

LOGFONT TFont::GetLogFont() const {
    LOGFONT lf;
    lf.lfHeight = FHeight;
    lf.lfEscapement = FOrientation;
    lf.lfOrientation = FOrientation;
    lf.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = FStyle.Contains(fsItalic) ? 1 : 0;
    lf.lfUnderline = FStyle.Contains(fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = FStyle.Contains(fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = FCharset;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = FPitch == fpFixed ? 1 : FPitch == fpVariable ? 2 : 0;
    lf.lfFaceName = FName;
    return lf;
}

HGDIOBJ TFont::CreateHandleObject() const { return CreateFontIndirect(GetLogFont()); }

void TFont::SetHandle(HFONT Value) {
    LOGFONT lf;
    if (!GetObject(Value, &lf)) throw EInvalidGraphicOperation("Invalid font handle");
    FHeight = lf.lfHeight;
    if (!lf.lfFaceName.empty()) FName = lf.lfFaceName;
    TFontStyles st;
    if (lf.lfWeight >= FW_BOLD) st.Include(fsBold);
    if (lf.lfItalic) st.Include(fsItalic);
    if (lf.lfUnderline) st.Include(fsUnderline);
    if (lf.lfStrikeOut) st.Include(fsStrikeOut);
    FStyle = st;
    FCharset = lf.lfCharSet;
    FPitch = (lf.lfPitchAndFamily & 3) == 1 ? fpFixed : (lf.lfPitchAndFamily & 3) == 2 ? fpVariable : fpDefault;
    FOrientation = lf.lfEscapement;
    AdoptHandle(Value);
}

void TFont::Assign(const TPersistent* Source) {
    if (auto* f = dynamic_cast<const TFont*>(Source)) {
        if (f == this) return;
        BeginUpdate();
        SetName(f->FName);
        if (f->FPixelsPerInch == FPixelsPerInch)
            SetHeight(f->FHeight);
        else
            SetSize(f->Size());
        SetColor(f->FColor);
        SetStyle(f->FStyle);
        SetPitch(f->FPitch);
        SetCharset(f->FCharset);
        SetOrientation(f->FOrientation);
        EndUpdate();
        return;
    }
    TPersistent::Assign(Source);
}

}  // namespace vcl
