// WinCaptionText.cpp - the caption text, drawn with the font engine straight
// into the window's surface.  Kept apart from the GDI declarations.
#include <span>
#include <string>
#include <vector>

#include "TextEngine.h"

namespace vcl::win {

void PaintCaptionText(const TPixelView& View, const std::vector<TRect>& Clip, const TRect& TextRect,
                      const std::string& Text, COLORREF Color, bool Small);

void PaintCaptionText(const TPixelView& View, const std::vector<TRect>& Clip, const TRect& TextRect,
                      const std::string& Text, COLORREF Color, bool Small) {
    if (Clip.empty() || TextRect.IsEmpty() || Text.empty()) return;
    TFontRequest request;
    request.FaceName = "MS Sans Serif";
    request.Height = PointsToHeight(8, 96);  // 8 pt, bold, for both caption sizes
    request.Weight = 700;
    (void)Small;
    std::shared_ptr<TFontFace> face;
    try {
        face = ResolveFont(request);
    } catch (const std::exception&) {
        return;  // no font at all: the bar stays without text
    }
    TRect r = TextRect;
    DrawTextLayout(View, std::span<const TRect>(Clip.data(), Clip.size()), *face, Text, r,
                   DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX, Color, false, 0);
}

}  // namespace vcl::win
