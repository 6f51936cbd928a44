// TCvCGIConnect: reading the request profile, the form-field lookups, the
// response files (byte for byte, with a fixed clock and locale), the error
// page, and profiles written to break the program.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Classes.h"
#include "Clock.h"
#include "CorvaneReg.h"
#include "CvCGIConnect.h"
#include "DateTime.h"
#include "DesignerHost.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "Filer.h"
#include "Forms.h"
#include "Grids.h"
#include "ProcessControl.h"
#include "StdCtrls.h"
#include "Streams.h"
#include "Windows.h"

using namespace corvane;
namespace fs = std::filesystem;

namespace {

// A private directory per test, a request profile written into it and named
// on the command line, the clock stopped at Tuesday 2024-03-05 14:07:09
// local time and the neutral locale settings.
class CGIConnect : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        FDir = fs::path(CORVANE_TEST_TMP) /
               ("cgiconnect_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(FDir);
        fs::create_directories(FDir);
        FSettings = vcl::FormatSettings();
        vcl::FormatSettings() = vcl::EnglishFormatSettings();
        vcl::Clock::UseVirtualTime(false);
        vcl::Clock::UseVirtualTime(true);
        vcl::Clock::SetVirtualDateTime(vcl::EncodeDate(2024, 3, 5) + vcl::EncodeTime(14, 7, 9, 0));
    }
    void TearDown() override {
        vcl::ResetCommandLine();
        vcl::FormatSettings() = FSettings;
        vcl::Clock::UseVirtualTime(false);
        std::error_code ec;
        fs::remove_all(FDir, ec);
    }

    std::string Dir() const { return FDir.string(); }
    std::string Path(const std::string& Name) const { return (FDir / Name).string(); }

    // @DIR@ in Text stands for the test's directory.
    std::string Expand(std::string Text) const {
        for (size_t p; (p = Text.find("@DIR@")) != std::string::npos;) Text.replace(p, 5, Dir());
        return Text;
    }
    void WriteFile(const std::string& Name, const std::string& Data) const {
        std::ofstream(Path(Name), std::ios::binary) << Data;
    }
    static std::string ReadFile(const std::string& FileName) {
        std::ifstream in(FileName, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Writes the profile (lines given with LF, written with CR LF as a web
    // server does) and creates the component on it, as a program started
    // with the profile's path would.
    std::unique_ptr<TCvCGIConnect> Open(const std::string& Profile) {
        std::string text;
        for (char c : Expand(Profile)) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
        WriteFile("request.ini", text);
        vcl::SetCommandLine({"/srv/cgi/orders", Path("request.ini")});
        return std::make_unique<TCvCGIConnect>(nullptr);
    }

    static std::string Buffer(const TCvCGIConnect& Cgi) {
        const vcl::TMemoryStream* b = Cgi.OutputBuffer();
        return {static_cast<const char*>(b->Memory()), static_cast<size_t>(b->Size())};
    }

    static std::vector<std::string> Lines(const vcl::TStrings& List) {
        std::vector<std::string> out;
        for (int i = 0; i < List.Count(); ++i) out.push_back(List.Strings(i));
        return out;
    }

private:
    fs::path FDir;
    vcl::TFormatSettings FSettings;
};

// The profile a web server writes for
// POST /orders.wcgi/new?lang=de  with  name=Anna&color=red&color=blue&note=...
const char* const kFullProfile =
    "[CGI]\n"
    "Request Protocol=HTTP/1.1\n"
    "Request Method=POST\n"
    "Executable Path=/orders.wcgi\n"
    "Logical Path=/new\n"
    "Physical Path=/var/www/new\n"
    "Query String=lang=de\n"
    "Referer=http://127.0.0.1/form.html\n"
    "From=anna@example.org\n"
    "User Agent=curl/7.88.1\n"
    "Content Type=application/x-www-form-urlencoded\n"
    "Content Length=54\n"
    "Content File=@DIR@/content.inp\n"
    "Server Software=lighttpd/1.4.69\n"
    "Server Name=127.0.0.1\n"
    "Server Port=8080\n"
    "Server Admin=webmaster@example.org\n"
    "CGI Version=CGI/1.3a WIN\n"
    "Remote Host=client.example.org\n"
    "Remote Address=127.0.0.1\n"
    "Remote Adress=127.0.0.1\n"
    "Authenticated Username=anna\n"
    "Authenticated User=anna\n"
    "Authenticated Password=secret\n"
    "Authentication Method=Basic\n"
    "Authentication Realm=Orders\n"
    "\n"
    "[System]\n"
    "GMT Offset=3600\n"
    "Output File=@DIR@/response.out\n"
    "Content File=@DIR@/content.inp\n"
    "Debug Mode=Yes\n"
    "\n"
    "[Accept]\n"
    "text/html=Yes\n"
    "*/*=q=0.8\n"
    "\n"
    "[Extra Headers]\n"
    "Host=127.0.0.1:8080\n"
    "X-Forwarded-For=10.0.0.1\n"
    "\n"
    "[Form Literal]\n"
    "name=Anna\n"
    "color=red\n"
    "color_1=blue\n"
    "\n"
    "[Form External]\n"
    "note=@DIR@/field00001.txt 14\n"
    "\n"
    "[Form Huge]\n";

const char* const kNote = "line 1\r\nline 2";  // 14 bytes

}  // namespace

// ------------------------------------------------------------- the profile

TEST_F(CGIConnect, ReadsEveryRequestField) {
    WriteFile("field00001.txt", kNote);
    auto cgi = Open(kFullProfile);
    EXPECT_EQ(cgi->ProfileFile(), Path("request.ini"));
    const struct {
        const char* Name;
        std::string Value, Expected;
    } strings[] = {
        {"CGIVersion", cgi->CGIVersion(), "CGI/1.3a WIN"},
        {"RequestProtocol", cgi->RequestProtocol(), "HTTP/1.1"},
        {"RequestMethod", cgi->RequestMethod(), "POST"},
        {"ExecutablePath", cgi->ExecutablePath(), "/orders.wcgi"},
        {"LogicalPath", cgi->LogicalPath(), "/new"},
        {"PhysicalPath", cgi->PhysicalPath(), "/var/www/new"},
        {"QueryString", cgi->QueryString(), "lang=de"},
        {"ContentType", cgi->ContentType(), "application/x-www-form-urlencoded"},
        {"ServerSoftware", cgi->ServerSoftware(), "lighttpd/1.4.69"},
        {"ServerName", cgi->ServerName(), "127.0.0.1"},
        {"ServerAdmin", cgi->ServerAdmin(), "webmaster@example.org"},
        {"Referer", cgi->Referer(), "http://127.0.0.1/form.html"},
        {"From", cgi->From(), "anna@example.org"},
        {"RemoteHost", cgi->RemoteHost(), "client.example.org"},
        {"RemoteAdress", cgi->RemoteAdress(), "127.0.0.1"},
        {"AuthenticatedUser", cgi->AuthenticatedUser(), "anna"},
        {"AuthenticatedPassword", cgi->AuthenticatedPassword(), "secret"},
        {"AuthenticationMethod", cgi->AuthenticationMethod(), "Basic"},
        {"AuthenticationRealm", cgi->AuthenticationRealm(), "Orders"},
        {"OutputFile", cgi->OutputFile(), Path("response.out")},
        {"ContentFile", cgi->ContentFile(), Path("content.inp")},
    };
    for (const auto& s : strings) EXPECT_EQ(s.Value, s.Expected) << s.Name;
    EXPECT_EQ(cgi->ContentLength(), 54);
    EXPECT_EQ(cgi->ServerPort(), 8080);
    EXPECT_EQ(cgi->GMTOffset(), 3600.0);
    EXPECT_TRUE(cgi->DebugMode());
    EXPECT_EQ(cgi->ServerStatus(), cvstOK);
    EXPECT_EQ(cgi->ResponseContentType(), "text/html");

    EXPECT_EQ(Lines(*cgi->Accept()), (std::vector<std::string>{"text/html=Yes", "*/*=q=0.8"}));
    EXPECT_EQ(Lines(*cgi->ExtraHeaders()),
              (std::vector<std::string>{"Host=127.0.0.1:8080", "X-Forwarded-For=10.0.0.1"}));
    EXPECT_EQ(Lines(*cgi->FormExternal()),
              (std::vector<std::string>{"note=" + Path("field00001.txt") + " 14"}));
    EXPECT_EQ(cgi->FormHuge()->Count(), 0);
    // The literal fields, then the external ones with their contents.
    EXPECT_EQ(Lines(*cgi->FormLiteral()),
              (std::vector<std::string>{"name=Anna", "color=red", "color_1=blue",
                                        std::string("note=") + kNote}));
}

// Missing keys: strings empty, numbers -1, Debug Mode "No"; only "Yes"
// exactly switches the debug mode on.
TEST_F(CGIConnect, MissingKeysAndExactDebugMode) {
    auto cgi = Open("[CGI]\nRequest Method=GET\n[System]\nDebug Mode=yes\n");
    EXPECT_EQ(cgi->RequestMethod(), "GET");
    EXPECT_EQ(cgi->ServerSoftware(), "");
    EXPECT_EQ(cgi->OutputFile(), "");
    EXPECT_EQ(cgi->ContentLength(), -1);
    EXPECT_EQ(cgi->ServerPort(), -1);
    EXPECT_EQ(cgi->GMTOffset(), -1.0);
    EXPECT_FALSE(cgi->DebugMode());
    EXPECT_EQ(cgi->FormLiteral()->Count(), 0);
}

// No profile, or a path that is no readable file: an empty request, no
// exception, and an output buffer to write the page into.
TEST_F(CGIConnect, MissingOrUnreadableProfileReadsAsEmpty) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"/srv/cgi/orders"}, {"/srv/cgi/orders", Path("nothing.ini")},
          {"/srv/cgi/orders", Dir()}}) {
        vcl::SetCommandLine(args);
        std::unique_ptr<TCvCGIConnect> cgi;
        ASSERT_NO_THROW(cgi = std::make_unique<TCvCGIConnect>(nullptr)) << args.back();
        EXPECT_EQ(cgi->ProfileFile(), args.size() > 1 ? args[1] : "");
        EXPECT_EQ(cgi->RequestMethod(), "");
        EXPECT_EQ(cgi->ContentLength(), -1);
        EXPECT_EQ(cgi->GetFormField("name"), "");
        EXPECT_EQ(cgi->GetFormMultiField("name")->Count(), 0);
        ASSERT_NE(cgi->OutputBuffer(), nullptr);
        cgi->Send("x");
        EXPECT_EQ(Buffer(*cgi), "x\r\n");
    }
}

// A component created in the designer reads nothing.
TEST_F(CGIConnect, DesigningComponentReadsNoProfile) {
    WriteFile("field00001.txt", kNote);
    Open(kFullProfile);  // the profile and the command line are there
    vcl::TComponent form(nullptr);
    form.SetDesigning(true);
    auto* cgi = new TCvCGIConnect(&form);
    EXPECT_EQ(cgi->ProfileFile(), "");
    EXPECT_EQ(cgi->RequestMethod(), "");
    EXPECT_EQ(cgi->Profile(), nullptr);
    EXPECT_EQ(cgi->FormLiteral()->Count(), 0);
}

// An owned component reads the profile as soon as it is created.
TEST_F(CGIConnect, OwnedComponentReadsAtCreation) {
    Open("[CGI]\nRequest Method=HEAD\n");
    vcl::TComponent form(nullptr);
    auto* cgi = new TCvCGIConnect(&form);
    EXPECT_EQ(cgi->GetMethod(), cvrmHead);
}

// Creating the component handles the messages waiting in the thread's
// queue; a quit request among them is dropped.
TEST_F(CGIConnect, CreationProcessesPendingMessages) {
    std::vector<vcl::UINT> handled;
    vcl::HWND wnd = vcl::AllocateHWnd([&](vcl::TMessage& M) { handled.push_back(M.Msg); });
    vcl::PostMessage(wnd, vcl::WM_USER + 1, 0, 0);
    vcl::PostQuitMessage(0);
    vcl::PostMessage(wnd, vcl::WM_USER + 2, 0, 0);
    Open("[CGI]\nRequest Method=GET\n");
    EXPECT_EQ(handled, (std::vector<vcl::UINT>{vcl::WM_USER + 1, vcl::WM_USER + 2}));
    vcl::MSG msg;
    EXPECT_FALSE(vcl::PeekMessage(&msg, nullptr, 0, 0, vcl::PM_REMOVE));
    vcl::DeallocateHWnd(wnd);
}

// ---------------------------------------------------------- form fields

TEST_F(CGIConnect, LiteralAndExternalFields) {
    WriteFile("F1.TXT", "Hallo");
    auto cgi = Open("[Form Literal]\nname=Anna\n[Form External]\ntext=@DIR@/F1.TXT 5\n");
    EXPECT_EQ(cgi->GetFormField("name"), "Anna");
    EXPECT_EQ(cgi->GetFormField("NAME"), "Anna");
    EXPECT_EQ(cgi->GetFormField("text"), "Hallo");
    EXPECT_EQ(cgi->GetFormField("missing"), "");
    EXPECT_EQ(cgi->GetFormExternalField("name"), "");
    EXPECT_EQ(cgi->FormLiteral()->Strings(cgi->FormLiteral()->Count() - 1), "text=Hallo");
}

TEST_F(CGIConnect, GetFormFieldIntConvertsStrictly) {
    auto cgi = Open("[Form Literal]\nqty=42\nword=12a\n");
    EXPECT_EQ(cgi->GetFormFieldInt("qty", true), 42);
    EXPECT_EQ(cgi->GetFormFieldInt("qty", false), 0);
    EXPECT_THROW(cgi->GetFormFieldInt("word", true), vcl::EConvertError);
    EXPECT_THROW(cgi->GetFormFieldInt("word", false), vcl::EConvertError);
    EXPECT_THROW(cgi->GetFormFieldInt("missing", true), vcl::EConvertError);
}

TEST_F(CGIConnect, MultiFieldFollowsTheNumberedNames) {
    WriteFile("blue.txt", "blue\r\nsky");
    const struct {
        const char* Profile;
        std::vector<std::string> Expected;
    } cases[] = {
        {"[Form Literal]\ncolor=red\ncolor_1=blue\ncolor_2=green\n", {"red", "blue", "green"}},
        {"[Form Literal]\ncolor=red\ncolor_2=green\n", {"red"}},  // a gap ends the list
        {"[Form Literal]\ncolour=red\n", {}},
        // The web server puts a value with a line break into a file of its own.
        {"[Form Literal]\ncolor=red\ncolor_2=green\n[Form External]\ncolor_1=@DIR@/blue.txt 9\n",
         {"red", "blue\r\nsky", "green"}},
    };
    for (const auto& c : cases) {
        auto cgi = Open(c.Profile);
        EXPECT_EQ(Lines(*cgi->GetFormMultiField("color")), c.Expected) << c.Profile;
    }
}

// Field files that are short, missing, no regular file, or have blanks in
// their paths; lengths that are no lengths.  The profile is read without an
// exception; a field whose length is bad is left out of FormLiteral, and
// asking for it directly raises EConvertError.
TEST_F(CGIConnect, HostileExternalFields) {
    WriteFile("f.txt", "Hello");
    WriteFile("with blank.txt", "abc");
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);  // opening it would block
    const struct {
        const char* Line;
        bool Valid;
        std::string Value;
    } cases[] = {
        {"exact=@DIR@/f.txt 5", true, "Hello"},
        {"prefix=@DIR@/f.txt 2", true, "He"},
        {"zero=@DIR@/f.txt 0", true, ""},
        {"short=@DIR@/f.txt 8", true, "Hello   "},
        {"missing=@DIR@/nothing.txt 4", true, "    "},
        {"directory=@DIR@ 3", true, "   "},
        {"fifo=@DIR@/fifo 3", true, "   "},
        {"blanks=@DIR@/with blank.txt 3", true, "abc"},
        {"padded=@DIR@/f.txt   0005", true, "Hello"},
        {"letters=@DIR@/f.txt abc", false, ""},
        {"negative=@DIR@/f.txt -5", false, ""},
        {"overflow=@DIR@/f.txt 99999999999", false, ""},
        {"toolong=@DIR@/f.txt 1073741825", false, ""},
        {"noblank=@DIR@/f.txt", false, ""},
        {"empty=", false, ""},
    };
    std::string profile = "[Form Literal]\nname=Anna\n[Form External]\n";
    for (const auto& c : cases) profile += std::string(c.Line) + "\n";
    std::unique_ptr<TCvCGIConnect> cgi;
    ASSERT_NO_THROW(cgi = Open(profile));

    std::vector<std::string> expected{"name=Anna"};
    for (const auto& c : cases) {
        const std::string line = c.Line;
        const std::string key = line.substr(0, line.find('='));
        if (c.Valid) {
            expected.push_back(key + "=" + c.Value);
            EXPECT_EQ(cgi->GetFormExternalField(key), c.Value) << c.Line;
        } else {
            EXPECT_THROW(cgi->GetFormExternalField(key), vcl::EConvertError) << c.Line;
            EXPECT_THROW(cgi->GetFormField(key), vcl::EConvertError) << c.Line;
        }
    }
    EXPECT_EQ(Lines(*cgi->FormLiteral()), expected);
    ASSERT_NE(cgi->OutputBuffer(), nullptr);
}

// A length far beyond the file fills with blanks only up to the cap.
TEST_F(CGIConnect, HugeLengthIsNotFilledBeyondTheCap) {
    WriteFile("f.txt", "Hello");
    auto cgi = Open("[Form External]\nbig=@DIR@/f.txt 1073741824\nnone=@DIR@/nothing 1000000000\n");
    const std::string big = cgi->GetFormExternalField("big");
    ASSERT_EQ(big.size(), static_cast<size_t>(TCvCGIConnect::MaxBlankFill));
    EXPECT_EQ(big.substr(0, 6), "Hello ");
    EXPECT_EQ(big.find_first_not_of(' ', 5), std::string::npos);
    EXPECT_EQ(cgi->GetFormExternalField("none"), std::string(TCvCGIConnect::MaxBlankFill, ' '));

    // A file that really is that long is read whole.
    const std::string data(TCvCGIConnect::MaxBlankFill + 1000, 'x');
    WriteFile("long.txt", data);
    cgi = Open("[Form External]\nlong=@DIR@/long.txt " + std::to_string(data.size()) + "\n");
    EXPECT_EQ(cgi->GetFormExternalField("long"), data);
}

// [Form Huge] gives the offset and the length of the raw value in the
// content file.
TEST_F(CGIConnect, HugeFieldsReadTheContentFile) {
    WriteFile("content.inp", "a=1&big=abc%20def&z=2");
    const std::string head = "[System]\nContent File=@DIR@/content.inp\n[Form Huge]\n";
    const struct {
        const char* Line;
        bool Valid;
        std::string Value;
    } cases[] = {
        {"big=8 9", true, "abc%20def"},
        {"first=0 3", true, "a=1"},
        {"tail=18 10", true, "z=2       "},  // past the end of the file: blanks
        {"beyond=100 2", true, "  "},
        {"letters=x 5", false, ""},
        {"negative=-1 5", false, ""},
        {"badlength=8 nine", false, ""},
        {"single=8", false, ""},
    };
    std::string profile = head;
    for (const auto& c : cases) profile += std::string(c.Line) + "\n";
    auto cgi = Open(profile);
    for (const auto& c : cases) {
        const std::string line = c.Line;
        const std::string key = line.substr(0, line.find('='));
        if (c.Valid)
            EXPECT_EQ(cgi->GetFormHugeField(key), c.Value) << c.Line;
        else
            EXPECT_THROW(cgi->GetFormHugeField(key), vcl::EConvertError) << c.Line;
    }
    EXPECT_EQ(cgi->GetFormHugeField("missing"), "");
    EXPECT_EQ(cgi->FormHuge()->Count(), 8);
    // Huge fields stay out of FormLiteral.
    EXPECT_EQ(cgi->FormLiteral()->Count(), 0);
}

TEST_F(CGIConnect, GetMethodComparesInUpperCase) {
    const struct {
        const char* Method;
        TCvRequestMethod Expected;
    } cases[] = {{"GET", cvrmGet},       {"post", cvrmPost},     {"Post", cvrmPost},
                 {"TextSearch", cvrmTextSearch}, {"HEAD", cvrmHead}, {"link", cvrmLink},
                 {"UNLINK", cvrmUnlink}, {"put", cvrmPut},       {"", cvrmOther},
                 {"OTHER", cvrmOther},   {"DELETE", cvrmOther},  {"GET ", cvrmOther}};
    auto cgi = Open("");
    for (const auto& c : cases) {
        cgi->SetRequestMethod(c.Method);
        EXPECT_EQ(cgi->GetMethod(), c.Expected) << '"' << c.Method << '"';
    }
}

// ---------------------------------------------------------- page writing

TEST_F(CGIConnect, WritingOperations) {
    auto cgi = Open("");
    cgi->SetAdress("webmaster@example.org");
    const struct {
        const char* Name;
        std::function<void(TCvCGIConnect&)> Write;
        const char* Expected;
    } cases[] = {
        {"Hdr 0", [](TCvCGIConnect& c) { c.SendHdr(0, "T"); }, "<H1>T</H1>\r\n"},
        {"Hdr 1", [](TCvCGIConnect& c) { c.SendHdr(1, "T"); }, "<H1>T</H1>\r\n"},
        {"Hdr 6", [](TCvCGIConnect& c) { c.SendHdr(6, "T"); }, "<H6>T</H6>\r\n"},
        {"Hdr 9", [](TCvCGIConnect& c) { c.SendHdr(9, "T"); }, "<H6>T</H6>\r\n"},
        {"Hdr 255", [](TCvCGIConnect& c) { c.SendHdr(255, "T"); }, "<H6>T</H6>\r\n"},
        {"Comment", [](TCvCGIConnect& c) { c.SendComment("note"); }, "<!-- note --!>\r\n"},
        {"String", [](TCvCGIConnect& c) { c.SendString("a", false); }, "a"},
        {"Adress", [](TCvCGIConnect& c) { c.SendAdress("Mail", false, false); },
         "<ADRESS>Mail</ADRESS>\r\n"},
        {"Adress added", [](TCvCGIConnect& c) { c.SendAdress("Mail", false, true); },
         "<ADRESS>Mail webmaster@example.org</ADRESS>\r\n"},
        {"Adress link", [](TCvCGIConnect& c) { c.SendAdress("Mail", true, true); },
         "<ADRESS><A HREF=\"mailto:webmaster@example.org\">Mail webmaster@example.org</A></ADRESS>\r\n"},
        {"HREF", [](TCvCGIConnect& c) { c.SendHREF("", "BORDER=0", "Home", "/index.html"); },
         "<A HREF=\"/index.html\">\r\nHome</A>\r\n"},
        {"HREF picture", [](TCvCGIConnect& c) { c.SendHREF("home.gif", "BORDER=0", "Home", "/"); },
         "<A HREF=\"/\">\r\n<IMG BORDER=0 SRC=\"home.gif\">\r\nHome</A>\r\n"},
    };
    for (const auto& c : cases) {
        cgi->OutputBuffer()->Clear();
        c.Write(*cgi);
        EXPECT_EQ(Buffer(*cgi), c.Expected) << c.Name;
    }
}

TEST_F(CGIConnect, WebDateSubtractsTheOffsetAndUsesTheLocale) {
    auto cgi = Open("[System]\nGMT Offset=3600\n");
    const vcl::TDateTime when = vcl::EncodeDate(2024, 3, 5) + vcl::EncodeTime(0, 30, 5, 0);
    EXPECT_EQ(cgi->WebDate(when), "Mon 04 Mar 2024 23:30:05 GMT");
    cgi->SetGMTOffset(-7200);
    EXPECT_EQ(cgi->WebDate(when), "Tue 05 Mar 2024 02:30:05 GMT");
    vcl::FormatSettings() = vcl::GermanFormatSettings();
    vcl::FormatSettings().TimeSeparator = '.';
    EXPECT_EQ(cgi->WebDate(when), "Di 05 Mär 2024 02.30.05 GMT");
}

// The whole response file, byte for byte.
TEST_F(CGIConnect, EndSendCGIWritesTheResponse) {
    WriteFile("field00001.txt", kNote);
    auto cgi = Open(kFullProfile);
    cgi->SetTitle("Orders");
    cgi->SetBackgroundImage("bg.png");
    cgi->SetBgColor("FFFFFF");
    cgi->SetLinkColor("0000FF");
    cgi->ResponseHeaders()->Add("Set-Cookie: id=7");
    cgi->ResponseHeaders()->Add("Cache-Control: no-cache");
    cgi->StartSendCGI();
    cgi->Send("Hallo");
    cgi->EndSendCGI();
    EXPECT_EQ(ReadFile(Path("response.out")),
              "HTTP/1.0 200 OK\r\n"
              "Server : lighttpd/1.4.69\r\n"
              "Date : Tue 05 Mar 2024 13:07:09 GMT\r\n"
              "Content-Type: text/html\r\n"
              "Content-Length : 132\r\n"
              "Set-Cookie: id=7\r\n"
              "Cache-Control: no-cache\r\n"
              "\r\n"
              "\r\n"
              "<HTML>\r\n"
              "<HEAD>\r\n"
              "<TITLE>Orders</TITLE>\r\n"
              "</HEAD>\r\n"
              "<body background=\"bg.png\" bgcolor=#FFFFFF link=#0000FF>\r\n"
              "Hallo\r\n"
              "</BODY>\r\n"
              "</HTML>\r\n");
}

// Without extra headers one empty line ends the headers, and the body
// (which starts with the empty line of StartSendCGI) is as long as stated.
TEST_F(CGIConnect, ContentLengthCountsTheBody) {
    auto cgi = Open("[System]\nOutput File=@DIR@/out.htm\nGMT Offset=0\n");
    cgi->SetResponseContentType("text/plain; charset=utf-8");
    cgi->SetServerStatus(cvstNotFound);
    cgi->SetTextColor("000000");
    cgi->SetVLinkColor("800080");
    cgi->SetALinkColor("FF0000");
    cgi->StartSendCGI();
    cgi->Send("Grüße");
    cgi->EndSendCGI();
    const std::string file = ReadFile(Path("out.htm"));
    const size_t end = file.find("\r\n\r\n");
    ASSERT_NE(end, std::string::npos);
    const std::string head = file.substr(0, end + 2);
    const std::string body = file.substr(end + 4);
    EXPECT_EQ(head,
              "HTTP/1.0 404 Not Found\r\n"
              "Server : \r\n"
              "Date : Tue 05 Mar 2024 14:07:09 GMT\r\n"
              "Content-Type: text/plain; charset=utf-8\r\n"
              "Content-Length : " + std::to_string(body.size()) + "\r\n");
    EXPECT_EQ(body.substr(0, 2), "\r\n");
    EXPECT_NE(body.find("<body text=#000000 vlink=#800080 alink=#FF0000>\r\nGrüße\r\n"), std::string::npos);
}

TEST_F(CGIConnect, SendBounceToLocationWritesARedirect) {
    WriteFile("field00001.txt", kNote);
    auto cgi = Open(kFullProfile);
    cgi->Send("not part of a redirect");
    cgi->SetServerStatus(cvstFound);
    cgi->SendBounceToLocation("http://127.0.0.1:8080/done.html");
    EXPECT_EQ(ReadFile(Path("response.out")),
              "HTTP/1.0 302 Found\r\n"
              "Server : lighttpd/1.4.69\r\n"
              "Date : Tue 05 Mar 2024 13:07:09 GMT\r\n"
              "Location : http://127.0.0.1:8080/done.html\r\n"
              "\r\n");
}

TEST_F(CGIConnect, EveryStatusHasItsLine) {
    auto cgi = Open("[System]\nOutput File=@DIR@/out\n");
    const char* const expected[] = {"200 OK",
                                    "201 Created",
                                    "202 Accepted",
                                    "203 Partial Information",
                                    "204 No Response",
                                    "301 Moved",
                                    "302 Found",
                                    "303 Method",
                                    "304 Not Modified",
                                    "400 Bad Request",
                                    "401 Unauthorized",
                                    "402 PaymentRequired",
                                    "403 Forbidden",
                                    "404 Not Found",
                                    "500 Internal Error",
                                    "501 Not Implemented",
                                    "502 Service Temporarily Overloaded",
                                    "503 Gateway Timeout"};
    for (int s = cvstOK; s <= cvstTimeout; ++s) {
        cgi->SetServerStatus(static_cast<TCvServerStatus>(s));
        cgi->SendBounceToLocation("/");
        EXPECT_EQ(ReadFile(Path("out")).substr(0, ReadFile(Path("out")).find("\r\n")),
                  std::string("HTTP/1.0 ") + expected[s]);
    }
}

TEST_F(CGIConnect, ResponseFileThatCannotBeCreatedRaises) {
    auto cgi = Open("[System]\nOutput File=@DIR@/no such dir/out\n");
    EXPECT_THROW(cgi->EndSendCGI(), vcl::EFCreateError);
    EXPECT_THROW(cgi->SendBounceToLocation("/"), vcl::EFCreateError);
    cgi->SetOutputFile("");
    EXPECT_THROW(cgi->EndSendCGI(), vcl::EFCreateError);
}

// ------------------------------------------------------------ error page

// The error page, with the message and the profile's values escaped.
TEST_F(CGIConnect, ErrorHandlerWritesTheEscapedPageAndHalts) {
    auto cgi = Open(
        "[CGI]\nServer Software=lighttpd/1.4.69\nExecutable Path=/cgi/<b>x.wcgi\n"
        "Server Admin=\"admin\"@example.org\n"
        "[System]\nGMT Offset=3600\nOutput File=@DIR@/response.out\n");
    cgi->Send("half a page");
    vcl::THaltInterceptor intercept;
    try {
        cgi->CGIErrorHandler(cgi.get(), vcl::EConvertError("'<1&2>' is not a valid integer value"));
    } catch (const vcl::EHalt& e) {
        EXPECT_EQ(e.ExitCode(), 0);
    }
    EXPECT_EQ(cgi->ServerStatus(), cvstInternalError);
    EXPECT_EQ(cgi->OutputBuffer()->Size(), 0);
    EXPECT_EQ(ReadFile(Path("response.out")),
              "HTTP/1.0 500 Internal Error\r\n"
              "Server : lighttpd/1.4.69\r\n"
              "Date : Tue 05 Mar 2024 13:07:09 GMT\r\n"
              "Content-Type : text/html\r\n"
              "\r\n"
              "<HTML><HEAD><TITLE>Error in /cgi/&lt;b&gt;x.wcgi</TITLE></HEAD><BODY>\r\n"
              "<H2>Error in /cgi/&lt;b&gt;x.wcgi</H2>\r\n"
              "An internal error has occured in this program : /cgi/&lt;b&gt;x.wcgi.<P>\r\n"
              "<PRE>&#39;&lt;1&amp;2&gt;&#39; is not a valid integer value</PRE><I>Please</I> note what "
              "you were doing when this problem occured, so we can \r\n"
              "identify and correct it. Write down the Web page you were using, date and time listed "
              "below, and \r\n"
              "anything else that may help us duplicate the problem. Then contact the administrator of "
              "this service: \r\n"
              "<A HREF=\"mailto:&quot;admin&quot;@example.org\">&quot;admin&quot;@example.org</A><HR>\r\n"
              "Generated on: Tue 05 Mar 2024 13:07:09 GMT</BODY></HTML>");
}

// The form of the application's exception handler: any exception, or none
// that the handler knows.
TEST_F(CGIConnect, ErrorHandlerTakesAnExceptionPointer) {
    auto cgi = Open("[System]\nOutput File=@DIR@/response.out\n");
    vcl::THaltInterceptor intercept;
    const struct {
        std::exception_ptr Error;
        const char* Text;
    } cases[] = {{std::make_exception_ptr(std::runtime_error("disk full")), "<PRE>disk full</PRE>"},
                 {std::make_exception_ptr(vcl::EAbort()), "<PRE>Operation aborted</PRE>"},
                 {std::make_exception_ptr(42), "<PRE>Unknown exception</PRE>"}};
    for (const auto& c : cases) {
        EXPECT_THROW(cgi->CGIErrorHandler(nullptr, c.Error), vcl::EHalt);
        EXPECT_NE(ReadFile(Path("response.out")).find(c.Text), std::string::npos) << c.Text;
    }
}

// When the page cannot be written the program still ends, with exit code 1.
TEST_F(CGIConnect, ErrorHandlerHaltsWhenThePageCannotBeWritten) {
    vcl::SetCommandLine({"/srv/cgi/orders", Path("missing.ini")});
    TCvCGIConnect cgi(nullptr);
    vcl::THaltInterceptor intercept;
    try {
        cgi.CGIErrorHandler(&cgi, vcl::Exception("boom"));
    } catch (const vcl::EHalt& e) {
        EXPECT_EQ(e.ExitCode(), 1);
    }
}

// Without an interceptor the program really ends.
TEST_F(CGIConnect, ErrorHandlerEndsTheProcess) {
    auto cgi = Open("[System]\nOutput File=@DIR@/response.out\n");
    EXPECT_EXIT(cgi->CGIErrorHandler(nullptr, vcl::Exception("boom")), ::testing::ExitedWithCode(0), "");
    EXPECT_NE(ReadFile(Path("response.out")).find("<PRE>boom</PRE>"), std::string::npos);
}

// ------------------------------------------------------ published values

TEST_F(CGIConnect, PublishedPropertiesStream) {
    vcl::RegisterClass(TCvCGIConnect::StaticClass());
    vcl::TComponent form(nullptr);
    form.SetName("Form1");
    form.SetDesigning(true);
    auto* cgi = new TCvCGIConnect(&form);
    cgi->SetName("CGI1");
    cgi->SetTitle("Orders");
    cgi->SetAdress("webmaster@example.org");
    cgi->SetHompage("http://example.org/");
    cgi->ResponseHeaders()->Add("Cache-Control: no-cache");
    cgi->SetBgColor("FFFFFF");
    const std::string text = vcl::ComponentToString(cgi);
    EXPECT_NE(text.find("  Title = 'Orders'\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  Hompage = 'http://example.org/'\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  About = 0\n"), std::string::npos) << text;
    EXPECT_LT(text.find("Title"), text.find("Adress"));
    EXPECT_LT(text.find("BgColor"), text.find("About"));

    vcl::TComponent form2(nullptr);
    form2.SetDesigning(true);
    TCvCGIConnect copy(&form2);
    vcl::StringToComponent(text, &copy);
    EXPECT_EQ(copy.Title(), "Orders");
    EXPECT_EQ(copy.Adress(), "webmaster@example.org");
    EXPECT_EQ(copy.Hompage(), "http://example.org/");
    EXPECT_EQ(Lines(*copy.ResponseHeaders()), std::vector<std::string>{"Cache-Control: no-cache"});
    EXPECT_EQ(copy.BgColor(), "FFFFFF");
    EXPECT_EQ(copy.TextColor(), "");
}

// The inspector row of BackgroundImage opens the file-open dialog on the
// current value with the image filter; an existing file chosen becomes the
// value, a missing one is refused with a message, Cancel keeps the value.
TEST_F(CGIConnect, BackgroundImageRowChoosesAnImageFile) {
    CorvaneReg::Register();
    WriteFile("old.gif", "GIF89a");
    WriteFile("back ground.PNG", "png");
    vcl::TComponent form(nullptr);
    form.SetName("Form1");
    vcl::TDesignerHost host(&form);
    auto* cgi = static_cast<TCvCGIConnect*>(host.CreateComponent(TCvCGIConnect::StaticClass()));
    cgi->SetBackgroundImage(Path("old.gif"));
    host.Select({cgi});
    auto editor = host.RowEditor("BackgroundImage");
    ASSERT_NE(dynamic_cast<TCGIFilenameProperty*>(editor.get()), nullptr);
    EXPECT_EQ(editor->GetAttributes(), (vcl::TPropertyAttributes{vcl::paDialog, vcl::paRevertable}));

    std::vector<vcl::TMessageBoxRequest> boxes;
    auto answer = [&](const vcl::TMessageBoxRequest& R) {
        boxes.push_back(R);
        return int32_t(vcl::mrOk);
    };
    // Each run of the row: what the dialog showed, then the text typed in.
    std::string shownName, shownFolder;
    std::vector<std::string> filters, files;
    auto choose = [&](std::string Typed, vcl::TModalResult Result) {
        return [&, Typed, Result](vcl::TCustomForm& F) {
            auto* edit = dynamic_cast<vcl::TEdit*>(F.FindComponent("FileName"));
            auto* filterList = dynamic_cast<vcl::TStringGrid*>(F.FindComponent("Filter"));
            auto* fileList = dynamic_cast<vcl::TStringGrid*>(F.FindComponent("Files"));
            ASSERT_TRUE(edit && filterList && fileList);
            shownName = edit->Text();
            shownFolder = F.FindComponent("Folder") ? static_cast<vcl::TControl*>(F.FindComponent("Folder"))->Caption() : "";
            filters.clear();
            for (int32_t r = 0; r < filterList->RowCount(); ++r) filters.push_back(filterList->Cells(0, r));
            files.clear();
            for (int32_t r = 0; r < fileList->RowCount(); ++r) files.push_back(fileList->Cells(0, r));
            edit->SetTextProp(Typed);
            F.SetModalResult(Result);
        };
    };
    {
        vcl::TScriptScope scope(choose("back ground.PNG", vcl::mrOk), answer);
        host.EditRow("BackgroundImage");
    }
    EXPECT_EQ(shownName, "old.gif");
    EXPECT_EQ(shownFolder, Dir());
    EXPECT_EQ(filters, (std::vector<std::string>{"JPG File Images (*.JPG;*.JIF)", "GIF File Images (*.GIF)",
                                                 "PNG File Images (*.PNG)", "All Files (*.*)"}));
    EXPECT_EQ(files, (std::vector<std::string>{"../"}));  // no JPG or JIF file in the folder
    EXPECT_EQ(cgi->BackgroundImage(), Path("back ground.PNG"));
    EXPECT_TRUE(boxes.empty());
    const int modified = host.ModifiedCount();
    EXPECT_GT(modified, 0);

    {
        vcl::TScriptScope scope(choose("missing.jpg", vcl::mrOk), answer);
        host.EditRow("BackgroundImage");
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].Text.find("missing.jpg"), std::string::npos);
    {
        vcl::TScriptScope scope(choose(Path("no folder/x.jpg"), vcl::mrOk), answer);
        host.EditRow("BackgroundImage");
    }
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].Text.find("no folder"), std::string::npos);
    {
        vcl::TScriptScope scope(choose("old.gif", vcl::mrCancel), answer);
        host.EditRow("BackgroundImage");
    }
    EXPECT_EQ(cgi->BackgroundImage(), Path("back ground.PNG"));
    EXPECT_EQ(host.ModifiedCount(), modified);
}
