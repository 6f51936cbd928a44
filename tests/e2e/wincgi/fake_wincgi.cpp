// fake-wincgi - a small Windows CGI program for the bridge's tests.
//
// It reads the request profile named by its only argument with the
// platform's INI reader (the reader the CGI component uses) and writes its
// response into the profile's "Output File" the way the component does:
// "HTTP/1.0 200 OK", "Server : ...", "Date : ...", "Content-Type: ...",
// "Content-Length : N", a blank line, the body; all lines end with CR LF.
//
// What it does depends on the request's "Logical Path" (the path after the
// program's name in the address):
//   (anything else)  an echo of the request as text/plain, one item a line:
//                    method=, query=, cgi.<key>=, system.<key>=,
//                    accept.<key>=, header.<key>=, literal.<key>=,
//                    external.<key>=<length>:<file contents>,
//                    huge.<key>=<length>:<raw value from the content file>,
//                    cwd=<working directory>; bytes below 0x20, 0x7F and
//                    '\' are written as \xHH
//   /html            a page as StartSendCGI/Send/EndSendCGI write it
//   /error           the page of the component's error handler, status 500,
//                    and exit code 1
//   /redirect        a redirect as SendBounceToLocation writes it, status
//                    302, to the query string
//   /lf              "Content-type: text/plain", LF line ends, no status line
//   /sleep           writes "<pid>" into the file "started" next to the
//                    output file and "fake-wincgi pid=<pid>" to stderr,
//                    then sleeps for an hour
//   /sleep-stubborn  the same, ignoring SIGTERM
//   /crash           aborts without writing anything
//   /nothing         ends without writing anything
//   /empty           creates an empty output file
//   /partial         declares Content-Length 1000, writes 10 body bytes, exit 3
//   /orphan          starts a child that sleeps for an hour in the
//                    background, writes the child's pid as the body, ends
#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "IniFiles.h"
#include "Lists.h"

namespace {

std::string Escape(const std::string& S) {
    std::string r;
    for (char ch : S) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '\\') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            r += buf;
        } else {
            r += ch;
        }
    }
    return r;
}

// "path length" / "offset length": the part before the first blank and the
// number in the up to 10 characters from the blank on, as the component
// reads them.
bool SplitRef(const std::string& Value, std::string& First, long long& Length) {
    const std::size_t blank = Value.find(' ');
    if (blank == std::string::npos) return false;
    First = Value.substr(0, blank);
    const std::string num = Value.substr(blank, 10);
    char* end = nullptr;
    Length = std::strtoll(num.c_str(), &end, 10);
    return end && *end == '\0' && Length >= 0;
}

// Length bytes of File from Offset, blanks where the file has none.
std::string ReadPart(const std::string& File, long long Offset, long long Length) {
    std::string r(static_cast<std::size_t>(Length), ' ');
    std::ifstream in(File, std::ios::binary);
    if (!in) return r;
    in.seekg(Offset);
    in.read(r.data(), Length);
    return r;
}

std::string WebDate() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%a %d %b %Y %H:%M:%S GMT", &tm);
    return buf;
}

struct Request {
    std::unique_ptr<vcl::TIniFile> Ini;
    std::string Get(const char* Section, const char* Key) {
        return Ini->ReadString(Section, Key, "AAACGI KEY NOT FOUND");
    }
    std::string Str(const char* Section, const char* Key) {
        const std::string v = Get(Section, Key);
        return v == "AAACGI KEY NOT FOUND" ? std::string() : v;
    }
};

bool WriteFile(const std::string& Path, const std::string& Data) {
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    out << Data;
    return static_cast<bool>(out);
}

// The headers EndSendCGI writes.
std::string ComponentHead(Request& R, const std::string& Status, const std::string& Type,
                          std::size_t Length) {
    return "HTTP/1.0 " + Status + "\r\nServer : " + R.Str("CGI", "Server Software") +
           "\r\nDate : " + WebDate() + "\r\nContent-Type: " + Type +
           "\r\nContent-Length : " + std::to_string(Length) + "\r\n\r\n";
}

std::string Echo(Request& R) {
    std::string b;
    auto line = [&](const std::string& K, const std::string& V) { b += K + "=" + Escape(V) + "\n"; };
    line("method", R.Str("CGI", "Request Method"));
    line("query", R.Str("CGI", "Query String"));
    struct {
        const char* Section;
        const char* Prefix;
    } plain[] = {{"CGI", "cgi."}, {"System", "system."}, {"Accept", "accept."},
                 {"Extra Headers", "header."}, {"Form Literal", "literal."}};
    for (const auto& s : plain) {
        vcl::TStringList keys;
        R.Ini->ReadSection(s.Section, keys);
        for (int i = 0; i < keys.Count(); ++i)
            line(s.Prefix + keys.Strings(i), R.Ini->ReadString(s.Section, keys.Strings(i), ""));
    }
    const std::string contentFile = R.Str("System", "Content File");
    for (const char* section : {"Form External", "Form Huge"}) {
        const bool huge = std::string(section) == "Form Huge";
        vcl::TStringList keys;
        R.Ini->ReadSection(section, keys);
        for (int i = 0; i < keys.Count(); ++i) {
            const std::string ref = R.Ini->ReadString(section, keys.Strings(i), "");
            std::string first;
            long long length = 0;
            if (!SplitRef(ref, first, length)) {
                line(std::string(huge ? "huge." : "external.") + keys.Strings(i), "BAD " + ref);
                continue;
            }
            const std::string value =
                huge ? ReadPart(contentFile, std::atoll(first.c_str()), length) : ReadPart(first, 0, length);
            line(std::string(huge ? "huge." : "external.") + keys.Strings(i),
                 std::to_string(length) + ":" + value);
        }
    }
    char cwd[4096];
    line("cwd", getcwd(cwd, sizeof cwd) ? cwd : "?");
    return b;
}

std::string Dirname(const std::string& Path) {
    const std::size_t slash = Path.rfind('/');
    return slash == std::string::npos ? "." : Path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fake-wincgi PROFILE\n");
        return 2;
    }
    Request r;
    r.Ini = std::make_unique<vcl::TIniFile>(argv[1]);
    const std::string output = r.Str("System", "Output File");
    const std::string path = r.Str("CGI", "Logical Path");
    if (output.empty()) {
        std::fprintf(stderr, "fake-wincgi: the profile names no output file\n");
        return 2;
    }

    if (path == "/sleep" || path == "/sleep-stubborn") {
        if (path == "/sleep-stubborn") signal(SIGTERM, SIG_IGN);
        WriteFile(Dirname(output) + "/started", std::to_string(getpid()));
        std::fprintf(stderr, "fake-wincgi pid=%d\n", static_cast<int>(getpid()));
        std::fflush(stderr);
        for (int i = 0; i < 3600; ++i) sleep(1);
        return 0;
    }
    if (path == "/crash") {
        const rlimit noCore{0, 0};  // no core file in the working directory
        setrlimit(RLIMIT_CORE, &noCore);
        abort();
    }
    if (path == "/nothing") return 0;
    if (path == "/empty") return WriteFile(output, "") ? 0 : 1;
    if (path == "/partial") {
        const std::string text = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n"
                                 "Content-Length : 1000\r\n\r\n0123456789";
        WriteFile(output, text);
        return 3;
    }
    if (path == "/orphan") {
        const pid_t child = fork();
        if (child == 0) {
            for (int i = 0; i < 3600; ++i) sleep(1);
            _exit(0);
        }
        const std::string body = std::to_string(child);
        return WriteFile(output, ComponentHead(r, "200 OK", "text/plain", body.size()) + body) ? 0 : 1;
    }
    if (path == "/lf") {
        const std::string body = "plain LF response\n";
        return WriteFile(output, "Content-type: text/plain\nX-Fake : lf\n\n" + body) ? 0 : 1;
    }
    if (path == "/redirect") {
        const std::string text = "HTTP/1.0 302 Found\r\nServer : " + r.Str("CGI", "Server Software") +
                                 "\r\nDate : " + WebDate() + "\r\nLocation : " +
                                 r.Str("CGI", "Query String") + "\r\n\r\n";
        return WriteFile(output, text) ? 0 : 1;
    }
    if (path == "/error") {
        const std::string exe = r.Str("CGI", "Executable Path");
        const std::string admin = r.Str("CGI", "Server Admin");
        const std::string text =
            "HTTP/1.0 500 Internal Error\r\nServer : " + r.Str("CGI", "Server Software") +
            "\r\nDate : " + WebDate() + "\r\nContent-Type : text/html\r\n\r\n" +
            "<HTML><HEAD><TITLE>Error in " + exe + "</TITLE></HEAD><BODY>\r\n" +
            "<H2>Error in " + exe + "</H2>\r\n" +
            "An internal error has occured in this program : " + exe + ".<P>\r\n" +
            "<PRE>fake failure</PRE><I>Please</I> note what you were doing when this problem "
            "occured, so we can \r\n" +
            "identify and correct it. Write down the Web page you were using, date and time "
            "listed below, and \r\n" +
            "anything else that may help us duplicate the problem. Then contact the "
            "administrator of this service: \r\n" +
            "<A HREF=\"mailto:" + admin + "\">" + admin + "</A><HR>\r\n" +
            "Generated on: " + WebDate() + "</BODY></HTML>";
        WriteFile(output, text);
        return 1;
    }
    if (path == "/html") {
        const std::string body = "\r\n<HTML>\r\n<HEAD>\r\n<TITLE>Fake</TITLE>\r\n</HEAD>\r\n"
                                 "<body bgcolor=#FFFFFF>\r\n<H1>Hallo</H1>\r\n</BODY>\r\n</HTML>\r\n";
        return WriteFile(output, ComponentHead(r, "200 OK", "text/html", body.size()) + body) ? 0 : 1;
    }
    const std::string body = Echo(r);
    return WriteFile(output, ComponentHead(r, "200 OK", "text/plain", body.size()) + body) ? 0 : 1;
}
