// Tests of the byte streams (Streams.h).
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Exceptions.h"
#include "Streams.h"

using namespace vcl;

namespace {

// A private folder under $CORVANE_TEST_TMP (or /tmp), removed afterwards.
class StreamsTempDir : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = std::getenv("CORVANE_TEST_TMP");
        std::string root = (base && *base) ? base : "/tmp";
        std::filesystem::create_directories(root);
        std::string pattern = root + "/streams-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
        FDir = pattern;
    }
    void TearDown() override {
        if (!FDir.empty()) std::filesystem::remove_all(FDir);
    }
    std::string Path(const std::string& Name) const { return FDir + "/" + Name; }

    std::string FDir;
};

std::string Contents(const TMemoryStream& S) {
    return std::string(static_cast<const char*>(S.Memory()), static_cast<size_t>(S.Size()));
}

void WriteText(TStream& S, const std::string& Text) { S.WriteBuffer(Text.data(), static_cast<Int64>(Text.size())); }

std::string ReadText(TStream& S, Int64 Count) {
    std::string s(static_cast<size_t>(Count), '\0');
    s.resize(static_cast<size_t>(S.Read(s.data(), Count)));
    return s;
}

// A stream that moves at most one byte per call and answers Position and
// Size only through the default (seeking) queries of TStream.
class TTrickleStream : public TStream {
public:
    explicit TTrickleStream(std::string Data) : FData(std::move(Data)) {}
    Int64 Read(void* Buffer, Int64 Count) override {
        if (Count <= 0 || FPos >= static_cast<Int64>(FData.size())) return 0;
        static_cast<char*>(Buffer)[0] = FData[static_cast<size_t>(FPos++)];
        return 1;
    }
    Int64 Write(const void* Buffer, Int64 Count) override {
        if (Count <= 0) return 0;
        const char c = static_cast<const char*>(Buffer)[0];
        if (FPos < static_cast<Int64>(FData.size()))
            FData[static_cast<size_t>(FPos)] = c;
        else
            FData += c;
        ++FPos;
        return 1;
    }
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override {
        ++Seeks;
        const Int64 base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPos : static_cast<Int64>(FData.size());
        FPos = base + Offset;
        return FPos;
    }
    const std::string& Data() const { return FData; }
    int Seeks = 0;

private:
    std::string FData;
    Int64 FPos = 0;
};

}  // namespace

// ---------------------------------------------------------- TMemoryStream

TEST(TMemoryStreamTest, WriteReadAndPosition) {
    TMemoryStream s;
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(s.Write("hello world", 11), 11);
    EXPECT_EQ(s.Position(), 11);
    EXPECT_EQ(s.Size(), 11);
    EXPECT_EQ(s.Read(nullptr, 5), 0) << "nothing to read at the end";

    s.SetPosition(0);
    EXPECT_EQ(ReadText(s, 5), "hello");
    EXPECT_EQ(s.Position(), 5);
    EXPECT_EQ(ReadText(s, 100), " world") << "a read stops at the end";
    EXPECT_EQ(ReadText(s, 1), "");

    s.SetPosition(6);
    EXPECT_EQ(s.Write("W", 1), 1);
    EXPECT_EQ(Contents(s), "hello World");
    EXPECT_EQ(s.Size(), 11) << "overwriting inside does not grow";
    EXPECT_EQ(s.Read(nullptr, -3), 0);
    EXPECT_EQ(s.Write("x", 0), 0);
    EXPECT_EQ(s.Write("x", -1), 0);
    EXPECT_EQ(s.Position(), 7);
}

struct SeekCase {
    Int64 Offset;
    TSeekOrigin Origin;
    Int64 Expected;  // -1: EStreamError
};

TEST(TMemoryStreamTest, SeekOrigins) {
    const SeekCase cases[] = {
        {3, soBeginning, 3}, {0, soBeginning, 0},  {2, soCurrent, 6},   {-4, soCurrent, 0},
        {-3, soEnd, 7},      {0, soEnd, 10},       {5, soEnd, 15},      {100, soBeginning, 100},
        {-1, soBeginning, -1}, {-5, soCurrent, -1}, {-11, soEnd, -1},
    };
    for (const SeekCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Offset) + " from " + EnumInfoOf<TSeekOrigin>().NameOf(c.Origin));
        TMemoryStream s;
        WriteText(s, "0123456789");
        s.SetPosition(4);
        if (c.Expected < 0) {
            EXPECT_THROW(s.Seek(c.Offset, c.Origin), EStreamError);
            EXPECT_EQ(s.Position(), 4) << "a failed seek leaves the position";
        } else {
            EXPECT_EQ(s.Seek(c.Offset, c.Origin), c.Expected);
            EXPECT_EQ(s.Position(), c.Expected);
            EXPECT_EQ(s.Size(), 10) << "seeking never changes the size";
        }
    }
    TMemoryStream s;
    try {
        s.SetPosition(-2);
        FAIL() << "no exception";
    } catch (const EStreamError& e) {
        EXPECT_EQ(e.Message(), "Invalid stream position (-2)");
    }
    EXPECT_THROW(s.Seek(1, static_cast<TSeekOrigin>(7)), EStreamError);
    s.SetPosition(INT64_MAX);
    EXPECT_THROW(s.Seek(1, soCurrent), EStreamError) << "overflow";
    EXPECT_THROW(s.Write("x", 1), EWriteError) << "no room past the largest position";
}

TEST(TMemoryStreamTest, WritingPastTheEndFillsTheGapWithZeros) {
    TMemoryStream s;
    WriteText(s, "ab");
    s.Seek(3, soEnd);
    EXPECT_EQ(s.Size(), 2) << "seeking past the end alone does not grow";
    WriteText(s, "cd");
    EXPECT_EQ(s.Size(), 7);
    EXPECT_EQ(Contents(s), std::string("ab\0\0\0cd", 7));
}

TEST(TMemoryStreamTest, SetSize) {
    TMemoryStream s;
    WriteText(s, "abcdef");
    s.SetSize(10);
    EXPECT_EQ(s.Size(), 10);
    EXPECT_EQ(s.Position(), 6) << "growing keeps the position";
    EXPECT_EQ(Contents(s), std::string("abcdef\0\0\0\0", 10));

    s.SetSize(3);
    EXPECT_EQ(Contents(s), "abc");
    EXPECT_EQ(s.Position(), 3) << "a position past the new end moves to the end";
    s.SetPosition(1);
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 1);

    EXPECT_THROW(s.SetSize(-1), EStreamError);
    EXPECT_EQ(s.Size(), 2);

    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(TMemoryStreamTest, ReadBufferAndWriteBufferRaiseOnShortTransfers) {
    TMemoryStream s;
    WriteText(s, "abc");
    s.SetPosition(1);
    char buf[8] = {};
    try {
        s.ReadBuffer(buf, 3);
        FAIL() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }
    s.SetPosition(1);
    s.ReadBuffer(buf, 2);
    EXPECT_EQ(std::string(buf, 2), "bc");
    s.ReadBuffer(buf, 0);  // nothing asked, nothing missing

    EXPECT_THROW(s.ReadBuffer(buf, -1), EReadError);
    try {
        s.WriteBuffer(buf, -1);
        FAIL() << "no exception";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
    }
    EXPECT_EQ(s.Size(), 3);
}

TEST(TMemoryStreamTest, WriteFromItsOwnMemory) {
    TMemoryStream s;
    WriteText(s, "abcdefgh");
    s.Write(s.Memory(), s.Size());  // the buffer moves while it is read
    EXPECT_EQ(Contents(s), "abcdefghabcdefgh");
    s.SetPosition(2);
    s.Write(s.Memory(), 4);  // overlapping, without growth
    EXPECT_EQ(Contents(s), "ababcdghabcdefgh");
    s.SetPosition(s.Size());
    s.SaveToStream(s);
    EXPECT_EQ(Contents(s), "ababcdghabcdefghababcdghabcdefgh");
}

TEST(TMemoryStreamTest, CopyFrom) {
    TStringStream source("0123456789");
    source.SetPosition(source.Size());

    TMemoryStream dest;
    WriteText(dest, "<");
    EXPECT_EQ(dest.CopyFrom(source, 0), 10) << "Count 0 copies the whole source from its start";
    EXPECT_EQ(Contents(dest), "<0123456789");
    EXPECT_EQ(source.Position(), 10);

    source.SetPosition(3);
    EXPECT_EQ(dest.CopyFrom(source, 4), 4) << "a count copies from the source's position";
    EXPECT_EQ(Contents(dest), "<01234567893456");
    EXPECT_EQ(source.Position(), 7);

    EXPECT_THROW(dest.CopyFrom(source, 4), EReadError) << "only 3 bytes are left";
    EXPECT_THROW(dest.CopyFrom(source, -1), EReadError);

    // Large enough to need several chunks.
    std::string big(200000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 256);
    TStringStream bigSource(big);
    TMemoryStream bigDest;
    bigDest.CopyFrom(bigSource, 0);
    EXPECT_EQ(Contents(bigDest), big);

    TMemoryStream self;
    WriteText(self, "xyz");
    EXPECT_EQ(self.CopyFrom(self, 0), 3);
    EXPECT_EQ(Contents(self), "xyzxyz");
}

TEST(TMemoryStreamTest, ReadAllReadsFromThePosition) {
    TMemoryStream s;
    EXPECT_EQ(s.ReadAll(), "");
    std::string big(150000, 'q');
    big[149999] = 'z';
    WriteText(s, big);
    s.SetPosition(149990);
    EXPECT_EQ(s.ReadAll(), "qqqqqqqqqz");
    EXPECT_EQ(s.Position(), 150000);
    s.SetPosition(0);
    EXPECT_EQ(s.ReadAll(), big);
    s.SetPosition(200000);
    EXPECT_EQ(s.ReadAll(), "") << "past the end";
}

TEST(TMemoryStreamTest, LoadFromStreamReplacesAndRewinds) {
    TStringStream source("payload");
    source.SetPosition(4);
    TMemoryStream s;
    WriteText(s, "old content");
    s.LoadFromStream(source);
    EXPECT_EQ(Contents(s), "payload");
    EXPECT_EQ(s.Position(), 0);

    TStringStream out("[]");
    out.SetPosition(1);
    s.SetPosition(3);
    s.SaveToStream(out);
    EXPECT_EQ(out.DataString(), "[payload") << "written at the target's position";
    EXPECT_EQ(s.Position(), 3) << "saving does not move the source";

    // A source that cannot deliver what it claims leaves the content alone.
    class TLyingStream : public TStringStream {
    public:
        TLyingStream() : TStringStream("ab") {}
    protected:
        Int64 GetSize() const override { return 10; }
    } liar;
    EXPECT_THROW(s.LoadFromStream(liar), EReadError);
    EXPECT_EQ(Contents(s), "payload");
}

// ---------------------------------------------------------- TStringStream

TEST(TStringStreamTest, WritingOverwritesWithoutTruncating) {
    TStringStream s("hello world");
    EXPECT_EQ(s.Size(), 11);
    EXPECT_EQ(s.Position(), 0);
    s.WriteString("J");
    EXPECT_EQ(s.DataString(), "Jello world") << "the rest of the string survives";
    s.Seek(-5, soEnd);
    s.WriteString("there!");
    EXPECT_EQ(s.DataString(), "Jello there!");
    EXPECT_EQ(s.Position(), 12);

    s.SetPosition(6);
    EXPECT_EQ(s.ReadString(3), "the");
    EXPECT_EQ(s.ReadString(100), "re!");
    EXPECT_EQ(s.ReadString(1), "");

    EXPECT_EQ(s.Seek(50, soBeginning), 12) << "seeking stops at the end";
    EXPECT_THROW(s.Seek(-1, soBeginning), EStreamError);

    s.SetSize(5);
    EXPECT_EQ(s.DataString(), "Jello");
    EXPECT_EQ(s.Position(), 5);
    s.SetSize(7);
    EXPECT_EQ(s.DataString(), std::string("Jello\0\0", 7));

    s.SetPosition(0);
    s.WriteString(s.DataString());  // from its own buffer
    EXPECT_EQ(s.DataString(), std::string("Jello\0\0", 7));
    s.WriteString(s.DataString());  // and growing past it
    EXPECT_EQ(s.DataString(), std::string("Jello\0\0Jello\0\0", 14));
}

// ------------------------------------------------------- TStream defaults

TEST(TStreamTest, BufferRoutinesLoopOverShortTransfers) {
    TTrickleStream s("abcdef");
    char buf[6];
    s.ReadBuffer(buf, 6);
    EXPECT_EQ(std::string(buf, 6), "abcdef");
    s.SetPosition(2);
    s.WriteBuffer("XYZW12", 6);
    EXPECT_EQ(s.Data(), "abXYZW12");
    s.SetPosition(1);
    EXPECT_EQ(s.ReadAll(), "bXYZW12");
}

TEST(TStreamTest, DefaultQueriesSeekAndRestore) {
    TTrickleStream s("abcdef");
    s.SetPosition(2);
    EXPECT_EQ(s.Size(), 6);
    EXPECT_EQ(s.Position(), 2) << "asking the size keeps the position";
    char c;
    s.ReadBuffer(&c, 1);
    EXPECT_EQ(c, 'c');
    EXPECT_THROW(s.SetSize(3), EStreamError) << "this stream cannot change its size";
    EXPECT_EQ(s.Data(), "abcdef");
}

TEST(TStreamTest, ClassNames) {
    TMemoryStream m;
    TStringStream s;
    EXPECT_EQ(m.ClassName(), "TMemoryStream");
    EXPECT_EQ(s.ClassName(), "TStringStream");
    EXPECT_TRUE(m.InheritsFrom(TStream::StaticClass()));
    EXPECT_TRUE(TFileStream::StaticClass().InheritsFrom(THandleStream::StaticClass()));
    EXPECT_TRUE(THandleStream::StaticClass().InheritsFrom(TStream::StaticClass()));
    EXPECT_EQ(EnumInfoOf<TSeekOrigin>().NameOf(soEnd), "soEnd");
}

// ------------------------------------------------------------ TFileStream

class TFileStreamTest : public StreamsTempDir {};

struct OpenErrorCase {
    const char* Label;
    std::function<std::string(const std::string& Dir)> Path;
    Word Mode;
    bool Create;  // EFCreateError rather than EFOpenError
    const char* Reason;
};

TEST_F(TFileStreamTest, OpenAndCreateErrors) {
    const OpenErrorCase cases[] = {
        {"missing file", [](const std::string& d) { return d + "/missing.txt"; }, fmOpenRead, false,
         "No such file or directory"},
        {"missing file for writing", [](const std::string& d) { return d + "/missing.txt"; }, fmOpenReadWrite,
         false, "No such file or directory"},
        {"directory", [](const std::string& d) { return d; }, fmOpenRead, false, "Is a directory"},
        {"directory, shared", [](const std::string& d) { return d; }, fmOpenRead | fmShareDenyNone, false,
         "Is a directory"},
        {"directory for writing", [](const std::string& d) { return d; }, fmOpenWrite, false, "Is a directory"},
        {"create a directory", [](const std::string& d) { return d; }, fmCreate, true, "Is a directory"},
        {"create in a missing folder", [](const std::string& d) { return d + "/no/such.txt"; }, fmCreate, true,
         "No such file or directory"},
        {"empty name", [](const std::string&) { return std::string(); }, fmOpenRead, false,
         "No such file or directory"},
        {"bad access mode", [](const std::string& d) { return d + "/x"; }, 3, false, "Invalid argument"},
        {"bad share mode", [](const std::string& d) { return d + "/x"; }, fmOpenRead | 0x50, false,
         "Invalid argument"},
    };
    for (const OpenErrorCase& c : cases) {
        SCOPED_TRACE(c.Label);
        const std::string path = c.Path(FDir);
        const std::string expected =
            std::string(c.Create ? "Cannot create file \"" : "Cannot open file \"") + path + "\". " + c.Reason;
        try {
            TFileStream f(path, c.Mode);
            ADD_FAILURE() << "no exception";
        } catch (const EFCreateError& e) {
            EXPECT_TRUE(c.Create) << e.Message();
            EXPECT_EQ(e.Message(), expected);
        } catch (const EFOpenError& e) {
            EXPECT_FALSE(c.Create) << e.Message();
            EXPECT_EQ(e.Message(), expected);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(Path("x"))) << "a rejected mode creates nothing";
}

TEST_F(TFileStreamTest, WriteThenReadBack) {
    const std::string path = Path("data.bin");
    {
        TFileStream f(path, fmCreate);
        EXPECT_EQ(f.FileName(), path);
        WriteText(f, "0123456789");
        EXPECT_EQ(f.Size(), 10);
        EXPECT_EQ(f.Position(), 10);
        f.Seek(12, soBeginning);
        WriteText(f, "!");
        EXPECT_EQ(f.Size(), 13) << "writing past the end extends the file";
    }
    {
        TFileStream f(path, fmOpenRead | fmShareDenyWrite);
        EXPECT_EQ(f.Size(), 13);
        EXPECT_EQ(f.ReadAll(), std::string("0123456789\0\0!", 13));
        EXPECT_EQ(f.Seek(-4, soEnd), 9);
        EXPECT_EQ(ReadText(f, 1), "9");
        EXPECT_EQ(f.Seek(2, soCurrent), 12);
        EXPECT_EQ(ReadText(f, 5), "!");
        EXPECT_EQ(f.Read(nullptr, 4), 0) << "end of file";
        EXPECT_THROW(f.Seek(-20, soCurrent), EStreamError);
        EXPECT_EQ(f.Position(), 13);
        EXPECT_THROW(WriteText(f, "x"), EWriteError) << "opened for reading only";
    }
    {
        TFileStream f(path, fmOpenWrite);
        char c;
        EXPECT_THROW(f.Read(&c, 1), EReadError) << "opened for writing only";
        WriteText(f, "ab");
        EXPECT_EQ(f.Size(), 13) << "opening for writing keeps the content";
    }
    {
        TFileStream f(path, fmOpenReadWrite | fmShareExclusive);
        f.SetPosition(5);
        WriteText(f, "XY");
        f.SetPosition(0);
        EXPECT_EQ(ReadText(f, 8), "ab234XY7");
        f.SetSize(4);
        EXPECT_EQ(f.Size(), 4);
        EXPECT_EQ(f.Position(), 4) << "SetSize moves to the new end";
        f.SetSize(6);
        f.SetPosition(0);
        EXPECT_EQ(f.ReadAll(), std::string("ab23\0\0", 6));
        EXPECT_THROW(f.SetSize(-1), EStreamError);
    }
    {
        TFileStream f(path, fmCreate | fmShareDenyWrite);
        EXPECT_EQ(f.Size(), 0) << "fmCreate empties an existing file";
    }
}

TEST_F(TFileStreamTest, ShareModesAreAcceptedWithoutLocking) {
    const std::string path = Path("shared.txt");
    TFileStream a(path, fmCreate | fmShareExclusive);
    TFileStream b(path, fmOpenReadWrite | fmShareExclusive);
    TFileStream c(path, fmOpenRead | fmShareDenyRead);
    WriteText(a, "seen");
    EXPECT_EQ(c.ReadAll(), "seen");
}

TEST_F(TFileStreamTest, DestructorClosesTheFile) {
    int fd;
    {
        TFileStream f(Path("closed.txt"), fmCreate);
        fd = f.Handle();
        ASSERT_GE(fd, 0);
        EXPECT_NE(fcntl(fd, F_GETFD), -1);
        EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC) << "not inherited by child processes";
    }
    errno = 0;
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);
    EXPECT_EQ(errno, EBADF);
}

TEST_F(TFileStreamTest, CreatedFilesGetTheRights) {
    const mode_t old = umask(022);
    {
        TFileStream f(Path("private.txt"), fmCreate, 0600);
        TFileStream g(Path("public.txt"), fmCreate);
    }
    umask(old);
    struct stat st;
    ASSERT_EQ(stat(Path("private.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(Path("public.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(TFileStreamTest, MemoryStreamFileRoundTrip) {
    std::string data(70000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
    TMemoryStream out;
    WriteText(out, data);
    out.SaveToFile(Path("mem.bin"));

    TMemoryStream in;
    WriteText(in, "stale");
    in.LoadFromFile(Path("mem.bin"));
    EXPECT_EQ(Contents(in), data);
    EXPECT_EQ(in.Position(), 0);

    EXPECT_THROW(in.LoadFromFile(Path("absent.bin")), EFOpenError);
    EXPECT_EQ(Contents(in), data) << "a failed load keeps the content";
    EXPECT_THROW(out.SaveToFile(Path("no/dir/x.bin")), EFCreateError);
}

TEST_F(TFileStreamTest, HandleStreamOverAPipe) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    {
        THandleStream writer(fds[1]);
        WriteText(writer, "through");
        EXPECT_THROW(writer.Seek(0, soBeginning), EStreamError) << "a pipe cannot seek";
    }
    ::close(fds[1]);
    THandleStream reader(fds[0]);
    EXPECT_EQ(ReadText(reader, 3), "thr");
    EXPECT_EQ(reader.ReadAll(), "ough") << "read to the end without seeking";
    EXPECT_EQ(reader.Read(nullptr, 1), 0);
    ::close(fds[0]);  // the handle stream does not own its handle
}
