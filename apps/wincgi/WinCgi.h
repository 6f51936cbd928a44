// WinCgi.h - the pure pieces of corvane-wincgi, the bridge that runs a
// Windows CGI program behind a web server speaking CGI/1.1.
//
// A Windows CGI program is started with one argument, the path of a request
// profile (an INI file with CR LF line ends), and writes its whole HTTP
// response (status line, headers, blank line, body) into the "Output File"
// the profile names.  The bridge turns the CGI/1.1 environment and request
// body into such a profile, runs the program, and turns its output file into
// a CGI/1.1 response.
//
// The profile the bridge writes:
//
//   [CGI]            the request: "Request Protocol", "Request Method",
//                    "Executable Path", "Logical Path", "Physical Path",
//                    "Query String", "Request Range", "Referer", "From",
//                    "User Agent", "Content Type", "Content Length",
//                    "Content File", "Server Software", "Server Name",
//                    "Server Port", "Server Admin", "CGI Version",
//                    "Remote Host", "Remote Address" (and "Remote Adress",
//                    the spelling the Corvane component reads),
//                    "Authenticated Username" (and "Authenticated User"),
//                    "Authenticated Password", "Authentication Method".
//                    A key whose variable the server did not set is left
//                    out, so the program sees it as missing.
//   [System]         "GMT Offset" (seconds to add to GMT to get local time),
//                    "Output File", "Content File", "Debug Mode=No".
//   [Accept]         one key per media type of the Accept header, its value
//                    "Yes" or the type's parameters ("q=0.8").
//   [Extra Headers]  every other request header, its name restored from the
//                    variable (HTTP_X_FOO -> X-Foo).  Authorization is never
//                    copied (its password, for Basic, is "Authenticated
//                    Password" once the server authenticated the user).
//   [Form Literal]   name=value of an application/x-www-form-urlencoded body
//   [Form External]  name=path length   (value in a file of its own)
//   [Form Huge]      name=offset length (raw value in the content file)
//
// Form decoding follows the Windows CGI convention: only a request body is
// decoded (a query string stays as it is in "Query String"); a
// multipart/form-data or any other body is only the content file.  A field
// whose raw (still encoded) value is longer than kHugeRawLength bytes is not
// decoded and goes to [Form Huge] with the offset and length of its raw value
// in the content file.  Otherwise the value is decoded ('+' is a blank, %XX a
// byte, a malformed escape stays as written); when the decoded value is
// longer than kLiteralMaxLength bytes or holds a control character (below
// 0x20, or 0x7F) or a double quote, it goes into a file of its own and into
// [Form External] as "path length".  A repeated name gets the suffixes _1,
// _2, ... in the order of the body (names compare case-insensitively, as the
// profile reader does).
//
// Hostile input never reaches the profile's structure: a field name that is
// empty, holds a control character, '=', '[' or ']', starts with ';' or '#',
// has blanks at its ends or is longer than kMaxFieldName bytes is dropped
// (and logged); header names are
// rebuilt from letters, digits and '-' only.  In values, CR and LF become
// blanks; a value that the reader would change (blanks at its ends, or
// enclosed in a pair of quotes) is written in double quotes, which readers
// remove again.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane::wincgi {

// The CGI/1.1 environment, variable name -> value.
using Environment = std::map<std::string, std::string>;

// Limits and thresholds.
constexpr std::uint64_t kDefaultMaxBody = 16u * 1024u * 1024u;
constexpr double kDefaultTimeoutSeconds = 30.0;
constexpr std::size_t kLiteralMaxLength = 254;    // longest decoded [Form Literal] value
constexpr std::size_t kHugeRawLength = 65536;     // raw values above this go to [Form Huge]
constexpr std::size_t kMaxFormFields = 10000;     // more fields: 413, nothing run
constexpr std::size_t kMaxFieldName = 1024;       // longer field names are dropped
constexpr std::size_t kMaxResponseHead = 65536;   // longest header block of an output file

// The file names inside the private temporary directory.
constexpr const char* kProfileName = "request.ini";
constexpr const char* kContentName = "content.inp";
constexpr const char* kOutputName = "response.out";

// ------------------------------------------------------------ configuration

struct Config {
    std::uint64_t MaxBody = kDefaultMaxBody;
    double TimeoutSeconds = kDefaultTimeoutSeconds;
    std::vector<std::string> Warnings;  // bad settings, replaced by the defaults
};

// CORVANE_WINCGI_MAX_BODY (bytes, a plain decimal number) and
// CORVANE_WINCGI_TIMEOUT (seconds, decimal, above 0, at most one day).
Config ReadConfig(const Environment& Env);

// ------------------------------------------------------------------- forms

// Decodes '+' and %XX; a '%' not followed by two hex digits stays as it is.
std::string UrlDecode(std::string_view Text);

// True for "application/x-www-form-urlencoded", any case, with or without
// parameters.
bool IsFormUrlEncoded(std::string_view ContentType);

enum class FieldPlace { Literal, External, Huge };

struct FormEntry {
    FieldPlace Place = FieldPlace::Literal;
    std::string Key;           // decoded name, with its _n suffix when repeated
    std::string Value;         // decoded value (Literal, External); empty for Huge
    std::uint64_t Offset = 0;  // Huge: offset of the raw value in the body
    std::uint64_t Length = 0;  // Huge: raw length; External: decoded length
};

struct FormResult {
    std::vector<FormEntry> Entries;
    std::vector<std::string> Dropped;  // why fields were left out, for the log
    bool TooManyFields = false;        // more than kMaxFormFields: Entries is empty
};

// Splits an urlencoded body into fields and places each one.
FormResult DecodeForm(std::string_view Body);

// A name that can stand as a key of the profile (see above).
bool IsSafeIniKey(std::string_view Name);

// A value as written into the profile (see above).
std::string IniValue(std::string_view Value);

// "HTTP_X_FOO" -> "X-Foo"; empty when the variable is no request header or
// its name holds anything but letters, digits and '_'.
std::string HeaderNameFromVariable(std::string_view Variable);

// ----------------------------------------------------------------- profile

struct ProfileFile {
    std::string Path;
    std::string Data;
};

struct ProfilePlan {
    std::string ProfilePath;
    std::string ContentPath;
    std::string OutputPath;
    std::string Text;                  // the profile, CR LF line ends
    std::vector<ProfileFile> Externals;  // the [Form External] files
    std::vector<std::string> Notes;    // dropped fields and headers, for the log
    bool TooManyFields = false;        // see FormResult
};

// Builds the profile for a request: Env is the CGI/1.1 environment, Body the
// request body (the content file), Dir the private directory the files go
// into, GmtOffset the local time's offset from GMT in seconds.
ProfilePlan BuildProfile(const Environment& Env, std::string_view Body, const std::string& Dir,
                         long GmtOffset);

// The local time zone's offset from GMT, in seconds, at the given moment.
long LocalGmtOffset(std::int64_t UnixTime);

// ---------------------------------------------------------------- response

struct ResponseHead {
    bool Ok = false;
    std::string Error;           // why the output is unusable (Ok false)
    int Status = 0;              // 0: none given
    std::string Reason;
    std::vector<std::pair<std::string, std::string>> Headers;  // passed on, in order
    std::optional<std::uint64_t> DeclaredLength;  // the program's Content-Length
    bool HasContentType = false;
    bool HasLocation = false;
    std::size_t BodyOffset = 0;  // where the body starts in the file
    std::vector<std::string> Notes;  // dropped lines, for the log
};

// Parses the header block at the start of an output file.  Data is the
// file's beginning (at least kMaxResponseHead bytes when the file is that
// long); Whole says that Data is the entire file.
//
// Accepted: an optional first line "HTTP/x.y NNN text"; header lines
// "Name: value", "Name : value" (any blanks around the colon), continued by
// lines starting with a blank; the block ends at an empty line (CR LF or LF)
// or at the end of the file.  The first line must be a status line or a
// header, else the output is unusable; a later line that is neither is
// dropped.  Status, Content-Length, Date, Server and the connection headers
// (Connection, Keep-Alive, Transfer-Encoding, TE, Trailer, Upgrade,
// Proxy-Connection) are taken out: the bridge writes the status and the
// length itself, the web server owns the rest.
ResponseHead ParseResponseHead(std::string_view Data, bool Whole);

// The CGI/1.1 header block for a parsed head and the number of body bytes
// that follow it, ending with the blank line: "Status: NNN text" (302 Found
// when the program gave only a Location, 200 OK when it gave nothing), the
// program's headers, "Content-Type: text/html" when a body has no type, and
// "Content-Length".  Statuses 1xx, 204 and 304 get no length and no type.
std::string FormatCgiHead(const ResponseHead& Head, std::uint64_t BodyLength);

// How many body bytes of a file of FileSize bytes go out, or nothing when
// the body is shorter than the program's Content-Length (a cut-off file).
std::optional<std::uint64_t> BodyLengthToSend(const ResponseHead& Head, std::uint64_t FileSize);

// The whole CGI/1.1 response for an output file held in memory; nothing
// (and the reason in Error) when the file is unusable.
std::optional<std::string> ConvertOutput(std::string_view File, std::string* Error = nullptr);

// A complete CGI/1.1 response with a short HTML page, for the bridge's own
// errors (400, 413, 500, 502, 504).
std::string ErrorResponse(int Status, std::string_view Reason, std::string_view Message);

// The standard reason phrase of a status code ("" when unknown).
std::string_view ReasonPhrase(int Status);

}  // namespace corvane::wincgi
