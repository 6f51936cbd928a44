#include "CvCGIConnect.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "DateTime.h"
#include "Dialogs.h"
#include "IniFiles.h"
#include "ProcessControl.h"
#include "Streams.h"
#include "SysUtils.h"
#include "Windows.h"

namespace corvane {

using namespace vcl;

VCL_PUBLISHED(TCvCGIConnect, vcl::TComponent) {
    B.Property("Title", &TCvCGIConnect::Title, &TCvCGIConnect::SetTitle);
    B.Property("Adress", &TCvCGIConnect::Adress, &TCvCGIConnect::SetAdress);
    B.Property("Hompage", &TCvCGIConnect::Hompage, &TCvCGIConnect::SetHompage);
    B.Property("ResponseHeaders", &TCvCGIConnect::ResponseHeaders, &TCvCGIConnect::SetResponseHeaders);
    B.Property("BackgroundImage", &TCvCGIConnect::BackgroundImage, &TCvCGIConnect::SetBackgroundImage);
    B.Property("BgColor", &TCvCGIConnect::BgColor, &TCvCGIConnect::SetBgColor);
    B.Property("TextColor", &TCvCGIConnect::TextColor, &TCvCGIConnect::SetTextColor);
    B.Property("LinkColor", &TCvCGIConnect::LinkColor, &TCvCGIConnect::SetLinkColor);
    B.Property("VLinkColor", &TCvCGIConnect::VLinkColor, &TCvCGIConnect::SetVLinkColor);
    B.Property("ALinkColor", &TCvCGIConnect::ALinkColor, &TCvCGIConnect::SetALinkColor);
    B.Property("About", &TCvCGIConnect::About, &TCvCGIConnect::SetAbout);
}

static_assert(std::size(CvServerStatusTexts) == cvstTimeout + 1);
static_assert(std::size(CvRequestMethodNames) == cvrmOther + 1);

namespace {

const char* const kCRLF = "\r\n";

// Text for an HTML page: the characters with a meaning in markup or in a
// quoted attribute are written as entities.
std::string HtmlEscape(const std::string& Text) {
    std::string out;
    out.reserve(Text.size());
    for (char c : Text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c; break;
        }
    }
    return out;
}

[[noreturn]] void BadField(const std::string& Key, const std::string& Value, const char* What) {
    throw EConvertError("'" + Value + "' of the form field " + Key + " has no valid " + What);
}

// Splits "first length" at the last blank; the blanks before the length
// all separate, so the first part (a path) may hold blanks of its own.  The
// length must be a number from 0 to TCvCGIConnect::MaxFieldLength;
// EConvertError otherwise.
void SplitFieldValue(const std::string& Key, const std::string& Value, std::string& First,
                     int32_t& Length) {
    const size_t blank = Value.rfind(' ');
    if (blank == std::string::npos) BadField(Key, Value, "length");
    Length = StrToInt(Value.substr(blank));  // EConvertError for anything but a number
    if (Length < 0 || Length > TCvCGIConnect::MaxFieldLength) BadField(Key, Value, "length");
    const size_t end = Value.find_last_not_of(' ', blank);
    First = end == std::string::npos ? std::string() : Value.substr(0, end + 1);
}

// Length bytes of FileName from Offset on.  What cannot be read (no such
// file, not a regular file, past its end) is replaced by blanks, but the
// result is never filled beyond MaxBlankFill bytes.  Only a regular file is
// opened, so a profile naming a FIFO or a device cannot block the program.
std::string ReadFieldFile(const std::string& FileName, int64_t Offset, int32_t Length) {
    std::string data;
    std::error_code ec;
    if (!FileName.empty() && std::filesystem::is_regular_file(FileName, ec)) {
        try {
            TFileStream file(FileName, fmOpenRead | fmShareDenyNone);
            const int64_t available = file.Size() - Offset;
            if (available > 0) {
                data.resize(static_cast<size_t>(std::min<int64_t>(available, Length)));
                file.Seek(Offset, soBeginning);
                int64_t done = 0;
                while (done < static_cast<int64_t>(data.size())) {
                    const int64_t n = file.Read(data.data() + done, static_cast<int64_t>(data.size()) - done);
                    if (n <= 0) break;
                    done += n;
                }
                data.resize(static_cast<size_t>(done));
            }
        } catch (const EStreamError&) {
            data.clear();  // unreadable: blanks, as for a missing file
        }
    }
    const size_t fill = static_cast<size_t>(std::min<int32_t>(Length, TCvCGIConnect::MaxBlankFill));
    if (data.size() < fill) data.append(fill - data.size(), ' ');
    return data;
}

}  // namespace

TCvCGIConnect::TCvCGIConnect(TComponent* AOwner)
    : TComponent(AOwner),
      FResponseHeaders(std::make_unique<TStringList>()),
      FOutputBuffer(std::make_unique<TMemoryStream>()),
      FAccept(std::make_unique<TCvCGIValuesList>()),
      FExtraHeaders(std::make_unique<TCvCGIValuesList>()),
      FFormLiteral(std::make_unique<TCvCGIValuesList>()),
      FFormExternal(std::make_unique<TCvCGIValuesList>()),
      FFormHuge(std::make_unique<TCvCGIValuesList>()) {
    // Initalize calls nothing virtual, so it is complete here already; the
    // designing state comes from the owner, which made this component
    // designing while inserting it.
    if (!IsDesigning()) Initalize();
}

TCvCGIConnect::~TCvCGIConnect() = default;

void TCvCGIConnect::SetResponseHeaders(const TStrings* Value) {
    if (Value != FResponseHeaders.get()) {
        if (Value)
            FResponseHeaders->Assign(*Value);
        else
            FResponseHeaders->Clear();
    }
}

std::string TCvCGIConnect::ReadProfile(const std::string& Section, const std::string& Key) const {
    if (!FProfile) return {};
    std::string value = FProfile->ReadString(Section, Key, KeyNotFound);
    return value == KeyNotFound ? std::string() : value;
}

void TCvCGIConnect::Initalize() {
    FProfileFile = ParamStr(1);
    try {
        FProfile = std::make_unique<TMemIniFile>(FProfileFile);
    } catch (const Exception&) {
        // A profile that exists but cannot be read (a directory, no
        // permission) is treated like a missing one.
        auto empty = std::make_unique<TMemIniFile>("");
        empty->Rename(FProfileFile, false);
        FProfile = std::move(empty);
    }

    FCGIVersion = ReadProfile("CGI", "CGI Version");
    FRequestProtocol = ReadProfile("CGI", "Request Protocol");
    FRequestMethod = ReadProfile("CGI", "Request Method");
    FExecutablePath = ReadProfile("CGI", "Executable Path");
    FLogicalPath = ReadProfile("CGI", "Logical Path");
    FPhysicalPath = ReadProfile("CGI", "Physical Path");
    FQueryString = ReadProfile("CGI", "Query String");
    FContentType = ReadProfile("CGI", "Content Type");
    FContentLength = FProfile->ReadInteger("CGI", "Content Length", -1);
    FServerSoftware = ReadProfile("CGI", "Server Software");
    FServerName = ReadProfile("CGI", "Server Name");
    FServerPort = FProfile->ReadInteger("CGI", "Server Port", -1);
    FServerAdmin = ReadProfile("CGI", "Server Admin");
    FReferer = ReadProfile("CGI", "Referer");
    FFrom = ReadProfile("CGI", "From");
    FRemoteHost = ReadProfile("CGI", "Remote Host");
    FRemoteAdress = ReadProfile("CGI", "Remote Adress");
    FAuthenticatedUser = ReadProfile("CGI", "Authenticated User");
    FAuthenticatedPassword = ReadProfile("CGI", "Authenticated Password");
    FAuthenticationMethod = ReadProfile("CGI", "Authentication Method");
    FAuthenticationRealm = ReadProfile("CGI", "Authentication Realm");
    FGMTOffset = FProfile->ReadInteger("System", "GMT Offset", -1);
    FOutputFile = ReadProfile("System", "Output File");
    FContentFile = ReadProfile("System", "Content File");
    FDebugMode = FProfile->ReadString("System", "Debug Mode", "No") == "Yes";

    FProfile->ReadSectionValues("Accept", *FAccept);
    FProfile->ReadSectionValues("Extra Headers", *FExtraHeaders);
    FProfile->ReadSectionValues("Form Literal", *FFormLiteral);
    FProfile->ReadSectionValues("Form External", *FFormExternal);
    FProfile->ReadSectionValues("Form Huge", *FFormHuge);

    CopyExternalToLiteral();

    FOutputBuffer = std::make_unique<TMemoryStream>();

    // There is no application object to ask yet; with or without an owner
    // the component pumps the thread's queue itself.
    ProcessMessages();
}

void TCvCGIConnect::CopyExternalToLiteral() {
    if (!FProfile) return;
    TStringList keys;
    FProfile->ReadSection("Form External", keys);
    for (Integer i = 0; i < keys.Count(); ++i) {
        const std::string key = keys.Strings(i);
        try {
            FFormLiteral->Add(key + "=" + GetFormExternalField(key));
        } catch (const EConvertError&) {
            // Not a valid length: the field cannot be read, leave it out.
        }
    }
}

std::string TCvCGIConnect::WebDate(TDateTime Date) const {
    return FormatDateTime("ddd dd mmm yyyy hh:mm:ss \"GMT\"", Date - FGMTOffset / 86400.0,
                          FormatSettings());
}

void TCvCGIConnect::SendString(const std::string& Text, bool AddLineEnd) {
    FOutputBuffer->WriteBuffer(Text.data(), static_cast<Int64>(Text.size()));
    if (AddLineEnd) FOutputBuffer->WriteBuffer(kCRLF, 2);
}

void TCvCGIConnect::Send(const std::string& Text) { SendString(Text, true); }

void TCvCGIConnect::StartSendCGI() {
    Send("");
    Send("<HTML>");
    Send("<HEAD>");
    Send("<TITLE>" + FTitle + "</TITLE>");
    Send("</HEAD>");
    std::string attributes;
    if (!FBackgroundImage.empty()) attributes += " background=\"" + FBackgroundImage + "\"";
    if (!FBgColor.empty()) attributes += " bgcolor=#" + FBgColor;
    if (!FTextColor.empty()) attributes += " text=#" + FTextColor;
    if (!FLinkColor.empty()) attributes += " link=#" + FLinkColor;
    if (!FVLinkColor.empty()) attributes += " vlink=#" + FVLinkColor;
    if (!FALinkColor.empty()) attributes += " alink=#" + FALinkColor;
    Send("<body" + attributes + ">");
}

void TCvCGIConnect::WriteOutputFile(const std::string& Text) const {
    TFileStream file(FOutputFile, fmCreate);
    file.WriteBuffer(Text.data(), static_cast<Int64>(Text.size()));
}

void TCvCGIConnect::EndSendCGI() {
    Send("</BODY>");
    Send("</HTML>");
    const Int64 size = FOutputBuffer->Size();
    std::string text;
    text.reserve(256 + static_cast<size_t>(size));
    text += "HTTP/1.0 ";
    text += CvServerStatusTexts[FServerStatus];
    text += kCRLF;
    text += "Server : " + FServerSoftware + kCRLF;
    text += "Date : " + WebDate(Now()) + kCRLF;
    text += "Content-Type: " + FResponseContentType + kCRLF;
    text += "Content-Length : " + IntToStr(size) + kCRLF;
    for (Integer i = 0; i < FResponseHeaders->Count(); ++i) text += FResponseHeaders->Strings(i) + kCRLF;
    text += kCRLF;
    if (size > 0) text.append(static_cast<const char*>(FOutputBuffer->Memory()), static_cast<size_t>(size));
    WriteOutputFile(text);
}

void TCvCGIConnect::SendBounceToLocation(const std::string& Target) {
    std::string text = "HTTP/1.0 ";
    text += CvServerStatusTexts[FServerStatus];
    text += kCRLF;
    text += "Server : " + FServerSoftware + kCRLF;
    text += "Date : " + WebDate(Now()) + kCRLF;
    text += "Location : " + Target + kCRLF + kCRLF;
    WriteOutputFile(text);
}

void TCvCGIConnect::CGIErrorHandler(TObject*, const std::exception& E) {
    FOutputBuffer->Clear();
    FServerStatus = cvstInternalError;
    const auto* platformError = dynamic_cast<const Exception*>(&E);
    const std::string message = HtmlEscape(platformError ? platformError->Message() : E.what());
    const std::string path = HtmlEscape(FExecutablePath);
    const std::string admin = HtmlEscape(FServerAdmin);
    const std::string date = WebDate(Now());
    std::string text;
    text += "HTTP/1.0 500 Internal Error\r\n";
    text += "Server : " + FServerSoftware + kCRLF;
    text += "Date : " + date + kCRLF;
    text += "Content-Type : text/html\r\n\r\n";
    text += "<HTML><HEAD><TITLE>Error in " + path + "</TITLE></HEAD><BODY>\r\n";
    text += "<H2>Error in " + path + "</H2>\r\n";
    text += "An internal error has occured in this program : " + path + ".<P>\r\n";
    text += "<PRE>" + message +
            "</PRE><I>Please</I> note what you were doing when this problem occured, so we can \r\n";
    text += "identify and correct it. Write down the Web page you were using, date and time listed "
            "below, and \r\n";
    text += "anything else that may help us duplicate the problem. Then contact the administrator "
            "of this service: \r\n";
    text += "<A HREF=\"mailto:" + admin + "\">" + admin + "</A><HR>\r\n";
    text += "Generated on: " + HtmlEscape(date) + "</BODY></HTML>";
    int exitCode = 0;
    try {
        WriteOutputFile(text);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s: cannot write the error page: %s\n", ClassName().c_str(), failure.what());
        exitCode = 1;
    }
    Halt(exitCode);
}

void TCvCGIConnect::CGIErrorHandler(TObject* Sender, std::exception_ptr Error) {
    try {
        if (Error) std::rethrow_exception(Error);
        throw Exception("Unknown error");
    } catch (const std::exception& e) {
        CGIErrorHandler(Sender, e);
    } catch (...) {
        CGIErrorHandler(Sender, Exception("Unknown exception"));
    }
}

void TCvCGIConnect::SendAdress(const std::string& Text, bool AsMailLink, bool AddAdress) {
    std::string text = Text;
    if (AddAdress) text += " " + FAdress;
    if (AsMailLink) text = "<A HREF=\"mailto:" + FAdress + "\">" + text + "</A>";
    Send("<ADRESS>" + text + "</ADRESS>");
}

void TCvCGIConnect::SendHREF(const std::string& Picture, const std::string& PictureAttributes,
                             const std::string& Text, const std::string& Target) {
    Send("<A HREF=\"" + Target + "\">");
    if (!Picture.empty()) Send("<IMG " + PictureAttributes + " SRC=\"" + Picture + "\">");
    Send(Text + "</A>");
}

void TCvCGIConnect::SendHdr(uint8_t Level, const std::string& Text) {
    const int n = Level == 0 ? 1 : Level > 6 ? 6 : Level;
    const std::string digits = std::to_string(n);
    Send("<H" + digits + ">" + Text + "</H" + digits + ">");
}

void TCvCGIConnect::SendComment(const std::string& Text) { Send("<!-- " + Text + " --!>"); }

void TCvCGIConnect::ProcessMessages() {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

std::string TCvCGIConnect::GetFormField(const std::string& Key) {
    if (FProfile) {
        const std::string value = FProfile->ReadString("Form Literal", Key, KeyNotFound);
        if (value != KeyNotFound) return value;
    }
    return GetFormExternalField(Key);
}

int32_t TCvCGIConnect::GetFormFieldInt(const std::string& Key, bool Flag) {
    const int32_t value = StrToInt(GetFormField(Key));
    return Flag ? value : 0;
}

std::unique_ptr<TStringList> TCvCGIConnect::GetFormMultiField(const std::string& Key) {
    auto list = std::make_unique<TStringList>();
    if (!FProfile) return list;
    std::string name = Key;
    for (;;) {
        std::string value = FProfile->ReadString("Form Literal", name, KeyNotFound);
        if (value == KeyNotFound) {
            if (FProfile->ReadString("Form External", name, KeyNotFound) == KeyNotFound) break;
            value = GetFormExternalField(name);
        }
        list->Add(value);
        name = Key + "_" + std::to_string(list->Count());
    }
    return list;
}

std::string TCvCGIConnect::GetFormExternalField(const std::string& Key) {
    const std::string value = FProfile ? FProfile->ReadString("Form External", Key, KeyNotFound)
                                       : std::string(KeyNotFound);
    if (value == KeyNotFound) return {};
    std::string path;
    int32_t length = 0;
    SplitFieldValue(Key, value, path, length);
    return ReadFieldFile(path, 0, length);
}

std::string TCvCGIConnect::GetFormHugeField(const std::string& Key) {
    const std::string value = FProfile ? FProfile->ReadString("Form Huge", Key, KeyNotFound)
                                       : std::string(KeyNotFound);
    if (value == KeyNotFound) return {};
    std::string offsetText;
    int32_t length = 0;
    SplitFieldValue(Key, value, offsetText, length);
    const int64_t offset = StrToInt64(offsetText);
    if (offset < 0) BadField(Key, value, "offset");
    return ReadFieldFile(FContentFile, offset, length);
}

TCvRequestMethod TCvCGIConnect::GetMethod() const {
    const std::string method = UpperCase(FRequestMethod);
    for (int i = 0; i < cvrmOther; ++i)
        if (method == CvRequestMethodNames[i]) return static_cast<TCvRequestMethod>(i);
    return cvrmOther;
}

// ---------------------------------------------------------------------------
// TCGIFilenameProperty

vcl::TPropertyAttributes TCGIFilenameProperty::GetAttributes() const { return {paDialog, paRevertable}; }

void TCGIFilenameProperty::Edit() {
    auto dialog = std::make_unique<TOpenDialog>(nullptr);
    dialog->SetFileName(GetStrValue());
    dialog->SetFilter(Filter);
    TOpenOptions options = dialog->Options();
    options.Include(ofPathMustExist);
    options.Include(ofFileMustExist);
    dialog->SetOptions(options);
    if (dialog->Execute()) SetStrValue(dialog->FileName());
}

}  // namespace corvane
