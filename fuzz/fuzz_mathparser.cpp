// libFuzzer target: arbitrary bytes as the formula of a TCvMathParser.
// Compile must never crash and must report consistently; compiled code must
// evaluate for any X and Y, failing only with the platform's exceptions, and
// the same way each time.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <typeinfo>

#include "CvMathParser.h"

using corvane::TCvMathParser;

namespace {

void Check(bool Condition) {
    if (!Condition) std::abort();
}

// The outcome of one evaluation: the value's bits or the exception's type.
struct TOutcome {
    bool Raised = false;
    const std::type_info* Type = nullptr;
    long double Value = 0;

    bool operator==(const TOutcome& O) const {
        if (Raised != O.Raised) return false;
        if (Raised) return *Type == *O.Type;
        return (std::isnan(Value) && std::isnan(O.Value)) || Value == O.Value;
    }
};

TOutcome Evaluate(TCvMathParser& P, long double X, long double Y) {
    TOutcome o;
    try {
        o.Value = P.Calculate(X, Y);
    } catch (const vcl::Exception& e) {
        o.Raised = true;
        o.Type = &typeid(e);
    }
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string text(reinterpret_cast<const char*>(Data), Size);
    TCvMathParser p(nullptr);
    p.SetFormula(text);
    const std::string& formula = p.Formula();
    Check(formula.size() == text.size());
    for (char c : formula) Check(c < 'a' || c > 'z');

    int errors = 0;
    p.SetOnError([&](vcl::TObject*) { ++errors; });
    const bool ok = p.Compile();
    Check(ok == (p.Error() == 0));
    Check(p.CodeSize() >= 0 && p.CodeSize() <= TCvMathParser::CodeCapacity);
    if (!ok) {
        Check(errors == 1);
        Check(p.ErrorMsg().size() > 5);
        Check((p.ErrorMsg()[0] - '0') * 10 + (p.ErrorMsg()[1] - '0') == p.Error());
        Check(p.ErrorPos() >= 0 && static_cast<size_t>(p.ErrorPos()) <= formula.size());
        try {
            p.Calculate(1, 2);
            Check(false);
        } catch (const corvane::EMathParserError&) {
        }
        return 0;
    }
    Check(errors == 0);
    Check(p.CodeSize() > 0 && p.Code()[p.CodeSize() - 1] == static_cast<uint8_t>(corvane::TOpCodes::Stop));

    const long double inf = std::numeric_limits<long double>::infinity();
    const long double values[][2] = {{0, 0},         {1, 2},      {-2.5L, 0.5L}, {30, 45},
                                     {1e300L, -1e-300L}, {inf, -inf}, {std::numeric_limits<long double>::quiet_NaN(), 1}};
    for (const auto& v : values) {
        const TOutcome first = Evaluate(p, v[0], v[1]);
        Check(first == Evaluate(p, v[0], v[1]));
    }
    return 0;
}
