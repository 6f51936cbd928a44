// Tests of the registry store: typed values, keys, names, the classes, and
// what several processes, a killed writer and a damaged file do to it.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "DateTime.h"
#include "Lists.h"
#include "Registry.h"

using namespace vcl;
using namespace std::string_literals;

namespace {

std::string TempBase() {
    std::string base = "/tmp";
    if (const char* t = std::getenv("CORVANE_TEST_TMP"); t && *t) base = t;
    mkdir(base.c_str(), 0755);
    return base;
}

std::string MakeTempDir() {
    std::string templ = TempBase() + "/registry-XXXXXX";
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    return templ;
}

void RemoveTree(const std::string& Path) {
    if (DIR* d = opendir(Path.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            const std::string p = Path + "/" + name;
            struct stat st;
            if (lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                RemoveTree(p);
            else
                unlink(p.c_str());
        }
        closedir(d);
    }
    rmdir(Path.c_str());
}

std::string ReadFile(const std::string& Path) {
    std::ifstream f(Path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& Path, const std::string& Text) {
    std::ofstream f(Path, std::ios::binary | std::ios::trunc);
    f << Text;
}

std::vector<std::string> DirEntries(const std::string& Path) {
    std::vector<std::string> out;
    if (DIR* d = opendir(Path.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") out.push_back(name);
        }
        closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> ToVector(const TStrings& S) {
    std::vector<std::string> out;
    for (Integer i = 0; i < S.Count(); ++i) out.push_back(S.Strings(i));
    return out;
}

LONG SetValue(HKEY Key, const std::string& Name, DWORD Type, const std::string& Data) {
    return RegSetValueEx(Key, Name.c_str(), 0, Type, reinterpret_cast<const Byte*>(Data.data()),
                         static_cast<DWORD>(Data.size()));
}

// The type and data of a value, read with a size query first.
LONG GetValue(HKEY Key, const std::string& Name, DWORD& Type, std::string& Data) {
    DWORD size = 0;
    LONG rc = RegQueryValueEx(Key, Name.c_str(), nullptr, &Type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return rc;
    Data.assign(size, '\0');
    rc = RegQueryValueEx(Key, Name.c_str(), nullptr, &Type, reinterpret_cast<Byte*>(Data.data()), &size);
    Data.resize(size);
    return rc;
}

HKEY CreateKey(HKEY Root, const std::string& Path, REGSAM Access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyEx(Root, Path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access,
                                   nullptr, &key, nullptr);
    EXPECT_EQ(rc, ERROR_SUCCESS) << Path;
    return key;
}

// ---------------------------------------------------------------------------
// A child process started by exec (a fresh process that shares no memory
// with the test): the test program is run again with CORVANE_REGISTRY_CHILD
// set, and this environment does the child's work before any test runs.

const char kChildKey[] = "Software\\Corvane\\Child";

int ChildWrite() {
    TRegistry reg;
    if (!reg.OpenKey(kChildKey, true)) return 10;
    reg.WriteString("Text", "from the child");
    reg.WriteInteger("Number", -42);
    reg.WriteFloat("Float", 2.75);
    const Byte bytes[] = {0, 1, 2, 0xFF};
    reg.WriteBinaryData("Bytes", bytes, sizeof bytes);
    return 0;
}

int ChildVerify() {
    TRegistry reg(KEY_READ);
    if (!reg.OpenKeyReadOnly(kChildKey)) return 20;
    if (reg.ReadString("Parent") != "written by the parent") return 21;
    if (reg.ReadInteger("ParentNumber") != 7) return 22;
    return 0;
}

class TChildEnvironment : public ::testing::Environment {
public:
    TChildEnvironment() {
        // No test of this program may reach the user's real registry folder.
        if (!std::getenv("CORVANE_REGISTRY_DIR"))
            setenv("CORVANE_REGISTRY_DIR", (TempBase() + "/registry-default").c_str(), 1);
    }
    void SetUp() override {
        const char* what = std::getenv("CORVANE_REGISTRY_CHILD");
        if (!what) return;
        int rc = 99;
        try {
            if (std::strcmp(what, "write") == 0) rc = ChildWrite();
            if (std::strcmp(what, "verify") == 0) rc = ChildVerify();
        } catch (const std::exception&) {
            rc = 98;
        }
        _exit(rc);
    }
};

const auto* const gChildEnvironment = ::testing::AddGlobalTestEnvironment(new TChildEnvironment);

// Runs this program again as a child doing What, with the registry in Dir
// (given through CORVANE_REGISTRY_DIR).  Returns its exit code.
int RunChild(const char* What, const std::string& Dir) {
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        setenv("CORVANE_REGISTRY_CHILD", What, 1);
        setenv("CORVANE_REGISTRY_DIR", Dir.c_str(), 1);
        if (const int devnull = open("/dev/null", O_WRONLY); devnull >= 0) dup2(devnull, 1);
        execl("/proc/self/exe", "registry-child", "--gtest_filter=RegistryTest.*", nullptr);
        _exit(97);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -2;
    return WEXITSTATUS(status);
}

// ---------------------------------------------------------------------------

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = MakeTempDir();
        SetRegistryRoot(FDir);
    }
    void TearDown() override {
        SetRegistryFaultHook(nullptr);
        // Never the user's real folder, also not for tests that come later.
        SetRegistryRoot(TempBase() + "/registry-unused");
        RemoveTree(FDir);
    }
    // Forgets the copy in memory: the next call reads the file again.
    void Reopen() { SetRegistryRoot(FDir); }
    std::string StoreFile(const char* Root = "HKEY_CURRENT_USER") const {
        return FDir + "/" + Root + ".reg";
    }

    std::string FDir;
};

TEST_F(RegistryTest, TypedValuesRoundTripThroughTheFile) {
    struct TCase {
        std::string Name;
        DWORD Type;
        std::string Data;
    };
    std::string allBytes;
    for (int i = 0; i < 256; ++i) allBytes += static_cast<char>(i);
    const std::vector<TCase> cases = {
        {"Text", REG_SZ, "hello, world\0"s},
        {"Quotes \"and\" \\slashes\\", REG_SZ, "C:\\Path \"q\"\n\ttab\0"s},
        {"Unicode Größe", REG_SZ, "Grüße \xE2\x86\x92\0"s},
        {"No NUL", REG_SZ, "unterminated"},
        {"Inner NUL", REG_SZ, "a\0b\0"s},
        {"Expand", REG_EXPAND_SZ, "%HOME%\\dir\0"s},
        {"Dword", REG_DWORD, "\x2A\x00\x00\x80"s},
        {"Short dword", REG_DWORD, "\x01\x02"s},
        {"Qword", REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x88"s},
        {"Binary", REG_BINARY, allBytes},
        {"Empty binary", REG_BINARY, ""},
        {"Multi", REG_MULTI_SZ, "one\0two words\0\0"s},
        {"Multi empty", REG_MULTI_SZ, "\0"s},
        {"Multi odd", REG_MULTI_SZ, "a\0\0b\0\0"s},
        {"None", REG_NONE, "\x01"},
        {"Custom type", 0x12345, "xyz"},
        {"", REG_SZ, "the default value\0"s},
        {"line\nbreak in name", REG_DWORD, "\0\0\0\0"s},
    };
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Software\\Corvane\\Types");
    for (const TCase& c : cases) ASSERT_EQ(SetValue(key, c.Name, c.Type, c.Data), ERROR_SUCCESS) << c.Name;
    RegCloseKey(key);
    Reopen();
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Corvane\\Types", 0, KEY_READ, &key), ERROR_SUCCESS);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        DWORD type = 0;
        std::string data;
        ASSERT_EQ(GetValue(key, c.Name, type, data), ERROR_SUCCESS);
        EXPECT_EQ(type, c.Type);
        EXPECT_EQ(data, c.Data);
    }
    RegCloseKey(key);

    const std::string text = ReadFile(StoreFile());
    EXPECT_EQ(text.rfind("CORVANE-REGISTRY 1 ", 0), 0u);
    for (const char* line : {"[Software\\Corvane\\Types]\n", "\"Text\"=sz:\"hello, world\"\n",
                             "\"Dword\"=dword:8000002a\n", "\"Qword\"=qword:8807060504030201\n",
                             "\"Expand\"=expand:\"%HOME%\\\\dir\"\n",
                             "\"Multi\"=multi:\"one\",\"two words\"\n", "\"Empty binary\"=hex:\n",
                             "\"Custom type\"=hex(74565):78,79,7a\n", "\"No NUL\"=hex(1):",
                             "\"line\\nbreak in name\"=dword:00000000\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.substr(text.size() - 4), "end\n");
}

TEST_F(RegistryTest, QueryBufferRules) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Buffers");
    ASSERT_EQ(SetValue(key, "v", REG_BINARY, "12345"), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "V", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(size, 5u);
    Byte buf[8] = {};
    size = 4;
    EXPECT_EQ(RegQueryValueEx(key, "v", nullptr, nullptr, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    size = 5;
    EXPECT_EQ(RegQueryValueEx(key, "v", nullptr, nullptr, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), size), "12345");
    EXPECT_EQ(RegQueryValueEx(key, "v", nullptr, nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueEx(key, "missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueEx(key, nullptr, nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(SetValue(key, "", REG_SZ, std::string("d\0", 2)), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(key, nullptr, nullptr, &type, nullptr, &size), ERROR_SUCCESS);  // default value
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(RegSetValueEx(key, "x", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueEx(key, std::string(16384, 'n').c_str(), 0, REG_BINARY, buf, 1),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteValue(key, "v"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(key, "v"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryTest, KeysCreateEnumerateDelete) {
    DWORD disposition = 0;
    HKEY app = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Vendor\\App\\", 0, "AppClass",
                             REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &app, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    HKEY again = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "software\\VENDOR\\app", 0, nullptr, 0, KEY_READ,
                             nullptr, &again, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_NE(again, app);  // a handle of its own
    RegCloseKey(again);

    for (const char* sub : {"zeta", "Alpha", "beta", "Gamma"}) RegCloseKey(CreateKey(app, sub));
    ASSERT_EQ(SetValue(app, "second", REG_DWORD, std::string(4, '\0')), ERROR_SUCCESS);
    ASSERT_EQ(SetValue(app, "first", REG_SZ, std::string("x\0", 2)), ERROR_SUCCESS);

    std::vector<std::string> keys;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        FILETIME ft;
        const LONG rc = RegEnumKeyEx(app, i, name, &size, nullptr, nullptr, nullptr, &ft);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        EXPECT_EQ(size, std::strlen(name));
        EXPECT_GT(ft.dwHighDateTime, 0x01D00000u);  // some time after 2014
        keys.push_back(name);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"Alpha", "beta", "Gamma", "zeta"}));
    DWORD small = 4;
    EXPECT_EQ(RegEnumKeyEx(app, 0, name, &small, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(small, 6u);

    std::vector<std::string> values;
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name, type = 0;
        const LONG rc = RegEnumValue(app, i, name, &size, nullptr, &type, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        values.push_back(name);
    }
    EXPECT_EQ(values, (std::vector<std::string>{"second", "first"}));  // the order they were set

    DWORD subKeys = 0, maxSubKey = 0, count = 0, maxName = 0, maxData = 0;
    ASSERT_EQ(RegQueryInfoKey(app, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &count,
                              &maxName, &maxData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 4u);
    EXPECT_EQ(maxSubKey, 5u);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(maxName, 6u);
    EXPECT_EQ(maxData, 4u);
    char cls[32];
    DWORD clsSize = sizeof cls;
    ASSERT_EQ(RegQueryInfoKey(app, cls, &clsSize, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(cls, "AppClass");

    // A key with sub-keys is deleted only as a tree.
    HKEY vendor = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Vendor", 0, KEY_ALL_ACCESS, &vendor), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(vendor, "App"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(app, "alpha"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(app, "alpha"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTree(vendor, "APP"), ERROR_SUCCESS);
    // The handle of a deleted key says so.
    EXPECT_EQ(SetValue(app, "v", REG_DWORD, std::string(4, '\0')), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryInfoKey(app, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    HKEY gone = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Vendor\\App\\Gamma", 0, KEY_READ, &gone),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(gone, nullptr);
    Reopen();
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Vendor\\App", 0, KEY_READ, &gone),
              ERROR_FILE_NOT_FOUND);
    // RegDeleteTree without a name empties the key and keeps it.
    RegCloseKey(CreateKey(vendor, "Sub\\Deeper"));
    ASSERT_EQ(SetValue(vendor, "v", REG_BINARY, "1"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTree(vendor, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegQueryInfoKey(vendor, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &count,
                              nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys + count, 0u);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);  // a root stays
    RegCloseKey(vendor);
    RegCloseKey(app);
}

TEST_F(RegistryTest, NamesAreCaseInsensitiveAndKeepTheirCase) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Software\\MyApp\\Äpfel");
    ASSERT_EQ(SetValue(key, "Width", REG_DWORD, std::string("\x01\0\0\0", 4)), ERROR_SUCCESS);
    ASSERT_EQ(SetValue(key, "WIDTH", REG_DWORD, std::string("\x02\0\0\0", 4)), ERROR_SUCCESS);
    RegCloseKey(key);
    Reopen();
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\myapp\\äPFEL", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type;
    std::string data;
    ASSERT_EQ(GetValue(key, "width", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, std::string("\x02\0\0\0", 4));
    char name[64];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumValue(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Width");
    EXPECT_EQ(RegEnumValue(key, 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\software", false));
    TStringList names;
    reg.GetKeyNames(names);
    EXPECT_EQ(ToVector(names), std::vector<std::string>{"MyApp"});
}

TEST_F(RegistryTest, BadArgumentsAndAccess) {
    HKEY key = nullptr;
    struct TPathCase {
        const char* Path;
        LONG Expected;
    };
    for (const TPathCase& c : std::vector<TPathCase>{
             {"\\Leading", ERROR_BAD_PATHNAME},
             {"a\\\\b", ERROR_BAD_PATHNAME},
             {"ctrl\x01name", ERROR_INVALID_PARAMETER},
             {"x\x7f", ERROR_INVALID_PARAMETER}}) {
        SCOPED_TRACE(c.Path);
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, c.Path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 &key, nullptr),
                  c.Expected);
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, c.Path, 0, KEY_READ, &key), c.Expected);
    }
    const std::string longName(256, 'k');
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, longName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    std::string deep;
    for (int i = 0; i < 513; ++i) deep += "d\\";
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, deep.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Volatile", 0, nullptr, REG_OPTION_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "x", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);

    const HKEY bogus = reinterpret_cast<HKEY>(uintptr_t{0x4242});
    EXPECT_EQ(RegOpenKeyEx(bogus, "x", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetValue(bogus, "v", REG_BINARY, "1"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegFlushKey(bogus), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegFlushKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyEx(reinterpret_cast<HKEY>(uintptr_t{0x80000004}), "", 0, KEY_READ, &key),
              ERROR_INVALID_HANDLE);

    HKEY full = CreateKey(HKEY_CURRENT_USER, "Access");
    RegCloseKey(full);
    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Access", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
    EXPECT_EQ(SetValue(readOnly, "v", REG_BINARY, "1"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValue(readOnly, "v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyEx(readOnly, "NewSub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_ACCESS_DENIED);
    HKEY writeOnly = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Access", 0, KEY_SET_VALUE, &writeOnly), ERROR_SUCCESS);
    EXPECT_EQ(SetValue(writeOnly, "v", REG_BINARY, "1"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueEx(writeOnly, "v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegQueryValueEx(readOnly, "v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(readOnly), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(readOnly), ERROR_INVALID_HANDLE);
    RegCloseKey(writeOnly);
}

TEST_F(RegistryTest, RootKeysAreSeparateStores) {
    const std::vector<HKEY> roots = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT,
                                     HKEY_USERS, HKEY_CURRENT_CONFIG};
    for (size_t i = 0; i < roots.size(); ++i) {
        HKEY key = CreateKey(roots[i], "Same\\Path");
        ASSERT_EQ(SetValue(key, "root", REG_BINARY, std::string(1, static_cast<char>(i))), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    Reopen();
    for (size_t i = 0; i < roots.size(); ++i) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyEx(roots[i], "Same\\Path", 0, KEY_READ, &key), ERROR_SUCCESS);
        DWORD type;
        std::string data;
        ASSERT_EQ(GetValue(key, "root", type, data), ERROR_SUCCESS);
        EXPECT_EQ(data, std::string(1, static_cast<char>(i)));
        RegCloseKey(key);
    }
    const std::vector<std::string> files = DirEntries(FDir);
    for (const char* f : {"HKEY_CLASSES_ROOT.reg", "HKEY_CURRENT_CONFIG.reg", "HKEY_CURRENT_USER.reg",
                          "HKEY_LOCAL_MACHINE.reg", "HKEY_USERS.reg"})
        EXPECT_NE(std::find(files.begin(), files.end(), f), files.end()) << f;
}

TEST_F(RegistryTest, HandEditedStoreIsRead) {
    WriteFile(StoreFile(),
              "CORVANE-REGISTRY 1 5\r\n"
              "; edited by hand\r\n"
              "\r\n"
              "[Software\\Hand]\r\n"
              "\"Name\"=sz:\"tab\\there \\x41\"\r\n"
              "\"Count\"=dword:0000000A\r\n"
              "[Software\\Hand\\Implicit\\Parents]\r\n"
              "end\r\n"
              "\r\n");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Hand", false));
    EXPECT_EQ(reg.ReadString("Name"), "tab\there A");
    EXPECT_EQ(reg.ReadInteger("Count"), 10);
    EXPECT_TRUE(reg.KeyExists("Implicit\\Parents"));
    // A write goes on from the generation in the file.
    reg.WriteInteger("Count", 11);
    EXPECT_EQ(ReadFile(StoreFile()).rfind("CORVANE-REGISTRY 1 6\n", 0), 0u);
}

// ---------------------------------------------------------------------------
// TRegistry

TEST_F(RegistryTest, TRegistryKeysAndPaths) {
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey("Software\\Missing", false));
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Corvane", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Corvane");
    ASSERT_TRUE(reg.OpenKey("Settings\\", true));  // relative to the current key
    EXPECT_EQ(reg.CurrentPath(), "Software\\Corvane\\Settings");
    EXPECT_TRUE(reg.CreateKey("Child"));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Corvane\\Settings");
    EXPECT_TRUE(reg.HasSubKeys());
    EXPECT_TRUE(reg.KeyExists("child"));
    EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\corvane"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\Settings"));
    TRegKeyInfo info;
    ASSERT_TRUE(reg.GetKeyInfo(info));
    EXPECT_EQ(info.NumSubKeys, 1);

    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    TStringList names;
    reg.GetKeyNames(names);
    EXPECT_EQ(ToVector(names), std::vector<std::string>{"Corvane"});
    EXPECT_TRUE(reg.DeleteKey("Corvane"));  // with its sub-keys
    EXPECT_FALSE(reg.DeleteKey("Corvane"));
    EXPECT_FALSE(reg.HasSubKeys());

    reg.CloseKey();
    EXPECT_EQ(reg.CurrentPath(), "");
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.KeyExists("Software"));
    EXPECT_THROW(reg.CreateKey("\\Bad\\\\Path"), ERegistryException);
    try {
        reg.CreateKey("\\Bad\\\\Path");
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Failed to create key \\Bad\\\\Path");
    }
}

TEST_F(RegistryTest, TRegistryTypedValues) {
    const TDateTime stamp = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 10, 250);
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Software\\Typed", true));
        reg.WriteString("S", "text ünïcode");
        reg.WriteExpandString("E", "%PATH%");
        reg.WriteInteger("I", -123456789);
        reg.WriteBool("B", true);
        reg.WriteFloat("F", 1.0 / 3);
        reg.WriteDate("D", EncodeDate(2024, 2, 29));
        reg.WriteTime("T", EncodeTime(13, 45, 10, 250));
        reg.WriteDateTime("DT", stamp);
        const Byte bytes[] = {1, 2, 3, 0, 255};
        reg.WriteBinaryData("Bin", bytes, sizeof bytes);
    }
    Reopen();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\Typed"));
    EXPECT_EQ(reg.ReadString("s"), "text ünïcode");
    EXPECT_EQ(reg.ReadString("E"), "%PATH%");
    EXPECT_EQ(reg.ReadInteger("I"), -123456789);
    EXPECT_TRUE(reg.ReadBool("B"));
    EXPECT_EQ(reg.ReadFloat("F"), 1.0 / 3);
    EXPECT_EQ(reg.ReadDate("D"), EncodeDate(2024, 2, 29));
    EXPECT_EQ(reg.ReadTime("T"), EncodeTime(13, 45, 10, 250));
    EXPECT_EQ(reg.ReadDateTime("DT"), stamp);
    Byte buf[8] = {};
    EXPECT_EQ(reg.ReadBinaryData("Bin", buf, sizeof buf), 5);
    EXPECT_EQ(buf[4], 255);

    struct TTypeCase {
        const char* Name;
        TRegDataType Type;
        Integer Size;
    };
    for (const TTypeCase& c : std::vector<TTypeCase>{{"S", rdString, 15},
                                                     {"E", rdExpandString, 7},
                                                     {"I", rdInteger, 4},
                                                     {"F", rdBinary, 8},
                                                     {"Bin", rdBinary, 5},
                                                     {"missing", rdUnknown, -1}}) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(reg.GetDataType(c.Name), c.Type);
        EXPECT_EQ(reg.GetDataSize(c.Name), c.Size);
    }
    TStringList names;
    reg.GetValueNames(names);
    EXPECT_EQ(ToVector(names), (std::vector<std::string>{"S", "E", "I", "B", "F", "D", "T", "DT", "Bin"}));
    EXPECT_TRUE(reg.ValueExists("dt"));
    EXPECT_FALSE(reg.ValueExists("nope"));
}

TEST_F(RegistryTest, TRegistryErrorTexts) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Errors", true));
    reg.WriteString("Str", "12");
    reg.WriteInteger("Int", 5);
    const Byte big[16] = {};
    reg.WriteBinaryData("Big", big, sizeof big);
    struct TCase {
        const char* Name;
        std::function<void()> Call;
        std::string Message;
    };
    Byte buf[4];
    const std::vector<TCase> cases = {
        {"missing integer", [&] { reg.ReadInteger("None"); }, "Failed to get data for 'None'"},
        {"missing float", [&] { reg.ReadFloat("None"); }, "Failed to get data for 'None'"},
        {"missing bool", [&] { reg.ReadBool("None"); }, "Failed to get data for 'None'"},
        {"integer from string", [&] { reg.ReadInteger("Str"); }, "Invalid data type for 'Str'"},
        {"string from integer", [&] { reg.ReadString("Int"); }, "Invalid data type for 'Int'"},
        {"float from integer", [&] { reg.ReadFloat("Int"); }, "Invalid data type for 'Int'"},
        {"date from binary of 16", [&] { reg.ReadDate("Big"); }, "Invalid data type for 'Big'"},
        {"binary too large", [&] { reg.ReadBinaryData("Big", buf, sizeof buf); }, "Invalid data type for 'Big'"},
        {"binary from string", [&] { reg.ReadBinaryData("Str", buf, sizeof buf); }, "Invalid data type for 'Str'"},
        {"string holding NUL", [&] { reg.WriteString("Z", std::string("a\0b", 3)); }, "Failed to set data for 'Z'"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            c.Call();
            ADD_FAILURE() << "no exception";
        } catch (const ERegistryException& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
    }
    EXPECT_EQ(reg.ReadString("None"), "");  // a missing string reads as ""
    EXPECT_EQ(reg.ReadBinaryData("None", buf, sizeof buf), 0);

    TRegistry readOnly;
    ASSERT_TRUE(readOnly.OpenKeyReadOnly("Software\\Errors"));
    try {
        readOnly.WriteInteger("Int", 6);
        ADD_FAILURE() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Failed to set data for 'Int'");
    }
    EXPECT_EQ(readOnly.ReadInteger("Int"), 5);
    TRegistry closed;
    EXPECT_THROW(closed.WriteString("x", "y"), ERegistryException);  // no key open
}

TEST_F(RegistryTest, TRegistryRenameAndDeleteValues) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Rename", true));
    reg.WriteInteger("Old", 1);
    reg.WriteInteger("Other", 2);
    reg.RenameValue("Old", "New");
    EXPECT_FALSE(reg.ValueExists("Old"));
    EXPECT_EQ(reg.ReadInteger("new"), 1);
    reg.RenameValue("New", "Other");  // taken: nothing happens
    EXPECT_EQ(reg.ReadInteger("New"), 1);
    EXPECT_EQ(reg.ReadInteger("Other"), 2);
    reg.RenameValue("new", "NEW");  // a change of case only
    TStringList names;
    reg.GetValueNames(names);
    EXPECT_EQ(ToVector(names), (std::vector<std::string>{"NEW", "Other"}));
    EXPECT_TRUE(reg.DeleteValue("other"));
    EXPECT_FALSE(reg.DeleteValue("other"));
}

TEST_F(RegistryTest, TRegIniFileSectionsAndValues) {
    {
        TRegIniFile ini("Software\\Corvane\\IniLike");
        EXPECT_EQ(ini.FileName(), "Software\\Corvane\\IniLike");
        EXPECT_EQ(ini.CurrentPath(), "Software\\Corvane\\IniLike");
        ini.WriteString("Window", "Caption", "Main");
        ini.WriteInteger("Window", "Left", -15);
        ini.WriteBool("Window", "Maximized", true);
        ini.WriteString("Recent", "File1", "a.txt");
        ini.WriteString("", "TopLevel", "at the key itself");
    }
    Reopen();
    TRegIniFile ini("Software\\Corvane\\IniLike");
    EXPECT_EQ(ini.ReadString("window", "caption", "def"), "Main");
    EXPECT_EQ(ini.ReadInteger("Window", "Left", 0), -15);
    EXPECT_TRUE(ini.ReadBool("Window", "Maximized", false));
    EXPECT_EQ(ini.ReadString("Window", "Missing", "def"), "def");
    EXPECT_EQ(ini.ReadString("NoSection", "Caption", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("Window", "Caption", 77), 77);  // not a number
    EXPECT_EQ(ini.ReadString("", "TopLevel", ""), "at the key itself");
    // Stored as text, as an INI file would hold it.
    TRegistry raw;
    ASSERT_TRUE(raw.OpenKey("Software\\Corvane\\IniLike\\Window", false));
    EXPECT_EQ(raw.GetDataType("Left"), rdString);
    EXPECT_EQ(raw.ReadString("Left"), "-15");
    raw.WriteInteger("Dword", 99);  // a REG_DWORD reads too
    EXPECT_EQ(ini.ReadInteger("Window", "Dword", 0), 99);
    EXPECT_EQ(ini.ReadString("Window", "Dword", ""), "99");

    TStringList list;
    ini.ReadSections(list);
    EXPECT_EQ(ToVector(list), (std::vector<std::string>{"Recent", "Window"}));
    ini.ReadSection("Window", list);
    EXPECT_EQ(ToVector(list), (std::vector<std::string>{"Caption", "Left", "Maximized", "Dword"}));
    ini.ReadSectionValues("Window", list);
    EXPECT_EQ(ToVector(list), (std::vector<std::string>{"Caption=Main", "Left=-15", "Maximized=1", "Dword=99"}));
    ini.DeleteKey("Window", "Caption");
    EXPECT_EQ(ini.ReadString("Window", "Caption", "gone"), "gone");
    ini.EraseSection("Recent");
    ini.ReadSections(list);
    EXPECT_EQ(ToVector(list), std::vector<std::string>{"Window"});
    ini.ReadSection("Recent", list);
    EXPECT_EQ(list.Count(), 0);
}

// ---------------------------------------------------------------------------
// Processes, crashes, damage

TEST_F(RegistryTest, ValuesSurviveIntoOtherProcesses) {
    ASSERT_EQ(RunChild("write", FDir), 0);
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kChildKey, false));
        EXPECT_EQ(reg.ReadString("Text"), "from the child");
        EXPECT_EQ(reg.ReadInteger("Number"), -42);
        EXPECT_EQ(reg.ReadFloat("Float"), 2.75);
        Byte bytes[4];
        EXPECT_EQ(reg.ReadBinaryData("Bytes", bytes, sizeof bytes), 4);
        EXPECT_EQ(bytes[3], 0xFF);
        reg.WriteString("Parent", "written by the parent");
        reg.WriteInteger("ParentNumber", 7);
    }
    EXPECT_EQ(RunChild("verify", FDir), 0);
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
    constexpr int kProcs = 4, kWrites = 40;
    RegCloseKey(CreateKey(HKEY_CURRENT_USER, "Shared"));
    std::vector<pid_t> pids;
    for (int p = 0; p < kProcs; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int rc = 0;
            try {
                TRegistry reg;
                if (!reg.OpenKey("Shared", false)) _exit(1);
                for (int i = 0; i < kWrites && rc == 0; ++i) {
                    const std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
                    reg.WriteInteger(name, p * 1000 + i);
                    // The store parses after every write and holds what this
                    // process wrote so far.
                    TRegistry check(KEY_READ);
                    if (!check.OpenKeyReadOnly("Shared")) rc = 2;
                    for (int j = 0; j <= i && rc == 0; ++j)
                        if (check.ReadInteger("p" + std::to_string(p) + "_" + std::to_string(j)) != p * 1000 + j)
                            rc = 3;
                }
            } catch (...) {
                rc = 4;
            }
            _exit(rc);
        }
        pids.push_back(pid);
    }
    // Threads of this process write at the same time.
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([t] {
            TRegistry reg;
            if (!reg.OpenKey("Shared", false)) return;
            for (int i = 0; i < 10; ++i) reg.WriteInteger("t" + std::to_string(t) + "_" + std::to_string(i), i);
        });
    for (std::thread& t : threads) t.join();
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    Reopen();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("Shared"));
    TStringList names;
    reg.GetValueNames(names);
    EXPECT_EQ(names.Count(), kProcs * kWrites + 20);
    for (int p = 0; p < kProcs; ++p)
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(reg.ReadInteger("p" + std::to_string(p) + "_" + std::to_string(i)), p * 1000 + i);
    for (int t = 0; t < 2; ++t)
        for (int i = 0; i < 10; ++i) EXPECT_EQ(reg.ReadInteger("t" + std::to_string(t) + "_" + std::to_string(i)), i);
    // The final store is one complete file, no temporary file left behind.
    for (const std::string& f : DirEntries(FDir))
        EXPECT_TRUE(f == "HKEY_CURRENT_USER.reg" || f == "HKEY_CURRENT_USER.lock") << f;
}

// The data a killed writer writes into slot Index % kSlots at step Index.
constexpr int kSlots = 20;
std::string StepData(int Index) {
    std::string data(3000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((Index * 131 + i * 7) & 0xFF);
    return data;
}

TEST_F(RegistryTest, WriterKilledMidWayLeavesAValidStore) {
    TRegistry setup;
    ASSERT_TRUE(setup.OpenKey("Crash", true));
    setup.WriteString("Before", "kept");
    int ack[2];
    ASSERT_EQ(pipe(ack), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(ack[0]);
        TRegistry reg;
        if (!reg.OpenKey("Crash", false)) _exit(1);
        for (int i = 0;; ++i) {
            const std::string data = StepData(i);
            reg.WriteBinaryData("slot" + std::to_string(i % kSlots), data.data(), static_cast<Integer>(data.size()));
            if (write(ack[1], &i, sizeof i) != sizeof i) _exit(2);
        }
    }
    close(ack[1]);
    // Kill the writer after a number of completed writes, while it is in the next one.
    int last = -1;
    for (int n = 0; n < 60; ++n) ASSERT_EQ(read(ack[0], &last, sizeof last), static_cast<ssize_t>(sizeof last));
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(ack[0]);
    EXPECT_TRUE(WIFSIGNALED(status));

    Reopen();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Crash", false));  // the store parses
    EXPECT_EQ(reg.ReadString("Before"), "kept");
    // Every slot holds the last acknowledged write, or the one after it when
    // that finished before the kill.
    for (int s = 0; s < kSlots; ++s) {
        SCOPED_TRACE(s);
        std::string got(4000, '\0');
        const Integer size = reg.ReadBinaryData("slot" + std::to_string(s), got.data(), 4000);
        got.resize(static_cast<size_t>(size));
        int acked = last - ((last - s) % kSlots + kSlots) % kSlots;
        ASSERT_GE(acked, 0);
        const bool nextDone = (last + 1) % kSlots == s && got == StepData(last + 1);
        EXPECT_TRUE(got == StepData(acked) || nextDone);
    }
    // The next write clears what the killed writer left.
    reg.WriteInteger("After", 1);
    for (const std::string& f : DirEntries(FDir))
        EXPECT_TRUE(f == "HKEY_CURRENT_USER.reg" || f == "HKEY_CURRENT_USER.lock") << f;
}

const char* gCrashStage = nullptr;
void CrashAt(const char* Stage) {
    if (gCrashStage && std::strcmp(Stage, gCrashStage) == 0) raise(SIGKILL);
}

TEST_F(RegistryTest, CrashAtEveryStageOfAWrite) {
    struct TCase {
        const char* Stage;
        const char* Expected;  // the value after the crash
    };
    for (const TCase& c : std::vector<TCase>{{"locked", "old"},
                                             {"temp-partial", "old"},
                                             {"temp-written", "old"},
                                             {"renamed", "new"},
                                             {"done", "new"}}) {
        SCOPED_TRACE(c.Stage);
        {
            TRegistry reg;
            ASSERT_TRUE(reg.OpenKey("Stages", true));
            reg.WriteString("Value", "old");
            reg.WriteString("Other", "untouched");
        }
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            gCrashStage = c.Stage;
            SetRegistryFaultHook(CrashAt);
            TRegistry reg;
            if (reg.OpenKey("Stages", false)) reg.WriteString("Value", "new");
            _exit(0);  // not reached when the stage comes
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        Reopen();
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Stages", false));
        EXPECT_EQ(reg.ReadString("Value"), c.Expected);
        EXPECT_EQ(reg.ReadString("Other"), "untouched");
        // A lock held by the dead writer went with it: writing goes on.
        reg.WriteString("Value", "again");
        EXPECT_EQ(reg.ReadString("Value"), "again");
        for (const std::string& f : DirEntries(FDir))
            EXPECT_TRUE(f == "HKEY_CURRENT_USER.reg" || f == "HKEY_CURRENT_USER.lock") << f;
    }
}

TEST_F(RegistryTest, DamagedStoreIsMovedAsideAndReported) {
    const std::string good =
        "CORVANE-REGISTRY 1 3\n[Software]\n\"v\"=dword:00000001\nend\n";
    struct TCase {
        const char* Name;
        std::string Text;
    };
    const std::vector<TCase> cases = {
        {"not a store", "hello world\n"},
        {"empty file", ""},
        {"end line missing", "CORVANE-REGISTRY 1 3\n[Software]\n\"v\"=dword:00000001\n"},
        {"last line cut", "CORVANE-REGISTRY 1 3\n[Software]\n\"v\"=dword:000"},
        {"bad dword", "CORVANE-REGISTRY 1 3\n[Software]\n\"v\"=dword:0001\nend\n"},
        {"bad hex", "CORVANE-REGISTRY 1 3\n[Software]\n\"v\"=hex:0g\nend\n"},
        {"open quote", "CORVANE-REGISTRY 1 3\n[Software]\n\"v=sz:\"x\"\nend\n"},
        {"bad escape", "CORVANE-REGISTRY 1 3\n[Software]\n\"v\"=sz:\"\\q\"\nend\n"},
        {"value before key", "CORVANE-REGISTRY 1 3\n\"v\"=dword:00000001\nend\n"},
        {"empty key name", "CORVANE-REGISTRY 1 3\n[Software\\\\x]\nend\n"},
        {"text after end", good + "[More]\n"},
        {"unknown line", "CORVANE-REGISTRY 1 3\n[Software]\nv=1\nend\n"},
    };
    int index = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string dir = FDir + "/d" + std::to_string(index++);
        mkdir(dir.c_str(), 0700);
        SetRegistryRoot(dir);
        const std::string store = dir + "/HKEY_CURRENT_USER.reg";
        WriteFile(store, c.Text);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_BADDB);
        const std::string message = RegLastErrorMessage();
        const std::string prefix = "Registry store " + store + " is damaged; kept as " + store + ".damaged-";
        ASSERT_EQ(message.rfind(prefix, 0), 0u) << message;
        const std::string aside = message.substr(message.find("kept as ") + 8);
        EXPECT_EQ(ReadFile(aside), c.Text);  // kept as it was
        struct stat st;
        EXPECT_NE(stat(store.c_str(), &st), 0);  // and no longer in the way
        // The calls after it see an empty store and can write again.
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(RegLastErrorMessage(), "");
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Software", true));
        reg.WriteInteger("v", 2);
        EXPECT_EQ(ReadFile(aside), c.Text);
    }
    // TRegistry raises, and a write never replaces a damaged store.
    SetRegistryRoot(FDir);
    WriteFile(StoreFile(), "garbage\n");
    TRegistry reg;
    try {
        reg.OpenKey("Software", true);
        ADD_FAILURE() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message().rfind("Registry store " + StoreFile() + " is damaged; kept as " + StoreFile() +
                                        ".damaged-",
                                    0),
                  0u)
            << e.Message();
    }
    std::vector<std::string> asides;
    for (const std::string& f : DirEntries(FDir))
        if (f.rfind("HKEY_CURRENT_USER.reg.damaged-", 0) == 0) asides.push_back(f);
    ASSERT_EQ(asides.size(), 1u);
    EXPECT_EQ(ReadFile(FDir + "/" + asides[0]), "garbage\n");
    // A second damaged file in the same second gets a name of its own.
    WriteFile(StoreFile(), "more garbage\n");
    EXPECT_THROW(reg.OpenKey("Software", true), ERegistryException);
    asides.clear();
    for (const std::string& f : DirEntries(FDir))
        if (f.rfind("HKEY_CURRENT_USER.reg.damaged-", 0) == 0) asides.push_back(f);
    EXPECT_EQ(asides.size(), 2u);
}

TEST_F(RegistryTest, RootFolderFromTheEnvironment) {
    SetRegistryRoot("");
    const std::string saved = std::getenv("CORVANE_REGISTRY_DIR") ? std::getenv("CORVANE_REGISTRY_DIR") : "";
    setenv("CORVANE_REGISTRY_DIR", (FDir + "/fromenv").c_str(), 1);
    EXPECT_EQ(RegistryRoot(), FDir + "/fromenv");
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Env", true));
        reg.WriteInteger("x", 1);
    }
    struct stat st;
    EXPECT_EQ(stat((FDir + "/fromenv/HKEY_CURRENT_USER.reg").c_str(), &st), 0);
    EXPECT_EQ(stat((FDir + "/fromenv").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    unsetenv("CORVANE_REGISTRY_DIR");
    const std::string savedXdg = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    setenv("XDG_CONFIG_HOME", (FDir + "/xdg").c_str(), 1);
    EXPECT_EQ(RegistryRoot(), FDir + "/xdg/corvane/registry");
    if (savedXdg.empty())
        unsetenv("XDG_CONFIG_HOME");
    else
        setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    if (!saved.empty()) setenv("CORVANE_REGISTRY_DIR", saved.c_str(), 1);
    SetRegistryRoot(FDir);
}

}  // namespace
