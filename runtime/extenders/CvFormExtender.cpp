#include "CvFormExtender.h"

#include <algorithm>

#include "Forms.h"

namespace corvane {

using namespace vcl;

VCL_PUBLISHED(TCvFormExtender, TCvWndProcComponent) {
    using C = TCvFormExtender;
    B.Property("Enabled", &C::Enabled, &C::SetEnabled);
    B.Property("MaxLeft", &C::MaxLeft, &C::SetMaxLeft);
    B.Property("MaxTop", &C::MaxTop, &C::SetMaxTop);
    B.Property("MaxWidth", &C::MaxWidth, &C::SetMaxWidth);
    B.Property("MaxHeight", &C::MaxHeight, &C::SetMaxHeight);
    B.Property("TrackMinWidth", &C::TrackMinWidth, &C::SetTrackMinWidth);
    B.Property("TrackMinHeight", &C::TrackMinHeight, &C::SetTrackMinHeight);
    B.Property("TrackMaxWidth", &C::TrackMaxWidth, &C::SetTrackMaxWidth);
    B.Property("TrackMaxHeight", &C::TrackMaxHeight, &C::SetTrackMaxHeight);
}

TCvFormExtender::TCvFormExtender(TComponent* AOwner) : TCvWndProcComponent(AOwner) { SetEnabled(true); }

void TCvFormExtender::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    if (IsDesigning()) return;
    if (Value) {
        if (!Hooked()) SetNewWndProc();
    } else {
        RestoreWndProc();
    }
}

void TCvFormExtender::Setpos(int Index, int32_t Value) {
    if (Value < 1) Value = 0;
    switch (Index) {
        case 1: FMaxLeft = Value; break;
        case 2: FMaxTop = Value; break;
        case 3: FMaxWidth = Value; break;
        case 4: FMaxHeight = Value; break;
        case 5: FTrackMinWidth = Value; break;
        case 6: FTrackMinHeight = Value; break;
        case 7: FTrackMaxWidth = Value; break;
        case 8: FTrackMaxHeight = Value; break;
        default: break;
    }
}

namespace {

bool DragsLeft(WPARAM Edge) { return Edge == WMSZ_LEFT || Edge == WMSZ_TOPLEFT || Edge == WMSZ_BOTTOMLEFT; }
bool DragsTop(WPARAM Edge) { return Edge == WMSZ_TOP || Edge == WMSZ_TOPLEFT || Edge == WMSZ_TOPRIGHT; }

}  // namespace

void TCvFormExtender::WndProc(TMessage& Message) {
    switch (Message.Msg) {
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(Message.LParam);
            if (info) {
                if (FMaxLeft >= 0) info->ptMaxPosition.X = FMaxLeft;
                if (FMaxTop >= 0) info->ptMaxPosition.Y = FMaxTop;
                if (FMaxWidth > 0) info->ptMaxSize.X = FMaxWidth;
                if (FMaxHeight > 0) info->ptMaxSize.Y = FMaxHeight;
                if (FTrackMinWidth > 0) info->ptMinTrackSize.X = FTrackMinWidth;
                if (FTrackMinHeight > 0) info->ptMinTrackSize.Y = FTrackMinHeight;
                if (FTrackMaxWidth > 0) info->ptMaxTrackSize.X = FTrackMaxWidth;
                if (FTrackMaxHeight > 0) info->ptMaxTrackSize.Y = FTrackMaxHeight;
                if (FOnMaximizeInfo)
                    FOnMaximizeInfo(this, info->ptMaxPosition.X, info->ptMaxPosition.Y, info->ptMaxSize.X,
                                    info->ptMaxSize.Y);
                if (FOnTrackInfo)
                    FOnTrackInfo(this, info->ptMinTrackSize.X, info->ptMinTrackSize.Y, info->ptMaxTrackSize.X,
                                 info->ptMaxTrackSize.Y);
            }
            break;
        }
        case WM_SIZING: {
            auto* r = reinterpret_cast<TRect*>(Message.LParam);
            if (r && !FSuppress) {
                const int32_t x0 = r->Left, y0 = r->Top, w0 = r->Width(), h0 = r->Height();
                int32_t w = w0, h = h0;
                bool cancel = false;
                if (FOnSizing) FOnSizing(this, uint16_t(Message.WParam), r->Left, r->Top, w, h, cancel);
                // A changed size moves the edge being dragged (the right or
                // bottom one when the handler moved the left or top itself).
                w = std::max(w, 0);
                h = std::max(h, 0);
                if (w != w0) {
                    if (DragsLeft(Message.WParam) && r->Left == x0)
                        r->Left = r->Right - w;
                    else
                        r->Right = r->Left + w;
                }
                if (h != h0) {
                    if (DragsTop(Message.WParam) && r->Top == y0)
                        r->Top = r->Bottom - h;
                    else
                        r->Bottom = r->Top + h;
                }
                FSuppress = cancel;
            }
            break;
        }
        case WM_MOVING: {
            auto* r = reinterpret_cast<TRect*>(Message.LParam);
            if (r && !FSuppress) {
                bool cancel = false;
                if (FOnMoving) FOnMoving(this, uint16_t(Message.WParam), r->Left, r->Top, cancel);
                TCustomForm* form = OwnerForm();
                if (form && form->WindowState() != wsMinimized && form->FormStyle() != fsMDIChild) {
                    r->Right = r->Left + form->Width();
                    r->Bottom = r->Top + form->Height();
                }
                FSuppress = cancel;
            }
            break;
        }
        case WM_SIZE:
            if (FSuppress) {
                FSuppress = false;
                return;
            }
            if (FOnSize)
                FOnSize(this, uint16_t(Message.WParam), LOWORD(Message.LParam), HIWORD(Message.LParam));
            break;
        case WM_MOVE:
            if (FSuppress) {
                FSuppress = false;
                return;
            }
            if (FOnMove) {
                // The packed coordinates are signed: a client area left or
                // above the screen reports negative positions.
                FOnMove(this, GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
            }
            break;
        default: break;
    }
    TCvWndProcComponent::WndProc(Message);
}

}  // namespace corvane
