// Integer properties with named values: written by name, read by name or number.
#include <gtest/gtest.h>

#include "Classes.h"
#include "Filer.h"

namespace cvtest_idents {

using namespace vcl;

bool ShadeToIdent(int64_t v, std::string& ident) {
    if (v == 0xFF) ident = "shRed";
    else if (v == 0) ident = "shBlack";
    else return false;
    return true;
}
bool IdentToShade(const std::string& ident, int64_t& v) {
    if (ident == "shRed") v = 0xFF;
    else if (ident == "shBlack") v = 0;
    else if (ident == "shHuge") v = int64_t{1} << 40;  // out of range for the property
    else return false;
    return true;
}

class TNamed : public TComponent {
    VCL_DECLARE_CLASS(TNamed)
public:
    using TComponent::TComponent;
    int32_t Shade() const { return FShade; }
    void SetShade(int32_t v) { FShade = v; }

private:
    int32_t FShade = 1;
};
VCL_PUBLISHED(TNamed, TComponent) {
    B.Property("Shade", &TNamed::Shade, &TNamed::SetShade).Idents(ShadeToIdent, IdentToShade);
}

}  // namespace cvtest_idents

using namespace cvtest_idents;

TEST(NamedIntegers, WrittenByNameReadByNameOrNumber) {
    TNamed a(nullptr);
    a.SetName("A");
    a.SetShade(0xFF);
    const std::string text = vcl::ComponentToString(&a);
    EXPECT_NE(text.find("Shade = shRed"), std::string::npos) << text;
    a.SetShade(77);
    EXPECT_NE(vcl::ComponentToString(&a).find("Shade = 77"), std::string::npos);

    TNamed b(nullptr);
    vcl::StringToComponent("object A: TNamed\n  Shade = shBlack\nend\n", &b);
    EXPECT_EQ(b.Shade(), 0);
    vcl::StringToComponent("object A: TNamed\n  Shade = 255\nend\n", &b);
    EXPECT_EQ(b.Shade(), 255);
    EXPECT_THROW(vcl::StringToComponent("object A: TNamed\n  Shade = shGreen\nend\n", &b), vcl::EReadError);
    EXPECT_THROW(vcl::StringToComponent("object A: TNamed\n  Shade = shHuge\nend\n", &b), vcl::EReadError);
    EXPECT_EQ(b.Shade(), 255);
}
