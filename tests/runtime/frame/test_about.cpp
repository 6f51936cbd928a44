// The About pseudo-property: always written, never acted on.
#include <gtest/gtest.h>

#include <memory>

#include "Classes.h"
#include "CorvaneReg.h"
#include "CvMathParser.h"
#include "DesignIntf.h"
#include "Filer.h"

using namespace corvane;

// A component dropped on a form is written with About = 0 though nobody
// touched it, for every component of the palette that has the property.
TEST(About, WrittenAsZeroForEveryComponent) {
    vcl::ClearPalette();
    CorvaneReg::Register();
    int checked = 0;
    for (const std::string& page : vcl::PalettePages()) {
        for (const vcl::TMetaClass* c : vcl::PaletteClasses(page)) {
            if (!c->FindProperty("About")) continue;
            vcl::TComponent form(nullptr);
            form.SetName("Form1");
            vcl::TComponent* dropped = c->Create(&form);
            dropped->SetName("Dropped1");
            const std::string text = vcl::ComponentToString(dropped);
            EXPECT_NE(text.find("\n  About = 0\n"), std::string::npos) << c->ClassName() << ":\n" << text;
            ++checked;
        }
    }
    vcl::ClearPalette();
    EXPECT_GE(checked, 1);
}

// Whatever the file holds for About, the component works the same.
TEST(About, ValueInTheFileChangesNothing) {
    vcl::RegisterClass(TCvMathParser::StaticClass());
    long double results[3];
    const char* values[] = {"0", "7", "255"};
    for (int i = 0; i < 3; ++i) {
        TCvMathParser parser(nullptr);
        vcl::StringToComponent(std::string("object MathParser1: TCvMathParser\n  About = ") + values[i] +
                                   "\n  Formula = 'SQRT(X)*Y'\n  AutoCompile = True\nend\n",
                               &parser);
        EXPECT_EQ(parser.Error(), 0);
        results[i] = parser.Calculate(16, 3);
    }
    EXPECT_EQ(results[0], 12);
    EXPECT_EQ(results[1], results[0]);
    EXPECT_EQ(results[2], results[0]);
}
