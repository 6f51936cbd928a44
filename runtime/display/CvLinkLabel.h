// CvLinkLabel.h - an underlined blue label with a hand cursor that opens an
// address through the desktop shell when it is clicked.
//
//     auto* l = new TCvLinkLabel(Form);
//     l->SetParent(Form);
//     l->SetCaption("Write to us");
//     l->SetProtocol(Mail);
//     l->SetLink("info@example.org");       // a click opens "mailto:info@example.org"
//
// The address is the protocol's prefix followed directly by Link; the
// prefixes are those of ProtocolPrefix (Wais opens "telnet:", Other the four
// letters "wais" - kept as the pack has always had them).  The hand is the
// application's cursor number 2 (crHandLink), installed when the library
// is loaded.
#pragma once

#include <cstdint>
#include <string>

#include "StdCtrls.h"

namespace corvane {

VCL_ENUM(TCvLinkProtocol, FTP, Gopher, Http, News, Wais, Mail, Other)

// The screen cursor number of the hand.
constexpr vcl::TCursor crHandLink = 2;

// Loads the "crHand" cursor and installs it as Screen()->Cursors(2); runs
// once (the library's initialisation calls it; calling it again does
// nothing).  Returns the handle (nullptr when it could not be loaded).
vcl::HCURSOR InstallLinkCursor();

class TCvLinkLabel : public vcl::TCustomLabel {
    VCL_DECLARE_CLASS(TCvLinkLabel)
public:
    explicit TCvLinkLabel(vcl::TComponent* AOwner);

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }
    // The address without the protocol prefix.
    const std::string& Link() const { return FLink; }
    void SetLink(const std::string& Value) { FLink = Value; }
    TCvLinkProtocol Protocol() const { return FProtocol; }
    void SetProtocol(TCvLinkProtocol Value) { FProtocol = Value; }

    // The prefix of a protocol ("http://", "mailto:", ...).
    static const char* ProtocolPrefix(TCvLinkProtocol Protocol);
    // Prefix followed by Link: what a click opens.
    std::string Url() const { return ProtocolPrefix(FProtocol) + FLink; }

    // OnClick first, then opens Url with the shell; a failing shell call is
    // ignored.
    void Click() override;

private:
    uint8_t FAbout = 0;
    std::string FLink;
    TCvLinkProtocol FProtocol = Http;
};

}  // namespace corvane
