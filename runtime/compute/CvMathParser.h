// CvMathParser.h - TCvMathParser: a formula in X and Y compiled once into a
// compact byte code and evaluated quickly for any pair of values.
//
//     TCvMathParser p(nullptr);
//     p.SetFormula("sin(x)*2+y");       // stored as "SIN(X)*2+Y"
//     if (p.Compile()) v = p.Calculate(30, 1);   // 2
//     else show(p.ErrorMsg(), p.ErrorPos());
//
// Syntax errors never leave Compile as exceptions: they are reported through
// Error, ErrorMsg, ErrorPos and OnError.  Calculate raises EMathParserError
// "10 - Error in Function" while no compilation has succeeded, and the
// platform's floating-point exceptions (EZeroDivide, EInvalidOp, EOverflow)
// for faults during the evaluation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Classes.h"

namespace corvane {

class EMathParserError : public vcl::Exception {
public:
    using vcl::Exception::Exception;
};

// The operations of the byte code.  Push is followed by its operand, a
// 10-byte x87 extended value (little-endian); every other instruction is one
// byte.  A compiled formula ends with Stop.
VCL_ENUM_CLASS(TOpCodes, LoadVarX, LoadVarY, Push, Add, Sub, Mult, Divi, Sin, Cos, Tan, Sinh,
               Cosh, Tanh, ArcSin, ArcTan, ArcCos, ArcSinh, ArcTanh, ArcCosh, CoTan, CycleToRad,
               DegToRad, GradToRad, RadToCycle, RadToDeg, RadToGrad, Ln, LnXP1, Log, Log2, Ceil,
               Floor, Abs, Pi, Sqrt, Sqr, Int, Frac, Exp, Round, Trunc, Neg, Stop)

class TCvMathParser : public vcl::TComponent {
    VCL_DECLARE_CLASS(TCvMathParser)
public:
    // Size of a Push operand in the code: the 80-bit extended format.
    static constexpr int32_t OperandSize = 10;
    // Room of the code buffer.  An instruction byte may be appended while the
    // code holds at most 10001 bytes, a Push operand only if the code then
    // holds at most 10000 bytes.
    static constexpr int32_t CodeCapacity = 10002;
    // Values the evaluation stack holds; formulas that need more are refused
    // by Compile with error 01.
    static constexpr int32_t StackSize = 256;
    // Deepest nesting of parentheses (function arguments included) that
    // Compile accepts; deeper formulas are refused with error 01.
    static constexpr int32_t MaxNesting = 256;

    explicit TCvMathParser(vcl::TComponent* AOwner);

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }

    // The formula, always held in upper case (only a to z change).  Setting
    // a different text compiles it when AutoCompile is set.
    std::string Formula() const { return FFormula; }
    void SetFormula(const std::string& Value);

    // Number of the last compilation error, 0 after a successful one.
    int32_t Error() const { return FError; }
    void SetE(int32_t Value);  // ignores the value (published for display only)
    // Full text of the last compilation error, empty after success.
    std::string ErrorMsg() const { return FErrorMsg; }
    void SetEMsg(const std::string& Value);  // ignores the value
    // 0-based index, in characters, of the character of Formula at which the
    // last error was found (the length of the formula for its end).
    int32_t ErrorPos() const { return FErrorPos; }

    bool AutoCompile() const { return FAutoCompile; }
    void SetAutoCompile(bool Value);

    // Called after a compilation error has been recorded.
    const vcl::TNotifyEvent& OnError() const { return FOnError; }
    void SetOnError(vcl::TNotifyEvent Value) { FOnError = std::move(Value); }

    // Translates Formula into byte code; True on success, False after a
    // syntax error (recorded in Error, ErrorMsg, ErrorPos).
    bool Compile();
    // Evaluates the compiled code for X and Y.  Changes nothing in the
    // component, so several threads may evaluate one compiled formula at once
    // (as long as none compiles it meanwhile).
    long double Calculate(long double X, long double Y);

    // Read-only access to the compiled code, for tests and tools.  After a
    // failed compilation it holds the unterminated prefix compiled so far.
    const uint8_t* Code() const { return FCode; }
    int32_t CodeSize() const { return FCodeSize; }

private:
    friend class TCvMathParserCompiler;
    friend class TCvMathParserTestAccess;  // lets tests place hand-made code

    // Pre-decodes the code for Calculate (FProgram, FConstants, FDoubles).
    void BuildProgram();

    uint8_t FAbout = 0;
    std::string FFormula;
    int32_t FError = 0;
    std::string FErrorMsg;
    int32_t FErrorPos = 0;
    bool FAutoCompile = false;
    bool FCompiled = false;  // the code buffer holds a complete, checked program
    vcl::TNotifyEvent FOnError;
    int32_t FCodeSize = 0;
    uint8_t FCode[CodeCapacity] = {};
    std::vector<uint8_t> FProgram;        // the code pre-decoded for Calculate
    std::vector<long double> FConstants;  // its Push operands, in order
    std::vector<double> FDoubles;         // ... those a double holds exactly
    bool FDeep = false;                   // FProgram needs the stack array
};

}  // namespace corvane
