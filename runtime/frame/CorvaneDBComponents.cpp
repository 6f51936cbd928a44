#include "CorvaneDBComponents.h"

namespace corvane::CorvaneDBComponents {

const std::vector<TCvPalettePage>& Pages() {
    static const std::vector<TCvPalettePage> pages = {
        {"Corvane-Database",
         {
             {"TCvDBButtonEdit", nullptr},
             {"TCvDBDateEdit", nullptr},
             {"TCvDBFramedListbox", nullptr},
             {"TCvDBImage", nullptr},
             {"TCvDBLed", nullptr},
             {"TCvDBNavigator", nullptr},
             {"TCvDBRichEdit", nullptr},
             {"TCvDBCheckBox95", nullptr},
             {"TCvDBLCD", nullptr},
         }},
    };
    return pages;
}

void Register() {
    for (const TCvPalettePage& page : Pages()) RegisterPalettePage(page);
}

}  // namespace corvane::CorvaneDBComponents
