// SysUtils.h - strings, formatting and conversions of the run-time library.
//
// Strings are std::string holding UTF-8.  Two families of position helpers
// exist side by side:
//   * Pos, PosEx, Copy, Delete, Insert count BYTES (1-based), exactly as the
//     classic routines do on byte strings.  They are the right tool for ASCII
//     syntax (paths, numbers, identifiers, protocol text) and never split a
//     string differently from what the caller asked for.
//   * Utf8Length, Utf8Copy, Utf8Pos, Utf8Delete, Utf8Insert count CODE POINTS
//     (1-based).  Use them wherever a position or length is a number of
//     characters seen by a user.  A byte that does not start a valid UTF-8
//     sequence counts as one character of its own.
// No routine here throws on an index out of range: indexes clamp as in the
// classic run-time library.
//
// UpperCase/LowerCase/CompareText/SameText change or fold only ASCII letters.
// The Ansi* variants fold letters of Latin-1, Latin Extended-A, the common
// parts of Latin Extended-B and Latin Extended Additional, Greek, Cyrillic and
// the full-width ASCII forms; "ß" has no single upper-case letter and stays.
// AnsiCompareText orders by the case-folded code points (no locale collation).
//
// Number formatting reads its separators and currency conventions from
// FormatSettings() (DateTime.h), a process-wide record the application sets
// up once at start-up (like the classic global format settings it is not
// synchronised: change it before other threads format numbers).  Every
// routine that depends on it also has an overload taking explicit settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "Exceptions.h"
#include "Sets.h"
#include "System.h"

namespace vcl {

// ---------------------------------------------------------------------------
// Number format settings: the DecimalSeparator, ThousandSeparator ('\0' for
// no grouping) and currency fields of TFormatSettings (DateTime.h).  The
// routines without a settings argument use FormatSettings().

struct TFormatSettings;

// Settings with '.' as decimal separator and no thousand separator, for
// locale-independent text (files, formulas, protocols).
const TFormatSettings& DotFormatSettings();

// ---------------------------------------------------------------------------
// UTF-8 primitives

// Decodes the code point at S[Pos] and advances Pos past it.  An invalid or
// truncated sequence yields U+FFFD and advances by one byte.
char32_t Utf8Decode(std::string_view S, size_t& Pos);
// Encodes a code point; values above U+10FFFF and surrogates give U+FFFD.
std::string Utf8Encode(char32_t CodePoint);

// Simple case mapping of one code point (see the header comment for the
// scripts covered); other code points are returned unchanged.
char32_t UnicodeUpperCase(char32_t CodePoint);
// The case-folded form of a name, for case-insensitive keys: ASCII letters
// and the letters UnicodeUpperCase maps, in upper case.  Bytes that are not
// valid UTF-8 stay as they are, so two different names never fold to the
// same text through a replacement character.
std::string FoldName(std::string_view S);
char32_t UnicodeLowerCase(char32_t CodePoint);

// ---------------------------------------------------------------------------
// Case and comparison

std::string UpperCase(const std::string& S);  // ASCII a-z only
std::string LowerCase(const std::string& S);  // ASCII A-Z only
std::string AnsiUpperCase(const std::string& S);
std::string AnsiLowerCase(const std::string& S);

// <0, 0 or >0.  CompareStr compares bytes (for valid UTF-8 that is code point
// order); CompareText folds ASCII letters to upper case first.
int CompareStr(const std::string& S1, const std::string& S2);
int CompareText(std::string_view S1, std::string_view S2);
bool SameStr(const std::string& S1, const std::string& S2);
bool SameText(std::string_view S1, std::string_view S2);
int AnsiCompareStr(const std::string& S1, const std::string& S2);
int AnsiCompareText(const std::string& S1, const std::string& S2);
bool AnsiSameStr(const std::string& S1, const std::string& S2);
bool AnsiSameText(const std::string& S1, const std::string& S2);

// ---------------------------------------------------------------------------
// Trimming, searching and editing (byte positions, 1-based)

// Remove the characters <= ' ' (control characters and blanks) at the ends.
std::string Trim(const std::string& S);
std::string TrimLeft(const std::string& S);
std::string TrimRight(const std::string& S);

// The byte position of the first Sub in S, 0 when absent or Sub is empty.
int Pos(const std::string& Sub, const std::string& S);
// The same, starting the search at byte Offset (1-based); 0 for Offset < 1.
int PosEx(const std::string& Sub, const std::string& S, int Offset = 1);
// Count bytes from Index.  Index < 1 counts as 1; Count past the end clamps;
// Count <= 0 or Index past the end gives "".
std::string Copy(const std::string& S, int Index, int Count);
// Removes Count bytes at Index; nothing when Index < 1 or past the end.
void Delete(std::string& S, int Index, int Count);
// Inserts Sub before byte Index; Index < 1 inserts at the front, Index past
// the end appends.
void Insert(const std::string& Sub, std::string& S, int Index);

std::string StringOfChar(char Ch, int Count);
std::string StringOfChar(char32_t Ch, int Count);  // UTF-8 encoded

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = Set<TReplaceFlag>;
// Replaces the first (or every, with rfReplaceAll) OldPattern by NewPattern.
// rfIgnoreCase matches with the Ansi case folding.  An empty OldPattern
// leaves S unchanged.
std::string StringReplace(const std::string& S, const std::string& OldPattern,
                          const std::string& NewPattern, TReplaceFlags Flags);

// 'text' with every quote doubled.
std::string QuotedStr(const std::string& S);
std::string AnsiQuotedStr(const std::string& S, char Quote);
// When Src starts with Quote: returns the quoted text with doubled quotes
// made single and moves Src past the closing quote (to the end of the string
// when there is none).  Otherwise returns "" and leaves Src where it is.
// Src must point into a NUL-terminated string.
std::string AnsiExtractQuotedStr(const char*& Src, char Quote);
// S without its quotes when it is quoted with Quote, otherwise S itself.
std::string AnsiDequotedStr(const std::string& S, char Quote);

// Identifier: an ASCII letter or '_' followed by letters, digits and '_';
// with AllowDots also dotted names ("Form1.Button1").
bool IsValidIdent(const std::string& Ident, bool AllowDots = false);

// ---------------------------------------------------------------------------
// File names.  Both '/' and '\' are path delimiters, and a drive prefix "C:"
// ends the directory part as in "C:file.txt".

std::string ExtractFilePath(const std::string& FileName);  // with the trailing delimiter
std::string ExtractFileDir(const std::string& FileName);   // without it (except a root)
std::string ExtractFileName(const std::string& FileName);
std::string ExtractFileExt(const std::string& FileName);   // ".txt", "" when none
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);
// Appends a delimiter unless S ends with one: '\' when S uses only
// backslashes, '/' otherwise ("" becomes "/").
std::string IncludeTrailingPathDelimiter(const std::string& S);
// Removes one trailing delimiter.
std::string ExcludeTrailingPathDelimiter(const std::string& S);

// ---------------------------------------------------------------------------
// UTF-8 strings, positions and lengths in code points (1-based)

size_t Utf8Length(const std::string& S);
std::string Utf8Copy(const std::string& S, int Index, int Count);
int Utf8Pos(const std::string& Sub, const std::string& S);
void Utf8Delete(std::string& S, int Index, int Count);
void Utf8Insert(const std::string& Sub, std::string& S, int Index);
// Byte offset (0-based) of code point Index (1-based), clamped to the string.
size_t Utf8ByteOffset(const std::string& S, int Index);

// ISO 8859-1 bytes to UTF-8 and back.  Code points above U+00FF and invalid
// UTF-8 sequences become '?'.
std::string Latin1ToUtf8(const std::string& S);
std::string Utf8ToLatin1(const std::string& S);

// ---------------------------------------------------------------------------
// Integers

std::string IntToStr(int64_t Value);
std::string UIntToStr(uint64_t Value);
// Upper-case hexadecimal with at least Digits digits.  A negative value gives
// the two's complement of its own width: IntToHex(-1, 1) == "FFFFFFFF".
std::string IntToHex(int32_t Value, int Digits);
std::string IntToHex(uint32_t Value, int Digits);
std::string IntToHex(int64_t Value, int Digits);
std::string IntToHex(uint64_t Value, int Digits);
std::string IntToHex(long long Value, int Digits);
std::string IntToHex(unsigned long long Value, int Digits);

// Text to integer: blanks (<= ' ') around the number are ignored; an optional
// sign; then decimal digits, or hexadecimal digits after '$' or "0x".  A
// hexadecimal number may use the full width of the type as a bit pattern
// ("$FFFFFFFF" is -1).  Anything else, or a value out of range, raises
// EConvertError "'<S>' is not a valid integer value".
int32_t StrToInt(const std::string& S);
int64_t StrToInt64(const std::string& S);
int32_t StrToIntDef(const std::string& S, int32_t Default);
int64_t StrToInt64Def(const std::string& S, int64_t Default);
bool TryStrToInt(const std::string& S, int32_t& Value);
bool TryStrToInt64(const std::string& S, int64_t& Value);

// "True"/"False" (UseBoolStrs) or "-1"/"0"; StrToBool accepts both spellings
// (case-insensitive) and any integer (non-zero is true).
std::string BoolToStr(bool B, bool UseBoolStrs = false);
bool StrToBool(const std::string& S);  // EConvertError "'x' is not a valid boolean value"
bool TryStrToBool(const std::string& S, bool& Value);

// ---------------------------------------------------------------------------
// Floating point.  Values are Extended (long double, 64-bit mantissa); text
// conversion is exact: at 21 significant digits a value survives
// FloatToStrF/StrToFloat unchanged to the last bit.  NaN and infinities print
// as "NAN", "INF", "-INF".  A value that rounds to zero never prints a minus.

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Precision: significant digits (1..21).  Digits: for ffGeneral/ffExponent
// the minimum number of exponent digits (0..4), for ffFixed/ffNumber/
// ffCurrency the number of decimals (0..18).  ffFixed/ffNumber/ffCurrency fall
// back to general format when the integer part has more than Precision digits.
std::string FloatToStrF(Extended Value, TFloatFormat Format, int Precision, int Digits);
std::string FloatToStrF(Extended Value, TFloatFormat Format, int Precision, int Digits,
                        const TFormatSettings& Settings);
// General format, 15 significant digits: "0.1", "1E20", "1.5E-7".
std::string FloatToStr(Extended Value);
std::string FloatToStr(Extended Value, const TFormatSettings& Settings);
std::string FloatToStrDot(Extended Value);  // '.' whatever the settings

// Picture formats: '0' digit, '#' optional digit, '.' decimal separator,
// ',' thousand grouping, "E+0"/"E-0"/"e+0"/"e-0" exponent, '...' and "..."
// literal text, ';' separates the positive, negative and zero sections.
// Only '0' forces a digit: "#.##" writes 0.5 as ".5" and 0 as "".  With one
// section a negative value gets a leading '-'; with a negative section that
// section is written without a sign.  A value that rounds to zero uses the
// zero section, or else the positive one.
std::string FormatFloat(const std::string& Format, Extended Value);
std::string FormatFloat(const std::string& Format, Extended Value,
                        const TFormatSettings& Settings);

// Text to float: blanks around, optional sign, digits with the decimal
// separator, optional exponent; also "INF", "-INF", "NAN".  No thousand
// separators.  Overflow is an error; underflow gives 0 or a denormal.
// EConvertError "'<S>' is not a valid floating point value".
Extended StrToFloat(const std::string& S);
Extended StrToFloat(const std::string& S, const TFormatSettings& Settings);
Extended StrToFloatDef(const std::string& S, Extended Default);
bool TryStrToFloat(const std::string& S, Extended& Value);
bool TryStrToFloat(const std::string& S, double& Value);
bool TryStrToFloat(const std::string& S, Extended& Value, const TFormatSettings& Settings);
Extended StrToFloatDot(const std::string& S);
bool TryStrToFloatDot(const std::string& S, Extended& Value);
bool TryStrToFloatDot(const std::string& S, double& Value);

// Reads the longest prefix of Text that is an unsigned decimal number:
// digits, optionally '.' and more digits (or '.' followed by digits), then
// optionally an exponent 'E'/'e', optional sign, digits.  '.' is always the
// separator.  Consumed receives the bytes read.  Returns false when Text does
// not start with a number (Consumed 0) or when the number overflows (Value
// is then infinite and Consumed still counts the number's bytes).
bool TextToExtended(const char* Text, long double& Value, size_t& Consumed);

// ---------------------------------------------------------------------------
// Format

// One argument of Format.  Built implicitly from integers, floating point
// values, strings, characters and pointers; bool is kept as a Boolean, which
// no directive accepts (as in the classic routine).
class TVarRec {
public:
    enum TVarType { vtInteger, vtBoolean, vtChar, vtExtended, vtString, vtPointer };

    TVarRec() : FType(vtPointer) {}
    template <class T,
              std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool> &&
                                   !std::is_same_v<T, char> && !std::is_same_v<T, char8_t> &&
                                   !std::is_same_v<T, char16_t> && !std::is_same_v<T, char32_t> &&
                                   !std::is_same_v<T, wchar_t>,
                               int> = 0>
    TVarRec(T Value)
        : FType(vtInteger),
          FInteger(static_cast<int64_t>(Value)),
          FUnsigned(std::is_unsigned_v<T>),
          F64(sizeof(T) > 4) {}
    TVarRec(bool Value) : FType(vtBoolean), FInteger(Value ? 1 : 0) {}
    TVarRec(char Value) : FType(vtChar), FString(1, Value) {}
    TVarRec(char32_t Value);  // UTF-8 encoded
    TVarRec(float Value) : FType(vtExtended), FExtended(Value) {}
    TVarRec(double Value) : FType(vtExtended), FExtended(Value) {}
    TVarRec(long double Value) : FType(vtExtended), FExtended(Value) {}
    TVarRec(const char* Value) : FType(vtString), FString(Value ? Value : "") {}
    TVarRec(std::string Value) : FType(vtString), FString(std::move(Value)) {}
    TVarRec(std::string_view Value) : FType(vtString), FString(Value) {}
    TVarRec(const void* Value) : FType(vtPointer), FPointer(Value) {}
    TVarRec(std::nullptr_t) : FType(vtPointer) {}

    TVarType VType() const { return FType; }
    int64_t VInteger() const { return FInteger; }   // vtInteger, vtBoolean
    bool IsUnsigned() const { return FUnsigned; }   // came from an unsigned type
    bool Is64Bit() const { return F64; }            // came from a type wider than 32 bits
    Extended VExtended() const { return FExtended; }
    const std::string& VString() const { return FString; }  // vtString, vtChar
    const void* VPointer() const { return FPointer; }

private:
    TVarType FType;
    int64_t FInteger = 0;
    bool FUnsigned = false;
    bool F64 = false;
    Extended FExtended = 0;
    std::string FString;
    const void* FPointer = nullptr;
};

// Format("%" [index ":"] ["-"] [width] ["." precision] type, ...).
// Types (case-insensitive): d u x (upper-case hex) for integers; e f g n m for
// floating point; s for strings and characters; p for pointers; "%%" is '%'.
// Index, width and precision may be '*' (taken from the next argument).  A
// precision on d/u/x gives the minimum number of digits; on s the maximum
// number of characters.  Width and precision of s count code points.
// Defaults: f, n 2 decimals; m CurrencyDecimals; e, g 15 significant digits.
// e writes "d.ddd...E+ddd" (sign and at least three exponent digits); g is
// FloatToStr with that precision ("1E20", "1.5E-7"); f switches to g for
// values of 1E18 and more.  There is no '0' flag: "%05d" is width 5, and
// "%.5d" pads with zeros.  A bad format, a missing argument or an
// argument of the wrong type raises EConvertError
// "Format '<Fmt>' invalid or incompatible with argument".
std::string Format(const std::string& Fmt, std::initializer_list<TVarRec> Args);
std::string Format(const std::string& Fmt, const std::vector<TVarRec>& Args);
std::string Format(const TFormatSettings& Settings, const std::string& Fmt,
                   std::initializer_list<TVarRec> Args);
std::string Format(const TFormatSettings& Settings, const std::string& Fmt,
                   const std::vector<TVarRec>& Args);
std::string FormatArgs(const TFormatSettings& Settings, const std::string& Fmt,
                       const TVarRec* Args, size_t Count);
std::string FormatArgs(const std::string& Fmt, const TVarRec* Args, size_t Count);

// Format(fmt, 1, "two", 3.0) without braces.
template <class... A>
std::string Format(const std::string& Fmt, const A&... Args) {
    const TVarRec recs[] = {TVarRec(Args)..., TVarRec()};
    return FormatArgs(Fmt, recs, sizeof...(A));
}

}  // namespace vcl

#include "DateTime.h"
