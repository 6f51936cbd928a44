#include "Filer.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <limits>
#include <mutex>
#include <new>
#include <vector>

#include "Exceptions.h"
#include "Lists.h"
#include "Streams.h"
#include "SysUtils.h"

namespace vcl {

namespace {

// ---------------------------------------------------------------------------
// Helpers shared by reader and writer

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return c - 'a' + 10;
}

bool IsIdentifier(const std::string& S) {
    if (S.empty() || !IsAlpha(S[0])) return false;
    return std::all_of(S.begin() + 1, S.end(), [](char c) { return IsAlpha(c) || IsDigit(c); });
}

void AppendUtf8(std::string& Out, uint32_t Cp) {
    if (Cp < 0x80) {
        Out += static_cast<char>(Cp);
    } else if (Cp < 0x800) {
        Out += static_cast<char>(0xC0 | (Cp >> 6));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    } else if (Cp < 0x10000) {
        Out += static_cast<char>(0xE0 | (Cp >> 12));
        Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (Cp >> 18));
        Out += static_cast<char>(0x80 | ((Cp >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    }
}

// Decodes one well-formed UTF-8 sequence at S[I]; returns its length and sets
// Cp, or returns 0 when the bytes there are not well-formed UTF-8 (overlong
// forms, surrogates and values above U+10FFFF included).
size_t DecodeUtf8(const std::string& S, size_t I, uint32_t& Cp) {
    const auto b0 = static_cast<unsigned char>(S[I]);
    size_t len;
    uint32_t min;
    if (b0 < 0x80) {
        Cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2, min = 0x80, Cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, min = 0x800, Cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, min = 0x10000, Cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (I + len > S.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(S[I + k]);
        if ((b & 0xC0) != 0x80) return 0;
        Cp = (Cp << 6) | (b & 0x3F);
    }
    if (Cp < min || Cp > 0x10FFFF || (Cp >= 0xD800 && Cp <= 0xDFFF)) return 0;
    return len;
}

std::string Spaces(int N) { return std::string(static_cast<size_t>(std::max(N, 0)), ' '); }

// The C locale for the float conversions, whatever the process's locale is.
locale_t CLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

template <class T>
std::string ShortestText(T Value) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, Value);
    return std::string(buf, r.ptr);
}

// The shortest text that reads back as the same value of type Type.
std::string FloatToText(long double Value, TFloatType Type) {
    if (std::isnan(Value)) return "NAN";
    if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
    std::string s;
    switch (Type) {
        case ftSingle: s = ShortestText(static_cast<float>(Value)); break;
        case ftDouble: s = ShortestText(static_cast<double>(Value)); break;
        case ftExtended: s = ShortestText(Value); break;
    }
    // A float shows a '.' or an exponent, so that it reads back as a float.
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

// Converts the decimal text of a number token in the type Type.  False when
// the value overflows the type (underflow rounds to a subnormal or zero).
bool TextToFloat(const std::string& Text, TFloatType Type, long double& Value) {
    const char* begin = Text.c_str();
    char* end = nullptr;
    errno = 0;
    switch (Type) {
        case ftSingle: Value = strtof_l(begin, &end, CLocale()); break;
        case ftDouble: Value = strtod_l(begin, &end, CLocale()); break;
        case ftExtended: Value = strtold_l(begin, &end, CLocale()); break;
    }
    if (end != begin + Text.size()) return false;
    if (errno == ERANGE && std::isinf(Value)) return false;
    return true;
}

// Quotes a string for a form file (see Filer.h).  Pieces longer than about
// 64 characters continue on the next line, indented by ContIndent.
std::string QuoteString(const std::string& S, int ContIndent) {
    if (S.empty()) return "''";
    constexpr size_t MaxPiece = 64;
    std::string out;
    bool inQuote = false;
    size_t pieceLen = 0;
    size_t i = 0;
    while (i < S.size()) {
        if (pieceLen >= MaxPiece) {
            if (inQuote) out += '\'';
            inQuote = false;
            out += " +\n" + Spaces(ContIndent);
            pieceLen = 0;
        }
        uint32_t cp = 0;
        size_t len = DecodeUtf8(S, i, cp);
        if (len == 0) {
            // Not UTF-8: the byte goes raw into the quotes, so it reads back as it is.
            if (!inQuote) out += '\'', ++pieceLen;
            inQuote = true;
            out += S[i];
            ++pieceLen;
            ++i;
            continue;
        }
        if (cp >= 32 && cp < 127) {
            if (!inQuote) out += '\'', ++pieceLen;
            inQuote = true;
            if (cp == '\'') {
                out += "''";
                pieceLen += 2;
            } else {
                out += static_cast<char>(cp);
                ++pieceLen;
            }
        } else {
            if (inQuote) out += '\'', ++pieceLen;
            inQuote = false;
            const std::string code = "#" + std::to_string(cp);
            out += code;
            pieceLen += code.size();
        }
        i += len;
    }
    if (inQuote) out += '\'';
    return out;
}

const char HexDigits[] = "0123456789ABCDEF";

std::string ObjectName(const TComponent* C) { return C->Name().empty() ? C->ClassName() : C->Name(); }

// The global component lookups for references to components of other roots.
struct TGlobalFinders {
    std::mutex Lock;
    std::vector<TFindGlobalComponent> Procs;
};

TGlobalFinders& GlobalFinders() {
    static TGlobalFinders finders;
    return finders;
}

TComponent* FindGlobal(const std::string& Name) {
    std::vector<TFindGlobalComponent> procs;
    {
        std::lock_guard<std::mutex> g(GlobalFinders().Lock);
        procs = GlobalFinders().Procs;
    }
    for (auto it = procs.rbegin(); it != procs.rend(); ++it)
        if (TComponent* c = (*it)(Name)) return c;
    return nullptr;
}

}  // namespace

void RegisterFindGlobalComponentProc(TFindGlobalComponent Proc) {
    if (!Proc) return;
    std::lock_guard<std::mutex> g(GlobalFinders().Lock);
    GlobalFinders().Procs.push_back(Proc);
}

void UnRegisterFindGlobalComponentProc(TFindGlobalComponent Proc) {
    std::lock_guard<std::mutex> g(GlobalFinders().Lock);
    auto& procs = GlobalFinders().Procs;
    auto it = std::find(procs.rbegin(), procs.rend(), Proc);
    if (it != procs.rend()) procs.erase(std::next(it).base());
}

TFiler::~TFiler() = default;

// ===========================================================================
// Writer

struct TWriter::TImpl {
    explicit TImpl(TWriter& S, TStream& St) : Self(S), Stream(St) {}

    TWriter& Self;
    TStream& Stream;
    std::string Out;

    // Where the published and defined properties of the current object go.
    std::string Prefix;  // dotted prefix of a sub-object ("Font.")
    int Indent = 0;      // indentation of the property lines

    // State of a DefineProperty writer.
    bool InValue = false;
    std::string ValueName;  // for messages
    std::string Value;      // the value's text
    int ListDepth = 0;
    int TopValues = 0;

    void WriteObject(TComponent* C, int ObjIndent, int Depth);
    void WriteProperties(TPersistent* Obj, const std::string& ObjPrefix, int Depth);
    void WriteProperty(TPersistent* Obj, const TPropInfo& P, int Depth);
    std::string ReferenceName(TComponent* C, const std::string& PropName) const;
    void Line(const std::string& Name, const std::string& ValueText) {
        Out += Spaces(Indent);
        Out += Name;
        Out += " = ";
        Out += ValueText;
        Out += '\n';
    }

    // Starts one value of a DefineProperty writer; returns the indentation
    // for continuation lines of a string.
    int BeginValue() {
        if (!InValue) throw EWriteError("Values can only be written by a DefineProperty writer");
        if (ListDepth == 0) {
            if (TopValues > 0)
                throw EWriteError("Property " + ValueName + " wrote more than one value");
            ++TopValues;
            return Indent + 2;
        }
        Value += '\n';
        Value += Spaces(Indent + 2 * ListDepth);
        return Indent + 2 * ListDepth + 2;
    }
};

TWriter::TWriter(TStream& Stream) : FImpl(std::make_unique<TImpl>(*this, Stream)) {}
TWriter::~TWriter() = default;

void TWriter::WriteRootComponent(TComponent* Root) {
    if (!Root) throw EWriteError("No component to write");
    FRoot = Root;
    FImpl->Out.clear();
    FImpl->WriteObject(Root, 0, 1);
    std::string text;
    text.swap(FImpl->Out);
    FImpl->Stream.WriteBuffer(text.data(), static_cast<Int64>(text.size()));
}

void TWriter::TImpl::WriteObject(TComponent* C, int ObjIndent, int Depth) {
    if (Depth > MaxFormNesting)
        throw EWriteError("Components nested too deeply at " + ObjectName(C));
    Out += Spaces(ObjIndent) + "object ";
    if (!C->Name().empty()) Out += C->Name() + ": ";
    Out += C->ClassName() + "\n";
    Indent = ObjIndent + 2;
    WriteProperties(C, "", 0);
    C->GetChildren([&](TComponent* Child) { WriteObject(Child, ObjIndent + 2, Depth + 1); }, Self.FRoot);
    Out += Spaces(ObjIndent) + "end\n";
}

void TWriter::TImpl::WriteProperties(TPersistent* Obj, const std::string& ObjPrefix, int Depth) {
    if (Depth > MaxFormNesting)
        throw EWriteError("Sub-objects nested too deeply at " + ObjPrefix);
    const int savedIndent = Indent;
    for (const TPropInfo* p : Obj->ClassType().Properties()) {
        Prefix = ObjPrefix;
        Indent = savedIndent;
        WriteProperty(Obj, *p, Depth);
    }
    Prefix = ObjPrefix;
    Indent = savedIndent;
    CallDefineProperties(*Obj, Self);
    Prefix = ObjPrefix;
    Indent = savedIndent;
}

void TWriter::TImpl::WriteProperty(TPersistent* Obj, const TPropInfo& P, int Depth) {
    if (!P.IsStored(*Obj)) return;
    const std::string name = Prefix + P.Name;
    switch (P.Kind) {
        case tkInteger:
        case tkInt64: {
            if (!P.GetOrd || P.IsDefaultValue(*Obj)) return;
            const int64_t v = P.GetOrd(*Obj);
            std::string ident;
            if (P.IntToIdent && P.IntToIdent(v, ident) && !ident.empty())
                Line(name, ident);
            else
                Line(name, P.OrdType == otUInt64 ? std::to_string(static_cast<uint64_t>(v)) : std::to_string(v));
            return;
        }
        case tkEnumeration: {
            if (!P.GetOrd || !P.Enum || P.IsDefaultValue(*Obj)) return;
            const int64_t v = P.GetOrd(*Obj);
            const std::string text = P.Enum->NameOf(v);
            if (text.empty())
                throw EWriteError("Property " + name + " has the value " + std::to_string(v) +
                                  ", which " + P.Enum->TypeName + " has no name for");
            Line(name, text);
            return;
        }
        case tkSet: {
            if (!P.GetOrd || !P.Enum || P.IsDefaultValue(*Obj)) return;
            const auto bits = static_cast<uint64_t>(P.GetOrd(*Obj));
            std::string text = "[";
            for (int i = 0; i < 64; ++i) {
                if (!(bits & (uint64_t{1} << i))) continue;
                if (i >= P.Enum->Count())
                    throw EWriteError("Property " + name + " holds the element " + std::to_string(i) +
                                      ", which " + P.Enum->TypeName + " has no name for");
                if (text.size() > 1) text += ", ";
                text += P.Enum->Names[static_cast<size_t>(i)];
            }
            Line(name, text + "]");
            return;
        }
        case tkFloat:
            if (!P.GetFloat || P.IsDefaultValue(*Obj)) return;
            Line(name, FloatToText(P.GetFloat(*Obj), P.FloatType));
            return;
        case tkString:
            if (!P.GetStr || P.IsDefaultValue(*Obj)) return;
            Line(name, QuoteString(P.GetStr(*Obj), Indent + 2));
            return;
        case tkStrings: {
            if (!P.GetObj) return;
            auto* list = dynamic_cast<TStrings*>(P.GetObj(*Obj));
            if (!list || list->Count() == 0) return;
            std::string text = "(";
            for (int i = 0; i < list->Count(); ++i)
                text += "\n" + Spaces(Indent + 2) + QuoteString(list->Strings(i), Indent + 4);
            Line(name + ".Strings", text + ")");
            return;
        }
        case tkClass: {
            if (!P.GetObj) return;
            TObject* o = P.GetObj(*Obj);
            if (!o) return;
            if (P.IsReference) {
                auto* c = dynamic_cast<TComponent*>(o);
                if (c) Line(name, ReferenceName(c, name));
                return;
            }
            auto* sub = dynamic_cast<TPersistent*>(o);
            if (!sub) return;
            WriteProperties(sub, name + ".", Depth + 1);
            return;
        }
        default:
            return;  // events and unknown kinds are not streamed
    }
}

std::string TWriter::TImpl::ReferenceName(TComponent* C, const std::string& PropName) const {
    if (C->Name().empty())
        throw EWriteError("Property " + PropName + " refers to a " + C->ClassName() +
                          " that has no name");
    TComponent* root = Self.FRoot;
    if (C == root || C->Owner() == root || !C->Owner() || C->Owner()->Name().empty()) return C->Name();
    return C->Owner()->Name() + "." + C->Name();
}

void TWriter::DefineProperty(const std::string& Name, TReaderProc, TWriterProc WriteData, bool HasData) {
    if (!HasData || !WriteData) return;
    TImpl& w = *FImpl;
    const std::string name = w.Prefix + Name;
    if (!IsIdentifier(Name)) throw EWriteError("Invalid property name " + name);
    if (w.InValue) throw EWriteError("DefineProperty cannot be called while " + w.ValueName + " is written");
    w.InValue = true;
    w.ValueName = name;
    w.Value.clear();
    w.ListDepth = 0;
    w.TopValues = 0;
    try {
        WriteData(*this);
    } catch (...) {
        w.InValue = false;
        throw;
    }
    w.InValue = false;
    if (w.ListDepth != 0) throw EWriteError("Property " + name + " left a list open");
    if (w.TopValues != 1) throw EWriteError("Property " + name + " wrote no value");
    w.Line(name, w.Value);
}

void TWriter::DefineBinaryProperty(const std::string& Name, TStreamProc, TStreamProc WriteData, bool HasData) {
    if (!HasData || !WriteData) return;
    TImpl& w = *FImpl;
    const std::string name = w.Prefix + Name;
    if (!IsIdentifier(Name)) throw EWriteError("Invalid property name " + name);
    TMemoryStream data;
    WriteData(data);
    const auto* bytes = static_cast<const unsigned char*>(data.Memory());
    const auto size = static_cast<size_t>(data.Size());
    std::string text = "{";
    for (size_t i = 0; i < size; ++i) {
        if (i % 32 == 0) text += "\n" + Spaces(w.Indent + 2);
        text += HexDigits[bytes[i] >> 4];
        text += HexDigits[bytes[i] & 15];
    }
    w.Line(name, text + "}");
}

void TWriter::WriteInteger(int64_t Value) {
    FImpl->BeginValue();
    FImpl->Value += std::to_string(Value);
}

void TWriter::WriteFloat(long double Value, TFloatType Type) {
    FImpl->BeginValue();
    FImpl->Value += FloatToText(Value, Type);
}

void TWriter::WriteString(const std::string& Value) {
    const int cont = FImpl->BeginValue();
    FImpl->Value += QuoteString(Value, cont);
}

void TWriter::WriteBoolean(bool Value) {
    FImpl->BeginValue();
    FImpl->Value += Value ? "True" : "False";
}

void TWriter::WriteIdent(const std::string& Value) {
    if (!IsIdentifier(Value)) throw EWriteError("'" + Value + "' is not an identifier");
    FImpl->BeginValue();
    FImpl->Value += Value;
}

void TWriter::WriteListBegin() {
    FImpl->BeginValue();
    if (FImpl->ListDepth >= MaxFormNesting) throw EWriteError("Lists nested too deeply");
    FImpl->Value += '(';
    ++FImpl->ListDepth;
}

void TWriter::WriteListEnd() {
    if (!FImpl->InValue) throw EWriteError("Values can only be written by a DefineProperty writer");
    if (FImpl->ListDepth == 0) throw EWriteError("WriteListEnd without WriteListBegin");
    FImpl->Value += ')';
    --FImpl->ListDepth;
}

void WriteComponent(TStream& Stream, TComponent* Root) {
    TWriter writer(Stream);
    writer.WriteRootComponent(Root);
}

std::string ComponentToString(TComponent* Root) {
    TStringStream stream;
    WriteComponent(stream, Root);
    return stream.DataString();
}

void WriteComponentToFile(const std::string& FileName, TComponent* Root) {
    TStringStream text;
    WriteComponent(text, Root);  // complete before the file is touched
    TFileStream file(FileName, fmCreate);
    file.WriteBuffer(text.DataString().data(), static_cast<Int64>(text.DataString().size()));
}

// ===========================================================================
// Reader

namespace {

// Errors of the reader itself; they already name the line.
class EFormError : public EReadError {
public:
    EFormError(int Line, const std::string& Msg) : EReadError("Line " + std::to_string(Line) + ": " + Msg) {}
};

enum TTokenKind { tkEOF, tkIdent, tkInt, tkFloatNum, tkStringLit, tkBinary, tkSymbol };

struct TToken {
    TTokenKind Kind = tkEOF;
    int Line = 1;
    char Symbol = 0;
    std::string Text;  // identifier, number text, decoded string, binary bytes
};

// Splits form text into tokens.
class TLexer {
public:
    explicit TLexer(std::string Data) : FData(std::move(Data)) {
        if (FData.compare(0, 3, "\xEF\xBB\xBF") == 0) FPos = 3;
    }

    const TToken& Token() const { return FTok; }
    void Next();

private:
    [[noreturn]] void Fail(int Line, const std::string& Msg) const { throw EFormError(Line, Msg); }
    void ScanNumber();
    void ScanString();
    void ScanBinary();
    uint32_t ScanCharCode();

    std::string FData;
    size_t FPos = 0;
    int FLine = 1;
    int FLastLine = 1;  // line of the last token, where the end of the file is reported
    TToken FTok;
};

void TLexer::Next() {
    for (;;) {
        if (FPos >= FData.size()) {
            FTok.Kind = tkEOF;
            FTok.Line = FLastLine;
            FTok.Text.clear();
            FTok.Symbol = 0;
            return;
        }
        const char c = FData[FPos];
        if (c == '\n') {
            ++FLine;
            ++FPos;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++FPos;
        } else {
            break;
        }
    }
    FTok.Line = FLastLine = FLine;
    FTok.Text.clear();
    FTok.Symbol = 0;
    const char c = FData[FPos];
    const char next = FPos + 1 < FData.size() ? FData[FPos + 1] : '\0';
    if (IsAlpha(c)) {
        const size_t start = FPos;
        while (FPos < FData.size() && (IsAlpha(FData[FPos]) || IsDigit(FData[FPos]))) ++FPos;
        FTok.Kind = tkIdent;
        FTok.Text = FData.substr(start, FPos - start);
    } else if (IsDigit(c) || c == '$' || (c == '-' && (IsDigit(next) || next == '$'))) {
        ScanNumber();
    } else if (c == '\'' || c == '#') {
        ScanString();
    } else if (c == '{') {
        ScanBinary();
    } else if (std::string_view("=:[](),.+-<>").find(c) != std::string_view::npos) {
        FTok.Kind = tkSymbol;
        FTok.Symbol = c;
        ++FPos;
    } else {
        const auto u = static_cast<unsigned char>(c);
        Fail(FLine, u > 32 && u < 127 ? std::string("Invalid character '") + c + "'"
                                      : "Invalid character #" + std::to_string(u));
    }
}

void TLexer::ScanNumber() {
    const size_t start = FPos;
    if (FData[FPos] == '-') ++FPos;
    auto digits = [&](bool Hex) {
        const size_t from = FPos;
        while (FPos < FData.size() && (Hex ? IsHexDigit(FData[FPos]) : IsDigit(FData[FPos]))) ++FPos;
        return FPos > from;
    };
    auto at = [&](size_t I) { return I < FData.size() ? FData[I] : '\0'; };
    FTok.Kind = tkInt;
    if (at(FPos) == '$') {
        ++FPos;
        if (!digits(true)) Fail(FLine, "Invalid number");
    } else {
        digits(false);
        if (at(FPos) == '.' && IsDigit(at(FPos + 1))) {
            ++FPos;
            digits(false);
            FTok.Kind = tkFloatNum;
        }
        if ((at(FPos) == 'e' || at(FPos) == 'E') &&
            (IsDigit(at(FPos + 1)) || ((at(FPos + 1) == '+' || at(FPos + 1) == '-') && IsDigit(at(FPos + 2))))) {
            FPos += 2;
            digits(false);
            FTok.Kind = tkFloatNum;
        }
    }
    if (IsAlpha(at(FPos)) || IsDigit(at(FPos)) || at(FPos) == '.')
        if (at(FPos) != '.' || IsDigit(at(FPos + 1))) Fail(FLine, "Invalid number");
    FTok.Text = FData.substr(start, FPos - start);
}

uint32_t TLexer::ScanCharCode() {
    ++FPos;  // '#'
    const bool hex = FPos < FData.size() && FData[FPos] == '$';
    if (hex) ++FPos;
    uint32_t cp = 0;
    size_t count = 0;
    while (FPos < FData.size() && (hex ? IsHexDigit(FData[FPos]) : IsDigit(FData[FPos]))) {
        cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(hex ? HexValue(FData[FPos]) : FData[FPos] - '0');
        if (cp > 0x10FFFF) Fail(FLine, "Invalid character code");
        ++FPos;
        ++count;
    }
    if (count == 0) Fail(FLine, "Invalid character code");
    return cp;
}

void TLexer::ScanString() {
    FTok.Kind = tkStringLit;
    std::string& out = FTok.Text;
    for (;;) {
        if (FPos >= FData.size()) break;
        const char c = FData[FPos];
        if (c == '\'') {
            ++FPos;
            for (;;) {
                if (FPos >= FData.size() || FData[FPos] == '\n' || FData[FPos] == '\r')
                    Fail(FLine, "Unterminated string");
                const char d = FData[FPos];
                if (d == '\'') {
                    if (FPos + 1 < FData.size() && FData[FPos + 1] == '\'') {
                        out += '\'';
                        FPos += 2;
                        continue;
                    }
                    ++FPos;
                    break;
                }
                out += d;
                ++FPos;
            }
        } else if (c == '#') {
            uint32_t cp = ScanCharCode();
            if (cp >= 0xDC00 && cp <= 0xDFFF) Fail(FLine, "Invalid character code");
            if (cp >= 0xD800 && cp <= 0xDBFF) {
                // A UTF-16 surrogate pair written as two codes.
                if (FPos >= FData.size() || FData[FPos] != '#') Fail(FLine, "Invalid character code");
                const uint32_t low = ScanCharCode();
                if (low < 0xDC00 || low > 0xDFFF) Fail(FLine, "Invalid character code");
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            }
            AppendUtf8(out, cp);
        } else {
            break;
        }
    }
}

void TLexer::ScanBinary() {
    const int startLine = FLine;
    ++FPos;  // '{'
    FTok.Kind = tkBinary;
    std::string& out = FTok.Text;
    int pending = -1;  // high nibble waiting for its low nibble
    for (;;) {
        if (FPos >= FData.size()) Fail(startLine, "Unterminated binary value");
        const char c = FData[FPos++];
        if (c == '}') break;
        if (c == '\n') {
            ++FLine;
        } else if (c == ' ' || c == '\t' || c == '\r') {
        } else if (IsHexDigit(c)) {
            if (pending < 0) {
                pending = HexValue(c);
            } else {
                out += static_cast<char>((pending << 4) | HexValue(c));
                pending = -1;
            }
        } else {
            Fail(FLine, "Invalid binary value");
        }
    }
    if (pending >= 0) Fail(FLine, "Odd number of hex digits in binary value");
}

struct TDefinition {
    std::string Name;
    bool Binary = false;
    TReaderProc Read;
    TStreamProc ReadBinary;
};

struct TFixup {
    TObject* Instance;
    const TPropInfo* Prop;
    std::vector<std::string> Target;  // the reference's dotted name
    int Line;
    std::string Path;  // Form1.Source, for messages
};

std::string JoinDots(const std::vector<std::string>& Parts) {
    std::string s;
    for (const auto& p : Parts) {
        if (!s.empty()) s += '.';
        s += p;
    }
    return s;
}

// Magnitude and sign of an integer token; false when it does not fit 64 bits.
bool ParseInteger(const std::string& Text, bool& Negative, uint64_t& Magnitude) {
    size_t i = 0;
    Negative = !Text.empty() && Text[0] == '-';
    if (Negative) ++i;
    const bool hex = i < Text.size() && Text[i] == '$';
    if (hex) ++i;
    Magnitude = 0;
    const uint64_t base = hex ? 16 : 10;
    for (; i < Text.size(); ++i) {
        const auto d = static_cast<uint64_t>(HexValue(Text[i]));
        if (Magnitude > (UINT64_MAX - d) / base) return false;
        Magnitude = Magnitude * base + d;
    }
    return true;
}

}  // namespace

struct TReader::TImpl {
    explicit TImpl(TReader& S, TStream& St) : Self(S), Stream(St), Lex(std::string()) {}

    TReader& Self;
    TStream& Stream;
    TLexer Lex;

    std::vector<TComponent*> Read;      // every component read, in order
    std::vector<int> ReadLines;         // the line of each one's header
    std::vector<TComponent*> Created;   // the components this read created
    std::vector<TFixup> Fixups;

    bool Collecting = false;
    std::vector<TDefinition> Definitions;

    // State of a DefineProperty reader.
    bool InValue = false;
    int ListDepth = 0;
    int TopValues = 0;

    const TToken& Tok() const { return Lex.Token(); }
    [[noreturn]] void Fail(const std::string& Msg) const { throw EFormError(Tok().Line, Msg); }
    [[noreturn]] void FailValue() const {
        if (Tok().Kind == tkEOF) Fail("Unexpected end of file");
        Fail("Invalid property value");
    }
    [[noreturn]] void Expected(const std::string& What) const {
        if (Tok().Kind == tkEOF) Fail("Unexpected end of file");
        Fail(What + " expected");
    }
    bool IsSymbol(char C) const { return Tok().Kind == tkSymbol && Tok().Symbol == C; }
    bool IsKeyword(const char* Word) const { return Tok().Kind == tkIdent && SameText(Tok().Text, Word); }
    bool IsObjectKeyword() const {
        return IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline");
    }
    void ExpectSymbol(char C) {
        if (!IsSymbol(C)) Expected(std::string("'") + C + "'");
        Lex.Next();
    }
    std::string ExpectIdent() {
        if (Tok().Kind != tkIdent) Expected("Identifier");
        std::string s = Tok().Text;
        Lex.Next();
        return s;
    }

    TComponent* ReadRoot(TComponent* Root, TComponent* Owner);
    void ReadBody();
    void ReadHeader(std::string& Name, std::string& ClassName);
    TComponent* ReadChild(TComponent* Parent);
    void ReadProperty(TComponent* C);
    void ReadPropertyValue(TObject* Obj, const TPropInfo& P, const std::string& Path, int Line);
    void ReadDefined(TPersistent* Obj, const std::string& Name, const std::string& FullName, int Line);
    TComponent* FindReference(const std::vector<std::string>& Target, bool Global) const;
    void SetReference(TObject* Obj, const TPropInfo& P, TComponent* Target);
    void FinishLoading();
    void Abandon() noexcept;

    // Values
    std::string ReadStringValue();
    int64_t ReadIntegerValue(int64_t Min, int64_t Max, const std::string& What);
    long double ReadFloatValue(TFloatType Type, const std::string& What);
    void SkipValue();
    void BeginValue() {
        if (!InValue) throw EReadError("Values can only be read by a DefineProperty reader");
        if (ListDepth == 0) {
            if (TopValues > 0) Fail("Invalid property value");
            ++TopValues;
        }
    }
};

TReader::TReader(TStream& Stream) : FImpl(std::make_unique<TImpl>(*this, Stream)) {}
TReader::~TReader() = default;

void TReader::ReadRootComponent(TComponent* Root) {
    if (!Root) throw EReadError("No component to read into");
    FImpl->ReadRoot(Root, nullptr);
}

TComponent* TReader::ReadRootComponentCreate(TComponent* Owner) { return FImpl->ReadRoot(nullptr, Owner); }

TComponent* TReader::TImpl::ReadRoot(TComponent* Root, TComponent* Owner) {
    Lex = TLexer(Stream.ReadAll());
    Read.clear();
    ReadLines.clear();
    Created.clear();
    Fixups.clear();
    try {
        Lex.Next();
        if (!IsObjectKeyword()) Expected("'object'");
        const int line = Tok().Line;
        Lex.Next();
        std::string name, className;
        ReadHeader(name, className);
        if (Root) {
            const TMetaClass* c = &Root->ClassType();
            while (c && !SameText(c->ClassName(), className)) c = c->ClassParent();
            if (!c) throw EFormError(line, "Class " + className + " does not match " + Root->ClassName());
        } else {
            const TMetaClass* meta = GetClass(className);
            if (!meta) throw EFormError(line, "Class " + className + " not found");
            try {
                Root = meta->Create(Owner);
            } catch (const EReadError&) {
                throw;
            } catch (const std::bad_alloc&) {
                throw;
            } catch (const std::exception& e) {
                throw EFormError(line, "Error creating " + className + ": " + e.what());
            }
            Created.push_back(Root);
        }
        Self.FRoot = Root;
        Read.push_back(Root);
        ReadLines.push_back(line);
        Root->SetLoading(true);
        if (!name.empty()) {
            try {
                Root->SetName(name);
            } catch (const std::bad_alloc&) {
                throw;
            } catch (const std::exception& e) {
                throw EFormError(line, "Error reading " + name + ".Name: " + e.what());
            }
        }
        ReadBody();
        if (Tok().Kind != tkEOF) Fail("End of file expected");
        FinishLoading();
    } catch (...) {
        Abandon();
        throw;
    }
    Read.clear();
    Created.clear();
    return Root;
}

void TReader::TImpl::ReadHeader(std::string& Name, std::string& ClassName) {
    std::string first = ExpectIdent();
    if (IsSymbol(':')) {
        Lex.Next();
        Name = first;
        ClassName = ExpectIdent();
    } else {
        ClassName = first;
    }
    if (IsSymbol('[')) {  // the position of an inherited child; not used here
        Lex.Next();
        if (Tok().Kind != tkInt) Expected("Integer");
        Lex.Next();
        ExpectSymbol(']');
    }
}

// Reads the properties and children of the root and the 'end's, without
// recursion: the open objects are kept on a stack.
void TReader::TImpl::ReadBody() {
    struct TFrame {
        TComponent* C;
        bool InChildren;
    };
    std::vector<TFrame> stack{{Self.FRoot, false}};
    while (!stack.empty()) {
        TFrame& top = stack.back();
        if (IsKeyword("end")) {
            Lex.Next();
            stack.pop_back();
        } else if (IsObjectKeyword()) {
            top.InChildren = true;
            if (static_cast<int>(stack.size()) >= MaxFormNesting) Fail("Objects nested too deeply");
            TComponent* parent = top.C;
            stack.push_back({ReadChild(parent), false});
        } else if (!top.InChildren && Tok().Kind == tkIdent) {
            ReadProperty(top.C);
        } else if (Tok().Kind == tkEOF) {
            Fail("Unexpected end of file");
        } else {
            Fail(top.InChildren ? "'end' expected" : "Property name expected");
        }
    }
}

TComponent* TReader::TImpl::ReadChild(TComponent* Parent) {
    const int line = Tok().Line;
    Lex.Next();  // object / inherited / inline
    std::string name, className;
    ReadHeader(name, className);
    TComponent* root = Self.FRoot;
    const TMetaClass* meta = GetClass(className);
    if (!meta) throw EFormError(line, "Class " + className + " not found");
    TComponent* c = name.empty() ? nullptr : root->FindComponent(name);
    if (c) {
        if (&c->ClassType() != meta || std::find(Read.begin(), Read.end(), c) != Read.end())
            throw EFormError(line, "A component named " + name + " already exists");
    } else {
        if (!meta->InheritsFrom(TComponent::StaticClass()) || !meta->CanCreate())
            throw EFormError(line, "Cannot create an instance of class " + className);
        try {
            c = meta->Create(root);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& e) {
            throw EFormError(line, "Error creating " + className + ": " + e.what());
        }
        Created.push_back(c);
    }
    Read.push_back(c);
    ReadLines.push_back(line);
    c->SetLoading(true);
    try {
        if (!name.empty()) c->SetName(name);
        if (c->HasParent()) c->SetParentComponent(Parent);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw EFormError(line, "Error reading " + (name.empty() ? className : name) + ": " + e.what());
    }
    return c;
}

void TReader::TImpl::ReadProperty(TComponent* C) {
    const int line = Tok().Line;
    std::vector<std::string> path{ExpectIdent()};
    while (IsSymbol('.')) {
        Lex.Next();
        if (static_cast<int>(path.size()) >= MaxFormNesting) Fail("Property path nested too deeply");
        path.push_back(ExpectIdent());
    }
    ExpectSymbol('=');
    const std::string fullName = JoinDots(path);
    auto missing = [&]() -> EFormError { return EFormError(line, "Property " + fullName + " does not exist"); };

    TObject* obj = C;
    try {
        for (size_t i = 0; i < path.size(); ++i) {
            const bool last = i + 1 == path.size();
            const TPropInfo* p = obj->ClassType().FindProperty(path[i]);
            if (!p) {
                auto* persistent = dynamic_cast<TPersistent*>(obj);
                if (!last || !persistent) throw missing();
                ReadDefined(persistent, path[i], fullName, line);
                return;
            }
            if (p->Kind == tkStrings) {
                if (last) FailValue();
                if (i + 2 != path.size() || !SameText(path[i + 1], "Strings")) throw missing();
                auto* list = p->GetObj ? dynamic_cast<TStrings*>(p->GetObj(*obj)) : nullptr;
                if (!list) throw missing();
                ExpectSymbol('(');
                std::vector<std::string> items;
                while (!IsSymbol(')')) {
                    if (Tok().Kind != tkStringLit) FailValue();
                    items.push_back(ReadStringValue());
                }
                Lex.Next();
                list->BeginUpdate();
                try {
                    list->Clear();
                    for (const auto& s : items) list->Add(s);
                } catch (...) {
                    list->EndUpdate();
                    throw;
                }
                list->EndUpdate();
                return;
            }
            if (last) {
                ReadPropertyValue(obj, *p, ObjectName(C) + "." + fullName, line);
                return;
            }
            if (p->Kind != tkClass || p->IsReference || !p->GetObj) throw missing();
            TObject* sub = p->GetObj(*obj);
            if (!sub) throw missing();
            obj = sub;
        }
    } catch (const EFormError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw EFormError(line, "Error reading " + ObjectName(C) + "." + fullName + ": " + e.what());
    }
}

void TReader::TImpl::ReadPropertyValue(TObject* Obj, const TPropInfo& P, const std::string& Path, int Line) {
    switch (P.Kind) {
        case tkInteger:
        case tkInt64: {
            if (!P.SetOrd) break;
            if (Tok().Kind == tkIdent && P.IdentToInt) {
                int64_t named = 0;
                if (!P.IdentToInt(Tok().Text, named) || named < P.MinValue() || named > P.MaxValue())
                    FailValue();
                Lex.Next();
                P.SetOrd(*Obj, named);
                return;
            }
            if (Tok().Kind != tkInt) FailValue();
            int64_t v;
            if (P.OrdType == otUInt64) {
                bool negative;
                uint64_t magnitude;
                if (!ParseInteger(Tok().Text, negative, magnitude) || (negative && magnitude != 0))
                    Fail("Value out of range for " + P.Name);
                v = static_cast<int64_t>(magnitude);
                Lex.Next();
            } else {
                v = ReadIntegerValue(P.MinValue(), P.MaxValue(), P.Name);
            }
            P.SetOrd(*Obj, v);
            return;
        }
        case tkEnumeration: {
            if (!P.SetOrd || !P.Enum) break;
            if (Tok().Kind != tkIdent) FailValue();
            const int index = P.Enum->IndexOf(Tok().Text);
            if (index < 0) FailValue();
            Lex.Next();
            P.SetOrd(*Obj, index);
            return;
        }
        case tkSet: {
            if (!P.SetOrd || !P.Enum) break;
            if (!IsSymbol('[')) FailValue();
            Lex.Next();
            uint64_t bits = 0;
            if (!IsSymbol(']')) {
                for (;;) {
                    if (Tok().Kind != tkIdent) FailValue();
                    const int index = P.Enum->IndexOf(Tok().Text);
                    if (index < 0 || index >= 64) FailValue();
                    bits |= uint64_t{1} << index;
                    Lex.Next();
                    if (IsSymbol(']')) break;
                    if (!IsSymbol(',')) FailValue();
                    Lex.Next();
                }
            }
            Lex.Next();
            P.SetOrd(*Obj, static_cast<int64_t>(bits));
            return;
        }
        case tkFloat:
            if (!P.SetFloat) break;
            P.SetFloat(*Obj, ReadFloatValue(P.FloatType, P.Name));
            return;
        case tkString:
            if (!P.SetStr) break;
            if (Tok().Kind != tkStringLit) FailValue();
            P.SetStr(*Obj, ReadStringValue());
            return;
        case tkClass: {
            if (!P.IsReference || !P.SetObj) FailValue();
            if (Tok().Kind != tkIdent) FailValue();
            if (SameText(Tok().Text, "nil")) {
                Lex.Next();
                P.SetObj(*Obj, nullptr);
                return;
            }
            std::vector<std::string> target{Tok().Text};
            Lex.Next();
            while (IsSymbol('.')) {
                Lex.Next();
                if (static_cast<int>(target.size()) >= MaxFormNesting) Fail("Reference nested too deeply");
                target.push_back(ExpectIdent());
            }
            // A component the root already has is set now; anything else
            // after the whole file is read.
            if (TComponent* found = FindReference(target, false)) {
                if (P.PropClass && !found->InheritsFrom(P.PropClass()))
                    throw EFormError(Line, "Invalid property value");
                P.SetObj(*Obj, found);
            } else {
                Fixups.push_back({Obj, &P, std::move(target), Line, Path});
            }
            return;
        }
        default:
            FailValue();
    }
    throw EFormError(Line, "Property " + P.Name + " cannot be read");
}

void TReader::TImpl::ReadDefined(TPersistent* Obj, const std::string& Name, const std::string& FullName,
                                 int Line) {
    Definitions.clear();
    Collecting = true;
    try {
        CallDefineProperties(*Obj, Self);
    } catch (...) {
        Collecting = false;
        throw;
    }
    Collecting = false;
    std::vector<TDefinition> defs;
    defs.swap(Definitions);
    for (TDefinition& d : defs) {
        if (!SameText(d.Name, Name)) continue;
        if (d.Binary) {
            if (Tok().Kind != tkBinary) FailValue();
            if (d.ReadBinary) {
                TMemoryStream data;
                const std::string& bytes = Tok().Text;
                data.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
                data.SetPosition(0);
                d.ReadBinary(data);
            }
            Lex.Next();
            return;
        }
        if (!d.Read) {
            SkipValue();
            return;
        }
        InValue = true;
        ListDepth = 0;
        TopValues = 0;
        try {
            d.Read(Self);
        } catch (...) {
            InValue = false;
            throw;
        }
        InValue = false;
        if (TopValues != 1 || ListDepth != 0)
            throw EFormError(Line, "Error reading " + FullName + ": the value was not read to its end");
        return;
    }
    throw EFormError(Line, "Property " + FullName + " does not exist");
}

TComponent* TReader::TImpl::FindReference(const std::vector<std::string>& Target, bool Global) const {
    TComponent* root = Self.FRoot;
    TComponent* c = root->FindComponent(Target[0]);
    if (!c && !root->Name().empty() && SameText(root->Name(), Target[0])) c = root;
    if (!c && Global) c = FindGlobal(Target[0]);
    for (size_t i = 1; c && i < Target.size(); ++i) c = c->FindComponent(Target[i]);
    return c;
}

void TReader::TImpl::FinishLoading() {
    for (const TFixup& f : Fixups) {
        TComponent* target = FindReference(f.Target, true);
        if (!target) throw EFormError(f.Line, "Unresolved reference " + JoinDots(f.Target) + " in " + f.Path);
        if (f.Prop->PropClass && !target->InheritsFrom(f.Prop->PropClass()))
            throw EFormError(f.Line, "Invalid property value");
        try {
            f.Prop->SetObj(*f.Instance, target);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& e) {
            throw EFormError(f.Line, "Error reading " + f.Path + ": " + e.what());
        }
    }
    Fixups.clear();
    for (size_t i = 0; i < Read.size(); ++i) {
        TComponent* c = Read[i];
        try {
            c->Loaded();
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& e) {
            throw EFormError(ReadLines[i], "Error loading " + ObjectName(c) + ": " + e.what());
        }
        c->SetLoading(false);
    }
}

void TReader::TImpl::Abandon() noexcept {
    Fixups.clear();
    for (TComponent* c : Read)
        if (std::find(Created.begin(), Created.end(), c) == Created.end()) c->SetLoading(false);
    for (auto it = Created.rbegin(); it != Created.rend(); ++it) delete *it;
    Read.clear();
    Created.clear();
}

// --- values ----------------------------------------------------------------

std::string TReader::TImpl::ReadStringValue() {
    if (Tok().Kind != tkStringLit) FailValue();
    std::string s = Tok().Text;
    Lex.Next();
    while (IsSymbol('+')) {
        Lex.Next();
        if (Tok().Kind != tkStringLit) FailValue();
        s += Tok().Text;
        Lex.Next();
    }
    return s;
}

int64_t TReader::TImpl::ReadIntegerValue(int64_t Min, int64_t Max, const std::string& What) {
    if (Tok().Kind != tkInt) FailValue();
    bool negative;
    uint64_t magnitude;
    bool ok = ParseInteger(Tok().Text, negative, magnitude);
    int64_t v = 0;
    if (ok) {
        if (negative) {
            ok = magnitude <= uint64_t{1} << 63;
            v = static_cast<int64_t>(0 - magnitude);
        } else {
            ok = magnitude <= static_cast<uint64_t>(INT64_MAX);
            v = static_cast<int64_t>(magnitude);
        }
    }
    if (!ok || v < Min || v > Max) Fail("Value out of range for " + What);
    Lex.Next();
    return v;
}

long double TReader::TImpl::ReadFloatValue(TFloatType Type, const std::string& What) {
    bool negative = false;
    if (IsSymbol('-')) {
        Lex.Next();
        negative = true;
        if (Tok().Kind != tkIdent || !SameText(Tok().Text, "INF")) FailValue();
    }
    long double v = 0;
    if (Tok().Kind == tkIdent) {
        if (SameText(Tok().Text, "INF"))
            v = negative ? -HUGE_VALL : HUGE_VALL;
        else if (SameText(Tok().Text, "NAN"))
            v = std::numeric_limits<long double>::quiet_NaN();
        else
            FailValue();
    } else if (Tok().Kind == tkFloatNum || (Tok().Kind == tkInt && Tok().Text.find('$') == std::string::npos)) {
        if (!TextToFloat(Tok().Text, Type, v)) Fail("Value out of range for " + What);
    } else {
        FailValue();
    }
    Lex.Next();
    return v;
}

void TReader::TImpl::SkipValue() {
    int depth = 0;
    do {
        if (IsSymbol('(')) {
            if (++depth > MaxFormNesting) Fail("Lists nested too deeply");
            Lex.Next();
            continue;
        }
        if (IsSymbol(')')) {
            if (depth == 0) FailValue();
            --depth;
            Lex.Next();
            continue;
        }
        switch (Tok().Kind) {
            case tkStringLit:
                ReadStringValue();
                break;
            case tkInt:
            case tkFloatNum:
            case tkBinary:
                Lex.Next();
                break;
            case tkIdent:
                Lex.Next();
                while (IsSymbol('.')) {
                    Lex.Next();
                    ExpectIdent();
                }
                break;
            case tkSymbol:
                if (Tok().Symbol == '-') {
                    Lex.Next();
                    if (Tok().Kind != tkIdent) FailValue();
                    Lex.Next();
                } else if (Tok().Symbol == '[') {
                    Lex.Next();
                    while (!IsSymbol(']')) {
                        if (Tok().Kind != tkIdent && !IsSymbol(',')) FailValue();
                        Lex.Next();
                    }
                    Lex.Next();
                } else {
                    FailValue();
                }
                break;
            default:
                FailValue();
        }
    } while (depth > 0);
}

void TReader::DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc, bool) {
    if (!FImpl->Collecting) return;
    FImpl->Definitions.push_back({Name, false, std::move(ReadData), nullptr});
}

void TReader::DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc, bool) {
    if (!FImpl->Collecting) return;
    FImpl->Definitions.push_back({Name, true, nullptr, std::move(ReadData)});
}

TValueType TReader::NextValue() {
    if (!FImpl->InValue) throw EReadError("Values can only be read by a DefineProperty reader");
    const TToken& t = FImpl->Tok();
    switch (t.Kind) {
        case tkInt: return vaInt;
        case tkFloatNum: return vaFloat;
        case tkStringLit: return vaString;
        case tkBinary: return vaBinary;
        case tkIdent:
            if (SameText(t.Text, "False")) return vaFalse;
            if (SameText(t.Text, "True")) return vaTrue;
            if (SameText(t.Text, "nil")) return vaNil;
            if (SameText(t.Text, "INF") || SameText(t.Text, "NAN")) return vaFloat;
            return vaIdent;
        case tkSymbol:
            switch (t.Symbol) {
                case '(': return vaList;
                case '[': return vaSet;
                case '-': return vaFloat;
                default: return vaNull;
            }
        default:
            return vaNull;
    }
}

int32_t TReader::ReadInteger() {
    FImpl->BeginValue();
    return static_cast<int32_t>(FImpl->ReadIntegerValue(INT32_MIN, INT32_MAX, "Integer"));
}

int64_t TReader::ReadInt64() {
    FImpl->BeginValue();
    return FImpl->ReadIntegerValue(INT64_MIN, INT64_MAX, "Int64");
}

long double TReader::ReadFloat(TFloatType Type) {
    FImpl->BeginValue();
    return FImpl->ReadFloatValue(Type, "Float");
}

std::string TReader::ReadString() {
    FImpl->BeginValue();
    return FImpl->ReadStringValue();
}

bool TReader::ReadBoolean() {
    FImpl->BeginValue();
    const TToken& t = FImpl->Tok();
    if (t.Kind != tkIdent) FImpl->FailValue();
    bool v;
    if (SameText(t.Text, "True"))
        v = true;
    else if (SameText(t.Text, "False"))
        v = false;
    else
        FImpl->FailValue();
    FImpl->Lex.Next();
    return v;
}

std::string TReader::ReadIdent() {
    FImpl->BeginValue();
    if (FImpl->Tok().Kind != tkIdent) FImpl->FailValue();
    return FImpl->ExpectIdent();
}

void TReader::ReadListBegin() {
    FImpl->BeginValue();
    if (!FImpl->IsSymbol('(')) FImpl->FailValue();
    if (FImpl->ListDepth >= MaxFormNesting) FImpl->Fail("Lists nested too deeply");
    FImpl->Lex.Next();
    ++FImpl->ListDepth;
}

bool TReader::EndOfList() {
    if (!FImpl->InValue) throw EReadError("Values can only be read by a DefineProperty reader");
    if (FImpl->Tok().Kind == tkEOF) FImpl->Fail("Unexpected end of file");
    return FImpl->IsSymbol(')');
}

void TReader::ReadListEnd() {
    if (!FImpl->InValue) throw EReadError("Values can only be read by a DefineProperty reader");
    if (FImpl->ListDepth == 0 || !FImpl->IsSymbol(')')) FImpl->FailValue();
    FImpl->Lex.Next();
    --FImpl->ListDepth;
}

void TReader::SkipValue() {
    FImpl->BeginValue();
    FImpl->SkipValue();
}

void ReadComponent(TStream& Stream, TComponent* Root) {
    TReader reader(Stream);
    reader.ReadRootComponent(Root);
}

void StringToComponent(const std::string& Text, TComponent* Root) {
    TStringStream stream(Text);
    ReadComponent(stream, Root);
}

void ReadComponentFromFile(const std::string& FileName, TComponent* Root) {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    ReadComponent(file, Root);
}

TComponent* ReadComponentCreate(TStream& Stream, TComponent* Owner) {
    TReader reader(Stream);
    return reader.ReadRootComponentCreate(Owner);
}

}  // namespace vcl
