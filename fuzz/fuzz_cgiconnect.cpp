// libFuzzer target: arbitrary bytes as the request profile of TCvCGIConnect,
// then every form-field lookup, a page and the error page.  Besides not
// crashing, the component must keep its promises: reading the profile
// raises nothing, lookups raise nothing but EConvertError, FormLiteral holds
// the literal fields plus every readable external field, a field is never
// filled with blanks beyond the cap, the response states the length of its
// body, and the error page carries no markup of the message.
//
// The response files always go into the fuzzer's own directory, whatever
// the profile names.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "CvCGIConnect.h"
#include "Exceptions.h"
#include "IniFiles.h"
#include "Lists.h"
#include "ProcessControl.h"

using namespace corvane;
using namespace vcl;

namespace {

void Check(bool Condition) {
    if (!Condition) __builtin_trap();
}

const std::string& WorkDir() {
    static const std::string dir = [] {
        char name[] = "/tmp/fuzz_cgiconnect.XXXXXX";
        const char* made = mkdtemp(name);
        Check(made != nullptr);
        return std::string(made);
    }();
    return dir;
}

std::string ReadFile(const std::string& FileName) {
    std::ifstream in(FileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The value of a lookup that may only raise EConvertError; Ok tells which.
template <class F>
std::string Lookup(F&& Get, bool& Ok) {
    try {
        std::string v = Get();
        Ok = true;
        return v;
    } catch (const EConvertError&) {
        Ok = false;
        return {};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string text(reinterpret_cast<const char*>(Data), Size);
    const std::string profile = WorkDir() + "/request.ini";
    const std::string output = WorkDir() + "/response.out";
    std::ofstream(profile, std::ios::binary | std::ios::trunc) << text;
    SetCommandLine({"fuzz_cgiconnect", profile});

    TCvCGIConnect cgi(nullptr);  // raises nothing, whatever the profile holds
    cgi.SetOutputFile(output);
    Check(cgi.OutputBuffer() != nullptr);
    Check(cgi.GetMethod() >= cvrmGet && cgi.GetMethod() <= cvrmOther);

    TStringList keys;
    cgi.Profile()->ReadSection("Form Literal", keys);
    const Integer literalCount = keys.Count();
    for (Integer i = 0; i < keys.Count() && i < 32; ++i) {
        bool ok = false;
        const std::string v = Lookup([&] { return cgi.GetFormField(keys.Strings(i)); }, ok);
        const std::string literal = cgi.Profile()->ReadString("Form Literal", keys.Strings(i), "");
        if (literal != TCvCGIConnect::KeyNotFound) Check(ok && v == literal);
        Lookup([&] { return std::to_string(cgi.GetFormMultiField(keys.Strings(i))->Count()); }, ok);
    }

    cgi.Profile()->ReadSection("Form External", keys);
    Integer readable = 0;
    for (Integer i = 0; i < keys.Count(); ++i) {
        bool ok = false;
        const std::string v = Lookup([&] { return cgi.GetFormExternalField(keys.Strings(i)); }, ok);
        if (!ok) continue;
        ++readable;
        // Blanks fill at most up to the cap; more than that came from a file.
        if (v.size() > static_cast<size_t>(TCvCGIConnect::MaxBlankFill))
            Check(v.find_first_not_of(' ') != std::string::npos);
    }
    Check(cgi.FormLiteral()->Count() == literalCount + readable);

    cgi.Profile()->ReadSection("Form Huge", keys);
    for (Integer i = 0; i < keys.Count() && i < 32; ++i) {
        bool ok = false;
        Lookup([&] { return cgi.GetFormHugeField(keys.Strings(i)); }, ok);
    }

    // A page: the stated length is the length of the body.
    cgi.StartSendCGI();
    cgi.Send(text.substr(0, 64));
    cgi.EndSendCGI();
    const std::string response = ReadFile(output);
    Check(response.rfind("HTTP/1.0 200 OK\r\n", 0) == 0);
    const size_t head = response.find("\r\n\r\n");
    Check(head != std::string::npos);
    const std::string lengthLine = "Content-Length : " + std::to_string(response.size() - head - 4) + "\r\n";
    Check(response.find(lengthLine) != std::string::npos && response.find(lengthLine) < head);

    // The error page: the message (from the input) carries no markup.
    {
        THaltInterceptor intercept;
        try {
            cgi.CGIErrorHandler(&cgi, Exception(text.substr(0, 200)));
        } catch (const EHalt&) {
        }
    }
    const std::string page = ReadFile(output);
    // The headers carry values of the profile as they are (the server's
    // name may hold anything but a line break); the markup is in the body.
    const size_t body = page.find("\r\n\r\n");
    Check(body != std::string::npos);
    const size_t pre = page.find("<PRE>", body);
    const size_t preEnd = page.find("</PRE>", pre);
    Check(pre != std::string::npos && preEnd != std::string::npos);
    const std::string message = page.substr(pre + 5, preEnd - pre - 5);
    Check(message.find_first_of("<>\"") == std::string::npos);
    return 0;
}
