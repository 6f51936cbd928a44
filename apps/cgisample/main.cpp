// corvane-cgisample - a guest book that answers as a Windows CGI program.
//
// The main form holds a TCvCGIConnect, which reads the request profile
// named on the command line while the form is created.  Then:
//
//   GET  (any path)       a page with the guest-book form, the parameters of
//                         the query string and the latest entries
//   POST (form fields)    the fields echoed back, every field the request
//                         carried listed, and the entry appended to the
//                         guest book; "name" is required (at most 100
//                         characters), "message" may be long (the server
//                         passes long or multi-line values in files)
//   /fail                 raises an error on purpose
//
// Every error (a missing name, a guest book that cannot be written, /fail)
// reaches the application's exception handler, which is the component's
// CGIErrorHandler: it writes the error page (status 500) and ends the
// program.  All text from the request is HTML-escaped on the page.
//
// The guest book is the file "guestbook.txt" in the folder named by the
// environment variable CORVANE_CGISAMPLE_DIR, else in the profile's folder.
// One line per entry, tab-separated fields (time, name, city, message),
// each with '%', tab, CR and LF written as %XX.  Writers take an exclusive
// lock on the file, so concurrent requests never interleave their lines.
//
// The program shows no window and runs no message loop: it answers the one
// request and ends.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CvCGIConnect.h"
#include "DateTime.h"
#include "Exceptions.h"
#include "Forms.h"
#include "SysUtils.h"

namespace {

using corvane::TCvCGIConnect;

constexpr size_t kMaxName = 100;
constexpr size_t kShownEntries = 20;

std::string Html(const std::string& Text) {
    std::string out;
    out.reserve(Text.size());
    for (char c : Text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c; break;
        }
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// '+' -> blank, %XX -> the byte; a '%' without two hex digits stays.
std::string UrlDecode(const std::string& S) {
    std::string out;
    for (size_t i = 0; i < S.size(); ++i) {
        if (S[i] == '+') {
            out += ' ';
        } else if (S[i] == '%' && i + 2 < S.size() && HexValue(S[i + 1]) >= 0 && HexValue(S[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(S[i + 1]) * 16 + HexValue(S[i + 2]));
            i += 2;
        } else {
            out += S[i];
        }
    }
    return out;
}

// The name=value pairs of a query string, decoded.
std::vector<std::pair<std::string, std::string>> QueryPairs(const std::string& Query) {
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t start = 0;
    while (start <= Query.size() && !Query.empty()) {
        size_t amp = Query.find('&', start);
        if (amp == std::string::npos) amp = Query.size();
        const std::string item = Query.substr(start, amp - start);
        if (!item.empty()) {
            const size_t eq = item.find('=');
            pairs.emplace_back(UrlDecode(item.substr(0, eq)),
                               eq == std::string::npos ? std::string() : UrlDecode(item.substr(eq + 1)));
        }
        start = amp + 1;
    }
    return pairs;
}

// A field of a guest-book line: '%', tab, CR and LF as %XX.
std::string StoreField(const std::string& S) {
    std::string out;
    for (char c : S) {
        if (c == '%' || c == '\t' || c == '\r' || c == '\n') {
            static const char* hex = "0123456789ABCDEF";
            out += '%';
            out += hex[(static_cast<unsigned char>(c) >> 4) & 15];
            out += hex[static_cast<unsigned char>(c) & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string LoadField(const std::string& S) {
    std::string out;
    for (size_t i = 0; i < S.size(); ++i) {
        if (S[i] == '%' && i + 2 < S.size() && HexValue(S[i + 1]) >= 0 && HexValue(S[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(S[i + 1]) * 16 + HexValue(S[i + 2]));
            i += 2;
        } else {
            out += S[i];
        }
    }
    return out;
}

std::vector<std::string> SplitTabs(const std::string& Line) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t tab = Line.find('\t', start);
        parts.push_back(Line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return parts;
        start = tab + 1;
    }
}

class TGuestBookForm : public vcl::TForm {
public:
    explicit TGuestBookForm(vcl::TComponent* AOwner) : vcl::TForm(AOwner) {
        SetCaption("Corvane guest book");
        // Reads the request profile at once.
        Cgi = new TCvCGIConnect(this);
        Cgi->SetName("CGI");
        Cgi->SetTitle("Corvane guest book");
        Cgi->SetAdress("webmaster@localhost");
        Cgi->SetBgColor("FFFFF0");
        Cgi->SetResponseContentType("text/html; charset=utf-8");
    }

    TCvCGIConnect* Cgi = nullptr;

    void Answer() {
        if (Cgi->LogicalPath() == "/fail") throw vcl::Exception("The request asked for a failure (/fail).");
        if (Cgi->GetMethod() == corvane::cvrmPost)
            AnswerPost();
        else
            AnswerGet();
    }

private:
    std::string BookFile() const {
        const char* dir = std::getenv("CORVANE_CGISAMPLE_DIR");
        std::filesystem::path folder = dir && *dir ? std::filesystem::path(dir)
                                                   : std::filesystem::path(Cgi->ProfileFile()).parent_path();
        if (folder.empty()) folder = ".";
        return (folder / "guestbook.txt").string();
    }

    void SendForm() {
        Cgi->SendHdr(2, "Sign the guest book");
        Cgi->Send("<FORM METHOD=\"POST\" ACTION=\"" + Html(Cgi->ExecutablePath()) + "\">");
        Cgi->Send("<P>Name: <INPUT NAME=\"name\" MAXLENGTH=\"100\"></P>");
        Cgi->Send("<P>City: <INPUT NAME=\"city\"></P>");
        Cgi->Send("<P>Message:<BR><TEXTAREA NAME=\"message\" ROWS=\"6\" COLS=\"60\"></TEXTAREA></P>");
        Cgi->Send("<P><INPUT TYPE=\"submit\" VALUE=\"Sign\"></P>");
        Cgi->Send("</FORM>");
    }

    void SendEntries() {
        std::ifstream in(BookFile(), std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) lines.push_back(line);
        Cgi->SendHdr(2, "Latest entries");
        if (lines.empty()) {
            Cgi->Send("<P>No entries yet.</P>");
            return;
        }
        Cgi->Send("<UL>");
        const size_t first = lines.size() > kShownEntries ? lines.size() - kShownEntries : 0;
        for (size_t i = lines.size(); i-- > first;) {
            const std::vector<std::string> f = SplitTabs(lines[i]);
            if (f.size() < 4) continue;
            Cgi->Send("<LI><B>" + Html(LoadField(f[1])) + "</B> from " + Html(LoadField(f[2])) + ", " +
                      Html(LoadField(f[0])) + ":<BR>" + Html(LoadField(f[3])) + "</LI>");
        }
        Cgi->Send("</UL>");
    }

    void AnswerGet() {
        Cgi->StartSendCGI();
        Cgi->SendHdr(1, "Corvane guest book");
        const auto pairs = QueryPairs(Cgi->QueryString());
        if (!pairs.empty()) {
            Cgi->Send("<P>Query parameters:</P>");
            Cgi->Send("<UL>");
            for (const auto& [name, value] : pairs)
                Cgi->Send("<LI class=\"query\">" + Html(name) + " = " + Html(value) + "</LI>");
            Cgi->Send("</UL>");
        }
        SendForm();
        SendEntries();
        Cgi->SendAdress("Questions?", true, true);
        Cgi->EndSendCGI();
    }

    void AnswerPost() {
        const std::string name = vcl::Trim(Cgi->GetFormField("name"));
        const std::string city = vcl::Trim(Cgi->GetFormField("city"));
        const std::string message = Cgi->GetFormField("message");
        if (name.empty()) throw vcl::EConvertError("The field \"name\" is required.");
        if (name.size() > kMaxName) throw vcl::EConvertError("The field \"name\" is longer than 100 characters.");
        if (name.find_first_of("\r\n") != std::string::npos)
            throw vcl::EConvertError("The field \"name\" must be one line.");
        Append(name, city, message);

        Cgi->StartSendCGI();
        Cgi->SendHdr(1, "Thank you, " + Html(name));
        Cgi->Send("<P>Your entry:</P>");
        Cgi->Send("<DL>");
        Cgi->Send("<DT>Name</DT><DD id=\"name\">" + Html(name) + "</DD>");
        Cgi->Send("<DT>City</DT><DD id=\"city\">" + Html(city) + "</DD>");
        Cgi->Send("<DT>Message (" + std::to_string(message.size()) + " bytes)</DT><DD id=\"message\"><PRE>" +
                  Html(message) + "</PRE></DD>");
        Cgi->Send("</DL>");
        Cgi->Send("<P>All fields received:</P>");
        Cgi->Send("<UL>");
        const corvane::TCvCGIValuesList* fields = Cgi->FormLiteral();
        for (int i = 0; i < fields->Count(); ++i) {
            const std::string key = fields->GetKey(i);
            const std::string line = fields->Strings(i);
            const size_t valueLength = line.size() - std::min(line.size(), key.size() + 1);
            Cgi->Send("<LI class=\"field\">" + Html(key) + " (" + std::to_string(valueLength) + " bytes)</LI>");
        }
        for (int i = 0; i < Cgi->FormExternal()->Count(); ++i)
            Cgi->Send("<LI class=\"external\">" + Html(Cgi->FormExternal()->GetKey(i)) + " came in a file</LI>");
        Cgi->Send("</UL>");
        Cgi->SendHREF("", "", "Back to the guest book", Html(Cgi->ExecutablePath()));
        Cgi->EndSendCGI();
    }

    void Append(const std::string& Name, const std::string& City, const std::string& Message) {
        const std::string path = BookFile();
        const std::string line = StoreField(vcl::FormatDateTime("yyyy-mm-dd hh:nn:ss", vcl::Now())) + "\t" +
                                 StoreField(Name) + "\t" + StoreField(City) + "\t" + StoreField(Message) + "\n";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) throw vcl::EFCreateError("Cannot open the guest book " + path + ": " + std::strerror(errno));
        ::flock(fd, LOCK_EX);
        size_t done = 0;
        int error = 0;
        while (done < line.size()) {
            const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                error = errno;
                break;
            }
            done += static_cast<size_t>(n);
        }
        ::flock(fd, LOCK_UN);
        ::close(fd);
        if (error) throw vcl::EWriteError("Cannot write the guest book " + path + ": " + std::strerror(error));
    }
};

}  // namespace

int main() {
    vcl::Application()->Initialize();
    auto* form = vcl::Application()->CreateForm<TGuestBookForm>();
    TCvCGIConnect* cgi = form->Cgi;
    // Every error becomes the component's error page and ends the program.
    vcl::Application()->SetOnException(
        [cgi](vcl::TObject* Sender, std::exception_ptr E) { cgi->CGIErrorHandler(Sender, E); });
    try {
        form->Answer();
    } catch (...) {
        vcl::Application()->HandleException(form, std::current_exception());
    }
    return 0;
}
