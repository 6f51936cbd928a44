#include "CvMouseClip.h"

#include "Forms.h"

namespace corvane {

using namespace vcl;

VCL_PUBLISHED(TCvMouseClip, TCvWndProcComponent) {
    using C = TCvMouseClip;
    B.Property("AutoPosition", &C::AutoPosition, &C::SetAutoPosition);
    B.Property("Control", &C::Control, &C::SetControl);
    B.Property("Style", &C::Style, &C::SetStyle);
}

TCvMouseClip::TCvMouseClip(TComponent* AOwner) : TCvWndProcComponent(AOwner) {
    if (!IsDesigning()) SetNewWndProc();
}

TCvMouseClip::~TCvMouseClip() {
    // A confinement to a form that is going would hold the pointer in an
    // empty place: release it unless somebody changed it since.
    if (FClipping) {
        TRect now;
        if (GetClipCursor(&now) && now == FClipRect) ClipCursor(nullptr);
    }
    SetControl(nullptr);
}

void TCvMouseClip::SetControl(TControl* Value) {
    if (Value == FControl) return;
    if (FControl) FControl->RemoveFreeNotification(this);
    FControl = Value;
    if (FControl) FControl->FreeNotification(this);
}

void TCvMouseClip::Notification(TComponent* AComponent, TOperation Operation) {
    TCvWndProcComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FControl) FControl = nullptr;
}

void TCvMouseClip::ClipTo(const TRect& Area) {
    ClipCursor(&Area);
    FClipping = GetClipCursor(&FClipRect) != FALSE;
    SetCursorPos(Area.Left + Area.Width() / 2, Area.Top + Area.Height() / 2);
}

void TCvMouseClip::StartClip() {
    TRect area;
    if (!CvMouseTargetArea(OwnerForm(), FStyle, FControl, area)) return;
    ClipTo(area);
}

void TCvMouseClip::StartClipRect(const TRect& R) {
    FStyle = msClientArea;
    if (!OwnerForm()) return;
    const TPoint origin = OwnerForm()->ClientToScreen(TPoint{R.Left, R.Top});
    ClipTo(TRect{origin.X, origin.Y, origin.X + (R.Right - R.Left), origin.Y + (R.Bottom - R.Top)});
}

void TCvMouseClip::StopClip() {
    ClipCursor(nullptr);
    FClipping = false;
}

void TCvMouseClip::WndProc(TMessage& Message) {
    if (Message.Msg == WM_ACTIVATE && LOWORD(Message.WParam) == WA_ACTIVE && FAutoPosition) StartClip();
    TCvWndProcComponent::WndProc(Message);
}

}  // namespace corvane
