// bench_graphics - the drawing layer (Gdi.h) against Cairo (antialiasing off)
// drawing the same shapes into a 32-bit surface of the same size: filled and
// outlined rectangles, ellipses and polygons from 10 to 400 pixels, and
// blits (copy and 2x nearest-pixel stretch).  Ends with a table of
// nanoseconds per shape for each and the ratio Cairo / ours (above 1: ours
// is faster).
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Gdi.h"

namespace {

constexpr int Side = 512;
constexpr int Org = 40;  // where shapes start
const int Sizes[] = {10, 50, 100, 200, 400};

enum TShape { shRect, shEllipse, shPolygon, shBlit, shStretch };
enum TMode { mdFill, mdOutline };

const char* ShapeName(TShape S) {
    switch (S) {
        case shRect: return "rect";
        case shEllipse: return "ellipse";
        case shPolygon: return "polygon";
        case shBlit: return "blit";
        default: return "stretch2x";
    }
}

// A ten-pointed star (concave, not self-intersecting) in the box Org..Org+S.
std::vector<vcl::TPoint> Star(int S) {
    std::vector<vcl::TPoint> pts;
    const double c = Org + (S - 1) / 2.0, r = (S - 1) / 2.0;
    for (int i = 0; i < 20; ++i) {
        const double a = i * 3.14159265358979 / 10, rr = (i % 2) ? r * 0.45 : r;
        pts.push_back(vcl::Point(int(std::lround(c + rr * std::cos(a))), int(std::lround(c + rr * std::sin(a)))));
    }
    return pts;
}

// ---------------------------------------------------------------------------
// Ours

struct TVcl {
    vcl::HBITMAP Bitmap, SrcBitmap;
    vcl::HDC DC, Src;
    vcl::HPEN Pen;
    vcl::HBRUSH Brush;
    TVcl() {
        using namespace vcl;
        Bitmap = CreateSurfaceBitmap(Side, Side);
        DC = CreateCompatibleDC(nullptr);
        SelectObject(DC, Bitmap);
        PatBlt(DC, 0, 0, Side, Side, WHITENESS);
        vcl::TPixelView v;
        SrcBitmap = CreateSurfaceBitmap(Side, Side, &v);
        for (int y = 0; y < Side; ++y)
            for (int x = 0; x < Side; ++x) v.Row(y)[x] = 0xFF000000u | uint32_t(x * 0x010203 + y * 0x030201);
        Src = CreateCompatibleDC(nullptr);
        SelectObject(Src, SrcBitmap);
        Pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 160));
        Brush = CreateSolidBrush(RGB(200, 60, 20));
        SetStretchBltMode(DC, COLORONCOLOR);
    }
    ~TVcl() {
        using namespace vcl;
        SelectObject(DC, GetStockObject(BLACK_PEN));
        SelectObject(DC, GetStockObject(WHITE_BRUSH));
        DeleteDC(DC);
        DeleteDC(Src);
        DeleteObject(Bitmap);
        DeleteObject(SrcBitmap);
        DeleteObject(Pen);
        DeleteObject(Brush);
    }
};

void BM_Vcl(benchmark::State& State, TShape Shape, TMode Mode, int S) {
    using namespace vcl;
    TVcl v;
    if (Mode == mdFill) {
        SelectObject(v.DC, GetStockObject(NULL_PEN));
        SelectObject(v.DC, v.Brush);
    } else {
        SelectObject(v.DC, v.Pen);
        SelectObject(v.DC, GetStockObject(NULL_BRUSH));
    }
    const std::vector<TPoint> star = Star(S);
    for (auto _ : State) {
        switch (Shape) {
            case shRect: Rectangle(v.DC, Org, Org, Org + S, Org + S); break;
            case shEllipse: Ellipse(v.DC, Org, Org, Org + S, Org + S); break;
            case shPolygon: Polygon(v.DC, star.data(), int(star.size())); break;
            case shBlit: BitBlt(v.DC, Org, Org, S, S, v.Src, 3, 5, SRCCOPY); break;
            case shStretch: StretchBlt(v.DC, Org, Org, S, S, v.Src, 3, 5, S / 2, S / 2, SRCCOPY); break;
        }
        benchmark::ClobberMemory();
    }
    State.counters["shapes/s"] = benchmark::Counter(double(State.iterations()), benchmark::Counter::kIsRate);
}

// ---------------------------------------------------------------------------
// Cairo

void BM_Cairo(benchmark::State& State, TShape Shape, TMode Mode, int S) {
    cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Side, Side);
    cairo_surface_t* src = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Side, Side);
    {
        cairo_surface_flush(src);
        uint32_t* p = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(src));
        const int stride = cairo_image_surface_get_stride(src) / 4;
        for (int y = 0; y < Side; ++y)
            for (int x = 0; x < Side; ++x) p[y * stride + x] = 0xFF000000u | uint32_t(x * 0x010203 + y * 0x030201);
        cairo_surface_mark_dirty(src);
    }
    cairo_t* cr = cairo_create(surf);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_line_width(cr, 1.0);
    if (Mode == mdFill)
        cairo_set_source_rgb(cr, 200 / 255.0, 60 / 255.0, 20 / 255.0);
    else
        cairo_set_source_rgb(cr, 0, 0, 160 / 255.0);
    const std::vector<vcl::TPoint> star = Star(S);
    // Outlines run through pixel centres; fills cover the same pixels as ours.
    const double o = Mode == mdOutline ? 0.5 : 0.0;
    for (auto _ : State) {
        switch (Shape) {
            case shRect:
                if (Mode == mdFill)
                    cairo_rectangle(cr, Org, Org, S - 1, S - 1);
                else
                    cairo_rectangle(cr, Org + o, Org + o, S - 1, S - 1);
                break;
            case shEllipse:
                cairo_save(cr);
                cairo_translate(cr, Org + S / 2.0, Org + S / 2.0);
                cairo_scale(cr, (S - 1) / 2.0, (S - 1) / 2.0);
                cairo_arc(cr, 0, 0, 1, 0, 2 * 3.14159265358979);
                cairo_restore(cr);
                break;
            case shPolygon:
                cairo_move_to(cr, star[0].X + o, star[0].Y + o);
                for (size_t i = 1; i < star.size(); ++i) cairo_line_to(cr, star[i].X + o, star[i].Y + o);
                cairo_close_path(cr);
                break;
            case shBlit:
                cairo_save(cr);
                cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
                cairo_set_source_surface(cr, src, Org - 3, Org - 5);
                cairo_rectangle(cr, Org, Org, S, S);
                cairo_fill(cr);
                cairo_restore(cr);
                continue;
            case shStretch:
                cairo_save(cr);
                cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
                cairo_rectangle(cr, Org, Org, S, S);
                cairo_clip(cr);
                cairo_translate(cr, Org, Org);
                cairo_scale(cr, 2, 2);
                cairo_set_source_surface(cr, src, -3, -5);
                cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
                cairo_paint(cr);
                cairo_restore(cr);
                continue;
        }
        if (Mode == mdFill)
            cairo_fill(cr);
        else
            cairo_stroke(cr);
    }
    cairo_surface_flush(surf);
    State.counters["shapes/s"] = benchmark::Counter(double(State.iterations()), benchmark::Counter::kIsRate);
    cairo_destroy(cr);
    cairo_surface_destroy(src);
    cairo_surface_destroy(surf);
}

// ---------------------------------------------------------------------------

struct TCase {
    TShape Shape;
    TMode Mode;
    int Size;
    std::string Name() const {
        return std::string(ShapeName(Shape)) + (Shape >= shBlit ? "" : (Mode == mdFill ? "-fill" : "-outline")) + "/" +
               std::to_string(Size);
    }
};

std::vector<TCase> Cases() {
    std::vector<TCase> out;
    for (TShape s : {shRect, shEllipse, shPolygon})
        for (TMode m : {mdFill, mdOutline})
            for (int size : Sizes) out.push_back(TCase{s, m, size});
    for (TShape s : {shBlit, shStretch})
        for (int size : Sizes) out.push_back(TCase{s, mdFill, size});
    return out;
}

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
            auto it = r.counters.find("shapes/s");
            if (it != r.counters.end()) Rates[key] = it->second;
        }
        ConsoleReporter::ReportRuns(Reports);
    }

private:
    std::set<std::string> FromMean;
};

void PrintSummary(const SummaryReporter& R) {
    std::printf("\n%-22s %12s %12s %8s\n", "case", "ours ns", "cairo ns", "ratio");
    for (const TCase& c : Cases()) {
        auto a = R.Rates.find("BM_Vcl/" + c.Name()), b = R.Rates.find("BM_Cairo/" + c.Name());
        if (a == R.Rates.end() || b == R.Rates.end() || a->second <= 0 || b->second <= 0) continue;
        const double ours = 1e9 / a->second, theirs = 1e9 / b->second;
        std::printf("%-22s %12.0f %12.0f %8.2f\n", c.Name().c_str(), ours, theirs, theirs / ours);
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (const TCase& c : Cases()) {
        benchmark::RegisterBenchmark(("BM_Vcl/" + c.Name()).c_str(), BM_Vcl, c.Shape, c.Mode, c.Size);
        benchmark::RegisterBenchmark(("BM_Cairo/" + c.Name()).c_str(), BM_Cairo, c.Shape, c.Mode, c.Size);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
