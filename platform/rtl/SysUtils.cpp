#include "SysUtils.h"

#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace vcl {

// ===========================================================================
// Settings

const TFormatSettings& DotFormatSettings() {
    static const TFormatSettings settings = [] {
        TFormatSettings s;
        s.ThousandSeparator = '\0';
        s.DecimalSeparator = '.';
        return s;
    }();
    return settings;
}

namespace {

// The C library's number conversions follow LC_NUMERIC; ours must not.  The
// guard switches the calling thread to the "C" locale for its lifetime.
class CLocaleScope {
public:
    CLocaleScope() {
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
        FOld = cLocale ? uselocale(cLocale) : locale_t(0);
    }
    ~CLocaleScope() {
        if (FOld) uselocale(FOld);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t FOld;
};

inline bool IsAsciiLower(unsigned char c) { return c >= 'a' && c <= 'z'; }
inline bool IsAsciiUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline unsigned char AsciiUpper(unsigned char c) {
    return IsAsciiLower(c) ? static_cast<unsigned char>(c - 32) : c;
}
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& Out, char32_t cp) {
    if (cp < 0x80) {
        Out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        Out += static_cast<char>(0xC0 | (cp >> 6));
        Out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
        Out += static_cast<char>(0xE0 | (cp >> 12));
        Out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp <= 0x10FFFF) {
        Out += static_cast<char>(0xF0 | (cp >> 18));
        Out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        AppendUtf8(Out, 0xFFFD);
    }
}

// Length in bytes of the valid UTF-8 sequence at S[Pos], or 0 when the byte
// there does not start one.
size_t ValidSequenceLength(std::string_view S, size_t Pos, char32_t& Cp) {
    const auto b0 = static_cast<unsigned char>(S[Pos]);
    if (b0 < 0x80) {
        Cp = b0;
        return 1;
    }
    size_t len;
    char32_t cp;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (Pos + len > S.size()) return 0;
    for (size_t i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(S[Pos + i]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    Cp = cp;
    return len;
}

// Length of the character at Pos: a valid sequence, or one byte.
inline size_t CharLength(std::string_view S, size_t Pos) {
    char32_t cp;
    const size_t n = ValidSequenceLength(S, Pos, cp);
    return n ? n : 1;
}

// Applies a code point mapping to every valid sequence; invalid bytes pass.
template <class Map>
std::string MapCodePoints(const std::string& S, Map map) {
    std::string out;
    out.reserve(S.size());
    size_t i = 0;
    while (i < S.size()) {
        char32_t cp;
        const size_t n = ValidSequenceLength(S, i, cp);
        if (n == 0) {
            out += S[i++];
            continue;
        }
        const char32_t m = map(cp);
        if (m == cp)
            out.append(S, i, n);
        else
            AppendUtf8(out, m);
        i += n;
    }
    return out;
}

// Code points of S, an invalid byte standing for itself as 0x110000 + byte so
// that it never equals a real character.
std::vector<char32_t> FoldedCodePoints(std::string_view S, std::vector<size_t>* Offsets) {
    std::vector<char32_t> out;
    out.reserve(S.size());
    size_t i = 0;
    while (i < S.size()) {
        if (Offsets) Offsets->push_back(i);
        char32_t cp;
        const size_t n = ValidSequenceLength(S, i, cp);
        if (n == 0) {
            out.push_back(0x110000 + static_cast<unsigned char>(S[i]));
            ++i;
        } else {
            out.push_back(UnicodeLowerCase(UnicodeUpperCase(cp)));
            i += n;
        }
    }
    if (Offsets) Offsets->push_back(S.size());
    return out;
}

}  // namespace

// ===========================================================================
// UTF-8 primitives and case mapping

char32_t Utf8Decode(std::string_view S, size_t& Pos) {
    if (Pos >= S.size()) return 0xFFFD;
    char32_t cp;
    const size_t n = ValidSequenceLength(S, Pos, cp);
    if (n == 0) {
        ++Pos;
        return 0xFFFD;
    }
    Pos += n;
    return cp;
}

std::string Utf8Encode(char32_t CodePoint) {
    std::string out;
    AppendUtf8(out, CodePoint);
    return out;
}

char32_t UnicodeUpperCase(char32_t c) {
    if (c < 0x80) return IsAsciiLower(static_cast<unsigned char>(c)) ? c - 32 : c;
    if (c < 0x100) {
        if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
        if (c == 0xFF) return 0x178;
        return c;
    }
    if (c <= 0x17F) {
        if (c <= 0x12F) return c & ~1u;
        if (c == 0x131) return 'I';
        if (c >= 0x132 && c <= 0x137) return c & ~1u;
        if (c >= 0x139 && c <= 0x148) return (c & 1) ? c : c - 1;
        if (c >= 0x14A && c <= 0x177) return c & ~1u;
        if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c : c - 1;
        if (c == 0x17F) return 'S';
        return c;
    }
    if (c >= 0x1CD && c <= 0x1DC) return (c & 1) ? c : c - 1;
    if (c >= 0x1DE && c <= 0x1EF) return c & ~1u;
    if (c >= 0x1F8 && c <= 0x21F) return c & ~1u;
    if (c >= 0x222 && c <= 0x233) return c & ~1u;
    if (c >= 0x370 && c <= 0x3FF) {
        if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 0x20;
        if (c == 0x3C2) return 0x3A3;
        if (c == 0x3AC) return 0x386;
        if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
        if (c == 0x3CC) return 0x38C;
        if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
        return c;
    }
    if (c >= 0x400 && c <= 0x4FF) {
        if (c >= 0x430 && c <= 0x44F) return c - 0x20;
        if (c >= 0x450 && c <= 0x45F) return c - 0x50;
        if (c >= 0x460 && c <= 0x481) return c & ~1u;
        if (c >= 0x48A && c <= 0x4BF) return c & ~1u;
        if (c >= 0x4D0 && c <= 0x4FF) return c & ~1u;
        return c;
    }
    if (c >= 0x1E00 && c <= 0x1E95) return c & ~1u;
    if (c >= 0x1EA0 && c <= 0x1EFF) return c & ~1u;
    if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;
    return c;
}

std::string FoldName(std::string_view S) {
    std::string out;
    out.reserve(S.size());
    size_t i = 0;
    while (i < S.size()) {
        const unsigned char c = static_cast<unsigned char>(S[i]);
        if (c < 0x80) {
            out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : static_cast<char>(c);
            ++i;
            continue;
        }
        size_t p = i;
        const char32_t cp = Utf8Decode(S, p);
        if (cp == 0xFFFD && p == i + 1)
            out += static_cast<char>(c);
        else
            out += Utf8Encode(UnicodeUpperCase(cp));
        i = p;
    }
    return out;
}

char32_t UnicodeLowerCase(char32_t c) {
    if (c < 0x80) return IsAsciiUpper(static_cast<unsigned char>(c)) ? c + 32 : c;
    if (c < 0x100) {
        if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
        return c;
    }
    if (c <= 0x17F) {
        if (c <= 0x12F) return c | 1u;
        if (c == 0x130) return 'i';
        if (c >= 0x132 && c <= 0x137) return c | 1u;
        if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
        if (c >= 0x14A && c <= 0x177) return c | 1u;
        if (c == 0x178) return 0xFF;
        if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
        return c;
    }
    if (c >= 0x1CD && c <= 0x1DC) return (c & 1) ? c + 1 : c;
    if (c >= 0x1DE && c <= 0x1EF) return c | 1u;
    if (c >= 0x1F8 && c <= 0x21F) return c | 1u;
    if (c >= 0x222 && c <= 0x233) return c | 1u;
    if (c >= 0x370 && c <= 0x3FF) {
        if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
        if (c == 0x386) return 0x3AC;
        if (c >= 0x388 && c <= 0x38A) return c + 0x25;
        if (c == 0x38C) return 0x3CC;
        if (c == 0x38E || c == 0x38F) return c + 0x3F;
        return c;
    }
    if (c >= 0x400 && c <= 0x4FF) {
        if (c >= 0x410 && c <= 0x42F) return c + 0x20;
        if (c >= 0x400 && c <= 0x40F) return c + 0x50;
        if (c >= 0x460 && c <= 0x481) return c | 1u;
        if (c >= 0x48A && c <= 0x4BF) return c | 1u;
        if (c >= 0x4D0 && c <= 0x4FF) return c | 1u;
        return c;
    }
    if (c >= 0x1E00 && c <= 0x1E95) return c | 1u;
    if (c == 0x1E9E) return 0xDF;
    if (c >= 0x1EA0 && c <= 0x1EFF) return c | 1u;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;
    return c;
}

// ===========================================================================
// Case and comparison

std::string UpperCase(const std::string& S) {
    std::string out = S;
    for (char& c : out)
        if (IsAsciiLower(static_cast<unsigned char>(c))) c = static_cast<char>(c - 32);
    return out;
}

std::string LowerCase(const std::string& S) {
    std::string out = S;
    for (char& c : out)
        if (IsAsciiUpper(static_cast<unsigned char>(c))) c = static_cast<char>(c + 32);
    return out;
}

std::string AnsiUpperCase(const std::string& S) { return MapCodePoints(S, UnicodeUpperCase); }
std::string AnsiLowerCase(const std::string& S) { return MapCodePoints(S, UnicodeLowerCase); }

int CompareStr(const std::string& S1, const std::string& S2) {
    const size_t n = std::min(S1.size(), S2.size());
    for (size_t i = 0; i < n; ++i) {
        const int a = static_cast<unsigned char>(S1[i]);
        const int b = static_cast<unsigned char>(S2[i]);
        if (a != b) return a - b;
    }
    return S1.size() < S2.size() ? -1 : (S1.size() > S2.size() ? 1 : 0);
}

int CompareText(std::string_view S1, std::string_view S2) {
    const size_t n = std::min(S1.size(), S2.size());
    for (size_t i = 0; i < n; ++i) {
        const int a = AsciiUpper(static_cast<unsigned char>(S1[i]));
        const int b = AsciiUpper(static_cast<unsigned char>(S2[i]));
        if (a != b) return a - b;
    }
    return S1.size() < S2.size() ? -1 : (S1.size() > S2.size() ? 1 : 0);
}

bool SameStr(const std::string& S1, const std::string& S2) { return S1 == S2; }

bool SameText(std::string_view S1, std::string_view S2) {
    return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

int AnsiCompareStr(const std::string& S1, const std::string& S2) { return CompareStr(S1, S2); }

int AnsiCompareText(const std::string& S1, const std::string& S2) {
    const auto a = FoldedCodePoints(S1, nullptr);
    const auto b = FoldedCodePoints(S2, nullptr);
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool AnsiSameStr(const std::string& S1, const std::string& S2) { return S1 == S2; }
bool AnsiSameText(const std::string& S1, const std::string& S2) { return AnsiCompareText(S1, S2) == 0; }

// ===========================================================================
// Trimming, searching, editing

std::string Trim(const std::string& S) {
    size_t b = 0, e = S.size();
    while (b < e && IsBlank(S[b])) ++b;
    while (e > b && IsBlank(S[e - 1])) --e;
    return S.substr(b, e - b);
}

std::string TrimLeft(const std::string& S) {
    size_t b = 0;
    while (b < S.size() && IsBlank(S[b])) ++b;
    return S.substr(b);
}

std::string TrimRight(const std::string& S) {
    size_t e = S.size();
    while (e > 0 && IsBlank(S[e - 1])) --e;
    return S.substr(0, e);
}

int Pos(const std::string& Sub, const std::string& S) { return PosEx(Sub, S, 1); }

int PosEx(const std::string& Sub, const std::string& S, int Offset) {
    if (Sub.empty() || Offset < 1 || static_cast<size_t>(Offset) > S.size()) return 0;
    const size_t p = S.find(Sub, static_cast<size_t>(Offset) - 1);
    return p == std::string::npos ? 0 : static_cast<int>(p + 1);
}

std::string Copy(const std::string& S, int Index, int Count) {
    if (Index < 1) Index = 1;
    if (Count <= 0 || static_cast<size_t>(Index) > S.size()) return {};
    return S.substr(static_cast<size_t>(Index) - 1, static_cast<size_t>(Count));
}

void Delete(std::string& S, int Index, int Count) {
    if (Index < 1 || Count <= 0 || static_cast<size_t>(Index) > S.size()) return;
    S.erase(static_cast<size_t>(Index) - 1, static_cast<size_t>(Count));
}

void Insert(const std::string& Sub, std::string& S, int Index) {
    if (Index < 1) Index = 1;
    const size_t at = std::min(static_cast<size_t>(Index) - 1, S.size());
    S.insert(at, Sub);
}

std::string StringOfChar(char Ch, int Count) {
    return Count > 0 ? std::string(static_cast<size_t>(Count), Ch) : std::string();
}

std::string StringOfChar(char32_t Ch, int Count) {
    const std::string one = Utf8Encode(Ch);
    std::string out;
    if (Count <= 0) return out;
    out.reserve(one.size() * static_cast<size_t>(Count));
    for (int i = 0; i < Count; ++i) out += one;
    return out;
}

std::string StringReplace(const std::string& S, const std::string& OldPattern,
                          const std::string& NewPattern, TReplaceFlags Flags) {
    if (OldPattern.empty()) return S;
    const bool all = Flags.Contains(rfReplaceAll);
    std::string out;
    if (!Flags.Contains(rfIgnoreCase)) {
        size_t from = 0;
        for (;;) {
            const size_t p = S.find(OldPattern, from);
            if (p == std::string::npos) break;
            out.append(S, from, p - from);
            out += NewPattern;
            from = p + OldPattern.size();
            if (!all) break;
        }
        out.append(S, from, std::string::npos);
        return out;
    }
    // Case-insensitive: compare folded code points, copy original bytes.
    std::vector<size_t> offs;
    const auto text = FoldedCodePoints(S, &offs);
    const auto pat = FoldedCodePoints(OldPattern, nullptr);
    size_t i = 0, copied = 0;
    while (i + pat.size() <= text.size()) {
        if (std::equal(pat.begin(), pat.end(), text.begin() + static_cast<std::ptrdiff_t>(i))) {
            out.append(S, copied, offs[i] - copied);
            out += NewPattern;
            i += pat.size();
            copied = offs[i];
            if (!all) break;
        } else {
            ++i;
        }
    }
    out.append(S, copied, std::string::npos);
    return out;
}

std::string QuotedStr(const std::string& S) { return AnsiQuotedStr(S, '\''); }

std::string AnsiQuotedStr(const std::string& S, char Quote) {
    std::string out;
    out.reserve(S.size() + 2);
    out += Quote;
    for (char c : S) {
        out += c;
        if (c == Quote) out += Quote;
    }
    out += Quote;
    return out;
}

std::string AnsiExtractQuotedStr(const char*& Src, char Quote) {
    std::string out;
    if (!Src || *Src != Quote || Quote == '\0') return out;
    const char* p = Src + 1;
    while (*p) {
        if (*p == Quote) {
            if (p[1] == Quote) {
                out += Quote;
                p += 2;
                continue;
            }
            ++p;  // the closing quote
            Src = p;
            return out;
        }
        out += *p++;
    }
    Src = p;
    return out;
}

std::string AnsiDequotedStr(const std::string& S, char Quote) {
    if (S.size() < 2 || S.front() != Quote || S.back() != Quote) return S;
    const char* p = S.c_str();
    std::string out = AnsiExtractQuotedStr(p, Quote);
    // Quoted only when the closing quote is the last character.
    if (static_cast<size_t>(p - S.c_str()) != S.size()) return S;
    return out;
}

bool IsValidIdent(const std::string& Ident, bool AllowDots) {
    if (Ident.empty()) return false;
    bool start = true;
    for (char c : Ident) {
        const auto u = static_cast<unsigned char>(c);
        const bool alpha = IsAsciiLower(u) || IsAsciiUpper(u) || c == '_';
        if (start) {
            if (!alpha) return false;
            start = false;
        } else if (c == '.' && AllowDots) {
            start = true;
        } else if (!alpha && !IsDigit(c)) {
            return false;
        }
    }
    return !start;
}

// ===========================================================================
// File names

namespace {

inline bool IsPathDelimiter(char c) { return c == '/' || c == '\\'; }

// Index just past the directory part: after the last delimiter, or after a
// drive prefix "X:".
size_t FileNameStart(const std::string& F) {
    for (size_t i = F.size(); i > 0; --i)
        if (IsPathDelimiter(F[i - 1])) return i;
    if (F.size() >= 2 && F[1] == ':' &&
        (IsAsciiLower(static_cast<unsigned char>(F[0])) || IsAsciiUpper(static_cast<unsigned char>(F[0]))))
        return 2;
    return 0;
}

}  // namespace

std::string ExtractFilePath(const std::string& FileName) {
    return FileName.substr(0, FileNameStart(FileName));
}

std::string ExtractFileDir(const std::string& FileName) {
    size_t n = FileNameStart(FileName);
    // Drop the delimiter unless it is the root ("/", "C:\").
    if (n > 0 && IsPathDelimiter(FileName[n - 1])) {
        const bool root = n == 1 || (n == 3 && FileName[1] == ':');
        if (!root) --n;
    }
    return FileName.substr(0, n);
}

std::string ExtractFileName(const std::string& FileName) { return FileName.substr(FileNameStart(FileName)); }

std::string ExtractFileExt(const std::string& FileName) {
    const size_t start = FileNameStart(FileName);
    const size_t dot = FileName.rfind('.');
    if (dot == std::string::npos || dot < start) return {};
    return FileName.substr(dot);
}

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension) {
    const size_t start = FileNameStart(FileName);
    const size_t dot = FileName.rfind('.');
    if (dot == std::string::npos || dot < start) return FileName + Extension;
    return FileName.substr(0, dot) + Extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& S) {
    if (!S.empty() && IsPathDelimiter(S.back())) return S;
    const bool backslashes = S.find('\\') != std::string::npos && S.find('/') == std::string::npos;
    return S + (backslashes ? '\\' : '/');
}

std::string ExcludeTrailingPathDelimiter(const std::string& S) {
    if (!S.empty() && IsPathDelimiter(S.back())) return S.substr(0, S.size() - 1);
    return S;
}

// ===========================================================================
// UTF-8 strings

size_t Utf8Length(const std::string& S) {
    size_t n = 0;
    for (size_t i = 0; i < S.size(); i += CharLength(S, i)) ++n;
    return n;
}

size_t Utf8ByteOffset(const std::string& S, int Index) {
    size_t i = 0;
    for (int k = 1; k < Index && i < S.size(); ++k) i += CharLength(S, i);
    return i;
}

std::string Utf8Copy(const std::string& S, int Index, int Count) {
    if (Index < 1) Index = 1;
    if (Count <= 0) return {};
    const size_t b = Utf8ByteOffset(S, Index);
    size_t e = b;
    for (int k = 0; k < Count && e < S.size(); ++k) e += CharLength(S, e);
    return S.substr(b, e - b);
}

int Utf8Pos(const std::string& Sub, const std::string& S) {
    if (Sub.empty()) return 0;
    size_t i = 0;
    int index = 1;
    while (i < S.size()) {
        if (S.compare(i, Sub.size(), Sub) == 0) return index;
        i += CharLength(S, i);
        ++index;
    }
    return 0;
}

void Utf8Delete(std::string& S, int Index, int Count) {
    if (Index < 1 || Count <= 0) return;
    const size_t b = Utf8ByteOffset(S, Index);
    if (b >= S.size()) return;
    size_t e = b;
    for (int k = 0; k < Count && e < S.size(); ++k) e += CharLength(S, e);
    S.erase(b, e - b);
}

void Utf8Insert(const std::string& Sub, std::string& S, int Index) {
    if (Index < 1) Index = 1;
    S.insert(Utf8ByteOffset(S, Index), Sub);
}

std::string Latin1ToUtf8(const std::string& S) {
    std::string out;
    out.reserve(S.size());
    for (char c : S) AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

std::string Utf8ToLatin1(const std::string& S) {
    std::string out;
    out.reserve(S.size());
    size_t i = 0;
    while (i < S.size()) {
        char32_t cp;
        const size_t n = ValidSequenceLength(S, i, cp);
        if (n == 0) {
            out += '?';
            ++i;
        } else {
            out += cp <= 0xFF ? static_cast<char>(cp) : '?';
            i += n;
        }
    }
    return out;
}

// ===========================================================================
// Integers

std::string IntToStr(int64_t Value) { return std::to_string(Value); }
std::string UIntToStr(uint64_t Value) { return std::to_string(Value); }

namespace {

std::string HexDigits(uint64_t v, int Digits) {
    static const char hex[] = "0123456789ABCDEF";
    char buf[16];
    int n = 0;
    do {
        buf[n++] = hex[v & 15];
        v >>= 4;
    } while (v);
    std::string out;
    if (Digits > n) out.assign(static_cast<size_t>(std::min(Digits, 1 << 20) - n), '0');
    while (n) out += buf[--n];
    return out;
}

// Parses S as described in the header, for a type of Bits bits.
bool ParseInteger(const std::string& S, int Bits, int64_t& Value) {
    size_t b = 0, e = S.size();
    while (b < e && IsBlank(S[b])) ++b;
    while (e > b && IsBlank(S[e - 1])) --e;
    bool neg = false;
    if (b < e && (S[b] == '+' || S[b] == '-')) {
        neg = S[b] == '-';
        ++b;
    }
    bool hex = false;
    if (b < e && S[b] == '$') {
        hex = true;
        ++b;
    } else if (e - b >= 2 && S[b] == '0' && (S[b + 1] == 'x' || S[b + 1] == 'X')) {
        hex = true;
        b += 2;
    }
    if (b >= e) return false;
    const uint64_t typeMask = Bits == 64 ? ~uint64_t{0} : (uint64_t{1} << Bits) - 1;
    const uint64_t maxPos = typeMask >> 1;   // e.g. 0x7FFFFFFF
    const uint64_t maxNeg = maxPos + 1;      // magnitude of the minimum
    uint64_t mag = 0;
    for (size_t i = b; i < e; ++i) {
        const int d = hex ? HexValue(S[i]) : (IsDigit(S[i]) ? S[i] - '0' : -1);
        if (d < 0) return false;
        const uint64_t base = hex ? 16 : 10;
        if (mag > (typeMask - static_cast<uint64_t>(d)) / base) return false;  // beyond the type's width
        mag = mag * base + static_cast<uint64_t>(d);
    }
    if (neg) {
        if (mag > maxNeg) return false;
        Value = mag == maxNeg ? (Bits == 64 ? std::numeric_limits<int64_t>::min()
                                            : -static_cast<int64_t>(maxNeg))
                              : -static_cast<int64_t>(mag);
        return true;
    }
    if (mag > maxPos) {
        if (!hex) return false;
        // A hexadecimal bit pattern of the full width: two's complement.
        Value = Bits == 64 ? static_cast<int64_t>(mag) : static_cast<int64_t>(mag) - static_cast<int64_t>(typeMask) - 1;
        return true;
    }
    Value = static_cast<int64_t>(mag);
    return true;
}

[[noreturn]] void InvalidInteger(const std::string& S) {
    throw EConvertError("'" + S + "' is not a valid integer value");
}

[[noreturn]] void InvalidFloat(const std::string& S) {
    throw EConvertError("'" + S + "' is not a valid floating point value");
}

}  // namespace

std::string IntToHex(int32_t Value, int Digits) { return HexDigits(static_cast<uint32_t>(Value), Digits); }
std::string IntToHex(uint32_t Value, int Digits) { return HexDigits(Value, Digits); }
std::string IntToHex(int64_t Value, int Digits) { return HexDigits(static_cast<uint64_t>(Value), Digits); }
std::string IntToHex(uint64_t Value, int Digits) { return HexDigits(Value, Digits); }
std::string IntToHex(long long Value, int Digits) { return HexDigits(static_cast<uint64_t>(Value), Digits); }
std::string IntToHex(unsigned long long Value, int Digits) { return HexDigits(static_cast<uint64_t>(Value), Digits); }

bool TryStrToInt(const std::string& S, int32_t& Value) {
    int64_t v;
    if (!ParseInteger(S, 32, v)) return false;
    Value = static_cast<int32_t>(v);
    return true;
}

bool TryStrToInt64(const std::string& S, int64_t& Value) { return ParseInteger(S, 64, Value); }

int32_t StrToInt(const std::string& S) {
    int32_t v;
    if (!TryStrToInt(S, v)) InvalidInteger(S);
    return v;
}

int64_t StrToInt64(const std::string& S) {
    int64_t v;
    if (!TryStrToInt64(S, v)) InvalidInteger(S);
    return v;
}

int32_t StrToIntDef(const std::string& S, int32_t Default) {
    int32_t v;
    return TryStrToInt(S, v) ? v : Default;
}

int64_t StrToInt64Def(const std::string& S, int64_t Default) {
    int64_t v;
    return TryStrToInt64(S, v) ? v : Default;
}

std::string BoolToStr(bool B, bool UseBoolStrs) {
    if (UseBoolStrs) return B ? "True" : "False";
    return B ? "-1" : "0";
}

bool TryStrToBool(const std::string& S, bool& Value) {
    const std::string t = Trim(S);
    if (SameText(t, "True")) {
        Value = true;
        return true;
    }
    if (SameText(t, "False")) {
        Value = false;
        return true;
    }
    int64_t v;
    if (ParseInteger(t, 64, v)) {
        Value = v != 0;
        return true;
    }
    return false;
}

bool StrToBool(const std::string& S) {
    bool v;
    if (!TryStrToBool(S, v)) throw EConvertError("'" + S + "' is not a valid boolean value");
    return v;
}

// ===========================================================================
// Floating point: decimal digits of a value

namespace {

// A value as decimal digits: Value = 0.Digits * 10^Exponent.  Digits has no
// trailing zeros; an empty Digits is zero.
struct TFloatDecimal {
    enum TKind { fdNumber, fdNaN, fdInf } Kind = fdNumber;
    bool Negative = false;
    int Exponent = 0;
    std::string Digits;
    bool IsZero() const { return Kind == fdNumber && Digits.empty(); }
};

constexpr int kMaxPrecision = 21;  // enough for every 64-bit mantissa
constexpr int kClassicPrecision = 18;
constexpr int kNoDecimalLimit = std::numeric_limits<int>::max();

// Keeps N digits, rounding half away from zero on the decimal digits.
void RoundDigits(std::string& D, int& Exp, long N) {
    if (N < 0) {
        D.clear();
        return;
    }
    if (static_cast<size_t>(N) >= D.size()) return;
    const bool up = D[static_cast<size_t>(N)] >= '5';
    D.resize(static_cast<size_t>(N));
    if (!up) return;
    for (size_t i = D.size(); i > 0; --i) {
        if (D[i - 1] != '9') {
            ++D[i - 1];
            return;
        }
        D[i - 1] = '0';
    }
    // Every digit was a 9 (or there were none): the value becomes 10^Exp.
    D.insert(D.begin(), '1');
    ++Exp;
}

// Precision: significant digits; Decimals: digits kept after the decimal
// point.  Up to 18 digits the value is first taken to 18 correctly rounded
// digits, and those are rounded half away from zero, so 0.125 gives "0.13"
// at two decimals as in the classic routines.
TFloatDecimal ToDecimal(long double V, int Precision, int Decimals) {
    TFloatDecimal r;
    if (std::isnan(V)) {
        r.Kind = TFloatDecimal::fdNaN;
        return r;
    }
    r.Negative = std::signbit(V);
    if (std::isinf(V)) {
        r.Kind = TFloatDecimal::fdInf;
        return r;
    }
    const long double a = std::fabs(V);
    if (a == 0) return r;
    const int p = std::clamp(Precision, 1, kMaxPrecision);
    const int gen = std::max(p, kClassicPrecision);
    char buf[64];
    {
        CLocaleScope c;
        std::snprintf(buf, sizeof buf, "%.*Le", gen - 1, a);
    }
    // buf: d.ddde[+-]xx
    const char* q = buf;
    r.Digits += *q++;
    if (*q == '.') ++q;
    while (IsDigit(*q)) r.Digits += *q++;
    if (*q == 'e' || *q == 'E') ++q;
    r.Exponent = std::atoi(q) + 1;
    RoundDigits(r.Digits, r.Exponent, p);
    if (Decimals != kNoDecimalLimit) RoundDigits(r.Digits, r.Exponent, static_cast<long>(r.Exponent) + Decimals);
    while (!r.Digits.empty() && r.Digits.back() == '0') r.Digits.pop_back();
    if (r.Digits.empty()) r.Exponent = 0;
    return r;
}

std::string SpecialText(const TFloatDecimal& d) {
    if (d.Kind == TFloatDecimal::fdNaN) return "NAN";
    return d.Negative ? "-INF" : "INF";
}

// Digit k (0-based) of d, '0' past the end.
inline char DigitAt(const TFloatDecimal& d, long k) {
    return k >= 0 && static_cast<size_t>(k) < d.Digits.size() ? d.Digits[static_cast<size_t>(k)] : '0';
}

void AppendExponent(std::string& out, int e, int MinDigits, bool AlwaysSign) {
    if (e < 0)
        out += '-';
    else if (AlwaysSign)
        out += '+';
    std::string digits = std::to_string(e < 0 ? -static_cast<long>(e) : e);
    if (static_cast<int>(digits.size()) < MinDigits) digits.insert(0, static_cast<size_t>(MinDigits) - digits.size(), '0');
    out += digits;
}

// Integer part with optional grouping, then Decimals fraction digits.
std::string FixedText(const TFloatDecimal& d, int Decimals, char DecSep, char ThouSep) {
    std::string out;
    const long intDigits = d.IsZero() ? 0 : d.Exponent;
    if (intDigits <= 0) {
        out += '0';
    } else {
        for (long k = 0; k < intDigits; ++k) {
            out += DigitAt(d, k);
            const long left = intDigits - 1 - k;
            if (ThouSep && left > 0 && left % 3 == 0) out += ThouSep;
        }
    }
    if (Decimals > 0) {
        out += DecSep;
        const long first = d.IsZero() ? 0 : d.Exponent;  // digit index of the first decimal
        for (int k = 0; k < Decimals; ++k) out += d.IsZero() ? '0' : DigitAt(d, first + k);
    }
    return out;
}

// General format of an already rounded value.
std::string GeneralText(const TFloatDecimal& d, int Precision, int ExpDigits, char DecSep) {
    if (d.IsZero()) return "0";
    std::string out;
    if (d.Negative) out += '-';
    const long n = static_cast<long>(d.Digits.size());
    if (d.Exponent > Precision || d.Exponent < -3) {
        out += d.Digits[0];
        if (n > 1) {
            out += DecSep;
            out.append(d.Digits, 1, std::string::npos);
        }
        out += 'E';
        AppendExponent(out, d.Exponent - 1, std::clamp(ExpDigits, 0, 4), false);
        return out;
    }
    if (d.Exponent <= 0) {
        out += '0';
        out += DecSep;
        out.append(static_cast<size_t>(-d.Exponent), '0');
        out += d.Digits;
        return out;
    }
    for (long k = 0; k < d.Exponent; ++k) out += DigitAt(d, k);
    if (n > d.Exponent) {
        out += DecSep;
        out.append(d.Digits, static_cast<size_t>(d.Exponent), std::string::npos);
    }
    return out;
}

std::string CurrencyText(const std::string& Num, bool Neg, const TFormatSettings& S) {
    const std::string& c = S.CurrencyString;
    if (!Neg) {
        switch (S.CurrencyFormat) {
            case 1: return Num + c;
            case 2: return c + " " + Num;
            case 3: return Num + " " + c;
            default: return c + Num;
        }
    }
    switch (S.NegCurrFormat) {
        case 1: return "-" + c + Num;
        case 2: return c + "-" + Num;
        case 3: return c + Num + "-";
        case 4: return "(" + Num + c + ")";
        case 5: return "-" + Num + c;
        case 6: return Num + "-" + c;
        case 7: return Num + c + "-";
        case 8: return "-" + Num + " " + c;
        case 9: return "-" + c + " " + Num;
        case 10: return Num + " " + c + "-";
        case 11: return c + " " + Num + "-";
        case 12: return c + " -" + Num;
        case 13: return Num + "- " + c;
        case 14: return "(" + c + " " + Num + ")";
        case 15: return "(" + Num + " " + c + ")";
        default: return "(" + c + Num + ")";
    }
}

}  // namespace

std::string FloatToStrF(Extended Value, TFloatFormat Format, int Precision, int Digits,
                        const TFormatSettings& Settings) {
    const int prec = std::clamp(Precision, 1, kMaxPrecision);
    const char dec = Settings.DecimalSeparator;
    switch (Format) {
        case ffExponent: {
            const TFloatDecimal d = ToDecimal(Value, prec, kNoDecimalLimit);
            if (d.Kind != TFloatDecimal::fdNumber) return SpecialText(d);
            std::string out;
            if (d.Negative && !d.IsZero()) out += '-';
            out += DigitAt(d, 0);
            if (prec > 1) {
                out += dec;
                for (int k = 1; k < prec; ++k) out += DigitAt(d, k);
            }
            out += 'E';
            AppendExponent(out, d.IsZero() ? 0 : d.Exponent - 1, std::clamp(Digits, 0, 4), true);
            return out;
        }
        case ffFixed:
        case ffNumber:
        case ffCurrency: {
            const int decimals = std::clamp(Digits, 0, kClassicPrecision);
            const TFloatDecimal d = ToDecimal(Value, prec, decimals);
            if (d.Kind != TFloatDecimal::fdNumber) return SpecialText(d);
            if (d.Exponent > prec) return GeneralText(d, prec, 0, dec);
            const char thou = Format == ffFixed ? '\0' : Settings.ThousandSeparator;
            const std::string num = FixedText(d, decimals, dec, thou);
            const bool neg = d.Negative && !d.IsZero();
            if (Format == ffCurrency) return CurrencyText(num, neg, Settings);
            return neg ? "-" + num : num;
        }
        case ffGeneral:
        default: {
            const TFloatDecimal d = ToDecimal(Value, prec, kNoDecimalLimit);
            if (d.Kind != TFloatDecimal::fdNumber) return SpecialText(d);
            return GeneralText(d, prec, Digits, dec);
        }
    }
}

std::string FloatToStrF(Extended Value, TFloatFormat Format, int Precision, int Digits) {
    return FloatToStrF(Value, Format, Precision, Digits, FormatSettings());
}

std::string FloatToStr(Extended Value, const TFormatSettings& Settings) {
    return FloatToStrF(Value, ffGeneral, 15, 0, Settings);
}

std::string FloatToStr(Extended Value) { return FloatToStr(Value, FormatSettings()); }
std::string FloatToStrDot(Extended Value) { return FloatToStr(Value, DotFormatSettings()); }

// ---------------------------------------------------------------------------
// FormatFloat

namespace {

struct TPictureToken {
    enum TKind { ptLiteral, ptDigit, ptPoint, ptExponent } Kind;
    std::string Text;   // ptLiteral; ptExponent: "E" or "e"
    bool Zero = false;  // ptDigit: '0' (forced) rather than '#'
    bool AfterPoint = false;
    bool ExpPlus = false;  // ptExponent: "E+" rather than "E-"
    int ExpDigits = 0;
};

struct TPicture {
    std::vector<TPictureToken> Tokens;
    int IntPlaces = 0;          // digit placeholders before the point
    int FirstIntZero = -1;      // index among those of the first '0'
    int FracPlaces = 0;         // digit placeholders after the point
    int LastFracZero = -1;      // index among those of the last '0'
    bool Thousands = false;
    bool Scientific = false;
    bool HasPoint = false;
    bool HasDigits() const { return IntPlaces + FracPlaces > 0; }
};

TPicture ParsePicture(const std::string& Sec) {
    TPicture p;
    size_t i = 0;
    auto literal = [&](const std::string& s) {
        if (!p.Tokens.empty() && p.Tokens.back().Kind == TPictureToken::ptLiteral)
            p.Tokens.back().Text += s;
        else
            p.Tokens.push_back({TPictureToken::ptLiteral, s});
    };
    while (i < Sec.size()) {
        const char c = Sec[i];
        if (c == '\'' || c == '"') {
            const size_t close = Sec.find(c, i + 1);
            const size_t end = close == std::string::npos ? Sec.size() : close;
            literal(Sec.substr(i + 1, end - i - 1));
            i = close == std::string::npos ? Sec.size() : close + 1;
        } else if (c == '0' || c == '#') {
            TPictureToken t{TPictureToken::ptDigit, {}};
            t.Zero = c == '0';
            t.AfterPoint = p.HasPoint;
            if (p.HasPoint) {
                if (t.Zero) p.LastFracZero = p.FracPlaces;
                ++p.FracPlaces;
            } else {
                if (t.Zero && p.FirstIntZero < 0) p.FirstIntZero = p.IntPlaces;
                ++p.IntPlaces;
            }
            p.Tokens.push_back(t);
            ++i;
        } else if (c == '.' && !p.HasPoint && !p.Scientific) {
            p.HasPoint = true;
            p.Tokens.push_back({TPictureToken::ptPoint, {}});
            ++i;
        } else if (c == ',') {
            p.Thousands = true;
            ++i;
        } else if ((c == 'E' || c == 'e') && i + 1 < Sec.size() && (Sec[i + 1] == '+' || Sec[i + 1] == '-') &&
                   !p.Scientific) {
            TPictureToken t{TPictureToken::ptExponent, std::string(1, c)};
            t.ExpPlus = Sec[i + 1] == '+';
            i += 2;
            while (i < Sec.size() && Sec[i] == '0') {
                ++t.ExpDigits;
                ++i;
            }
            t.ExpDigits = std::min(t.ExpDigits, 4);
            p.Scientific = true;
            p.Tokens.push_back(t);
        } else {
            // A whole UTF-8 sequence is literal text.
            const size_t n = CharLength(Sec, i);
            literal(Sec.substr(i, n));
            i += n;
        }
    }
    return p;
}

// Splits at ';' outside quotes.
std::vector<std::string> SplitSections(const std::string& F) {
    std::vector<std::string> out(1);
    char quote = 0;
    for (char c : F) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';') {
            out.emplace_back();
            continue;
        }
        out.back() += c;
    }
    return out;
}

struct TPictureNumber {
    std::string Int;   // integer digits, no leading zeros ("" below 1)
    std::string Frac;  // exactly FracPlaces digits
    int Exponent = 0;  // scientific only
    bool Zero = true;
};

TPictureNumber RoundForPicture(const TPicture& p, long double a) {
    TPictureNumber n;
    if (p.Scientific) {
        const int intPlaces = std::max(p.IntPlaces, 1);
        const int sig = std::clamp(intPlaces + p.FracPlaces, 1, kClassicPrecision);
        const TFloatDecimal d = ToDecimal(a, sig, kNoDecimalLimit);
        n.Zero = d.IsZero();
        for (int k = 0; k < intPlaces; ++k) n.Int += DigitAt(d, k);
        for (int k = 0; k < p.FracPlaces; ++k) n.Frac += DigitAt(d, intPlaces + k);
        n.Exponent = n.Zero ? 0 : d.Exponent - intPlaces;
        // Leading zeros of the mantissa's integer part are not digits.
        const size_t nz = n.Int.find_first_not_of('0');
        n.Int.erase(0, nz == std::string::npos ? n.Int.size() : nz);
        return n;
    }
    const int decimals = std::min(p.FracPlaces, kClassicPrecision);
    const TFloatDecimal d = ToDecimal(a, kClassicPrecision, decimals);
    n.Zero = d.IsZero();
    if (!n.Zero) {
        for (long k = 0; k < d.Exponent; ++k) n.Int += DigitAt(d, k);
        for (int k = 0; k < p.FracPlaces; ++k) n.Frac += DigitAt(d, d.Exponent + k);
    } else {
        n.Frac.assign(static_cast<size_t>(p.FracPlaces), '0');
    }
    return n;
}

std::string RenderPicture(const TPicture& p, const TPictureNumber& n, const TFormatSettings& S) {
    std::string out;
    const long N = static_cast<long>(n.Int.size());
    const long P = p.IntPlaces;
    const char thou = p.Thousands ? S.ThousandSeparator : '\0';
    // Integer digit with r digits to its right; a separator follows it when
    // r is a positive multiple of three.
    auto putInt = [&](char digit, long r) {
        out += digit;
        if (thou && r > 0 && r % 3 == 0) out += thou;
    };
    // How many digits the placeholders force (from the first '0' on).
    const long forced = p.FirstIntZero < 0 ? 0 : P - p.FirstIntZero;
    const long width = std::max(N, forced);
    // Index of the last fraction digit to show.
    long lastFrac = p.LastFracZero;
    for (long j = static_cast<long>(n.Frac.size()) - 1; j > lastFrac; --j)
        if (n.Frac[static_cast<size_t>(j)] != '0') {
            lastFrac = j;
            break;
        }
    int intIndex = 0, fracIndex = 0;
    bool intDone = P > 0;  // with no integer placeholder the digits go at the point
    auto emitAllInt = [&]() {
        for (long k = 0; k < width; ++k) {
            const long d = k - (width - N);
            putInt(d < 0 ? '0' : n.Int[static_cast<size_t>(d)], width - 1 - k);
        }
    };
    for (const TPictureToken& t : p.Tokens) {
        switch (t.Kind) {
            case TPictureToken::ptLiteral:
                out += t.Text;
                break;
            case TPictureToken::ptDigit:
                if (!t.AfterPoint) {
                    const long i = intIndex++;
                    const long r = P - 1 - i;  // digits to the right of this place
                    if (i == 0 && N > P) {
                        for (long k = 0; k <= N - P; ++k) putInt(n.Int[static_cast<size_t>(k)], N - 1 - k);
                    } else if (r < N) {
                        putInt(n.Int[static_cast<size_t>(N - 1 - r)], r);
                    } else if (r < width) {
                        putInt('0', r);
                    }
                } else {
                    const long j = fracIndex++;
                    if (j <= lastFrac) out += n.Frac[static_cast<size_t>(j)];
                }
                break;
            case TPictureToken::ptPoint:
                if (!intDone) {
                    emitAllInt();
                    intDone = true;
                }
                if (lastFrac >= 0) out += S.DecimalSeparator;
                break;
            case TPictureToken::ptExponent:
                if (!intDone) {
                    emitAllInt();
                    intDone = true;
                }
                out += t.Text;
                AppendExponent(out, n.Exponent, t.ExpDigits, t.ExpPlus);
                break;
        }
    }
    return out;
}

}  // namespace

std::string FormatFloat(const std::string& Format, Extended Value, const TFormatSettings& Settings) {
    if (std::isnan(Value)) return "NAN";
    if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
    if (Format.empty()) return FloatToStrF(Value, ffGeneral, 15, 0, Settings);
    const std::vector<std::string> secs = SplitSections(Format);
    const bool neg = Value < 0;
    const long double a = std::fabs(Value);
    size_t sec = 0;
    if (neg && secs.size() > 1 && !secs[1].empty()) sec = 1;
    TPicture pic = ParsePicture(secs[sec]);
    TPictureNumber num = RoundForPicture(pic, a);
    if (num.Zero) {
        // A value that rounds to zero takes the zero section, else the
        // positive one, and never shows a sign.
        const size_t zsec = secs.size() > 2 && !secs[2].empty() ? 2 : 0;
        if (zsec != sec) {
            pic = ParsePicture(secs[zsec]);
            num = RoundForPicture(pic, 0);
        }
        return RenderPicture(pic, num, Settings);
    }
    std::string out = RenderPicture(pic, num, Settings);
    if (neg && sec == 0) out.insert(0, 1, '-');
    return out;
}

std::string FormatFloat(const std::string& Format, Extended Value) {
    return FormatFloat(Format, Value, FormatSettings());
}

// ---------------------------------------------------------------------------
// Text to float

namespace {

// Scans [b, e) as [sign] mantissa [exponent]; on success writes the number
// with '.' as the separator into Out.
bool ScanFloat(const char* b, const char* e, char DecSep, std::string& Out) {
    const char* p = b;
    Out.clear();
    if (p < e && (*p == '+' || *p == '-')) Out += *p++;
    bool digits = false;
    while (p < e && IsDigit(*p)) {
        Out += *p++;
        digits = true;
    }
    if (p < e && *p == DecSep) {
        Out += '.';
        ++p;
        while (p < e && IsDigit(*p)) {
            Out += *p++;
            digits = true;
        }
    }
    if (!digits) return false;
    if (p < e && (*p == 'e' || *p == 'E')) {
        Out += 'e';
        ++p;
        if (p < e && (*p == '+' || *p == '-')) Out += *p++;
        bool expDigits = false;
        while (p < e && IsDigit(*p)) {
            Out += *p++;
            expDigits = true;
        }
        if (!expDigits) return false;
    }
    return p == e;
}

long double CStrToLD(const char* s, bool& overflow) {
    CLocaleScope c;
    errno = 0;
    const long double v = std::strtold(s, nullptr);
    overflow = std::isinf(v);
    return v;
}

}  // namespace

bool TryStrToFloat(const std::string& S, Extended& Value, const TFormatSettings& Settings) {
    const char* b = S.data();
    const char* e = b + S.size();
    while (b < e && IsBlank(*b)) ++b;
    while (e > b && IsBlank(e[-1])) --e;
    const std::string_view t(b, static_cast<size_t>(e - b));
    auto same = [&](std::string_view w) {
        if (t.size() != w.size()) return false;
        for (size_t i = 0; i < w.size(); ++i)
            if (AsciiUpper(static_cast<unsigned char>(t[i])) != static_cast<unsigned char>(w[i])) return false;
        return true;
    };
    if (same("NAN")) {
        Value = std::numeric_limits<long double>::quiet_NaN();
        return true;
    }
    if (same("INF") || same("+INF")) {
        Value = std::numeric_limits<long double>::infinity();
        return true;
    }
    if (same("-INF")) {
        Value = -std::numeric_limits<long double>::infinity();
        return true;
    }
    std::string norm;
    if (!ScanFloat(b, e, Settings.DecimalSeparator, norm)) return false;
    bool overflow;
    const long double v = CStrToLD(norm.c_str(), overflow);
    if (overflow) return false;
    Value = v;
    return true;
}

bool TryStrToFloat(const std::string& S, Extended& Value) { return TryStrToFloat(S, Value, FormatSettings()); }

bool TryStrToFloat(const std::string& S, double& Value) {
    Extended v;
    if (!TryStrToFloat(S, v)) return false;
    if (std::isfinite(v) && std::fabs(v) > std::numeric_limits<double>::max()) return false;
    Value = static_cast<double>(v);
    return true;
}

Extended StrToFloat(const std::string& S, const TFormatSettings& Settings) {
    Extended v;
    if (!TryStrToFloat(S, v, Settings)) InvalidFloat(S);
    return v;
}

Extended StrToFloat(const std::string& S) { return StrToFloat(S, FormatSettings()); }

Extended StrToFloatDef(const std::string& S, Extended Default) {
    Extended v;
    return TryStrToFloat(S, v) ? v : Default;
}

Extended StrToFloatDot(const std::string& S) { return StrToFloat(S, DotFormatSettings()); }

bool TryStrToFloatDot(const std::string& S, Extended& Value) { return TryStrToFloat(S, Value, DotFormatSettings()); }

bool TryStrToFloatDot(const std::string& S, double& Value) {
    Extended v;
    if (!TryStrToFloatDot(S, v)) return false;
    if (std::isfinite(v) && std::fabs(v) > std::numeric_limits<double>::max()) return false;
    Value = static_cast<double>(v);
    return true;
}

bool TextToExtended(const char* Text, long double& Value, size_t& Consumed) {
    Consumed = 0;
    if (!Text) return false;
    const char* p = Text;
    std::string norm;
    while (IsDigit(*p)) norm += *p++;
    if (*p == '.' && (!norm.empty() || IsDigit(p[1]))) {
        norm += *p++;
        while (IsDigit(*p)) norm += *p++;
    }
    if (norm.empty()) return false;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (IsDigit(*q)) {
            norm.append(p, static_cast<size_t>(q - p));
            while (IsDigit(*q)) norm += *q++;
            p = q;
        }
    }
    Consumed = static_cast<size_t>(p - Text);
    bool overflow;
    Value = CStrToLD(norm.c_str(), overflow);
    return !overflow;
}

// ===========================================================================
// Format

TVarRec::TVarRec(char32_t Value) : FType(vtChar), FString(Utf8Encode(Value)) {}

namespace {

constexpr long kMaxFormatWidth = 1L << 24;

class TFormatter {
public:
    TFormatter(const TFormatSettings& S, const std::string& Fmt, const TVarRec* Args, size_t Count)
        : FSettings(S), FFmt(Fmt), FArgs(Args), FCount(Count) {}

    std::string Run() {
        std::string out;
        size_t i = 0;
        while (i < FFmt.size()) {
            const size_t pct = FFmt.find('%', i);
            if (pct == std::string::npos) {
                out.append(FFmt, i, std::string::npos);
                break;
            }
            out.append(FFmt, i, pct - i);
            i = pct + 1;
            if (i < FFmt.size() && FFmt[i] == '%') {
                out += '%';
                ++i;
                continue;
            }
            Directive(i, out);
        }
        return out;
    }

private:
    [[noreturn]] void Fail() const {
        throw EConvertError("Format '" + FFmt + "' invalid or incompatible with argument");
    }

    const TVarRec& NextArg() {
        if (FNext >= FCount) Fail();
        return FArgs[FNext++];
    }

    // A '*' argument (an integer) or a run of digits; -1 when neither is there.
    long Number(size_t& i) {
        if (i < FFmt.size() && FFmt[i] == '*') {
            ++i;
            const TVarRec& a = NextArg();
            if (a.VType() != TVarRec::vtInteger) Fail();
            const int64_t v = a.VInteger();
            if (v > kMaxFormatWidth || v < -kMaxFormatWidth) Fail();
            return static_cast<long>(v);
        }
        if (i >= FFmt.size() || !IsDigit(FFmt[i])) return -1;
        long v = 0;
        while (i < FFmt.size() && IsDigit(FFmt[i])) {
            v = v * 10 + (FFmt[i++] - '0');
            if (v > kMaxFormatWidth) Fail();
        }
        return v;
    }

    // "%" [index ":"] ["-"] [width] ["." precision] type; i is past the '%'.
    void Directive(size_t& i, std::string& out) {
        // The index: digits or '*' followed by ':'.
        {
            size_t j = i;
            while (j < FFmt.size() && IsDigit(FFmt[j])) ++j;
            const bool star = j == i && j < FFmt.size() && FFmt[j] == '*';
            if (star) ++j;
            if (j > i && j < FFmt.size() && FFmt[j] == ':') {
                size_t k = i;
                const long n = Number(k);
                if (n < 0) Fail();
                FNext = static_cast<size_t>(n);
                i = j + 1;
            }
        }
        bool left = false;
        if (i < FFmt.size() && FFmt[i] == '-') {
            left = true;
            ++i;
        }
        long width = Number(i);
        if (width < -1 || (width == -1 && i > 0 && FFmt[i - 1] == '*')) {
            // A negative '*' width left-justifies in its magnitude.
            left = true;
            width = -width;
        }
        long prec = -1;
        if (i < FFmt.size() && FFmt[i] == '.') {
            ++i;
            const bool star = i < FFmt.size() && FFmt[i] == '*';
            prec = Number(i);
            if (prec < 0) prec = star ? -1 : 0;  // a negative '*' means none; "%.f" means 0
        }
        if (i >= FFmt.size()) Fail();
        const char type = static_cast<char>(AsciiUpper(static_cast<unsigned char>(FFmt[i++])));
        std::string text = Convert(type, prec);
        const long len = static_cast<long>(Utf8Length(text));
        if (width > len) {
            const std::string pad(static_cast<size_t>(width - len), ' ');
            text = left ? text + pad : pad + text;
        }
        out += text;
    }

    std::string Convert(char type, long prec) {
        const TVarRec& a = NextArg();
        switch (type) {
            case 'D':
            case 'U':
            case 'X': {
                if (a.VType() != TVarRec::vtInteger) Fail();
                const int64_t v = a.VInteger();
                std::string digits;
                bool neg = false;
                if (type == 'X') {
                    const uint64_t bits = (!a.Is64Bit() && v < 0) ? static_cast<uint32_t>(v) : static_cast<uint64_t>(v);
                    digits = HexDigits(bits, 1);
                } else if (a.IsUnsigned()) {
                    digits = std::to_string(static_cast<uint64_t>(v));
                } else if (type == 'U' && v < 0) {
                    digits = a.Is64Bit() ? std::to_string(static_cast<uint64_t>(v))
                                         : std::to_string(static_cast<uint32_t>(v));
                } else {
                    neg = v < 0;
                    digits = neg ? std::to_string(v).substr(1) : std::to_string(v);
                }
                if (prec > static_cast<long>(digits.size()))
                    digits.insert(0, static_cast<size_t>(prec) - digits.size(), '0');
                return neg ? "-" + digits : digits;
            }
            case 'E':
            case 'F':
            case 'G':
            case 'N':
            case 'M': {
                if (a.VType() != TVarRec::vtExtended) Fail();
                const Extended v = a.VExtended();
                switch (type) {
                    case 'E':
                        return FloatToStrF(v, ffExponent, prec < 0 ? 15 : static_cast<int>(prec), 3, FSettings);
                    case 'G':
                        return FloatToStrF(v, ffGeneral, prec < 0 ? 15 : static_cast<int>(std::max(prec, 1L)), 0,
                                           FSettings);
                    case 'F':
                        return FloatToStrF(v, ffFixed, kClassicPrecision, prec < 0 ? 2 : static_cast<int>(prec),
                                           FSettings);
                    case 'N':
                        return FloatToStrF(v, ffNumber, kClassicPrecision, prec < 0 ? 2 : static_cast<int>(prec),
                                           FSettings);
                    default:
                        return FloatToStrF(v, ffCurrency, kClassicPrecision,
                                           prec < 0 ? FSettings.CurrencyDecimals : static_cast<int>(prec), FSettings);
                }
            }
            case 'S': {
                if (a.VType() != TVarRec::vtString && a.VType() != TVarRec::vtChar) Fail();
                if (prec >= 0) return Utf8Copy(a.VString(), 1, static_cast<int>(prec));
                return a.VString();
            }
            case 'P': {
                if (a.VType() != TVarRec::vtPointer) Fail();
                return HexDigits(reinterpret_cast<uintptr_t>(a.VPointer()), static_cast<int>(2 * sizeof(void*)));
            }
            default:
                Fail();
        }
    }

    const TFormatSettings& FSettings;
    const std::string& FFmt;
    const TVarRec* FArgs;
    size_t FCount;
    size_t FNext = 0;
};

}  // namespace

std::string FormatArgs(const TFormatSettings& Settings, const std::string& Fmt, const TVarRec* Args,
                       size_t Count) {
    return TFormatter(Settings, Fmt, Args, Count).Run();
}

std::string FormatArgs(const std::string& Fmt, const TVarRec* Args, size_t Count) {
    return FormatArgs(FormatSettings(), Fmt, Args, Count);
}

std::string Format(const std::string& Fmt, std::initializer_list<TVarRec> Args) {
    return FormatArgs(FormatSettings(), Fmt, Args.begin(), Args.size());
}

std::string Format(const std::string& Fmt, const std::vector<TVarRec>& Args) {
    return FormatArgs(FormatSettings(), Fmt, Args.data(), Args.size());
}

std::string Format(const TFormatSettings& Settings, const std::string& Fmt, std::initializer_list<TVarRec> Args) {
    return FormatArgs(Settings, Fmt, Args.begin(), Args.size());
}

std::string Format(const TFormatSettings& Settings, const std::string& Fmt, const std::vector<TVarRec>& Args) {
    return FormatArgs(Settings, Fmt, Args.data(), Args.size());
}

}  // namespace vcl
