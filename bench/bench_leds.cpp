// bench_leds - the display controls' painting: one 50 x 50 LED (ellipse,
// two bevel arcs, highlight arc) against the same figures drawn by Cairo
// without anti-aliasing, and one text-scroller step at 400 x 60 (the frame
// composed off screen and copied to a surface).  A 60 Hz ticker costs
// 60 x the step time per second of one core.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>

#include "CvLed.h"
#include "CvTextScroller.h"
#include "Gdi.h"
#include "Graphics.h"
#include "Lists.h"

namespace {

constexpr int kLed = 50;

// Paints the lamp into any DC.
class TBenchLed : public corvane::TCvLed {
public:
    TBenchLed() : corvane::TCvLed(nullptr) {}
    void PaintInto(vcl::HDC DC) {
        Canvas()->SetHandle(DC);
        Paint();
        Canvas()->SetHandle(nullptr);
    }
};

void BM_LedPaint_Corvane(benchmark::State& State) {
    TBenchLed led;
    vcl::HBITMAP bmp = vcl::CreateSurfaceBitmap(kLed, kLed);
    vcl::HDC dc = vcl::CreateCompatibleDC(nullptr);
    vcl::SelectObject(dc, bmp);
    bool high = true;
    for (auto _ : State) {
        led.SetHigh(high);  // no window: stores only
        high = !high;
        led.PaintInto(dc);
        benchmark::ClobberMemory();
    }
    vcl::DeleteDC(dc);
    vcl::DeleteObject(bmp);
}
BENCHMARK(BM_LedPaint_Corvane);

void CairoArc(cairo_t* Cr, double L, double T, double R, double B, double From, double To) {
    cairo_save(Cr);
    cairo_translate(Cr, (L + R) / 2, (T + B) / 2);
    cairo_scale(Cr, (R - L) / 2, (B - T) / 2);
    cairo_new_path(Cr);
    cairo_arc(Cr, 0, 0, 1, From, To);
    cairo_restore(Cr);
}

void BM_LedPaint_Cairo(benchmark::State& State) {
    cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kLed, kLed);
    cairo_t* cr = cairo_create(surf);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    const double b = 3, w = kLed, h = kLed, pi = 3.14159265358979;
    bool high = true;
    for (auto _ : State) {
        // Body, filled and outlined.
        CairoArc(cr, b, b, w - b, h - b, 0, 2 * pi);
        cairo_set_source_rgb(cr, 0, high ? 0.5 : 0, high ? 0 : 1);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        high = !high;
        // Bevel halves (pen width 3) and the highlight (width 1).
        cairo_set_line_width(cr, b);
        cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
        CairoArc(cr, b, b, w - b, h - b, -pi / 4, 3 * pi / 4);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 1, 1, 1);
        CairoArc(cr, b, b, w - b, h - b, 3 * pi / 4, 7 * pi / 4);
        cairo_stroke(cr);
        cairo_set_line_width(cr, 1);
        CairoArc(cr, w / 4 + b, h / 4 + b, w - w / 4 - b, h - h / 4 - b, 3 * pi / 4, 7 * pi / 4);
        cairo_stroke(cr);
        cairo_surface_flush(surf);
        benchmark::ClobberMemory();
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surf);
}
BENCHMARK(BM_LedPaint_Cairo);

// One step of a 400 x 60 scroller: compose the frame, copy it to a surface.
void BM_ScrollerStep_400x60(benchmark::State& State) {
    corvane::TCvTextScroller s(nullptr);
    s.SetBounds(0, 0, 400, 60);
    s.SetTextStyle(corvane::cvtsRaised);
    s.Items()->Clear();
    s.Items()->Add("Corvane for Linux");
    s.Items()->Add("scrolls a block of text");
    s.SetDirection(corvane::cvsdStatic);  // stepped by hand below
    s.SetDirection(corvane::cvsdRightToLeft);
    s.Stop();
    vcl::TBitmap frame;
    vcl::HBITMAP screen = vcl::CreateSurfaceBitmap(400, 60);
    vcl::HDC dc = vcl::CreateCompatibleDC(nullptr);
    vcl::SelectObject(dc, screen);
    int32_t step = 0;
    for (auto _ : State) {
        s.Start(step);
        s.Stop();
        step = (step + 1) % (s.Steps() + 1);
        s.RenderFrame(frame);
        vcl::BitBlt(dc, 0, 0, 400, 60, frame.Canvas()->Handle(), 0, 0, vcl::SRCCOPY);
        benchmark::ClobberMemory();
    }
    // Per cent of one core that 60 steps a second take: 6000 x seconds per step.
    State.counters["core_at_60Hz_%"] = benchmark::Counter(
        double(State.iterations()) / 6000.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    vcl::DeleteDC(dc);
    vcl::DeleteObject(screen);
}
BENCHMARK(BM_ScrollerStep_400x60);

}  // namespace

BENCHMARK_MAIN();
