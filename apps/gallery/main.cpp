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
#include "SysUtils.h"

namespace fs = std::filesystem;
using namespace corvane;

namespace {

struct PageOutput {
    std::string Page;
    std::string File;
    std::string Summary;
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
    for (const std::string& page : vcl::PalettePages()) {
        PageOutput p{page, page + ".txt", {}};
        std::ostringstream text;
        text << "Palette page " << page << "\n\n";
        for (const vcl::TMetaClass* c : vcl::PaletteClasses(page)) {
            text << "  " << c->ClassName() << "\n";
            p.Summary += c->ClassName() + " ";
        }
        text << "\n";
        if (page == "Corvane-NoVis1") text << MathParserPage();
        std::ofstream(outDir / p.File) << text.str();
        pages.push_back(p);
    }

    std::ofstream index(outDir / "index.html");
    index << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Corvane gallery</title></head>\n"
          << "<body><h1>Corvane component pack: gallery</h1>\n<ul>\n";
    for (const PageOutput& p : pages)
        index << "<li><a href=\"" << HtmlEscape(p.File) << "\">" << HtmlEscape(p.Page) << "</a>: "
              << HtmlEscape(p.Summary) << "</li>\n";
    index << "</ul></body></html>\n";
    std::printf("corvane-gallery: %zu palette pages written to %s\n", pages.size(), outDir.c_str());
    return 0;
}
