// Fonts.cpp - font resolution through the alias table and fontconfig, faces
// loaded with FreeType, and the per-face glyph cache.
#include "Fonts.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numbers>
#include <unordered_map>
#include <vector>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

namespace vcl {

namespace {

// ---------------------------------------------------------------------------
// Libraries
// ---------------------------------------------------------------------------

// FreeType: one library; creating and destroying faces is serialised on it.
std::mutex& FtMutex() {
    static std::mutex M;
    return M;
}

FT_Library FtLibrary() {
    static FT_Library Lib = [] {
        FT_Library L = nullptr;
        if (FT_Init_FreeType(&L) != 0) throw EFontError("The font engine could not be initialised");
        return L;
    }();
    return Lib;
}

std::mutex& FcMutex() {
    static std::mutex M;
    return M;
}

void EnsureFontconfig() {
    static const bool Ok = FcInit() == FcTrue;
    if (!Ok) throw EFontError("The font configuration could not be loaded");
}

std::string Lower(std::string_view S) {
    std::string R(S);
    for (char& C : R)
        if (C >= 'A' && C <= 'Z') C = char(C - 'A' + 'a');
    return R;
}

std::string Trim(std::string_view S) {
    size_t B = 0, E = S.size();
    while (B < E && (S[B] == ' ' || S[B] == '\t')) ++B;
    while (E > B && (S[E - 1] == ' ' || S[E - 1] == '\t')) --E;
    return std::string(S.substr(B, E - B));
}

// ---------------------------------------------------------------------------
// Alias table
// ---------------------------------------------------------------------------

constexpr const char* DefaultFamily = "DejaVu Sans";

struct TAlias {
    const char* Name;  // lower case
    const char* Family;
    bool ForceBold;
    bool Wingdings;
};

constexpr TAlias Aliases[] = {
    {"", "Liberation Sans", false, false},
    {"ms sans serif", "Liberation Sans", false, false},
    {"ms shell dlg", "Liberation Sans", false, false},
    {"arial", "Liberation Sans", false, false},
    {"helvetica", "Liberation Sans", false, false},
    {"times new roman", "Liberation Serif", false, false},
    {"times", "Liberation Serif", false, false},
    {"ms serif", "Liberation Serif", false, false},
    {"courier new", "Liberation Mono", false, false},
    {"courier", "Liberation Mono", false, false},
    {"fixedsys", "DejaVu Sans Mono", false, false},
    {"terminal", "DejaVu Sans Mono", false, false},
    {"lucida console", "DejaVu Sans Mono", false, false},
    {"small fonts", "DejaVu Sans", false, false},
    {"tahoma", "DejaVu Sans", false, false},
    {"verdana", "DejaVu Sans", false, false},
    {"ms shell dlg 2", "DejaVu Sans", false, false},
    {"segoe ui", "DejaVu Sans", false, false},
    {"system", "DejaVu Sans", true, false},
    {"wingdings", "DejaVu Sans", false, true},
};

const TAlias* FindAlias(const std::string& LowerName) {
    for (const TAlias& A : Aliases)
        if (LowerName == A.Name) return &A;
    return nullptr;
}

// Wingdings codes onto Unicode: up to two candidates, the first one the font
// has wins.
struct TSymbolMap {
    uint8_t Code;
    char32_t First;
    char32_t Second;
};

constexpr TSymbolMap WingdingsMap[] = {
    {0x4A, 0x263A, 0}, {0x4C, 0x2639, 0}, {0x6C, 0x25CF, 0}, {0x6E, 0x25A0, 0},
    {0x6F, 0x25A1, 0}, {0xA1, 0x25CB, 0}, {0xA8, 0x25FB, 0},
    {0xD5, 0x232B, 0}, {0xD6, 0x2326, 0},
    {0xD7, 0x2B98, 0x25C0}, {0xD8, 0x2B9A, 0x25B6}, {0xD9, 0x2B99, 0x25B2}, {0xDA, 0x2B9B, 0x25BC},
    {0xDB, 0x2B88, 0x2B05}, {0xDC, 0x2B8A, 0x27A1}, {0xDD, 0x2B89, 0x2B06}, {0xDE, 0x2B8B, 0x2B07},
    {0xDF, 0x1F868, 0x2190}, {0xE0, 0x1F86A, 0x2192}, {0xE1, 0x1F869, 0x2191}, {0xE2, 0x1F86B, 0x2193},
    {0xE3, 0x1F86C, 0x2196}, {0xE4, 0x1F86D, 0x2197}, {0xE5, 0x1F86F, 0x2199}, {0xE6, 0x1F86E, 0x2198},
    {0xE7, 0x1F878, 0x2B05}, {0xE8, 0x1F87A, 0x27A1}, {0xE9, 0x1F879, 0x2B06}, {0xEA, 0x1F87B, 0x2B07},
    {0xEB, 0x1F87C, 0x2B09}, {0xEC, 0x1F87D, 0x2B08}, {0xED, 0x1F87F, 0x2B0B}, {0xEE, 0x1F87E, 0x2B0A},
    {0xEF, 0x21E6, 0}, {0xF0, 0x21E8, 0}, {0xF1, 0x21E7, 0}, {0xF2, 0x21E9, 0},
    {0xF3, 0x2B04, 0}, {0xF4, 0x21F3, 0},
    {0xF5, 0x2B01, 0}, {0xF6, 0x2B00, 0}, {0xF7, 0x2B03, 0}, {0xF8, 0x2B02, 0},
    {0xF9, 0x25AD, 0}, {0xFA, 0x25AB, 0},
    {0xFB, 0x2717, 0}, {0xFC, 0x2713, 0}, {0xFD, 0x2612, 0}, {0xFE, 0x2611, 0},
};

// ---------------------------------------------------------------------------
// Resolution of a face name to a font file
// ---------------------------------------------------------------------------

struct TResolved {
    std::string File;
    int Index = 0;
    std::string Family;
    std::string Style;
    bool SynthBold = false;
    bool SynthItalic = false;
    bool Wingdings = false;
};

bool SameName(const char* A, const char* B) { return Lower(A) == Lower(B); }

// Asks fontconfig for a family at a weight and slant. With RequireFamily the
// match must carry that family name; otherwise any best match is taken.
bool FcLookup(const char* Family, bool Bold, bool Italic, bool RequireFamily, TResolved& Out) {
    std::lock_guard<std::mutex> Lock(FcMutex());
    EnsureFontconfig();
    FcPattern* Pat = FcPatternCreate();
    if (!Pat) return false;
    if (Family) FcPatternAddString(Pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(Family));
    FcPatternAddInteger(Pat, FC_WEIGHT, Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(Pat, FC_SLANT, Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(Pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, Pat, FcMatchPattern);
    FcDefaultSubstitute(Pat);
    FcResult Res = FcResultNoMatch;
    FcPattern* M = FcFontMatch(nullptr, Pat, &Res);
    FcPatternDestroy(Pat);
    if (!M) return false;

    bool Ok = true;
    FcChar8* File = nullptr;
    if (FcPatternGetString(M, FC_FILE, 0, &File) != FcResultMatch || !File) Ok = false;
    FcChar8* Fam = nullptr;
    std::string FirstFamily;
    bool FamilyFound = !RequireFamily;
    for (int I = 0; Ok && FcPatternGetString(M, FC_FAMILY, I, &Fam) == FcResultMatch; ++I) {
        const char* F = reinterpret_cast<const char*>(Fam);
        if (I == 0) FirstFamily = F;
        if (RequireFamily && SameName(F, Family)) {
            FamilyFound = true;
            FirstFamily = F;
        }
    }
    if (Ok && FamilyFound && !FirstFamily.empty()) {
        Out.File = reinterpret_cast<const char*>(File);
        int Index = 0;
        FcPatternGetInteger(M, FC_INDEX, 0, &Index);
        Out.Index = Index;
        Out.Family = FirstFamily;
        FcChar8* Style = nullptr;
        Out.Style = FcPatternGetString(M, FC_STYLE, 0, &Style) == FcResultMatch && Style
                        ? reinterpret_cast<const char*>(Style)
                        : "";
    } else {
        Ok = false;
    }
    FcPatternDestroy(M);
    return Ok;
}

// Opens a face; nullptr when FreeType cannot read the file or it has no
// scalable outlines.
FT_Face OpenFace(const std::string& File, int Index) {
    std::lock_guard<std::mutex> Lock(FtMutex());
    FT_Face F = nullptr;
    if (FT_New_Face(FtLibrary(), File.c_str(), Index, &F) != 0) return nullptr;
    if (!FT_IS_SCALABLE(F)) {
        FT_Done_Face(F);
        return nullptr;
    }
    if (FT_Select_Charmap(F, FT_ENCODING_UNICODE) != 0) FT_Select_Charmap(F, FT_ENCODING_MS_SYMBOL);
    return F;
}

void CloseFace(FT_Face F) {
    if (!F) return;
    std::lock_guard<std::mutex> Lock(FtMutex());
    FT_Done_Face(F);
}

// Checks that FreeType reads the file, and decides from the file itself (not
// from fontconfig's answer, which its synthesis rules may have edited) whether
// the face is bold or italic.
bool Loadable(TResolved& R, bool Bold, bool Italic) {
    FT_Face F = OpenFace(R.File, R.Index);
    if (!F) return false;
    bool FileBold = (F->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    if (auto* Os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(F, FT_SFNT_OS2)); Os2 && Os2->version != 0xFFFF)
        FileBold = Os2->usWeightClass >= 600;
    const bool FileItalic = (F->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    R.SynthBold = Bold && !FileBold;
    R.SynthItalic = Italic && !FileItalic;
    CloseFace(F);
    return true;
}

TResolved ResolveUncached(const std::string& LowerName, const std::string& Name, bool Bold, bool Italic) {
    const TAlias* A = FindAlias(LowerName);
    TResolved R;
    bool B = Bold || (A && A->ForceBold);
    auto Try = [&](const char* Family, bool Require) {
        TResolved T;
        if (FcLookup(Family, B, Italic, Require, T) && Loadable(T, B, Italic)) {
            R = T;
            return true;
        }
        return false;
    };
    bool Found = false;
    if (A)
        Found = Try(A->Family, true);
    else
        Found = Try(Name.c_str(), false);
    if (!Found) Found = Try(DefaultFamily, true);
    if (!Found) Found = Try(nullptr, false);
    if (!Found) throw EFontError("No font could be found for \"" + Name + "\"");
    R.Wingdings = A && A->Wingdings;
    return R;
}

struct TResolveCache {
    std::mutex Lock;
    std::unordered_map<std::string, TResolved> Map;
};

TResolveCache& ResolveCache() {
    static auto* C = new TResolveCache;  // lives until exit; faces may outlive statics
    return *C;
}

TResolved ResolveName(const std::string& FaceName, bool Bold, bool Italic) {
    std::string Name = Trim(FaceName);
    std::string Key = Lower(Name);
    Key += Bold ? "\x01" "b" : "\x01" "r";
    Key += Italic ? "i" : "u";
    TResolveCache& C = ResolveCache();
    {
        std::lock_guard<std::mutex> L(C.Lock);
        auto It = C.Map.find(Key);
        if (It != C.Map.end()) return It->second;
    }
    TResolved R = ResolveUncached(Lower(Name), Name, Bold, Italic);
    std::lock_guard<std::mutex> L(C.Lock);
    return C.Map.emplace(Key, R).first->second;
}

int32_t Scale(long DesignUnits, int32_t Pixels, int UnitsPerEm) {
    return int32_t(std::lround(double(DesignUnits) * Pixels / UnitsPerEm));
}

// Average character width in design units: the frequency-weighted mean of the
// lower-case letters and the space, falling back to the OS/2 value.
double AverageWidthUnits(FT_Face F, const TT_OS2* Os2) {
    static constexpr int Weights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56,
                                        56, 17, 4,  49, 56,  71, 31, 10, 18, 3,  18, 2, 166};
    double Sum = 0;
    bool All = true;
    for (int I = 0; I < 27 && All; ++I) {
        FT_ULong Ch = I < 26 ? FT_ULong('a' + I) : FT_ULong(' ');
        FT_UInt G = FT_Get_Char_Index(F, Ch);
        FT_Fixed Adv = 0;
        if (G == 0 || FT_Get_Advance(F, G, FT_LOAD_NO_SCALE, &Adv) != 0)
            All = false;
        else
            Sum += double(Adv) * Weights[I];
    }
    if (All) return Sum / 1000.0;
    if (Os2 && Os2->xAvgCharWidth > 0) return Os2->xAvgCharWidth;
    return F->max_advance_width / 2.0;
}

constexpr FT_Fixed ObliqueShear = 0x0366A;  // about 12 degrees

}  // namespace

// ---------------------------------------------------------------------------
// TFontFace
// ---------------------------------------------------------------------------

struct TFontFace::TImpl {
    TFontRequest Request;
    TResolved Res;
    TResolved FallbackRes;
    bool AA = false;
    bool Bold = false;
    int32_t Em = 12;
    int32_t XEm = 12;
    int32_t BoldStrength = 0;  // pixels added by synthetic emboldening
    TTextMetric Metrics;
    int32_t UlOffset = 1, UlThickness = 1, SoOffset = -3, SoThickness = 1;
    double DirX = 1, DirY = 0;
    FT_Matrix Rotation{0x10000, 0, 0, 0x10000};
    bool Rotated = false;

    std::mutex Lock;  // guards the FreeType faces and the glyph map
    FT_Face Face = nullptr;
    FT_Face Fallback = nullptr;
    bool FallbackTried = false;
    char32_t SymbolMap[256] = {};
    std::unordered_map<char32_t, std::unique_ptr<TGlyph>> Cache;
    std::atomic<const TGlyph*> Low[256] = {};

    ~TImpl() {
        CloseFace(Face);
        CloseFace(Fallback);
    }

    void SetSize(FT_Face F) {
        FT_Set_Char_Size(F, FT_F26Dot6(XEm) * 64, FT_F26Dot6(Em) * 64, 72, 72);
    }

    FT_Face FallbackFace() {  // under Lock
        if (!FallbackTried) {
            FallbackTried = true;
            try {
                FallbackRes = ResolveName(DefaultFamily, Bold, Request.Italic);
                if (FallbackRes.File != Res.File || FallbackRes.Index != Res.Index) {
                    Fallback = OpenFace(FallbackRes.File, FallbackRes.Index);
                    if (Fallback) SetSize(Fallback);
                }
            } catch (const EFontError&) {
                Fallback = nullptr;
            }
        }
        return Fallback;
    }

    char32_t Map(char32_t Ch) const {
        if (!Res.Wingdings) return Ch;
        char32_t C = Ch >= 0xF020 && Ch <= 0xF0FF ? Ch - 0xF000 : Ch;
        if (C < 256) return SymbolMap[C] ? SymbolMap[C] : C;
        return Ch;
    }

    std::unique_ptr<TGlyph> Render(char32_t Ch) {  // under Lock
        auto G = std::make_unique<TGlyph>();
        if (Ch < 0x20 || Ch == 0x7F) return G;
        char32_t M = Map(Ch);
        FT_Face F = Face;
        bool SynthBold = Res.SynthBold, SynthItalic = Res.SynthItalic;
        FT_UInt Index = FT_Get_Char_Index(F, M);
        if (Index == 0 && Face->charmap && Face->charmap->encoding == FT_ENCODING_MS_SYMBOL && M < 0x100)
            Index = FT_Get_Char_Index(F, 0xF000 + M);
        if (Index == 0) {
            if (FT_Face Fb = FallbackFace()) {
                if (FT_UInt I2 = FT_Get_Char_Index(Fb, M)) {
                    F = Fb;
                    Index = I2;
                    SynthBold = FallbackRes.SynthBold;
                    SynthItalic = FallbackRes.SynthItalic;
                }
            }
        }
        FT_Int32 Flags = FT_LOAD_NO_BITMAP | (AA ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
        if (FT_Load_Glyph(F, Index, Flags) != 0 && (Index == 0 || FT_Load_Glyph(F, 0, Flags) != 0))
            return G;
        FT_GlyphSlot Slot = F->glyph;
        G->Advance = int32_t((Slot->advance.x + 32) >> 6);
        if (Slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            if (SynthBold) {
                FT_Outline_EmboldenXY(&Slot->outline, BoldStrength * 64, 0);
                FT_Outline_Translate(&Slot->outline, BoldStrength * 32, 0);
            }
            if (SynthBold) G->Advance += BoldStrength;
            if (SynthItalic || Rotated) {
                FT_Matrix Mx = Rotation;
                if (SynthItalic) {
                    FT_Matrix Shear{0x10000, ObliqueShear, 0, 0x10000};
                    FT_Matrix_Multiply(&Rotation, &Shear);  // Shear := Rotation * Shear
                    Mx = Shear;
                }
                FT_Outline_Transform(&Slot->outline, &Mx);
            }
        } else if (SynthBold) {
            G->Advance += BoldStrength;
        }
        if (FT_Render_Glyph(Slot, AA ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return G;
        const FT_Bitmap& B = Slot->bitmap;
        G->Left = Slot->bitmap_left;
        G->Top = Slot->bitmap_top;
        G->Width = int32_t(B.width);
        G->Height = int32_t(B.rows);
        if (G->Width > 0 && G->Height > 0) {
            G->Coverage = std::make_unique<uint8_t[]>(size_t(G->Width) * G->Height);
            for (int32_t Y = 0; Y < G->Height; ++Y) {
                const uint8_t* Src = B.buffer + (B.pitch >= 0 ? Y * B.pitch
                                                              : (int32_t(B.rows) - 1 - Y) * -B.pitch);
                uint8_t* Dst = G->Coverage.get() + size_t(Y) * G->Width;
                if (B.pixel_mode == FT_PIXEL_MODE_MONO) {
                    for (int32_t X = 0; X < G->Width; ++X)
                        Dst[X] = (Src[X >> 3] & (0x80 >> (X & 7))) ? 255 : 0;
                } else if (B.pixel_mode == FT_PIXEL_MODE_GRAY) {
                    if (B.num_grays == 256) {
                        std::memcpy(Dst, Src, size_t(G->Width));
                    } else {
                        for (int32_t X = 0; X < G->Width; ++X)
                            Dst[X] = uint8_t(Src[X] * 255 / std::max<int>(1, B.num_grays - 1));
                    }
                } else {
                    std::memset(Dst, 0, size_t(G->Width));
                }
            }
        } else {
            G->Width = G->Height = 0;
        }
        return G;
    }

    const TGlyph& GlyphLocked(char32_t Ch) {  // under Lock
        auto It = Cache.find(Ch);
        if (It != Cache.end()) return *It->second;
        auto G = Render(Ch);
        const TGlyph* P = G.get();
        Cache.emplace(Ch, std::move(G));
        if (Ch < 256) Low[Ch].store(P, std::memory_order_release);
        return *P;
    }
};

TFontFace::TFontFace(std::unique_ptr<TImpl> Impl) : FImpl(std::move(Impl)) {}
TFontFace::~TFontFace() = default;

const TFontRequest& TFontFace::Request() const { return FImpl->Request; }
const std::string& TFontFace::FamilyName() const { return FImpl->Res.Family; }
const std::string& TFontFace::StyleName() const { return FImpl->Res.Style; }
const std::string& TFontFace::FileName() const { return FImpl->Res.File; }
bool TFontFace::SyntheticBold() const { return FImpl->Res.SynthBold; }
bool TFontFace::SyntheticItalic() const { return FImpl->Res.SynthItalic; }
bool TFontFace::Antialiased() const { return FImpl->AA; }
bool TFontFace::IsSymbolRemapped() const { return FImpl->Res.Wingdings; }
int32_t TFontFace::EmHeight() const { return FImpl->Em; }
const TTextMetric& TFontFace::Metrics() const { return FImpl->Metrics; }
int32_t TFontFace::UnderlineOffset() const { return FImpl->UlOffset; }
int32_t TFontFace::UnderlineThickness() const { return FImpl->UlThickness; }
int32_t TFontFace::StrikeOutOffset() const { return FImpl->SoOffset; }
int32_t TFontFace::StrikeOutThickness() const { return FImpl->SoThickness; }
double TFontFace::DirX() const { return FImpl->DirX; }
double TFontFace::DirY() const { return FImpl->DirY; }
char32_t TFontFace::MapChar(char32_t Ch) const { return FImpl->Map(Ch); }

const TGlyph& TFontFace::Glyph(char32_t Ch) const {
    if (Ch < 256)
        if (const TGlyph* P = FImpl->Low[Ch].load(std::memory_order_acquire)) return *P;
    std::lock_guard<std::mutex> L(FImpl->Lock);
    return FImpl->GlyphLocked(Ch);
}

void TFontFace::Glyphs(const char32_t* Chars, size_t Count, const TGlyph** Out) const {
    std::unique_lock<std::mutex> L(FImpl->Lock, std::defer_lock);
    for (size_t I = 0; I < Count; ++I) {
        char32_t Ch = Chars[I];
        if (Ch < 256)
            if (const TGlyph* P = FImpl->Low[Ch].load(std::memory_order_acquire)) {
                Out[I] = P;
                continue;
            }
        if (!L.owns_lock()) L.lock();
        Out[I] = &FImpl->GlyphLocked(Ch);
    }
}

// ---------------------------------------------------------------------------
// Loading a face at a size
// ---------------------------------------------------------------------------

namespace {

std::unique_ptr<TFontFace::TImpl> LoadFace(const TFontRequest& Request) {
    auto I = std::make_unique<TFontFace::TImpl>();
    I->Request = Request;
    int32_t Weight = Request.Weight <= 0 ? 400 : std::min<int32_t>(Request.Weight, 1000);
    bool Bold = Weight >= 600;
    if (const TAlias* A = FindAlias(Lower(Trim(Request.FaceName))); A && A->ForceBold) {
        Bold = true;
        Weight = std::max<int32_t>(Weight, 700);
    }
    I->Bold = Bold;
    I->Res = ResolveName(Request.FaceName, Bold, Request.Italic);
    I->AA = Request.Quality == ANTIALIASED_QUALITY || Request.Quality == CLEARTYPE_QUALITY ||
            Request.Quality == CLEARTYPE_NATURAL_QUALITY;

    I->Face = OpenFace(I->Res.File, I->Res.Index);
    if (!I->Face) throw EFontError("The font file \"" + I->Res.File + "\" could not be loaded");
    FT_Face F = I->Face;
    const int Upem = F->units_per_EM > 0 ? F->units_per_EM : 2048;
    auto* Os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(F, FT_SFNT_OS2));
    auto* Hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(F, FT_SFNT_HHEA));
    auto* Post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(F, FT_SFNT_POST));

    long WinAscent = F->ascender, WinDescent = -F->descender;
    if (Os2 && Os2->version != 0xFFFF && Os2->usWinAscent + Os2->usWinDescent > 0) {
        WinAscent = Os2->usWinAscent;
        WinDescent = Os2->usWinDescent;
    }
    if (WinAscent + WinDescent <= 0) {
        WinAscent = Upem * 9 / 10;
        WinDescent = Upem - WinAscent;
    }
    const long CellUnits = WinAscent + WinDescent;

    // The em size in pixels.
    int64_t H = Request.Height;
    int64_t Em;
    if (H == 0)
        Em = 12;
    else if (H < 0)
        Em = -H;
    else
        Em = std::max<int64_t>(1, std::llround(double(H) * Upem / CellUnits));
    if (Em > MaxFontEmHeight) throw EFontError("Font height " + std::to_string(Request.Height) + " is out of range");
    I->Em = int32_t(Em);

    const double AvgUnits = AverageWidthUnits(F, Os2);
    int64_t W = Request.Width < 0 ? -int64_t(Request.Width) : Request.Width;
    if (W == 0)
        I->XEm = I->Em;
    else {
        int64_t X = std::max<int64_t>(1, std::llround(double(W) * Upem / std::max(1.0, AvgUnits)));
        if (X > MaxFontEmHeight) throw EFontError("Font width " + std::to_string(Request.Width) + " is out of range");
        I->XEm = int32_t(X);
    }
    I->SetSize(F);

    I->BoldStrength = Bold ? std::max<int32_t>(1, (I->Em + 16) / 32) : 0;

    // Vertical metrics.
    TTextMetric& M = I->Metrics;
    M.tmAscent = Scale(WinAscent, I->Em, Upem);
    if (H > 0) {
        M.tmHeight = int32_t(H);
        M.tmAscent = std::min(M.tmAscent, M.tmHeight);
        M.tmDescent = M.tmHeight - M.tmAscent;
    } else {
        M.tmDescent = Scale(WinDescent, I->Em, Upem);
        M.tmHeight = M.tmAscent + M.tmDescent;
    }
    M.tmInternalLeading = std::max<int32_t>(0, M.tmHeight - I->Em);
    long LineGap = 0;
    if (Hhea) {
        long HheaCell = long(Hhea->Ascender) - long(Hhea->Descender);
        LineGap = std::max<long>(0, long(Hhea->Line_Gap) - (CellUnits - HheaCell));
    }
    M.tmExternalLeading = Scale(LineGap, I->Em, Upem);
    M.tmAveCharWidth = std::max<int32_t>(1, int32_t(std::lround(AvgUnits * I->XEm / Upem)));
    M.tmMaxCharWidth = std::max<int32_t>(M.tmAveCharWidth, Scale(F->max_advance_width, I->XEm, Upem));
    if (I->Res.SynthBold) {
        M.tmAveCharWidth += I->BoldStrength;
        M.tmMaxCharWidth += I->BoldStrength;
    }
    M.tmWeight = Weight;
    M.tmOverhang = 0;
    M.tmItalic = Request.Italic;
    M.tmUnderlined = Request.Underline;
    M.tmStruckOut = Request.StrikeOut;
    M.tmFixedPitch = FT_IS_FIXED_WIDTH(F);

    // Decoration lines.
    if (Post && Post->underlineThickness > 0) {
        I->UlThickness = std::max<int32_t>(1, Scale(Post->underlineThickness, I->Em, Upem));
        I->UlOffset = std::max<int32_t>(1, Scale(-long(Post->underlinePosition), I->Em, Upem));
    } else {
        I->UlThickness = std::max<int32_t>(1, I->Em / 14);
        I->UlOffset = std::max<int32_t>(1, I->Em / 10);
    }
    if (I->UlOffset + I->UlThickness > M.tmDescent && M.tmDescent > 0)
        I->UlOffset = std::max<int32_t>(1, M.tmDescent - I->UlThickness);
    if (Os2 && Os2->version != 0xFFFF && Os2->yStrikeoutSize > 0) {
        I->SoThickness = std::max<int32_t>(1, Scale(Os2->yStrikeoutSize, I->Em, Upem));
        I->SoOffset = -std::max<int32_t>(1, Scale(Os2->yStrikeoutPosition, I->Em, Upem));
    } else {
        I->SoThickness = I->UlThickness;
        I->SoOffset = -std::max<int32_t>(1, M.tmAscent / 3);
    }

    // Direction of the baseline.
    int32_t Esc = Request.Escapement % 3600;
    if (Esc < 0) Esc += 3600;
    if (Esc != 0) {
        double A = Esc * std::numbers::pi / 1800.0;
        double C = std::cos(A), S = std::sin(A);
        if (Esc == 900) C = 0, S = 1;
        if (Esc == 1800) C = -1, S = 0;
        if (Esc == 2700) C = 0, S = -1;
        I->DirX = C;
        I->DirY = -S;
        I->Rotation = FT_Matrix{FT_Fixed(std::lround(C * 65536)), FT_Fixed(std::lround(-S * 65536)),
                                FT_Fixed(std::lround(S * 65536)), FT_Fixed(std::lround(C * 65536))};
        I->Rotated = true;
    }

    // Symbol remapping.
    if (I->Res.Wingdings) {
        std::lock_guard<std::mutex> L(I->Lock);
        for (const TSymbolMap& S : WingdingsMap) {
            char32_t Pick = S.First;
            if (S.Second) {
                bool Has = FT_Get_Char_Index(F, S.First) != 0;
                if (!Has)
                    if (FT_Face Fb = I->FallbackFace()) Has = FT_Get_Char_Index(Fb, S.First) != 0;
                if (!Has) Pick = S.Second;
            }
            I->SymbolMap[S.Code] = Pick;
        }
    }
    return I;
}

struct TFaceCache {
    std::mutex Lock;
    std::unordered_map<std::string, std::shared_ptr<TFontFace>> Map;
};

TFaceCache& FaceCache() {
    static auto* C = new TFaceCache;
    return *C;
}

std::string RequestKey(const TFontRequest& S) {
    std::string K = Lower(Trim(S.FaceName));
    int32_t Esc = S.Escapement % 3600;
    if (Esc < 0) Esc += 3600;
    bool AA = S.Quality == ANTIALIASED_QUALITY || S.Quality == CLEARTYPE_QUALITY ||
              S.Quality == CLEARTYPE_NATURAL_QUALITY;
    K += '\x01';
    K += std::to_string(S.Height) + ',' + std::to_string(S.Width < 0 ? -int64_t(S.Width) : S.Width) + ',' +
         std::to_string(S.Weight <= 0 ? 400 : std::min<int32_t>(S.Weight, 1000)) + ',' + std::to_string(Esc) +
         ',' + (S.Italic ? 'i' : '-') + (S.Underline ? 'u' : '-') + (S.StrikeOut ? 's' : '-') + (AA ? 'a' : '-');
    return K;
}

constexpr size_t FaceCacheSoftLimit = 256;

}  // namespace

std::shared_ptr<TFontFace> ResolveFont(const TFontRequest& Request) {
    std::string Key = RequestKey(Request);
    TFaceCache& C = FaceCache();
    std::lock_guard<std::mutex> L(C.Lock);
    auto It = C.Map.find(Key);
    if (It != C.Map.end()) return It->second;
    std::shared_ptr<TFontFace> Face(new TFontFace(LoadFace(Request)));
    if (C.Map.size() >= FaceCacheSoftLimit) {
        for (auto I = C.Map.begin(); I != C.Map.end();)
            I = I->second.use_count() == 1 ? C.Map.erase(I) : std::next(I);
    }
    C.Map.emplace(std::move(Key), Face);
    return Face;
}

void TrimFontCache() {
    TFaceCache& C = FaceCache();
    std::lock_guard<std::mutex> L(C.Lock);
    for (auto I = C.Map.begin(); I != C.Map.end();)
        I = I->second.use_count() == 1 ? C.Map.erase(I) : std::next(I);
}

std::string ResolveFamilyName(const std::string& FaceName, int32_t Weight, bool Italic) {
    return ResolveName(FaceName, Weight >= 600, Italic).Family;
}

int32_t PointsToHeight(int32_t Points, int32_t Dpi) {
    int64_t N = int64_t(Points) * Dpi;
    int64_t Q = (N >= 0 ? N + 36 : N - 36) / 72;  // half away from zero
    return int32_t(-Q);
}

}  // namespace vcl
