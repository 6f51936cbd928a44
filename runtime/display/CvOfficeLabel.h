// CvOfficeLabel.h - a caption with a small lamp in front of it: dark while
// the mouse is away, lit while it is over the label, bright while a button
// is held on it (with a dotted frame round the text).
//
//     auto* l = new TCvOfficeLabel(Form);
//     l->SetParent(Form);
//     l->SetCaption("Open the file");
//     l->SetLEDType(cvltTriangleUp);
//     l->SetOnClick([](vcl::TObject*) { ... });
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Controls.h"

namespace vcl {
class TBitmap;
}

namespace corvane {

VCL_ENUM(TCvLEDType, cvltRound, cvltTriangleDown, cvltTriangleUp)

class TCvOfficeLabel : public vcl::TGraphicControl {
    VCL_DECLARE_CLASS(TCvOfficeLabel)
public:
    // Gap between the lamp and the text.
    static constexpr int32_t TextGap = 5;

    explicit TCvOfficeLabel(vcl::TComponent* AOwner);
    ~TCvOfficeLabel() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    TCvLEDType LEDType() const { return FLEDType; }
    void SetLEDType(TCvLEDType Value);
    void SetFont(const vcl::TFont* Value);

    // The mouse is over the label / a button went down on it.
    bool Hover() const { return FHover; }
    bool Pressed() const { return FPressed; }
    // The lamp picture loaded now (its resource name) and the bitmap.
    const std::string& LampName() const { return FLampName; }
    const vcl::TBitmap* Lamp() const { return FLamp.get(); }
    // The lamp picture's resource name for a shape and state.
    static std::string LampResource(TCvLEDType Type, bool Hover, bool Pressed);

    void WndProc(vcl::TMessage& Message) override;

protected:
    void MouseDown(vcl::TMouseButton Button, vcl::TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(vcl::TMouseButton Button, vcl::TShiftState Shift, int32_t X, int32_t Y) override;
    void Paint() override;

private:
    void LoadLamp(const std::string& Name);

    uint8_t FAbout = 0;
    std::string FCaption = "OfficeLabel";
    TCvLEDType FLEDType = cvltRound;
    std::unique_ptr<vcl::TBitmap> FLamp;
    std::string FLampName;
    bool FHover = false;
    bool FPressed = false;
};

}  // namespace corvane
