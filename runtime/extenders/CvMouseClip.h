// CvMouseClip.h - TCvMouseClip: confines the mouse pointer to the form's
// default button, a chosen control or the client area when its owner form
// becomes active (not on a mouse click), and centres it there.  The
// confinement stays until StopClip, until the platform ends it, or until
// the component goes (a confinement it set and nobody changed since is
// released then).
//
//     auto* clip = new corvane::TCvMouseClip(form);
//     clip->StartClipRect(vcl::TRect{10, 20, 110, 70});
//     ...
//     clip->StopClip();
#pragma once

#include "CvMousePosition.h"

namespace corvane {

class TCvMouseClip : public TCvWndProcComponent {
    VCL_DECLARE_CLASS(TCvMouseClip)
public:
    explicit TCvMouseClip(vcl::TComponent* AOwner);
    ~TCvMouseClip() override;

    bool AutoPosition() const { return FAutoPosition; }
    void SetAutoPosition(bool Value) { FAutoPosition = Value; }
    // Not owned; cleared when the control is freed.
    vcl::TControl* Control() const { return FControl; }
    void SetControl(vcl::TControl* Value);
    TCvMousePositionStyle Style() const { return FStyle; }
    void SetStyle(TCvMousePositionStyle Value) { FStyle = Value; }

    // Confines the pointer to the target area and centres it there.
    void StartClip();
    // Style becomes msClientArea; confines the pointer to R (client
    // coordinates of the owner form) and centres it there.
    void StartClipRect(const vcl::TRect& R);
    // Releases the confinement.
    void StopClip();

    void Notification(vcl::TComponent* AComponent, vcl::TOperation Operation) override;

protected:
    void WndProc(vcl::TMessage& Message) override;

private:
    void ClipTo(const vcl::TRect& Area);

    bool FAutoPosition = true;
    vcl::TControl* FControl = nullptr;
    TCvMousePositionStyle FStyle = msClientArea;
    // The confinement this component set, as the platform took it.
    bool FClipping = false;
    vcl::TRect FClipRect;
};

}  // namespace corvane
