#include "CvBitmapLCD2.h"

#include "CvDisplayResources.h"
#include "Graphics.h"

namespace corvane {

VCL_PUBLISHED(TCvBitmapLCD2, vcl::TGraphicControl) {
    using C = TCvBitmapLCD2;
    B.Property("About", &C::About, &C::SetAbout);
    B.Property("Display", &C::Display, &C::SetDisplay);
    B.Property("DisplayOn", &C::DisplayOn, &C::SetEnabled);
}

namespace {
// The strip, shared by every instance (main thread only, as controls are).
int32_t cnt = 0;
vcl::TBitmap* gStrip = nullptr;

constexpr int32_t kDigitWidth = 16;
constexpr int32_t kBlankDigit = 160;
constexpr int32_t kLitPoint = 177;
constexpr int32_t kUnlitPoint = 183;
constexpr int32_t kPointWidth = 4;
}  // namespace

TCvBitmapLCD2::TCvBitmapLCD2(vcl::TComponent* AOwner)
    : vcl::TGraphicControl(AOwner), FWork(std::make_unique<vcl::TBitmap>()) {
    if (cnt == 0) {
        RegisterDisplayResources();
        auto strip = std::make_unique<vcl::TBitmap>();
        strip->LoadFromResourceName("LEDS");
        gStrip = strip.release();
    }
    ++cnt;
    SetBounds(Left(), Top(), 120, StripHeight);
}

TCvBitmapLCD2::~TCvBitmapLCD2() {
    if (--cnt == 0) {
        delete gStrip;
        gStrip = nullptr;
    }
}

const vcl::TBitmap* TCvBitmapLCD2::Strip() { return gStrip; }
int32_t TCvBitmapLCD2::StripUsers() { return cnt; }

void TCvBitmapLCD2::SetDisplay(const std::string& Value) {
    if (Value == FDisplay) return;
    FDisplay = Value;
    Repaint();
}

void TCvBitmapLCD2::SetEnabled(bool Value) {
    if (Value == FDisplayOn) return;
    FDisplayOn = Value;
    Repaint();
}

std::vector<vcl::TRect> TCvBitmapLCD2::SourceRects() const {
    std::vector<vcl::TRect> rects;
    for (size_t i = 0; i < FDisplay.size();) {
        const unsigned char ch = static_cast<unsigned char>(FDisplay[i]);
        i += ch >= 0xF0 ? 4 : ch >= 0xE0 ? 3 : ch >= 0xC0 ? 2 : 1;  // one cell per code point
        int32_t x = kBlankDigit, w = kDigitWidth;
        if (ch == '.') {
            x = FDisplayOn ? kLitPoint : kUnlitPoint;
            w = kPointWidth;
        } else if (FDisplayOn && ch >= '0' && ch <= '9') {
            x = kDigitWidth * (ch - '0');
        }
        rects.push_back(vcl::TRect{x, 0, x + w, StripHeight});
    }
    return rects;
}

void TCvBitmapLCD2::Paint() {
    if (FDisplay.empty()) {
        if (Width() != 25) SetWidth(25);
        return;
    }
    if (Height() != StripHeight) SetHeight(StripHeight);
    const std::vector<vcl::TRect> rects = SourceRects();
    int32_t total = 0;
    for (const vcl::TRect& r : rects) total += r.Right - r.Left;
    if (Width() != total) SetWidth(total);
    FWork->SetSize(Width(), Height());
    int32_t x = 0;
    for (const vcl::TRect& r : rects) {
        const int32_t w = r.Right - r.Left;
        FWork->Canvas()->CopyRect(vcl::TRect{x, 0, x + w, StripHeight}, gStrip->Canvas(), r);
        x += w;
    }
    Canvas()->Draw(0, 0, FWork.get());
}

}  // namespace corvane
