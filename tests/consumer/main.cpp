// Uses the pack as an application would and checks one result.
#include <cstdio>

#include "CvMathParser.h"

int main() {
    corvane::TCvMathParser parser(nullptr);
    parser.SetFormula("sqrt(x*x+y*y)");
    if (!parser.Compile()) {
        std::printf("compile failed: %s\n", parser.ErrorMsg().c_str());
        return 1;
    }
    const long double r = parser.Calculate(3, 4);
    std::printf("sqrt(3*3+4*4) = %.3Lf\n", r);
    return r == 5 ? 0 : 1;
}
