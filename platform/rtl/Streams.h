// Streams.h - byte streams: the abstract TStream, memory, string, handle and
// file streams.
#pragma once

#include <string>
#include <vector>

#include "System.h"
#include "TypInfo.h"

namespace vcl {

// Where Seek counts an offset from.
VCL_ENUM(TSeekOrigin, soBeginning, soCurrent, soEnd)

// File modes of TFileStream: one access mode, optionally or-ed with one share
// mode.  fmCreate creates the file (or empties an existing one) and opens it
// for reading and writing; it may be combined with a share mode as well.
//
// Linux has no mandatory sharing locks, so the share modes are accepted and
// have no effect: another process (or another stream in this one) can still
// open the file.
constexpr Word fmCreate = 0xFF00;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

// The abstract stream.  A descendant implements Read, Write and Seek; it
// overrides GetPosition and GetSize when it can answer them without seeking,
// and SetSize when it can change its size.
//
// Counts and positions are 64-bit.  Seeking to a position before the
// beginning raises EStreamError; whether a position past the end is allowed
// depends on the stream (memory and file streams allow it).
class TStream : public TObject {
    VCL_DECLARE_CLASS(TStream)

public:
    // Reads up to Count bytes into Buffer and returns the number read, 0 at
    // the end of the stream (or for Count <= 0).
    virtual Int64 Read(void* Buffer, Int64 Count) = 0;
    // Writes up to Count bytes from Buffer and returns the number written.
    virtual Int64 Write(const void* Buffer, Int64 Count) = 0;
    // Moves the position and returns the new position from the beginning.
    virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;

    Int64 Position() const { return GetPosition(); }
    void SetPosition(Int64 Pos) { Seek(Pos, soBeginning); }
    Int64 Size() const { return GetSize(); }
    // Changes the size.  The default raises EStreamError: the stream cannot
    // be resized.
    virtual void SetSize(Int64 NewSize);

    // Reads exactly Count bytes or raises EReadError ("Stream read error").
    void ReadBuffer(void* Buffer, Int64 Count);
    // Writes exactly Count bytes or raises EWriteError ("Stream write error").
    void WriteBuffer(const void* Buffer, Int64 Count);
    // Copies Count bytes from Source's position to this stream's position and
    // returns Count.  Count 0 copies the whole of Source from its beginning.
    // EReadError when Source holds fewer bytes.
    Int64 CopyFrom(TStream& Source, Int64 Count);
    // Reads everything from the position to the end.
    std::string ReadAll();

protected:
    // Const-callable queries behind Position() and Size().  The defaults
    // find the answers by seeking (and seek back for the size).
    virtual Int64 GetPosition() const;
    virtual Int64 GetSize() const;

    // Raises EStreamError for a position before the beginning.
    static void CheckPosition(Int64 NewPosition);
};

// A stream over a block of memory that grows as it is written.  Seeking past
// the end is allowed; writing there fills the gap with zero bytes, as does
// SetSize when it grows the stream.
class TMemoryStream : public TStream {
    VCL_DECLARE_CLASS(TMemoryStream)

public:
    TMemoryStream() = default;

    Int64 Read(void* Buffer, Int64 Count) override;
    Int64 Write(const void* Buffer, Int64 Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    // Keeps the position unless it lies past the new end, then it moves to
    // the end.  EOutOfMemory when the memory cannot be had.
    void SetSize(Int64 NewSize) override;

    // The bytes of the stream (Size() of them); nullptr may be returned for
    // an empty stream.  Valid until the size changes.
    void* Memory() { return FData.data(); }
    const void* Memory() const { return FData.data(); }

    // Empties the stream and frees its memory.
    void Clear();
    // Replaces the content with the whole of Stream (read from its
    // beginning) and rewinds.  The content is unchanged when reading fails.
    void LoadFromStream(TStream& Stream);
    // Writes the whole content to Stream at Stream's position.
    void SaveToStream(TStream& Stream) const;
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName) const;

protected:
    Int64 GetPosition() const override { return FPosition; }
    Int64 GetSize() const override { return static_cast<Int64>(FData.size()); }

private:
    std::vector<Byte> FData;
    Int64 FPosition = 0;
};

// A stream over a std::string.  Writing overwrites the bytes at the position
// and extends the string at its end; seeking past the end stops at the end.
class TStringStream : public TStream {
    VCL_DECLARE_CLASS(TStringStream)

public:
    explicit TStringStream(std::string AString = {});

    Int64 Read(void* Buffer, Int64 Count) override;
    Int64 Write(const void* Buffer, Int64 Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    void SetSize(Int64 NewSize) override;

    const std::string& DataString() const { return FDataString; }
    // Reads up to Count bytes from the position.
    std::string ReadString(Int64 Count);
    // Writes AString at the position.
    void WriteString(const std::string& AString);

protected:
    Int64 GetPosition() const override { return FPosition; }
    Int64 GetSize() const override { return static_cast<Int64>(FDataString.size()); }

private:
    std::string FDataString;
    Int64 FPosition = 0;
};

// A stream over an open POSIX file descriptor, which it does not own.
// Read and Write raise EReadError / EWriteError with the system's error text
// when the system call fails; short counts only mean the end of the file.
class THandleStream : public TStream {
    VCL_DECLARE_CLASS(THandleStream)

public:
    explicit THandleStream(int AHandle) : FHandle(AHandle) {}

    Int64 Read(void* Buffer, Int64 Count) override;
    Int64 Write(const void* Buffer, Int64 Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    // Truncates or extends the file (with zero bytes) and moves the position
    // to NewSize.
    void SetSize(Int64 NewSize) override;

    int Handle() const { return FHandle; }

protected:
    Int64 GetPosition() const override;
    Int64 GetSize() const override;

    int FHandle;
};

// A stream over a file that it opens and closes.  Mode is fmCreate or one of
// fmOpenRead, fmOpenWrite, fmOpenReadWrite, or-ed with a share mode (see
// above).  Rights are the permission bits of a created file (the umask
// applies).  Raises EFOpenError ("Cannot open file "name". <reason>") or
// EFCreateError ("Cannot create file "name". <reason>"); a directory cannot
// be opened.
class TFileStream : public THandleStream {
    VCL_DECLARE_CLASS(TFileStream)

public:
    TFileStream(const std::string& AFileName, Word Mode, Cardinal Rights = 0666);
    ~TFileStream() override;

    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
};

}  // namespace vcl
