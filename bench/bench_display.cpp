// bench_display - the segment LCD painting a whole display (a full repaint:
// background, every segment of every cell, points and colons) into its
// window's surface, against Cairo (antialiasing off) filling and outlining
// the same polygons into an image surface of the same size.  Two displays:
// a five-column TCvLCD showing "12:30" and a 64 x 32 TCvMultiLineLCD full of
// characters.  Ends with a table of microseconds per display and the ratio
// Cairo / ours (above 1: ours is faster).
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "CvLcd.h"
#include "Forms.h"
#include "Lists.h"

namespace {

using namespace vcl;
using namespace corvane;

struct TDisplay {
    const char* Name;
    int32_t Width, Height, Cols, Rows, BarWidth, Space;
    std::vector<std::string> Lines;
};

std::vector<TDisplay> Displays() {
    TDisplay multi{"multi-64x32", 962, 514, 64, 32, 2, 1, {}};
    const std::string chars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ+-";
    for (int r = 0; r < 32; ++r) {
        std::string s;
        for (int k = 0; k < 64; ++k) s += chars[(r * 7 + k) % chars.size()];
        multi.Lines.push_back(s);
    }
    return {TDisplay{"lcd-5col", 200, 75, 5, 1, 8, 2, {"12:30"}}, multi};
}

// ---------------------------------------------------------------------------
// Ours: the control on a form, repainted fully.

void BM_Ours(benchmark::State& State, const TDisplay& D) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, D.Width + 40, D.Height + 60);
    TCustomCvLcd* lcd = nullptr;
    if (D.Rows == 1) {
        auto* l = new TCvLCD(form.get());
        l->SetText(D.Lines[0]);
        lcd = l;
    } else {
        auto* m = new TCvMultiLineLCD(form.get());
        m->setrows(D.Rows);
        TStringList lines;
        for (const std::string& s : D.Lines) lines.Add(s);
        m->SetItems(&lines);
        lcd = m;
    }
    lcd->SetBounds(5, 5, D.Width, D.Height);
    lcd->SetCols(D.Cols);
    lcd->SetBarWidth(static_cast<uint8_t>(D.BarWidth));
    lcd->SetTBSpace(D.Space);
    lcd->SetLRSpace(D.Space);
    lcd->SetParent(form.get());
    form->Show();
    Application()->ProcessMessages();
    for (auto _ : State) {
        lcd->Refresh();
        benchmark::ClobberMemory();
    }
    State.counters["displays/s"] = benchmark::Counter(double(State.iterations()), benchmark::Counter::kIsRate);
}

// ---------------------------------------------------------------------------
// Cairo: the same rectangle and polygons, filled then outlined one pixel
// wide through the pixel centres.

struct TPt {
    double X, Y;
};

void SetColor(cairo_t* Cr, uint32_t Rgb) {
    cairo_set_source_rgb(Cr, (Rgb & 0xFF) / 255.0, ((Rgb >> 8) & 0xFF) / 255.0, ((Rgb >> 16) & 0xFF) / 255.0);
}

void Shape(cairo_t* Cr, std::initializer_list<TPt> Points, uint32_t Fill, uint32_t Line) {
    auto path = [&](double O) {
        bool first = true;
        for (const TPt& p : Points) {
            if (first)
                cairo_move_to(Cr, p.X + O, p.Y + O);
            else
                cairo_line_to(Cr, p.X + O, p.Y + O);
            first = false;
        }
        cairo_close_path(Cr);
    };
    path(0);
    SetColor(Cr, Fill);
    cairo_fill(Cr);
    path(0.5);
    SetColor(Cr, Line);
    cairo_stroke(Cr);
}

void Rect(cairo_t* Cr, double L, double T, double R, double B, uint32_t Color) {
    Shape(Cr, {{L, T}, {R - 1, T}, {R - 1, B - 1}, {L, B - 1}}, Color, Color);
}

void CairoCell(cairo_t* Cr, int X, int Y, int CW, int CH, int W, int S, uint16_t Mask) {
    const int h = W / 2, xm = X + CW / 2, ym = Y + CH / 2;
    const int left = X + S, right = X + CW - S, top = Y + S, bottom = Y + CH - S;
    auto seg = [&](uint16_t Bit, std::initializer_list<TPt> P) {
        const bool lit = (Mask & Bit) != 0;
        Shape(Cr, P, lit ? 0x00FF00u : 0x000000u, lit ? 0x000000u : 0x008000u);
    };
    auto hbar = [&](uint16_t Bit, double A, double B, double T) {
        seg(Bit, {{A, T + h}, {A + h, T}, {B - h, T}, {B, T + h}, {B - h, T + W}, {A + h, T + W}});
    };
    auto vbar = [&](uint16_t Bit, double L, double A, double B) {
        seg(Bit, {{L + h, A}, {L + W, A + h}, {L + W, B - h}, {L + h, B}, {L, B - h}, {L, A + h}});
    };
    seg(0x0010, {{double(left + h), double(top + h)}, {double(left + W), double(top + h)}, {double(xm), double(ym)},
                 {double(xm - h), double(ym)}});
    seg(0x0020, {{double(right - h), double(top + h)}, {double(right - W), double(top + h)},
                 {double(xm), double(ym)}, {double(xm + h), double(ym)}});
    seg(0x0400, {{double(left + h), double(bottom - h)}, {double(left + W), double(bottom - h)},
                 {double(xm), double(ym)}, {double(xm - h), double(ym)}});
    seg(0x0800, {{double(right - h), double(bottom - h)}, {double(right - W), double(bottom - h)},
                 {double(xm), double(ym)}, {double(xm + h), double(ym)}});
    hbar(0x0001, left + h, right - h, top);
    hbar(0x0040, left + h, right - h, bottom - W);
    hbar(0x1000, left + h, xm, ym - h);
    hbar(0x2000, xm, right - h, ym - h);
    vbar(0x0002, left, top + h, ym);
    vbar(0x0004, right - W, top + h, ym);
    vbar(0x0080, left, ym, bottom - h);
    vbar(0x0100, right - W, ym, bottom - h);
    seg(0x0008, {{double(xm - h), double(top + W)}, {double(xm + h), double(top + W)},
                 {double(xm + h), double(ym - h)}, {double(xm), double(ym)}, {double(xm - h), double(ym - h)}});
    seg(0x0200, {{double(xm), double(ym)}, {double(xm + h), double(ym + h)}, {double(xm + h), double(bottom - W)},
                 {double(xm - h), double(bottom - W)}, {double(xm - h), double(ym + h)}});
}

void BM_Cairo(benchmark::State& State, const TDisplay& D) {
    cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, D.Width, D.Height);
    cairo_t* cr = cairo_create(surf);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, 1.0);
    const int CW = (D.Width - 2) / D.Cols, CH = (D.Height - 2) / D.Rows;
    const int XO = ((D.Width - 2) % D.Cols) / 2, YO = D.Rows == 1 ? 1 : ((D.Height - 2) % D.Rows) / 2;
    const int h = D.BarWidth / 2;
    for (auto _ : State) {
        Rect(cr, 0, 0, D.Width, D.Height, 0);
        for (int r = 0; r < D.Rows; ++r) {
            const std::string& line = D.Lines[r];
            const int Y = r * CH + YO;
            int c = 0;
            for (size_t i = line.size(); i > 0 && c < D.Cols; --i) {
                const char ch = line[i - 1];
                if (ch == ':') {
                    const int X = (D.Cols - c) * CW + XO, up = Y + D.Space + CH / 4,
                              lo = Y + CH - D.Space - CH / 4;
                    Rect(cr, X - h, up - h, X + h, up + h, 0x00FF00);
                    Rect(cr, X - h, lo - h, X + h, lo + h, 0x00FF00);
                    continue;
                }
                CairoCell(cr, (D.Cols - c - 1) * CW + XO, Y, CW, CH, D.BarWidth, D.Space, LcdCharMask(char32_t(ch)));
                ++c;
            }
            for (; c < D.Cols; ++c) CairoCell(cr, (D.Cols - c - 1) * CW + XO, Y, CW, CH, D.BarWidth, D.Space, 0);
        }
        cairo_surface_flush(surf);
        benchmark::ClobberMemory();
    }
    State.counters["displays/s"] = benchmark::Counter(double(State.iterations()), benchmark::Counter::kIsRate);
    cairo_destroy(cr);
    cairo_surface_destroy(surf);
}

// ---------------------------------------------------------------------------

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Rates;
    void ReportRuns(const std::vector<Run>& Reports) override {
        for (const Run& r : Reports) {
            if (r.error_occurred) continue;
            const bool mean = r.run_type == Run::RT_Aggregate && r.aggregate_name == "mean";
            if (r.run_type == Run::RT_Aggregate && !mean) continue;
            const std::string key = r.run_name.function_name;
            if (!mean && FromMean.count(key)) continue;
            if (mean) FromMean.insert(key);
            auto it = r.counters.find("displays/s");
            if (it != r.counters.end()) Rates[key] = it->second;
        }
        ConsoleReporter::ReportRuns(Reports);
    }

private:
    std::set<std::string> FromMean;
};

}  // namespace

int main(int argc, char** argv) {
    static const std::vector<TDisplay> displays = Displays();
    for (const TDisplay& d : displays) {
        benchmark::RegisterBenchmark((std::string("BM_Ours/") + d.Name).c_str(), BM_Ours, d)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("BM_Cairo/") + d.Name).c_str(), BM_Cairo, d)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-14s %12s %12s %8s\n", "display", "ours us", "cairo us", "ratio");
    for (const TDisplay& d : displays) {
        auto a = reporter.Rates.find(std::string("BM_Ours/") + d.Name);
        auto b = reporter.Rates.find(std::string("BM_Cairo/") + d.Name);
        if (a == reporter.Rates.end() || b == reporter.Rates.end() || a->second <= 0 || b->second <= 0) continue;
        const double ours = 1e6 / a->second, theirs = 1e6 / b->second;
        std::printf("%-14s %12.1f %12.1f %8.2f\n", d.Name, ours, theirs, theirs / ours);
    }
    benchmark::Shutdown();
    return 0;
}
