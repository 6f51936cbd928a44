#include "CvTextScroller.h"

#include <algorithm>
#include <cmath>

#include "Exceptions.h"
#include "ExtCtrls.h"
#include "Graphics.h"
#include "Lists.h"

namespace corvane {

VCL_PUBLISHED(TCvCustomTextScroller, vcl::TGraphicControl) {
    using C = TCvCustomTextScroller;
    B.Property("About", &C::About, &C::SetAbout);
    B.Property("TextStyle", &C::TextStyle, &C::SetTextStyle).Default(cvtsNormal);
    // The stream defaults are the constructed values, so that whatever is
    // stored reads back as it was written.
    B.Property("Steps", &C::Steps, &C::SetSteps).Default(C::DefaultSteps);
    B.Property("Speed", &C::Speed, &C::SetSpeed).Default(C::DefaultSpeed);
    B.Property("Color", &C::Color, &C::SetColor).Default(vcl::clBtnFace).Idents(vcl::ColorIdents());
    B.Property("Repeated", &C::Repeated, &C::SetContinuous);
    B.Property("Font", &C::Font, &C::SetFont);
}

VCL_PUBLISHED(TCvTextScroller, TCvCustomTextScroller) {
    using C = TCvTextScroller;
    B.Property("Align", &C::Align, &C::SetAlign).Default(vcl::alNone);
    B.Property("Alignment", &C::Alignment, &C::SetAlignment);
    B.Property("Depth", &C::Depth, &C::SetDepth).Default(1);
    B.Property("Items", &C::Items, &C::SetItems);
    B.Property("ScrollDirection", &C::ScrollDirection, &C::SetDirection).Default(cvsdRightToLeft);
    B.Property("ShowHint", &C::ShowHint, &C::SetShowHint).Default(0);
    B.Property("Visible", &C::Visible, &C::SetVisible).Default(1);
}

namespace {

int32_t Rnd(double V) { return static_cast<int32_t>(vcl::Round(V)); }
// Rounds to the nearest integer, ties to even.
}  // namespace

TCvCustomTextScroller::TCvCustomTextScroller(vcl::TComponent* AOwner)
    : vcl::TGraphicControl(AOwner),
      FItems(std::make_unique<vcl::TStringList>()),
      FMeasure(std::make_unique<vcl::TBitmap>(1, 1)),
      FAlive(std::make_shared<bool>(true)) {
    SetControlStyle(ControlStyle() - vcl::TControlStyle{vcl::csOpaque});
    SetBounds(Left(), Top(), 200, 20);
    vcl::TControl::SetColor(vcl::clBtnFace);
    vcl::TFont font;
    font.SetName("Arial");
    font.SetSize(10);
    font.SetColor(vcl::clBlack);
    Font()->Assign(&font);
    SetParentFont(false);
    FItems->Add("TextScroller");
    FItems->SetOnChange([this](vcl::TObject*) { DataChanged(); });
    FTimer = new vcl::TTimer(this);
    FTimer->SetEnabled(false);
    FTimer->SetInterval(static_cast<uint32_t>(FSpeed));
    FTimer->SetOnTimer([this](vcl::TObject* Sender) { TimerTick(Sender); });
    SetSizeParams();
    SetDirection(cvsdRightToLeft);
}

TCvCustomTextScroller::~TCvCustomTextScroller() {
    *FAlive = false;
    delete FTimer;
    FTimer = nullptr;
    FItems->SetOnChange(nullptr);
}

void TCvCustomTextScroller::GetChildren(const std::function<void(vcl::TComponent*)>&, vcl::TComponent*) {}

void TCvCustomTextScroller::SetTextStyle(TcvTextStyle Value) {
    if (Value == FTextStyle) return;
    FTextStyle = Value;
    DataChanged();
}

void TCvCustomTextScroller::SetSteps(int32_t Value) {
    if (Value == FSteps) return;
    if (Value < 1) throw vcl::ERangeError("Steps must be at least 1 (not " + std::to_string(Value) + ")");
    FSteps = Value;
    if (IsDesigning()) Invalidate();
}

void TCvCustomTextScroller::SetSpeed(int32_t Value) {
    if (Value == FSpeed) return;
    FSpeed = std::clamp(Value, 1, 1000);
    FTimer->SetInterval(static_cast<uint32_t>(FSpeed));
}

void TCvCustomTextScroller::SetContinuous(bool Value) {
    if (Value == FRepeated) return;
    FRepeated = Value;
    if (FDirection != cvsdStatic) Start(FCurrentStep);
}

void TCvCustomTextScroller::SetFont(const vcl::TFont* Value) {
    if (Value == Font() || !Value) return;
    Font()->Assign(Value);  // the font's change notification re-measures
}

void TCvCustomTextScroller::SetAlignment(vcl::TAlignment Value) {
    if (Value == FAlignment) return;
    FAlignment = Value;
    DataChanged();
}

void TCvCustomTextScroller::SetDepth(int32_t Value) {
    if (Value == FDepth) return;
    FDepth = Value;
    DataChanged();
}

void TCvCustomTextScroller::SetItems(const vcl::TStrings* Value) {
    if (!Value || Value == FItems.get()) return;
    FItems->Assign(*Value);  // OnChange re-measures
    DataChanged();
}

void TCvCustomTextScroller::SetDirection(TcvScrollDirection Value) {
    if (Value != FDirection) {
        FDirection = Value;
        Invalidate();
    }
    if (FDirection == cvsdStatic)
        Stop();
    else
        Start(FCurrentStep);
}

void TCvCustomTextScroller::Start(int32_t StartStep) {
    if (FTimer->Enabled()) return;
    if (StartStep >= 0 && StartStep <= FSteps) FCurrentStep = StartStep;
    FTimer->SetEnabled(true);
}

void TCvCustomTextScroller::Stop() { FTimer->SetEnabled(false); }

bool TCvCustomTextScroller::Running() const { return FTimer->Enabled(); }

void TCvCustomTextScroller::Reverse() {
    if (FDirection == cvsdStatic) return;
    FCurrentStep = FSteps - FCurrentStep;
    switch (FDirection) {
        case cvsdRightToLeft: FDirection = cvsdLeftToRight; break;
        case cvsdLeftToRight: FDirection = cvsdRightToLeft; break;
        case cvsdTopToBottom: FDirection = cvsdBottomToTop; break;
        case cvsdBottomToTop: FDirection = cvsdTopToBottom; break;
        case cvsdStatic: break;
    }
}

void TCvCustomTextScroller::FontChanged() { DataChanged(); }
void TCvCustomTextScroller::ColorChanged() { DataChanged(); }

int32_t TCvCustomTextScroller::Extra() const {
    switch (FTextStyle) {
        case cvtsRaised:
        case cvtsLowered: return 2 * FDepth;
        case cvtsShaddow: return FDepth;
        case cvtsNormal: break;
    }
    return 0;
}

void TCvCustomTextScroller::SetSizeParams() {
    vcl::TCanvas* c = FMeasure->Canvas();
    c->SetFont(Font());
    vcl::TTextMetric tm;
    vcl::GetTextMetrics(c->Handle(), &tm);
    const int32_t extra = Extra();
    FLineHeight = tm.tmHeight + tm.tmInternalLeading + extra;
    int32_t widest = 0;
    for (vcl::Integer i = 0; i < FItems->Count(); ++i) widest = std::max(widest, c->TextWidth(FItems->Strings(i)));
    FBlockWidth = widest + extra;
    FBlockHeight = FItems->Count() * FLineHeight;
    FCenterX = Width() > FBlockWidth ? (Width() - FBlockWidth) / 2 : 0;
    FCenterY = Height() > FBlockHeight ? (Height() - FBlockHeight) / 2 : 0;
}

void TCvCustomTextScroller::DataChanged() {
    SetSizeParams();
    Invalidate();
}

vcl::TPoint TCvCustomTextScroller::BlockOrigin() const {
    const int32_t cx = Width() > FBlockWidth ? (Width() - FBlockWidth) / 2 : 0;
    const int32_t cy = Height() > FBlockHeight ? (Height() - FBlockHeight) / 2 : 0;
    const double f = IsDesigning() ? 0.5 : double(FCurrentStep) / double(FSteps);
    const double bw = FBlockWidth, bh = FBlockHeight, w = Width(), h = Height();
    switch (FDirection) {
        case cvsdRightToLeft: return {Rnd((1 - f) * (bw + w)) - FBlockWidth, cy};
        case cvsdLeftToRight: return {Rnd(f * (bw + w)) - FBlockWidth, cy};
        case cvsdTopToBottom: return {cx, Rnd(f * (bh + h)) - FBlockHeight};
        case cvsdBottomToTop: return {cx, Rnd((1 - f) * (bh + h)) - FBlockHeight};
        case cvsdStatic: break;
    }
    return {cx, cy};
}

void TCvCustomTextScroller::DoTextOut(vcl::TCanvas* Canvas, int32_t X, int32_t Y, const std::string& Text) {
    Canvas->SetFont(Font());
    Canvas->Brush()->SetStyle(vcl::bsClear);
    const int32_t tw = Canvas->TextWidth(Text);
    int32_t offset = 0;
    switch (FAlignment) {
        case vcl::taLeftJustify: break;
        case vcl::taRightJustify: offset = Rnd(double(FBlockWidth) - tw); break;
        case vcl::taCenter: offset = Rnd(FBlockWidth * 0.5 - tw * 0.5); break;
    }
    const int32_t x = X + offset, d = FDepth;
    auto copy = [&](vcl::TColor Color, int32_t Dx, int32_t Dy) {
        Canvas->Font()->SetColor(Color);
        Canvas->TextOut(x + Dx, Y + Dy, Text);
    };
    switch (FTextStyle) {
        case cvtsRaised:
            copy(vcl::clBtnHighlight, -d, -d);
            copy(vcl::clBtnShadow, d, d);
            break;
        case cvtsLowered:
            copy(vcl::clBtnShadow, -d, -d);
            copy(vcl::clBtnHighlight, d, d);
            break;
        case cvtsShaddow: copy(vcl::clBtnShadow, d, d); break;
        case cvtsNormal: break;
    }
    copy(Font()->Color(), 0, 0);
}

void TCvCustomTextScroller::RenderFrame(vcl::TBitmap& Target) {
    SetSizeParams();
    Target.SetSize(Width(), Height());
    vcl::TCanvas* c = Target.Canvas();
    c->SetFont(Font());
    c->Brush()->SetStyle(vcl::bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(c->ClipRect());
    const vcl::TPoint o = BlockOrigin();
    int32_t y = o.Y;
    for (vcl::Integer i = 0; i < FItems->Count(); ++i) {
        DoTextOut(c, o.X, y, FItems->Strings(i));
        y += FLineHeight;
    }
}

void TCvCustomTextScroller::Paint() {
    if (Width() <= 0 || Height() <= 0) return;
    vcl::TBitmap frame;
    RenderFrame(frame);
    Canvas()->Draw(0, 0, &frame);
}

void TCvCustomTextScroller::PaintNow() {
    // Painting outside WM_PAINT needs a window to draw into; a scroller
    // that is not on one (no parent, hidden) just counts its steps.
    vcl::TWinControl* p = Parent();
    if (!p || !p->HandleAllocated() || !IsVisibleOnScreen()) return;
    auto* canvas = static_cast<vcl::TControlCanvas*>(Canvas());
    try {
        Paint();
    } catch (...) {
        canvas->FreeHandle();
        throw;
    }
    canvas->FreeHandle();
}

void TCvCustomTextScroller::TimerTick(vcl::TObject*) {
    if (!FTimer->Enabled()) return;
    std::shared_ptr<bool> alive = FAlive;
    if (FCurrentStep == 0 && FOnBegin) {
        vcl::CallEvent(FOnBegin, this);
        if (!*alive || !FTimer->Enabled()) return;
    }
    ++FCurrentStep;
    PaintNow();
    if (FOnStep) {
        vcl::CallEvent(FOnStep, this);
        if (!*alive) return;
    }
    if (FCurrentStep > FSteps) {
        FTimer->SetEnabled(false);
        if (FOnEnd) {
            vcl::CallEvent(FOnEnd, this);
            if (!*alive) return;
        }
        FCurrentStep = 0;
        if (FRepeated) Start(0);
    }
}

}  // namespace corvane
