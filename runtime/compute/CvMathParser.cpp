// CvMathParser.cpp - the formula compiler and the byte-code evaluator.
#include "CvMathParser.h"

#include <algorithm>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <new>

namespace corvane {

VCL_PUBLISHED(TCvMathParser, vcl::TComponent) {
    B.Property("About", &TCvMathParser::About, &TCvMathParser::SetAbout);
    B.Property("Formula", &TCvMathParser::Formula, &TCvMathParser::SetFormula);
    B.Property("Error", &TCvMathParser::Error, &TCvMathParser::SetE);
    B.Property("ErrorMsg", &TCvMathParser::ErrorMsg, &TCvMathParser::SetEMsg);
    B.Property("ErrorPos", &TCvMathParser::ErrorPos, &TCvMathParser::SetE);
    B.Property("AutoCompile", &TCvMathParser::AutoCompile, &TCvMathParser::SetAutoCompile);
}

static_assert(LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384,
              "the byte code stores operands in the 80-bit x87 extended format");
static_assert(sizeof(long double) >= TCvMathParser::OperandSize);

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr long double kDegToRad = kPi / 180.0L;
constexpr long double kRadToDeg = 180.0L / kPi;
constexpr long double kGradToRad = kPi / 200.0L;
constexpr long double kRadToGrad = 200.0L / kPi;
constexpr long double kTwoPi = 2.0L * kPi;

// Compilation errors; the first two characters are the error number.
const char* const kErrOutOfMemory = "01 - Out of Memory";
const char* const kErrExtended = "02 - Extended not valid";
const char* const kErrOperator = "03 - Operator expected";
const char* const kErrOperand = "04 - Constant, Operator of Function expected";
const char* const kErrCloseParen = "05 - \")\" Expected";
const char* const kErrOpenParen = "06 - \"(\" Expected";
const char* const kErrUnknown = "07 - Unknown Function";
const char* const kErrBracket = "08 - Braket Error";
const char* const kErrFunction = "10 - Error in Function";

// Names of the operations Sin (7) to Trunc (40) in a formula.  "LOG\xB2" is
// LOG followed by the superscript two as the single byte 178, the form the
// name takes in the compiler's name buffer.  The entry for Pi never matches:
// PI is recognised as the constant first.
constexpr int kFirstFunction = static_cast<int>(TOpCodes::Sin);
constexpr int kLastFunction = static_cast<int>(TOpCodes::Trunc);
const char* const kFunctionNames[kLastFunction - kFirstFunction + 1] = {
    "SIN",        "COS",      "TAN",       "SINH",       "COSH",     "TANH",      "ARCSIN",
    "ARCTAN",     "ARCCOS",   "ARCSINH",   "ARCTANH",    "ARCCOSH",  "COTAN",     "CYCLETORAD",
    "DEGTORAD",   "GRADTORAD", "RADTOCYCLE", "RADTODEG", "RADTOGRAD", "LN",       "LNXP",
    "LOG",        "LOG\xB2",  "CEIL",      "FLOOR",      "ABS",      "PI",        "SQRT",
    "SQR",        "INT",      "FRAC",      "EXP",        "ROUND",    "TRUNC"};

constexpr int kEndOfText = -1;
constexpr uint8_t kSuperscriptTwo = 178;  // "²" as a single byte

// Length of a well-formed UTF-8 sequence starting at S[I], or 0.
size_t Utf8SequenceLength(const std::string& S, size_t I) {
    const auto b = [&](size_t k) { return static_cast<uint8_t>(S[k]); };
    const uint8_t c = b(I);
    size_t n;
    uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) { n = 2; cp = c & 0x1Fu; }
    else if (c >= 0xE0 && c <= 0xEF) { n = 3; cp = c & 0x0Fu; }
    else if (c >= 0xF0 && c <= 0xF4) { n = 4; cp = c & 0x07u; }
    else return 0;
    if (I + n > S.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(I + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(I + k) & 0x3Fu);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

// The number of characters in the first ByteCount bytes of S.  A well-formed
// UTF-8 sequence is one character; every other byte (for instance a "²"
// given as the single byte 178) counts as a character of its own.
int32_t CharCount(const std::string& S, size_t ByteCount) {
    ByteCount = std::min(ByteCount, S.size());
    int32_t count = 0;
    for (size_t i = 0; i < ByteCount; ++count) {
        const size_t n = Utf8SequenceLength(S, i);
        i += n ? n : 1;
    }
    return count;
}

// strtold in the "C" locale: the decimal separator is always ".".
long double StrToExtendedC(const char* Text, char** End) {
    static const locale_t c_locale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return c_locale ? strtold_l(Text, End, c_locale) : strtold(Text, End);
}

}  // namespace

// ---------------------------------------------------------------------------
// The compiler: a recursive-descent parser over the upper-cased formula that
// writes the byte code straight into the component's code buffer.

class TCvMathParserCompiler {
public:
    explicit TCvMathParserCompiler(TCvMathParser& P) : FP(P), FText(P.FFormula) {}

    void Run() {
        Expression();
        Emit(TOpCodes::Stop);
    }

    // The error position: 0-based and counted in characters (code points),
    // as every position in a string is.  For ASCII formulas it is the byte
    // index; "LOG²" typed as UTF-8 counts its "²" as one character.
    int32_t ErrorPos() const { return FPos == 0 ? 0 : CharCount(FText, FPos - 1); }

private:
    [[noreturn]] void Fail(const char* Message) { throw EMathParserError(Message); }

    // Reads the next character; kEndOfText past the end.  A NUL byte inside
    // the text is an ordinary (invalid) character, so text after it is
    // never silently ignored.
    void NextChar() {
        ++FPos;
        if (FPos > FText.size()) {
            FCh = kEndOfText;
            return;
        }
        int c = static_cast<uint8_t>(FText[FPos - 1]);
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        FCh = c;
    }

    static bool IsOperatorOrEnd(int C) {
        return C == kEndOfText || C == ')' || C == '*' || C == '+' || C == '-' || C == '/';
    }

    void Emit(TOpCodes Op) {
        if (FP.FCodeSize > TCvMathParser::CodeCapacity - 1) Fail(kErrOutOfMemory);
        switch (Op) {
            case TOpCodes::LoadVarX:
            case TOpCodes::LoadVarY:
            case TOpCodes::Push:
            case TOpCodes::Pi:
                // A formula that needs more values than the evaluation stack
                // holds is refused here, so evaluation never checks.
                if (++FStack > TCvMathParser::StackSize) Fail(kErrOutOfMemory);
                break;
            case TOpCodes::Add:
            case TOpCodes::Sub:
            case TOpCodes::Mult:
            case TOpCodes::Divi:
                --FStack;
                break;
            default:
                break;
        }
        FP.FCode[FP.FCodeSize++] = static_cast<uint8_t>(Op);
    }

    void EmitPush(long double Value) {
        Emit(TOpCodes::Push);
        if (FP.FCodeSize + TCvMathParser::OperandSize > TCvMathParser::CodeCapacity - 2)
            Fail(kErrOutOfMemory);
        std::memcpy(FP.FCode + FP.FCodeSize, &Value, TCvMathParser::OperandSize);
        FP.FCodeSize += TCvMathParser::OperandSize;
    }

    // expression = factor { "+" factor term | "-" factor term | ("*"|"/") term }
    void Expression() {
        Factor();
        do {
            switch (FCh) {
                case '+':
                    Factor();
                    Term();
                    Emit(TOpCodes::Add);
                    break;
                case '-':
                    Factor();
                    Term();
                    Emit(TOpCodes::Sub);
                    break;
                case '*':
                case '/':
                    Term();
                    break;
                case kEndOfText:
                    break;
                case ')':
                    if (FDepth == 0) Fail(kErrBracket);
                    break;
                default:
                    Fail(kErrOperator);
            }
            if (FCh == ')' && FDepth == 0) Fail(kErrBracket);
        } while (FCh != kEndOfText && FCh != ')');
    }

    // term = { "*" factor | "/" factor }, applied to the value already computed.
    void Term() {
        while (FCh == '*' || FCh == '/') {
            const int op = FCh;
            Factor();
            Emit(op == '*' ? TOpCodes::Mult : TOpCodes::Divi);
        }
    }

    // factor = [ "-" ] ( "(" expression ")" | number | X | Y | PI | name "(" expression ")" )
    void Factor() {
        NextChar();
        if (FCh == kEndOfText || FCh == ')') Fail(kErrOperand);
        bool negate = false;
        if (FCh == '-') {
            negate = true;
            NextChar();
        }
        if (FCh == '(') {
            // The parenthesis depth also bounds the recursion of the parser.
            if (++FDepth > TCvMathParser::MaxNesting) Fail(kErrOutOfMemory);
            Expression();
            --FDepth;
            if (FCh != ')') Fail(kErrCloseParen);
            NextChar();
            if (negate) Emit(TOpCodes::Neg);
            return;
        }
        if (FCh >= '0' && FCh <= '9') {
            Number(negate);
            return;
        }
        // Gather a name.  Names longer than the buffer match nothing.
        char name[16];
        size_t len = 0;
        for (;;) {
            int c;
            if ((FCh >= 'A' && FCh <= 'Z') || FCh == kSuperscriptTwo) {
                c = FCh;
            } else if (FCh == 0xC2 && FPos < FText.size() &&
                       static_cast<uint8_t>(FText[FPos]) == kSuperscriptTwo) {
                // "²" as UTF-8 (C2 B2): one character, stored as the byte 178.
                c = kSuperscriptTwo;
                ++FPos;
            } else {
                break;
            }
            if (len < sizeof(name)) name[len] = static_cast<char>(c);
            ++len;
            NextChar();
        }
        const bool fits = len < sizeof(name);
        if (fits) name[len] = '\0';
        if (fits && std::strcmp(name, "X") == 0) {
            Emit(TOpCodes::LoadVarX);
        } else if (fits && std::strcmp(name, "Y") == 0) {
            Emit(TOpCodes::LoadVarY);
        } else if (fits && std::strcmp(name, "PI") == 0) {
            EmitPush(kPi);
            if (!IsOperatorOrEnd(FCh)) Fail(kErrOperator);
        } else {
            int code = -1;
            if (fits && len > 0)
                for (int i = kFirstFunction; i <= kLastFunction; ++i)
                    if (std::strcmp(name, kFunctionNames[i - kFirstFunction]) == 0) {
                        code = i;
                        break;
                    }
            if (code < 0) Fail(kErrUnknown);
            if (FCh != '(') Fail(kErrOpenParen);
            --FPos;  // the argument's factor reads the "(" again
            Factor();
            Emit(static_cast<TOpCodes>(code));
        }
        if (negate) Emit(TOpCodes::Neg);
    }

    // A number starts at the current character, a digit: digits, an optional
    // "." with digits, an optional exponent "E" with optional sign and digits.
    void Number(bool Negative) {
        const size_t start = FPos - 1;
        size_t end = start;
        const auto at = [&](size_t i) -> int {
            if (i >= FText.size()) return kEndOfText;
            const int c = static_cast<uint8_t>(FText[i]);
            return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
        };
        const auto digit = [&](size_t i) { return at(i) >= '0' && at(i) <= '9'; };
        while (digit(end)) ++end;
        if (at(end) == '.') {
            ++end;
            while (digit(end)) ++end;
        }
        bool exponentValid = true;
        if (at(end) == 'E') {
            ++end;
            if (at(end) == '+' || at(end) == '-') ++end;
            exponentValid = digit(end);
            while (digit(end)) ++end;
        }
        // The scan above takes what a decimal conversion would read before it
        // stops; the conversion itself then refuses an exponent without
        // digits and values beyond the extended range.
        if (!exponentValid) Fail(kErrExtended);
        std::string text;
        if (Negative) text += '-';
        text.append(FText, start, end - start);
        char* stop = nullptr;
        const long double value = StrToExtendedC(text.c_str(), &stop);
        if (stop != text.c_str() + text.size() || std::isinf(value)) Fail(kErrExtended);
        EmitPush(value);
        FPos = end;  // the last character of the number
        NextChar();
        if (!IsOperatorOrEnd(FCh)) Fail(kErrOperator);
    }

    TCvMathParser& FP;
    const std::string& FText;
    size_t FPos = 0;       // 1-based position of the character last read
    int FCh = kEndOfText;  // the character there, upper-cased
    int32_t FDepth = 0;    // parenthesis depth
    int32_t FStack = 0;    // values on the evaluation stack at this point of the code
};

// ---------------------------------------------------------------------------
// The evaluator.
//
// Calculate runs a pre-decoded form of the byte code, made by BuildProgram
// after each successful compilation: the same operations in the same order on
// the same extended values, but a binary operation whose right operand is X,
// Y or a constant takes it directly instead of through the stack, and the
// constants sit aligned in a table of their own.  This keeps most values in
// the FPU's registers; the results are bit for bit those of the byte code.
//
// Faults are found without reading the floating-point status, which would
// hold up the processor until every pending operation is done.  Rounding to
// nearest, a fault always leaves an infinity (division by zero, overflow) or
// a NaN (invalid operation) behind.  A NaN always reaches the result.  An
// infinity does too, unless an operation absorbs it: a division by it, or a
// function (EXP(-inf), ARCTAN(inf), TANH(inf)); so the fast run stops at a
// division by a computed infinity and at a function of an infinity.  An
// infinite or NaN result, such a stop, an integer conversion out of range or
// another rounding mode sends the evaluation down the slow road: the byte
// code itself is run again with the sticky flags tested after each
// instruction.  That run raises the platform exception of the first fault,
// as the FPU trapped it on the original platform, or returns the value when
// there was none (infinite or NaN X or Y, say).

namespace {

constexpr int kFaultFlags = FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW;

[[noreturn]] void RaiseFloatFault(int Flags) {
    std::feclearexcept(kFaultFlags);
    if (Flags & FE_DIVBYZERO) throw vcl::EZeroDivide("Floating point division by zero");
    if (Flags & FE_INVALID) throw vcl::EInvalidOp("Invalid floating point operation");
    throw vcl::EOverflow("Floating point overflow");
}

// The fault flags raised so far.  Taking the result as an operand makes sure
// the computation is complete before the flags are read.
inline int PendingFaults(const long double& Result) {
    long double r = Result;
    __asm__ volatile("" : "+m"(r));
    return std::fetestexcept(kFaultFlags);
}

// Neither infinite nor NaN.  A quiet comparison with an infinity given as a
// float: cheaper than loading the largest extended value.
inline bool IsFinite(long double V) {
    return __builtin_isless(fabsl(V), static_cast<long double>(std::numeric_limits<float>::infinity()));
}

// True when the FPU rounds to nearest (the default).
inline bool RoundsToNearest() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    unsigned short control;
    __asm__("fnstcw %0" : "=m"(control));
    return (control & 0x0C00) == 0;
#else
    return std::fegetround() == FE_TONEAREST;
#endif
}

// The operand of Push, read in place: x87 loads need no alignment.
typedef long double TUnalignedExtended __attribute__((aligned(1), may_alias));
inline long double LoadOperand(const uint8_t* P) { return *reinterpret_cast<const TUnalignedExtended*>(P); }

inline bool FitsInteger(long double V) { return V >= -2147483648.0L && V <= 2147483647.0L; }

// The operations shared by both evaluators: one-operand functions.  The
// integer ones set Bad for a value outside the 32-bit range (or NaN).
long double ApplyFunction(TOpCodes Op, long double Top, bool& Bad) {
    long double r;
    switch (Op) {
        // The trigonometric functions take their argument in degrees; so do
        // the inverse ones, whose result is in radians.
        case TOpCodes::Sin: return sinl(Top * kDegToRad);
        case TOpCodes::Cos: return cosl(Top * kDegToRad);
        case TOpCodes::Tan: return tanl(Top * kDegToRad);
        case TOpCodes::Sinh: return sinhl(Top * kDegToRad);
        case TOpCodes::Cosh: return coshl(Top * kDegToRad);
        case TOpCodes::Tanh: return tanhl(Top * kDegToRad);
        case TOpCodes::ArcSin: return asinl(Top * kDegToRad);
        case TOpCodes::ArcTan: return atanl(Top * kDegToRad);
        case TOpCodes::ArcCos: return acosl(Top * kDegToRad);
        case TOpCodes::ArcSinh: return asinhl(Top * kDegToRad);
        case TOpCodes::ArcTanh: return atanhl(Top * kDegToRad);
        case TOpCodes::ArcCosh: return acoshl(Top * kDegToRad);
        case TOpCodes::CoTan: return 1.0L / tanl(Top * kDegToRad);
        case TOpCodes::CycleToRad: return Top * kTwoPi;
        case TOpCodes::DegToRad: return Top * kDegToRad;
        case TOpCodes::GradToRad: return Top * kGradToRad;
        case TOpCodes::RadToCycle: return Top / kTwoPi;
        case TOpCodes::RadToDeg: return Top * kRadToDeg;
        case TOpCodes::RadToGrad: return Top * kRadToGrad;
        case TOpCodes::Ln: return logl(Top);
        case TOpCodes::LnXP1: return log1pl(Top);
        case TOpCodes::Log: return log10l(Top);
        case TOpCodes::Log2: return log2l(Top);
        case TOpCodes::Abs: return fabsl(Top);
        case TOpCodes::Sqrt: return sqrtl(Top);
        case TOpCodes::Sqr: return Top * Top;
        case TOpCodes::Exp: return expl(Top);
        case TOpCodes::Int: return truncl(Top);
        case TOpCodes::Frac: return Top - truncl(Top);
        // Through a 32-bit signed integer, stored back as a float.
        case TOpCodes::Ceil: r = ceill(Top); break;
        case TOpCodes::Floor: r = floorl(Top); break;
        case TOpCodes::Round: r = rintl(Top); break;  // current mode: nearest, halves to even
        case TOpCodes::Trunc: r = truncl(Top); break;
        case TOpCodes::Neg: return -Top;
        default: return Top;
    }
    if (!FitsInteger(r)) {
        Bad = true;
        return 0;
    }
    return static_cast<long double>(static_cast<int32_t>(r));
}

// Runs the byte code testing the flags after each instruction; raises the
// exception of the first fault.  Slow: only for finding a fault.
long double ExecuteChecked(const uint8_t* Ip, long double X, long double Y) {
    long double stack[TCvMathParser::StackSize + 1];
    long double top = 0;  // the top of the stack lives outside the array
    int sp = 0;           // values below the top
    for (;;) {
        const auto op = static_cast<TOpCodes>(*Ip++);
        switch (op) {
            case TOpCodes::LoadVarX: stack[sp++] = top; top = X; break;
            case TOpCodes::LoadVarY: stack[sp++] = top; top = Y; break;
            case TOpCodes::Push:
                stack[sp++] = top;
                top = LoadOperand(Ip);
                Ip += TCvMathParser::OperandSize;
                break;
            case TOpCodes::Pi: stack[sp++] = top; top = kPi; break;
            case TOpCodes::Add: top = stack[--sp] + top; break;
            case TOpCodes::Sub: top = stack[--sp] - top; break;
            case TOpCodes::Mult: top = stack[--sp] * top; break;
            case TOpCodes::Divi: top = stack[--sp] / top; break;
            default:
                if (op >= TOpCodes::Stop) return sp <= 1 ? top : stack[1];
                bool bad = false;
                top = ApplyFunction(op, top, bad);
                if (bad) RaiseFloatFault(FE_INVALID);
                break;
        }
        if (const int flags = PendingFaults(top)) RaiseFloatFault(flags);
    }
}

// Operations of the pre-decoded program.  Functions keep their byte-code
// values (7 to 41, Pi excepted); the others are numbered above them.  The
// two values just below the top live in registers (slots 0 and 1), deeper
// ones in a stack array; each push and binary operation knows statically
// which of them it uses.
enum TFastOp : uint8_t {
    fpStop = static_cast<uint8_t>(TOpCodes::Stop),
    fpStopSlot0,                // stop; the result is the bottom value (hand-made code)
    // Leaves: X, Y, the next constant (K), the next constant that a double
    // holds exactly (D: loaded from 8 bytes instead of 10, which is faster).
    fpSetX, fpSetY, fpSetK, fpSetD,  // the first value: nothing below it to keep
    fpPushX0, fpPushY0, fpPushK0, fpPushD0,  // push a leaf: the top goes to slot 0
    fpPushX1, fpPushY1, fpPushK1, fpPushD1,  // ... to slot 1
    fpPushXM, fpPushYM, fpPushKM, fpPushDM,  // ... to the stack array
    fpAdd0, fpSub0, fpMul0, fpDiv0,  // slot 0 (op) top
    fpAdd1, fpSub1, fpMul1, fpDiv1,  // slot 1 (op) top
    fpAddM, fpSubM, fpMulM, fpDivM,  // stack array (op) top
    fpAddX, fpAddY, fpAddK, fpAddD, fpSubX, fpSubY, fpSubK, fpSubD,  // top (op) a leaf
    fpMulX, fpMulY, fpMulK, fpMulD, fpDivX, fpDivY, fpDivK, fpDivD,
};

// Runs the pre-decoded program.  Sets Suspect, and stops, where a fault may
// have happened that the result would not show: an integer conversion out
// of range, a division by an infinity, a function of an infinity.  Deep is
// false for programs that need no more than the top and two slots (most
// formulas): their frame then has no stack array, which makes a call
// measurably cheaper; the array operations then only send the evaluation
// down the slow road, should they ever be reached.
template <bool Deep>
__attribute__((always_inline)) inline long double RunProgram(const uint8_t* Op, const long double* K,
                                                             const double* D, long double X,
                                                             long double Y, bool& Suspect) {
    long double stack[Deep ? TCvMathParser::StackSize : 1];
    long double top = 0, slot0 = 0, slot1 = 0;
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    // Take X and Y into FPU registers once: otherwise the compiler reloads
    // them from the argument area for every use, and 80-bit loads are slow.
    __asm__("" : "+t"(X));
    __asm__("" : "+t"(Y));
#endif
    int sp = 0;  // values in the stack array
#define CV_SUSPECT_IF_INF(V) \
    if (std::isinf(V)) {     \
        Suspect = true;      \
        return 0;            \
    }
#define CV_IN_ARRAY(Statement) \
    if constexpr (Deep) {       \
        Statement;              \
    } else {                    \
        Suspect = true;         \
        return 0;               \
    }
    for (;;) {
        switch (*Op++) {
            case fpSetX: top = X; break;
            case fpSetY: top = Y; break;
            case fpSetK: top = *K++; break;
            case fpSetD: top = *D++; break;
            case fpPushX0: slot0 = top; top = X; break;
            case fpPushY0: slot0 = top; top = Y; break;
            case fpPushK0: slot0 = top; top = *K++; break;
            case fpPushD0: slot0 = top; top = *D++; break;
            case fpPushX1: slot1 = top; top = X; break;
            case fpPushY1: slot1 = top; top = Y; break;
            case fpPushK1: slot1 = top; top = *K++; break;
            case fpPushD1: slot1 = top; top = *D++; break;
            case fpPushXM: CV_IN_ARRAY(stack[sp++] = top; top = X) break;
            case fpPushYM: CV_IN_ARRAY(stack[sp++] = top; top = Y) break;
            case fpPushKM: CV_IN_ARRAY(stack[sp++] = top; top = *K++) break;
            case fpPushDM: CV_IN_ARRAY(stack[sp++] = top; top = *D++) break;
            case fpAdd0: top = slot0 + top; break;
            case fpSub0: top = slot0 - top; break;
            case fpMul0: top = slot0 * top; break;
            case fpDiv0: CV_SUSPECT_IF_INF(top) top = slot0 / top; break;
            case fpAdd1: top = slot1 + top; break;
            case fpSub1: top = slot1 - top; break;
            case fpMul1: top = slot1 * top; break;
            case fpDiv1: CV_SUSPECT_IF_INF(top) top = slot1 / top; break;
            case fpAddM: CV_IN_ARRAY(top = stack[--sp] + top) break;
            case fpSubM: CV_IN_ARRAY(top = stack[--sp] - top) break;
            case fpMulM: CV_IN_ARRAY(top = stack[--sp] * top) break;
            case fpDivM: CV_SUSPECT_IF_INF(top) CV_IN_ARRAY(top = stack[--sp] / top) break;
            // A divisor X, Y or constant is no fault's infinity: no check.
            case fpAddX: top = top + X; break;
            case fpAddY: top = top + Y; break;
            case fpAddK: top = top + *K++; break;
            case fpAddD: top = top + *D++; break;
            case fpSubX: top = top - X; break;
            case fpSubY: top = top - Y; break;
            case fpSubK: top = top - *K++; break;
            case fpSubD: top = top - *D++; break;
            case fpMulX: top = top * X; break;
            case fpMulY: top = top * Y; break;
            case fpMulK: top = top * *K++; break;
            case fpMulD: top = top * *D++; break;
            case fpDivX: top = top / X; break;
            case fpDivY: top = top / Y; break;
            case fpDivK: top = top / *K++; break;
            case fpDivD: top = top / *D++; break;
            case static_cast<uint8_t>(TOpCodes::Neg): top = -top; break;
            case static_cast<uint8_t>(TOpCodes::Abs): top = fabsl(top); break;
            case static_cast<uint8_t>(TOpCodes::Sqr): top = top * top; break;
            case fpStop: return top;
            case fpStopSlot0: return slot0;
            default:
                CV_SUSPECT_IF_INF(top)
                top = ApplyFunction(static_cast<TOpCodes>(Op[-1]), top, Suspect);
                if (Suspect) return 0;
                break;
        }
    }
#undef CV_IN_ARRAY
#undef CV_SUSPECT_IF_INF
}

// The deep programs' evaluation, out of line so that its stack array stays
// out of Calculate's frame.
__attribute__((noinline)) long double RunDeepProgram(const uint8_t* Op, const long double* K,
                                                     const double* D, const long double& X,
                                                     const long double& Y, bool& Suspect) {
    return RunProgram<true>(Op, K, D, X, Y, Suspect);
}

}  // namespace

void TCvMathParser::BuildProgram() {
    FProgram.clear();
    FConstants.clear();
    FDoubles.clear();
    FDeep = false;
    // The values on the stack before each instruction are known here, so
    // each push and binary operation is told where its value below the top
    // lives: slot 0, slot 1 or the stack array.
    static const uint8_t pushes[3][4] = {{fpPushX0, fpPushY0, fpPushK0, fpPushD0},
                                         {fpPushX1, fpPushY1, fpPushK1, fpPushD1},
                                         {fpPushXM, fpPushYM, fpPushKM, fpPushDM}};
    static const uint8_t binaries[3] = {fpAdd0, fpAdd1, fpAddM};
    static const uint8_t fused[4][4] = {{fpAddX, fpAddY, fpAddK, fpAddD},
                                        {fpSubX, fpSubY, fpSubK, fpSubD},
                                        {fpMulX, fpMulY, fpMulK, fpMulD},
                                        {fpDivX, fpDivY, fpDivK, fpDivD}};
    const auto where = [](int Below) { return Below < 2 ? Below : 2; };
    int depth = 0;  // values on the stack before the instruction
    for (int32_t i = 0; i < FCodeSize;) {
        const auto op = static_cast<TOpCodes>(FCode[i++]);
        if (op >= TOpCodes::Stop) break;
        int leaf = -1;  // a leaf: 0 X, 1 Y, 2 a constant, 3 a constant a double holds
        if (op == TOpCodes::LoadVarX) {
            leaf = 0;
        } else if (op == TOpCodes::LoadVarY) {
            leaf = 1;
        } else if (op == TOpCodes::Push || op == TOpCodes::Pi) {
            long double value = kPi;
            if (op == TOpCodes::Push) {
                value = LoadOperand(FCode + i);
                i += OperandSize;
            }
            const double narrow = static_cast<double>(value);
            if (static_cast<long double>(narrow) == value) {
                leaf = 3;
                FDoubles.push_back(narrow);
            } else {
                leaf = 2;
                FConstants.push_back(value);
            }
        }
        if (leaf >= 0) {
            const auto next = i < FCodeSize ? static_cast<TOpCodes>(FCode[i]) : TOpCodes::Stop;
            if (depth > 0 && next >= TOpCodes::Add && next <= TOpCodes::Divi) {
                // A binary operation whose right operand is this leaf.
                FProgram.push_back(fused[static_cast<int>(next) - static_cast<int>(TOpCodes::Add)][leaf]);
                ++i;
            } else if (depth == 0) {
                FProgram.push_back(static_cast<uint8_t>(fpSetX + leaf));
                depth = 1;
            } else {
                if (depth >= StackSize) break;  // never for compiled code
                FProgram.push_back(pushes[where(depth - 1)][leaf]);
                if (++depth > 3) FDeep = true;
            }
            continue;
        }
        if (op >= TOpCodes::Add && op <= TOpCodes::Divi) {
            if (depth < 2) break;  // never for compiled code
            FProgram.push_back(static_cast<uint8_t>(binaries[where(depth - 2)] +
                                                    (static_cast<int>(op) - static_cast<int>(TOpCodes::Add))));
            --depth;
            continue;
        }
        FProgram.push_back(static_cast<uint8_t>(op));  // a function or Neg
    }
    // The result is the bottom value: for compiled code the only one.
    FProgram.push_back(depth >= 2 ? fpStopSlot0 : fpStop);
}

// ---------------------------------------------------------------------------
// TCvMathParser

TCvMathParser::TCvMathParser(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) {}

void TCvMathParser::SetFormula(const std::string& Value) {
    if (Value == FFormula) return;
    std::string upper = Value;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    FFormula = std::move(upper);
    if (FAutoCompile) Compile();
}

void TCvMathParser::SetE(int32_t) {}

void TCvMathParser::SetEMsg(const std::string&) {}

void TCvMathParser::SetAutoCompile(bool Value) {
    if (Value == FAutoCompile) return;
    FAutoCompile = Value;
    if (FAutoCompile && !FFormula.empty()) Compile();
}

bool TCvMathParser::Compile() {
    FError = 0;
    FErrorMsg.clear();
    FCompiled = false;
    FCodeSize = 0;
    TCvMathParserCompiler compiler(*this);
    try {
        compiler.Run();
        BuildProgram();
        FCompiled = true;
        return true;
    } catch (const EMathParserError& E) {
        const std::string& msg = E.Message();
        FError = (msg[0] - '0') * 10 + (msg[1] - '0');
        FErrorPos = compiler.ErrorPos();
        FErrorMsg = msg;  // Error is already set should this run out of memory
        vcl::CallEvent(FOnError, this);
        return false;
    } catch (...) {
        // Anything else (out of memory, say) leaves a failed compilation
        // behind, so that Calculate refuses the partial code, and goes on.
        const bool outOfMemory = [] {
            try {
                throw;
            } catch (const std::bad_alloc&) {
                return true;
            } catch (...) {
                return false;
            }
        }();
        FError = outOfMemory ? 1 : 10;
        FErrorPos = compiler.ErrorPos();
        try {
            FErrorMsg = outOfMemory ? kErrOutOfMemory : kErrFunction;
        } catch (...) {
            FErrorMsg.clear();
        }
        throw;
    }
}

long double TCvMathParser::Calculate(long double X, long double Y) {
    if (FError != 0 || !FCompiled) throw EMathParserError(kErrFunction);
    if (RoundsToNearest()) {  // see "Faults are found" above
        bool suspect = false;
        const long double result =
            FDeep ? RunDeepProgram(FProgram.data(), FConstants.data(), FDoubles.data(), X, Y, suspect)
                  : RunProgram<false>(FProgram.data(), FConstants.data(), FDoubles.data(), X, Y, suspect);
        if (!suspect && IsFinite(result)) return result;
    }
    // Run the byte code again, checking each step.  When it finds no fault,
    // the flags pending now were the caller's (the same operations raised
    // nothing the first time either): they are put back.  After a fault the
    // flags are cleared.
    fexcept_t pending;
    std::fegetexceptflag(&pending, kFaultFlags);
    std::feclearexcept(kFaultFlags);
    const long double result = ExecuteChecked(FCode, X, Y);
    std::fesetexceptflag(&pending, kFaultFlags);
    return result;
}

}  // namespace corvane
