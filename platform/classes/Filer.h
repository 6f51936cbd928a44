// Filer.h - form files: the text form format, its writer and its reader.
//
// A form file describes a root component, its published properties and the
// components it holds:
//
//     object Form1: TMyForm
//       Left = 10
//       Caption = 'It''s '#228'ber'
//       Ratio = 1.5
//       Visible = False
//       Options = [goA, goB]
//       Font.Name = 'Arial'
//       Items.Strings = (
//         'one'
//         'two')
//       Data = {
//         0A0B0C0D}
//       Source = Other1
//       object Child1: TChildClass
//         Left = 4
//       end
//     end
//
// Values:
//   integers      decimal; the reader also accepts $hex.
//   floats        the shortest text that reads back to the same bits in the
//                 property's float type (float, double, long double); INF,
//                 -INF and NAN as identifiers.  A float always shows a '.' or
//                 an exponent, so it cannot be mistaken for an integer.
//   strings       in single quotes, '' for a quote; characters below 32, DEL
//                 and every non-ASCII code point are written as #<code
//                 point>; long strings are split into pieces of about 64
//                 characters joined by '+' at the end of a line.  The reader
//                 also takes raw UTF-8 inside quotes, #$hex codes and UTF-16
//                 surrogate pairs (#55357#56832).  Bytes that are not valid
//                 UTF-8 are written raw inside the quotes, so they survive.
//   enumerations  the value's name; Boolean as False / True.
//   sets          [a, b]; the empty set [].
//   sub-objects   a persistent sub-object (a tkClass property that is not a
//                 reference) is written as its properties with a dotted
//                 prefix, recursively: Font.Name = 'Arial'.
//   string lists  Items.Strings = ( 'one' 'two' ), written only when the
//                 list is not empty.
//   binary data   { hex digits }, 32 bytes per line, from DefineBinaryProperty.
//   lists         ( value value ... ), from DefineProperty.
//   references    a component's name, or Owner.Name when the component is not
//                 owned by the root; nil clears a reference on reading.
//
// The writer writes a property when it is stored (IsStored) and differs from
// its declared default (a property without a default is always written);
// references only when set, string lists only when not empty, events never.
// After the published properties come the object's DefineProperties, then
// the children that GetChildren(…, Root) hands over, each as a nested
// object.  The output is deterministic, indented by two spaces per level,
// and is written to the stream only once it is complete.
//
// The reader sets the properties through their setters in file order.
// `object Name: TClass` (or `inherited` / `inline`) creates the child through
// the class registry (FindClass) with the root as owner, or reuses the
// component of that name the root already owns when its class is the same;
// a child that HasParent() gets SetParentComponent(enclosing object).  Every
// component read is marked SetLoading(true); references are fixed up once
// the whole file is read, then each component's Loaded() is called once, in
// reading order.  A name that is not a published property is offered to the
// object's DefineProperties.
//
// Errors: a damaged or hostile file raises EReadError "Line N: <what>"; an
// exception from a setter, a constructor, a DefineProperty reader or Loaded
// is wrapped as "Line N: Error reading Form1.Width: <message>".  Nesting of
// objects, sub-object paths and lists is limited to MaxFormNesting levels.
// On failure the components the read created are freed (the last created
// first) and the components that existed are left with csLoading/csReading
// cleared; the root handed to ReadComponent is never freed.  Property values
// already set are not rolled back.  Writing problems (an enumeration value
// without a name, a reference to an unnamed component, a DefineProperty
// writer that does not write exactly one value) raise EWriteError and leave
// the stream untouched.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Classes.h"

namespace vcl {

class TReader;
class TWriter;
class TStream;

// The deepest nesting of objects, sub-object paths and lists a form file may have.
constexpr int MaxFormNesting = 256;

using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;
using TStreamProc = std::function<void(TStream&)>;

// The kind of the next value in a form file (TReader::NextValue).
enum TValueType { vaNull, vaList, vaInt, vaFloat, vaString, vaIdent, vaFalse, vaTrue, vaBinary, vaSet, vaNil };

// Handed to TPersistent::DefineProperties: declares the properties an object
// streams by code of its own.
//   DefineProperty        the value is written by WriteData through the
//                         TWriter value methods (exactly one value, which may
//                         be a list) and read back by ReadData through the
//                         TReader value methods.
//   DefineBinaryProperty  WriteData writes bytes into a memory stream; ReadData
//                         gets a memory stream holding them, at position 0.
// HasData tells the writer whether to write the property at all; the reader
// ignores it.  The names must be identifiers.
class TFiler {
public:
    virtual ~TFiler();

    virtual void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                                bool HasData) = 0;
    virtual void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                                      bool HasData) = 0;

    // The root component being read or written.
    TComponent* Root() const { return FRoot; }

protected:
    TFiler() = default;
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;

    // Calls Obj.DefineProperties(Filer) for the reader and the writer.
    static void CallDefineProperties(TPersistent& Obj, TFiler& Filer) { Obj.DefineProperties(Filer); }

    TComponent* FRoot = nullptr;
};

// Writes form text.  Use WriteComponent / ComponentToString, or construct a
// writer over a stream and call WriteRootComponent.  The value methods are
// for DefineProperty writers only; elsewhere they raise EWriteError.
class TWriter : public TFiler {
public:
    explicit TWriter(TStream& Stream);
    ~TWriter() override;

    // Writes the whole form text of Root at the stream's position.
    void WriteRootComponent(TComponent* Root);

    void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                              bool HasData) override;

    void WriteInteger(int64_t Value);
    // The shortest text that reads back as the same value of type Type.
    void WriteFloat(long double Value, TFloatType Type = ftExtended);
    void WriteString(const std::string& Value);
    void WriteBoolean(bool Value);
    // An identifier (EWriteError when Value is not one).
    void WriteIdent(const std::string& Value);
    void WriteListBegin();
    void WriteListEnd();

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

// Reads form text.  Use ReadComponent / StringToComponent /
// ReadComponentCreate, or construct a reader over a stream (it reads from the
// stream's position to the end) and call one of the ReadRoot methods once.
// The value methods are for DefineProperty readers only; they raise
// EReadError "Line N: …" for a value of another kind.
class TReader : public TFiler {
public:
    explicit TReader(TStream& Stream);
    ~TReader() override;

    // Reads into an existing root.  The file's root class must be Root's
    // class or one of its ancestors; the root takes the file's name.
    void ReadRootComponent(TComponent* Root);
    // Creates the root by the file's class name, owned by Owner, and
    // returns it.
    TComponent* ReadRootComponentCreate(TComponent* Owner);

    void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                              bool HasData) override;

    // The kind of the next value without reading it (vaNull at a list's end).
    TValueType NextValue();
    // Integer values ($hex accepted); EReadError when the value does not fit.
    int32_t ReadInteger();
    int64_t ReadInt64();
    // Also takes integers, INF, -INF and NAN; the text is converted in Type.
    long double ReadFloat(TFloatType Type = ftExtended);
    std::string ReadString();
    bool ReadBoolean();
    std::string ReadIdent();
    void ReadListBegin();
    // True when the next token closes the current list.
    bool EndOfList();
    void ReadListEnd();
    // Skips one value of any kind.
    void SkipValue();

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

// Writes Root as form text to Stream at its position.
void WriteComponent(TStream& Stream, TComponent* Root);
std::string ComponentToString(TComponent* Root);
void WriteComponentToFile(const std::string& FileName, TComponent* Root);

// Reads the form text from Stream's position into Root (see TReader).
void ReadComponent(TStream& Stream, TComponent* Root);
void StringToComponent(const std::string& Text, TComponent* Root);
void ReadComponentFromFile(const std::string& FileName, TComponent* Root);
// Creates the root by the file's class name, owned by Owner (may be nullptr;
// the caller then owns the result).
TComponent* ReadComponentCreate(TStream& Stream, TComponent* Owner);

// Finding components that the root does not own, for references written as
// Owner.Name: the reader asks each registered function (last registered
// first) for a top-level component of that name when the root has none.
// Registration is thread-safe; a function may be called from any thread
// that reads a form.
using TFindGlobalComponent = TComponent* (*)(const std::string& Name);
void RegisterFindGlobalComponentProc(TFindGlobalComponent Proc);
void UnRegisterFindGlobalComponentProc(TFindGlobalComponent Proc);

}  // namespace vcl
