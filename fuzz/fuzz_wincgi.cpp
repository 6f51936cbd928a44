// Fuzz target for corvane-wincgi's parsers of untrusted input: the request
// environment and body turned into a request profile (read back through the
// INI reader, as the program does), and a program's output file turned into
// a CGI response.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "IniFiles.h"
#include "Lists.h"
#include "WinCgi.h"

using namespace corvane::wincgi;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(Data) + 1, Size - 1);
    try {
        if (Data[0] & 1) {
            std::string error;
            (void)ConvertOutput(input, &error);
            (void)ParseResponseHead(input, true);
            return 0;
        }
        // Environment lines "NAME=value" up to a blank line, then the body.
        Environment env;
        size_t pos = 0;
        while (pos < input.size()) {
            const size_t eol = input.find('\n', pos);
            const std::string_view line = input.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
            pos = eol == std::string_view::npos ? input.size() : eol + 1;
            if (line.empty()) break;
            const size_t eq = line.find('=');
            if (eq != std::string_view::npos) env[std::string(line.substr(0, eq))] = std::string(line.substr(eq + 1));
        }
        const std::string_view body = input.substr(pos);
        env["REQUEST_METHOD"] = "POST";
        env["CONTENT_TYPE"] = "application/x-www-form-urlencoded";
        env["CONTENT_LENGTH"] = std::to_string(body.size());
        const ProfilePlan plan = BuildProfile(env, body, "/tmp/fuzz-wincgi", 3600);
        vcl::TMemIniFile ini("");
        ini.SetText(plan.Text);
        vcl::TStringList keys;
        ini.ReadSection("Form Literal", keys);
        for (int i = 0; i < keys.Count(); ++i) (void)ini.ReadString("Form Literal", keys.Strings(i), "");
    } catch (const vcl::Exception&) {
    }
    return 0;
}
