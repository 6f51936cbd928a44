// Registry.cpp - the registry store, its Win32-style functions, TRegistry and
// TRegIniFile (see Registry.h for the file format and the guarantees).
#include "Registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "FileIdentity.h"
#include "Lists.h"
#include "SysUtils.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TRegistry, TObject)
VCL_IMPLEMENT_CLASS(TRegIniFile, TRegistry)

namespace {

constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;
constexpr size_t kMaxDepth = 512;
constexpr const char* kMagic = "CORVANE-REGISTRY 1 ";

thread_local std::string tLastError;

LONG Fail(LONG Code, std::string Message) {
    tLastError = std::move(Message);
    return Code;
}

// ---------------------------------------------------------------------------
// Names

bool ValidKeyName(std::string_view Name) {
    if (Name.empty() || Name.size() > kMaxKeyName) return false;
    for (char ch : Name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '\\') return false;
    }
    return true;
}

// Splits a sub-key path into names.
LONG SplitPath(const char* SubKey, std::vector<std::string>& Names) {
    Names.clear();
    if (!SubKey || !*SubKey) return ERROR_SUCCESS;
    std::string_view s = SubKey;
    if (s[0] == '\\') return ERROR_BAD_PATHNAME;
    if (s.back() == '\\') s.remove_suffix(1);
    size_t pos = 0;
    for (;;) {
        const size_t sep = s.find('\\', pos);
        const std::string_view name = s.substr(pos, sep == std::string_view::npos ? s.npos : sep - pos);
        if (name.empty()) return ERROR_BAD_PATHNAME;
        if (!ValidKeyName(name)) return ERROR_INVALID_PARAMETER;
        Names.emplace_back(name);
        if (Names.size() > kMaxDepth) return ERROR_INVALID_PARAMETER;
        if (sep == std::string_view::npos) break;
        pos = sep + 1;
    }
    return ERROR_SUCCESS;
}

int64_t NowFileTime() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return (static_cast<int64_t>(ts.tv_sec) + 11644473600LL) * 10000000LL + ts.tv_nsec / 100;
}

FILETIME ToFileTime(int64_t Ticks) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(Ticks) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(Ticks) >> 32);
    return ft;
}

// ---------------------------------------------------------------------------
// The tree of one store

struct TRegValue {
    std::string Name;
    std::string FoldName;
    DWORD Type = REG_NONE;
    std::string Data;
};

struct TRegNode {
    std::string Name;
    std::string Class;
    int64_t Modified = 0;
    std::vector<TRegValue> Values;
    std::map<std::string, std::unique_ptr<TRegNode>> Subkeys;  // by folded name

    TRegValue* FindValue(const std::string& FoldName) {
        for (TRegValue& v : Values)
            if (v.FoldName == FoldName) return &v;
        return nullptr;
    }
    const TRegValue* FindValue(const std::string& FoldName) const {
        return const_cast<TRegNode*>(this)->FindValue(FoldName);
    }
    TRegNode* Find(const std::string& FoldName) const {
        const auto it = Subkeys.find(FoldName);
        return it == Subkeys.end() ? nullptr : it->second.get();
    }
};

TRegNode* Navigate(const TRegNode& Root, const std::vector<std::string>& Folds, size_t Count) {
    TRegNode* node = const_cast<TRegNode*>(&Root);
    for (size_t i = 0; i < Count && node; ++i) node = node->Find(Folds[i]);
    return node;
}

TRegNode* Navigate(const TRegNode& Root, const std::vector<std::string>& Folds) {
    return Navigate(Root, Folds, Folds.size());
}

// ---------------------------------------------------------------------------
// The text form

const char kHex[] = "0123456789abcdef";

void AppendQuoted(std::string& Out, std::string_view S) {
    Out += '"';
    for (char ch : S) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
            case '\\': Out += "\\\\"; break;
            case '"': Out += "\\\""; break;
            case '\n': Out += "\\n"; break;
            case '\r': Out += "\\r"; break;
            case '\t': Out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    Out += "\\x";
                    Out += kHex[c >> 4];
                    Out += kHex[c & 15];
                } else {
                    Out += ch;
                }
        }
    }
    Out += '"';
}

void AppendHexBytes(std::string& Out, std::string_view Data) {
    for (size_t i = 0; i < Data.size(); ++i) {
        if (i) Out += ',';
        const unsigned char c = static_cast<unsigned char>(Data[i]);
        Out += kHex[c >> 4];
        Out += kHex[c & 15];
    }
}

void AppendHexNumber(std::string& Out, uint64_t Value, int Digits) {
    for (int i = Digits - 1; i >= 0; --i) Out += kHex[(Value >> (i * 4)) & 15];
}

uint64_t LittleEndian(std::string_view Data) {
    uint64_t v = 0;
    for (size_t i = Data.size(); i > 0; --i) v = (v << 8) | static_cast<unsigned char>(Data[i - 1]);
    return v;
}

std::string ToLittleEndian(uint64_t Value, size_t Bytes) {
    std::string out(Bytes, '\0');
    for (size_t i = 0; i < Bytes; ++i) out[i] = static_cast<char>((Value >> (8 * i)) & 0xFF);
    return out;
}

// The strings of well-formed REG_MULTI_SZ data: non-empty strings, each
// closed by a NUL, and a final NUL ("\0" alone for none).
bool SplitMulti(std::string_view Data, std::vector<std::string_view>& Items) {
    Items.clear();
    if (Data == std::string_view("\0", 1)) return true;
    if (Data.size() < 3 || Data[Data.size() - 1] != '\0' || Data[Data.size() - 2] != '\0') return false;
    Data.remove_suffix(2);
    size_t pos = 0;
    for (;;) {
        const size_t z = Data.find('\0', pos);
        const std::string_view item = Data.substr(pos, z == std::string_view::npos ? Data.npos : z - pos);
        if (item.empty()) return false;
        Items.push_back(item);
        if (z == std::string_view::npos) return true;
        pos = z + 1;
    }
}

void AppendData(std::string& Out, DWORD Type, const std::string& Data) {
    if ((Type == REG_SZ || Type == REG_EXPAND_SZ) && !Data.empty() && Data.back() == '\0' &&
        Data.find('\0') == Data.size() - 1) {
        Out += Type == REG_SZ ? "sz:" : "expand:";
        AppendQuoted(Out, std::string_view(Data).substr(0, Data.size() - 1));
        return;
    }
    if (Type == REG_DWORD && Data.size() == 4) {
        Out += "dword:";
        AppendHexNumber(Out, LittleEndian(Data), 8);
        return;
    }
    if (Type == REG_QWORD && Data.size() == 8) {
        Out += "qword:";
        AppendHexNumber(Out, LittleEndian(Data), 16);
        return;
    }
    std::vector<std::string_view> items;
    if (Type == REG_MULTI_SZ && SplitMulti(Data, items)) {
        Out += "multi:";
        for (size_t i = 0; i < items.size(); ++i) {
            if (i) Out += ',';
            AppendQuoted(Out, items[i]);
        }
        return;
    }
    if (Type == REG_BINARY) {
        Out += "hex:";
    } else {
        Out += "hex(";
        Out += std::to_string(Type);
        Out += "):";
    }
    AppendHexBytes(Out, Data);
}

void AppendKey(std::string& Out, const TRegNode& Node, const std::string& Path) {
    Out += '[';
    Out += Path;
    Out += "]\n";
    if (!Node.Class.empty()) {
        Out += "!class=";
        AppendQuoted(Out, Node.Class);
        Out += '\n';
    }
    if (Node.Modified != 0) {
        Out += "!modified=";
        Out += std::to_string(Node.Modified);
        Out += '\n';
    }
    for (const TRegValue& v : Node.Values) {
        AppendQuoted(Out, v.Name);
        Out += '=';
        AppendData(Out, v.Type, v.Data);
        Out += '\n';
    }
    for (const auto& entry : Node.Subkeys) {
        const TRegNode& child = *entry.second;
        AppendKey(Out, child, Path.empty() ? child.Name : Path + "\\" + child.Name);
    }
}

std::string Serialize(const TRegNode& Root, uint64_t Generation, const std::string& RootName) {
    std::string out = kMagic;
    out += std::to_string(Generation);
    out += "\n; ";
    out += RootName;
    out += ": the registry store of the Corvane platform.  Change it only while no\n"
           "; program uses it; the last line must stay \"end\".\n";
    AppendKey(out, Root, "");
    out += "end\n";
    return out;
}

int HexDigit(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

bool ParseQuoted(std::string_view& S, std::string& Out) {
    Out.clear();
    if (S.empty() || S[0] != '"') return false;
    size_t i = 1;
    while (i < S.size()) {
        const char c = S[i];
        if (c == '"') {
            S.remove_prefix(i + 1);
            return true;
        }
        if (c != '\\') {
            Out += c;
            ++i;
            continue;
        }
        if (i + 1 >= S.size()) return false;
        const char e = S[i + 1];
        i += 2;
        switch (e) {
            case '\\': Out += '\\'; break;
            case '"': Out += '"'; break;
            case 'n': Out += '\n'; break;
            case 'r': Out += '\r'; break;
            case 't': Out += '\t'; break;
            case 'x': {
                if (i + 1 >= S.size()) return false;
                const int h = HexDigit(S[i]), l = HexDigit(S[i + 1]);
                if (h < 0 || l < 0) return false;
                Out += static_cast<char>(h * 16 + l);
                i += 2;
                break;
            }
            default: return false;
        }
    }
    return false;
}

bool ParseHexNumber(std::string_view S, size_t Digits, uint64_t& Value) {
    if (S.size() != Digits) return false;
    Value = 0;
    for (char c : S) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        Value = (Value << 4) | static_cast<uint64_t>(d);
    }
    return true;
}

bool ParseHexBytes(std::string_view S, std::string& Out) {
    Out.clear();
    if (S.empty()) return true;
    for (size_t i = 0;; i += 3) {
        if (i + 2 > S.size()) return false;
        const int h = HexDigit(S[i]), l = HexDigit(S[i + 1]);
        if (h < 0 || l < 0) return false;
        Out += static_cast<char>(h * 16 + l);
        if (i + 2 == S.size()) return true;
        if (S[i + 2] != ',') return false;
    }
}

bool StartsWith(std::string_view S, std::string_view Prefix) { return S.substr(0, Prefix.size()) == Prefix; }

bool ParseData(std::string_view S, DWORD& Type, std::string& Data) {
    std::string text;
    if (StartsWith(S, "sz:") || StartsWith(S, "expand:")) {
        Type = S[0] == 's' ? REG_SZ : REG_EXPAND_SZ;
        S.remove_prefix(Type == REG_SZ ? 3 : 7);
        if (!ParseQuoted(S, text) || !S.empty()) return false;
        Data = text;
        Data += '\0';
        return true;
    }
    if (StartsWith(S, "multi:")) {
        Type = REG_MULTI_SZ;
        S.remove_prefix(6);
        Data.clear();
        while (!S.empty()) {
            if (!ParseQuoted(S, text)) return false;
            Data += text;
            Data += '\0';
            if (S.empty()) break;
            if (S[0] != ',') return false;
            S.remove_prefix(1);
            if (S.empty()) return false;
        }
        Data += '\0';
        return true;
    }
    uint64_t v;
    if (StartsWith(S, "dword:")) {
        Type = REG_DWORD;
        if (!ParseHexNumber(S.substr(6), 8, v)) return false;
        Data = ToLittleEndian(v, 4);
        return true;
    }
    if (StartsWith(S, "qword:")) {
        Type = REG_QWORD;
        if (!ParseHexNumber(S.substr(6), 16, v)) return false;
        Data = ToLittleEndian(v, 8);
        return true;
    }
    if (StartsWith(S, "hex:")) {
        Type = REG_BINARY;
        return ParseHexBytes(S.substr(4), Data);
    }
    if (StartsWith(S, "hex(")) {
        S.remove_prefix(4);
        const size_t close = S.find("):");
        if (close == std::string_view::npos || close == 0 || close > 10) return false;
        uint64_t t = 0;
        for (char c : S.substr(0, close)) {
            if (c < '0' || c > '9') return false;
            t = t * 10 + static_cast<uint64_t>(c - '0');
        }
        if (t > 0xFFFFFFFFu) return false;
        Type = static_cast<DWORD>(t);
        return ParseHexBytes(S.substr(close + 2), Data);
    }
    return false;
}

bool ParseGeneration(std::string_view Line, uint64_t& Generation) {
    if (!StartsWith(Line, kMagic)) return false;
    Line.remove_prefix(std::strlen(kMagic));
    if (Line.empty() || Line.size() > 19) return false;
    Generation = 0;
    for (char c : Line) {
        if (c < '0' || c > '9') return false;
        Generation = Generation * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

// Parses a store file; false (with the reason) when it is damaged.
bool ParseStore(std::string_view Text, TRegNode& Root, uint64_t& Generation, std::string& Why) {
    size_t pos = 0, lineNo = 0;
    bool ended = false;
    TRegNode* current = nullptr;
    std::string name, data;
    while (pos < Text.size()) {
        const size_t nl = Text.find('\n', pos);
        if (nl == std::string_view::npos) {
            Why = "the last line is incomplete";
            return false;
        }
        std::string_view line = Text.substr(pos, nl - pos);
        pos = nl + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        auto bad = [&](const char* What) {
            Why = "line " + std::to_string(lineNo) + ": " + What;
            return false;
        };
        if (lineNo == 1) {
            if (!ParseGeneration(line, Generation)) return bad("not a registry store");
            continue;
        }
        if (ended) {
            if (!line.empty()) return bad("text after the end line");
            continue;
        }
        if (line.empty() || line[0] == ';') continue;
        if (line == "end") {
            ended = true;
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']') return bad("bad key line");
            std::string_view path = line.substr(1, line.size() - 2);
            current = &Root;
            size_t depth = 0;
            while (!path.empty()) {
                const size_t sep = path.find('\\');
                const std::string_view keyName = path.substr(0, sep);
                if (!ValidKeyName(keyName)) return bad("bad key name");
                if (++depth > kMaxDepth) return bad("keys nested too deep");
                const std::string fold = FoldName(keyName);
                TRegNode* child = current->Find(fold);
                if (!child) {
                    auto node = std::make_unique<TRegNode>();
                    node->Name = std::string(keyName);
                    child = node.get();
                    current->Subkeys.emplace(fold, std::move(node));
                }
                current = child;
                if (sep == std::string_view::npos) break;
                path.remove_prefix(sep + 1);
                if (path.empty()) return bad("bad key name");
            }
            continue;
        }
        if (!current) return bad("a value before the first key");
        if (line[0] == '!') {
            if (StartsWith(line, "!class=")) {
                std::string_view rest = line.substr(7);
                if (!ParseQuoted(rest, name) || !rest.empty()) return bad("bad class");
                current->Class = name;
            } else if (StartsWith(line, "!modified=")) {
                const std::string_view digits = line.substr(10);
                if (digits.empty() || digits.size() > 18) return bad("bad time");
                int64_t t = 0;
                for (char c : digits) {
                    if (c < '0' || c > '9') return bad("bad time");
                    t = t * 10 + (c - '0');
                }
                current->Modified = t;
            } else {
                return bad("unknown key attribute");
            }
            continue;
        }
        if (line[0] != '"') return bad("unknown line");
        std::string_view rest = line;
        if (!ParseQuoted(rest, name) || rest.empty() || rest[0] != '=') return bad("bad value name");
        rest.remove_prefix(1);
        DWORD type = REG_NONE;
        if (!ParseData(rest, type, data)) return bad("bad value data");
        const std::string fold = FoldName(name);
        if (TRegValue* v = current->FindValue(fold)) {
            v->Type = type;
            v->Data = data;
        } else {
            current->Values.push_back(TRegValue{name, fold, type, data});
        }
    }
    if (lineNo == 0) {
        Why = "the file is empty";
        return false;
    }
    if (!ended) {
        Why = "the end line is missing";
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Files

std::mutex gRootMutex;
std::string gRootOverride;
std::atomic<TRegistryFaultHook> gFaultHook{nullptr};

void Stage(const char* Name) {
    if (TRegistryFaultHook hook = gFaultHook.load()) hook(Name);
}

std::string DefaultRoot() {
    if (const char* dir = std::getenv("CORVANE_REGISTRY_DIR"); dir && *dir) return dir;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        return std::string(xdg) + "/corvane/registry";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    } else {
        home = "/tmp";
    }
    return home + "/.config/corvane/registry";
}

LONG ErrnoCode(int Err) {
    return (Err == EACCES || Err == EPERM || Err == EROFS) ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE;
}

// Creates a folder and its parents (mode 0700 for the ones it makes).
bool MakeDirs(const std::string& Dir, int& Err) {
    struct stat st;
    if (stat(Dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        Err = ENOTDIR;
        return false;
    }
    const size_t slash = Dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirs(Dir.substr(0, slash), Err)) return false;
    if (mkdir(Dir.c_str(), 0700) != 0 && errno != EEXIST) {
        Err = errno;
        return false;
    }
    return true;
}

bool FsyncDir(const std::string& Dir) {
    const int fd = open(Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const int rc = fsync(fd);
    const int err = errno;
    close(fd);
    return rc == 0 || err == EINVAL || err == EROFS;
}

class TFd {
public:
    explicit TFd(int Fd = -1) : FFd(Fd) {}
    ~TFd() {
        if (FFd >= 0) close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return FFd; }

private:
    int FFd;
};

bool ReadAll(int Fd, std::string& Out) {
    Out.clear();
    char buf[65536];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = pread(Fd, buf, sizeof buf, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        Out.append(buf, static_cast<size_t>(n));
        offset += n;
    }
}

using TStoreId = TFileId;

constexpr LONG kRetry = -1;  // the file changed while it was looked at

// One root key's store: the file, its lock and the copy in memory.
class TStore {
public:
    explicit TStore(const char* Name) : FName(Name) {}

    template <class F>
    LONG Read(F&& Fn) {
        std::lock_guard<std::mutex> guard(FMutex);
        SelectFolder();
        const LONG rc = Fresh(false);
        if (rc != ERROR_SUCCESS) return rc;
        return Fn(static_cast<const TRegNode&>(*FTree));
    }

    // Fn(TRegNode&, bool& Changed) applies a change; it sets Changed when it
    // changed anything and changes nothing when it fails.
    template <class F>
    LONG Write(F&& Fn) {
        std::lock_guard<std::mutex> guard(FMutex);
        SelectFolder();
        int err = 0;
        if (!MakeDirs(FDir, err))
            return Fail(ErrnoCode(err), "Registry folder " + FDir + " cannot be created: " + std::strerror(err));
        TFd lock(open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (lock.Get() < 0) {
            err = errno;
            return Fail(ErrnoCode(err), "Registry store " + StorePath() + " cannot be locked: " + std::strerror(err));
        }
        while (flock(lock.Get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                err = errno;
                return Fail(ERROR_CANTWRITE, "Registry store " + StorePath() + " cannot be locked: " + std::strerror(err));
            }
        }
        Stage("locked");
        LONG rc = Fresh(true);
        if (rc != ERROR_SUCCESS) return rc;
        bool changed = false;
        rc = Fn(*FTree, changed);
        if (rc != ERROR_SUCCESS || !changed) {
            if (changed) FValid = false;
            return rc;
        }
        const uint64_t generation = FGen + 1;
        rc = Replace(Serialize(*FTree, generation, FName));
        if (rc != ERROR_SUCCESS) {
            FValid = false;
            return rc;
        }
        FGen = generation;
        struct stat st;
        if (stat(StorePath().c_str(), &st) == 0)
            FId = TStoreId::Of(st);
        else
            FValid = false;
        RemoveStaleTemporaries();
        Stage("done");
        return ERROR_SUCCESS;
    }

    void Invalidate() {
        std::lock_guard<std::mutex> guard(FMutex);
        FValid = false;
        FTree.reset();
    }

private:
    std::string StorePath() const { return FDir + "/" + FName + ".reg"; }
    std::string LockPath() const { return FDir + "/" + FName + ".lock"; }
    std::string TempPrefix() const { return "." + std::string(FName) + ".reg.tmp-"; }

    void SelectFolder() {
        std::string dir = RegistryRoot();
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        if (dir != FDir || !FTree) {
            FDir = dir;
            FValid = false;
        }
    }

    // Makes the copy in memory that of the file as it is now.
    LONG Fresh(bool Locked) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            const LONG rc = TryFresh(Locked);
            if (rc != kRetry) return rc;
        }
        return Fail(ERROR_CANTREAD, "Registry store " + StorePath() + " keeps changing while it is read");
    }

    LONG TryFresh(bool Locked) {
        const std::string path = StorePath();
        TFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.Get() < 0) {
            const int err = errno;
            if (err == ENOENT || err == ENOTDIR) {
                if (!(FValid && !FId.Exists)) {
                    FTree = std::make_unique<TRegNode>();
                    FGen = 0;
                    FId = TStoreId();
                    FValid = true;
                }
                return ERROR_SUCCESS;
            }
            return Fail(err == EACCES ? ERROR_ACCESS_DENIED : ERROR_CANTREAD,
                        "Registry store " + path + " cannot be read: " + std::strerror(err));
        }
        struct stat st;
        if (fstat(fd.Get(), &st) != 0) {
            const int err = errno;
            return Fail(ERROR_CANTREAD, "Registry store " + path + " cannot be read: " + std::strerror(err));
        }
        const TStoreId id = TStoreId::Of(st);
        if (FValid && id == FId) {
            // Same file by its identity; the generation in its first line
            // settles it (a new file may reuse an inode within one clock tick).
            char head[64];
            const ssize_t n = pread(fd.Get(), head, sizeof head, 0);
            uint64_t generation;
            if (n > 0) {
                const std::string_view h(head, static_cast<size_t>(n));
                const size_t nl = h.find('\n');
                if (nl != std::string_view::npos && ParseGeneration(h.substr(0, nl), generation) &&
                    generation == FGen)
                    return ERROR_SUCCESS;
            }
        }
        std::string text;
        if (!ReadAll(fd.Get(), text)) {
            const int err = errno;
            return Fail(ERROR_CANTREAD, "Registry store " + path + " cannot be read: " + std::strerror(err));
        }
        auto tree = std::make_unique<TRegNode>();
        uint64_t generation = 0;
        std::string why;
        if (ParseStore(text, *tree, generation, why)) {
            FTree = std::move(tree);
            FGen = generation;
            FId = id;
            FValid = true;
            return ERROR_SUCCESS;
        }
        FValid = false;
        FTree.reset();
        return MoveAside(id, Locked);
    }

    // A damaged store: renamed aside under the lock, never written over.
    LONG MoveAside(const TStoreId& Damaged, bool Locked) {
        const std::string path = StorePath();
        TFd lock(Locked ? -1 : open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (lock.Get() >= 0)
            while (flock(lock.Get(), LOCK_EX) != 0 && errno == EINTR) {
            }
        struct stat st;
        if (stat(path.c_str(), &st) != 0 || !(TStoreId::Of(st) == Damaged)) return kRetry;
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        tm utc;
        gmtime_r(&now.tv_sec, &utc);
        char stamp[32];
        strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
        std::string aside = path + ".damaged-" + stamp;
        for (int n = 2; lstat(aside.c_str(), &st) == 0; ++n)
            aside = path + ".damaged-" + stamp + "-" + std::to_string(n);
        if (rename(path.c_str(), aside.c_str()) != 0) {
            const int err = errno;
            return Fail(ERROR_BADDB, "Registry store " + path + " is damaged and cannot be moved aside: " +
                                         std::strerror(err));
        }
        FsyncDir(FDir);
        return Fail(ERROR_BADDB, "Registry store " + path + " is damaged; kept as " + aside);
    }

    // Writes Text as the new store: temporary file, fsync, rename, fsync of the folder.
    LONG Replace(const std::string& Text) {
        static std::atomic<unsigned> counter{0};
        const std::string path = StorePath();
        std::string tmp;
        int fd = -1;
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            tmp = FDir + "/" + TempPrefix() + std::to_string(getpid()) + "-" +
                  std::to_string(counter.fetch_add(1));
            fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0 && errno != EEXIST) break;
        }
        auto failed = [&](int Err) {
            if (fd >= 0) close(fd);
            if (!tmp.empty()) unlink(tmp.c_str());
            return Fail(ErrnoCode(Err), "Registry store " + path + " cannot be written: " + std::strerror(Err));
        };
        if (fd < 0) {
            const int err = errno;
            tmp.clear();
            return failed(err);
        }
        size_t done = 0;
        const size_t half = Text.size() / 2;
        bool halfSignalled = false;
        while (done < Text.size()) {
            const size_t limit = halfSignalled ? Text.size() : half;
            if (done >= limit) {
                halfSignalled = true;
                Stage("temp-partial");
                continue;
            }
            const ssize_t n = write(fd, Text.data() + done, limit - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                return failed(errno);
            }
            done += static_cast<size_t>(n);
        }
        if (fsync(fd) != 0) return failed(errno);
        const int closing = fd;
        fd = -1;
        if (close(closing) != 0) return failed(errno);
        Stage("temp-written");
        if (rename(tmp.c_str(), path.c_str()) != 0) return failed(errno);
        Stage("renamed");
        if (!FsyncDir(FDir)) {
            const int err = errno;
            return Fail(ERROR_CANTWRITE, "Registry folder " + FDir + " cannot be flushed: " + std::strerror(err));
        }
        return ERROR_SUCCESS;
    }

    // Temporary files of writers that died: only a lock holder makes one,
    // and the lock is ours.
    void RemoveStaleTemporaries() {
        DIR* d = opendir(FDir.c_str());
        if (!d) return;
        const std::string prefix = TempPrefix();
        while (dirent* e = readdir(d))
            if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0)
                unlinkat(dirfd(d), e->d_name, 0);
        closedir(d);
    }

    const char* FName;
    std::mutex FMutex;
    std::string FDir;
    std::unique_ptr<TRegNode> FTree;
    uint64_t FGen = 0;
    TStoreId FId;
    bool FValid = false;
};

TStore gStores[] = {TStore("HKEY_CLASSES_ROOT"), TStore("HKEY_CURRENT_USER"),
                    TStore("HKEY_LOCAL_MACHINE"), TStore("HKEY_USERS"),
                    TStore("HKEY_CURRENT_CONFIG")};

// ---------------------------------------------------------------------------
// Handles

struct THandle {
    int Root = 0;
    std::vector<std::string> Folds;  // the folded names of the path
    REGSAM Access = KEY_ALL_ACCESS;
};

std::mutex gHandleMutex;
std::unordered_map<uintptr_t, THandle> gHandles;
uintptr_t gNextHandle = 0x10000;

bool LookupHandle(HKEY Key, THandle& Out) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(Key);
    if (v >= 0x80000000u && v <= 0x80000005u && v != 0x80000004u) {
        Out = THandle();
        Out.Root = v == 0x80000005u ? 4 : static_cast<int>(v - 0x80000000u);
        return true;
    }
    std::lock_guard<std::mutex> guard(gHandleMutex);
    const auto it = gHandles.find(v);
    if (it == gHandles.end()) return false;
    Out = it->second;
    return true;
}

HKEY NewHandle(THandle Handle) {
    std::lock_guard<std::mutex> guard(gHandleMutex);
    // Handles are never reused, and never collide with the root keys.
    if (gNextHandle >= 0x80000000u && gNextHandle <= 0x80000005u) gNextHandle = 0x80000010u;
    const uintptr_t v = gNextHandle;
    gNextHandle += 4;
    gHandles.emplace(v, std::move(Handle));
    return reinterpret_cast<HKEY>(v);
}

std::vector<std::string> FoldAll(const std::vector<std::string>& Names) {
    std::vector<std::string> out;
    out.reserve(Names.size());
    for (const std::string& n : Names) out.push_back(FoldName(n));
    return out;
}

// The handle's key in a tree, or the reason there is none.
LONG KeyOf(const TRegNode& Root, const THandle& H, TRegNode*& Node) {
    Node = Navigate(Root, H.Folds);
    return Node ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG CopyName(const std::string& Name, char* Buffer, DWORD* Size) {
    if (*Size < Name.size() + 1) {
        *Size = static_cast<DWORD>(Name.size() + 1);
        return ERROR_MORE_DATA;
    }
    std::memcpy(Buffer, Name.data(), Name.size());
    Buffer[Name.size()] = '\0';
    *Size = static_cast<DWORD>(Name.size());
    return ERROR_SUCCESS;
}

// RegQueryValueEx's rules for the data buffer.
LONG CopyData(const std::string& Data, Byte* Buffer, DWORD* Size) {
    if (!Size) return ERROR_SUCCESS;
    if (Buffer && *Size < Data.size()) {
        *Size = static_cast<DWORD>(Data.size());
        return ERROR_MORE_DATA;
    }
    if (Buffer && !Data.empty()) std::memcpy(Buffer, Data.data(), Data.size());
    *Size = static_cast<DWORD>(Data.size());
    return ERROR_SUCCESS;
}

std::string ValueNameOf(const char* Name) { return Name ? std::string(Name) : std::string(); }

// The type and data of one value in one step.
LONG QueryValue(HKEY Key, const std::string& Name, DWORD& Type, std::string& Data) {
    tLastError.clear();
    THandle h;
    if (!LookupHandle(Key, h)) return ERROR_INVALID_HANDLE;
    if (!(h.Access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    const std::string fold = FoldName(Name);
    return gStores[h.Root].Read([&](const TRegNode& root) {
        TRegNode* node;
        if (const LONG rc = KeyOf(root, h, node)) return rc;
        const TRegValue* v = node->FindValue(fold);
        if (!v) return ERROR_FILE_NOT_FOUND;
        Type = v->Type;
        Data = v->Data;
        return ERROR_SUCCESS;
    });
}

// The names of the sub-keys (Keys) or of the values of a key.
LONG ListNames(HKEY Key, bool Keys, std::vector<std::string>& Names) {
    tLastError.clear();
    Names.clear();
    THandle h;
    if (!LookupHandle(Key, h)) return ERROR_INVALID_HANDLE;
    if (!(h.Access & (Keys ? KEY_ENUMERATE_SUB_KEYS : KEY_QUERY_VALUE))) return ERROR_ACCESS_DENIED;
    return gStores[h.Root].Read([&](const TRegNode& root) {
        TRegNode* node;
        if (const LONG rc = KeyOf(root, h, node)) return rc;
        if (Keys)
            for (const auto& entry : node->Subkeys) Names.push_back(entry.second->Name);
        else
            for (const TRegValue& v : node->Values) Names.push_back(v.Name);
        return ERROR_SUCCESS;
    });
}

LONG RenameValueOf(HKEY Key, const std::string& OldName, const std::string& NewName) {
    tLastError.clear();
    THandle h;
    if (!LookupHandle(Key, h)) return ERROR_INVALID_HANDLE;
    if (!(h.Access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (NewName.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
    const std::string oldFold = FoldName(OldName), newFold = FoldName(NewName);
    return gStores[h.Root].Write([&](TRegNode& root, bool& changed) {
        TRegNode* node;
        if (const LONG rc = KeyOf(root, h, node)) return rc;
        TRegValue* v = node->FindValue(oldFold);
        if (!v) return ERROR_FILE_NOT_FOUND;
        if (oldFold != newFold && node->FindValue(newFold)) return ERROR_ACCESS_DENIED;
        if (v->Name == NewName) return ERROR_SUCCESS;
        v->Name = NewName;
        v->FoldName = newFold;
        node->Modified = NowFileTime();
        changed = true;
        return ERROR_SUCCESS;
    });
}

}  // namespace

// ---------------------------------------------------------------------------
// Folder and test hook

void SetRegistryRoot(const std::string& Path) {
    {
        std::lock_guard<std::mutex> guard(gRootMutex);
        gRootOverride = Path;
    }
    for (TStore& s : gStores) s.Invalidate();
}

std::string RegistryRoot() {
    {
        std::lock_guard<std::mutex> guard(gRootMutex);
        if (!gRootOverride.empty()) return gRootOverride;
    }
    return DefaultRoot();
}

void SetRegistryFaultHook(TRegistryFaultHook Hook) { gFaultHook.store(Hook); }

std::string RegLastErrorMessage() { return tLastError; }

// ---------------------------------------------------------------------------
// The functions

LONG RegOpenKeyEx(HKEY hKey, const char* lpSubKey, DWORD, REGSAM samDesired, HKEY* phkResult) {
    tLastError.clear();
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    THandle base;
    if (!LookupHandle(hKey, base)) return ERROR_INVALID_HANDLE;
    std::vector<std::string> names;
    if (const LONG rc = SplitPath(lpSubKey, names)) return rc;
    if (base.Folds.size() + names.size() > kMaxDepth) return ERROR_INVALID_PARAMETER;
    const std::vector<std::string> folds = FoldAll(names);
    const LONG rc = gStores[base.Root].Read([&](const TRegNode& root) {
        TRegNode* parent;
        if (const LONG r = KeyOf(root, base, parent)) return r;
        return Navigate(*parent, folds) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    if (rc != ERROR_SUCCESS) return rc;
    THandle h = base;
    h.Folds.insert(h.Folds.end(), folds.begin(), folds.end());
    h.Access = samDesired;
    *phkResult = NewHandle(std::move(h));
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY hKey, const char* lpSubKey, DWORD, const char* lpClass, DWORD dwOptions,
                    REGSAM samDesired, const void*, HKEY* phkResult, DWORD* lpdwDisposition) {
    tLastError.clear();
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    if (dwOptions & REG_OPTION_VOLATILE) return ERROR_INVALID_PARAMETER;
    THandle base;
    if (!LookupHandle(hKey, base)) return ERROR_INVALID_HANDLE;
    std::vector<std::string> names;
    if (const LONG rc = SplitPath(lpSubKey, names)) return rc;
    if (base.Folds.size() + names.size() > kMaxDepth) return ERROR_INVALID_PARAMETER;
    const std::vector<std::string> folds = FoldAll(names);
    TStore& store = gStores[base.Root];
    // Most calls open a key that is there: no lock, no write.
    LONG rc = store.Read([&](const TRegNode& root) {
        TRegNode* parent;
        if (const LONG r = KeyOf(root, base, parent)) return r;
        return Navigate(*parent, folds) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    bool created = false;
    if (rc == ERROR_FILE_NOT_FOUND) {
        if (!(base.Access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
        rc = store.Write([&](TRegNode& root, bool& changed) {
            TRegNode* node;
            if (const LONG r = KeyOf(root, base, node)) return r;
            const int64_t now = NowFileTime();
            for (size_t i = 0; i < names.size(); ++i) {
                TRegNode* child = node->Find(folds[i]);
                if (!child) {
                    auto fresh = std::make_unique<TRegNode>();
                    fresh->Name = names[i];
                    fresh->Modified = now;
                    if (i + 1 == names.size() && lpClass) fresh->Class = lpClass;
                    child = fresh.get();
                    node->Subkeys.emplace(folds[i], std::move(fresh));
                    node->Modified = now;
                    changed = created = true;
                }
                node = child;
            }
            return ERROR_SUCCESS;
        });
    }
    if (rc != ERROR_SUCCESS) return rc;
    THandle h = base;
    h.Folds.insert(h.Folds.end(), folds.begin(), folds.end());
    h.Access = samDesired;
    *phkResult = NewHandle(std::move(h));
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
    tLastError.clear();
    const uintptr_t v = reinterpret_cast<uintptr_t>(hKey);
    THandle ignored;
    if (v >= 0x80000000u && v <= 0x80000005u) return LookupHandle(hKey, ignored) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    std::lock_guard<std::mutex> guard(gHandleMutex);
    return gHandles.erase(v) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueEx(HKEY hKey, const char* lpValueName, DWORD*, DWORD* lpType, Byte* lpData,
                     DWORD* lpcbData) {
    if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
    DWORD type = REG_NONE;
    std::string data;
    const LONG rc = QueryValue(hKey, ValueNameOf(lpValueName), type, data);
    if (rc != ERROR_SUCCESS) return rc;
    if (lpType) *lpType = type;
    return CopyData(data, lpData, lpcbData);
}

LONG RegSetValueEx(HKEY hKey, const char* lpValueName, DWORD, DWORD dwType, const Byte* lpData,
                   DWORD cbData) {
    tLastError.clear();
    if (!lpData && cbData != 0) return ERROR_INVALID_PARAMETER;
    const std::string name = ValueNameOf(lpValueName);
    if (name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
    THandle h;
    if (!LookupHandle(hKey, h)) return ERROR_INVALID_HANDLE;
    if (!(h.Access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    const std::string data = cbData ? std::string(reinterpret_cast<const char*>(lpData), cbData) : std::string();
    const std::string fold = FoldName(name);
    return gStores[h.Root].Write([&](TRegNode& root, bool& changed) {
        TRegNode* node;
        if (const LONG rc = KeyOf(root, h, node)) return rc;
        if (TRegValue* v = node->FindValue(fold)) {
            if (v->Type == dwType && v->Data == data) return ERROR_SUCCESS;
            v->Type = dwType;
            v->Data = data;
        } else {
            node->Values.push_back(TRegValue{name, fold, dwType, data});
        }
        node->Modified = NowFileTime();
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValue(HKEY hKey, const char* lpValueName) {
    tLastError.clear();
    THandle h;
    if (!LookupHandle(hKey, h)) return ERROR_INVALID_HANDLE;
    if (!(h.Access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    const std::string fold = FoldName(ValueNameOf(lpValueName));
    return gStores[h.Root].Write([&](TRegNode& root, bool& changed) {
        TRegNode* node;
        if (const LONG rc = KeyOf(root, h, node)) return rc;
        for (auto it = node->Values.begin(); it != node->Values.end(); ++it) {
            if (it->FoldName != fold) continue;
            node->Values.erase(it);
            node->Modified = NowFileTime();
            changed = true;
            return ERROR_SUCCESS;
        }
        return ERROR_FILE_NOT_FOUND;
    });
}

namespace {

// Deletes a key (Tree: with its sub-keys); RegDeleteTree without a sub-key
// name empties the key of the handle instead.
LONG DeleteKeyImpl(HKEY hKey, const char* lpSubKey, bool Tree) {
    tLastError.clear();
    THandle base;
    if (!LookupHandle(hKey, base)) return ERROR_INVALID_HANDLE;
    std::vector<std::string> names;
    if (const LONG rc = SplitPath(lpSubKey, names)) return rc;
    const std::vector<std::string> folds = FoldAll(names);
    std::vector<std::string> full = base.Folds;
    full.insert(full.end(), folds.begin(), folds.end());
    const bool contentsOnly = Tree && names.empty();
    if (full.empty() && !contentsOnly) return ERROR_ACCESS_DENIED;  // a root key stays
    return gStores[base.Root].Write([&](TRegNode& root, bool& changed) {
        TRegNode* node;
        if (const LONG rc = KeyOf(root, base, node)) return rc;
        const int64_t now = NowFileTime();
        if (contentsOnly) {
            if (node->Values.empty() && node->Subkeys.empty()) return ERROR_SUCCESS;
            node->Values.clear();
            node->Subkeys.clear();
            node->Modified = now;
            changed = true;
            return ERROR_SUCCESS;
        }
        TRegNode* parent = Navigate(root, full, full.size() - 1);
        if (!parent) return ERROR_FILE_NOT_FOUND;
        const auto it = parent->Subkeys.find(full.back());
        if (it == parent->Subkeys.end()) return ERROR_FILE_NOT_FOUND;
        if (!Tree && !it->second->Subkeys.empty()) return ERROR_ACCESS_DENIED;
        parent->Subkeys.erase(it);
        parent->Modified = now;
        changed = true;
        return ERROR_SUCCESS;
    });
}

}  // namespace

LONG RegDeleteKey(HKEY hKey, const char* lpSubKey) {
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    return DeleteKeyImpl(hKey, lpSubKey, false);
}

LONG RegDeleteTree(HKEY hKey, const char* lpSubKey) { return DeleteKeyImpl(hKey, lpSubKey, true); }

LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD*, char* lpClass,
                  DWORD* lpcchClass, FILETIME* lpftLastWriteTime) {
    tLastError.clear();
    if (!lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
    if (lpClass && !lpcchClass) return ERROR_INVALID_PARAMETER;
    THandle h;
    if (!LookupHandle(hKey, h)) return ERROR_INVALID_HANDLE;
    if (!(h.Access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    return gStores[h.Root].Read([&](const TRegNode& root) {
        TRegNode* node;
        if (const LONG rc = KeyOf(root, h, node)) return rc;
        if (dwIndex >= node->Subkeys.size()) return ERROR_NO_MORE_ITEMS;
        const TRegNode& child = *std::next(node->Subkeys.begin(), dwIndex)->second;
        LONG rc = CopyName(child.Name, lpName, lpcchName);
        if (lpClass) {
            const LONG crc = CopyName(child.Class, lpClass, lpcchClass);
            if (rc == ERROR_SUCCESS) rc = crc;
        }
        if (lpftLastWriteTime) *lpftLastWriteTime = ToFileTime(child.Modified);
        return rc;
    });
}

LONG RegEnumValue(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName, DWORD*,
                  DWORD* lpType, Byte* lpData, DWORD* lpcbData) {
    tLastError.clear();
    if (!lpValueName || !lpcchValueName) return ERROR_INVALID_PARAMETER;
    if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
    THandle h;
    if (!LookupHandle(hKey, h)) return ERROR_INVALID_HANDLE;
    if (!(h.Access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    return gStores[h.Root].Read([&](const TRegNode& root) {
        TRegNode* node;
        if (const LONG rc = KeyOf(root, h, node)) return rc;
        if (dwIndex >= node->Values.size()) return ERROR_NO_MORE_ITEMS;
        const TRegValue& v = node->Values[dwIndex];
        if (lpType) *lpType = v.Type;
        const LONG nrc = CopyName(v.Name, lpValueName, lpcchValueName);
        const LONG drc = CopyData(v.Data, lpData, lpcbData);
        return nrc != ERROR_SUCCESS ? nrc : drc;
    });
}

LONG RegQueryInfoKey(HKEY hKey, char* lpClass, DWORD* lpcchClass, DWORD*, DWORD* lpcSubKeys,
                     DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues,
                     DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen,
                     DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime) {
    tLastError.clear();
    if (lpClass && !lpcchClass) return ERROR_INVALID_PARAMETER;
    THandle h;
    if (!LookupHandle(hKey, h)) return ERROR_INVALID_HANDLE;
    if (!(h.Access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    return gStores[h.Root].Read([&](const TRegNode& root) {
        TRegNode* node;
        if (const LONG rc = KeyOf(root, h, node)) return rc;
        size_t maxKey = 0, maxClass = 0, maxName = 0, maxData = 0;
        for (const auto& entry : node->Subkeys) {
            maxKey = std::max(maxKey, entry.second->Name.size());
            maxClass = std::max(maxClass, entry.second->Class.size());
        }
        for (const TRegValue& v : node->Values) {
            maxName = std::max(maxName, v.Name.size());
            maxData = std::max(maxData, v.Data.size());
        }
        if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(node->Subkeys.size());
        if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = static_cast<DWORD>(maxKey);
        if (lpcbMaxClassLen) *lpcbMaxClassLen = static_cast<DWORD>(maxClass);
        if (lpcValues) *lpcValues = static_cast<DWORD>(node->Values.size());
        if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = static_cast<DWORD>(maxName);
        if (lpcbMaxValueLen) *lpcbMaxValueLen = static_cast<DWORD>(maxData);
        if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
        if (lpftLastWriteTime) *lpftLastWriteTime = ToFileTime(node->Modified);
        if (lpClass) return CopyName(node->Class, lpClass, lpcchClass);
        return ERROR_SUCCESS;
    });
}

LONG RegFlushKey(HKEY hKey) {
    tLastError.clear();
    THandle h;
    return LookupHandle(hKey, h) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// ---------------------------------------------------------------------------
// TRegistry

namespace {

// A damaged or unreadable store is an exception in the classes, whatever the
// method would do with a plain failure.
void CheckStore(LONG Code) {
    if (Code == ERROR_BADDB || Code == ERROR_CANTREAD) {
        std::string text = RegLastErrorMessage();
        if (text.empty()) text = "The registry store cannot be read";
        throw ERegistryException(text);
    }
}

[[noreturn]] void RaiseRegistry(const char* Format, const std::string& Name) {
    std::string text = Format;
    const size_t p = text.find("%s");
    text.replace(p, 2, Name);
    throw ERegistryException(text);
}

TRegDataType DataTypeOf(DWORD Type) {
    switch (Type) {
        case REG_SZ: return rdString;
        case REG_EXPAND_SZ: return rdExpandString;
        case REG_DWORD: return rdInteger;
        case REG_BINARY: return rdBinary;
        default: return rdUnknown;
    }
}

// The key name without a leading '\', and whether it was relative.
std::string KeyPart(const std::string& Key, bool& Relative) {
    Relative = Key.empty() || Key[0] != '\\';
    return Relative ? Key : Key.substr(1);
}

std::string TrimTrailingDelimiter(std::string S) {
    while (!S.empty() && S.back() == '\\') S.pop_back();
    return S;
}

std::string UpToNul(const std::string& Data) { return Data.substr(0, Data.find('\0')); }

}  // namespace

TRegistry::TRegistry() : TRegistry(KEY_ALL_ACCESS) {}

TRegistry::TRegistry(REGSAM AAccess) : FRootKey(HKEY_CURRENT_USER), FAccess(AAccess) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY Value) {
    CloseKey();
    FRootKey = Value;
}

HKEY TRegistry::GetBaseKey(bool Relative) const {
    return FCurrentKey && Relative ? FCurrentKey : FRootKey;
}

void TRegistry::ChangeKey(HKEY Value, const std::string& Path) {
    CloseKey();
    FCurrentKey = Value;
    FCurrentPath = Path;
}

void TRegistry::CloseKey() {
    if (!FCurrentKey) return;
    RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
    FCurrentPath.clear();
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
    bool relative;
    const std::string s = KeyPart(Key, relative);
    HKEY temp = nullptr;
    LONG rc;
    if (!CanCreate || s.empty())
        rc = RegOpenKeyEx(GetBaseKey(relative), s.c_str(), 0, FAccess, &temp);
    else
        rc = RegCreateKeyEx(GetBaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            FAccess, nullptr, &temp, nullptr);
    CheckStore(rc);
    if (rc != ERROR_SUCCESS) return false;
    std::string path = TrimTrailingDelimiter(s);
    if (relative && FCurrentKey && !FCurrentPath.empty())
        path = path.empty() ? FCurrentPath : FCurrentPath + "\\" + path;
    ChangeKey(temp, path);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
    const REGSAM saved = FAccess;
    FAccess = KEY_READ;
    bool ok;
    try {
        ok = OpenKey(Key, false);
    } catch (...) {
        FAccess = saved;
        throw;
    }
    FAccess = saved;
    return ok;
}

bool TRegistry::CreateKey(const std::string& Key) {
    bool relative;
    const std::string s = KeyPart(Key, relative);
    HKEY temp = nullptr;
    const LONG rc = RegCreateKeyEx(GetBaseKey(relative), s.c_str(), 0, nullptr,
                                   REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &temp, nullptr);
    CheckStore(rc);
    if (rc != ERROR_SUCCESS) throw ERegistryException("Failed to create key " + Key);
    RegCloseKey(temp);
    return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
    bool relative;
    const std::string s = TrimTrailingDelimiter(KeyPart(Key, relative));
    if (s.empty()) return false;
    const LONG rc = RegDeleteTree(GetBaseKey(relative), s.c_str());
    CheckStore(rc);
    return rc == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& Key) {
    bool relative;
    const std::string s = KeyPart(Key, relative);
    HKEY temp = nullptr;
    const LONG rc = RegOpenKeyEx(GetBaseKey(relative), s.c_str(), 0, KEY_READ, &temp);
    CheckStore(rc);
    if (rc != ERROR_SUCCESS) return false;
    RegCloseKey(temp);
    return true;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& Value) {
    Value = TRegKeyInfo();
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxData = 0;
    const LONG rc = RegQueryInfoKey(FCurrentKey, nullptr, nullptr, nullptr, &subKeys, &maxSubKey,
                                    nullptr, &values, &maxValueName, &maxData, nullptr, &Value.FileTime);
    CheckStore(rc);
    if (rc != ERROR_SUCCESS) return false;
    Value.NumSubKeys = static_cast<Integer>(subKeys);
    Value.MaxSubKeyLen = static_cast<Integer>(maxSubKey);
    Value.NumValues = static_cast<Integer>(values);
    Value.MaxValueLen = static_cast<Integer>(maxValueName);
    Value.MaxDataLen = static_cast<Integer>(maxData);
    return true;
}

bool TRegistry::HasSubKeys() {
    TRegKeyInfo info;
    return GetKeyInfo(info) && info.NumSubKeys > 0;
}

void TRegistry::GetKeyNames(TStrings& Strings) {
    std::vector<std::string> names;
    const LONG rc = ListNames(FCurrentKey, true, names);
    CheckStore(rc);
    Strings.BeginUpdate();
    Strings.Clear();
    for (const std::string& n : names) Strings.Add(n);
    Strings.EndUpdate();
}

void TRegistry::GetValueNames(TStrings& Strings) {
    std::vector<std::string> names;
    const LONG rc = ListNames(FCurrentKey, false, names);
    CheckStore(rc);
    Strings.BeginUpdate();
    Strings.Clear();
    for (const std::string& n : names) Strings.Add(n);
    Strings.EndUpdate();
}

bool TRegistry::GetDataInfo(const std::string& ValueName, TRegDataInfo& Value) {
    Value = TRegDataInfo();
    DWORD type;
    std::string data;
    const LONG rc = QueryValue(FCurrentKey, ValueName, type, data);
    CheckStore(rc);
    if (rc != ERROR_SUCCESS) return false;
    Value.RegData = DataTypeOf(type);
    Value.DataSize = static_cast<Integer>(data.size());
    return true;
}

TRegDataType TRegistry::GetDataType(const std::string& ValueName) {
    TRegDataInfo info;
    return GetDataInfo(ValueName, info) ? info.RegData : rdUnknown;
}

Integer TRegistry::GetDataSize(const std::string& ValueName) {
    TRegDataInfo info;
    return GetDataInfo(ValueName, info) ? info.DataSize : -1;
}

bool TRegistry::ValueExists(const std::string& Name) {
    TRegDataInfo info;
    return GetDataInfo(Name, info);
}

bool TRegistry::DeleteValue(const std::string& Name) {
    const LONG rc = RegDeleteValue(FCurrentKey, Name.c_str());
    CheckStore(rc);
    return rc == ERROR_SUCCESS;
}

void TRegistry::RenameValue(const std::string& OldName, const std::string& NewName) {
    const LONG rc = RenameValueOf(FCurrentKey, OldName, NewName);
    CheckStore(rc);
}

void TRegistry::ReadTyped(const std::string& Name, DWORD Type, void* Buffer, DWORD Size) {
    DWORD type;
    std::string data;
    const LONG rc = QueryValue(FCurrentKey, Name, type, data);
    CheckStore(rc);
    if (rc != ERROR_SUCCESS) RaiseRegistry("Failed to get data for '%s'", Name);
    if (type != Type || data.size() != Size) RaiseRegistry("Invalid data type for '%s'", Name);
    std::memcpy(Buffer, data.data(), Size);
}

void TRegistry::WriteTyped(const std::string& Name, DWORD Type, const void* Buffer, DWORD Size) {
    const LONG rc = RegSetValueEx(FCurrentKey, Name.c_str(), 0, Type,
                                  static_cast<const Byte*>(Buffer), Size);
    CheckStore(rc);
    if (rc != ERROR_SUCCESS) RaiseRegistry("Failed to set data for '%s'", Name);
}

std::string TRegistry::ReadString(const std::string& Name) {
    DWORD type;
    std::string data;
    const LONG rc = QueryValue(FCurrentKey, Name, type, data);
    CheckStore(rc);
    if (rc == ERROR_FILE_NOT_FOUND) return std::string();
    if (rc != ERROR_SUCCESS) RaiseRegistry("Failed to get data for '%s'", Name);
    if (type != REG_SZ && type != REG_EXPAND_SZ) RaiseRegistry("Invalid data type for '%s'", Name);
    return UpToNul(data);
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
    if (Value.find('\0') != std::string::npos) RaiseRegistry("Failed to set data for '%s'", Name);
    WriteTyped(Name, REG_SZ, Value.c_str(), static_cast<DWORD>(Value.size() + 1));
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value) {
    if (Value.find('\0') != std::string::npos) RaiseRegistry("Failed to set data for '%s'", Name);
    WriteTyped(Name, REG_EXPAND_SZ, Value.c_str(), static_cast<DWORD>(Value.size() + 1));
}

Integer TRegistry::ReadInteger(const std::string& Name) {
    Byte bytes[4];
    ReadTyped(Name, REG_DWORD, bytes, 4);
    return static_cast<Integer>(static_cast<uint32_t>(
        LittleEndian(std::string_view(reinterpret_cast<const char*>(bytes), 4))));
}

void TRegistry::WriteInteger(const std::string& Name, Integer Value) {
    const std::string bytes = ToLittleEndian(static_cast<uint32_t>(Value), 4);
    WriteTyped(Name, REG_DWORD, bytes.data(), 4);
}

bool TRegistry::ReadBool(const std::string& Name) { return ReadInteger(Name) != 0; }

void TRegistry::WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

double TRegistry::ReadFloat(const std::string& Name) {
    double v;
    ReadTyped(Name, REG_BINARY, &v, sizeof v);
    return v;
}

void TRegistry::WriteFloat(const std::string& Name, double Value) {
    WriteTyped(Name, REG_BINARY, &Value, sizeof Value);
}

TDateTime TRegistry::ReadDate(const std::string& Name) { return ReadFloat(Name); }
void TRegistry::WriteDate(const std::string& Name, TDateTime Value) { WriteFloat(Name, Value); }
TDateTime TRegistry::ReadTime(const std::string& Name) { return ReadFloat(Name); }
void TRegistry::WriteTime(const std::string& Name, TDateTime Value) { WriteFloat(Name, Value); }
TDateTime TRegistry::ReadDateTime(const std::string& Name) { return ReadFloat(Name); }
void TRegistry::WriteDateTime(const std::string& Name, TDateTime Value) { WriteFloat(Name, Value); }

Integer TRegistry::ReadBinaryData(const std::string& Name, void* Buffer, Integer BufSize) {
    DWORD type;
    std::string data;
    const LONG rc = QueryValue(FCurrentKey, Name, type, data);
    CheckStore(rc);
    if (rc != ERROR_SUCCESS) return 0;
    const TRegDataType kind = DataTypeOf(type);
    if ((kind != rdBinary && kind != rdUnknown) || BufSize < 0 ||
        data.size() > static_cast<size_t>(BufSize))
        RaiseRegistry("Invalid data type for '%s'", Name);
    if (!data.empty()) std::memcpy(Buffer, data.data(), data.size());
    return static_cast<Integer>(data.size());
}

void TRegistry::WriteBinaryData(const std::string& Name, const void* Buffer, Integer BufSize) {
    if (BufSize < 0 || (BufSize > 0 && !Buffer)) RaiseRegistry("Failed to set data for '%s'", Name);
    WriteTyped(Name, REG_BINARY, Buffer, static_cast<DWORD>(BufSize));
}

// ---------------------------------------------------------------------------
// TRegIniFile

namespace {

// A handle closed at the end of a scope.
class TKeyHolder {
public:
    TKeyHolder() = default;
    ~TKeyHolder() {
        if (FKey) RegCloseKey(FKey);
    }
    TKeyHolder(const TKeyHolder&) = delete;
    TKeyHolder& operator=(const TKeyHolder&) = delete;
    HKEY* Out() { return &FKey; }
    HKEY Get() const { return FKey; }

private:
    HKEY FKey = nullptr;
};

}  // namespace

TRegIniFile::TRegIniFile(const std::string& FileName) : TRegIniFile(FileName, KEY_ALL_ACCESS) {}

TRegIniFile::TRegIniFile(const std::string& FileName, REGSAM AAccess)
    : TRegistry(AAccess), FFileName(FileName) {
    SetRootKey(HKEY_CURRENT_USER);
    OpenKey(FileName, true);
}

std::string TRegIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
    TKeyHolder key;
    const LONG orc = RegOpenKeyEx(GetBaseKey(true), Section.c_str(), 0, KEY_READ, key.Out());
    CheckStore(orc);
    if (orc != ERROR_SUCCESS) return Default;
    DWORD type;
    std::string data;
    const LONG rc = QueryValue(key.Get(), Ident, type, data);
    CheckStore(rc);
    if (rc != ERROR_SUCCESS) return Default;
    if (type == REG_SZ || type == REG_EXPAND_SZ) return UpToNul(data);
    if (type == REG_DWORD && data.size() == 4)
        return IntToStr(static_cast<Integer>(static_cast<uint32_t>(LittleEndian(data))));
    RaiseRegistry("Invalid data type for '%s'", Ident);
}

Integer TRegIniFile::ReadInteger(const std::string& Section, const std::string& Ident,
                                 Integer Default) {
    TKeyHolder key;
    const LONG orc = RegOpenKeyEx(GetBaseKey(true), Section.c_str(), 0, KEY_READ, key.Out());
    CheckStore(orc);
    if (orc != ERROR_SUCCESS) return Default;
    DWORD type;
    std::string data;
    const LONG rc = QueryValue(key.Get(), Ident, type, data);
    CheckStore(rc);
    if (rc != ERROR_SUCCESS) return Default;
    if (type == REG_SZ || type == REG_EXPAND_SZ) return StrToIntDef(Trim(UpToNul(data)), Default);
    if (type == REG_DWORD && data.size() == 4)
        return static_cast<Integer>(static_cast<uint32_t>(LittleEndian(data)));
    RaiseRegistry("Invalid data type for '%s'", Ident);
}

bool TRegIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const std::string& Section, const std::string& Ident,
                              const std::string& Value) {
    if (Value.find('\0') != std::string::npos) RaiseRegistry("Failed to set data for '%s'", Ident);
    TKeyHolder key;
    const LONG crc = RegCreateKeyEx(GetBaseKey(true), Section.c_str(), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Out(), nullptr);
    CheckStore(crc);
    if (crc != ERROR_SUCCESS) throw ERegistryException("Failed to create key " + Section);
    const LONG rc = RegSetValueEx(key.Get(), Ident.c_str(), 0, REG_SZ,
                                  reinterpret_cast<const Byte*>(Value.c_str()),
                                  static_cast<DWORD>(Value.size() + 1));
    CheckStore(rc);
    if (rc != ERROR_SUCCESS) RaiseRegistry("Failed to set data for '%s'", Ident);
}

void TRegIniFile::WriteInteger(const std::string& Section, const std::string& Ident, Integer Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

void TRegIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

void TRegIniFile::ReadSection(const std::string& Section, TStrings& Strings) {
    Strings.BeginUpdate();
    Strings.Clear();
    Strings.EndUpdate();
    TKeyHolder key;
    const LONG orc = RegOpenKeyEx(GetBaseKey(true), Section.c_str(), 0, KEY_READ, key.Out());
    CheckStore(orc);
    if (orc != ERROR_SUCCESS) return;
    std::vector<std::string> names;
    CheckStore(ListNames(key.Get(), false, names));
    Strings.BeginUpdate();
    for (const std::string& n : names) Strings.Add(n);
    Strings.EndUpdate();
}

void TRegIniFile::ReadSections(TStrings& Strings) {
    std::vector<std::string> names;
    CheckStore(ListNames(GetBaseKey(true), true, names));
    Strings.BeginUpdate();
    Strings.Clear();
    for (const std::string& n : names) Strings.Add(n);
    Strings.EndUpdate();
}

void TRegIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) {
    TStringList names;
    ReadSection(Section, names);
    std::vector<std::string> lines;
    for (Integer i = 0; i < names.Count(); ++i)
        lines.push_back(names.Strings(i) + "=" + ReadString(Section, names.Strings(i), ""));
    Strings.BeginUpdate();
    Strings.Clear();
    for (const std::string& l : lines) Strings.Add(l);
    Strings.EndUpdate();
}

void TRegIniFile::EraseSection(const std::string& Section) { TRegistry::DeleteKey(Section); }

void TRegIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
    TKeyHolder key;
    const LONG orc = RegOpenKeyEx(GetBaseKey(true), Section.c_str(), 0, KEY_SET_VALUE, key.Out());
    CheckStore(orc);
    if (orc != ERROR_SUCCESS) return;
    CheckStore(RegDeleteValue(key.Get(), Ident.c_str()));
}

}  // namespace vcl
