// WinCgiProfile.cpp - configuration, form decoding and the request profile.
#include "WinCgi.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>
#include <unordered_map>

namespace corvane::wincgi {

namespace {

constexpr std::uint64_t kMaxBodyCeiling = 1024ull * 1024u * 1024u;  // 1 GiB
constexpr double kMaxTimeoutSeconds = 86400.0;

bool IsControl(unsigned char C) { return C < 0x20 || C == 0x7F; }

char AsciiLower(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

std::string Fold(std::string_view S) {
    std::string r(S);
    for (char& c : r) c = AsciiLower(c);
    return r;
}

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

int HexValue(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

// A name shown in the log: printable ASCII as it is, anything else as \xHH,
// cut after 60 bytes.
std::string ForLog(std::string_view S) {
    std::string r;
    const std::size_t n = S.size() < 60 ? S.size() : 60;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(S[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            r += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            r += buf;
        }
    }
    if (S.size() > n) r += "...";
    return r;
}

const std::string* Find(const Environment& Env, const char* Name) {
    const auto it = Env.find(Name);
    return it == Env.end() ? nullptr : &it->second;
}

bool ParseUnsigned(std::string_view S, std::uint64_t& Out) {
    if (S.empty() || S.size() > 19) return false;
    std::uint64_t v = 0;
    for (char c : S) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    Out = v;
    return true;
}

std::string Base64Decode(std::string_view S, bool& Ok) {
    std::string out;
    std::uint32_t acc = 0;
    int bits = 0;
    std::size_t pad = 0;
    Ok = true;
    for (char c : S) {
        int v;
        if (c >= 'A' && c <= 'Z') v = c - 'A';
        else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
        else if (c >= '0' && c <= '9') v = c - '0' + 52;
        else if (c == '+') v = 62;
        else if (c == '/') v = 63;
        else if (c == '=') { ++pad; continue; }
        else { Ok = false; return {}; }
        if (pad) { Ok = false; return {}; }  // data after padding
        acc = (acc << 6) | static_cast<std::uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return out;
}

// The password of a Basic Authorization header, when it belongs to User.
std::optional<std::string> BasicPassword(const std::string& Authorization, const std::string& User) {
    std::string_view a = TrimBlanks(Authorization);
    if (a.size() < 6 || !EqualsNoCase(a.substr(0, 6), "Basic ")) return std::nullopt;
    bool ok = false;
    const std::string decoded = Base64Decode(TrimBlanks(a.substr(6)), ok);
    if (!ok) return std::nullopt;
    const std::size_t colon = decoded.find(':');
    if (colon == std::string::npos || decoded.compare(0, colon, User) != 0) return std::nullopt;
    return decoded.substr(colon + 1);
}

class IniWriter {
public:
    void Section(const char* Name) {
        if (!FText.empty()) FText += "\r\n";
        FText += '[';
        FText += Name;
        FText += "]\r\n";
    }
    void Key(std::string_view Key, std::string_view Value) {
        FText += Key;
        FText += '=';
        FText += IniValue(Value);
        FText += "\r\n";
    }
    // A value written as it stands (numbers, "path length").
    void Raw(std::string_view Key, std::string_view Value) {
        FText += Key;
        FText += '=';
        FText += Value;
        FText += "\r\n";
    }
    std::string Take() { return std::move(FText); }

private:
    std::string FText;
};

}  // namespace

// ------------------------------------------------------------ configuration

Config ReadConfig(const Environment& Env) {
    Config c;
    if (const std::string* v = Find(Env, "CORVANE_WINCGI_MAX_BODY")) {
        std::uint64_t n = 0;
        if (!ParseUnsigned(*v, n)) {
            c.Warnings.push_back("CORVANE_WINCGI_MAX_BODY '" + ForLog(*v) +
                                 "' is not a number of bytes; using the default");
        } else if (n > kMaxBodyCeiling) {
            c.Warnings.push_back("CORVANE_WINCGI_MAX_BODY " + *v + " is above 1 GiB; using 1 GiB");
            c.MaxBody = kMaxBodyCeiling;
        } else {
            c.MaxBody = n;
        }
    }
    if (const std::string* v = Find(Env, "CORVANE_WINCGI_TIMEOUT")) {
        const std::string s = *v;
        char* end = nullptr;
        errno = 0;
        const double d = s.empty() ? 0.0 : std::strtod(s.c_str(), &end);
        const bool parsed = !s.empty() && errno == 0 && end && *end == '\0' &&
                            s.find_first_of("xXnN") == std::string::npos;  // no hex, nan, inf
        if (!parsed || !std::isfinite(d) || d <= 0.0 || d > kMaxTimeoutSeconds) {
            c.Warnings.push_back("CORVANE_WINCGI_TIMEOUT '" + ForLog(s) +
                                 "' is not a number of seconds between 0 and 86400; using the default");
        } else {
            c.TimeoutSeconds = d;
        }
    }
    return c;
}

// ------------------------------------------------------------------- forms

std::string UrlDecode(std::string_view Text) {
    std::string r;
    r.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c == '+') {
            r += ' ';
        } else if (c == '%' && i + 2 < Text.size() && HexValue(Text[i + 1]) >= 0 &&
                   HexValue(Text[i + 2]) >= 0) {
            r += static_cast<char>(HexValue(Text[i + 1]) * 16 + HexValue(Text[i + 2]));
            i += 2;
        } else {
            r += c;
        }
    }
    return r;
}

bool IsFormUrlEncoded(std::string_view ContentType) {
    std::string_view t = ContentType;
    const std::size_t semi = t.find(';');
    if (semi != std::string_view::npos) t = t.substr(0, semi);
    return EqualsNoCase(TrimBlanks(t), "application/x-www-form-urlencoded");
}

bool IsSafeIniKey(std::string_view Name) {
    if (Name.empty()) return false;
    if (Name.front() == ';' || Name.front() == '#') return false;
    if (Name.front() == ' ' || Name.back() == ' ') return false;
    for (char ch : Name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (IsControl(c) || c == '=' || c == '[' || c == ']') return false;
    }
    return true;
}

std::string IniValue(std::string_view Value) {
    std::string v(Value);
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';
    if (v.empty()) return v;
    const unsigned char front = static_cast<unsigned char>(v.front());
    const unsigned char back = static_cast<unsigned char>(v.back());
    const bool quoted = v.size() >= 2 && front == back && (front == '"' || front == '\'');
    if (front <= ' ' || back <= ' ' || quoted) return '"' + v + '"';
    return v;
}

std::string HeaderNameFromVariable(std::string_view Variable) {
    constexpr std::string_view prefix = "HTTP_";
    if (Variable.size() <= prefix.size() || Variable.substr(0, prefix.size()) != prefix) return {};
    std::string r;
    bool startOfWord = true;
    for (char c : Variable.substr(prefix.size())) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        if (c == '_') {
            r += '-';
            startOfWord = true;
        } else if (letter || digit) {
            if (letter) {
                c = AsciiLower(c);
                if (startOfWord) c = static_cast<char>(c - 'a' + 'A');
            }
            r += c;
            startOfWord = false;
        } else {
            return {};
        }
    }
    return r;
}

FormResult DecodeForm(std::string_view Body) {
    FormResult result;
    std::set<std::string> used;                            // folded keys given out
    std::unordered_map<std::string, std::size_t> nextSuffix;  // folded name -> next n
    std::size_t fields = 0;
    std::size_t pos = 0;
    while (pos <= Body.size()) {
        std::size_t amp = Body.find('&', pos);
        if (amp == std::string_view::npos) amp = Body.size();
        const std::string_view piece = Body.substr(pos, amp - pos);
        const std::size_t pieceStart = pos;
        pos = amp + 1;
        if (piece.empty()) continue;

        const std::size_t eq = piece.find('=');
        const std::string_view rawName = eq == std::string_view::npos ? piece : piece.substr(0, eq);
        const std::string_view rawValue =
            eq == std::string_view::npos ? std::string_view() : piece.substr(eq + 1);
        const std::uint64_t valueOffset =
            pieceStart + (eq == std::string_view::npos ? piece.size() : eq + 1);

        const std::string name = UrlDecode(rawName);
        if (name.size() > kMaxFieldName) {
            result.Dropped.push_back("form field name of " + std::to_string(name.size()) +
                                     " bytes is too long; field dropped");
            continue;
        }
        if (!IsSafeIniKey(name)) {
            result.Dropped.push_back("form field name '" + ForLog(name) +
                                     "' cannot stand in the profile; field dropped");
            continue;
        }
        if (++fields > kMaxFormFields) {
            result.Entries.clear();
            result.TooManyFields = true;
            return result;
        }

        // A repeated name becomes name_1, name_2, ...; a suffixed name that a
        // field of the body already took is skipped, so no key appears twice.
        const std::string folded = Fold(name);
        std::string key = name;
        if (used.count(folded)) {
            std::size_t& n = nextSuffix[folded];
            if (n == 0) n = 1;
            for (;;) {
                key = name + "_" + std::to_string(n++);
                if (!used.count(Fold(key))) break;
            }
        }
        used.insert(Fold(key));

        FormEntry e;
        e.Key = std::move(key);
        if (rawValue.size() > kHugeRawLength) {
            e.Place = FieldPlace::Huge;
            e.Offset = valueOffset;
            e.Length = rawValue.size();
        } else {
            e.Value = UrlDecode(rawValue);
            e.Length = e.Value.size();
            bool plain = e.Value.size() <= kLiteralMaxLength;
            for (std::size_t i = 0; plain && i < e.Value.size(); ++i) {
                const unsigned char c = static_cast<unsigned char>(e.Value[i]);
                if (IsControl(c) || c == '"') plain = false;
            }
            e.Place = plain ? FieldPlace::Literal : FieldPlace::External;
        }
        result.Entries.push_back(std::move(e));
    }
    return result;
}

// ----------------------------------------------------------------- profile

long LocalGmtOffset(std::int64_t UnixTime) {
    const std::time_t t = static_cast<std::time_t>(UnixTime);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return 0;
    return tm.tm_gmtoff;
}

ProfilePlan BuildProfile(const Environment& Env, std::string_view Body, const std::string& Dir,
                         long GmtOffset) {
    ProfilePlan plan;
    plan.ProfilePath = Dir + "/" + kProfileName;
    plan.ContentPath = Dir + "/" + kContentName;
    plan.OutputPath = Dir + "/" + kOutputName;

    IniWriter ini;
    ini.Section("CGI");
    auto fromEnv = [&](const char* Key, const char* Var) {
        if (const std::string* v = Find(Env, Var)) ini.Key(Key, *v);
    };
    fromEnv("Request Protocol", "SERVER_PROTOCOL");
    fromEnv("Request Method", "REQUEST_METHOD");
    fromEnv("Executable Path", "SCRIPT_NAME");
    fromEnv("Logical Path", "PATH_INFO");
    fromEnv("Physical Path", "PATH_TRANSLATED");
    fromEnv("Query String", "QUERY_STRING");
    fromEnv("Request Range", "HTTP_RANGE");
    fromEnv("Referer", "HTTP_REFERER");
    fromEnv("From", "HTTP_FROM");
    fromEnv("User Agent", "HTTP_USER_AGENT");
    fromEnv("Content Type", "CONTENT_TYPE");
    if (Find(Env, "CONTENT_LENGTH") || !Body.empty())
        ini.Raw("Content Length", std::to_string(Body.size()));
    ini.Key("Content File", plan.ContentPath);
    fromEnv("Server Software", "SERVER_SOFTWARE");
    fromEnv("Server Name", "SERVER_NAME");
    fromEnv("Server Port", "SERVER_PORT");
    fromEnv("Server Admin", "SERVER_ADMIN");
    ini.Raw("CGI Version", "CGI/1.3a WIN");
    if (Find(Env, "REMOTE_HOST"))
        fromEnv("Remote Host", "REMOTE_HOST");
    else
        fromEnv("Remote Host", "REMOTE_ADDR");  // no host name: the address, as CGI/1.1 allows
    fromEnv("Remote Address", "REMOTE_ADDR");
    fromEnv("Remote Adress", "REMOTE_ADDR");
    fromEnv("Authenticated Username", "REMOTE_USER");
    fromEnv("Authenticated User", "REMOTE_USER");
    const std::string* user = Find(Env, "REMOTE_USER");
    const std::string* authType = Find(Env, "AUTH_TYPE");
    const std::string* authorization = Find(Env, "HTTP_AUTHORIZATION");
    if (user && !user->empty() && authType && EqualsNoCase(*authType, "Basic") && authorization) {
        if (const auto password = BasicPassword(*authorization, *user))
            ini.Key("Authenticated Password", *password);
    }
    fromEnv("Authentication Method", "AUTH_TYPE");

    ini.Section("System");
    ini.Raw("GMT Offset", std::to_string(GmtOffset));
    ini.Key("Output File", plan.OutputPath);
    ini.Key("Content File", plan.ContentPath);
    ini.Raw("Debug Mode", "No");

    ini.Section("Accept");
    if (const std::string* accept = Find(Env, "HTTP_ACCEPT")) {
        std::set<std::string> seen;
        std::string_view rest = *accept;
        while (!rest.empty()) {
            std::size_t comma = rest.find(',');
            if (comma == std::string_view::npos) comma = rest.size();
            std::string_view item = TrimBlanks(rest.substr(0, comma));
            rest = comma < rest.size() ? rest.substr(comma + 1) : std::string_view();
            std::string_view params;
            const std::size_t semi = item.find(';');
            if (semi != std::string_view::npos) {
                params = TrimBlanks(item.substr(semi + 1));
                item = TrimBlanks(item.substr(0, semi));
            }
            if (item.empty()) continue;
            if (!IsSafeIniKey(item)) {
                plan.Notes.push_back("accepted type '" + ForLog(item) + "' dropped");
                continue;
            }
            if (!seen.insert(Fold(item)).second) continue;
            ini.Key(item, params.empty() ? std::string_view("Yes") : params);
        }
    }

    ini.Section("Extra Headers");
    {
        std::set<std::string> seen;
        for (const auto& [var, value] : Env) {
            if (var.compare(0, 5, "HTTP_") != 0) continue;
            if (var == "HTTP_ACCEPT" || var == "HTTP_REFERER" || var == "HTTP_FROM" ||
                var == "HTTP_USER_AGENT" || var == "HTTP_RANGE" || var == "HTTP_AUTHORIZATION" ||
                var == "HTTP_PROXY_AUTHORIZATION")
                continue;
            const std::string name = HeaderNameFromVariable(var);
            if (name.empty() || !IsSafeIniKey(name)) {
                plan.Notes.push_back("request header variable '" + ForLog(var) + "' dropped");
                continue;
            }
            if (!seen.insert(Fold(name)).second) continue;
            ini.Key(name, value);
        }
    }

    FormResult form;
    const std::string* contentType = Find(Env, "CONTENT_TYPE");
    if (!Body.empty() && contentType && IsFormUrlEncoded(*contentType)) form = DecodeForm(Body);
    if (form.TooManyFields) {
        plan.TooManyFields = true;
        return plan;
    }
    for (auto& note : form.Dropped) plan.Notes.push_back(std::move(note));

    ini.Section("Form Literal");
    for (const FormEntry& e : form.Entries)
        if (e.Place == FieldPlace::Literal) ini.Key(e.Key, e.Value);

    ini.Section("Form External");
    for (const FormEntry& e : form.Entries) {
        if (e.Place != FieldPlace::External) continue;
        char name[32];
        std::snprintf(name, sizeof name, "/field%05zu.txt", plan.Externals.size() + 1);
        ProfileFile f{Dir + name, e.Value};
        ini.Raw(e.Key, f.Path + " " + std::to_string(e.Length));
        plan.Externals.push_back(std::move(f));
    }

    ini.Section("Form Huge");
    for (const FormEntry& e : form.Entries)
        if (e.Place == FieldPlace::Huge)
            ini.Raw(e.Key, std::to_string(e.Offset) + " " + std::to_string(e.Length));

    plan.Text = ini.Take();
    return plan;
}

}  // namespace corvane::wincgi
