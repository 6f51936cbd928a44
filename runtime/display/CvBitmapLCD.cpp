#include "CvBitmapLCD.h"

#include "CvDisplayResources.h"
#include "Graphics.h"
#include "SysUtils.h"

namespace corvane {

VCL_PUBLISHED(TCvBitmapLCD, vcl::TGraphicControl) {
    using C = TCvBitmapLCD;
    B.Property("About", &C::About, &C::SetAbout);
    B.Property("Alignment", &C::Alignment, &C::SetAlignment);
    B.Property("Display", &C::Display, &C::SetValue);
    B.Property("Digits", &C::Digits, &C::SetDigits);
    B.Property("DisplayOn", &C::DisplayOn, &C::SetOn);
    B.Property("Small", &C::Small, &C::SetSmall);
}

namespace {
// Every code point that is not a digit 0..9 becomes one blank.
std::string DigitsAndBlanks(const std::string& S) {
    std::string out;
    out.reserve(S.size());
    for (size_t i = 0; i < S.size();) {
        const unsigned char ch = static_cast<unsigned char>(S[i]);
        size_t len = 1;
        if (ch >= 0xF0)
            len = 4;
        else if (ch >= 0xE0)
            len = 3;
        else if (ch >= 0xC0)
            len = 2;
        out += (ch >= '0' && ch <= '9') ? char(ch) : ' ';
        i += len;
    }
    return out;
}
}  // namespace

TCvBitmapLCD::TCvBitmapLCD(vcl::TComponent* AOwner)
    : vcl::TGraphicControl(AOwner), FWork(std::make_unique<vcl::TBitmap>()) {
    RegisterDisplayResources();
    for (int i = 0; i <= 10; ++i) {
        FLarge[size_t(i)] = std::make_unique<vcl::TBitmap>();
        FLarge[size_t(i)]->LoadFromResourceID(100 + i);
        FSmallBitmaps[size_t(i)] = std::make_unique<vcl::TBitmap>();
        FSmallBitmaps[size_t(i)]->LoadFromResourceID(200 + i);
    }
    SetBounds(Left(), Top(), 150, 22);
}

TCvBitmapLCD::~TCvBitmapLCD() = default;

const vcl::TBitmap* TCvBitmapLCD::DigitBitmap(int Index, bool Small) const {
    if (Index < 0 || Index > 10) throw vcl::ERangeError("Digit bitmap index " + std::to_string(Index) + " is not 0..10");
    return Small ? FSmallBitmaps[size_t(Index)].get() : FLarge[size_t(Index)].get();
}

void TCvBitmapLCD::SetAlignment(vcl::TAlignment Value) {
    if (Value == vcl::taCenter) Value = vcl::taLeftJustify;
    if (Value == FAlignment) return;
    FAlignment = Value;
    Invalidate();
}

void TCvBitmapLCD::SetValue(const std::string& Value) {
    if (Value == FDisplay) return;
    FDisplay = Value;
    Invalidate();
}

void TCvBitmapLCD::SetDigits(int32_t Value) {
    if (Value < 1 || Value > MaxDigits || Value == FDigits) return;
    FDigits = Value;
    SetBounds(Left(), Top(), LargeCellWidth * Value, LargeCellHeight);
    Repaint();
}

void TCvBitmapLCD::SetOn(bool Value) {
    if (Value == FDisplayOn) return;
    FDisplayOn = Value;
    Invalidate();
}

void TCvBitmapLCD::SetSmall(bool Value) {
    if (Value == FSmall) return;
    FSmall = Value;
    Repaint();
}

std::string TCvBitmapLCD::ShownText() const {
    const std::string blanks(MaxDigits, ' ');
    if (!FDisplayOn) return std::string(size_t(FDigits), ' ');
    const std::string shown = DigitsAndBlanks(FDisplay);
    const size_t n = size_t(FDigits);
    if (FAlignment == vcl::taLeftJustify) return (shown + blanks).substr(0, n);
    const std::string s = blanks + shown;
    return s.substr(s.size() - n);
}

void TCvBitmapLCD::Paint() {
    if (FDisplayOn) FDisplay = DigitsAndBlanks(FDisplay);
    const std::string text = ShownText();
    const int32_t cw = FSmall ? SmallCellWidth : LargeCellWidth;
    const int32_t ch = FSmall ? SmallCellHeight : LargeCellHeight;
    if (Width() != FDigits * cw || Height() != ch) SetBounds(Left(), Top(), FDigits * cw, ch);
    FWork->SetSize(Width(), Height());
    vcl::TCanvas* wc = FWork->Canvas();
    for (size_t i = 0; i < text.size(); ++i) {
        const int index = text[i] == ' ' ? 10 : text[i] - '0';
        wc->Draw(int32_t(i) * cw, 0, DigitBitmap(index, FSmall));
    }
    Canvas()->Draw(0, 0, FWork.get());
}

}  // namespace corvane
