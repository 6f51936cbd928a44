// Text runs: the platform's TextOut through a device context against Cairo's
// show_text with antialiasing off, the same face (Liberation Sans, which the
// platform's "Arial" resolves to) at the same pixel sizes.  Reports runs per
// second of each and the ratio.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Gdi.h"

namespace {

constexpr int Width = 800, Height = 60;

struct TCase {
    const char* Name;
    int Pixels;  // em height in pixels
    const char* Text;
};

const TCase Cases[] = {
    {"label-11px", 11, "Corvane 1.5"},
    {"line-11px", 11, "The quick brown fox jumps over the lazy dog 0123456789"},
    {"line-16px", 16, "The quick brown fox jumps over the lazy dog 0123456789"},
    {"title-32px", 32, "Corvane gallery"},
};

void BM_Vcl(benchmark::State& State, const TCase* C) {
    using namespace vcl;
    TPixelView view;
    HBITMAP bmp = CreateSurfaceBitmap(Width, Height, &view);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    LOGFONT lf;
    lf.lfFaceName = "Arial";
    lf.lfHeight = -C->Pixels;
    HFONT font = CreateFontIndirect(lf);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 128));
    int x = 0;
    for (auto _ : State) {
        TextOut(dc, 2 + (x++ & 7), 4, C->Text);
        benchmark::ClobberMemory();
    }
    State.counters["runs/s"] = benchmark::Counter(double(State.iterations()), benchmark::Counter::kIsRate);
    SelectObject(dc, oldFont);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    DeleteObject(bmp);
}

void BM_Cairo(benchmark::State& State, const TCase* C) {
    cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Width, Height);
    cairo_t* cr = cairo_create(surf);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_font_options_t* opts = cairo_font_options_create();
    cairo_font_options_set_antialias(opts, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_FULL);
    cairo_set_font_options(cr, opts);
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, C->Pixels);
    cairo_set_source_rgb(cr, 0, 0, 0.5);
    int x = 0;
    for (auto _ : State) {
        cairo_move_to(cr, 2 + (x++ & 7), 4 + C->Pixels);
        cairo_show_text(cr, C->Text);
        benchmark::ClobberMemory();
    }
    State.counters["runs/s"] = benchmark::Counter(double(State.iterations()), benchmark::Counter::kIsRate);
    cairo_font_options_destroy(opts);
    cairo_destroy(cr);
    cairo_surface_destroy(surf);
}

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Rates;
    void ReportRuns(const std::vector<Run>& Reports) override {
        for (const Run& r : Reports) {
            if (r.error_occurred) continue;
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "mean") continue;
            auto it = r.counters.find("runs/s");
            if (it != r.counters.end()) Rates[r.run_name.function_name] = it->second;
        }
        ConsoleReporter::ReportRuns(Reports);
    }
};

}  // namespace

int main(int argc, char** argv) {
    for (const TCase& c : Cases) {
        benchmark::RegisterBenchmark((std::string("BM_Vcl/") + c.Name).c_str(), BM_Vcl, &c);
        benchmark::RegisterBenchmark((std::string("BM_Cairo/") + c.Name).c_str(), BM_Cairo, &c);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-14s %10s %10s %7s\n", "text run", "ours ns", "cairo ns", "ratio");
    for (const TCase& c : Cases) {
        auto a = reporter.Rates.find(std::string("BM_Vcl/") + c.Name);
        auto b = reporter.Rates.find(std::string("BM_Cairo/") + c.Name);
        if (a == reporter.Rates.end() || b == reporter.Rates.end() || a->second <= 0 || b->second <= 0) continue;
        std::printf("%-14s %10.0f %10.0f %7.2f\n", c.Name, 1e9 / a->second, 1e9 / b->second, a->second / b->second);
    }
    benchmark::Shutdown();
    return 0;
}
