#include "CvLed.h"

#include "Exceptions.h"
#include "ExtCtrls.h"

namespace corvane {

VCL_PUBLISHED(TCvCustomLed, vcl::TCustomControl) {
    B.Property("About", &TCvCustomLed::About, &TCvCustomLed::SetAbout);
    B.Property("Cursor", &TCvCustomLed::Cursor, &TCvCustomLed::SetCursor)
        .Default(vcl::crDefault)
        .Idents(vcl::CursorIdents());
    B.Property("Hint", &TCvCustomLed::Hint, &TCvCustomLed::SetHint).DefaultStr("");
    B.Property("ShowHint", &TCvCustomLed::ShowHint, &TCvCustomLed::SetShowHint).Default(0);
}

// No stream defaults: every value is written to the form file.
VCL_PUBLISHED(TCvLed, TCvCustomLed) {
    B.Property("HighColor", &TCvLed::HighColor, &TCvLed::SetHighColor).Idents(vcl::ColorIdents());
    B.Property("LowColor", &TCvLed::LowColor, &TCvLed::SetLowColor).Idents(vcl::ColorIdents());
    B.Property("BorderHighColor", &TCvLed::BorderHighColor, &TCvLed::SetBorderHighColor).Idents(vcl::ColorIdents());
    B.Property("BorderLowColor", &TCvLed::BorderLowColor, &TCvLed::SetBorderLowColor).Idents(vcl::ColorIdents());
    B.Property("Highlighted", &TCvLed::Highlighted, &TCvLed::SetHigh);
    B.Property("BorderWidth", &TCvLed::BorderWidth, &TCvLed::SetBorder);
}

VCL_PUBLISHED(TCvBlinkingLed, TCvLed) {
    B.Property("Blinking", &TCvBlinkingLed::Blinking, &TCvBlinkingLed::SetBlink);
    B.Property("BlinkInterval", &TCvBlinkingLed::BlinkInterval, &TCvBlinkingLed::SetInterval);
}

// ---------------------------------------------------------------------------
// TCvCustomLed

TCvCustomLed::TCvCustomLed(vcl::TComponent* AOwner) : vcl::TCustomControl(AOwner) {
    SetBounds(Left(), Top(), 50, 50);
}

void TCvCustomLed::SetColor(int Index, vcl::TColor Value) {
    switch (Index) {
        case 1: FHighColor = Value; break;
        case 2: FLowColor = Value; break;
        case 3: FBorderHighColor = Value; break;
        case 4: FBorderLowColor = Value; break;
        default: throw vcl::ERangeError("LED colour index " + std::to_string(Index) + " is not 1..4");
    }
    Refresh();
}

void TCvCustomLed::SetHigh(bool Value) {
    FHighlighted = Value;
    Refresh();
}

void TCvCustomLed::SetBorder(int32_t Value) {
    if (Value >= 0) FBorderWidth = Value;
    Refresh();
}

void TCvCustomLed::Paint() {
    vcl::TCanvas* c = Canvas();
    const int32_t w = Width(), h = Height(), b = FBorderWidth;
    const vcl::TColor body = FHighlighted ? FHighColor : FLowColor;
    c->Brush()->SetStyle(vcl::bsSolid);
    c->Brush()->SetColor(body);
    c->Pen()->SetStyle(vcl::psSolid);
    c->Pen()->SetMode(vcl::pmCopy);
    c->Pen()->SetWidth(1);
    c->Pen()->SetColor(body);
    c->Ellipse(b, b, w - b, h - b);
    if (b == 0) return;
    // The bevel: the lower-right half from the direction of the bottom-left
    // corner round to the top-right one (arcs run counter-clockwise), then
    // the upper-left half back again.
    c->Pen()->SetWidth(b);
    c->Pen()->SetColor(FBorderLowColor);
    c->Arc(b, b, w - b, h - b, 0, h, w, 0);
    c->Pen()->SetColor(FBorderHighColor);
    c->Arc(b, b, w - b, h - b, w, 0, 0, h);
    // The highlight on the upper left of the dome.
    c->Pen()->SetWidth(1);
    c->Arc(w / 4 + b, h / 4 + b, w - w / 4 - b, h - h / 4 - b, w, 0, 0, h);
}

// ---------------------------------------------------------------------------
// TCvBlinkingLed

TCvBlinkingLed::TCvBlinkingLed(vcl::TComponent* AOwner) : TCvLed(AOwner) {
    FTimer = new vcl::TTimer(this);
    FTimer->SetEnabled(false);
    FTimer->SetInterval(100);
    FTimer->SetOnTimer([this](vcl::TObject* Sender) { Timer(Sender); });
}

TCvBlinkingLed::~TCvBlinkingLed() {
    delete FTimer;
    FTimer = nullptr;
}

void TCvBlinkingLed::SetBlink(bool Value) {
    FTimer->SetEnabled(Value);
    FBlinking = Value;
}

void TCvBlinkingLed::SetInterval(int32_t Value) {
    if (Value < 50) return;
    FInterval = Value;
    FTimer->SetInterval(static_cast<uint32_t>(Value));
}

void TCvBlinkingLed::Timer(vcl::TObject*) {
    if (IsDesigning()) return;
    SetHigh(!Highlighted());
}

}  // namespace corvane
