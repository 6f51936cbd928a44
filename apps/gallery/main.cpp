// corvane-gallery: shows every component of the pack on its palette page.
// Usage: corvane-gallery [output folder]   (default: out/gallery)
// Writes one file per palette page and an index.html that links them.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CorvaneReg.h"
#include "CvMathParser.h"
#include "DesignIntf.h"
#include "Gallery.h"
#include "Graphics.h"
#include "SysUtils.h"

namespace fs = std::filesystem;
using namespace corvane;

namespace {

struct PageOutput {
    std::string Page;
    std::string File;
    std::string Summary;
    std::vector<gallery::TPicture> Pictures;
};

std::string HtmlEscape(const std::string& s) {
    std::string r;
    for (char c : s) {
        switch (c) {
            case '<': r += "&lt;"; break;
            case '>': r += "&gt;"; break;
            case '&': r += "&amp;"; break;
            default: r += c;
        }
    }
    return r;
}

// The formula parser: a few formulas tabulated over X (and Y), and the
// errors the parser reports for broken ones.
std::string MathParserPage() {
    std::ostringstream out;
    TCvMathParser parser(nullptr);
    parser.SetAutoCompile(true);
    out << "TCvMathParser\n=============\n\n";
    const char* formulas[] = {"SIN(X)", "X*X-2*X+1", "SQRT(X)*LN(X+1)", "ROUND(X/3)+FRAC(X/4)"};
    char line[256];
    std::snprintf(line, sizeof line, "%6s", "X");
    out << line;
    for (const char* f : formulas) {
        std::snprintf(line, sizeof line, " %22s", f);
        out << line;
    }
    out << "\n";
    for (int x = 0; x <= 90; x += 15) {
        std::snprintf(line, sizeof line, "%6d", x);
        out << line;
        for (const char* f : formulas) {
            parser.SetFormula(f);
            try {
                std::snprintf(line, sizeof line, " %22.15Lg", parser.Calculate(x, 0));
            } catch (const vcl::Exception& e) {
                std::snprintf(line, sizeof line, " %22s", e.Message().c_str());
            }
            out << line;
        }
        out << "\n";
    }
    out << "\nFormulas the parser refuses:\n";
    for (const char* f : {"2 + 3", "FOO(1)", "(1+2", "1+2)*5", "SIN 30", "X+"}) {
        parser.SetFormula(f);
        std::snprintf(line, sizeof line, "  %-10s Error %2d at %d: %s\n", f, parser.Error(), parser.ErrorPos(),
                      parser.ErrorMsg().c_str());
        out << line;
    }
    return out.str();
}

// Plots two formulas over one period into a PNG, the way an application
// plots a user-typed function: compile once, calculate per pixel column.
bool PlotFormulas(const fs::path& File) {
    using namespace vcl;
    constexpr int W = 520, H = 300, Left = 50, Right = W - 20, Top = 30, Bottom = H - 40;
    TBitmap bmp;
    bmp.SetSize(W, H);
    TCanvas* c = bmp.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(TRect{0, 0, W, H});
    c->Font()->SetName("Arial");
    c->Font()->SetSize(9);
    c->Brush()->SetStyle(bsClear);

    // Grid and axes: X from 0 to 360 degrees, Y from -1.5 to 1.5.
    auto px = [&](long double x) { return Left + int((x / 360.0L) * (Right - Left) + 0.5L); };
    auto py = [&](long double y) { return Top + int(((1.5L - y) / 3.0L) * (Bottom - Top) + 0.5L); };
    c->Pen()->SetColor(clSilver);
    c->Pen()->SetStyle(psSolid);
    for (int x = 0; x <= 360; x += 45) {
        c->MoveTo(px(x), Top);
        c->LineTo(px(x), Bottom + 1);
        const std::string label = std::to_string(x);
        c->TextOut(px(x) - c->TextWidth(label) / 2, Bottom + 4, label);
    }
    for (int i = -3; i <= 3; ++i) {
        const long double y = i * 0.5L;
        c->MoveTo(Left, py(y));
        c->LineTo(Right + 1, py(y));
        char label[16];
        std::snprintf(label, sizeof label, "%.1Lf", y);
        c->TextOut(Left - 6 - c->TextWidth(label), py(y) - c->TextHeight(label) / 2, label);
    }
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetColor(clBlack);
    c->MoveTo(Left, py(0));
    c->LineTo(Right + 1, py(0));
    c->MoveTo(Left, Top);
    c->LineTo(Left, Bottom + 1);

    struct Curve {
        const char* Formula;
        TColor Color;
    } curves[] = {{"SIN(X)", clNavy}, {"COS(X*2)/2+FRAC(X/90)/4", clMaroon}};
    int legendY = 6;
    for (const Curve& curve : curves) {
        TCvMathParser parser(nullptr);
        parser.SetFormula(curve.Formula);
        if (!parser.Compile()) return false;
        c->Pen()->SetColor(curve.Color);
        c->Pen()->SetWidth(2);
        for (int sx = Left; sx <= Right; ++sx) {
            const long double x = (sx - Left) * 360.0L / (Right - Left);
            const int sy = py(parser.Calculate(x, 0));
            if (sx == Left)
                c->MoveTo(sx, sy);
            else
                c->LineTo(sx, sy);
        }
        c->Font()->SetColor(curve.Color);
        c->TextOut(Right - 200, legendY, std::string("Y = ") + curve.Formula);
        legendY += 14;
    }
    c->Font()->SetColor(clBlack);
    c->Font()->SetStyle({fsBold});
    c->TextOut(Left, 6, "TCvMathParser");
    return SaveGraphicToPng(bmp, File.string());
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path outDir = argc > 1 ? fs::path(argv[1]) : fs::path("out/gallery");
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (ec) {
        std::fprintf(stderr, "corvane-gallery: cannot create %s: %s\n", outDir.c_str(), ec.message().c_str());
        return 1;
    }

    CorvaneReg::Register();

    std::vector<PageOutput> pages;
    // The platform's own controls come first.
    pages.push_back(PageOutput{"Platform", "Platform.txt", "standard controls", gallery::StandardFormPictures(outDir)});
    std::ofstream(outDir / "Platform.txt") << "The platform's standard controls on a classic form.\n";
    for (const std::string& page : vcl::PalettePages()) {
        PageOutput p{page, page + ".txt", {}, {}};
        std::ostringstream text;
        text << "Palette page " << page << "\n\n";
        for (const vcl::TMetaClass* c : vcl::PaletteClasses(page)) {
            text << "  " << c->ClassName() << "\n";
            p.Summary += c->ClassName() + " ";
        }
        text << "\n";
        if (page == "Corvane-NoVis1") {
            text << MathParserPage();
            if (PlotFormulas(outDir / "Corvane-NoVis1-mathparser.png"))
                p.Pictures.push_back({"Corvane-NoVis1-mathparser.png", "Two formulas plotted by TCvMathParser"});
        }
        if (page == "Corvane-Vis1") p.Pictures = gallery::Vis1Pictures(outDir);
        if (page == "Corvane-Vis2") p.Pictures = gallery::Vis2Pictures(outDir);
        if (page == "Corvane-NoVis2") p.Pictures = gallery::NoVis2Pictures(outDir);
        for (const gallery::TPicture& pic : p.Pictures) text << "Picture " << pic.File << ": " << pic.Caption << "\n";
        std::ofstream(outDir / p.File) << text.str();
        pages.push_back(p);
    }

    std::ofstream index(outDir / "index.html");
    index << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Corvane gallery</title></head>\n"
          << "<body><h1>Corvane component pack: gallery</h1>\n<ul>\n";
    for (const PageOutput& p : pages)
        index << "<li><a href=\"" << HtmlEscape(p.File) << "\">" << HtmlEscape(p.Page) << "</a>: "
              << HtmlEscape(p.Summary) << "</li>\n";
    index << "</ul>\n";
    for (const PageOutput& p : pages)
        for (const gallery::TPicture& pic : p.Pictures)
            index << "<h2>" << HtmlEscape(p.Page) << "</h2><p>" << HtmlEscape(pic.Caption) << "</p><p><img src=\""
                  << HtmlEscape(pic.File) << "\" alt=\"" << HtmlEscape(pic.Caption) << "\"></p>\n";
    index << "</body></html>\n";
    std::printf("corvane-gallery: %zu palette pages written to %s\n", pages.size(), outDir.c_str());
    return 0;
}
