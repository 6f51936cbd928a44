#include <gtest/gtest.h>

#include <locale.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "SysUtils.h"

using namespace vcl;

namespace {

// Restores the process-wide settings after a test that changes them.
class SysUtilsSettings : public ::testing::Test {
protected:
    void SetUp() override { FSaved = FormatSettings(); }
    void TearDown() override { FormatSettings() = FSaved; }

private:
    TFormatSettings FSaved;
};

bool SameBits(long double a, long double b) {
    // The 80-bit value: 64-bit mantissa and 16-bit sign/exponent.
    return std::memcmp(&a, &b, 10) == 0;
}

template <class F>
std::string ErrorText(F f) {
    try {
        f();
    } catch (const EConvertError& e) {
        return e.Message();
    }
    return "<no EConvertError>";
}

}  // namespace

// ---------------------------------------------------------------------------
// Case, comparison, trimming

TEST(SysUtilsCase, AsciiCaseLeavesOtherBytesAlone) {
    EXPECT_EQ(UpperCase("abc xyz äöü 1_"), "ABC XYZ äöü 1_");
    EXPECT_EQ(LowerCase("ABC XYZ ÄÖÜ 1_"), "abc xyz ÄÖÜ 1_");
    // Invalid UTF-8 and control bytes pass unchanged.
    EXPECT_EQ(UpperCase(std::string("a\xff\x01z", 4)), std::string("A\xff\x01Z", 4));
}

TEST(SysUtilsCase, AnsiCaseMapsLatinGreekCyrillic) {
    struct Case {
        const char* In;
        const char* Upper;
        const char* Lower;
    };
    const Case cases[] = {
        {"äöüéñ", "ÄÖÜÉÑ", "äöüéñ"},
        {"straße", "STRAßE", "straße"},  // ß has no single capital
        {"ÿŸ", "ŸŸ", "ÿÿ"},
        {"łŁčČőŐžŽ", "ŁŁČČŐŐŽŽ", "łłččőőžž"},
        {"șȘțȚ", "ȘȘȚȚ", "șșțț"},
        {"αβγ ΣΑΣ ς", "ΑΒΓ ΣΑΣ Σ", "αβγ σασ ς"},
        {"дом ДОМ ёЁ", "ДОМ ДОМ ЁЁ", "дом дом ёё"},
        {"ạẠ", "ẠẠ", "ạạ"},
        {"ｆｕｌｌ", "ＦＵＬＬ", "ｆｕｌｌ"},
        {"日本 123", "日本 123", "日本 123"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnsiUpperCase(c.In), c.Upper) << c.In;
        EXPECT_EQ(AnsiLowerCase(c.In), c.Lower) << c.In;
    }
    // Invalid bytes survive the mapping.
    EXPECT_EQ(AnsiUpperCase(std::string("\xc3x\xff", 3)), std::string("\xc3X\xff", 3));
}

TEST(SysUtilsCompare, SignsAndEquality) {
    EXPECT_LT(CompareStr("abc", "abd"), 0);
    EXPECT_GT(CompareStr("abc", "ab"), 0);
    EXPECT_LT(CompareStr("ABC", "abc"), 0);
    EXPECT_EQ(CompareStr("x", "x"), 0);
    EXPECT_GT(CompareStr("\xc3\xa4", "z"), 0);  // bytes compare unsigned

    EXPECT_EQ(CompareText("Hello", "hELLO"), 0);
    EXPECT_LT(CompareText("apple", "BANANA"), 0);
    // ASCII letters fold to upper case, so '_' sorts after the letters.
    EXPECT_GT(CompareText("_", "a"), 0);
    EXPECT_TRUE(SameText("MiXeD", "mixed"));
    EXPECT_FALSE(SameText("äb", "ÄB"));  // not ASCII: CompareText leaves ä alone

    EXPECT_EQ(AnsiCompareText("Äpfel", "äPFEL"), 0);
    EXPECT_TRUE(AnsiSameText("ŁÓDŹ", "łódź"));
    EXPECT_TRUE(AnsiSameText("STRAẞE", "straße"));
    EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
    EXPECT_GT(AnsiCompareText("abcd", "ABC"), 0);
    EXPECT_FALSE(AnsiSameStr("a", "A"));
}

TEST(SysUtilsTrim, RemovesControlsAndBlanksOnly) {
    EXPECT_EQ(Trim(" \t\r\n x y \x01"), "x y");
    EXPECT_EQ(TrimLeft("  x  "), "x  ");
    EXPECT_EQ(TrimRight("  x  "), "  x");
    EXPECT_EQ(Trim("   "), "");
    // A no-break space is UTF-8 bytes above ' ': it stays.
    EXPECT_EQ(Trim("\xc2\xa0x\xc2\xa0"), "\xc2\xa0x\xc2\xa0");
}

// ---------------------------------------------------------------------------
// Byte positions against code point positions

TEST(SysUtilsPositions, CopyClampsLikeTheClassicRoutine) {
    struct Case {
        int Index, Count;
        const char* Expected;
    };
    const Case cases[] = {
        {1, 3, "abc"}, {2, 2, "bc"},  {0, 2, "ab"}, {-5, 2, "ab"}, {4, 10, "de"},
        {5, 1, "e"},   {6, 1, ""},    {2, 0, ""},   {2, -1, ""},   {100, 5, ""},
        {1, std::numeric_limits<int>::max(), "abcde"},
    };
    for (const Case& c : cases) EXPECT_EQ(Copy("abcde", c.Index, c.Count), c.Expected) << c.Index << "," << c.Count;
}

TEST(SysUtilsPositions, PosDeleteInsert) {
    EXPECT_EQ(Pos("cd", "abcdcd"), 3);
    EXPECT_EQ(Pos("x", "abc"), 0);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(PosEx("cd", "abcdcd", 4), 5);
    EXPECT_EQ(PosEx("cd", "abcdcd", 0), 0);
    EXPECT_EQ(PosEx("cd", "abcdcd", 7), 0);

    struct DelCase {
        int Index, Count;
        const char* Expected;
    };
    const DelCase dels[] = {{2, 2, "ade"}, {1, 100, ""}, {0, 2, "abcde"}, {6, 1, "abcde"}, {5, 3, "abcd"}, {3, 0, "abcde"}};
    for (const DelCase& d : dels) {
        std::string s = "abcde";
        Delete(s, d.Index, d.Count);
        EXPECT_EQ(s, d.Expected) << d.Index << "," << d.Count;
    }

    struct InsCase {
        int Index;
        const char* Expected;
    };
    const InsCase ins[] = {{1, "XYabc"}, {2, "aXYbc"}, {4, "abcXY"}, {99, "abcXY"}, {0, "XYabc"}, {-3, "XYabc"}};
    for (const InsCase& c : ins) {
        std::string s = "abc";
        Insert("XY", s, c.Index);
        EXPECT_EQ(s, c.Expected) << c.Index;
    }
}

TEST(SysUtilsPositions, Utf8HelpersCountCodePointsWhereByteHelpersCountBytes) {
    const std::string s = "aäb€c";  // 1 + 2 + 1 + 3 + 1 bytes
    EXPECT_EQ(s.size(), 8u);
    EXPECT_EQ(Utf8Length(s), 5u);
    EXPECT_EQ(Pos("b", s), 4);
    EXPECT_EQ(Utf8Pos("b", s), 3);
    EXPECT_EQ(Utf8Pos("c", s), 5);
    EXPECT_EQ(Utf8Pos("€", s), 4);
    EXPECT_EQ(Utf8Pos("x", s), 0);
    EXPECT_EQ(Copy(s, 2, 2), "ä");
    EXPECT_EQ(Utf8Copy(s, 2, 2), "äb");
    EXPECT_EQ(Utf8Copy(s, 4, 100), "€c");
    EXPECT_EQ(Utf8Copy(s, 0, 1), "a");
    EXPECT_EQ(Utf8Copy(s, 6, 1), "");
    EXPECT_EQ(Utf8ByteOffset(s, 4), 4u);
    EXPECT_EQ(Utf8ByteOffset(s, 99), 8u);

    std::string d = s;
    Utf8Delete(d, 2, 2);
    EXPECT_EQ(d, "a€c");
    Utf8Insert("öö", d, 3);
    EXPECT_EQ(d, "a€ööc");
    Utf8Insert("!", d, 100);
    EXPECT_EQ(d, "a€ööc!");

    // A stray byte counts as one character and is never merged with its
    // neighbours; a truncated sequence too.
    const std::string bad = std::string("x\xff") + "ä" + std::string("\xe2\x82");
    EXPECT_EQ(Utf8Length(bad), 5u);
    EXPECT_EQ(Utf8Copy(bad, 3, 1), "ä");
    // Overlong encodings and surrogates are not characters.
    EXPECT_EQ(Utf8Length(std::string("\xc0\xaf\xed\xa0\x80")), 5u);
}

TEST(SysUtilsPositions, Utf8DecodeEncode) {
    size_t pos = 0;
    const std::string s = "€\xff";
    EXPECT_EQ(Utf8Decode(s, pos), U'€');
    EXPECT_EQ(pos, 3u);
    EXPECT_EQ(Utf8Decode(s, pos), U'\uFFFD');
    EXPECT_EQ(pos, 4u);
    EXPECT_EQ(Utf8Encode(U'😀'), "😀");
    EXPECT_EQ(Utf8Encode(0xD800), "\uFFFD");
    EXPECT_EQ(Utf8Encode(0x110000), "\uFFFD");
    EXPECT_EQ(StringOfChar(U'ä', 3), "äää");
    EXPECT_EQ(StringOfChar('-', 4), "----");
    EXPECT_EQ(StringOfChar('-', -1), "");
}

TEST(SysUtilsPositions, Latin1RoundTripAndUnmappable) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    const std::string utf8 = Latin1ToUtf8(all);
    EXPECT_EQ(Utf8Length(utf8), 256u);
    EXPECT_EQ(Utf8ToLatin1(utf8), all);
    EXPECT_EQ(Latin1ToUtf8("\xe4"), "ä");
    EXPECT_EQ(Utf8ToLatin1("ä€x"), "\xe4?x");
    EXPECT_EQ(Utf8ToLatin1(std::string("a\xff" "b")), "a?b");
}

// ---------------------------------------------------------------------------
// Replacing and quoting

TEST(SysUtilsReplace, FlagsTable) {
    struct Case {
        const char *S, *Old, *New;
        TReplaceFlags Flags;
        const char* Expected;
    };
    const Case cases[] = {
        {"a-b-c", "-", "+", {}, "a+b-c"},
        {"a-b-c", "-", "+", {rfReplaceAll}, "a+b+c"},
        {"Hello hello HELLO", "hello", "bye", {rfReplaceAll}, "Hello bye HELLO"},
        {"Hello hello HELLO", "hello", "bye", {rfReplaceAll, rfIgnoreCase}, "bye bye bye"},
        {"Hello hello", "HELLO", "x", {rfIgnoreCase}, "x hello"},
        {"ÄÖÄö", "ö", "-", {rfReplaceAll, rfIgnoreCase}, "Ä-Ä-"},
        {"aaa", "aa", "b", {rfReplaceAll}, "ba"},  // no overlapping matches
        {"aaa", "a", "aa", {rfReplaceAll}, "aaaaaa"},  // the replacement is not searched again
        {"abc", "", "x", {rfReplaceAll}, "abc"},
        {"abc", "abc", "", {rfReplaceAll}, ""},
        {"İSTANBUL istanbul", "istanbul", "X", {rfReplaceAll, rfIgnoreCase}, "X X"},
    };
    for (const Case& c : cases) EXPECT_EQ(StringReplace(c.S, c.Old, c.New, c.Flags), c.Expected) << c.S;
}

TEST(SysUtilsQuote, QuoteAndExtract) {
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(QuotedStr(""), "''");
    EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");

    const std::string text = "'it''s' rest";
    const char* p = text.c_str();
    EXPECT_EQ(AnsiExtractQuotedStr(p, '\''), "it's");
    EXPECT_STREQ(p, " rest");

    const char* q = "no quote";
    EXPECT_EQ(AnsiExtractQuotedStr(q, '\''), "");
    EXPECT_STREQ(q, "no quote");

    const char* open = "'unterminated";
    EXPECT_EQ(AnsiExtractQuotedStr(open, '\''), "unterminated");
    EXPECT_EQ(*open, '\0');

    EXPECT_EQ(AnsiDequotedStr("'a''b'", '\''), "a'b");
    EXPECT_EQ(AnsiDequotedStr("'a'b'", '\''), "'a'b'");
    EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
}

TEST(SysUtilsIdent, ValidIdentifiers) {
    struct Case {
        const char* S;
        bool Plain, Dotted;
    };
    const Case cases[] = {
        {"Button1", true, true}, {"_x", true, true},     {"1abc", false, false}, {"", false, false},
        {"a b", false, false},   {"Form1.Edit1", false, true}, {"a.", false, false},  {".a", false, false},
        {"a..b", false, false},  {"äb", false, false},   {"a1_2", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidIdent(c.S), c.Plain) << c.S;
        EXPECT_EQ(IsValidIdent(c.S, true), c.Dotted) << c.S;
    }
}

// ---------------------------------------------------------------------------
// File names

TEST(SysUtilsFileNames, BothDelimitersAndDrives) {
    struct Case {
        const char* F;
        const char *Path, *Dir, *Name, *Ext;
    };
    const Case cases[] = {
        {"/usr/lib/file.tar.gz", "/usr/lib/", "/usr/lib", "file.tar.gz", ".gz"},
        {"C:\\Data\\report.txt", "C:\\Data\\", "C:\\Data", "report.txt", ".txt"},
        {"C:\\report", "C:\\", "C:\\", "report", ""},
        {"C:file.txt", "C:", "C:", "file.txt", ".txt"},
        {"mixed/dir\\name.x", "mixed/dir\\", "mixed/dir", "name.x", ".x"},
        {"dir.d/noext", "dir.d/", "dir.d", "noext", ""},
        {"/file", "/", "/", "file", ""},
        {"plain", "", "", "plain", ""},
        {".bashrc", "", "", ".bashrc", ".bashrc"},
        {"dir/", "dir/", "dir", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.F), c.Path) << c.F;
        EXPECT_EQ(ExtractFileDir(c.F), c.Dir) << c.F;
        EXPECT_EQ(ExtractFileName(c.F), c.Name) << c.F;
        EXPECT_EQ(ExtractFileExt(c.F), c.Ext) << c.F;
    }
    EXPECT_EQ(ChangeFileExt("a/b.txt", ".bak"), "a/b.bak");
    EXPECT_EQ(ChangeFileExt("a.d/b", ".bak"), "a.d/b.bak");
    EXPECT_EQ(ChangeFileExt("b.tar.gz", ""), "b.tar");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\Temp"), "C:\\Temp\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\Temp\\"), "C:\\Temp\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\Temp\\"), "C:\\Temp");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp"), "/tmp");
}

// ---------------------------------------------------------------------------
// Integers

TEST(SysUtilsInt, ToText) {
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(UIntToStr(std::numeric_limits<uint64_t>::max()), "18446744073709551615");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(0xABCDEF, 2), "ABCDEF");
    EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
    EXPECT_EQ(IntToHex(int64_t{-1}, 1), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToHex(uint32_t{0}, 0), "0");
}

TEST(SysUtilsInt, StrToIntAccepts) {
    struct Case {
        const char* S;
        int32_t Value;
    };
    const Case cases[] = {
        {"0", 0},           {"42", 42},           {"-42", -42},         {"+7", 7},
        {"  12  ", 12},     {"\t-3\n", -3},       {"007", 7},           {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<int32_t>::min()},           {"$FF", 255},
        {"$ff", 255},       {"0x1A", 26},         {"0X1a", 26},         {"-$10", -16},
        {"$7FFFFFFF", 0x7FFFFFFF},                {"$FFFFFFFF", -1},    {"$80000000", std::numeric_limits<int32_t>::min()},
        {"-$80000000", std::numeric_limits<int32_t>::min()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StrToInt(c.S), c.Value) << c.S;
        int32_t v = 0;
        EXPECT_TRUE(TryStrToInt(c.S, v)) << c.S;
        EXPECT_EQ(v, c.Value) << c.S;
    }
}

TEST(SysUtilsInt, StrToIntRejectsWithClassicMessage) {
    const char* bad[] = {"",          "-",          "+",           " ",           "abc",        "12a",
                         "1 2",       "2147483648", "-2147483649", "99999999999", "$",          "0x",
                         "$100000000", "-$FFFFFFFF", "--1",        "1.0",         "1e3",        "$G",
                         "٣"};
    for (const char* s : bad) {
        EXPECT_EQ(ErrorText([&] { StrToInt(s); }), std::string("'") + s + "' is not a valid integer value") << s;
        int32_t v = 123;
        EXPECT_FALSE(TryStrToInt(s, v)) << s;
        EXPECT_EQ(v, 123) << "a failed TryStrToInt must leave the value alone: " << s;
        EXPECT_EQ(StrToIntDef(s, -5), -5) << s;
    }
}

TEST(SysUtilsInt, StrToInt64Range) {
    EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64("4294967296"), 4294967296LL);
    EXPECT_EQ(ErrorText([] { StrToInt64("9223372036854775808"); }),
              "'9223372036854775808' is not a valid integer value");
    EXPECT_EQ(ErrorText([] { StrToInt64("18446744073709551616"); }),
              "'18446744073709551616' is not a valid integer value");
    EXPECT_EQ(StrToInt64Def("x", 9), 9);
}

TEST(SysUtilsInt, Booleans) {
    EXPECT_EQ(BoolToStr(true), "-1");
    EXPECT_EQ(BoolToStr(false, true), "False");
    EXPECT_TRUE(StrToBool("true"));
    EXPECT_FALSE(StrToBool(" FALSE "));
    EXPECT_TRUE(StrToBool("-1"));
    EXPECT_FALSE(StrToBool("0"));
    EXPECT_EQ(ErrorText([] { StrToBool("yes"); }), "'yes' is not a valid boolean value");
}

// ---------------------------------------------------------------------------
// Floating point to text

TEST(SysUtilsFloat, FloatToStrGeneral) {
    struct Case {
        long double V;
        const char* Expected;
    };
    const Case cases[] = {
        {0.1, "0.1"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {-2.5, "-2.5"},
        {100, "100"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E15"},
        {1e20, "1E20"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {1.5e-7, "1.5E-7"},
        {-1.25e300, "-1.25E300"},
        {0.0, "0"},
        {-0.0, "0"},
        {std::numeric_limits<long double>::infinity(), "INF"},
        {-std::numeric_limits<long double>::infinity(), "-INF"},
        {std::numeric_limits<long double>::quiet_NaN(), "NAN"},
        {0.999999999999999999L, "1"},
        {1.0e4000L, "1E4000"},
    };
    for (const Case& c : cases) EXPECT_EQ(FloatToStr(c.V), c.Expected) << static_cast<double>(c.V);
}

TEST(SysUtilsFloat, FloatToStrFTable) {
    struct Case {
        long double V;
        TFloatFormat F;
        int Precision, Digits;
        const char* Expected;
    };
    const Case cases[] = {
        {1234.5678, ffFixed, 15, 2, "1234.57"},
        {1234.5678, ffFixed, 4, 2, "1235.00"},  // precision rounds first
        {0.125, ffFixed, 15, 2, "0.13"},        // half away from zero on the decimal digits
        {-0.125, ffFixed, 15, 2, "-0.13"},
        {-0.001, ffFixed, 15, 2, "0.00"},       // no negative zero
        {2.5, ffFixed, 15, 0, "3"},
        {1e20, ffFixed, 15, 2, "1E20"},         // too many integer digits: general
        {99.995, ffFixed, 15, 2, "100.00"},
        {1234567.125, ffNumber, 15, 2, "1,234,567.13"},
        {-1234.0, ffNumber, 15, 0, "-1,234"},
        {999.0, ffNumber, 15, 1, "999.0"},
        {1000.0, ffExponent, 15, 3, "1.00000000000000E+003"},
        {-0.00012346, ffExponent, 4, 2, "-1.235E-04"},
        {0.0, ffExponent, 5, 0, "0.0000E+0"},
        {123.456, ffExponent, 1, 0, "1E+2"},
        {1e20, ffGeneral, 15, 3, "1E020"},
        {1234.5, ffGeneral, 3, 0, "1.23E3"},
        {1234.5, ffGeneral, 4, 0, "1235"},
        {1234.5, ffCurrency, 15, 2, "$1,234.50"},
        {-3, ffCurrency, 15, 2, "($3.00)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FloatToStrF(c.V, c.F, c.Precision, c.Digits), c.Expected)
            << static_cast<double>(c.V) << " format " << c.F;
}

TEST_F(SysUtilsSettings, SeparatorsComeFromTheSettings) {
    FormatSettings().DecimalSeparator = ',';
    FormatSettings().ThousandSeparator = '.';
    EXPECT_EQ(FloatToStr(1.5), "1,5");
    EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2), "1.234.567,89");
    EXPECT_EQ(Format("%n|%f|%e", {1234.5, 0.5, 2.0}), "1.234,50|0,50|2,00000000000000E+000");
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
    EXPECT_EQ(StrToFloat("1,25"), 1.25L);
    EXPECT_EQ(ErrorText([] { StrToFloat("1.25"); }), "'1.25' is not a valid floating point value");
    // The dot variants ignore the settings.
    EXPECT_EQ(FloatToStrDot(1234.5), "1234.5");
    EXPECT_EQ(StrToFloatDot("1.25"), 1.25L);
    long double v = 0;
    EXPECT_FALSE(TryStrToFloatDot("1,25", v));

    FormatSettings().ThousandSeparator = '\0';
    EXPECT_EQ(FloatToStrF(1234567.0, ffNumber, 15, 0), "1234567");

    FormatSettings().CurrencyString = "€";
    FormatSettings().CurrencyFormat = 3;
    FormatSettings().NegCurrFormat = 8;
    FormatSettings().ThousandSeparator = '.';
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), "1.234,50 €");
    EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "-1.234,50 €");
    EXPECT_EQ(Format("[%12m]", {-1.0}), "[     -1,00 €]");  // width counts characters
}

TEST(SysUtilsFloat, CurrencyNegativeFormats) {
    TFormatSettings s;
    s.CurrencyString = "$";
    const char* expected[] = {"($1.00)", "-$1.00", "$-1.00", "$1.00-", "(1.00$)", "-1.00$", "1.00-$", "1.00$-",
                              "-1.00 $", "-$ 1.00", "1.00 $-", "$ 1.00-", "$ -1.00", "1.00- $", "($ 1.00)", "(1.00 $)"};
    for (int f = 0; f < 16; ++f) {
        s.NegCurrFormat = static_cast<Byte>(f);
        EXPECT_EQ(FloatToStrF(-1.0, ffCurrency, 15, 2, s), expected[f]) << f;
    }
    const char* positive[] = {"$1.00", "1.00$", "$ 1.00", "1.00 $"};
    for (int f = 0; f < 4; ++f) {
        s.CurrencyFormat = static_cast<Byte>(f);
        EXPECT_EQ(FloatToStrF(1.0, ffCurrency, 15, 2, s), positive[f]) << f;
    }
}

TEST(SysUtilsFloat, FormatFloatPictures) {
    struct Case {
        const char* Fmt;
        long double V;
        const char* Expected;
    };
    const Case cases[] = {
        {"0.00", 1.5, "1.50"},
        {"0.00", 2.675L, "2.68"},
        {"0.00", -0.001, "0.00"},
        {"#,##0.0", 1234567.89, "1,234,567.9"},
        {"#,##0", 1234567, "1,234,567"},
        {"#,##0", 12, "12"},
        {"0,000", 5, "0,005"},
        {"000", 5, "005"},
        {"0", 12345, "12345"},  // the integer part is never cut
        {"#.##", 0.5, ".5"},
        {"#.##", 0, ""},
        {"0.##", 1, "1"},
        {"0.0##", 1.5, "1.5"},
        {"0.0##", 1.23456, "1.235"},
        {".00", 1.5, "1.50"},
        {"##-##", 1234, "12-34"},
        {"0.###E+00", 12345, "1.235E+04"},
        {"0.0E-0", 0.000123, "1.2E-4"},
        {"0.0E-0", 12300, "1.2E4"},
        {"00.00E+000", -1234.5, "-12.35E+002"},
        {"0.00E+00", 0, "0.00E+00"},
        {"#,##0;(#,##0)", -1234, "(1,234)"},
        {"#,##0;(#,##0);'zero'", 0, "zero"},
        {"0.00;(0.00);nil", -0.001, "nil"},  // rounds to zero: the zero section
        {"0.00;(0.00)", -0.001, "0.00"},
        {"#;;zero", -5, "-5"},  // an empty negative section uses the positive one
        {"$#,##0.00", -5, "-$5.00"},
        {"0.00 '%'", 12.345, "12.35 %"},
        {"\"#\"0", 7, "#7"},
        {"'a;b'0;(0)", -5, "(5)"},  // a ';' inside quotes does not split sections
        {"0 €", 3, "3 €"},
        {"", 1.5, "1.5"},
        {"0.00", std::numeric_limits<long double>::infinity(), "INF"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatFloat(c.Fmt, c.V), c.Expected) << c.Fmt << " " << static_cast<double>(c.V);
}

// ---------------------------------------------------------------------------
// Text to floating point

TEST(SysUtilsFloat, StrToFloatAcceptsAndRejects) {
    struct Good {
        const char* S;
        long double V;
    };
    const Good good[] = {{"1", 1},           {" -2.5 ", -2.5},  {"+.5", 0.5},     {"3.", 3},
                         {"1e3", 1000},      {"1E-2", 0.01L},   {"-1.5e+2", -150}, {"0", 0},
                         {"1e-5000", 0}};
    for (const Good& g : good) EXPECT_EQ(StrToFloat(g.S), g.V) << g.S;
    EXPECT_TRUE(std::isinf(StrToFloat("INF")));
    EXPECT_TRUE(std::isnan(StrToFloat("nan")));
    EXPECT_LT(StrToFloat("-Inf"), 0);

    const char* bad[] = {"", " ", ".", "-", "e3", "1e", "1e+", "1,5", "1.2.3", "0x10", "1 000", "12abc", "1e5000"};
    for (const char* s : bad) {
        EXPECT_EQ(ErrorText([&] { StrToFloat(s); }), std::string("'") + s + "' is not a valid floating point value")
            << s;
        long double v = 7;
        EXPECT_FALSE(TryStrToFloat(s, v)) << s;
        EXPECT_EQ(v, 7) << s;
    }
    double d = 0;
    EXPECT_FALSE(TryStrToFloat("1e400", d)) << "beyond double";
    EXPECT_TRUE(TryStrToFloat("1e300", d));
    EXPECT_EQ(StrToFloatDef("x", 2.5), 2.5L);
}

TEST(SysUtilsFloat, LongDoubleRoundTripsExactly) {
    const long double pi = 3.14159265358979323846264338327950288L;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.21Lg", pi);
    EXPECT_TRUE(SameBits(StrToFloat(buf), pi)) << buf;
    EXPECT_TRUE(SameBits(StrToFloatDot(buf), pi)) << buf;

    const long double values[] = {pi,
                                  1.0L / 3,
                                  0.1L,
                                  -2.0L / 7,
                                  std::numeric_limits<long double>::max(),
                                  std::numeric_limits<long double>::min(),
                                  std::numeric_limits<long double>::denorm_min(),
                                  std::numeric_limits<long double>::epsilon(),
                                  123456789012345678.0L,
                                  1e-300L};
    for (long double v : values) {
        const std::string g = FloatToStrF(v, ffGeneral, 21, 0);
        const std::string e = FloatToStrF(v, ffExponent, 21, 4);
        EXPECT_TRUE(SameBits(StrToFloat(g), v)) << g;
        EXPECT_TRUE(SameBits(StrToFloat(e), v)) << e;
        EXPECT_TRUE(SameBits(StrToFloat(Format("%.21g", {v})), v)) << Format("%.21g", {v});
    }
    // The neighbour of pi differs only in the last bit and must read back as
    // itself, not as pi.
    const long double next = std::nextafter(pi, 4.0L);
    EXPECT_TRUE(SameBits(StrToFloat(FloatToStrF(next, ffGeneral, 21, 0)), next));
    EXPECT_FALSE(SameBits(next, pi));
}

TEST(SysUtilsFloat, ConversionsIgnoreTheCLocale) {
    // The C library follows LC_NUMERIC; our conversions must not.  Only
    // locales that are installed can be tried.
    const char* candidates[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"};
    const char* old = setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    const char* used = nullptr;
    for (const char* c : candidates)
        if (setlocale(LC_NUMERIC, c)) {
            used = c;
            break;
        }
    if (!used) GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(FloatToStrDot(2.5), "2.5");
    EXPECT_EQ(StrToFloatDot("2.5"), 2.5L);
    long double v = 0;
    size_t n = 0;
    EXPECT_TRUE(TextToExtended("2.5", v, n));
    EXPECT_EQ(v, 2.5L);
    setlocale(LC_NUMERIC, saved.c_str());
}

TEST(SysUtilsFloat, TextToExtendedReadsTheLongestNumber) {
    struct Case {
        const char* Text;
        bool Ok;
        size_t Consumed;
        long double Value;
    };
    const Case cases[] = {
        {"12.5e3+x", true, 6, 12500},
        {"42", true, 2, 42},
        {"3.14)", true, 4, 3.14L},
        {".5*2", true, 2, 0.5},
        {"5.", true, 2, 5},
        {"1e", true, 1, 1},      // no exponent digits: the 'e' is not part of it
        {"1e+", true, 1, 1},
        {"2E-2;", true, 4, 0.02L},
        {"7ex", true, 1, 7},
        {"1.2.3", true, 3, 1.2L},
        {"-1", false, 0, 0},     // no sign: the parser reads it as an operator
        {"e5", false, 0, 0},
        {".", false, 0, 0},
        {"", false, 0, 0},
        {"x1", false, 0, 0},
    };
    for (const Case& c : cases) {
        long double v = -99;
        size_t n = 99;
        EXPECT_EQ(TextToExtended(c.Text, v, n), c.Ok) << c.Text;
        EXPECT_EQ(n, c.Consumed) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(v, c.Value) << c.Text;
        }
    }
    long double v = 0;
    size_t n = 0;
    EXPECT_FALSE(TextToExtended("1e99999+1", v, n));
    EXPECT_EQ(n, 7u);
    EXPECT_TRUE(std::isinf(v));

    const long double pi = 3.14159265358979323846264338327950288L;
    EXPECT_TRUE(TextToExtended("3.14159265358979323851", v, n));
    EXPECT_TRUE(SameBits(v, pi));
}

// ---------------------------------------------------------------------------
// Format

TEST(SysUtilsFormat, DirectiveTable) {
    struct Case {
        const char* Fmt;
        std::vector<TVarRec> Args;
        std::string Expected;
    };
    const std::vector<Case> cases = {
        {"%d", {42}, "42"},
        {"%d", {-42}, "-42"},
        {"%5d|%-5d|", {7, 7}, "    7|7    |"},
        {"%.3d", {7}, "007"},
        {"%.3d", {-7}, "-007"},
        {"%6.3d", {-7}, "  -007"},
        {"%.1d", {1234}, "1234"},
        {"%05d", {7}, "    7"},  // no '0' flag: 05 is the width
        {"%d", {int64_t{-9223372036854775807LL - 1}}, "-9223372036854775808"},
        {"%d", {uint64_t{18446744073709551615ULL}}, "18446744073709551615"},
        {"%u", {-1}, "4294967295"},
        {"%u", {int64_t{-1}}, "18446744073709551615"},
        {"%u", {uint8_t{200}}, "200"},
        {"%x", {255}, "FF"},
        {"%X", {255}, "FF"},
        {"%x", {-1}, "FFFFFFFF"},
        {"%x", {int64_t{-1}}, "FFFFFFFFFFFFFFFF"},
        {"%.4x", {10}, "000A"},
        {"%e", {1000.0}, "1.00000000000000E+003"},
        {"%.3e", {-0.00123456}, "-1.23E-003"},
        {"%e", {0.0}, "0.00000000000000E+000"},
        {"%f", {1234.5}, "1234.50"},
        {"%.0f", {2.5}, "3"},
        {"%.3f", {-1.0625}, "-1.063"},  // an exact tie rounds away from zero
        {"%f", {-0.001}, "0.00"},
        {"%10.1f|", {3.14159}, "       3.1|"},
        {"%-8.1f|", {3.14159}, "3.1     |"},
        {"%g", {0.1}, "0.1"},
        {"%g", {100.0}, "100"},
        {"%g", {1e20}, "1E20"},
        {"%g", {1.5e-7}, "1.5E-7"},
        {"%.3g", {1234.5}, "1.23E3"},
        {"%g", {1.0f / 3.0f}, "0.333333343267441"},
        {"%n", {1234567.891}, "1,234,567.89"},
        {"%.0n", {999.5}, "1,000"},
        {"%n", {-1234.0}, "-1,234.00"},
        {"%m", {1234.5}, "$1,234.50"},
        {"%.0m", {-3.0}, "($3)"},
        {"%s", {"text"}, "text"},
        {"%s", {std::string("std")}, "std"},
        {"%s", {std::string_view("view")}, "view"},
        {"%s", {'c'}, "c"},
        {"%s", {U'€'}, "€"},
        {"%s", {static_cast<const char*>(nullptr)}, ""},
        {"[%5s][%-5s]", {"ab", "ab"}, "[   ab][ab   ]"},
        {"%.2s", {"abcdef"}, "ab"},
        {"%.2s|%4s|", {"äöü", "äö"}, "äö|  äö|"},  // characters, not bytes
        {"%1:s %0:s %s", {"a", "b", "c"}, "b a b"},
        {"%2:s%0:s%s", {"a", "b", "c"}, "cab"},
        {"%*d", {5, 1}, "    1"},
        {"%-*d|", {4, 2}, "2   |"},
        {"%*d|", {-4, 3}, "3   |"},
        {"%.*f", {2, 3.14159}, "3.14"},
        {"%*.*f", {8, 1, 2.25}, "     2.3"},
        {"%*:s", {2, "a", "b"}, "b"},  // the index from an argument
        {"%p", {static_cast<const void*>(reinterpret_cast<void*>(0x1234))}, "0000000000001234"},
        {"%p", {nullptr}, "0000000000000000"},
        {"100%%", {}, "100%"},
        {"%d%%", {5}, "5%"},
        {"no directives", {}, "no directives"},
        {"%D %S %F", {1, "s", 1.0}, "1 s 1.00"},  // the type letter is case-insensitive
        {"%s", {"x", "unused"}, "x"},
    };
    for (const Case& c : cases) {
        std::string got;
        try {
            got = Format(c.Fmt, c.Args);
        } catch (const Exception& e) {
            got = "<" + e.Message() + ">";
        }
        EXPECT_EQ(got, c.Expected) << c.Fmt;
    }
}

TEST(SysUtilsFormat, BadFormatsAndArgumentsRaise) {
    struct Case {
        const char* Fmt;
        std::vector<TVarRec> Args;
    };
    const std::vector<Case> cases = {
        {"%d", {1.5}},           // float for an integer directive
        {"%f", {1}},             // integer for a float directive
        {"%s", {1}},
        {"%d", {"1"}},
        {"%p", {1}},
        {"%d", {true}},          // Boolean is accepted by no directive
        {"%d %d", {1}},          // missing argument
        {"%s", {}},
        {"%k", {1}},             // unknown directive
        {"%c", {'x'}},
        {"abc%", {1}},           // '%' at the end
        {"%5", {1}},
        {"%3:d", {1, 2}},        // index beyond the arguments
        {"%*d", {"x", 1}},       // '*' needs an integer
        {"%.*f", {1.0, 1.0}},
        {"%99999999999d", {1}},  // absurd width
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorText([&] { Format(c.Fmt, c.Args); }),
                  std::string("Format '") + c.Fmt + "' invalid or incompatible with argument")
            << c.Fmt;
    }
}

TEST(SysUtilsFormat, VariadicAndExplicitSettingsFrontEnds) {
    EXPECT_EQ(Format("%s=%d (%.1f)", "x", 42, 2.25), "x=42 (2.3)");
    EXPECT_EQ(Format("plain"), "plain");
    const std::string name = "abc";
    const long double ld = 1.5L;
    EXPECT_EQ(Format("%s %g %u", name, ld, 7u), "abc 1.5 7");
    TFormatSettings s;
    s.DecimalSeparator = ',';
    s.ThousandSeparator = ' ';
    EXPECT_EQ(Format(s, "%n", {1234.5}), "1 234,50");
    EXPECT_EQ(Format(DotFormatSettings(), "%n", {1234.5}), "1234.50");
}
