// WinCgiResponse.cpp - from a Windows CGI output file to a CGI/1.1 response.
#include "WinCgi.h"

namespace corvane::wincgi {

namespace {

char AsciiLower(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

bool EqualsNoCase(std::string_view A, std::string_view B) {
    if (A.size() != B.size()) return false;
    for (std::size_t i = 0; i < A.size(); ++i)
        if (AsciiLower(A[i]) != AsciiLower(B[i])) return false;
    return true;
}

std::string_view TrimBlanks(std::string_view S) {
    while (!S.empty() && (S.front() == ' ' || S.front() == '\t')) S.remove_prefix(1);
    while (!S.empty() && (S.back() == ' ' || S.back() == '\t')) S.remove_suffix(1);
    return S;
}

// RFC 9110 token characters.
bool IsTokenChar(char C) {
    if ((C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9')) return true;
    switch (C) {
        case '!': case '#': case '$': case '%': case '&': case '\'': case '*': case '+':
        case '-': case '.': case '^': case '_': case '`': case '|': case '~':
            return true;
        default:
            return false;
    }
}

bool IsToken(std::string_view S) {
    if (S.empty()) return false;
    for (char c : S)
        if (!IsTokenChar(c)) return false;
    return true;
}

// A header value may hold visible characters, blanks and tabs, and bytes
// from 0x80 up; no other control character.
bool IsCleanValue(std::string_view S) {
    for (char ch : S) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
    }
    return true;
}

std::string ForLog(std::string_view S) {
    std::string r;
    const std::size_t n = S.size() < 60 ? S.size() : 60;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(S[i]);
        if (c >= 0x20 && c < 0x7F) {
            r += static_cast<char>(c);
        } else {
            static const char* hex = "0123456789ABCDEF";
            r += "\\x";
            r += hex[c >> 4];
            r += hex[c & 15];
        }
    }
    if (S.size() > n) r += "...";
    return r;
}

// "NNN text" (text optional) -> code and reason; false when malformed.
bool ParseStatus(std::string_view S, int& Code, std::string& Reason) {
    S = TrimBlanks(S);
    if (S.size() < 3) return false;
    for (int i = 0; i < 3; ++i)
        if (S[i] < '0' || S[i] > '9') return false;
    if (S.size() > 3 && S[3] != ' ' && S[3] != '\t') return false;
    Code = (S[0] - '0') * 100 + (S[1] - '0') * 10 + (S[2] - '0');
    if (Code < 100 || Code > 599) return false;
    const std::string_view text = TrimBlanks(S.substr(3));
    if (!IsCleanValue(text)) return false;
    Reason = text.empty() ? std::string(ReasonPhrase(Code)) : std::string(text);
    if (Reason.empty()) Reason = "Unknown";
    return true;
}

// "HTTP/x.y NNN text".
bool ParseStatusLine(std::string_view Line, int& Code, std::string& Reason) {
    if (Line.size() < 8 || Line.substr(0, 5) != "HTTP/") return false;
    std::size_t i = 5;
    auto digits = [&]() {
        const std::size_t start = i;
        while (i < Line.size() && Line[i] >= '0' && Line[i] <= '9') ++i;
        return i > start;
    };
    if (!digits() || i >= Line.size() || Line[i] != '.') return false;
    ++i;
    if (!digits() || i >= Line.size() || (Line[i] != ' ' && Line[i] != '\t')) return false;
    return ParseStatus(Line.substr(i), Code, Reason);
}

bool IsBodylessStatus(int Status) { return Status < 200 || Status == 204 || Status == 304; }

int EffectiveStatus(const ResponseHead& Head) {
    if (Head.Status) return Head.Status;
    return Head.HasLocation ? 302 : 200;
}

std::string HtmlEscape(std::string_view S) {
    std::string r;
    for (char c : S) {
        switch (c) {
            case '&': r += "&amp;"; break;
            case '<': r += "&lt;"; break;
            case '>': r += "&gt;"; break;
            case '"': r += "&quot;"; break;
            default: r += c;
        }
    }
    return r;
}

}  // namespace

std::string_view ReasonPhrase(int Status) {
    switch (Status) {
        case 100: return "Continue";
        case 200: return "OK";
        case 201: return "Created";
        case 202: return "Accepted";
        case 203: return "Non-Authoritative Information";
        case 204: return "No Content";
        case 206: return "Partial Content";
        case 301: return "Moved Permanently";
        case 302: return "Found";
        case 303: return "See Other";
        case 304: return "Not Modified";
        case 307: return "Temporary Redirect";
        case 308: return "Permanent Redirect";
        case 400: return "Bad Request";
        case 401: return "Unauthorized";
        case 402: return "Payment Required";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 413: return "Content Too Large";
        case 500: return "Internal Server Error";
        case 501: return "Not Implemented";
        case 502: return "Bad Gateway";
        case 503: return "Service Unavailable";
        case 504: return "Gateway Timeout";
        default: return "";
    }
}

ResponseHead ParseResponseHead(std::string_view Data, bool Whole) {
    ResponseHead head;
    if (Data.empty()) {
        head.Error = "the output file is empty";
        return head;
    }
    auto fail = [&](std::string Why) {
        head.Error = std::move(Why);
        head.Ok = false;
        return head;
    };

    bool first = true;
    bool lastKept = false;  // the previous line put a header into Headers
    std::size_t pos = 0;
    for (;;) {
        if (pos >= Data.size()) {  // the file ends inside the header block: no body
            head.BodyOffset = Data.size();
            break;
        }
        const std::size_t nl = Data.find('\n', pos);
        std::size_t next;
        std::string_view line;
        if (nl == std::string_view::npos) {
            if (!Whole) return fail("the header block is longer than 64 KiB");
            line = Data.substr(pos);
            next = Data.size();
        } else {
            line = Data.substr(pos, nl - pos);
            next = nl + 1;
        }
        // The header block, blank line included, fits into kMaxResponseHead bytes.
        if (next > kMaxResponseHead) return fail("the header block is longer than 64 KiB");
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = next;

        if (line.empty()) {
            if (first) return fail("the output starts with an empty line: no headers");
            head.BodyOffset = next;
            break;
        }

        if (first && line.substr(0, 5) == "HTTP/") {
            if (!ParseStatusLine(line, head.Status, head.Reason))
                return fail("malformed status line '" + ForLog(line) + "'");
            first = false;
            lastKept = false;
            continue;
        }

        if (line.front() == ' ' || line.front() == '\t') {  // continuation of the previous header
            if (first) return fail("the output starts with a blank");
            const std::string_view more = TrimBlanks(line);
            if (lastKept && IsCleanValue(more)) {
                std::string& value = head.Headers.back().second;
                if (!more.empty()) value += (value.empty() ? "" : " ") + std::string(more);
            } else {
                head.Notes.push_back("continuation line dropped: '" + ForLog(line) + "'");
            }
            continue;
        }

        const std::size_t colon = line.find(':');
        const std::string_view name =
            colon == std::string_view::npos ? std::string_view() : TrimBlanks(line.substr(0, colon));
        if (colon == std::string_view::npos || !IsToken(name)) {
            if (first) return fail("the output does not start with a status line or a header");
            head.Notes.push_back("line in the headers dropped: '" + ForLog(line) + "'");
            lastKept = false;
            continue;
        }
        first = false;
        lastKept = false;
        const std::string_view value = TrimBlanks(line.substr(colon + 1));
        if (!IsCleanValue(value)) {
            head.Notes.push_back("header with control characters dropped: '" + ForLog(line) + "'");
            continue;
        }

        if (EqualsNoCase(name, "Status")) {
            int code = 0;
            std::string reason;
            if (head.Status)
                head.Notes.push_back("second status dropped: '" + ForLog(line) + "'");
            else if (ParseStatus(value, code, reason)) {
                head.Status = code;
                head.Reason = std::move(reason);
            } else {
                head.Notes.push_back("malformed status dropped: '" + ForLog(line) + "'");
            }
        } else if (EqualsNoCase(name, "Content-Length")) {
            std::uint64_t n = 0;
            bool ok = !value.empty() && value.size() <= 19;
            for (char c : value) {
                if (c < '0' || c > '9') ok = false;
                else n = n * 10 + static_cast<std::uint64_t>(c - '0');
            }
            if (!ok)
                head.Notes.push_back("malformed length dropped: '" + ForLog(line) + "'");
            else if (head.DeclaredLength && *head.DeclaredLength != n)
                return fail("two different Content-Length headers");
            else
                head.DeclaredLength = n;
        } else if (EqualsNoCase(name, "Date") || EqualsNoCase(name, "Server") ||
                   EqualsNoCase(name, "Connection") || EqualsNoCase(name, "Keep-Alive") ||
                   EqualsNoCase(name, "Transfer-Encoding") || EqualsNoCase(name, "TE") ||
                   EqualsNoCase(name, "Trailer") || EqualsNoCase(name, "Upgrade") ||
                   EqualsNoCase(name, "Proxy-Connection")) {
            // The web server writes these itself.
        } else if (EqualsNoCase(name, "Content-Type")) {
            if (head.HasContentType) {
                head.Notes.push_back("second content type dropped: '" + ForLog(line) + "'");
            } else {
                head.Headers.emplace_back("Content-Type", std::string(value));
                head.HasContentType = true;
                lastKept = true;
            }
        } else if (EqualsNoCase(name, "Location")) {
            if (head.HasLocation) {
                head.Notes.push_back("second location dropped: '" + ForLog(line) + "'");
            } else {
                head.Headers.emplace_back("Location", std::string(value));
                head.HasLocation = true;
                lastKept = true;
            }
        } else {
            head.Headers.emplace_back(std::string(name), std::string(value));
            lastKept = true;
        }
    }
    head.Ok = true;
    return head;
}

std::optional<std::uint64_t> BodyLengthToSend(const ResponseHead& Head, std::uint64_t FileSize) {
    if (IsBodylessStatus(EffectiveStatus(Head))) return 0;
    const std::uint64_t available = FileSize > Head.BodyOffset ? FileSize - Head.BodyOffset : 0;
    if (!Head.DeclaredLength) return available;
    if (*Head.DeclaredLength > available) return std::nullopt;
    return *Head.DeclaredLength;
}

std::string FormatCgiHead(const ResponseHead& Head, std::uint64_t BodyLength) {
    const int status = EffectiveStatus(Head);
    std::string reason = Head.Status ? Head.Reason : std::string(ReasonPhrase(status));
    std::string r = "Status: " + std::to_string(status) + " " + reason + "\r\n";
    for (const auto& [name, value] : Head.Headers) r += name + ": " + value + "\r\n";
    if (!IsBodylessStatus(status)) {
        if (!Head.HasContentType && BodyLength > 0) r += "Content-Type: text/html\r\n";
        r += "Content-Length: " + std::to_string(BodyLength) + "\r\n";
    }
    r += "\r\n";
    return r;
}

std::optional<std::string> ConvertOutput(std::string_view File, std::string* Error) {
    const ResponseHead head = ParseResponseHead(File, true);
    if (!head.Ok) {
        if (Error) *Error = head.Error;
        return std::nullopt;
    }
    const auto length = BodyLengthToSend(head, File.size());
    if (!length) {
        if (Error) *Error = "the body is shorter than its Content-Length";
        return std::nullopt;
    }
    std::string r = FormatCgiHead(head, *length);
    r.append(File.substr(head.BodyOffset, *length));
    return r;
}

std::string ErrorResponse(int Status, std::string_view Reason, std::string_view Message) {
    const std::string title = std::to_string(Status) + " " + HtmlEscape(Reason);
    const std::string body = "<!DOCTYPE html>\n<html><head><title>" + title +
                             "</title></head>\n<body><h1>" + title + "</h1>\n<p>" +
                             HtmlEscape(Message) + "</p></body></html>\n";
    return "Status: " + std::to_string(Status) + " " + std::string(Reason) +
           "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace corvane::wincgi
