#include "CvMousePosition.h"

#include "Forms.h"
#include "StdCtrls.h"

namespace corvane {

using namespace vcl;

VCL_PUBLISHED(TCvMousePosition, TCvWndProcComponent) {
    using C = TCvMousePosition;
    B.Property("AutoPosition", &C::AutoPosition, &C::SetAutoPosition);
    B.Property("Control", &C::Control, &C::SetControl);
    B.Property("Position", &C::Position, &C::SetPosition);
    B.Property("Style", &C::Style, &C::SetStyle);
}

bool CvMouseTargetArea(TCustomForm* Form, TCvMousePositionStyle Style, TControl* Control, TRect& Area) {
    if (!Form) return false;
    TControl* target = nullptr;
    switch (Style) {
        case msDefaultButton:
            for (int i = 0; i < Form->ComponentCount(); ++i)
                if (auto* button = dynamic_cast<TButton*>(Form->Components(i)); button && button->Default())
                    target = button;
            break;
        case msControl: target = Control; break;
        case msClientArea: {
            const TPoint origin = Form->ClientToScreen(TPoint{0, 0});
            const TRect client = Form->ClientRect();
            Area = TRect{origin.X, origin.Y, origin.X + client.Right, origin.Y + client.Bottom};
            return true;
        }
    }
    if (!target) return false;
    if (TWinControl* parent = target->Parent()) {
        const TPoint origin = parent->ClientToScreen(TPoint{target->Left(), target->Top()});
        Area = TRect{origin.X, origin.Y, origin.X + target->Width(), origin.Y + target->Height()};
        return true;
    }
    // Without a parent only a control with a window of its own (a form) is
    // somewhere on the screen.
    auto* windowed = dynamic_cast<TWinControl*>(target);
    if (!windowed || !windowed->HandleAllocated()) return false;
    TRect r;
    if (!GetWindowRect(windowed->WindowHandleOrNull(), &r)) return false;
    Area = r;
    return true;
}

TCvMousePosition::TCvMousePosition(TComponent* AOwner) : TCvWndProcComponent(AOwner) {
    if (!IsDesigning()) SetNewWndProc();
}

TCvMousePosition::~TCvMousePosition() { SetControl(nullptr); }

void TCvMousePosition::SetControl(TControl* Value) {
    if (Value == FControl) return;
    if (FControl) FControl->RemoveFreeNotification(this);
    FControl = Value;
    if (FControl) FControl->FreeNotification(this);
}

void TCvMousePosition::Notification(TComponent* AComponent, TOperation Operation) {
    TCvWndProcComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FControl) FControl = nullptr;
}

void TCvMousePosition::SetMouseCursor() {
    TRect area;
    if (!CvMouseTargetArea(OwnerForm(), FStyle, FControl, area)) return;
    const int32_t w = area.Width(), h = area.Height();
    int32_t x = area.Left, y = area.Top;
    switch (FPosition) {
        case poMTop:
        case poMCenter:
        case poMBottom: x += w / 2; break;
        case poRTop:
        case poRCenter:
        case poRBottom: x += w; break;
        default: break;
    }
    switch (FPosition) {
        case poLCenter:
        case poMCenter:
        case poRCenter: y += h / 2; break;
        case poLBottom:
        case poMBottom:
        case poRBottom: y += h; break;
        default: break;
    }
    SetCursorPos(x, y);
}

void TCvMousePosition::SetMouseAt(int32_t X, int32_t Y) {
    FStyle = msClientArea;
    if (!OwnerForm()) return;
    const TPoint p = OwnerForm()->ClientToScreen(TPoint{X, Y});
    SetCursorPos(p.X, p.Y);
}

void TCvMousePosition::WndProc(TMessage& Message) {
    // Only activation by the keyboard or the program: a click puts the
    // pointer where the user wants it.
    if (Message.Msg == WM_ACTIVATE && LOWORD(Message.WParam) == WA_ACTIVE && FAutoPosition) SetMouseCursor();
    TCvWndProcComponent::WndProc(Message);
}

}  // namespace corvane
