#include "CvOfficeLabel.h"

#include "CvDisplayResources.h"
#include "Graphics.h"

namespace corvane {

VCL_PUBLISHED(TCvOfficeLabel, vcl::TGraphicControl) {
    using C = TCvOfficeLabel;
    B.Property("About", &C::About, &C::SetAbout);
    B.Property("Caption", &C::Caption, &C::SetCaption);
    B.Property("LEDType", &C::LEDType, &C::SetLEDType).Default(cvltRound);
    B.Property("Font", &C::Font, &C::SetFont);
}

TCvOfficeLabel::TCvOfficeLabel(vcl::TComponent* AOwner)
    : vcl::TGraphicControl(AOwner), FLamp(std::make_unique<vcl::TBitmap>()) {
    SetBounds(Left(), Top(), 100, 16);
    SetParentFont(false);  // a font of its own
    RegisterDisplayResources();
    LoadLamp(LampResource(FLEDType, false, false));
}

TCvOfficeLabel::~TCvOfficeLabel() = default;

std::string TCvOfficeLabel::LampResource(TCvLEDType Type, bool Hover, bool Pressed) {
    const char* state = !Hover ? "OFF" : Pressed ? "DOWN" : "ON";
    const char* shape = Type == cvltTriangleDown ? "3DWN" : Type == cvltTriangleUp ? "3UP" : "RND";
    return std::string(state) + shape;
}

void TCvOfficeLabel::LoadLamp(const std::string& Name) {
    FLamp->LoadFromResourceName(Name);
    FLampName = Name;
}

void TCvOfficeLabel::SetCaption(const std::string& Value) {
    if (Value == FCaption) return;
    FCaption = Value;
    Invalidate();
}

void TCvOfficeLabel::SetLEDType(TCvLEDType Value) {
    if (Value == FLEDType) return;
    FLEDType = Value;
    LoadLamp(LampResource(Value, false, false));
    Invalidate();
}

void TCvOfficeLabel::SetFont(const vcl::TFont* Value) {
    if (Value && Value != Font()) Font()->Assign(Value);
    Invalidate();
}

void TCvOfficeLabel::MouseDown(vcl::TMouseButton Button, vcl::TShiftState Shift, int32_t X, int32_t Y) {
    FHover = true;
    FPressed = true;
    Invalidate();
    vcl::TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TCvOfficeLabel::MouseUp(vcl::TMouseButton Button, vcl::TShiftState Shift, int32_t X, int32_t Y) {
    FPressed = false;
    Invalidate();
    vcl::TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TCvOfficeLabel::WndProc(vcl::TMessage& Message) {
    if (Message.Msg == vcl::CM_MOUSEENTER) {
        FHover = true;
        Invalidate();
    } else if (Message.Msg == vcl::CM_MOUSELEAVE) {
        FHover = false;  // a held button stays pressed
        Invalidate();
    }
    vcl::TGraphicControl::WndProc(Message);
}

void TCvOfficeLabel::Paint() {
    vcl::TCanvas* c = Canvas();
    // Every picture of one shape has the same size.
    const vcl::TRect r1{0, 0, FLamp->Width(), FLamp->Height()};
    c->Brush()->SetStyle(vcl::bsClear);
    c->Brush()->SetColor(Color());
    c->SetFont(Font());
    LoadLamp(LampResource(FLEDType, FHover, FPressed));
    c->BrushCopy(r1, FLamp.get(), r1, vcl::clYellow);
    vcl::TRect r2{static_cast<int16_t>(r1.Right + TextGap), 0, ClientWidth(), ClientHeight()};
    c->Brush()->SetStyle(vcl::bsClear);
    c->TextRect(r2, FCaption, vcl::TTextFormat{vcl::tfWordBreak, vcl::tfNoPrefix});
    if (FHover && FPressed) {
        c->Brush()->SetStyle(vcl::bsClear);
        c->Brush()->SetColor(Color());
        c->Pen()->SetColor(vcl::clBlack);
        c->Pen()->SetWidth(1);
        c->Pen()->SetStyle(vcl::psDot);
        c->Pen()->SetMode(vcl::pmMask);
        c->Rectangle(r2.Left - 3, r2.Top, r2.Right - 1, r2.Bottom - 1);
        c->Pen()->SetStyle(vcl::psSolid);
        c->Pen()->SetMode(vcl::pmCopy);
    }
}

}  // namespace corvane
