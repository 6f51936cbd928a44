// IniFiles.h - INI files: TCustomIniFile, TIniFile (every write goes to the
// file at once) and TMemIniFile (the file kept in memory).
//
// The profile rules, the same for both classes:
//   * A line "[name]" starts a section; the name is the text between '[' and
//     the first ']' (to the end of the line when there is no ']'), trimmed.
//   * Inside a section a line "key=value" splits at the FIRST '=': the value
//     may contain '='.  Key and value are trimmed of blanks and control
//     characters (bytes <= ' ').  A value enclosed in a matching pair of
//     double or single quotes loses that one outer pair when read ("'x'" reads
//     as x, "\"a\" b" keeps its quotes).  Nothing else of the value changes:
//     a ';' after a value is part of the value.
//   * A line whose first non-blank character is ';' or '#' is a comment; a
//     blank line is kept as it is.
//   * A non-comment line without '=' inside a section is a key with an empty
//     value: ReadSection lists it, ValueExists is true, ReadString gives ""
//     and ReadSectionValues gives "key=".  A line "=value" (no key) and lines
//     before the first section are kept in the file but never read.
//   * Section and key names compare case-insensitively (ASCII and the letters
//     that AnsiUpperCase folds); they keep the case they were written with.
//     The names passed to the methods are trimmed the same way.
//   * A section that appears more than once is one section: its keys are
//     looked up in the order of the file, and where the same key appears
//     more than once (in one or several occurrences of the section) the
//     first one wins.  ReadSection and ReadSectionValues list every key once,
//     in the order of its first appearance; EraseSection removes every
//     occurrence; DeleteKey removes every line of that key.
//   * Lines end with CR LF, LF or a lone CR; a UTF-8 byte order mark at the
//     start is skipped (and written back).  Bytes are kept as they are: no
//     encoding conversion, no limit on the size of a section or a value.
//   * A missing file reads as an empty file.  A file that exists but cannot
//     be read (permission, a directory) raises EIniFileException.
//
// Writing keeps the file as it was around the change: the order of the
// sections and keys, comments, blank lines and unknown lines stay, byte for
// byte.  A changed key is written as "<key as stored>=<value>" in its line; a
// new key goes after the last key of the (first occurrence of the) section,
// a new section to the end of the file after a blank line.  Lines are
// written with the line break that the file used first (LF for a new file),
// and the file always ends with a line break.  A value that reading would
// change (blanks at its ends, or enclosed in matching quotes) is written in
// double quotes, so WriteString/ReadString give back any value exactly.
// Names and values that no file could hold raise EIniFileException: a line
// break in a name or a value, a ']' in a section name, an empty key, a key
// containing '=' or starting with '[', ';' or '#'.
//
// A file is written atomically: the new text goes to a temporary file in the
// same directory, which is flushed to the disk (fsync) and renamed over the
// file; then the directory is flushed.  When anything fails the old file is
// left complete and EIniFileException "Unable to write to <file>: <reason>"
// is raised.  A symbolic link is followed (the file it points to is
// replaced), the permissions of an existing file are kept.
//
// An object is used by one thread at a time; several objects (in one or
// several processes) may work on the same file.
//
// Typed values: integers in decimal or hexadecimal ("$1F", "0x1F"); a value
// that is not a valid integer reads as the default.  Booleans are written as
// 1/0; reading, an empty value gives the default, an integer is true when it
// is not 0, "false", "no" and "off" (any case) are false and any other text
// is true.  Floating point values are written and read with '.' as the
// decimal separator whatever the locale settings (the shortest text that
// reads back as the same double); a bad number reads as the default.  Dates
// and times are written in ISO form ("2024-03-31", "13:45:10.250",
// "2024-03-31 13:45:10.250"); reading accepts that form and also the form of
// FormatSettings(); a bad value reads as the default.
#pragma once

#include <memory>
#include <string>

#include "Exceptions.h"
#include "System.h"
#include "TypInfo.h"

namespace vcl {

class TStrings;
class TIniDocument;  // the parsed file, IniFiles.cpp

VCL_DECLARE_EXCEPTION(EIniFileException, Exception)

// The abstract INI file: the typed reads and writes built on ReadString and
// WriteString.
class TCustomIniFile : public TObject {
    VCL_DECLARE_CLASS(TCustomIniFile)

public:
    explicit TCustomIniFile(const std::string& FileName) : FFileName(FileName) {}

    const std::string& FileName() const { return FFileName; }

    virtual bool SectionExists(const std::string& Section);
    virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                   const std::string& Default) = 0;
    virtual void WriteString(const std::string& Section, const std::string& Ident,
                             const std::string& Value) = 0;
    virtual Integer ReadInteger(const std::string& Section, const std::string& Ident,
                                Integer Default);
    virtual void WriteInteger(const std::string& Section, const std::string& Ident, Integer Value);
    virtual bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
    virtual void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
    virtual double ReadFloat(const std::string& Section, const std::string& Ident, double Default);
    virtual void WriteFloat(const std::string& Section, const std::string& Ident, double Value);
    virtual TDateTime ReadDate(const std::string& Section, const std::string& Ident,
                               TDateTime Default);
    virtual void WriteDate(const std::string& Section, const std::string& Ident, TDateTime Value);
    virtual TDateTime ReadTime(const std::string& Section, const std::string& Ident,
                               TDateTime Default);
    virtual void WriteTime(const std::string& Section, const std::string& Ident, TDateTime Value);
    virtual TDateTime ReadDateTime(const std::string& Section, const std::string& Ident,
                                   TDateTime Default);
    virtual void WriteDateTime(const std::string& Section, const std::string& Ident,
                               TDateTime Value);

    // Each of these empties Strings first.
    // The keys of Section.
    virtual void ReadSection(const std::string& Section, TStrings& Strings) = 0;
    // The section names, each once, in the order of the file.
    virtual void ReadSections(TStrings& Strings) = 0;
    // "key=value" for every key of Section (the values as ReadString gives them).
    virtual void ReadSectionValues(const std::string& Section, TStrings& Strings) = 0;

    virtual void EraseSection(const std::string& Section) = 0;
    virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
    virtual void UpdateFile() = 0;
    virtual bool ValueExists(const std::string& Section, const std::string& Ident);

protected:
    void SetFileNameInternal(const std::string& Value) { FFileName = Value; }

private:
    std::string FFileName;
};

// Every write rewrites the file at once (atomically, see above); every read
// sees the file as it is now.  Writes of TIniFile objects are serialised
// across processes by a lock on the file's directory, and each write applies
// its change to the file as it is at that moment, so two programs writing
// different keys of one file lose neither.
class TIniFile : public TCustomIniFile {
    VCL_DECLARE_CLASS(TIniFile)

public:
    explicit TIniFile(const std::string& FileName);
    ~TIniFile() override;

    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) override;
    void WriteString(const std::string& Section, const std::string& Ident,
                     const std::string& Value) override;
    void ReadSection(const std::string& Section, TStrings& Strings) override;
    void ReadSections(TStrings& Strings) override;
    void ReadSectionValues(const std::string& Section, TStrings& Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    bool SectionExists(const std::string& Section) override;
    bool ValueExists(const std::string& Section, const std::string& Ident) override;
    // Nothing to do: every write is already on the disk.
    void UpdateFile() override;

private:
    const TIniDocument& Current();
    template <class F>
    void Modify(F&& Change);

    std::unique_ptr<TIniDocument> FCache;  // the file as last read, with its identity
};

// Reads the file once; reads and writes work on the copy in memory and
// UpdateFile writes it (atomically).  Nothing is written by the destructor.
class TMemIniFile : public TCustomIniFile {
    VCL_DECLARE_CLASS(TMemIniFile)

public:
    explicit TMemIniFile(const std::string& FileName);
    ~TMemIniFile() override;

    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) override;
    void WriteString(const std::string& Section, const std::string& Ident,
                     const std::string& Value) override;
    void ReadSection(const std::string& Section, TStrings& Strings) override;
    void ReadSections(TStrings& Strings) override;
    void ReadSectionValues(const std::string& Section, TStrings& Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    bool SectionExists(const std::string& Section) override;
    bool ValueExists(const std::string& Section, const std::string& Ident) override;
    void UpdateFile() override;

    // Empties the copy in memory (the file is untouched until UpdateFile).
    void Clear();
    // The lines of the file as they would be written.
    void GetStrings(TStrings& List) const;
    // Replaces the copy in memory by these lines.
    void SetStrings(const TStrings& List);
    // The whole file as it would be written, and its replacement by a text
    // parsed exactly like a file (line breaks, byte order mark).
    std::string Text() const;
    void SetText(const std::string& Content);
    // Changes the file that UpdateFile writes; with Reload the copy in memory
    // is replaced by the new file's contents.
    void Rename(const std::string& FileName, bool Reload);

private:
    std::unique_ptr<TIniDocument> FDoc;
};

}  // namespace vcl
