// CvCGIConnect.h - TCvCGIConnect: a program behind a web server that speaks
// the Windows CGI interface.
//
// The server starts the program with one argument, the path of a request
// profile (an INI file).  Created at run time, the component reads that
// profile at once (Initalize), so the request is there from the owner form's
// creation on:
//
//     TCvCGIConnect cgi(form);                  // reads ParamStr(1)
//     vcl::SetApplicationHandleException(       // errors become an error page
//         [&](vcl::TObject* s, std::exception_ptr e) { cgi.CGIErrorHandler(s, e); });
//     cgi.SetTitle("Orders");
//     cgi.StartSendCGI();
//     cgi.Send("<P>Hello " + cgi.GetFormField("name") + "</P>");
//     cgi.EndSendCGI();                         // status, headers and page into OutputFile
//
// Profile sections and keys:
//   [CGI]            the request (the fields below, "Request Method", ...)
//   [System]         "GMT Offset" (seconds, local time = GMT + offset),
//                    "Output File", "Content File", "Debug Mode"
//   [Accept]         accepted media types        -> Accept()
//   [Extra Headers]  other request headers       -> ExtraHeaders()
//   [Form Literal]   name=value                  -> FormLiteral()
//   [Form External]  name=path length            -> FormExternal(); the value
//                    is the first `length` bytes of the file.  The path is
//                    everything before the LAST blank, so it may hold blanks.
//   [Form Huge]      name=offset length          -> FormHuge(); the value is
//                    `length` bytes at `offset` of the content file, still
//                    url-encoded as the client sent it.
//
// Missing keys leave strings empty and numbers -1; a missing or unreadable
// profile reads as an empty one.  Initalize never raises.
//
// The writing operations collect the page in an output buffer, each piece
// followed by CR LF; EndSendCGI, SendBounceToLocation and CGIErrorHandler
// write the complete response (status line, headers, blank line, body) into
// OutputFile.  The header lines keep the classic spelling ("Server : ...",
// "Date : ...", "Content-Length : ...").
//
// Dates (WebDate) come from the platform clock and are written with the
// names and time separator of vcl::FormatSettings().
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "Classes.h"
#include "CvCGiValuesList.h"
#include "DesignEditors.h"

namespace vcl {
class TCustomIniFile;
class TMemoryStream;
}  // namespace vcl

namespace corvane {

VCL_ENUM(TCvRequestMethod, cvrmGet, cvrmPost, cvrmTextSearch, cvrmHead, cvrmLink, cvrmUnlink,
         cvrmPut, cvrmOther)

VCL_ENUM(TCvServerStatus, cvstOK, cvstCreated, cvstAccepted, cvstPartialInfo, cvstNoResponse,
         cvstMoved, cvstFound, cvstMethod, cvstNotModified, cvstBadRequest, cvstUnauthorized,
         cvstPaymentRequired, cvstForbidden, cvstNotFound, cvstInternalError,
         cvstNotImplemented, cvstOverloaded, cvstTimeout)

// The method names GetMethod compares with, by TCvRequestMethod ("OTHER" is
// never matched).
inline constexpr const char* CvRequestMethodNames[] = {"GET",  "POST",   "TEXTSEARCH", "HEAD",
                                                      "LINK", "UNLINK", "PUT",        "OTHER"};

// The status line text of each TCvServerStatus.
inline constexpr const char* CvServerStatusTexts[] = {
    "200 OK",
    "201 Created",
    "202 Accepted",
    "203 Partial Information",
    "204 No Response",
    "301 Moved",
    "302 Found",
    "303 Method",
    "304 Not Modified",
    "400 Bad Request",
    "401 Unauthorized",
    "402 PaymentRequired",
    "403 Forbidden",
    "404 Not Found",
    "500 Internal Error",
    "501 Not Implemented",
    "502 Service Temporarily Overloaded",
    "503 Gateway Timeout",
};

class TCvCGIConnect : public vcl::TComponent {
    VCL_DECLARE_CLASS(TCvCGIConnect)
public:
    // The default of every single-key profile lookup: getting it back means
    // that the key is absent.
    static constexpr const char* KeyNotFound = "AAACGI KEY NOT FOUND";
    // Form field lengths above this (1 GiB, the most a web server passes
    // as a request body) are refused as not being a length.
    static constexpr int32_t MaxFieldLength = 1 << 30;
    // A field file shorter than its length is filled up with blanks, but
    // never beyond this many bytes in all.
    static constexpr int32_t MaxBlankFill = 65536;

    // Reads the profile at once (Initalize) unless the component is created
    // in the designer.
    explicit TCvCGIConnect(vcl::TComponent* AOwner);
    ~TCvCGIConnect() override;

    // ----------------------------------------------------- published
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    // The webmaster's mail address, used by SendAdress.
    const std::string& Adress() const { return FAdress; }
    void SetAdress(const std::string& Value) { FAdress = Value; }
    // Kept for the application; nothing of the component uses it.
    const std::string& Hompage() const { return FHompage; }
    void SetHompage(const std::string& Value) { FHompage = Value; }
    // Lines written after the standard headers of EndSendCGI.
    vcl::TStringList* ResponseHeaders() const { return FResponseHeaders.get(); }
    void SetResponseHeaders(const vcl::TStrings* Value);
    // Attributes of the BODY element written by StartSendCGI (the colours
    // as six hex digits without '#').
    const std::string& BackgroundImage() const { return FBackgroundImage; }
    void SetBackgroundImage(const std::string& Value) { FBackgroundImage = Value; }
    const std::string& BgColor() const { return FBgColor; }
    void SetBgColor(const std::string& Value) { FBgColor = Value; }
    const std::string& TextColor() const { return FTextColor; }
    void SetTextColor(const std::string& Value) { FTextColor = Value; }
    const std::string& LinkColor() const { return FLinkColor; }
    void SetLinkColor(const std::string& Value) { FLinkColor = Value; }
    const std::string& VLinkColor() const { return FVLinkColor; }
    void SetVLinkColor(const std::string& Value) { FVLinkColor = Value; }
    const std::string& ALinkColor() const { return FALinkColor; }
    void SetALinkColor(const std::string& Value) { FALinkColor = Value; }
    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }

    // ------------------------------------------------- request fields
    // Filled by Initalize; the application may change them.
    const std::string& CGIVersion() const { return FCGIVersion; }
    void SetCGIVersion(const std::string& Value) { FCGIVersion = Value; }
    const std::string& RequestProtocol() const { return FRequestProtocol; }
    void SetRequestProtocol(const std::string& Value) { FRequestProtocol = Value; }
    const std::string& RequestMethod() const { return FRequestMethod; }
    void SetRequestMethod(const std::string& Value) { FRequestMethod = Value; }
    const std::string& ExecutablePath() const { return FExecutablePath; }
    void SetExecutablePath(const std::string& Value) { FExecutablePath = Value; }
    const std::string& LogicalPath() const { return FLogicalPath; }
    void SetLogicalPath(const std::string& Value) { FLogicalPath = Value; }
    const std::string& PhysicalPath() const { return FPhysicalPath; }
    void SetPhysicalPath(const std::string& Value) { FPhysicalPath = Value; }
    const std::string& QueryString() const { return FQueryString; }
    void SetQueryString(const std::string& Value) { FQueryString = Value; }
    const std::string& ContentType() const { return FContentType; }
    void SetContentType(const std::string& Value) { FContentType = Value; }
    int32_t ContentLength() const { return FContentLength; }
    void SetContentLength(int32_t Value) { FContentLength = Value; }
    const std::string& ServerSoftware() const { return FServerSoftware; }
    void SetServerSoftware(const std::string& Value) { FServerSoftware = Value; }
    const std::string& ServerName() const { return FServerName; }
    void SetServerName(const std::string& Value) { FServerName = Value; }
    int32_t ServerPort() const { return FServerPort; }
    void SetServerPort(int32_t Value) { FServerPort = Value; }
    const std::string& ServerAdmin() const { return FServerAdmin; }
    void SetServerAdmin(const std::string& Value) { FServerAdmin = Value; }
    const std::string& Referer() const { return FReferer; }
    void SetReferer(const std::string& Value) { FReferer = Value; }
    const std::string& From() const { return FFrom; }
    void SetFrom(const std::string& Value) { FFrom = Value; }
    const std::string& RemoteHost() const { return FRemoteHost; }
    void SetRemoteHost(const std::string& Value) { FRemoteHost = Value; }
    const std::string& RemoteAdress() const { return FRemoteAdress; }
    void SetRemoteAdress(const std::string& Value) { FRemoteAdress = Value; }
    const std::string& AuthenticatedUser() const { return FAuthenticatedUser; }
    void SetAuthenticatedUser(const std::string& Value) { FAuthenticatedUser = Value; }
    const std::string& AuthenticatedPassword() const { return FAuthenticatedPassword; }
    void SetAuthenticatedPassword(const std::string& Value) { FAuthenticatedPassword = Value; }
    const std::string& AuthenticationMethod() const { return FAuthenticationMethod; }
    void SetAuthenticationMethod(const std::string& Value) { FAuthenticationMethod = Value; }
    const std::string& AuthenticationRealm() const { return FAuthenticationRealm; }
    void SetAuthenticationRealm(const std::string& Value) { FAuthenticationRealm = Value; }
    // Seconds to add to GMT to get the server's local time.
    double GMTOffset() const { return FGMTOffset; }
    void SetGMTOffset(double Value) { FGMTOffset = Value; }
    const std::string& OutputFile() const { return FOutputFile; }
    void SetOutputFile(const std::string& Value) { FOutputFile = Value; }
    const std::string& ContentFile() const { return FContentFile; }
    void SetContentFile(const std::string& Value) { FContentFile = Value; }
    bool DebugMode() const { return FDebugMode; }
    void SetDebugMode(bool Value) { FDebugMode = Value; }

    // ------------------------------------------------------ other state
    TCvServerStatus ServerStatus() const { return FServerStatus; }
    void SetServerStatus(TCvServerStatus Value) { FServerStatus = Value; }
    const std::string& ResponseContentType() const { return FResponseContentType; }
    void SetResponseContentType(const std::string& Value) { FResponseContentType = Value; }
    // The profile's path, ParamStr(1) as Initalize found it.
    const std::string& ProfileFile() const { return FProfileFile; }
    // The profile reader (nullptr until Initalize ran).
    vcl::TCustomIniFile* Profile() const { return FProfile.get(); }
    // The page collected so far.
    vcl::TMemoryStream* OutputBuffer() const { return FOutputBuffer.get(); }
    TCvCGIValuesList* Accept() const { return FAccept.get(); }
    TCvCGIValuesList* ExtraHeaders() const { return FExtraHeaders.get(); }
    // [Form Literal], followed by "name=value" of every external field.
    TCvCGIValuesList* FormLiteral() const { return FFormLiteral.get(); }
    TCvCGIValuesList* FormExternal() const { return FFormExternal.get(); }
    TCvCGIValuesList* FormHuge() const { return FFormHuge.get(); }

    // ------------------------------------------------------- operations
    // Reads the profile named by ParamStr(1): the fields, the five lists,
    // the external fields into FormLiteral (a field whose length is not a
    // valid length is left out); then starts a new output buffer and
    // processes the pending messages.  Raises nothing.
    void Initalize();
    // Adds "name=value" of every [Form External] field to FormLiteral; a
    // field whose length is not a valid length is skipped.
    void CopyExternalToLiteral();
    // The date as "ddd dd mmm yyyy hh:mm:ss GMT", GMTOffset seconds earlier.
    std::string WebDate(vcl::TDateTime Date) const;

    void SendString(const std::string& Text, bool AddLineEnd);
    void Send(const std::string& Text);  // with CR LF
    void StartSendCGI();
    // Ends the page and writes the response into OutputFile; EFCreateError
    // when the file cannot be created.
    void EndSendCGI();
    // Writes a redirect response (set ServerStatus to cvstMoved or
    // cvstFound first); the output buffer is not used.
    void SendBounceToLocation(const std::string& Target);
    // Writes an error page for E into OutputFile and ends the program with
    // vcl::Halt(0); when the file cannot be written, the reason goes to
    // stderr and the program ends with vcl::Halt(1).  The texts it puts into
    // the page are HTML-escaped.
    [[noreturn]] void CGIErrorHandler(vcl::TObject* Sender, const std::exception& E);
    // The same for the form of the application's exception handler.
    [[noreturn]] void CGIErrorHandler(vcl::TObject* Sender, std::exception_ptr Error);
    void SendAdress(const std::string& Text, bool AsMailLink, bool AddAdress);
    void SendHREF(const std::string& Picture, const std::string& PictureAttributes,
                  const std::string& Text, const std::string& Target);
    // <Hn>Text</Hn>, n raised to 1 and lowered to 6.
    void SendHdr(uint8_t Level, const std::string& Text);
    void SendComment(const std::string& Text);
    // Removes every pending message of the thread; dispatches all but
    // WM_QUIT, which is dropped.
    void ProcessMessages();

    // [Form Literal] value of Key, else its external field, else "".
    std::string GetFormField(const std::string& Key);
    // GetFormField strictly converted (EConvertError when it is no number);
    // the number when Flag is set, 0 otherwise.
    int32_t GetFormFieldInt(const std::string& Key, bool Flag);
    // Key, Key_1, Key_2, ... as long as one is present, each from
    // [Form Literal] or else from [Form External] (the web server puts the
    // values of a repeated field into either section).
    std::unique_ptr<vcl::TStringList> GetFormMultiField(const std::string& Key);
    // The value of an external field, "" when there is none.  EConvertError
    // when its length is not a number, negative or above MaxFieldLength.  An
    // unreadable or short file gives blanks in place of the missing bytes
    // (up to MaxBlankFill bytes in all).
    std::string GetFormExternalField(const std::string& Key);
    // The raw (still url-encoded) value of a huge field, "" when there is
    // none; offset and length as for GetFormExternalField.
    std::string GetFormHugeField(const std::string& Key);
    TCvRequestMethod GetMethod() const;

private:
    std::string ReadProfile(const std::string& Section, const std::string& Key) const;
    void WriteOutputFile(const std::string& Text) const;

    std::string FTitle;
    std::string FAdress;
    std::string FHompage;
    std::unique_ptr<vcl::TStringList> FResponseHeaders;
    std::string FBackgroundImage;
    std::string FBgColor;
    std::string FTextColor;
    std::string FLinkColor;
    std::string FVLinkColor;
    std::string FALinkColor;
    uint8_t FAbout = 0;

    std::string FCGIVersion;
    std::string FRequestProtocol;
    std::string FRequestMethod;
    std::string FExecutablePath;
    std::string FLogicalPath;
    std::string FPhysicalPath;
    std::string FQueryString;
    std::string FContentType;
    int32_t FContentLength = -1;
    std::string FServerSoftware;
    std::string FServerName;
    int32_t FServerPort = -1;
    std::string FServerAdmin;
    std::string FReferer;
    std::string FFrom;
    std::string FRemoteHost;
    std::string FRemoteAdress;
    std::string FAuthenticatedUser;
    std::string FAuthenticatedPassword;
    std::string FAuthenticationMethod;
    std::string FAuthenticationRealm;
    double FGMTOffset = -1;
    std::string FOutputFile;
    std::string FContentFile;
    bool FDebugMode = false;

    TCvServerStatus FServerStatus = cvstOK;
    std::string FResponseContentType = "text/html";
    std::string FProfileFile;
    std::unique_ptr<vcl::TCustomIniFile> FProfile;
    std::unique_ptr<vcl::TMemoryStream> FOutputBuffer;
    std::unique_ptr<TCvCGIValuesList> FAccept;
    std::unique_ptr<TCvCGIValuesList> FExtraHeaders;
    std::unique_ptr<TCvCGIValuesList> FFormLiteral;
    std::unique_ptr<TCvCGIValuesList> FFormExternal;
    std::unique_ptr<TCvCGIValuesList> FFormHuge;
};

// The object inspector's editor of BackgroundImage: the ellipsis button
// opens the file-open dialog on the current value with the image filter
// below, wanting an existing folder and file; the file chosen becomes the
// value.  Cancelling changes nothing.
class TCGIFilenameProperty : public vcl::TStringProperty {
public:
    using vcl::TStringProperty::TStringProperty;
    static constexpr const char* Filter =
        "JPG File Images (*.JPG;*.JIF)|*.JPG;*.JIF|GIF File Images (*.GIF)|*.GIF|PNG File Images "
        "(*.PNG)|*.PNG|All Files (*.*)|*.*";
    // {paDialog, paRevertable}
    vcl::TPropertyAttributes GetAttributes() const override;
    void Edit() override;
};

}  // namespace corvane
