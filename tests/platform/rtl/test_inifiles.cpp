// Tests of TIniFile and TMemIniFile: the profile rules, rewriting that keeps
// the rest of the file, atomic writes and the typed values.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "DateTime.h"
#include "IniFiles.h"
#include "Lists.h"

using namespace vcl;

namespace {

std::string MakeTempDir() {
    std::string base = "/tmp";
    if (const char* t = std::getenv("CORVANE_TEST_TMP"); t && *t) base = t;
    mkdir(base.c_str(), 0755);
    std::string templ = base + "/inifiles-XXXXXX";
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed in " + base);
    return templ;
}

void RemoveTree(const std::string& Path) {
    if (DIR* d = opendir(Path.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            const std::string p = Path + "/" + name;
            struct stat st;
            if (lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                chmod(p.c_str(), 0755);
                RemoveTree(p);
            } else {
                unlink(p.c_str());
            }
        }
        closedir(d);
    }
    rmdir(Path.c_str());
}

std::string ReadFile(const std::string& Path) {
    std::ifstream f(Path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& Path, const std::string& Text) {
    std::ofstream f(Path, std::ios::binary | std::ios::trunc);
    f << Text;
}

std::vector<std::string> DirEntries(const std::string& Path) {
    std::vector<std::string> out;
    if (DIR* d = opendir(Path.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") out.push_back(name);
        }
        closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> ToVector(const TStrings& S) {
    std::vector<std::string> out;
    for (Integer i = 0; i < S.Count(); ++i) out.push_back(S.Strings(i));
    return out;
}

class IniTest : public ::testing::Test {
protected:
    void SetUp() override { FDir = MakeTempDir(); }
    void TearDown() override { RemoveTree(FDir); }
    std::string Path(const std::string& Name) const { return FDir + "/" + Name; }
    std::string FDir;
};

// ---------------------------------------------------------------------------
// The profile rules, through both classes reading a real file.

struct TReadCase {
    const char* Name;
    std::string Text;
    std::string Section;
    std::string Key;
    std::optional<std::string> Expected;  // nullopt: the default is returned
};

const std::vector<TReadCase>& ReadCases() {
    static const std::vector<TReadCase> cases = {
        {"plain", "[S]\nkey=value\n", "S", "key", "value"},
        {"first equals splits", "[S]\nk=a=b==c\n", "S", "k", "a=b==c"},
        {"trimmed around", "[S]\n  k \t=   v  v \t\n", "S", "k", "v  v"},
        {"section name trimmed", "[  My Section  ]\nk=v\n", "My Section", "k", "v"},
        {"query names trimmed", "[S]\nk=v\n", " S ", " k ", "v"},
        {"double quotes removed", "[S]\nk=\"quoted value\"\n", "S", "k", "quoted value"},
        {"single quotes removed", "[S]\nk='single'\n", "S", "k", "single"},
        {"one pair only", "[S]\nk=\"\"x\"\"\n", "S", "k", "\"x\""},
        {"quotes keep inner blanks", "[S]\nk=\"  padded  \"\n", "S", "k", "  padded  "},
        {"mismatched quotes kept", "[S]\nk=\"mixed'\n", "S", "k", "\"mixed'"},
        {"inner quotes kept", "[S]\nk=\"a\" b\n", "S", "k", "\"a\" b"},
        {"lone quote kept", "[S]\nk=\"\n", "S", "k", "\""},
        {"empty quotes", "[S]\nk=\"\"\n", "S", "k", ""},
        {"empty value", "[S]\nk=\n", "S", "k", ""},
        {"section case-insensitive", "[CGI]\nRequest Method=POST\n", "cgi", "REQUEST METHOD", "POST"},
        {"non-ASCII case-insensitive", "[Straße]\nÄpfel=1\n", "STRAßE", "äPFEL", "1"},
        {"semicolon comment", "[S]\n;k=v\n", "S", ";k", std::nullopt},
        {"hash comment", "[S]\n  # k=v\n", "S", "# k", std::nullopt},
        {"comment ignored, next key read", "[S]\n; note\nk=v\n", "S", "k", "v"},
        {"no inline comments", "[S]\nk=v ; not a comment\n", "S", "k", "v ; not a comment"},
        {"key without =", "[S]\nflag\n", "S", "flag", ""},
        {"empty key ignored", "[S]\n=v\n", "S", "", std::nullopt},
        {"duplicate key: first wins", "[S]\nk=1\nk=2\n", "S", "k", "1"},
        {"duplicate section: first wins", "[S]\nk=1\n[T]\n[S]\nk=2\n", "S", "k", "1"},
        {"duplicate section: merged", "[S]\na=1\n[T]\n[s]\nb=2\n", "S", "b", "2"},
        {"key before first section", "k=v\n[S]\n", "", "k", std::nullopt},
        {"header without ]", "[Open\nk=v\n", "Open", "k", "v"},
        {"text after ] ignored", "[S] trailing\nk=v\n", "S", "k", "v"},
        {"CRLF", "[S]\r\nk=v\r\nj=w\r\n", "S", "k", "v"},
        {"lone CR", "[S]\rk=v\rj=w\r", "S", "j", "w"},
        {"no final line break", "[S]\nk=last", "S", "k", "last"},
        {"byte order mark", "\xEF\xBB\xBF[S]\nk=v\n", "S", "k", "v"},
        {"bytes kept", "[S]\nk=\xFF\xFE\x01z\n", "S", "k", "\xFF\xFE\x01z"},
        {"missing key", "[S]\nk=v\n", "S", "other", std::nullopt},
        {"missing section", "[S]\nk=v\n", "T", "k", std::nullopt},
        {"key of other section", "[S]\nk=v\n[T]\nj=w\n", "S", "j", std::nullopt},
    };
    return cases;
}

TEST_F(IniTest, ProfileLinesReadBack) {
    for (const TReadCase& c : ReadCases()) {
        SCOPED_TRACE(c.Name);
        const std::string file = Path("read.ini");
        WriteFile(file, c.Text);
        TIniFile ini(file);
        TMemIniFile mem(file);
        const std::string def = "<default>";
        const std::string expected = c.Expected.value_or(def);
        EXPECT_EQ(ini.ReadString(c.Section, c.Key, def), expected);
        EXPECT_EQ(mem.ReadString(c.Section, c.Key, def), expected);
        EXPECT_EQ(ini.ValueExists(c.Section, c.Key), c.Expected.has_value());
        EXPECT_EQ(mem.ValueExists(c.Section, c.Key), c.Expected.has_value());
    }
}

TEST_F(IniTest, CgiProfileSections) {
    const std::string file = Path("cgi.ini");
    WriteFile(file,
              "[CGI]\r\nRequest Protocol=HTTP/1.0\r\nRequest Method=POST\r\n"
              "Query String=a=1&b=2\r\nContent Length=11\r\n\r\n"
              "[Accept]\r\n*/*=Yes\r\nimage/gif=Yes\r\n\r\n"
              "[System]\r\nGMT Offset=3600\r\nDebug Mode=No\r\n\r\n"
              "[Extra Headers]\r\nUser-Agent=Test/1.0 (X11; Linux)\r\n\r\n"
              "[Form Literal]\r\nname=John \"J\" Doe\r\nempty=\r\n\r\n"
              "[Form External]\r\nbig=C:\\TEMP\\F1.TMP 40000\r\n\r\n"
              "[Form Huge]\r\nhuge=1234 56789\r\n");
    TMemIniFile ini(file);
    EXPECT_EQ(ini.ReadString("CGI", "Query String", ""), "a=1&b=2");
    EXPECT_EQ(ini.ReadInteger("CGI", "Content Length", 0), 11);
    EXPECT_EQ(ini.ReadInteger("System", "GMT Offset", 0), 3600);
    EXPECT_EQ(ini.ReadString("Extra Headers", "user-agent", ""), "Test/1.0 (X11; Linux)");
    EXPECT_EQ(ini.ReadString("Form Literal", "name", ""), "John \"J\" Doe");
    EXPECT_EQ(ini.ReadString("Form External", "big", ""), "C:\\TEMP\\F1.TMP 40000");
    TStringList accept;
    ini.ReadSection("Accept", accept);
    EXPECT_EQ(ToVector(accept), (std::vector<std::string>{"*/*", "image/gif"}));
    TStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(ToVector(sections),
              (std::vector<std::string>{"CGI", "Accept", "System", "Extra Headers", "Form Literal",
                                        "Form External", "Form Huge"}));
}

TEST_F(IniTest, HugeValuesAndSections) {
    const std::string file = Path("huge.ini");
    std::string big(200000, 'x');
    for (size_t i = 0; i < big.size(); i += 97) big[i] = static_cast<char>('a' + i % 26);
    std::string text = "[Big]\nvalue=" + big + "\n[Many]\n";
    for (int i = 0; i < 5000; ++i) text += "key" + std::to_string(i) + "=" + std::to_string(i * 7) + "\n";
    WriteFile(file, text);
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("Big", "value", ""), big);
    EXPECT_EQ(ini.ReadInteger("Many", "key4999", -1), 4999 * 7);
    TStringList keys;
    ini.ReadSection("Many", keys);
    ASSERT_EQ(keys.Count(), 5000);
    EXPECT_EQ(keys.Strings(1234), "key1234");

    // Writing a huge value and reading it back from the file.
    const std::string bigger = big + big;
    ini.WriteString("Big", "second", bigger);
    TMemIniFile again(file);
    EXPECT_EQ(again.ReadString("Big", "second", ""), bigger);
    EXPECT_EQ(again.ReadString("Big", "value", ""), big);
}

TEST_F(IniTest, MissingFileReadsEmptyAndIsNotCreated) {
    const std::string file = Path("missing.ini");
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("S", "k", 17), 17);
    EXPECT_FALSE(ini.SectionExists("S"));
    TStringList list;
    list.Add("stale");
    ini.ReadSections(list);
    EXPECT_EQ(list.Count(), 0);
    TMemIniFile mem(Path("nodir/missing.ini"));
    EXPECT_EQ(mem.ReadString("S", "k", "def"), "def");
    EXPECT_TRUE(DirEntries(FDir).empty());
}

TEST_F(IniTest, UnreadableFileRaises) {
    mkdir(Path("adir").c_str(), 0755);
    EXPECT_THROW(TMemIniFile mem(Path("adir")), EIniFileException);
    TIniFile ini(Path("adir"));
    EXPECT_THROW(ini.ReadString("S", "k", ""), EIniFileException);
}

TEST_F(IniTest, SectionAndValueListsKeepFileOrder) {
    const std::string file = Path("order.ini");
    WriteFile(file,
              "[Zeta]\nz=1\n[alpha]\nb=2\na=\"1\"\n; comment\nflag\nB=dup\n"
              "[Mid]\n[ALPHA]\nc=3\na=shadowed\n");
    TIniFile ini(file);
    TStringList list;
    ini.ReadSections(list);
    EXPECT_EQ(ToVector(list), (std::vector<std::string>{"Zeta", "alpha", "Mid"}));
    ini.ReadSection("Alpha", list);
    EXPECT_EQ(ToVector(list), (std::vector<std::string>{"b", "a", "flag", "c"}));
    ini.ReadSectionValues("alpha", list);
    EXPECT_EQ(ToVector(list), (std::vector<std::string>{"b=2", "a=1", "flag=", "c=3"}));
    EXPECT_TRUE(ini.SectionExists("mid"));  // a header alone makes a section
    ini.ReadSection("Mid", list);
    EXPECT_EQ(list.Count(), 0);
    ini.ReadSection("none", list);
    EXPECT_EQ(list.Count(), 0);
}

// ---------------------------------------------------------------------------
// Writing

const char* const kOriginal =
    "; settings of the test\r\n"
    "\r\n"
    "[Window]\r\n"
    "  Left = 10\r\n"
    "Top=20 ; inline\r\n"
    "# hash comment\r\n"
    "\r\n"
    "; about the next section\r\n"
    "[Recent]\r\n"
    "File1=a.txt\r\n";

TEST_F(IniTest, WritesChangeOnlyTheirLines) {
    struct TCase {
        const char* Name;
        std::function<void(TCustomIniFile&)> Change;
        std::string Expected;
    };
    const std::string head = "; settings of the test\r\n\r\n[Window]\r\n";
    const std::vector<TCase> cases = {
        {"change a value keeps the key as written",
         [](TCustomIniFile& f) { f.WriteString("WINDOW", "left", "15"); },
         head + "Left=15\r\nTop=20 ; inline\r\n# hash comment\r\n\r\n; about the next section\r\n"
                "[Recent]\r\nFile1=a.txt\r\n"},
        {"new key after the last key of the section",
         [](TCustomIniFile& f) { f.WriteString("Window", "Width", "300"); },
         head + "  Left = 10\r\nTop=20 ; inline\r\nWidth=300\r\n# hash comment\r\n\r\n"
                "; about the next section\r\n[Recent]\r\nFile1=a.txt\r\n"},
        {"new section at the end after a blank line",
         [](TCustomIniFile& f) { f.WriteInteger("New", "x", 1); },
         std::string(kOriginal) + "\r\n[New]\r\nx=1\r\n"},
        {"delete a key",
         [](TCustomIniFile& f) { f.DeleteKey("window", "TOP"); },
         head + "  Left = 10\r\n# hash comment\r\n\r\n; about the next section\r\n"
                "[Recent]\r\nFile1=a.txt\r\n"},
        {"erase a section",
         [](TCustomIniFile& f) { f.EraseSection("Recent"); },
         head + "  Left = 10\r\nTop=20 ; inline\r\n# hash comment\r\n\r\n; about the next section\r\n"},
        {"same value leaves the file alone",
         [](TCustomIniFile& f) { f.WriteString("Recent", "File1", "a.txt"); }, kOriginal},
        {"deleting what is not there",
         [](TCustomIniFile& f) {
             f.DeleteKey("Window", "none");
             f.DeleteKey("none", "Left");
             f.EraseSection("none");
         },
         kOriginal},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = Path("write.ini");
        WriteFile(file, kOriginal);
        {
            TIniFile ini(file);
            c.Change(ini);
        }
        EXPECT_EQ(ReadFile(file), c.Expected);
        WriteFile(file, kOriginal);
        {
            TMemIniFile mem(file);
            c.Change(mem);
            EXPECT_EQ(ReadFile(file), kOriginal);  // nothing written before UpdateFile
            mem.UpdateFile();
        }
        EXPECT_EQ(ReadFile(file), c.Expected);
    }
}

TEST_F(IniTest, DuplicatesAreWrittenWhereTheyAreRead) {
    const std::string file = Path("dup.ini");
    WriteFile(file, "[S]\na=1\n[T]\nt=1\n[s]\nb=2\na=3\n");
    TIniFile ini(file);
    ini.WriteString("S", "b", "20");  // lives in the second occurrence
    ini.WriteString("S", "c", "30");  // new: first occurrence
    ini.WriteString("S", "a", "10");  // the first of the two
    EXPECT_EQ(ReadFile(file), "[S]\na=10\nc=30\n[T]\nt=1\n[s]\nb=20\na=3\n");
    ini.DeleteKey("S", "a");  // every line of the key goes
    EXPECT_EQ(ini.ReadString("S", "a", "gone"), "gone");
    ini.EraseSection("s");
    EXPECT_EQ(ReadFile(file), "[T]\nt=1\n");
}

TEST_F(IniTest, NewFileAndBomAndLineBreakStyle) {
    const std::string file = Path("new.ini");
    {
        TIniFile ini(file);
        ini.WriteString("A", "k", "v");
        ini.WriteString("B", "k", "w");
        ini.WriteString("A", "j", "u");
    }
    EXPECT_EQ(ReadFile(file), "[A]\nk=v\nj=u\n\n[B]\nk=w\n");

    WriteFile(file, "\xEF\xBB\xBF[A]\rk=v");
    TIniFile ini(file);
    ini.WriteString("A", "j", "u");
    EXPECT_EQ(ReadFile(file), "\xEF\xBB\xBF[A]\rk=v\rj=u\r");
}

TEST_F(IniTest, AnyValueRoundTrips) {
    const std::vector<std::string> values = {
        "plain", "", " leading", "trailing ", "\t both \t", "\"quoted\"", "'single'", "\"",
        "'", "\"a\" b", "a=b=c", "x ; y", "# not a comment", "[not a section]", "\xFF\x80 bytes",
        std::string("nul\0inside", 10), "\"'mixed\"'"};
    const std::string file = Path("values.ini");
    {
        TIniFile ini(file);
        for (size_t i = 0; i < values.size(); ++i) ini.WriteString("V", "k" + std::to_string(i), values[i]);
    }
    TIniFile ini(file);
    TMemIniFile mem(file);
    for (size_t i = 0; i < values.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ini.ReadString("V", "k" + std::to_string(i), "<none>"), values[i]);
        EXPECT_EQ(mem.ReadString("V", "k" + std::to_string(i), "<none>"), values[i]);
    }
}

TEST_F(IniTest, NamesAndValuesNoFileCanHoldAreRefused) {
    const std::string file = Path("bad.ini");
    WriteFile(file, kOriginal);
    TIniFile ini(file);
    TMemIniFile mem(file);
    struct TCase {
        std::string Section, Key, Value;
    };
    const std::vector<TCase> cases = {
        {"S", "k", "line\nbreak"}, {"S", "k", "cr\rvalue"}, {"S", "", "v"},    {"S", "  ", "v"},
        {"S", "a=b", "v"},         {"S", "[k", "v"},        {"S", ";k", "v"},  {"S", "#k", "v"},
        {"S", "k\nj", "v"},        {"Se]ct", "k", "v"},     {"S\nT", "k", "v"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Section + "/" + c.Key);
        EXPECT_THROW(ini.WriteString(c.Section, c.Key, c.Value), EIniFileException);
        EXPECT_THROW(mem.WriteString(c.Section, c.Key, c.Value), EIniFileException);
    }
    mem.UpdateFile();
    EXPECT_EQ(ReadFile(file), kOriginal);
}

// ---------------------------------------------------------------------------
// Typed values

TEST_F(IniTest, TypedReads) {
    TMemIniFile ini(Path("typed.ini"));
    ini.SetText(
        "[I]\ndec=42\nneg= -7 \nhex1=$1F\nhex2=0x1f\nbad=12abc\nempty=\nbig=99999999999\n"
        "[B]\nzero=0\none=1\nminus=-1\nzeros=00\nfalse=False\nno=no\noff=OFF\ntrue=true\n"
        "yes=yes\nword=anything\nempty=\n"
        "[F]\ndot=1.5\ncomma=1,5\nexp=-2.5e3\nbad=x\n"
        "[D]\niso=2024-02-29\nisotime=13:45:10.250\nisodt=2024-02-29 13:45:10.250\n"
        "isot=2024-02-29T06:00\nbaddate=2024-02-30\nlocale=02/29/2024\nbad=soon\n");
    struct TIntCase {
        const char* Key;
        Integer Expected;
    };
    for (const TIntCase& c : std::vector<TIntCase>{{"dec", 42}, {"neg", -7}, {"hex1", 31},
                                                   {"hex2", 31}, {"bad", -99}, {"empty", -99},
                                                   {"big", -99}, {"missing", -99}}) {
        SCOPED_TRACE(c.Key);
        EXPECT_EQ(ini.ReadInteger("I", c.Key, -99), c.Expected);
    }
    struct TBoolCase {
        const char* Key;
        bool Default, Expected;
    };
    for (const TBoolCase& c : std::vector<TBoolCase>{
             {"zero", true, false}, {"one", false, true}, {"minus", false, true},
             {"zeros", true, false}, {"false", true, false}, {"no", true, false},
             {"off", true, false}, {"true", false, true}, {"yes", false, true},
             {"word", false, true}, {"empty", true, true}, {"empty", false, false},
             {"missing", true, true}}) {
        SCOPED_TRACE(c.Key);
        EXPECT_EQ(ini.ReadBool("B", c.Key, c.Default), c.Expected);
    }
    EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "dot", 0), 1.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "comma", -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "exp", 0), -2500);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "bad", 7), 7);

    const TDateTime day = EncodeDate(2024, 2, 29);
    const TDateTime time = EncodeTime(13, 45, 10, 250);
    EXPECT_DOUBLE_EQ(ini.ReadDate("D", "iso", 0), day);
    EXPECT_NEAR(ini.ReadTime("D", "isotime", 0), time, 1e-9);
    EXPECT_NEAR(ini.ReadDateTime("D", "isodt", 0), day + time, 1e-9);
    EXPECT_NEAR(ini.ReadDateTime("D", "isot", 0), day + 0.25, 1e-9);
    EXPECT_DOUBLE_EQ(ini.ReadDate("D", "baddate", -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadDate("D", "locale", 0), day);  // FormatSettings() form
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("D", "bad", -1), -1);
}

TEST_F(IniTest, TypedWritesRoundTrip) {
    const std::string file = Path("typed.ini");
    const std::vector<double> floats = {0.1, 1.0 / 3, -2.5e-300, 1e300, 123456789.125, 0};
    const TDateTime stamp = ComposeDateTime(EncodeDate(1815, 6, 18), EncodeTime(11, 30, 15, 500));
    {
        TIniFile ini(file);
        ini.WriteInteger("T", "int", -123456);
        ini.WriteBool("T", "yes", true);
        ini.WriteBool("T", "no", false);
        for (size_t i = 0; i < floats.size(); ++i) ini.WriteFloat("F", "f" + std::to_string(i), floats[i]);
        ini.WriteFloat("F", "nan", std::nan(""));
        ini.WriteFloat("F", "inf", -HUGE_VAL);
        ini.WriteDate("D", "date", stamp);
        ini.WriteTime("D", "time", stamp);
        ini.WriteDateTime("D", "both", stamp);
    }
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("T", "yes", ""), "1");
    EXPECT_EQ(ini.ReadString("T", "no", ""), "0");
    EXPECT_EQ(ini.ReadInteger("T", "int", 0), -123456);
    EXPECT_TRUE(ini.ReadBool("T", "yes", false));
    EXPECT_FALSE(ini.ReadBool("T", "no", true));
    for (size_t i = 0; i < floats.size(); ++i)
        EXPECT_EQ(ini.ReadFloat("F", "f" + std::to_string(i), -1), floats[i]) << i;
    EXPECT_EQ(ini.ReadString("F", "f0", ""), "0.1");
    EXPECT_TRUE(std::isnan(ini.ReadFloat("F", "nan", 0)));
    EXPECT_EQ(ini.ReadFloat("F", "inf", 0), -HUGE_VAL);
    EXPECT_EQ(ini.ReadString("D", "both", ""), "1815-06-18 11:30:15.500");
    EXPECT_NEAR(ini.ReadDateTime("D", "both", 0), stamp, 1e-9);
    EXPECT_DOUBLE_EQ(ini.ReadDate("D", "date", 0), EncodeDate(1815, 6, 18));
    EXPECT_NEAR(ini.ReadTime("D", "time", 0), EncodeTime(11, 30, 15, 500), 1e-9);
}

// ---------------------------------------------------------------------------
// Atomic rewriting and the file on the disk

TEST_F(IniTest, FailedWriteLeavesTheOldFileWhole) {
    const std::string file = Path("keep.ini");
    std::string text = kOriginal;
    text += "[Data]\n";
    for (int i = 0; i < 2000; ++i) text += "line" + std::to_string(i) + "=some text to make it long\n";
    WriteFile(file, text);
    // The child may write no file larger than half of the old one: the
    // rewrite fails part way through writing the temporary file.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim{static_cast<rlim_t>(text.size() / 2), static_cast<rlim_t>(text.size() / 2)};
        setrlimit(RLIMIT_FSIZE, &lim);
        int rc = 1;
        try {
            TIniFile ini(file);
            ini.WriteString("Window", "Left", "99");
        } catch (const EIniFileException& e) {
            rc = std::string(e.Message()).find("Unable to write to " + file) == 0 ? 0 : 2;
        } catch (...) {
            rc = 3;
        }
        _exit(rc);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(file), text);
    EXPECT_EQ(DirEntries(FDir), std::vector<std::string>{"keep.ini"});  // no temporary file left
}

TEST_F(IniTest, ReadOnlyDirectoryKeepsTheFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write into a read-only directory";
    const std::string dir = Path("ro");
    mkdir(dir.c_str(), 0755);
    const std::string file = dir + "/x.ini";
    WriteFile(file, kOriginal);
    chmod(dir.c_str(), 0555);
    TIniFile ini(file);
    EXPECT_THROW(ini.WriteString("Window", "Left", "1"), EIniFileException);
    TMemIniFile mem(file);
    mem.WriteString("Window", "Left", "1");
    EXPECT_THROW(mem.UpdateFile(), EIniFileException);
    chmod(dir.c_str(), 0755);
    EXPECT_EQ(ReadFile(file), kOriginal);
}

TEST_F(IniTest, WriteIntoMissingDirectoryRaises) {
    TIniFile ini(Path("no/such/dir.ini"));
    EXPECT_THROW(ini.WriteString("S", "k", "v"), EIniFileException);
}

TEST_F(IniTest, PermissionsAndSymlinksAreKept) {
    const std::string file = Path("real.ini");
    WriteFile(file, "[S]\nk=v\n");
    chmod(file.c_str(), 0640);
    ASSERT_EQ(symlink("real.ini", Path("link.ini").c_str()), 0);
    TIniFile ini(Path("link.ini"));
    ini.WriteString("S", "k", "w");
    struct stat st;
    ASSERT_EQ(lstat(Path("link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(file), "[S]\nk=w\n");
}

TEST_F(IniTest, IniFileSeesChangesMadeByOthers) {
    const std::string file = Path("shared.ini");
    TIniFile a(file), b(file);
    EXPECT_EQ(a.ReadString("S", "k", "none"), "none");
    b.WriteString("S", "k", "from b");
    EXPECT_EQ(a.ReadString("S", "k", ""), "from b");
    a.WriteString("S", "j", "from a");  // applied to the file as b left it
    EXPECT_EQ(b.ReadString("S", "k", ""), "from b");
    EXPECT_EQ(b.ReadString("S", "j", ""), "from a");
    WriteFile(file, "[S]\nk=edited by hand, same length!\n");
    EXPECT_EQ(a.ReadString("S", "k", ""), "edited by hand, same length!");
}

TEST_F(IniTest, ConcurrentProcessesLoseNoWrite) {
    const std::string file = Path("concurrent.ini");
    constexpr int kProcs = 4, kWrites = 25;
    std::vector<pid_t> pids;
    for (int p = 0; p < kProcs; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int rc = 0;
            try {
                TIniFile ini(file);
                for (int i = 0; i < kWrites; ++i)
                    ini.WriteInteger("P" + std::to_string(p), "k" + std::to_string(i), p * 1000 + i);
            } catch (...) {
                rc = 1;
            }
            _exit(rc);
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    TMemIniFile ini(file);
    for (int p = 0; p < kProcs; ++p)
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(ini.ReadInteger("P" + std::to_string(p), "k" + std::to_string(i), -1), p * 1000 + i);
}

// ---------------------------------------------------------------------------
// TMemIniFile

TEST_F(IniTest, MemIniFileUpdateFileAndStrings) {
    const std::string file = Path("mem.ini");
    WriteFile(file, kOriginal);
    TMemIniFile mem(file);
    WriteFile(file, "[Other]\nx=1\n");  // loaded once: later changes are not seen
    EXPECT_EQ(mem.ReadString("Window", "Top", ""), "20 ; inline");
    EXPECT_FALSE(mem.SectionExists("Other"));

    TStringList lines;
    mem.GetStrings(lines);
    ASSERT_EQ(lines.Count(), 10);
    EXPECT_EQ(lines.Strings(3), "  Left = 10");

    TStringList replacement;
    replacement.Add("[Fresh]");
    replacement.Add("a=1\nb=2");  // a string holding a line break is two lines
    mem.SetStrings(replacement);
    EXPECT_EQ(mem.ReadInteger("Fresh", "b", 0), 2);
    EXPECT_FALSE(mem.SectionExists("Window"));
    mem.UpdateFile();
    EXPECT_EQ(ReadFile(file), "[Fresh]\na=1\nb=2\n");

    mem.Rename(Path("renamed.ini"), false);
    EXPECT_EQ(mem.FileName(), Path("renamed.ini"));
    mem.WriteString("Fresh", "c", "3");
    mem.UpdateFile();
    EXPECT_EQ(ReadFile(Path("renamed.ini")), "[Fresh]\na=1\nb=2\nc=3\n");
    EXPECT_EQ(ReadFile(file), "[Fresh]\na=1\nb=2\n");

    mem.Rename(file, true);
    EXPECT_FALSE(mem.ValueExists("Fresh", "c"));
    mem.Clear();
    EXPECT_EQ(mem.Text(), "");
    mem.SetText("[X]\r\ny=\"1\"\r\n");
    EXPECT_EQ(mem.ReadString("x", "Y", ""), "1");
    EXPECT_EQ(mem.Text(), "[X]\r\ny=\"1\"\r\n");
}

}  // namespace
