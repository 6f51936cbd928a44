#include "CvLinkLabel.h"

#include "CvDisplayResources.h"
#include "Forms.h"
#include "ShellApi.h"
#include "Windows.h"

namespace corvane {

VCL_PUBLISHED(TCvLinkLabel, vcl::TCustomLabel) {
    using C = TCvLinkLabel;
    B.Property("About", &C::About, &C::SetAbout);
    B.Property("Align", &C::Align, &C::SetAlign).Default(vcl::alNone);
    B.Property("Alignment", &C::Alignment, &C::SetAlignment).Default(vcl::taLeftJustify);
    B.Property("AutoSize", &C::AutoSize, &C::SetAutoSize).Default(1);
    B.Property("Caption", &C::Caption, &C::SetCaption);
    B.Property("Color", &C::Color, &C::SetColor).Idents(vcl::ColorIdents());
    B.Property("Enabled", &C::Enabled, &C::SetEnabled).Default(1);
    B.Property("Font", &C::Font, &C::SetFont);
    B.Property("ShowHint", &C::ShowHint, &C::SetShowHint).Default(0);
    B.Property("Transparent", &C::Transparent, &C::SetTransparent).Default(0);
    B.Property("Visible", &C::Visible, &C::SetVisible).Default(1);
    B.Property("WordWrap", &C::WordWrap, &C::SetWordWrap).Default(0);
    B.Property("Link", &C::Link, &C::SetLink);
    B.Property("Protocol", &C::Protocol, &C::SetProtocol);
}

vcl::HCURSOR InstallLinkCursor() {
    static const vcl::HCURSOR hand = [] {
        RegisterDisplayResources();
        vcl::HCURSOR h = vcl::LoadCursor(nullptr, "crHand");
        if (h) vcl::Screen()->SetCursors(crHandLink, h);
        return h;
    }();
    return hand;
}

namespace {
// The unit's initialisation: the hand is in place before any label exists.
[[maybe_unused]] const bool gHandInstalled = [] {
    try {
        return InstallLinkCursor() != nullptr;
    } catch (...) {
        return false;
    }
}();
}  // namespace

TCvLinkLabel::TCvLinkLabel(vcl::TComponent* AOwner) : vcl::TCustomLabel(AOwner) {
    Font()->SetStyle(vcl::TFontStyles{vcl::fsUnderline});
    Font()->SetColor(vcl::clBlue);
    SetCursor(crHandLink);
    FProtocol = Http;
}

const char* TCvLinkLabel::ProtocolPrefix(TCvLinkProtocol Protocol) {
    switch (Protocol) {
        case FTP: return "ftp://";
        case Gopher: return "gopher://";
        case Http: return "http://";
        case News: return "news:";
        case Wais: return "telnet:";
        case Mail: return "mailto:";
        case Other: return "wais";
    }
    return "";
}

void TCvLinkLabel::Click() {
    vcl::TCustomLabel::Click();
    const std::string url = Url();
    vcl::ShellExecute(vcl::GetDesktopWindow(), "open", url.c_str(), nullptr, nullptr, vcl::SW_SHOWNORMAL);
}

}  // namespace corvane
