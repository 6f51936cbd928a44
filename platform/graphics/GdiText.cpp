// Text output of the device contexts: the DC's state (font, colours,
// background mode, alignment, current position, clipping) applied to the
// text engine, which draws into the DC's pixels.
#include <vector>

#include "GdiInternal.h"

namespace vcl {

using namespace gdi;

namespace {

TFontRequest RequestOf(const LOGFONT& F) {
    TFontRequest s;
    s.FaceName = F.lfFaceName;
    s.Height = F.lfHeight;
    s.Width = F.lfWidth < 0 ? -F.lfWidth : F.lfWidth;
    s.Weight = F.lfWeight;
    s.Italic = F.lfItalic != 0;
    s.Underline = F.lfUnderline != 0;
    s.StrikeOut = F.lfStrikeOut != 0;
    s.Escapement = F.lfEscapement;
    s.Quality = F.lfQuality;
    return s;
}

const LOGFONT& FontOf(TDCObj* DC) {
    static const LOGFONT fallback{};
    if (DC->S.Font) return DC->S.Font->Font;
    if (auto* stock = static_cast<TFontObj*>(StockObject(SYSTEM_FONT))) return stock->Font;
    return fallback;
}

// The DC's clipping as device rectangles, further limited to Limit when given.
std::vector<TRect> ClipRects(TDCObj* DC, const TRect* Limit) {
    std::vector<TRect> rects;
    const TRegion& clip = DC->Clip();
    clip.GetRects(rects);
    if (Limit) {
        std::vector<TRect> out;
        for (const TRect& r : rects) {
            const TRect x{std::max(r.Left, Limit->Left), std::max(r.Top, Limit->Top),
                          std::min(r.Right, Limit->Right), std::min(r.Bottom, Limit->Bottom)};
            if (!x.IsEmpty()) out.push_back(x);
        }
        rects.swap(out);
    }
    return rects;
}

// A colour as the DC's pixels can hold it (black or white on monochrome DCs).
COLORREF Displayable(TDCObj* DC, COLORREF C) {
    if (!DC->Mono()) return C;
    return ColorRefFromPixel(DevicePixel(C, true));
}

TRect ToDevice(TDCObj* DC, const TRect& R) {
    return TRect{DC->DevX(R.Left), DC->DevY(R.Top), DC->DevX(R.Right), DC->DevY(R.Bottom)};
}

}  // namespace

std::shared_ptr<TFontFace> ResolveLogFont(const LOGFONT& Font) { return ResolveFont(RequestOf(Font)); }

std::shared_ptr<TFontFace> GetDCFontFace(HDC DC) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return nullptr;
    return ResolveLogFont(FontOf(dc));
}

bool ExtTextOut(HDC DC, int X, int Y, unsigned Options, const TRect* Rect, std::string_view Text,
                const int32_t* Dx, size_t DxCount) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    const auto face = ResolveLogFont(FontOf(dc));
    if (!face) return false;

    TRect devRect{};
    if (Rect) devRect = ToDevice(dc, *Rect);
    TTarget target;
    const bool drawable = MakeTarget(dc, target);

    if (drawable && Rect && (Options & ETO_OPAQUE) && !devRect.IsEmpty()) {
        TPaint bk;
        bk.Rop2 = R2_COPYPEN;
        bk.Color = DevicePixel(dc->S.BkColor, target.Mono);
        PaintRect(target, devRect, bk);
    }

    const bool updateCP = (dc->S.TextAlign & TA_UPDATECP) != 0;
    int64_t x = updateCP ? dc->S.CurPos.X : X;
    int64_t y = updateCP ? dc->S.CurPos.Y : Y;

    std::vector<int32_t> advances;
    if (Dx && DxCount) advances.assign(Dx, Dx + DxCount);
    int32_t width = 0;
    if (!advances.empty()) {
        for (int32_t a : advances) width += a;
    } else {
        width = GetTextExtent(*face, Text).cx;
        if (dc->S.CharExtra != 0) {
            // Every character advances by its own width plus the extra.
            std::vector<int32_t> partial;
            GetTextExtentEx(*face, Text, -1, &partial);
            advances.resize(partial.size());
            int32_t prev = 0;
            for (size_t i = 0; i < partial.size(); ++i) {
                advances[i] = partial[i] - prev + dc->S.CharExtra;
                prev = partial[i];
            }
            width += dc->S.CharExtra * static_cast<int32_t>(partial.size());
        }
    }

    if (drawable && !Text.empty()) {
        const TPoint cell = AlignTextOrigin(*face, dc->DevX(x), dc->DevY(y), dc->S.TextAlign & ~TA_UPDATECP, width);
        const std::vector<TRect> clip = ClipRects(dc, (Options & ETO_CLIPPED) && Rect ? &devRect : nullptr);
        if (!clip.empty())
            DrawTextRun(target.V, std::span<const TRect>(clip), cell.X, cell.Y, *face, Text,
                        Displayable(dc, dc->S.TextColor), dc->S.BkMode == OPAQUE, Displayable(dc, dc->S.BkColor),
                        std::span<const int32_t>(advances));
    }

    if (updateCP) {
        const unsigned h = dc->S.TextAlign & (TA_LEFT | TA_RIGHT | TA_CENTER);
        if (h == TA_LEFT) dc->S.CurPos.X = ClampCoord(x + width);
        else if (h == TA_RIGHT) dc->S.CurPos.X = ClampCoord(x - width);
    }
    return true;
}

bool TextOut(HDC DC, int X, int Y, std::string_view Text) { return ExtTextOut(DC, X, Y, 0, nullptr, Text); }

int DrawText(HDC DC, std::string_view Text, TRect* Rect, unsigned Format) {
    TDCObj* dc = LookupDC(DC);
    if (!dc || !Rect) return 0;
    const auto face = ResolveLogFont(FontOf(dc));
    if (!face) return 0;
    const int32_t offX = dc->DevX(0), offY = dc->DevY(0);
    TRect dev = ToDevice(dc, *Rect);
    int32_t height = 0;
    if (Format & DT_CALCRECT) {
        height = DrawTextLayout(TPixelView{}, TRect{}, *face, Text, dev, Format, 0, false, 0);
    } else {
        TTarget target;
        if (!MakeTarget(dc, target)) {
            // Nothing visible: measure so that the result is still right.
            TRect probe = dev;
            return DrawTextLayout(TPixelView{}, TRect{}, *face, Text, probe, Format | DT_CALCRECT, 0, false, 0);
        }
        const std::vector<TRect> clip = ClipRects(dc, nullptr);
        height = DrawTextLayout(target.V, std::span<const TRect>(clip), *face, Text, dev, Format,
                                Displayable(dc, dc->S.TextColor), dc->S.BkMode == OPAQUE,
                                Displayable(dc, dc->S.BkColor));
    }
    *Rect = TRect{dev.Left - offX, dev.Top - offY, dev.Right - offX, dev.Bottom - offY};
    return height;
}

bool GetTextMetrics(HDC DC, TTextMetric* Metrics) {
    if (!Metrics) return false;
    const auto face = GetDCFontFace(DC);
    if (!face) return false;
    *Metrics = GetTextMetrics(*face);
    return true;
}

bool GetTextExtentPoint32(HDC DC, std::string_view Text, TSize* Size) {
    if (!Size) return false;
    TDCObj* dc = LookupDC(DC);
    if (!dc) return false;
    const auto face = ResolveLogFont(FontOf(dc));
    if (!face) return false;
    TSize s = GetTextExtent(*face, Text);
    if (dc->S.CharExtra != 0) s.cx += dc->S.CharExtra * static_cast<int32_t>(DecodeUtf8(Text).size());
    *Size = s;
    return true;
}

int GetTextFace(HDC DC, std::string* Face) {
    TDCObj* dc = LookupDC(DC);
    if (!dc) return 0;
    const std::string& name = FontOf(dc).lfFaceName;
    if (Face) *Face = name;
    return static_cast<int>(name.size());
}

}  // namespace vcl
