// CvFormExtender.h - TCvFormExtender: imposes a maximized position and size
// and tracking limits on its owner form, and reports sizing, moving and the
// resulting size and move through events; a sizing or moving handler can
// cancel the form's own handling of the size or move that follows.
//
//     auto* ext = new corvane::TCvFormExtender(form);
//     ext->SetTrackMinWidth(300);                  // at least 300 wide
//     ext->SetOnSizing([](vcl::TObject*, uint16_t Side, int32_t& X, int32_t& Y,
//                         int32_t& Width, int32_t& Height, bool& Cancel) { ... });
#pragma once

#include <cstdint>
#include <functional>

#include "CvWndProcComponents.h"

namespace corvane {

using TCvMaximizeEvent =
    std::function<void(vcl::TObject* Sender, int32_t& X, int32_t& Y, int32_t& MaxWidth, int32_t& MaxHeight)>;
using TCvTrackEvent = std::function<void(vcl::TObject* Sender, int32_t& MinWidth, int32_t& MinHeight,
                                         int32_t& MaxWidth, int32_t& MaxHeight)>;
// Side: the WMSZ_* edge being dragged (0 when moving).
using TCvSizingEvent = std::function<void(vcl::TObject* Sender, uint16_t Side, int32_t& X, int32_t& Y,
                                          int32_t& Width, int32_t& Height, bool& Cancel)>;
using TCvMovingEvent = std::function<void(vcl::TObject* Sender, uint16_t Side, int32_t& X, int32_t& Y, bool& Cancel)>;
using TCvSizeEvent = std::function<void(vcl::TObject* Sender, uint16_t SizeType, uint16_t Width, uint16_t Height)>;
using TCvMoveEvent = std::function<void(vcl::TObject* Sender, int32_t X, int32_t Y)>;

class TCvFormExtender : public TCvWndProcComponent {
    VCL_DECLARE_CLASS(TCvFormExtender)
public:
    explicit TCvFormExtender(vcl::TComponent* AOwner);

    // Hooks the form when True (unless designing), unhooks when False.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);

    // Setpos: index 1 MaxLeft, 2 MaxTop, 3 MaxWidth, 4 MaxHeight,
    // 5 TrackMinWidth, 6 TrackMinHeight, 7 TrackMaxWidth, 8 TrackMaxHeight;
    // values below 1 are stored as 0.  Sizes of 0 leave the platform's own.
    void Setpos(int Index, int32_t Value);
    int32_t MaxLeft() const { return FMaxLeft; }
    void SetMaxLeft(int32_t V) { Setpos(1, V); }
    int32_t MaxTop() const { return FMaxTop; }
    void SetMaxTop(int32_t V) { Setpos(2, V); }
    int32_t MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int32_t V) { Setpos(3, V); }
    int32_t MaxHeight() const { return FMaxHeight; }
    void SetMaxHeight(int32_t V) { Setpos(4, V); }
    int32_t TrackMinWidth() const { return FTrackMinWidth; }
    void SetTrackMinWidth(int32_t V) { Setpos(5, V); }
    int32_t TrackMinHeight() const { return FTrackMinHeight; }
    void SetTrackMinHeight(int32_t V) { Setpos(6, V); }
    int32_t TrackMaxWidth() const { return FTrackMaxWidth; }
    void SetTrackMaxWidth(int32_t V) { Setpos(7, V); }
    int32_t TrackMaxHeight() const { return FTrackMaxHeight; }
    void SetTrackMaxHeight(int32_t V) { Setpos(8, V); }

    const TCvMaximizeEvent& OnMaximizeInfo() const { return FOnMaximizeInfo; }
    void SetOnMaximizeInfo(TCvMaximizeEvent H) { FOnMaximizeInfo = std::move(H); }
    const TCvTrackEvent& OnTrackInfo() const { return FOnTrackInfo; }
    void SetOnTrackInfo(TCvTrackEvent H) { FOnTrackInfo = std::move(H); }
    // X and Y are the proposed rectangle's left and top; changes to them
    // and to Width and Height are applied to the rectangle (a changed
    // width or height moves the edge being dragged).
    const TCvSizingEvent& OnSizing() const { return FOnSizing; }
    void SetOnSizing(TCvSizingEvent H) { FOnSizing = std::move(H); }
    const TCvMovingEvent& OnMoving() const { return FOnMoving; }
    void SetOnMoving(TCvMovingEvent H) { FOnMoving = std::move(H); }
    const TCvSizeEvent& OnSize() const { return FOnSize; }
    void SetOnSize(TCvSizeEvent H) { FOnSize = std::move(H); }
    // X and Y: the client area's new origin (negative off the left or top).
    const TCvMoveEvent& OnMove() const { return FOnMove; }
    void SetOnMove(TCvMoveEvent H) { FOnMove = std::move(H); }

protected:
    void WndProc(vcl::TMessage& Message) override;

private:
    bool FSuppress = false;
    bool FEnabled = false;
    int32_t FMaxLeft = 0, FMaxTop = 0, FMaxWidth = 0, FMaxHeight = 0;
    int32_t FTrackMinWidth = 0, FTrackMinHeight = 0, FTrackMaxWidth = 0, FTrackMaxHeight = 0;
    TCvMaximizeEvent FOnMaximizeInfo;
    TCvTrackEvent FOnTrackInfo;
    TCvSizingEvent FOnSizing;
    TCvMovingEvent FOnMoving;
    TCvSizeEvent FOnSize;
    TCvMoveEvent FOnMove;
};

}  // namespace corvane
