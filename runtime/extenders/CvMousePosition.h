// CvMousePosition.h - TCvMousePosition: moves the mouse pointer onto the
// form's default button, a chosen control or a point of the client area
// when its owner form becomes active (by the keyboard or the program, not
// by a mouse click, which puts the pointer where the user wants it).
// Also the position and style types that TCvMouseClip shares.
//
//     auto* mp = new corvane::TCvMousePosition(form);
//     mp->SetStyle(corvane::msDefaultButton);
//     mp->SetPosition(corvane::poMCenter);
#pragma once

#include "Classes.h"
#include "CvWndProcComponents.h"
#include "GdiTypes.h"

namespace vcl {
class TControl;
class TCustomForm;
}  // namespace vcl

namespace corvane {

VCL_ENUM(TCvMousePositionStyle, msDefaultButton, msControl, msClientArea)
// Horizontal place (L left, M middle, R right), then vertical place.
VCL_ENUM(TCvMousePositionPos, poLTop, poLCenter, poLBottom, poMTop, poMCenter, poMBottom, poRTop, poRCenter,
         poRBottom)

// The screen area a mouse component aims at: the last default push button
// owned by Form (msDefaultButton), Control (msControl; placed in its
// parent, or a window of its own), or Form's client area (msClientArea).
// False when there is no such area.
bool CvMouseTargetArea(vcl::TCustomForm* Form, TCvMousePositionStyle Style, vcl::TControl* Control,
                       vcl::TRect& Area);

class TCvMousePosition : public TCvWndProcComponent {
    VCL_DECLARE_CLASS(TCvMousePosition)
public:
    explicit TCvMousePosition(vcl::TComponent* AOwner);
    ~TCvMousePosition() override;

    bool AutoPosition() const { return FAutoPosition; }
    void SetAutoPosition(bool Value) { FAutoPosition = Value; }
    TCvMousePositionPos Position() const { return FPosition; }
    void SetPosition(TCvMousePositionPos Value) { FPosition = Value; }
    // Not owned; cleared when the control is freed.
    vcl::TControl* Control() const { return FControl; }
    void SetControl(vcl::TControl* Value);
    TCvMousePositionStyle Style() const { return FStyle; }
    void SetStyle(TCvMousePositionStyle Value) { FStyle = Value; }

    // Moves the pointer to the target area's point chosen by Position
    // (right and bottom: one beyond the area).  Nothing without a target.
    void SetMouseCursor();
    // Style becomes msClientArea; moves the pointer to the client point
    // (X, Y) of the owner form.
    void SetMouseAt(int32_t X, int32_t Y);

    void Notification(vcl::TComponent* AComponent, vcl::TOperation Operation) override;

protected:
    void WndProc(vcl::TMessage& Message) override;

private:
    bool FAutoPosition = true;
    TCvMousePositionPos FPosition = poMCenter;
    vcl::TControl* FControl = nullptr;
    TCvMousePositionStyle FStyle = msClientArea;
};

}  // namespace corvane
