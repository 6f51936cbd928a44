// CvTextScroller.h - a block of text lines moving across a control, one
// step per timer tick.
//
//     auto* s = new TCvTextScroller(Form);
//     s->SetParent(Form);
//     s->Items()->Clear();
//     s->Items()->Add("First line");                  // or SetItems(list)
//     s->SetTextStyle(cvtsRaised);
//     s->SetDirection(cvsdBottomToTop);              // starts moving
//     s->SetOnEnd([](vcl::TObject*) { ... });        // a pass is over
//
// A pass has Steps + 1 ticks, Speed milliseconds apart: at step 0 the block
// lies just outside the edge it enters by, at step Steps just outside the
// opposite edge.  OnBegin fires before the first step of a pass, OnStep
// after every step, OnEnd after the last; with Repeated the next pass
// follows at once.  Each frame is composed off screen and copied in one
// piece.  In the form designer the text stands still in the middle.
#pragma once

#include <cstdint>
#include <memory>

#include "Controls.h"

namespace vcl {
class TTimer;
class TStringList;
class TStrings;
class TBitmap;
}  // namespace vcl

namespace corvane {

VCL_ENUM(TcvTextStyle, cvtsNormal, cvtsRaised, cvtsLowered, cvtsShaddow)
VCL_ENUM(TcvScrollDirection, cvsdStatic, cvsdRightToLeft, cvsdLeftToRight, cvsdTopToBottom, cvsdBottomToTop)

class TCvCustomTextScroller : public vcl::TGraphicControl {
    VCL_DECLARE_CLASS(TCvCustomTextScroller)
public:
    static constexpr int32_t DefaultSteps = 80;
    static constexpr int32_t DefaultSpeed = 100;

    explicit TCvCustomTextScroller(vcl::TComponent* AOwner);
    ~TCvCustomTextScroller() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }

    TcvTextStyle TextStyle() const { return FTextStyle; }
    void SetTextStyle(TcvTextStyle Value);
    // Steps of one pass; below 1 raises vcl::ERangeError and keeps the value.
    int32_t Steps() const { return FSteps; }
    void SetSteps(int32_t Value);
    // Milliseconds per step, clamped to 1..1000.
    int32_t Speed() const { return FSpeed; }
    void SetSpeed(int32_t Value);
    // The background colour of the frames (clBtnFace; not the parent's).
    void SetColor(vcl::TColor Value) { vcl::TControl::SetColor(Value); }
    // Run the passes endlessly.
    bool Repeated() const { return FRepeated; }
    void SetContinuous(bool Value);
    // Assigns Value into the control's font (Arial 10, black, at first).
    void SetFont(const vcl::TFont* Value);

    vcl::TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(vcl::TAlignment Value);
    // Offset of the raised, lowered and shadow copies of the text.
    int32_t Depth() const { return FDepth; }
    void SetDepth(int32_t Value);
    // The lines; changing them re-measures the block.
    vcl::TStringList* Items() const { return FItems.get(); }
    void SetItems(const vcl::TStrings* Value);
    TcvScrollDirection ScrollDirection() const { return FDirection; }
    // Stores the direction; cvsdStatic stops the scroller, any other
    // direction starts it from the current step.
    void SetDirection(TcvScrollDirection Value);

    // Starts the timer unless it runs; a StartStep in 0..Steps becomes the
    // current step, another value keeps it.
    void Start(int32_t StartStep);
    // Stops the timer; the current step stays.
    void Stop();
    // Mirrors the current step and swaps the direction (not when static);
    // the next tick shows it.
    void Reverse();
    bool Running() const;
    int32_t CurrentStep() const { return FCurrentStep; }

    const vcl::TNotifyEvent& OnBegin() const { return FOnBegin; }
    void SetOnBegin(vcl::TNotifyEvent H) { FOnBegin = std::move(H); }
    const vcl::TNotifyEvent& OnStep() const { return FOnStep; }
    void SetOnStep(vcl::TNotifyEvent H) { FOnStep = std::move(H); }
    const vcl::TNotifyEvent& OnEnd() const { return FOnEnd; }
    void SetOnEnd(vcl::TNotifyEvent H) { FOnEnd = std::move(H); }

    // The measured layout (SetSizeParams).
    int32_t LineHeight() const { return FLineHeight; }
    int32_t BlockWidth() const { return FBlockWidth; }
    int32_t BlockHeight() const { return FBlockHeight; }
    // The block's top-left corner in the frame of the current step.
    vcl::TPoint BlockOrigin() const;
    // Composes the frame of the current step into Target (sized to the
    // control) and returns it; Paint copies this picture to the screen.
    void RenderFrame(vcl::TBitmap& Target);

    // The timer's event: one step of the pass.
    void TimerTick(vcl::TObject* Sender);
    // The owned timer (an internal part, not streamed).
    vcl::TTimer* Timer() const { return FTimer; }
    // The timer is an internal part: nothing is written for it.
    void GetChildren(const std::function<void(vcl::TComponent*)>& Proc, vcl::TComponent* Root) override;

protected:
    void SetSizeParams();
    void DataChanged();
    void DoTextOut(vcl::TCanvas* Canvas, int32_t X, int32_t Y, const std::string& Text);
    void Paint() override;
    void FontChanged() override;
    void ColorChanged() override;

private:
    int32_t Extra() const;
    void PaintNow();

    uint8_t FAbout = 0;
    TcvTextStyle FTextStyle = cvtsNormal;
    int32_t FSteps = DefaultSteps;
    int32_t FSpeed = DefaultSpeed;
    bool FRepeated = true;
    vcl::TAlignment FAlignment = vcl::taCenter;
    int32_t FDepth = 1;
    TcvScrollDirection FDirection = cvsdStatic;
    int32_t FCurrentStep = 0;
    std::unique_ptr<vcl::TStringList> FItems;
    vcl::TTimer* FTimer = nullptr;
    std::unique_ptr<vcl::TBitmap> FMeasure;
    int32_t FLineHeight = 0, FBlockWidth = 0, FBlockHeight = 0;
    int32_t FCenterX = 0, FCenterY = 0;
    vcl::TNotifyEvent FOnBegin, FOnStep, FOnEnd;
    // Cleared by the destructor: a tick whose handler freed the scroller
    // stops touching it.
    std::shared_ptr<bool> FAlive;
};

// Publishes the scroller's properties and events.
class TCvTextScroller : public TCvCustomTextScroller {
    VCL_DECLARE_CLASS(TCvTextScroller)
public:
    explicit TCvTextScroller(vcl::TComponent* AOwner) : TCvCustomTextScroller(AOwner) {}
};

}  // namespace corvane
