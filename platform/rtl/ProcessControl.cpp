#include "ProcessControl.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <system_error>

namespace vcl {

namespace {

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

// The command line set by SetCommandLine, or nothing for the real one.
std::optional<std::vector<std::string>>& Override() {
    static std::optional<std::vector<std::string>> args;
    return args;
}

THaltHandler& Handler() {
    static THaltHandler handler;
    return handler;
}

// The words of /proc/self/cmdline (NUL-separated, each ended by a NUL), with
// word 0 replaced by the path of the executable when it can be read.
std::vector<std::string> ReadRealCommandLine() {
    std::vector<std::string> args;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    if (in) {
        const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        size_t start = 0;
        while (start < data.size()) {
            size_t end = data.find('\0', start);
            if (end == std::string::npos) end = data.size();
            args.push_back(data.substr(start, end - start));
            start = end + 1;
        }
    }
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !exe.empty()) {
        if (args.empty())
            args.push_back(exe.string());
        else
            args[0] = exe.string();
    }
    return args;
}

// The real command line, read once.
const std::vector<std::string>& RealCommandLine() {
    static const std::vector<std::string> args = ReadRealCommandLine();
    return args;
}

}  // namespace

Integer ParamCount() {
    std::lock_guard<std::mutex> guard(Lock());
    const std::vector<std::string>& args = Override() ? *Override() : RealCommandLine();
    return args.empty() ? 0 : static_cast<Integer>(args.size() - 1);
}

std::string ParamStr(Integer Index) {
    std::lock_guard<std::mutex> guard(Lock());
    const std::vector<std::string>& args = Override() ? *Override() : RealCommandLine();
    if (Index < 0 || static_cast<size_t>(Index) >= args.size()) return {};
    return args[static_cast<size_t>(Index)];
}

void SetCommandLine(std::vector<std::string> Args) {
    std::lock_guard<std::mutex> guard(Lock());
    Override() = std::move(Args);
}

void ResetCommandLine() {
    std::lock_guard<std::mutex> guard(Lock());
    Override().reset();
}

THaltHandler SetHaltHandler(THaltHandler NewHandler) {
    std::lock_guard<std::mutex> guard(Lock());
    THaltHandler previous = std::move(Handler());
    Handler() = std::move(NewHandler);
    return previous;
}

void Halt(int ExitCode) {
    THaltHandler handler;
    {
        std::lock_guard<std::mutex> guard(Lock());
        handler = Handler();
    }
    if (handler) handler(ExitCode);
    std::exit(ExitCode);
}

EHalt::EHalt(int AExitCode)
    : Exception("Program halted with exit code " + std::to_string(AExitCode)), FExitCode(AExitCode) {}

THaltInterceptor::THaltInterceptor()
    : FPrevious(SetHaltHandler([](int ExitCode) { throw EHalt(ExitCode); })) {}

THaltInterceptor::~THaltInterceptor() { SetHaltHandler(std::move(FPrevious)); }

}  // namespace vcl
