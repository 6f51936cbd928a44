// PngCodec.cpp - PNG through libpng.
//
// libpng reports errors by longjmp. Every libpng call is made from a small
// function that sets the jump target itself and holds no object with a
// destructor, so a jump never skips one; the error text is copied into a
// plain buffer and turned into an exception by the caller, after the jump.
// Callbacks never let a C++ exception into libpng.
#include "ImageCodecs.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <cstdlib>

#include "Exceptions.h"

namespace vcl {

namespace {

constexpr const char* kPngInvalid = "PNG image is not valid";
constexpr const char* kPngWrite = "Cannot write the PNG image";

struct PngError {
    char Text[200];
};

void OnPngError(png_structp Png, png_const_charp Msg) {
    auto* E = static_cast<PngError*>(png_get_error_ptr(Png));
    std::snprintf(E->Text, sizeof E->Text, "%s", Msg ? Msg : "libpng error");
    png_longjmp(Png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct MemorySource {
    const uint8_t* Data;
    size_t Size;
    size_t Pos;
};

void ReadFromMemory(png_structp Png, png_bytep Out, size_t N) {
    auto* S = static_cast<MemorySource*>(png_get_io_ptr(Png));
    if (N > S->Size - S->Pos) png_error(Png, "the data is truncated");
    std::memcpy(Out, S->Data + S->Pos, N);
    S->Pos += N;
}

struct VectorSink {
    std::vector<uint8_t>* Out;
};

void WriteToVector(png_structp Png, png_bytep In, size_t N) {
    auto* S = static_cast<VectorSink*>(png_get_io_ptr(Png));
    bool Ok = true;
    try {
        S->Out->insert(S->Out->end(), In, In + N);
    } catch (...) {
        Ok = false;
    }
    if (!Ok) png_error(Png, "out of memory");
}

void FlushNothing(png_structp) {}

struct ReadStructs {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ReadStructs() = default;
    ReadStructs(const ReadStructs&) = delete;
    ReadStructs& operator=(const ReadStructs&) = delete;
    ~ReadStructs() { png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr); }
};

struct WriteStructs {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    WriteStructs() = default;
    WriteStructs(const WriteStructs&) = delete;
    WriteStructs& operator=(const WriteStructs&) = delete;
    ~WriteStructs() { png_destroy_write_struct(&Png, Info ? &Info : nullptr); }
};

struct PngHeader {
    png_uint_32 Width;
    png_uint_32 Height;
    bool HasAlpha;
    size_t RowBytes;
};

// Reads the chunks up to the image data and sets up the conversion to 32-bit
// pixels in memory order B, G, R, A. Returns false after a libpng error.
bool ReadHeader(png_structp Png, png_infop Info, PngHeader* H) {
    if (setjmp(png_jmpbuf(Png))) return false;
    png_set_user_limits(Png, 65535, 65535);
    png_read_info(Png, Info);
    png_uint_32 W = 0, Ht = 0;
    int Depth = 0, ColorType = 0, Interlace = 0;
    png_get_IHDR(Png, Info, &W, &Ht, &Depth, &ColorType, &Interlace, nullptr, nullptr);
    H->Width = W;
    H->Height = Ht;
    H->HasAlpha = (ColorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(Png, Info, PNG_INFO_tRNS) != 0;
    png_set_expand(Png);
    png_set_strip_16(Png);
    if (!(ColorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(Png);
    if constexpr (std::endian::native == std::endian::little) {
        png_set_bgr(Png);
        if (!H->HasAlpha) png_set_filler(Png, 0xFF, PNG_FILLER_AFTER);
    } else {
        if (!H->HasAlpha) png_set_filler(Png, 0xFF, PNG_FILLER_BEFORE);
        else png_set_swap_alpha(Png);
    }
    png_set_interlace_handling(Png);
    png_read_update_info(Png, Info);
    H->RowBytes = png_get_rowbytes(Png, Info);
    return true;
}

bool ReadRows(png_structp Png, png_bytepp Rows) {
    if (setjmp(png_jmpbuf(Png))) return false;
    png_read_image(Png, Rows);
    return true;
}

// Writes the whole image; Row is a buffer for one converted row.
bool WriteImage(png_structp Png, png_infop Info, const TPixelView* V, bool Alpha, png_bytep Row) {
    if (setjmp(png_jmpbuf(Png))) return false;
    png_set_IHDR(Png, Info, png_uint_32(V->Width), png_uint_32(V->Height), 8,
                 Alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(Png, Info);
    for (int32_t Y = 0; Y < V->Height; ++Y) {
        const uint32_t* Src = V->Row(Y);
        png_bytep D = Row;
        for (int32_t X = 0; X < V->Width; ++X) {
            const uint32_t P = Src[X];
            *D++ = png_byte(P >> 16);
            *D++ = png_byte(P >> 8);
            *D++ = png_byte(P);
            if (Alpha) *D++ = png_byte(P >> 24);
        }
        png_write_row(Png, Row);
    }
    png_write_end(Png, nullptr);
    return true;
}

}  // namespace

TDibImage ReadPng(const uint8_t* Data, size_t Size) {
    const std::string What = kPngInvalid;
    if (!Data || Size < 8 || png_sig_cmp(Data, 0, 8) != 0) throw EInvalidGraphic(What + ": the PNG signature is missing");
    PngError Err{};
    ReadStructs S;
    S.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &Err, OnPngError, OnPngWarning);
    if (!S.Png) throw std::bad_alloc();
    S.Info = png_create_info_struct(S.Png);
    if (!S.Info) throw std::bad_alloc();
    MemorySource Src{Data, Size, 0};
    png_set_read_fn(S.Png, &Src, ReadFromMemory);

    PngHeader H{};
    if (!ReadHeader(S.Png, S.Info, &H)) throw EInvalidGraphic(What + ": " + Err.Text);
    if (H.Width == 0 || H.Height == 0 || uint64_t(H.Width) * H.Height > MaxImagePixels())
        throw EInvalidGraphic(What + ": the image is too large (" + std::to_string(H.Width) + " x " +
                              std::to_string(H.Height) + ")");
    if (H.RowBytes != size_t(H.Width) * 4) throw EInvalidGraphic(What + ": unexpected row layout");

    TDibImage Img;
    Img.Width = int32_t(H.Width);
    Img.Height = int32_t(H.Height);
    Img.BitCount = H.HasAlpha ? 32 : 24;
    Img.HasAlpha = H.HasAlpha;
    Img.Pixels.assign(size_t(H.Width) * H.Height, 0);
    std::vector<png_bytep> Rows(H.Height);
    for (png_uint_32 Y = 0; Y < H.Height; ++Y)
        Rows[Y] = reinterpret_cast<png_bytep>(Img.Pixels.data() + size_t(Y) * H.Width);
    if (!ReadRows(S.Png, Rows.data())) throw EInvalidGraphic(What + ": " + Err.Text);
    return Img;
}

std::vector<uint8_t> EncodePng(const TPixelView& View, bool WithAlpha) {
    if (!View.Bits || View.Width <= 0 || View.Height <= 0)
        throw EInvalidGraphicOperation(std::string(kPngWrite) + ": the image is empty");
    if (View.Stride < View.Width && View.Stride > -View.Width)
        throw EInvalidGraphicOperation(std::string(kPngWrite) + ": the row stride is smaller than the width");
    PngError Err{};
    WriteStructs S;
    S.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &Err, OnPngError, OnPngWarning);
    if (!S.Png) throw std::bad_alloc();
    S.Info = png_create_info_struct(S.Png);
    if (!S.Info) throw std::bad_alloc();
    std::vector<uint8_t> Out;
    VectorSink Sink{&Out};
    png_set_write_fn(S.Png, &Sink, WriteToVector, FlushNothing);
    std::vector<png_byte> Row(size_t(View.Width) * (WithAlpha ? 4 : 3));
    if (!WriteImage(S.Png, S.Info, &View, WithAlpha, Row.data()))
        throw EInvalidGraphicOperation(std::string(kPngWrite) + ": " + Err.Text);
    return Out;
}

bool SavePixelsToPng(const TPixelView& View, const std::string& Path, bool WithAlpha) {
    static std::atomic<unsigned> Counter{0};
    std::string Temp;
    try {
        const std::vector<uint8_t> Png = EncodePng(View, WithAlpha);
        Temp = Path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(Counter.fetch_add(1));
        const int Fd = ::open(Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Fd < 0) return false;
        bool Ok = true;
        size_t Done = 0;
        while (Ok && Done < Png.size()) {
            const ssize_t N = ::write(Fd, Png.data() + Done, Png.size() - Done);
            if (N < 0 && errno == EINTR) continue;
            if (N <= 0) Ok = false;
            else Done += size_t(N);
        }
        if (Ok && ::fsync(Fd) != 0) Ok = false;
        if (::close(Fd) != 0) Ok = false;
        if (Ok && ::rename(Temp.c_str(), Path.c_str()) != 0) Ok = false;
        if (!Ok) ::unlink(Temp.c_str());
        return Ok;
    } catch (...) {
        if (!Temp.empty()) ::unlink(Temp.c_str());
        return false;
    }
}

}  // namespace vcl
