// Registry.h - the registry: a persistent hierarchical store of typed values,
// the Win32-style functions on it, and the classes TRegistry and TRegIniFile.
//
// Where it lives.  Each root key is one store file in the registry folder:
// SetRegistryRoot(path) when called, else $CORVANE_REGISTRY_DIR, else
// $XDG_CONFIG_HOME/corvane/registry, else ~/.config/corvane/registry.  The
// files are HKEY_CURRENT_USER.reg, HKEY_LOCAL_MACHINE.reg, HKEY_CLASSES_ROOT.reg,
// HKEY_USERS.reg and HKEY_CURRENT_CONFIG.reg, each with a lock file beside it
// (<root>.lock).  The folder is created (mode 0700) by the first write; a
// missing folder or store file is an empty store.
//
// The store file is text: a first line "CORVANE-REGISTRY 1 <generation>",
// comment lines starting with ';', then every key as "[path\to\key]" followed
// by its values, and a last line "end".  A value line is
//     "name"=sz:"text"        REG_SZ (the text without its closing NUL)
//     "name"=expand:"text"    REG_EXPAND_SZ
//     "name"=multi:"a","b"    REG_MULTI_SZ
//     "name"=dword:0000002a   REG_DWORD
//     "name"=qword:000000000000002a   REG_QWORD
//     "name"=hex:01,02,ff     REG_BINARY
//     "name"=hex(N):..        any other type N, or data that the forms above
//                             cannot give back byte for byte
// Quoted texts escape \\ \" \n \r \t and other control bytes as \xHH; all
// other bytes are written as they are.  A key may carry "!class=..." (the
// class given when it was created) and "!modified=<FILETIME ticks>".
//
// Durability and concurrency.  Every change (a value set or deleted, a key
// created or deleted) takes an exclusive lock on the lock file (flock),
// re-reads the store when another process changed it since, applies the
// change, writes the whole store to a temporary file in the same folder,
// flushes it to the disk (fsync), renames it over the store file and flushes
// the folder, then releases the lock.  Readers need no lock: they always open
// a complete file.  So a crash at any moment, or any number of processes and
// threads writing at once, never loses a value that a call reported as
// written and never leaves a half-written store.  Temporary files of a writer
// that died are removed by the next write.  Reads in one process are served
// from a copy in memory, checked against the file (identity and generation)
// on every call, so they always see the last completed write of any process.
// There is no write-behind: when a write call returns, the value is on the
// disk; RegFlushKey and TRegistry::LazyWrite have nothing left to do.
//
// A damaged store file (one that does not parse) is never emptied or written
// over: the call that meets it fails with ERROR_BADDB (TRegistry raises
// ERegistryException) with the text "Registry store <path> is damaged; kept
// as <path>.damaged-<timestamp>", the file is renamed to that name, and the
// calls after it see an empty store.  RegLastErrorMessage gives the text.
//
// Threads.  The functions may be called from any thread; a handle may be
// used by several threads.  A TRegistry object is used by one thread at a
// time.
//
// Names.  Key and value names compare case-insensitively (ASCII and the
// letters that AnsiUpperCase folds) and keep the case they were created with.
// A key name is 1 to 255 bytes without control characters; a path joins
// names with '\' (a trailing '\' is ignored, a leading one or an empty name
// inside is ERROR_BAD_PATHNAME); at most 512 levels.  A value name has at
// most 16383 bytes; "" (or a null pointer) is the key's default value.  All
// names and texts are UTF-8; every length the functions take or give counts
// bytes.  Sub-keys enumerate in case-insensitive name order, values in the
// order they were first set.
//
// Differences from the classic functions: there are no access control lists
// (any key of a store that the process can write may be changed or deleted;
// ERROR_ACCESS_DENIED comes from a handle opened without the needed access
// right, from a file system that refuses the write, and from RegDeleteKey on
// a key that has sub-keys); volatile keys (REG_OPTION_VOLATILE) are refused
// with ERROR_INVALID_PARAMETER; a handle keeps naming its path, so after its
// key is deleted the calls on it fail with ERROR_KEY_DELETED until a key of
// that path is created again.
#pragma once

#include <cstdint>
#include <string>

#include "Exceptions.h"
#include "System.h"
#include "TypInfo.h"
#include "Windows.h"

namespace vcl {

class TStrings;

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;

struct FILETIME {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t{0x80000000});
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t{0x80000001});
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t{0x80000002});
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(uintptr_t{0x80000003});
inline const HKEY HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(uintptr_t{0x80000005});

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_LITTLE_ENDIAN = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_LINK = 6;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;
constexpr DWORD REG_QWORD_LITTLE_ENDIAN = 11;

// Access rights of a key handle.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = 0x20019;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// RegCreateKeyEx options and dispositions.
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Results.
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_OUTOFMEMORY = 14;
constexpr LONG ERROR_BAD_PATHNAME = 161;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_BADDB = 1009;          // the store file is damaged
constexpr LONG ERROR_CANTREAD = 1012;       // the store file could not be read
constexpr LONG ERROR_CANTWRITE = 1013;      // the store file could not be written
constexpr LONG ERROR_KEY_DELETED = 1018;    // the key of the handle no longer exists

// Opens an existing key.  ulOptions must be 0.
LONG RegOpenKeyEx(HKEY hKey, const char* lpSubKey, DWORD ulOptions, REGSAM samDesired,
                  HKEY* phkResult);
// Opens a key, creating it (and the keys on its path) when missing; creating
// needs KEY_CREATE_SUB_KEY on hKey.  lpClass (may be null) is kept for a new
// key; lpSecurityAttributes is ignored; lpdwDisposition may be null.
LONG RegCreateKeyEx(HKEY hKey, const char* lpSubKey, DWORD Reserved, const char* lpClass,
                    DWORD dwOptions, REGSAM samDesired, const void* lpSecurityAttributes,
                    HKEY* phkResult, DWORD* lpdwDisposition);
LONG RegCloseKey(HKEY hKey);
// With lpData null, *lpcbData receives the size.  A buffer that is too small
// gives ERROR_MORE_DATA with the size needed in *lpcbData.
LONG RegQueryValueEx(HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType,
                     Byte* lpData, DWORD* lpcbData);
// Stores cbData bytes as they are (for REG_SZ the caller includes the NUL).
LONG RegSetValueEx(HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType,
                   const Byte* lpData, DWORD cbData);
LONG RegDeleteValue(HKEY hKey, const char* lpValueName);
// Deletes a key without sub-keys (ERROR_ACCESS_DENIED when it has some).
// lpSubKey "" deletes the key of hKey itself (not a root key).
LONG RegDeleteKey(HKEY hKey, const char* lpSubKey);
// Deletes a key with all its sub-keys; with lpSubKey null the values and
// sub-keys of hKey are deleted and the key stays.
LONG RegDeleteTree(HKEY hKey, const char* lpSubKey);
// The dwIndex-th sub-key.  *lpcchName: the buffer size in bytes on entry,
// the name's length without the NUL on return; ERROR_MORE_DATA when the
// name and its NUL do not fit (*lpcchName then gives the size needed, NUL
// included); ERROR_NO_MORE_ITEMS past the last one.  The class likewise.
LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD* lpReserved,
                  char* lpClass, DWORD* lpcchClass, FILETIME* lpftLastWriteTime);
// The dwIndex-th value; the name as RegEnumKeyEx gives it, the data as
// RegQueryValueEx does.
LONG RegEnumValue(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName,
                  DWORD* lpReserved, DWORD* lpType, Byte* lpData, DWORD* lpcbData);
// Counts and longest lengths (bytes, without NUL) of the sub-keys and values.
LONG RegQueryInfoKey(HKEY hKey, char* lpClass, DWORD* lpcchClass, DWORD* lpReserved,
                     DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen,
                     DWORD* lpcValues, DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen,
                     DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime);
// Every write is on the disk when it returns: only checks the handle.
LONG RegFlushKey(HKEY hKey);

// The explanation of the last failing registry call of this thread where the
// code alone does not tell it (a damaged store, a file that could not be
// read or written); "" after a call that succeeded.
std::string RegLastErrorMessage();

// The registry folder: SetRegistryRoot overrides the environment ("" goes
// back to it).  Change it before keys are opened: open handles then refer to
// the same paths in the new folder.
void SetRegistryRoot(const std::string& Path);
std::string RegistryRoot();

// For tests of crash safety: a function called at each stage of a store
// write ("locked", "temp-partial", "temp-written", "renamed", "done").  A
// test makes it kill the process to stand for a crash at that point.
using TRegistryFaultHook = void (*)(const char* Stage);
void SetRegistryFaultHook(TRegistryFaultHook Hook);

// ---------------------------------------------------------------------------
// TRegistry

VCL_DECLARE_EXCEPTION(ERegistryException, Exception)

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegKeyInfo {
    Integer NumSubKeys = 0;
    Integer MaxSubKeyLen = 0;
    Integer NumValues = 0;
    Integer MaxValueLen = 0;
    Integer MaxDataLen = 0;
    FILETIME FileTime;
};

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    Integer DataSize = 0;
};

// The registry through one current key.  A key name starting with '\' is
// taken from RootKey, any other from the current key (RootKey when none is
// open).  The value methods work on the current key.
//
// Reading a value that is missing raises ERegistryException "Failed to get
// data for '<name>'" (ReadString gives "" and ReadBinaryData 0 instead, as
// they always did); a value of another type raises "Invalid data type for
// '<name>'"; a write that fails raises "Failed to set data for '<name>'".
// Integers are REG_DWORD; booleans REG_DWORD 1/0; floating point values,
// dates and times the 8 bytes of a double as REG_BINARY.  ReadString takes
// REG_SZ and REG_EXPAND_SZ (not expanded) up to the first NUL; WriteString
// refuses a string holding a NUL ("Failed to set data").  A damaged store
// raises ERegistryException with the text described above from any method.
class TRegistry : public TObject {
    VCL_DECLARE_CLASS(TRegistry)

public:
    TRegistry();
    explicit TRegistry(REGSAM AAccess);
    ~TRegistry() override;

    HKEY RootKey() const { return FRootKey; }
    void SetRootKey(HKEY Value);  // closes the current key
    HKEY CurrentKey() const { return FCurrentKey; }
    // The path of the current key below RootKey, without a leading '\'.
    const std::string& CurrentPath() const { return FCurrentPath; }
    REGSAM Access() const { return FAccess; }
    void SetAccess(REGSAM Value) { FAccess = Value; }
    // Kept for compatibility: writes are always on the disk at once.
    bool LazyWrite() const { return FLazyWrite; }
    void SetLazyWrite(bool Value) { FLazyWrite = Value; }

    bool OpenKey(const std::string& Key, bool CanCreate);
    bool OpenKeyReadOnly(const std::string& Key);
    void CloseKey();
    // Creates Key (ERegistryException "Failed to create key <Key>" when it
    // cannot); the current key stays.
    bool CreateKey(const std::string& Key);
    // Deletes Key with all its sub-keys; false when it does not exist.
    bool DeleteKey(const std::string& Key);
    bool KeyExists(const std::string& Key);
    bool HasSubKeys();
    bool GetKeyInfo(TRegKeyInfo& Value);
    void GetKeyNames(TStrings& Strings);

    bool ValueExists(const std::string& Name);
    bool DeleteValue(const std::string& Name);
    // Renames a value; nothing happens when OldName is missing or NewName exists.
    void RenameValue(const std::string& OldName, const std::string& NewName);
    void GetValueNames(TStrings& Strings);
    bool GetDataInfo(const std::string& ValueName, TRegDataInfo& Value);
    TRegDataType GetDataType(const std::string& ValueName);  // rdUnknown when missing
    Integer GetDataSize(const std::string& ValueName);       // -1 when missing

    std::string ReadString(const std::string& Name);
    void WriteString(const std::string& Name, const std::string& Value);
    void WriteExpandString(const std::string& Name, const std::string& Value);
    Integer ReadInteger(const std::string& Name);
    void WriteInteger(const std::string& Name, Integer Value);
    bool ReadBool(const std::string& Name);
    void WriteBool(const std::string& Name, bool Value);
    double ReadFloat(const std::string& Name);
    void WriteFloat(const std::string& Name, double Value);
    TDateTime ReadDate(const std::string& Name);
    void WriteDate(const std::string& Name, TDateTime Value);
    TDateTime ReadTime(const std::string& Name);
    void WriteTime(const std::string& Name, TDateTime Value);
    TDateTime ReadDateTime(const std::string& Name);
    void WriteDateTime(const std::string& Name, TDateTime Value);
    // Copies a REG_BINARY value (or one of a type without its own reader)
    // into Buffer and returns its size; 0 when the value is missing.  A value
    // of another type or larger than BufSize raises "Invalid data type".
    Integer ReadBinaryData(const std::string& Name, void* Buffer, Integer BufSize);
    void WriteBinaryData(const std::string& Name, const void* Buffer, Integer BufSize);

protected:
    // The key a name is taken from: the current key for a relative name when
    // one is open, RootKey otherwise.
    HKEY GetBaseKey(bool Relative) const;
    // Makes Value (with Path) the current key, closing the old one.
    void ChangeKey(HKEY Value, const std::string& Path);

private:
    void ReadTyped(const std::string& Name, DWORD Type, void* Buffer, DWORD Size);
    void WriteTyped(const std::string& Name, DWORD Type, const void* Buffer, DWORD Size);

    HKEY FRootKey;
    HKEY FCurrentKey = nullptr;
    std::string FCurrentPath;
    REGSAM FAccess;
    bool FLazyWrite = true;
};

// Registry keys used like an INI file: the key FileName below
// HKEY_CURRENT_USER (created when missing) is the file, its sub-keys are the
// sections and their values the keys ("" names the key itself).  Strings,
// integers and booleans are stored as REG_SZ text (integers in decimal,
// booleans 1/0); reading takes REG_SZ text or a REG_DWORD.  A missing section
// or value reads as the default.
class TRegIniFile : public TRegistry {
    VCL_DECLARE_CLASS(TRegIniFile)

public:
    explicit TRegIniFile(const std::string& FileName);
    TRegIniFile(const std::string& FileName, REGSAM AAccess);

    const std::string& FileName() const { return FFileName; }

    using TRegistry::ReadBool;
    using TRegistry::ReadInteger;
    using TRegistry::ReadString;
    using TRegistry::WriteBool;
    using TRegistry::WriteInteger;
    using TRegistry::WriteString;
    using TRegistry::DeleteKey;

    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default);
    Integer ReadInteger(const std::string& Section, const std::string& Ident, Integer Default);
    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
    void WriteInteger(const std::string& Section, const std::string& Ident, Integer Value);
    void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
    // Each empties Strings first: the value names of Section, the sections,
    // and "name=value" for the values of Section.
    void ReadSection(const std::string& Section, TStrings& Strings);
    void ReadSections(TStrings& Strings);
    void ReadSectionValues(const std::string& Section, TStrings& Strings);
    void EraseSection(const std::string& Section);
    void DeleteKey(const std::string& Section, const std::string& Ident);

private:
    std::string FFileName;
};

}  // namespace vcl
