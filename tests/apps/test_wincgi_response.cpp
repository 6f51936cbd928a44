// The response side of corvane-wincgi: Windows CGI output files -> CGI/1.1.
#include <gtest/gtest.h>

#include <string>

#include "WinCgi.h"

using namespace corvane::wincgi;

namespace {

const std::string kDate = "Date : Mon 04 Mar 2024 10:20:30 GMT\r\n";

struct Case {
    const char* Name;
    std::string File;
    std::string Expected;  // the CGI response; empty: the file is unusable
};

}  // namespace

TEST(WinCgiResponse, OutputFilesBecomeCgiResponses) {
    const std::string page = "\r\n<HTML>\r\n<BODY>Hallo</BODY>\r\n</HTML>\r\n";
    const std::string binary("\x00\x01\r\n\r\n\xFF", 7);
    const Case cases[] = {
        {"the component's page",
         "HTTP/1.0 200 OK\r\nServer : lighttpd\r\n" + kDate + "Content-Type: text/html\r\nContent-Length : " +
             std::to_string(page.size()) + "\r\n\r\n" + page,
         "Status: 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(page.size()) +
             "\r\n\r\n" + page},
        {"extra response headers in any spelling",
         "HTTP/1.0 201 Created\r\nServer : x\r\n" + kDate +
             "Content-Type: text/plain\r\nContent-Length : 2\r\nSet-Cookie: id=1; Path=/\r\nX-Test : a : b\r\n"
             "Cache-Control:no-store\r\n\r\nok",
         "Status: 201 Created\r\nContent-Type: text/plain\r\nSet-Cookie: id=1; Path=/\r\nX-Test: a : b\r\n"
         "Cache-Control: no-store\r\nContent-Length: 2\r\n\r\nok"},
        {"the error handler's page (no length, blank before the colon)",
         "HTTP/1.0 500 Internal Error\r\nServer : x\r\n" + kDate +
             "Content-Type : text/html\r\n\r\n<HTML>failed</HTML>",
         "Status: 500 Internal Error\r\nContent-Type: text/html\r\nContent-Length: 19\r\n\r\n<HTML>failed</HTML>"},
        {"a bounce",
         "HTTP/1.0 302 Found\r\nServer : x\r\n" + kDate + "Location : http://example.test/next?a=1\r\n\r\n",
         "Status: 302 Found\r\nLocation: http://example.test/next?a=1\r\nContent-Length: 0\r\n\r\n"},
        {"a bounce whose status the program left at 200",
         "HTTP/1.0 200 OK\r\nLocation : /next\r\n\r\n",
         "Status: 200 OK\r\nLocation: /next\r\nContent-Length: 0\r\n\r\n"},
        {"a location without status",
         "Location: /there\r\n\r\n", "Status: 302 Found\r\nLocation: /there\r\nContent-Length: 0\r\n\r\n"},
        {"LF line ends and a lower-case type",
         "Content-type: text/plain\nX-A: 1\n\nline one\nline two\n",
         "Status: 200 OK\r\nContent-Type: text/plain\r\nX-A: 1\r\nContent-Length: 18\r\n\r\nline one\nline two\n"},
        {"mixed line ends",
         "HTTP/1.0 200 OK\nContent-Type: text/plain\r\n\nx",
         "Status: 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 1\r\n\r\nx"},
        {"no content type for a body",
         "HTTP/1.0 200 OK\r\n\r\n<p>hi</p>",
         "Status: 200 OK\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\n<p>hi</p>"},
        {"no content type and no body",
         "HTTP/1.0 200 OK\r\nX-Empty: yes\r\n\r\n", "Status: 200 OK\r\nX-Empty: yes\r\nContent-Length: 0\r\n\r\n"},
        {"headers up to the end of the file",
         "HTTP/1.0 404 Not Found\r\nContent-Type: text/plain",
         "Status: 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 0\r\n\r\n"},
        {"a Status header",
         "Status : 404 Gone Away\r\nContent-Type: text/plain\r\n\r\nno",
         "Status: 404 Gone Away\r\nContent-Type: text/plain\r\nContent-Length: 2\r\n\r\nno"},
        {"a status without text", "HTTP/1.1 201\r\n\r\n", "Status: 201 Created\r\nContent-Length: 0\r\n\r\n"},
        {"a status code without a standard text", "HTTP/1.0 299\r\n\r\n", "Status: 299 Unknown\r\nContent-Length: 0\r\n\r\n"},
        {"the component's wrong texts are kept", "HTTP/1.0 503 Gateway Timeout\r\n\r\n",
         "Status: 503 Gateway Timeout\r\nContent-Length: 0\r\n\r\n"},
        {"the status line wins over a later Status header",
         "HTTP/1.0 200 OK\r\nStatus: 500 No\r\n\r\n", "Status: 200 OK\r\nContent-Length: 0\r\n\r\n"},
        {"a body longer than its Content-Length is cut to it",
         "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length : 3\r\n\r\nabcdef",
         "Status: 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n\r\nabc"},
        {"the body is passed byte for byte",
         "Content-Type: application/octet-stream\r\n\r\n" + binary,
         "Status: 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 7\r\n\r\n" + binary},
        {"204 and 304 carry no body",
         "HTTP/1.0 204 No Response\r\nContent-Length : 4\r\n\r\nbody", "Status: 204 No Response\r\n\r\n"},
        {"304", "HTTP/1.0 304 Not Modified\r\nETag: \"x\"\r\n\r\n", "Status: 304 Not Modified\r\nETag: \"x\"\r\n\r\n"},
        {"a continued header",
         "HTTP/1.0 200 OK\r\nX-Long: one\r\n  two\r\n\tthree\r\n\r\n",
         "Status: 200 OK\r\nX-Long: one two three\r\nContent-Length: 0\r\n\r\n"},
        {"lines that are no headers are dropped",
         "HTTP/1.0 200 OK\r\nthis is no header\r\nBad Name: x\r\n: empty\r\nX-Ok: 1\r\n\r\n",
         "Status: 200 OK\r\nX-Ok: 1\r\nContent-Length: 0\r\n\r\n"},
        {"framing and server headers are the web server's",
         "HTTP/1.0 200 OK\r\nServer : Evil\r\nDate : x\r\nConnection: close\r\nTransfer-Encoding: chunked\r\n"
         "Keep-Alive: 5\r\nUpgrade: h2c\r\nContent-Length: 1\r\n\r\nz",
         "Status: 200 OK\r\nContent-Type: text/html\r\nContent-Length: 1\r\n\r\nz"},
        {"a header value with a bare CR is dropped",
         "HTTP/1.0 200 OK\r\nX-Split: a\rSet-Cookie: evil=1\r\nX-Ok: 2\r\n\r\n",
         "Status: 200 OK\r\nX-Ok: 2\r\nContent-Length: 0\r\n\r\n"},
        {"repeated Content-Length with the same value",
         "Content-Length: 1\r\nContent-Length: 1\r\nContent-Type: a/b\r\n\r\nq",
         "Status: 200 OK\r\nContent-Type: a/b\r\nContent-Length: 1\r\n\r\nq"},
        {"empty file", "", ""},
        {"no headers at all", "<HTML><BODY>no headers</BODY></HTML>\r\n\r\n", ""},
        {"starts with a blank line", "\r\n<HTML>", ""},
        {"starts with a blank", " Content-Type: text/html\r\n\r\n", ""},
        {"malformed status line", "HTTP/1.0 abc\r\n\r\n", ""},
        {"status out of range", "HTTP/1.0 999 Big\r\n\r\n", ""},
        {"status line without version", "HTTP/ 200 OK\r\n\r\n", ""},
        {"body shorter than its Content-Length", "HTTP/1.0 200 OK\r\nContent-Length : 1000\r\n\r\n0123456789", ""},
        {"two different lengths", "Content-Length: 1\r\nContent-Length: 2\r\n\r\nab", ""},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto got = ConvertOutput(c.File, &error);
        if (c.Expected.empty()) {
            EXPECT_FALSE(got.has_value()) << c.Name << ": " << (got ? *got : "");
            EXPECT_FALSE(error.empty()) << c.Name;
        } else {
            ASSERT_TRUE(got.has_value()) << c.Name << ": " << error;
            EXPECT_EQ(*got, c.Expected) << c.Name;
        }
    }
}

TEST(WinCgiResponse, DroppedLinesAreReported) {
    const ResponseHead h = ParseResponseHead("HTTP/1.0 200 OK\r\nnot a header\r\nX-A: 1\r\n\r\n", true);
    ASSERT_TRUE(h.Ok);
    ASSERT_EQ(h.Notes.size(), 1u);
    EXPECT_NE(h.Notes[0].find("not a header"), std::string::npos);
}

TEST(WinCgiResponse, HeaderBlockSizeIsBounded) {
    const std::string longValue(kMaxResponseHead, 'v');
    // A header block larger than the limit, whole or as the first part of a file.
    const std::string big = "HTTP/1.0 200 OK\r\nX-Big: " + longValue + "\r\n\r\nbody";
    EXPECT_FALSE(ParseResponseHead(big, true).Ok);
    EXPECT_FALSE(ParseResponseHead(big.substr(0, kMaxResponseHead), false).Ok);
    // Just inside the limit, with a long body behind it.
    std::string head = "HTTP/1.0 200 OK\r\nX-Fill: ";
    head += std::string(kMaxResponseHead - head.size() - 4, 'f') + "\r\n\r\n";
    ASSERT_EQ(head.size(), kMaxResponseHead);
    const std::string file = head + std::string(100000, 'b');
    const ResponseHead h = ParseResponseHead(std::string_view(file).substr(0, kMaxResponseHead), false);
    ASSERT_TRUE(h.Ok) << h.Error;
    EXPECT_EQ(h.BodyOffset, kMaxResponseHead);
    EXPECT_EQ(BodyLengthToSend(h, file.size()), 100000u);
}

TEST(WinCgiResponse, BodyLengthAgainstTheDeclaredLength) {
    ResponseHead h = ParseResponseHead("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n", false);
    ASSERT_TRUE(h.Ok);
    const std::uint64_t offset = h.BodyOffset;
    EXPECT_EQ(BodyLengthToSend(h, offset + 10), 10u);
    EXPECT_EQ(BodyLengthToSend(h, offset + 25), 10u);
    EXPECT_EQ(BodyLengthToSend(h, offset + 9), std::nullopt);
    h.DeclaredLength.reset();
    EXPECT_EQ(BodyLengthToSend(h, offset + 9), 9u);
}

TEST(WinCgiResponse, ErrorPages) {
    const std::string r = ErrorResponse(504, "Gateway Timeout", "took <too> long & more");
    const std::size_t end = r.find("\r\n\r\n");
    ASSERT_NE(end, std::string::npos);
    const std::string head = r.substr(0, end + 2);
    const std::string body = r.substr(end + 4);
    EXPECT_EQ(head.rfind("Status: 504 Gateway Timeout\r\n", 0), 0u);
    EXPECT_NE(head.find("Content-Type: text/html; charset=utf-8\r\n"), std::string::npos);
    EXPECT_NE(head.find("Content-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos);
    EXPECT_NE(body.find("took &lt;too&gt; long &amp; more"), std::string::npos);
    EXPECT_EQ(ReasonPhrase(413), "Content Too Large");
    EXPECT_EQ(ReasonPhrase(502), "Bad Gateway");
    EXPECT_EQ(ReasonPhrase(299), "");
}
