// Tests of TCvMathParser: the grammar and its errors, the byte code, the
// limits, evaluation and its floating-point faults, the published properties.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "CvMathParser.h"

// ---------------------------------------------------------------------------
// Allocation failure on demand, for the out-of-memory tests: while armed,
// the allocation after the given number of successful ones (on this thread)
// throws std::bad_alloc.  Disarmed, the replacement only forwards to malloc.

namespace {
thread_local long gAllocationsLeft = -1;  // -1: never fail
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // the pair below matches
#endif

void* operator new(std::size_t Size) {
    if (gAllocationsLeft == 0) {
        gAllocationsLeft = -1;
        throw std::bad_alloc();
    }
    if (gAllocationsLeft > 0) --gAllocationsLeft;
    if (void* p = std::malloc(Size ? Size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }

namespace corvane {

// Places hand-made code in a parser, for the operation the compiler never
// produces (Pi).
class TCvMathParserTestAccess {
public:
    static void SetCode(TCvMathParser& P, const std::vector<uint8_t>& Code) {
        std::memcpy(P.FCode, Code.data(), Code.size());
        P.FCodeSize = static_cast<int32_t>(Code.size());
        P.FError = 0;
        P.FCompiled = true;
        P.BuildProgram();
    }
};

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

uint8_t Op(TOpCodes C) { return static_cast<uint8_t>(C); }

std::vector<uint8_t> Code(const TCvMathParser& P) {
    return std::vector<uint8_t>(P.Code(), P.Code() + P.CodeSize());
}

// Push and its operand, the operand spelled out byte by byte (little-endian
// 64-bit mantissa with the integer bit, then sign and 15-bit exponent).
std::vector<uint8_t> PushBytes(uint64_t Mantissa, uint16_t SignExponent) {
    std::vector<uint8_t> b{Op(TOpCodes::Push)};
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(Mantissa >> (8 * i)));
    b.push_back(static_cast<uint8_t>(SignExponent));
    b.push_back(static_cast<uint8_t>(SignExponent >> 8));
    return b;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> Parts) {
    std::vector<uint8_t> r;
    for (const auto& p : Parts) r.insert(r.end(), p.begin(), p.end());
    return r;
}

std::string Repeat(const std::string& S, int N) {
    std::string r;
    for (int i = 0; i < N; ++i) r += S;
    return r;
}

class MathParser : public ::testing::Test {
protected:
    TCvMathParser P{nullptr};

    long double Eval(const std::string& Formula, long double X = 0, long double Y = 0) {
        P.SetFormula(Formula);
        EXPECT_TRUE(P.Compile()) << Formula << ": " << P.ErrorMsg();
        return P.Calculate(X, Y);
    }
};

// ---------------------------------------------------------------------------
// Values

struct ValueCase {
    const char* Formula;
    long double X, Y;
    long double Expected;
};

void PrintTo(const ValueCase& C, std::ostream* Os) { *Os << '"' << C.Formula << '"'; }

class MathParserValues : public MathParser, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(MathParserValues, Evaluates) {
    const ValueCase& c = GetParam();
    const long double v = Eval(c.Formula, c.X, c.Y);
    const long double tol = 1e-15L * std::max(1.0L, fabsl(c.Expected));
    EXPECT_NEAR(static_cast<double>(v), static_cast<double>(c.Expected), static_cast<double>(tol))
        << c.Formula << " X=" << static_cast<double>(c.X) << " Y=" << static_cast<double>(c.Y);
}

const ValueCase kValueCases[] = {
    // precedence and associativity
    {"2+3*4", 0, 0, 14},
    {"(2+3)*4", 0, 0, 20},
    {"8/4/2", 0, 0, 1},
    {"2-3-4", 0, 0, -5},
    {"2*3*4-6/3/2+1", 0, 0, 24},
    {"1-2*3+4", 0, 0, -1},
    {"X*X+2*X*Y-Y/3", 3, 6, 9 + 36 - 2},
    {"((X+1)*(Y-2))/((X-3)*(Y+4))", 5, 6, (6.0L * 4) / (2.0L * 10)},
    // unary minus
    {"-(2+3)", 0, 0, -5},
    {"2*-X", 3, 0, -6},
    {"-X+1", 3, 0, -2},
    {"-SIN(30)", 0, 0, -0.5},
    {"-2*-3", 0, 0, 6},
    {"X-Y", 1, 5, -4},
    {"-PI", 0, 0, -kPi},
    // numbers
    {"1.5E2", 0, 0, 150},
    {"1.5e-2", 0, 0, 0.015L},
    {"2E+3", 0, 0, 2000},
    {"1.", 0, 0, 1},
    {"1E-5000", 0, 0, 0},
    {"0.1", 0, 0, 0.1L},
    // angles in degrees, also for the inverse functions' argument
    {"SIN(30)", 0, 0, 0.5},
    {"COS(60)", 0, 0, 0.5},
    {"TAN(45)", 0, 0, 1},
    {"COTAN(45)", 0, 0, 1},
    {"RADTODEG(PI)", 0, 0, 180},
    {"ARCTAN(45)", 0, 0, atanl(kPi / 4)},
    {"ARCSIN(X)", 30, 0, asinl(kPi / 6)},
    {"ARCCOS(X)", 30, 0, acosl(kPi / 6)},
    {"SINH(X)", 90, 0, sinhl(kPi / 2)},
    {"COSH(X)", 90, 0, coshl(kPi / 2)},
    {"TANH(X)", 90, 0, tanhl(kPi / 2)},
    {"ARCSINH(X)", 90, 0, asinhl(kPi / 2)},
    {"ARCTANH(X)", 30, 0, atanhl(kPi / 6)},
    {"ARCCOSH(X)", 90, 0, acoshl(kPi / 2)},
    // unit conversions
    {"CYCLETORAD(0.5)", 0, 0, kPi},
    {"DEGTORAD(180)", 0, 0, kPi},
    {"GRADTORAD(200)", 0, 0, kPi},
    {"RADTOCYCLE(PI)", 0, 0, 0.5},
    {"RADTOGRAD(PI)", 0, 0, 200},
    // other functions
    {"LN(EXP(2))", 0, 0, 2},
    {"LNXP(0)", 0, 0, 0},
    {"LNXP(X)", 1e-30L, 0, 1e-30L},
    {"LOG(1000)", 0, 0, 3},
    {"LOG\xB2(8)", 0, 0, 3},      // superscript two as the byte 178
    {"LOG\xC2\xB2(8)", 0, 0, 3},  // superscript two as UTF-8
    {"log\xC2\xB2(1024)", 0, 0, 10},
    {"ABS(-2.5)", 0, 0, 2.5},
    {"SQRT(16)", 0, 0, 4},
    {"SQR(-3)", 0, 0, 9},
    {"INT(-2.7)", 0, 0, -2},
    {"FRAC(-2.75)", 0, 0, -0.75},
    {"EXP(0)", 0, 0, 1},
    {"EXP(-100000)", 0, 0, 0},  // underflow is not a fault
    {"SQRT(ABS(X))+LN(EXP(Y))", -16, 3, 7},
    // integer functions
    {"ROUND(2.5)", 0, 0, 2},
    {"ROUND(3.5)", 0, 0, 4},
    {"ROUND(-2.5)", 0, 0, -2},
    {"TRUNC(-2.7)", 0, 0, -2},
    {"CEIL(-0.5)", 0, 0, 0},
    {"FLOOR(-0.5)", 0, 0, -1},
    {"ROUND(2147483647.4)", 0, 0, 2147483647},
    {"FLOOR(X)", -2147483648.0L, 0, -2147483648.0L},
    {"CEIL(-2147483648.9)", 0, 0, -2147483648.0L},
    // nesting
    {"SIN(COS(0)*30)", 0, 0, 0.5},
    {"((((X))))", 7, 0, 7},
    {"-(-(-(X)))", 7, 0, -7},
};

INSTANTIATE_TEST_SUITE_P(Table, MathParserValues, ::testing::ValuesIn(kValueCases));

TEST_F(MathParser, IntegerFunctionsGiveIntegersWithoutNegativeZero) {
    EXPECT_FALSE(std::signbit(Eval("CEIL(-0.5)")));
    EXPECT_FALSE(std::signbit(Eval("ROUND(-0.4)")));
}

TEST_F(MathParser, PiConstantIsExtendedPi) {
    EXPECT_EQ(Eval("PI"), kPi);
    EXPECT_EQ(Eval("RADTODEG(X)", kPi), 180.0L);
}

// ---------------------------------------------------------------------------
// Compilation errors

struct ErrorCase {
    std::string Formula;
    int32_t Error;
    int32_t ErrorPos;  // -1: not checked
};

void PrintTo(const ErrorCase& C, std::ostream* Os) { *Os << '"' << C.Formula << '"'; }

class MathParserErrors : public MathParser, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(MathParserErrors, Reports) {
    const ErrorCase& c = GetParam();
    int calls = 0;
    P.SetOnError([&](vcl::TObject* Sender) {
        ++calls;
        EXPECT_EQ(Sender, &P);
        EXPECT_EQ(P.Error(), c.Error);  // recorded before the event
    });
    P.SetFormula(c.Formula);
    EXPECT_FALSE(P.Compile());
    EXPECT_EQ(P.Error(), c.Error) << c.Formula << ": " << P.ErrorMsg();
    if (c.ErrorPos >= 0) {
        EXPECT_EQ(P.ErrorPos(), c.ErrorPos) << c.Formula;
    }
    EXPECT_EQ(calls, 1);
    EXPECT_THROW(P.Calculate(1, 1), EMathParserError);
}

const ErrorCase kErrorCases[] = {
    {"", 4, 0},
    {"2 + 3", 3, 1},
    {"2X", 3, 1},
    {"X2", 3, 1},
    {"2(3)", 3, 1},
    {"X(3)", 3, 1},
    {"PI2", 3, 2},
    {"2.5.3", 3, 3},
    {" 1", 7, 0},
    {"FOO(1)", 7, 3},
    {"SINX", 7, 4},
    {"PIX", 7, 3},
    {".5", 7, 0},
    {"2*-", 7, 3},
    {"--2", 7, 1},
    {"SIN 30", 6, 3},
    {"SIN", 6, 3},
    {"LOG\xC2\xB2 8", 6, 4},  // ErrorPos counts "²" as one character
    {"(1+2", 5, 4},
    {"((X)", 5, 4},
    {"X)", 8, 1},
    {"1+2)*5", 8, 3},
    {"(1+2))", 8, 5},
    {")", 4, 0},
    {"X+", 4, 2},
    {"(", 4, 1},
    {"SIN()", 4, 4},
    {"1E", 2, 0},
    {"2*1E+", 2, 2},
    {"1E5000", 2, 0},
    {"-1E5000", 2, 1},
    {"X\xC3\xA4", 3, 1},           // "ä" is not upper-cased and is no operator
    {std::string("1\0+2", 4), 3, 1},  // a NUL byte does not end the formula
};

INSTANTIATE_TEST_SUITE_P(Table, MathParserErrors, ::testing::ValuesIn(kErrorCases));

TEST_F(MathParser, ErrorTextsAreExact) {
    const std::pair<const char*, const char*> cases[] = {
        {"1+(1", "05 - \")\" Expected"},
        {"SIN 1", "06 - \"(\" Expected"},
        {"X+", "04 - Constant, Operator of Function expected"},
        {"2 ", "03 - Operator expected"},
        {"1E", "02 - Extended not valid"},
        {"Q", "07 - Unknown Function"},
        {"X)", "08 - Braket Error"},
    };
    for (const auto& [formula, text] : cases) {
        P.SetFormula(formula);
        EXPECT_FALSE(P.Compile());
        EXPECT_EQ(P.ErrorMsg(), text) << formula;
    }
    P.SetFormula(Repeat("1+", 900) + "1");
    EXPECT_FALSE(P.Compile());
    EXPECT_EQ(P.ErrorMsg(), "01 - Out of Memory");
    try {
        P.Calculate(0, 0);
        FAIL() << "Calculate ran after a failed compilation";
    } catch (const EMathParserError& e) {
        EXPECT_EQ(e.Message(), "10 - Error in Function");
    }
}

TEST_F(MathParser, ErrorPosCountsCharactersWhateverTheEncodingOfSuperscriptTwo) {
    P.SetFormula("LOG\xC2\xB2(8)+Z");
    EXPECT_FALSE(P.Compile());
    EXPECT_EQ(P.Error(), 7);
    EXPECT_EQ(P.ErrorPos(), 9);
    P.SetFormula("LOG\xB2(8)+Z");
    EXPECT_FALSE(P.Compile());
    EXPECT_EQ(P.Error(), 7);
    EXPECT_EQ(P.ErrorPos(), 9);
    P.SetFormula("\xC3\xA4\xC3\xA4+");  // "ää+": 07 at the first character
    EXPECT_FALSE(P.Compile());
    EXPECT_EQ(P.ErrorPos(), 0);
    P.SetFormula("1+\xE2\x82\xAC");  // "1+€": the euro sign is the third character
    EXPECT_FALSE(P.Compile());
    EXPECT_EQ(P.Error(), 7);
    EXPECT_EQ(P.ErrorPos(), 2);
}

TEST_F(MathParser, SuccessClearsErrorAndMessage) {
    P.SetFormula("FOO(1)");
    EXPECT_FALSE(P.Compile());
    P.SetFormula("X");
    EXPECT_TRUE(P.Compile());
    EXPECT_EQ(P.Error(), 0);
    EXPECT_EQ(P.ErrorMsg(), "");
    EXPECT_EQ(P.Calculate(4, 0), 4);
}

// ---------------------------------------------------------------------------
// Byte code

TEST(MathParserCode, SumOfTwoNumbers) {
    TCvMathParser p(nullptr);
    p.SetFormula("2+3");
    ASSERT_TRUE(p.Compile());
    const auto expected = Concat({PushBytes(0x8000000000000000ull, 16384),
                                  PushBytes(0xC000000000000000ull, 16384),
                                  {Op(TOpCodes::Add), Op(TOpCodes::Stop)}});
    EXPECT_EQ(Code(p), expected);
}

TEST(MathParserCode, PiAndNegativeNumbers) {
    TCvMathParser p(nullptr);
    p.SetFormula("PI");
    ASSERT_TRUE(p.Compile());
    EXPECT_EQ(Code(p), Concat({PushBytes(14488038916154245685ull, 16384), {Op(TOpCodes::Stop)}}));
    // A minus before a number becomes the number's sign, no Neg.
    p.SetFormula("-2");
    ASSERT_TRUE(p.Compile());
    EXPECT_EQ(Code(p), Concat({PushBytes(0x8000000000000000ull, 0x8000 | 16384), {Op(TOpCodes::Stop)}}));
}

TEST(MathParserCode, InstructionSequences) {
    using O = TOpCodes;
    const struct {
        const char* Formula;
        std::vector<O> Ops;
    } cases[] = {
        {"-X+Y", {O::LoadVarX, O::Neg, O::LoadVarY, O::Add, O::Stop}},
        {"X*Y/X", {O::LoadVarX, O::LoadVarY, O::Mult, O::LoadVarX, O::Divi, O::Stop}},
        {"X-Y*X", {O::LoadVarX, O::LoadVarY, O::LoadVarX, O::Mult, O::Sub, O::Stop}},
        {"-SIN(X)", {O::LoadVarX, O::Sin, O::Neg, O::Stop}},
        {"-(X)", {O::LoadVarX, O::Neg, O::Stop}},
        {"LOG\xC2\xB2(LNXP(Y))", {O::LoadVarY, O::LnXP1, O::Log2, O::Stop}},
        {"TRUNC(ROUND(EXP(FRAC(INT(SQR(SQRT(X)))))))",
         {O::LoadVarX, O::Sqrt, O::Sqr, O::Int, O::Frac, O::Exp, O::Round, O::Trunc, O::Stop}},
        {"RADTOCYCLE(CYCLETORAD(GRADTORAD(RADTOGRAD(DEGTORAD(RADTODEG(X))))))",
         {O::LoadVarX, O::RadToDeg, O::DegToRad, O::RadToGrad, O::GradToRad, O::CycleToRad,
          O::RadToCycle, O::Stop}},
        {"ABS(CEIL(FLOOR(LN(LOG(COTAN(X))))))",
         {O::LoadVarX, O::CoTan, O::Log, O::Ln, O::Floor, O::Ceil, O::Abs, O::Stop}},
    };
    for (const auto& c : cases) {
        TCvMathParser p(nullptr);
        p.SetFormula(c.Formula);
        ASSERT_TRUE(p.Compile()) << c.Formula;
        std::vector<uint8_t> expected;
        for (O o : c.Ops) expected.push_back(Op(o));
        EXPECT_EQ(Code(p), expected) << c.Formula;
    }
}

TEST(MathParserCode, OpCodeValues) {
    EXPECT_EQ(Op(TOpCodes::LoadVarX), 0);
    EXPECT_EQ(Op(TOpCodes::Sin), 7);
    EXPECT_EQ(Op(TOpCodes::Log2), 29);
    EXPECT_EQ(Op(TOpCodes::Pi), 33);
    EXPECT_EQ(Op(TOpCodes::Trunc), 40);
    EXPECT_EQ(Op(TOpCodes::Stop), 42);
    EXPECT_EQ(vcl::EnumInfoOf<TOpCodes>().Count(), 43);
    EXPECT_EQ(vcl::EnumInfoOf<TOpCodes>().NameOf(33), "Pi");
}

TEST(MathParserCode, PiOperationPushesPi) {
    TCvMathParser p(nullptr);
    TCvMathParserTestAccess::SetCode(p, {Op(TOpCodes::Pi), Op(TOpCodes::Stop)});
    EXPECT_EQ(p.Calculate(0, 0), kPi);
    TCvMathParserTestAccess::SetCode(p, {Op(TOpCodes::Pi), Op(TOpCodes::LoadVarX), Op(TOpCodes::Mult),
                                         Op(TOpCodes::Stop)});
    EXPECT_EQ(p.Calculate(2, 0), 2 * kPi);
}

TEST(MathParserCode, BytesFrom42OnStop) {
    TCvMathParser p(nullptr);
    TCvMathParserTestAccess::SetCode(p, {Op(TOpCodes::LoadVarX), 200, Op(TOpCodes::Neg), Op(TOpCodes::Stop)});
    EXPECT_EQ(p.Calculate(5, 0), 5);
}

// ---------------------------------------------------------------------------
// Limits

TEST(MathParserLimits, CodeCapacity) {
    TCvMathParser p(nullptr);
    p.SetFormula(Repeat("1+", 832) + "1");  // 833 ones
    ASSERT_TRUE(p.Compile()) << p.ErrorMsg();
    EXPECT_EQ(p.CodeSize(), 9996);
    EXPECT_EQ(p.Calculate(0, 0), 833);
    p.SetFormula(Repeat("1+", 833) + "1");  // 834 ones
    EXPECT_FALSE(p.Compile());
    EXPECT_EQ(p.Error(), 1);
    EXPECT_EQ(p.ErrorPos(), 833 * 2);  // at the 834th one
}

TEST(MathParserLimits, OneByteInstructionsFillTheBufferTo10002Bytes) {
    // X-X-...-X: LoadVarX, then LoadVarX Sub for each "-X", then Stop.
    TCvMathParser p(nullptr);
    p.SetFormula("X" + Repeat("-X", 5000));
    ASSERT_TRUE(p.Compile()) << p.ErrorMsg();
    EXPECT_EQ(p.CodeSize(), 10002);
    EXPECT_EQ(p.Calculate(2, 0), 2 - 5000 * 2);
    p.SetFormula("X" + Repeat("-X", 5001));
    EXPECT_FALSE(p.Compile());
    EXPECT_EQ(p.Error(), 1);
    EXPECT_EQ(p.ErrorPos(), 1 + 2 * 5001);  // found at the end of the text
}

TEST(MathParserLimits, EvaluationStackHolds256Values) {
    TCvMathParser p(nullptr);
    // 1+(1+(...(1)...)) with 255 "(" needs 256 values on the stack
    p.SetFormula(Repeat("1+(", 255) + "1" + Repeat(")", 255));
    ASSERT_TRUE(p.Compile()) << p.ErrorMsg();
    EXPECT_EQ(p.Calculate(0, 0), 256);
    // one level more needs 257 values: refused
    const std::string deeper = Repeat("1+(", 256) + "1" + Repeat(")", 256);
    p.SetFormula(deeper);
    EXPECT_FALSE(p.Compile());
    EXPECT_EQ(p.Error(), 1);
    EXPECT_EQ(p.ErrorPos(), 256 * 3);  // at the 257th value
    EXPECT_THROW(p.Calculate(0, 0), EMathParserError);
    // the same values left to right need two places only
    p.SetFormula(Repeat("1+", 600) + "1");
    ASSERT_TRUE(p.Compile());
    EXPECT_EQ(p.Calculate(0, 0), 601);
    // products inside sums: X+X*(X+X*(...)) also counted
    p.SetFormula(Repeat("X+X*(", 128) + "X" + Repeat(")", 128));
    EXPECT_FALSE(p.Compile());
    EXPECT_EQ(p.Error(), 1);
}

TEST(MathParserLimits, DeepNestingIsRefusedBeforeTheNativeStackRunsOut) {
    const struct {
        std::string Open, Close;
    } runs[] = {{"(", ")"}, {"-(", ")"}, {"SIN(", ")"}, {"1+(", ")"}};
    for (const auto& r : runs) {
        TCvMathParser p(nullptr);
        p.SetFormula(Repeat(r.Open, 256) + "0" + Repeat(r.Close, 256));
        if (r.Open != "1+(") {
            EXPECT_TRUE(p.Compile()) << r.Open << ": " << p.ErrorMsg();
        }
        p.SetFormula(Repeat(r.Open, 257) + "0" + Repeat(r.Close, 257));
        EXPECT_FALSE(p.Compile()) << r.Open;
        EXPECT_EQ(p.Error(), 1) << r.Open;
        // A run far beyond any native stack: refused, no crash.
        p.SetFormula(Repeat(r.Open, 200000));
        EXPECT_FALSE(p.Compile()) << r.Open;
        EXPECT_EQ(p.Error(), 1) << r.Open;
        EXPECT_THROW(p.Calculate(0, 0), EMathParserError);
    }
    TCvMathParser p(nullptr);
    p.SetFormula(Repeat("(", 300) + "X" + Repeat(")", 300));
    EXPECT_FALSE(p.Compile());
    EXPECT_EQ(p.ErrorPos(), 256);  // at the 257th "("
}

// ---------------------------------------------------------------------------
// Calculate's state checks

TEST(MathParserState, CalculateBeforeAnyCompileRefuses) {
    TCvMathParser p(nullptr);
    EXPECT_EQ(p.Error(), 0);
    try {
        p.Calculate(1, 2);
        FAIL() << "Calculate ran code that was never compiled";
    } catch (const EMathParserError& e) {
        EXPECT_EQ(e.Message(), "10 - Error in Function");
    }
    p.SetFormula("X");  // stored, not compiled
    EXPECT_THROW(p.Calculate(1, 2), EMathParserError);
}

TEST(MathParserState, FailedThenSuccessfulCompilation) {
    TCvMathParser p(nullptr);
    p.SetFormula("X+");
    EXPECT_FALSE(p.Compile());
    EXPECT_THROW(p.Calculate(1, 2), EMathParserError);
    p.SetFormula("X+Y");
    EXPECT_TRUE(p.Compile());
    EXPECT_EQ(p.Calculate(1, 2), 3);
}

TEST(MathParserState, FormulaIsStoredInUpperCase) {
    TCvMathParser p(nullptr);
    p.SetFormula("sin(x)+log\xC2\xB2(y)*\xC3\xA4");  // "ä" is no a..z letter
    EXPECT_EQ(p.Formula(), "SIN(X)+LOG\xC2\xB2(Y)*\xC3\xA4");
    p.SetFormula("sin(x)");
    EXPECT_EQ(p.Formula(), "SIN(X)");
    EXPECT_TRUE(p.Compile());
    EXPECT_NEAR(static_cast<double>(p.Calculate(30, 0)), 0.5, 1e-15);
}

TEST(MathParserState, WithoutAutoCompileTheOldCodeStays) {
    TCvMathParser p(nullptr);
    EXPECT_FALSE(p.AutoCompile());
    p.SetFormula("X+1");
    ASSERT_TRUE(p.Compile());
    p.SetFormula("Y+");  // not compiled: code, Error and ErrorPos unchanged
    EXPECT_EQ(p.Error(), 0);
    EXPECT_EQ(p.Calculate(1, 5), 2);
    EXPECT_FALSE(p.Compile());
    EXPECT_EQ(p.Error(), 4);
    p.SetFormula("X*2");  // still not compiled: the failure stays
    EXPECT_EQ(p.Error(), 4);
    EXPECT_THROW(p.Calculate(1, 5), EMathParserError);
}

TEST(MathParserState, AutoCompile) {
    TCvMathParser p(nullptr);
    int errors = 0;
    p.SetOnError([&](vcl::TObject*) { ++errors; });
    // switching on with an empty formula compiles nothing
    p.SetAutoCompile(true);
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(p.Error(), 0);
    EXPECT_THROW(p.Calculate(0, 0), EMathParserError);
    // each different formula is compiled
    p.SetFormula("x*3");
    EXPECT_EQ(p.Calculate(2, 0), 6);
    p.SetFormula("X+");
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(p.Error(), 4);
    p.SetFormula("X+");  // the same text: nothing happens
    EXPECT_EQ(errors, 1);
    p.SetFormula("X+)");
    EXPECT_EQ(errors, 2);
    EXPECT_EQ(p.Error(), 4);
    // switching off and on compiles the stored formula again
    p.SetAutoCompile(false);
    p.SetFormula("Y");
    EXPECT_EQ(p.Error(), 4);
    p.SetAutoCompile(true);
    EXPECT_EQ(p.Error(), 0);
    EXPECT_EQ(p.Calculate(0, 9), 9);
    p.SetAutoCompile(true);  // unchanged: no compilation
    EXPECT_EQ(errors, 2);
}

TEST(MathParserState, OnErrorIsCalledOncePerFailedCompilation) {
    TCvMathParser p(nullptr);
    int calls = 0;
    p.SetOnError([&](vcl::TObject*) { ++calls; });
    p.SetFormula("2 + 3");
    EXPECT_FALSE(p.Compile());
    EXPECT_FALSE(p.Compile());
    EXPECT_EQ(calls, 2);
    p.SetFormula("2+3");
    EXPECT_TRUE(p.Compile());
    EXPECT_EQ(calls, 2);
    // no handler: errors are still recorded
    p.SetOnError(nullptr);
    p.SetFormula("(");
    EXPECT_FALSE(p.Compile());
    EXPECT_EQ(p.Error(), 4);
}

TEST(MathParserState, ForeignExceptionsLeaveAFailedCompilationAndPropagate) {
    TCvMathParser p(nullptr);
    p.SetFormula("X");
    ASSERT_TRUE(p.Compile());
    p.SetOnError([](vcl::TObject*) { throw vcl::EAbort(); });
    p.SetFormula("X)");
    EXPECT_THROW(p.Compile(), vcl::EAbort);
    EXPECT_EQ(p.Error(), 8);
    EXPECT_THROW(p.Calculate(0, 0), EMathParserError);
}

TEST(MathParserState, OutOfMemoryDuringCompilation) {
    // Fail each allocation Compile makes in turn: every failure leaves a
    // failed compilation that Calculate refuses, and bad_alloc goes on.
    const char* formulas[] = {"1.25*X+123456789012345678901234567890", "SIN(X)+FOO(1)",
                              "2 + 3"};
    for (const char* f : formulas) {
        int failures = 0;
        for (long n = 0;; ++n) {
            TCvMathParser p(nullptr);
            p.SetFormula(f);
            bool threw = false;
            gAllocationsLeft = n;
            try {
                p.Compile();
            } catch (const std::bad_alloc&) {
                threw = true;
            }
            gAllocationsLeft = -1;
            if (!threw) break;
            ++failures;
            EXPECT_NE(p.Error(), 0) << f << " allocation " << n;
            EXPECT_THROW(p.Calculate(1, 1), EMathParserError) << f << " allocation " << n;
        }
        EXPECT_GT(failures, 0) << f;  // Compile did allocate, so the test did test
    }
}

// ---------------------------------------------------------------------------
// Floating-point faults during Calculate

struct FaultCase {
    const char* Formula;
    long double X;
    enum Kind { ZeroDivide, InvalidOp, Overflow } Expected;
};

void PrintTo(const FaultCase& C, std::ostream* Os) { *Os << '"' << C.Formula << '"'; }

class MathParserFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(MathParserFaults, RaiseThePlatformException) {
    const FaultCase& c = GetParam();
    TCvMathParser p(nullptr);
    p.SetFormula(c.Formula);
    ASSERT_TRUE(p.Compile()) << c.Formula;
    std::feclearexcept(FE_ALL_EXCEPT);
    try {
        const long double v = p.Calculate(c.X, 0);
        ADD_FAILURE() << c.Formula << " gave " << static_cast<double>(v);
    } catch (const vcl::EZeroDivide& e) {
        EXPECT_EQ(c.Expected, FaultCase::ZeroDivide) << c.Formula;
        EXPECT_EQ(e.Message(), "Floating point division by zero");
    } catch (const vcl::EInvalidOp& e) {
        EXPECT_EQ(c.Expected, FaultCase::InvalidOp) << c.Formula;
        EXPECT_EQ(e.Message(), "Invalid floating point operation");
    } catch (const vcl::EOverflow& e) {
        EXPECT_EQ(c.Expected, FaultCase::Overflow) << c.Formula;
        EXPECT_EQ(e.Message(), "Floating point overflow");
    }
    // The fault leaves nothing behind: the next evaluation is clean.
    EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW), 0);
    p.SetFormula("X+1");
    ASSERT_TRUE(p.Compile());
    EXPECT_EQ(p.Calculate(1, 0), 2);
}

const long double kNaN = std::numeric_limits<long double>::quiet_NaN();

const FaultCase kFaultCases[] = {
    {"1/0", 0, FaultCase::ZeroDivide},
    {"1/X", 0, FaultCase::ZeroDivide},
    {"1/(1/X)", 0, FaultCase::ZeroDivide},  // the result would be finite
    {"LN(0)", 0, FaultCase::ZeroDivide},
    {"LOG(X)", 0, FaultCase::ZeroDivide},
    {"LOG\xC2\xB2(X)", 0, FaultCase::ZeroDivide},
    {"LNXP(-1)", 0, FaultCase::ZeroDivide},
    {"COTAN(0)", 0, FaultCase::ZeroDivide},
    {"0/0", 0, FaultCase::InvalidOp},
    {"LN(-1)", 0, FaultCase::InvalidOp},
    {"LOG(-1)", 0, FaultCase::InvalidOp},
    {"SQRT(-1)", 0, FaultCase::InvalidOp},
    {"ARCSIN(100)", 0, FaultCase::InvalidOp},  // 100 degrees: beyond 1 in radians
    {"ARCCOS(X)", -100, FaultCase::InvalidOp},
    {"ARCCOSH(0)", 0, FaultCase::InvalidOp},
    {"LNXP(-2)", 0, FaultCase::InvalidOp},
    {"CEIL(1E10)", 0, FaultCase::InvalidOp},
    {"FLOOR(X)", 2147483648.0L, FaultCase::InvalidOp},
    {"ROUND(-3E9)", 0, FaultCase::InvalidOp},
    {"ROUND(2147483647.5)", 0, FaultCase::InvalidOp},
    {"TRUNC(X)", kNaN, FaultCase::InvalidOp},
    {"CEIL(X)", std::numeric_limits<long double>::infinity(), FaultCase::InvalidOp},
    {"EXP(100000)", 0, FaultCase::Overflow},
    {"X*X", 1e3000L, FaultCase::Overflow},
    {"SQR(X)", 1e3000L, FaultCase::Overflow},
    {"SINH(X)", 1e6L, FaultCase::Overflow},
    // several faults: the first one counts, as when the FPU trapped it
    {"1/0+LN(-1)", 0, FaultCase::ZeroDivide},
    {"LN(-1)+1/0", 0, FaultCase::InvalidOp},
    {"EXP(100000)-EXP(100000)", 0, FaultCase::Overflow},
    {"1/0-1/0", 0, FaultCase::ZeroDivide},
    {"ROUND(1E10)+1/0", 0, FaultCase::InvalidOp},
    {"1/0+ROUND(1E10)", 0, FaultCase::ZeroDivide},
    // faults whose infinity a later operation absorbs: the result is finite
    {"EXP(-EXP(100000))", 0, FaultCase::Overflow},
    {"ARCTAN(1/0)", 0, FaultCase::ZeroDivide},
    {"TANH(LN(X))", 0, FaultCase::ZeroDivide},
    {"2/(1/X)", 0, FaultCase::ZeroDivide},
    {"X+(2*(3-(4/(1/0))))", 1, FaultCase::ZeroDivide},  // divisor deep in the stack
    {"1-X/(1/0)*2", 5, FaultCase::ZeroDivide},
    // infinite input: inf-inf is invalid as on the FPU
    {"X-X", std::numeric_limits<long double>::infinity(), FaultCase::InvalidOp},
};

INSTANTIATE_TEST_SUITE_P(Table, MathParserFaults, ::testing::ValuesIn(kFaultCases));

TEST(MathParserFlags, CallersPendingFlagsNeitherCauseNorLoseAFault) {
    TCvMathParser p(nullptr);
    p.SetFormula("X+1");
    ASSERT_TRUE(p.Compile());
    std::feclearexcept(FE_ALL_EXCEPT);
    std::feraiseexcept(FE_INVALID);  // left over from the caller's own work
    EXPECT_EQ(p.Calculate(1, 0), 2);
    EXPECT_TRUE(std::fetestexcept(FE_INVALID));
    std::feclearexcept(FE_ALL_EXCEPT);
}

TEST(MathParserFlags, FaultsAreFoundInEveryRoundingMode) {
    // Rounding toward zero, an overflow gives the largest finite value
    // instead of an infinity: it must still be reported.
    TCvMathParser p(nullptr);
    p.SetFormula("EXP(X)*2");
    ASSERT_TRUE(p.Compile());
    const int mode = std::fegetround();
    for (int m : {FE_TOWARDZERO, FE_DOWNWARD, FE_UPWARD}) {
        ASSERT_EQ(std::fesetround(m), 0);
        EXPECT_THROW(p.Calculate(100000, 0), vcl::EOverflow) << m;
        EXPECT_EQ(p.Calculate(0, 0), 2) << m;
    }
    std::fesetround(mode);
    std::feclearexcept(FE_ALL_EXCEPT);
}

TEST(MathParserFlags, NaNAndInfinityInputsAreNoFaults) {
    TCvMathParser p(nullptr);
    p.SetFormula("X+Y*2");
    ASSERT_TRUE(p.Compile());
    EXPECT_TRUE(std::isnan(p.Calculate(kNaN, 1)));
    EXPECT_TRUE(std::isinf(p.Calculate(std::numeric_limits<long double>::infinity(), 1)));
    const long double inf = std::numeric_limits<long double>::infinity();
    const struct {
        const char* Formula;
        long double Expected;
    } cases[] = {{"1/X", 0}, {"EXP(-X)+Y*3", 6}, {"2*ARCTAN(X)", kPi}, {"TANH(X)-Y", -1}};
    for (const auto& c : cases) {
        p.SetFormula(c.Formula);
        ASSERT_TRUE(p.Compile());
        EXPECT_EQ(p.Calculate(inf, 2), c.Expected) << c.Formula;
    }
}

// Calculate runs a pre-decoded form of the code that keeps values in
// registers and fuses operations: its results must be those of the plain
// sequence of extended operations, bit for bit, however deep the stack.
TEST(MathParserEvaluation, ResultsAreThoseOfPlainExtendedArithmetic) {
    using F = long double (*)(long double, long double);
    const struct {
        const char* Formula;
        F Plain;
    } cases[] = {
        {"X*X+2*X*Y-Y/3", [](long double x, long double y) { return x * x + 2 * x * y - y / 3; }},
        {"((X+1)*(Y-2))/((X-3)*(Y+4))",
         [](long double x, long double y) { return ((x + 1) * (y - 2)) / ((x - 3) * (y + 4)); }},
        {"X-(Y-(X-(Y-(X/(Y+0.1)))))",
         [](long double x, long double y) { return x - (y - (x - (y - (x / (y + 0.1L))))); }},
        {"0.1*X+(Y/0.3-(X*0.7+(Y-X/(1.1+Y))))",
         [](long double x, long double y) { return 0.1L * x + (y / 0.3L - (x * 0.7L + (y - x / (1.1L + y)))); }},
        {"X/(Y/(X/(Y/(X-Y*PI))))",
         [](long double x, long double y) { return x / (y / (x / (y / (x - y * kPi)))); }},
        {"-X*-Y+SQR(X-Y)-ABS(Y)/-(X)",
         [](long double x, long double y) { return -x * -y + (x - y) * (x - y) - fabsl(y) / -x; }},
        {"Y/X-2/X+X/Y*3", [](long double x, long double y) { return y / x - 2 / x + x / y * 3; }},
    };
    const long double values[][2] = {{0.5L, 1.5L}, {-3.25L, 7}, {1e300L, -2e-300L}, {3.1L, 0.7L}};
    for (const auto& c : cases) {
        TCvMathParser p(nullptr);
        p.SetFormula(c.Formula);
        ASSERT_TRUE(p.Compile()) << c.Formula << ": " << p.ErrorMsg();
        for (const auto& v : values) {
            long double expected;
            {
                volatile long double x = v[0], y = v[1];  // no folding at build time
                expected = c.Plain(x, y);
            }
            if (!std::isfinite(expected)) continue;
            EXPECT_EQ(p.Calculate(v[0], v[1]), expected)
                << c.Formula << " X=" << static_cast<double>(v[0]) << " Y=" << static_cast<double>(v[1]);
        }
    }
}

// ---------------------------------------------------------------------------
// Published properties

TEST(MathParserProperties, PublishedInOrder) {
    const vcl::TMetaClass& meta = TCvMathParser::StaticClass();
    EXPECT_EQ(meta.ClassName(), "TCvMathParser");
    EXPECT_TRUE(meta.InheritsFrom(vcl::TComponent::StaticClass()));
    std::vector<std::string> names;
    for (const vcl::TPropInfo& pi : meta.OwnProperties()) {
        names.push_back(pi.Name);
        EXPECT_FALSE(pi.OrdDefault || pi.StrDefault || pi.FloatDefault) << pi.Name << " has a default";
    }
    EXPECT_EQ(names, (std::vector<std::string>{"About", "Formula", "Error", "ErrorMsg", "ErrorPos",
                                               "AutoCompile"}));
}

TEST(MathParserProperties, LoadingOrderCompilesWithAutoCompile) {
    // A form file sets the properties in published order: the formula is in
    // place when AutoCompile arrives; Error, ErrorMsg and ErrorPos are ignored.
    const vcl::TMetaClass& meta = TCvMathParser::StaticClass();
    std::unique_ptr<vcl::TComponent> c(meta.Create(nullptr));
    auto& p = dynamic_cast<TCvMathParser&>(*c);
    meta.FindProperty("Formula")->SetStr(p, "x*y");
    meta.FindProperty("Error")->SetOrd(p, 5);
    meta.FindProperty("ErrorMsg")->SetStr(p, "05 - whatever");
    meta.FindProperty("ErrorPos")->SetOrd(p, 17);
    EXPECT_EQ(p.Error(), 0);
    EXPECT_EQ(p.ErrorMsg(), "");
    EXPECT_EQ(p.ErrorPos(), 0);
    EXPECT_THROW(p.Calculate(2, 3), EMathParserError);
    meta.FindProperty("AutoCompile")->SetOrd(p, 1);
    EXPECT_EQ(meta.FindProperty("Formula")->GetStr(p), "X*Y");
    EXPECT_EQ(p.Calculate(2, 3), 6);
    meta.FindProperty("About")->SetOrd(p, 3);
    EXPECT_EQ(p.About(), 3);
}

TEST(MathParserProperties, OwnedByItsOwner) {
    vcl::TComponent owner(nullptr);
    auto* p = new TCvMathParser(&owner);
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), p);
}

}  // namespace
}  // namespace corvane
