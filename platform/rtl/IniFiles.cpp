// IniFiles.cpp - INI files with the profile rules (see IniFiles.h).
#include "IniFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "FileIdentity.h"
#include "DateTime.h"
#include "Lists.h"
#include "SysUtils.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TCustomIniFile, TObject)
VCL_IMPLEMENT_CLASS(TIniFile, TCustomIniFile)
VCL_IMPLEMENT_CLASS(TMemIniFile, TCustomIniFile)

namespace {

bool IsBlank(char C) { return static_cast<unsigned char>(C) <= ' '; }

std::string_view TrimView(std::string_view S) {
    size_t b = 0, e = S.size();
    while (b < e && IsBlank(S[b])) ++b;
    while (e > b && IsBlank(S[e - 1])) --e;
    return S.substr(b, e - b);
}

// One pair of matching outer quotes removed, as the profile API does.
std::string_view Dequote(std::string_view V) {
    if (V.size() >= 2 && (V.front() == '"' || V.front() == '\'') && V.back() == V.front())
        return V.substr(1, V.size() - 2);
    return V;
}

[[noreturn]] void RaiseWrite(const std::string& FileName, int Err) {
    throw EIniFileException("Unable to write to " + FileName + ": " + std::strerror(Err));
}

[[noreturn]] void RaiseRead(const std::string& FileName, int Err) {
    throw EIniFileException("Unable to read " + FileName + ": " + std::strerror(Err));
}

bool HasLineBreak(std::string_view S) { return S.find_first_of("\r\n") != std::string_view::npos; }

std::string CheckSection(const std::string& Section) {
    std::string_view s = TrimView(Section);
    if (HasLineBreak(s) || s.find(']') != std::string_view::npos)
        throw EIniFileException("Invalid INI section name '" + Section + "'");
    return std::string(s);
}

std::string CheckKey(const std::string& Ident) {
    std::string_view k = TrimView(Ident);
    if (k.empty() || HasLineBreak(k) || k.find('=') != std::string_view::npos || k[0] == '[' ||
        k[0] == ';' || k[0] == '#')
        throw EIniFileException("Invalid INI key name '" + Ident + "'");
    return std::string(k);
}

// The text that reads back as Value.
std::string EncodeValue(const std::string& Value) {
    if (HasLineBreak(Value))
        throw EIniFileException("INI values cannot contain line breaks");
    if (Value.empty()) return Value;
    const bool needQuotes = IsBlank(Value.front()) || IsBlank(Value.back()) ||
                            Dequote(Value).size() != Value.size();
    return needQuotes ? "\"" + Value + "\"" : Value;
}


std::string DirName(const std::string& Path) {
    const size_t p = Path.rfind('/');
    if (p == std::string::npos) return ".";
    if (p == 0) return "/";
    return Path.substr(0, p);
}

std::string BaseName(const std::string& Path) {
    const size_t p = Path.rfind('/');
    return p == std::string::npos ? Path : Path.substr(p + 1);
}

// The file that a write replaces: symbolic links followed (also a dangling
// one, whose target is then created).
std::string WriteTarget(const std::string& Path) {
    std::string p = Path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        std::string target(4096, '\0');
        const ssize_t n = readlink(p.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size()) return p;
        target.resize(static_cast<size_t>(n));
        p = target[0] == '/' ? target : DirName(p) + "/" + target;
    }
    RaiseWrite(Path, ELOOP);
}

// An exclusive lock on a directory for the time of a read-modify-write.
// When the directory cannot be locked the write goes ahead unlocked.
class TDirLock {
public:
    explicit TDirLock(const std::string& Dir) {
        FFd = open(Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (FFd < 0) return;
        while (flock(FFd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~TDirLock() {
        if (FFd >= 0) close(FFd);  // closing releases the lock
    }
    TDirLock(const TDirLock&) = delete;
    TDirLock& operator=(const TDirLock&) = delete;

private:
    int FFd = -1;
};

void WriteAll(int Fd, const std::string& Data, const std::string& FileName) {
    size_t done = 0;
    while (done < Data.size()) {
        const ssize_t n = write(Fd, Data.data() + done, Data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            RaiseWrite(FileName, errno);
        }
        done += static_cast<size_t>(n);
    }
}

// Replaces Target by Data: a temporary file in the same directory, fsync,
// rename, fsync of the directory.  The old file stays whole on any failure.
void AtomicWriteFile(const std::string& Target, const std::string& Data,
                     const std::string& FileName) {
    static std::atomic<unsigned> counter{0};
    const std::string dir = DirName(Target);
    struct stat old;
    const bool exists = stat(Target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) RaiseWrite(FileName, EISDIR);
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = dir + "/." + BaseName(Target) + ".tmp-" + std::to_string(getpid()) + "-" +
              std::to_string(counter.fetch_add(1));
        fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) RaiseWrite(FileName, errno);
    }
    if (fd < 0) RaiseWrite(FileName, EEXIST);
    try {
        if (exists) {
            // Keep the owner (possible for root) and the permissions.
            if (fchown(fd, old.st_uid, old.st_gid) != 0) {
                // Not the owner's to give: the file becomes ours, as any rewrite would.
            }
            if (fchmod(fd, old.st_mode & 07777) != 0) RaiseWrite(FileName, errno);
        }
        WriteAll(fd, Data, FileName);
        if (fsync(fd) != 0) RaiseWrite(FileName, errno);
        const int fdToClose = fd;
        fd = -1;
        if (close(fdToClose) != 0) RaiseWrite(FileName, errno);
        if (rename(tmp.c_str(), Target.c_str()) != 0) RaiseWrite(FileName, errno);
    } catch (...) {
        if (fd >= 0) close(fd);
        unlink(tmp.c_str());
        throw;
    }
    const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        const int rc = fsync(dfd);
        const int err = errno;
        close(dfd);
        // Some file systems cannot sync a directory (EINVAL); the rename is
        // done all the same.
        if (rc != 0 && err != EINVAL && err != EROFS) RaiseWrite(FileName, err);
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// TIniDocument: the lines of a file with the index of sections and keys.

class TIniDocument {
public:
    enum TLineKind : uint8_t { lkOther, lkBlank, lkComment, lkKey };

    struct TLine {
        std::string Text;
        TLineKind Kind = lkOther;
        size_t KeyPos = 0, KeyLen = 0, ValPos = 0, ValLen = 0;

        std::string_view Key() const { return std::string_view(Text).substr(KeyPos, KeyLen); }
        std::string_view RawValue() const { return std::string_view(Text).substr(ValPos, ValLen); }
    };

    struct TSection {
        std::string Header;  // the line as in the file
        std::string Name;
        std::vector<TLine> Body;
        std::unordered_map<std::string, size_t> FirstKey;  // folded key -> index in Body

        void Reindex() {
            FirstKey.clear();
            for (size_t i = 0; i < Body.size(); ++i)
                if (Body[i].Kind == lkKey) FirstKey.emplace(FoldName(Body[i].Key()), i);
        }
    };

    TFileId Id;  // the file the text was read from (TIniFile)

    void Clear() {
        FBom.clear();
        FEol = "\n";
        FPreamble.clear();
        FSections.clear();
        FSectionIndex.clear();
    }

    void Parse(std::string_view Text) {
        Clear();
        if (Text.substr(0, 3) == "\xEF\xBB\xBF") {
            FBom = "\xEF\xBB\xBF";
            Text.remove_prefix(3);
        }
        bool eolSeen = false;
        size_t pos = 0;
        while (pos < Text.size()) {
            const size_t brk = Text.find_first_of("\r\n", pos);
            const size_t end = brk == std::string_view::npos ? Text.size() : brk;
            AddLine(std::string(Text.substr(pos, end - pos)));
            if (brk == std::string_view::npos) break;
            size_t next = brk + 1;
            if (Text[brk] == '\r' && next < Text.size() && Text[next] == '\n') ++next;
            if (!eolSeen) {
                FEol = std::string(Text.substr(brk, next - brk));
                eolSeen = true;
            }
            pos = next;
        }
    }

    void SetLines(const TStrings& List) {
        Clear();
        for (Integer i = 0; i < List.Count(); ++i) {
            // A string of the list may itself hold line breaks: split it as a file would.
            const std::string s = List.Strings(i);
            size_t pos = 0;
            for (;;) {
                const size_t brk = s.find_first_of("\r\n", pos);
                if (brk == std::string::npos) {
                    AddLine(s.substr(pos));
                    break;
                }
                AddLine(s.substr(pos, brk - pos));
                pos = brk + 1;
                if (s[brk] == '\r' && pos < s.size() && s[pos] == '\n') ++pos;
                if (pos >= s.size()) break;
            }
        }
    }

    std::string Serialize() const {
        std::string out = FBom;
        size_t total = out.size();
        ForEachLine([&](const std::string& L) { total += L.size() + FEol.size(); });
        out.reserve(total);
        ForEachLine([&](const std::string& L) {
            out += L;
            out += FEol;
        });
        return out;
    }

    void GetLines(TStrings& List) const {
        List.BeginUpdate();
        try {
            List.Clear();
            ForEachLine([&](const std::string& L) { List.Add(L); });
        } catch (...) {
            List.EndUpdate();
            throw;
        }
        List.EndUpdate();
    }

    // The first line of that key, or nullptr.
    const TLine* Find(const std::string& Section, const std::string& Ident) const {
        const auto secs = FSectionIndex.find(FoldName(TrimView(Section)));
        if (secs == FSectionIndex.end()) return nullptr;
        const std::string key = FoldName(TrimView(Ident));
        for (size_t s : secs->second) {
            const TSection& sec = FSections[s];
            const auto it = sec.FirstKey.find(key);
            if (it != sec.FirstKey.end()) return &sec.Body[it->second];
        }
        return nullptr;
    }

    bool SectionExists(const std::string& Section) const {
        return FSectionIndex.count(FoldName(TrimView(Section))) != 0;
    }

    // Calls Fn(line) for every key of Section once, in the order of first appearance.
    template <class F>
    void ForEachKey(const std::string& Section, F&& Fn) const {
        const auto secs = FSectionIndex.find(FoldName(TrimView(Section)));
        if (secs == FSectionIndex.end()) return;
        std::unordered_set<std::string> seen;
        const bool several = secs->second.size() > 1;
        for (size_t s : secs->second) {
            const TSection& sec = FSections[s];
            for (size_t i = 0; i < sec.Body.size(); ++i) {
                const TLine& line = sec.Body[i];
                if (line.Kind != lkKey) continue;
                std::string key = FoldName(line.Key());
                if (sec.FirstKey.at(key) != i) continue;  // a later duplicate in this occurrence
                if (several && !seen.insert(std::move(key)).second) continue;
                Fn(line);
            }
        }
    }

    template <class F>
    void ForEachSection(F&& Fn) const {
        std::unordered_set<std::string> seen;
        for (const TSection& sec : FSections)
            if (seen.insert(FoldName(sec.Name)).second) Fn(sec.Name);
    }

    // Sets a key; false when the file already says exactly that.
    bool Write(const std::string& Section, const std::string& Ident, const std::string& Value) {
        const std::string sec = CheckSection(Section);
        const std::string key = CheckKey(Ident);
        const std::string encoded = EncodeValue(Value);
        const std::string secFold = FoldName(sec), keyFold = FoldName(key);
        const auto secs = FSectionIndex.find(secFold);
        if (secs != FSectionIndex.end()) {
            for (size_t s : secs->second) {
                TSection& section = FSections[s];
                const auto it = section.FirstKey.find(keyFold);
                if (it == section.FirstKey.end()) continue;
                TLine& line = section.Body[it->second];
                std::string text = std::string(line.Key()) + "=" + encoded;
                if (text == line.Text) return false;
                line = MakeKeyLine(std::move(text), true);
                return true;
            }
            // A new key: after the last key of the first occurrence.
            TSection& section = FSections[secs->second.front()];
            size_t at = 0;
            for (size_t i = section.Body.size(); i > 0; --i)
                if (section.Body[i - 1].Kind == lkKey) {
                    at = i;
                    break;
                }
            section.Body.insert(section.Body.begin() + static_cast<std::ptrdiff_t>(at),
                                MakeKeyLine(key + "=" + encoded, true));
            for (auto& entry : section.FirstKey)
                if (entry.second >= at) ++entry.second;
            section.FirstKey.emplace(keyFold, at);
            return true;
        }
        // A new section at the end, after a blank line.
        std::vector<TLine>& tail = FSections.empty() ? FPreamble : FSections.back().Body;
        const bool emptyFile = FPreamble.empty() && FSections.empty();
        // (a section without lines ends with its header, which is not blank)
        if (!emptyFile && !(!tail.empty() && tail.back().Kind == lkBlank))
            tail.push_back(TLine{std::string(), lkBlank});
        TSection section;
        section.Header = "[" + sec + "]";
        section.Name = sec;
        section.Body.push_back(MakeKeyLine(key + "=" + encoded, true));
        section.FirstKey.emplace(keyFold, 0);
        FSectionIndex[secFold].push_back(FSections.size());
        FSections.push_back(std::move(section));
        return true;
    }

    bool DeleteKey(const std::string& Section, const std::string& Ident) {
        const auto secs = FSectionIndex.find(FoldName(TrimView(Section)));
        if (secs == FSectionIndex.end()) return false;
        const std::string key = FoldName(TrimView(Ident));
        bool changed = false;
        for (size_t s : secs->second) {
            TSection& sec = FSections[s];
            if (sec.FirstKey.count(key) == 0) continue;
            std::vector<TLine> kept;
            kept.reserve(sec.Body.size());
            for (TLine& line : sec.Body)
                if (line.Kind != lkKey || FoldName(line.Key()) != key) kept.push_back(std::move(line));
            sec.Body = std::move(kept);
            sec.Reindex();
            changed = true;
        }
        return changed;
    }

    bool EraseSection(const std::string& Section) {
        const std::string fold = FoldName(TrimView(Section));
        if (FSectionIndex.count(fold) == 0) return false;
        std::vector<TSection> kept;
        kept.reserve(FSections.size());
        for (TSection& sec : FSections)
            if (FoldName(sec.Name) != fold) kept.push_back(std::move(sec));
        FSections = std::move(kept);
        FSectionIndex.clear();
        for (size_t i = 0; i < FSections.size(); ++i)
            FSectionIndex[FoldName(FSections[i].Name)].push_back(i);
        return true;
    }

private:
    template <class F>
    void ForEachLine(F&& Fn) const {
        for (const TLine& l : FPreamble) Fn(l.Text);
        for (const TSection& s : FSections) {
            Fn(s.Header);
            for (const TLine& l : s.Body) Fn(l.Text);
        }
    }

    // Classifies a line inside a section (InSection) or before the first one.
    static TLine MakeKeyLine(std::string Text, bool InSection) {
        TLine line;
        line.Text = std::move(Text);
        const std::string_view t = line.Text;
        size_t b = 0;
        while (b < t.size() && IsBlank(t[b])) ++b;
        if (b == t.size()) {
            line.Kind = lkBlank;
            return line;
        }
        if (t[b] == ';' || t[b] == '#') {
            line.Kind = lkComment;
            return line;
        }
        if (!InSection) return line;  // lkOther: before any section, never read
        const size_t eq = t.find('=', b);
        const std::string_view keyPart = eq == std::string_view::npos ? t.substr(b) : t.substr(b, eq - b);
        const std::string_view key = TrimView(keyPart);
        if (key.empty()) return line;  // "=value": kept, not read
        line.Kind = lkKey;
        line.KeyPos = static_cast<size_t>(key.data() - t.data());
        line.KeyLen = key.size();
        if (eq != std::string_view::npos) {
            const std::string_view value = TrimView(t.substr(eq + 1));
            line.ValPos = value.empty() ? eq + 1 : static_cast<size_t>(value.data() - t.data());
            line.ValLen = value.size();
        } else {
            line.ValPos = t.size();
            line.ValLen = 0;
        }
        return line;
    }

    void AddLine(std::string Text) {
        size_t b = 0;
        while (b < Text.size() && IsBlank(Text[b])) ++b;
        if (b < Text.size() && Text[b] == '[') {
            const size_t close = Text.find(']', b + 1);
            const size_t end = close == std::string::npos ? Text.size() : close;
            TSection sec;
            sec.Name = std::string(TrimView(std::string_view(Text).substr(b + 1, end - b - 1)));
            sec.Header = std::move(Text);
            FSectionIndex[FoldName(sec.Name)].push_back(FSections.size());
            FSections.push_back(std::move(sec));
            return;
        }
        if (FSections.empty()) {
            FPreamble.push_back(MakeKeyLine(std::move(Text), false));
            return;
        }
        TSection& sec = FSections.back();
        sec.Body.push_back(MakeKeyLine(std::move(Text), true));
        const TLine& line = sec.Body.back();
        if (line.Kind == lkKey) sec.FirstKey.emplace(FoldName(line.Key()), sec.Body.size() - 1);
    }

    std::string FBom;
    std::string FEol = "\n";
    std::vector<TLine> FPreamble;  // lines before the first section
    std::vector<TSection> FSections;
    std::unordered_map<std::string, std::vector<size_t>> FSectionIndex;  // folded name -> occurrences
};

namespace {

// Reads FileName; a missing file gives an empty document.
std::unique_ptr<TIniDocument> LoadDocument(const std::string& FileName) {
    auto doc = std::make_unique<TIniDocument>();
    const int fd = open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return doc;
        RaiseRead(FileName, errno);
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        const int err = errno;
        close(fd);
        RaiseRead(FileName, err);
    }
    if (S_ISDIR(st.st_mode)) {
        close(fd);
        RaiseRead(FileName, EISDIR);
    }
    std::string text;
    if (S_ISREG(st.st_mode) && st.st_size > 0) text.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            close(fd);
            RaiseRead(FileName, err);
        }
        if (n == 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    doc->Parse(text);
    doc->Id = TFileId::Of(st);
    return doc;
}

TFileId CurrentId(const std::string& FileName) {
    struct stat st;
    if (stat(FileName.c_str(), &st) != 0) return TFileId();
    return TFileId::Of(st);
}

std::string ValueOf(const TIniDocument::TLine& Line) { return std::string(Dequote(Line.RawValue())); }

void FillKeys(const TIniDocument& Doc, const std::string& Section, TStrings& Strings, bool Values) {
    Strings.BeginUpdate();
    try {
        Strings.Clear();
        Doc.ForEachKey(Section, [&](const TIniDocument::TLine& line) {
            if (Values)
                Strings.Add(std::string(line.Key()) + "=" + ValueOf(line));
            else
                Strings.Add(std::string(line.Key()));
        });
    } catch (...) {
        Strings.EndUpdate();
        throw;
    }
    Strings.EndUpdate();
}

void FillSections(const TIniDocument& Doc, TStrings& Strings) {
    Strings.BeginUpdate();
    try {
        Strings.Clear();
        Doc.ForEachSection([&](const std::string& name) { Strings.Add(name); });
    } catch (...) {
        Strings.EndUpdate();
        throw;
    }
    Strings.EndUpdate();
}

// ISO date and time texts.
const TFormatSettings& IsoSettings() {
    static const TFormatSettings settings;  // ':' as time separator
    return settings;
}

bool ParseDigits(std::string_view& S, size_t Count, int& Value) {
    if (S.size() < Count) return false;
    Value = 0;
    for (size_t i = 0; i < Count; ++i) {
        if (S[i] < '0' || S[i] > '9') return false;
        Value = Value * 10 + (S[i] - '0');
    }
    S.remove_prefix(Count);
    return true;
}

bool ParseIsoDate(std::string_view& S, TDateTime& Value) {
    int y, m, d;
    std::string_view s = S;
    if (!ParseDigits(s, 4, y) || s.empty() || s[0] != '-') return false;
    s.remove_prefix(1);
    if (!ParseDigits(s, 2, m) || s.empty() || s[0] != '-') return false;
    s.remove_prefix(1);
    if (!ParseDigits(s, 2, d)) return false;
    if (!TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), Value))
        return false;
    S = s;
    return true;
}

bool ParseIsoTime(std::string_view S, TDateTime& Value) {
    int h, n, sec = 0, ms = 0;
    if (!ParseDigits(S, 2, h) || S.empty() || S[0] != ':') return false;
    S.remove_prefix(1);
    if (!ParseDigits(S, 2, n)) return false;
    if (!S.empty()) {
        if (S[0] != ':') return false;
        S.remove_prefix(1);
        if (!ParseDigits(S, 2, sec)) return false;
        if (!S.empty()) {
            if (S[0] != '.' || S.size() < 2) return false;
            S.remove_prefix(1);
            // Milliseconds; further digits are rounded away.
            double frac = 0, scale = 0.1;
            while (!S.empty()) {
                if (S[0] < '0' || S[0] > '9') return false;
                frac += (S[0] - '0') * scale;
                scale /= 10;
                S.remove_prefix(1);
            }
            ms = static_cast<int>(std::lround(frac * 1000));
            if (ms > 999) ms = 999;
        }
    }
    return TryEncodeTime(static_cast<Word>(h), static_cast<Word>(n), static_cast<Word>(sec),
                         static_cast<Word>(ms), Value);
}

}  // namespace

// ---------------------------------------------------------------------------
// TCustomIniFile

bool TCustomIniFile::SectionExists(const std::string& Section) {
    TStringList keys;
    ReadSection(Section, keys);
    return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
    TStringList keys;
    ReadSection(Section, keys);
    return keys.IndexOf(Ident) >= 0;
}

Integer TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident,
                                    Integer Default) {
    const std::string s = Trim(ReadString(Section, Ident, ""));
    Integer v;
    return !s.empty() && TryStrToInt(s, v) ? v : Default;
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident,
                                  Integer Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
    const std::string s = Trim(ReadString(Section, Ident, ""));
    if (s.empty()) return Default;
    int64_t v;
    if (TryStrToInt64(s, v)) return v != 0;
    if (SameText(s, "false") || SameText(s, "no") || SameText(s, "off")) return false;
    return true;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& Section, const std::string& Ident,
                                 double Default) {
    const std::string s = Trim(ReadString(Section, Ident, ""));
    double v;
    return !s.empty() && TryStrToFloatDot(s, v) ? v : Default;
}

void TCustomIniFile::WriteFloat(const std::string& Section, const std::string& Ident,
                                double Value) {
    std::string text;
    if (std::isnan(Value)) {
        text = "NAN";
    } else if (std::isinf(Value)) {
        text = Value > 0 ? "INF" : "-INF";
    } else {
        char buf[64];
        const auto res = std::to_chars(buf, buf + sizeof buf, Value);
        text.assign(buf, res.ptr);
    }
    WriteString(Section, Ident, text);
}

TDateTime TCustomIniFile::ReadDate(const std::string& Section, const std::string& Ident,
                                   TDateTime Default) {
    const std::string s = Trim(ReadString(Section, Ident, ""));
    if (s.empty()) return Default;
    std::string_view v = s;
    TDateTime d;
    if (ParseIsoDate(v, d) && v.empty()) return d;
    return TryStrToDate(s, d) ? d : Default;
}

void TCustomIniFile::WriteDate(const std::string& Section, const std::string& Ident,
                               TDateTime Value) {
    WriteString(Section, Ident, FormatDateTime("yyyy-mm-dd", Value, IsoSettings()));
}

TDateTime TCustomIniFile::ReadTime(const std::string& Section, const std::string& Ident,
                                   TDateTime Default) {
    const std::string s = Trim(ReadString(Section, Ident, ""));
    if (s.empty()) return Default;
    TDateTime t;
    if (ParseIsoTime(s, t)) return t;
    return TryStrToTime(s, t) ? t : Default;
}

void TCustomIniFile::WriteTime(const std::string& Section, const std::string& Ident,
                               TDateTime Value) {
    WriteString(Section, Ident, FormatDateTime("hh:nn:ss.zzz", Value, IsoSettings()));
}

TDateTime TCustomIniFile::ReadDateTime(const std::string& Section, const std::string& Ident,
                                       TDateTime Default) {
    const std::string s = Trim(ReadString(Section, Ident, ""));
    if (s.empty()) return Default;
    std::string_view v = s;
    TDateTime d, t;
    if (ParseIsoDate(v, d)) {
        if (v.empty()) return d;
        if ((v[0] == ' ' || v[0] == 'T') && ParseIsoTime(v.substr(1), t))
            return ComposeDateTime(d, t);
    }
    return TryStrToDateTime(s, d) ? d : Default;
}

void TCustomIniFile::WriteDateTime(const std::string& Section, const std::string& Ident,
                                   TDateTime Value) {
    WriteString(Section, Ident, FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", Value, IsoSettings()));
}

// ---------------------------------------------------------------------------
// TIniFile

TIniFile::TIniFile(const std::string& FileName) : TCustomIniFile(FileName) {}

TIniFile::~TIniFile() = default;

const TIniDocument& TIniFile::Current() {
    if (!FCache || !(FCache->Id == CurrentId(FileName()))) FCache = LoadDocument(FileName());
    return *FCache;
}

template <class F>
void TIniFile::Modify(F&& Change) {
    const std::string target = WriteTarget(FileName());
    TDirLock lock(DirName(target));
    std::unique_ptr<TIniDocument> doc = LoadDocument(target);
    FCache.reset();
    if (Change(*doc)) {
        AtomicWriteFile(target, doc->Serialize(), FileName());
        doc->Id = CurrentId(FileName());
    }
    FCache = std::move(doc);
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) {
    const TIniDocument::TLine* line = Current().Find(Section, Ident);
    return line ? ValueOf(*line) : Default;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) {
    // Bad names and values are refused before the file is touched.
    CheckSection(Section);
    CheckKey(Ident);
    EncodeValue(Value);
    Modify([&](TIniDocument& doc) { return doc.Write(Section, Ident, Value); });
}

void TIniFile::ReadSection(const std::string& Section, TStrings& Strings) {
    FillKeys(Current(), Section, Strings, false);
}

void TIniFile::ReadSections(TStrings& Strings) { FillSections(Current(), Strings); }

void TIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) {
    FillKeys(Current(), Section, Strings, true);
}

void TIniFile::EraseSection(const std::string& Section) {
    Modify([&](TIniDocument& doc) { return doc.EraseSection(Section); });
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
    Modify([&](TIniDocument& doc) { return doc.DeleteKey(Section, Ident); });
}

bool TIniFile::SectionExists(const std::string& Section) { return Current().SectionExists(Section); }

bool TIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
    return Current().Find(Section, Ident) != nullptr;
}

void TIniFile::UpdateFile() {}

// ---------------------------------------------------------------------------
// TMemIniFile

TMemIniFile::TMemIniFile(const std::string& FileName)
    : TCustomIniFile(FileName), FDoc(LoadDocument(FileName)) {}

TMemIniFile::~TMemIniFile() = default;

std::string TMemIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
    const TIniDocument::TLine* line = FDoc->Find(Section, Ident);
    return line ? ValueOf(*line) : Default;
}

void TMemIniFile::WriteString(const std::string& Section, const std::string& Ident,
                              const std::string& Value) {
    FDoc->Write(Section, Ident, Value);
}

void TMemIniFile::ReadSection(const std::string& Section, TStrings& Strings) {
    FillKeys(*FDoc, Section, Strings, false);
}

void TMemIniFile::ReadSections(TStrings& Strings) { FillSections(*FDoc, Strings); }

void TMemIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) {
    FillKeys(*FDoc, Section, Strings, true);
}

void TMemIniFile::EraseSection(const std::string& Section) { FDoc->EraseSection(Section); }

void TMemIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
    FDoc->DeleteKey(Section, Ident);
}

bool TMemIniFile::SectionExists(const std::string& Section) { return FDoc->SectionExists(Section); }

bool TMemIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
    return FDoc->Find(Section, Ident) != nullptr;
}

void TMemIniFile::UpdateFile() {
    const std::string target = WriteTarget(FileName());
    TDirLock lock(DirName(target));
    AtomicWriteFile(target, FDoc->Serialize(), FileName());
}

void TMemIniFile::Clear() { FDoc->Clear(); }

void TMemIniFile::GetStrings(TStrings& List) const { FDoc->GetLines(List); }

void TMemIniFile::SetStrings(const TStrings& List) { FDoc->SetLines(List); }

std::string TMemIniFile::Text() const { return FDoc->Serialize(); }

void TMemIniFile::SetText(const std::string& Content) { FDoc->Parse(Content); }

void TMemIniFile::Rename(const std::string& FileName, bool Reload) {
    if (Reload) FDoc = LoadDocument(FileName);
    SetFileNameInternal(FileName);
}

}  // namespace vcl
