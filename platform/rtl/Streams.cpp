#include "Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <system_error>

#include "Exceptions.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TStream, TObject)
VCL_IMPLEMENT_CLASS(TMemoryStream, TStream)
VCL_IMPLEMENT_CLASS(TStringStream, TStream)
VCL_IMPLEMENT_CLASS(THandleStream, TStream)
VCL_IMPLEMENT_CLASS(TFileStream, THandleStream)

namespace {

constexpr Int64 CopyChunk = 64 * 1024;
// The most a single read() or write() call is asked to move.
constexpr Int64 MaxIoChunk = Int64{1} << 30;

std::string SystemErrorText(int Error) { return std::generic_category().message(Error); }

[[noreturn]] void RaiseReadError() { throw EReadError("Stream read error"); }
[[noreturn]] void RaiseWriteError() { throw EWriteError("Stream write error"); }
[[noreturn]] void RaiseOutOfMemory() { throw EOutOfMemory("Out of memory while expanding a stream"); }

// The position that Seek(Offset, Origin) reaches from Current in a stream of
// Size bytes; EStreamError on overflow or a bad origin.
Int64 SeekTarget(Int64 Offset, TSeekOrigin Origin, Int64 Current, Int64 Size) {
    Int64 base;
    switch (Origin) {
        case soBeginning: base = 0; break;
        case soCurrent: base = Current; break;
        case soEnd: base = Size; break;
        default: throw EStreamError("Invalid seek origin (" + std::to_string(static_cast<int>(Origin)) + ")");
    }
    Int64 target;
    if (__builtin_add_overflow(base, Offset, &target)) throw EStreamError("Stream position overflow");
    return target;
}

// Writes Count bytes from Src into Data at Pos, growing Data (zero-filled) as
// needed.  Src may point into Data itself.
template <class Buffer>
void WriteInto(Buffer& Data, Int64 Pos, const void* Src, Int64 Count) {
    Int64 endPos;
    if (__builtin_add_overflow(Pos, Count, &endPos)) RaiseWriteError();
    try {
        const size_t pos = static_cast<size_t>(Pos);
        const size_t n = static_cast<size_t>(Count);
        const size_t end = static_cast<size_t>(endPos);
        if (end > Data.size()) {
            if (end > Data.capacity()) {
                // Build the grown buffer before the old one goes, so that Src
                // stays valid even when it points into Data.
                Buffer grown;
                grown.reserve(std::max(end, Data.capacity() + Data.capacity() / 2));
                grown.assign(Data.begin(), Data.end());
                grown.resize(end);
                std::memcpy(grown.data() + pos, Src, n);
                Data.swap(grown);
                return;
            }
            Data.resize(end);  // no reallocation: Src stays valid
        }
        std::memmove(Data.data() + pos, Src, n);
    } catch (const std::bad_alloc&) {
        RaiseOutOfMemory();
    } catch (const std::length_error&) {
        RaiseOutOfMemory();
    }
}

template <class Buffer>
void ResizeBuffer(Buffer& Data, Int64 NewSize) {
    try {
        Data.resize(static_cast<size_t>(NewSize));
    } catch (const std::bad_alloc&) {
        RaiseOutOfMemory();
    } catch (const std::length_error&) {
        RaiseOutOfMemory();
    }
}

void CheckSize(Int64 NewSize) {
    if (NewSize < 0) throw EStreamError("Invalid stream size (" + std::to_string(NewSize) + ")");
}

}  // namespace

// ---------------------------------------------------------------- TStream

void TStream::CheckPosition(Int64 NewPosition) {
    if (NewPosition < 0)
        throw EStreamError("Invalid stream position (" + std::to_string(NewPosition) + ")");
}

Int64 TStream::GetPosition() const { return const_cast<TStream*>(this)->Seek(0, soCurrent); }

Int64 TStream::GetSize() const {
    TStream* self = const_cast<TStream*>(this);
    const Int64 pos = self->Seek(0, soCurrent);
    const Int64 size = self->Seek(0, soEnd);
    self->Seek(pos, soBeginning);
    return size;
}

void TStream::SetSize(Int64) { throw EStreamError("The size of a " + ClassName() + " cannot be changed"); }

void TStream::ReadBuffer(void* Buffer, Int64 Count) {
    if (Count < 0) RaiseReadError();
    Byte* p = static_cast<Byte*>(Buffer);
    Int64 done = 0;
    while (done < Count) {
        const Int64 n = Read(p + done, Count - done);
        if (n <= 0) break;
        done += n;
    }
    if (done != Count) RaiseReadError();
}

void TStream::WriteBuffer(const void* Buffer, Int64 Count) {
    if (Count < 0) RaiseWriteError();
    const Byte* p = static_cast<const Byte*>(Buffer);
    Int64 done = 0;
    while (done < Count) {
        const Int64 n = Write(p + done, Count - done);
        if (n <= 0) break;
        done += n;
    }
    if (done != Count) RaiseWriteError();
}

Int64 TStream::CopyFrom(TStream& Source, Int64 Count) {
    if (Count < 0) RaiseReadError();
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.Size();
    }
    if (&Source == this) {
        // Reading and writing share one position: take the bytes first.
        std::vector<Byte> all;
        ResizeBuffer(all, Count);
        ReadBuffer(all.data(), Count);
        WriteBuffer(all.data(), Count);
        return Count;
    }
    std::vector<Byte> buffer(static_cast<size_t>(std::min(Count, CopyChunk)));
    Int64 left = Count;
    while (left > 0) {
        const Int64 n = std::min(left, CopyChunk);
        Source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return Count;
}

std::string TStream::ReadAll() {
    std::string result;
    try {
        const Int64 remaining = Size() - Position();
        if (remaining > 0) result.reserve(static_cast<size_t>(remaining));
    } catch (const EStreamError&) {
        // A stream that cannot seek (a pipe) is simply read until it ends.
    }
    for (;;) {
        const size_t old = result.size();
        const Int64 want = std::max<Int64>(CopyChunk, static_cast<Int64>(result.capacity() - old));
        result.resize(old + static_cast<size_t>(want));
        const Int64 n = Read(result.data() + old, want);
        result.resize(old + static_cast<size_t>(std::max<Int64>(n, 0)));
        if (n <= 0) break;
    }
    return result;
}

// ---------------------------------------------------------- TMemoryStream

Int64 TMemoryStream::Read(void* Buffer, Int64 Count) {
    const Int64 size = static_cast<Int64>(FData.size());
    if (Count <= 0 || FPosition >= size) return 0;
    const Int64 n = std::min(Count, size - FPosition);
    std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

Int64 TMemoryStream::Write(const void* Buffer, Int64 Count) {
    if (Count <= 0) return 0;
    WriteInto(FData, FPosition, Buffer, Count);
    FPosition += Count;
    return Count;
}

Int64 TMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin) {
    const Int64 target = SeekTarget(Offset, Origin, FPosition, static_cast<Int64>(FData.size()));
    CheckPosition(target);
    FPosition = target;
    return FPosition;
}

void TMemoryStream::SetSize(Int64 NewSize) {
    CheckSize(NewSize);
    ResizeBuffer(FData, NewSize);
    if (FPosition > NewSize) FPosition = NewSize;
}

void TMemoryStream::Clear() {
    std::vector<Byte>().swap(FData);
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
    Stream.SetPosition(0);
    const Int64 count = Stream.Size();
    std::vector<Byte> data;
    ResizeBuffer(data, count);
    Stream.ReadBuffer(data.data(), count);
    FData.swap(data);
    FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& Stream) const {
    if (FData.empty()) return;
    if (&Stream == this) {
        const std::vector<Byte> copy(FData);
        Stream.WriteBuffer(copy.data(), static_cast<Int64>(copy.size()));
    } else {
        Stream.WriteBuffer(FData.data(), static_cast<Int64>(FData.size()));
    }
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& FileName) const {
    TFileStream file(FileName, fmCreate);
    SaveToStream(file);
}

// ---------------------------------------------------------- TStringStream

TStringStream::TStringStream(std::string AString) : FDataString(std::move(AString)) {}

Int64 TStringStream::Read(void* Buffer, Int64 Count) {
    const Int64 size = static_cast<Int64>(FDataString.size());
    if (Count <= 0 || FPosition >= size) return 0;
    const Int64 n = std::min(Count, size - FPosition);
    std::memcpy(Buffer, FDataString.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

Int64 TStringStream::Write(const void* Buffer, Int64 Count) {
    if (Count <= 0) return 0;
    WriteInto(FDataString, FPosition, Buffer, Count);
    FPosition += Count;
    return Count;
}

Int64 TStringStream::Seek(Int64 Offset, TSeekOrigin Origin) {
    const Int64 size = static_cast<Int64>(FDataString.size());
    const Int64 target = SeekTarget(Offset, Origin, FPosition, size);
    CheckPosition(target);
    FPosition = std::min(target, size);
    return FPosition;
}

void TStringStream::SetSize(Int64 NewSize) {
    CheckSize(NewSize);
    ResizeBuffer(FDataString, NewSize);
    if (FPosition > NewSize) FPosition = NewSize;
}

std::string TStringStream::ReadString(Int64 Count) {
    const Int64 size = static_cast<Int64>(FDataString.size());
    if (Count <= 0 || FPosition >= size) return {};
    const Int64 n = std::min(Count, size - FPosition);
    std::string result = FDataString.substr(static_cast<size_t>(FPosition), static_cast<size_t>(n));
    FPosition += n;
    return result;
}

void TStringStream::WriteString(const std::string& AString) {
    WriteBuffer(AString.data(), static_cast<Int64>(AString.size()));
}

// ---------------------------------------------------------- THandleStream

Int64 THandleStream::Read(void* Buffer, Int64 Count) {
    if (Count <= 0) return 0;
    const size_t want = static_cast<size_t>(std::min(Count, MaxIoChunk));
    for (;;) {
        const ssize_t n = ::read(FHandle, Buffer, want);
        if (n >= 0) return n;
        if (errno != EINTR) throw EReadError("Stream read error. " + SystemErrorText(errno));
    }
}

Int64 THandleStream::Write(const void* Buffer, Int64 Count) {
    if (Count <= 0) return 0;
    const char* p = static_cast<const char*>(Buffer);
    Int64 done = 0;
    while (done < Count) {
        const size_t want = static_cast<size_t>(std::min(Count - done, MaxIoChunk));
        const ssize_t n = ::write(FHandle, p + done, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EWriteError("Stream write error. " + SystemErrorText(errno));
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

Int64 THandleStream::Seek(Int64 Offset, TSeekOrigin Origin) {
    Int64 current = 0;
    if (Origin == soCurrent) current = THandleStream::GetPosition();
    const Int64 target = SeekTarget(Offset, Origin, current, Origin == soEnd ? THandleStream::GetSize() : 0);
    CheckPosition(target);
    const off_t result = ::lseek(FHandle, static_cast<off_t>(target), SEEK_SET);
    if (result < 0) throw EStreamError("Stream seek error. " + SystemErrorText(errno));
    return result;
}

void THandleStream::SetSize(Int64 NewSize) {
    CheckSize(NewSize);
    Seek(NewSize, soBeginning);
    int rc;
    do {
        rc = ::ftruncate(FHandle, static_cast<off_t>(NewSize));
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) throw EStreamError("Stream size error. " + SystemErrorText(errno));
}

Int64 THandleStream::GetPosition() const {
    const off_t pos = ::lseek(FHandle, 0, SEEK_CUR);
    if (pos < 0) throw EStreamError("Stream seek error. " + SystemErrorText(errno));
    return pos;
}

Int64 THandleStream::GetSize() const {
    struct stat st;
    if (::fstat(FHandle, &st) < 0) throw EStreamError("Stream size error. " + SystemErrorText(errno));
    return st.st_size;
}

// ------------------------------------------------------------ TFileStream

namespace {

bool ValidShareMode(Word Mode) { return (Mode & 0x00F0) <= fmShareDenyNone; }

}  // namespace

TFileStream::TFileStream(const std::string& AFileName, Word Mode, Cardinal Rights)
    : THandleStream(-1), FFileName(AFileName) {
    const bool create = (Mode & fmCreate) == fmCreate;
    auto fail = [&](int Error) {
        const std::string reason = SystemErrorText(Error);
        if (create) throw EFCreateError("Cannot create file \"" + FFileName + "\". " + reason);
        throw EFOpenError("Cannot open file \"" + FFileName + "\". " + reason);
    };

    int flags = 0;
    bool valid = ValidShareMode(Mode) && (Mode & 0x000F & ~0x0003) == 0;
    if (create) {
        // The access mode bits are ignored: a created file is always open
        // for reading and writing.
        flags = O_RDWR | O_CREAT | O_TRUNC;
        valid = valid && (Mode & 0x0003) != 0x0003;
    } else {
        valid = valid && (Mode & 0xFF00) == 0;
        switch (Mode & 0x0003) {
            case fmOpenRead: flags = O_RDONLY; break;
            case fmOpenWrite: flags = O_WRONLY; break;
            case fmOpenReadWrite: flags = O_RDWR; break;
            default: valid = false; break;
        }
    }
    if (!valid) fail(EINVAL);

    int fd;
    do {
        fd = ::open(FFileName.c_str(), flags | O_CLOEXEC, static_cast<mode_t>(Rights));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) fail(errno);

    struct stat st;
    int error = 0;
    if (::fstat(fd, &st) < 0)
        error = errno;
    else if (S_ISDIR(st.st_mode))
        error = EISDIR;
    if (error != 0) {
        ::close(fd);
        fail(error);
    }
    FHandle = fd;
}

TFileStream::~TFileStream() {
    if (FHandle >= 0) ::close(FHandle);
}

}  // namespace vcl
