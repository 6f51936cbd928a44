#include "CorvaneVComponents.h"

#include "CvLcd.h"
#include "DesignIntf.h"

namespace corvane::CorvaneVComponents {

const std::vector<TCvPalettePage>& Pages() {
    static const std::vector<TCvPalettePage> pages = {
        {"Corvane-Vis1",
         {
             {"TCvAnimation", nullptr},
             {"TCvAnimation95", nullptr},
             {"TCvBitmapLCD", nullptr},
             {"TCvBitmapLCD2", nullptr},
             {"TCvButton95", nullptr},
             {"TCvButtonEdit", nullptr},
             {"TCvBwccCheckbox", nullptr},
             {"TCvBwccRadioButton", nullptr},
             {"TCvCalendar", nullptr},
             {"TCvCheckListBox", nullptr},
             {"TCvCheckBox95", nullptr},
             {"TCvRadioButton95", nullptr},
             {"TCvColorButton", nullptr},
             {"TCvColorComboBox", nullptr},
             {"TCvDateEdit", nullptr},
             {"TCvDirTreeView", nullptr},
             {"TCvExtButtonEdit", nullptr},
             {"TCvFontComboBox", nullptr},
             {"TCvExtFontComboBox", nullptr},
             {"TCvFileListView", nullptr},
             {"TCvFramedListbox", nullptr},
         }},
        {"Corvane-Vis2",
         {
             {"TCvHotSpot", nullptr},
             {"TCvIconComboBox", nullptr},
             {"TCvIconListBox", nullptr},
             {"TCvLCD", &TCvLCD::StaticClass},
             {"TCvMultiLineLCD", &TCvMultiLineLCD::StaticClass},
             {"TCvOfficeButton", nullptr},
             {"TCvOfficeLabel", nullptr},
             {"TCvPolyHotSpot", nullptr},
             {"TCvRepeatedSpeedButton", nullptr},
             {"TCvRepeatedButton", nullptr},
             {"TCvRepeatedBitBtn", nullptr},
             {"TCvRichedit", nullptr},
             {"TCvRichLabel", nullptr},
             {"TCvRuler", nullptr},
             {"TCvSplitter", nullptr},
             {"TCvTextScroller", nullptr},
             {"TCvWizard", nullptr},
             {"TCvLinkLabel", nullptr},
             {"TCvLed", nullptr},
             {"TCvBlinkingLed", nullptr},
         }},
    };
    return pages;
}

// The wizard's page class, registered without an icon (its component
// editor creates pages); empty until the wizard is part of the build.
static const vcl::TMetaClass& (*const WizardPageClass)() = nullptr;

void Register() {
    if (WizardPageClass) vcl::RegisterNoIcon({&WizardPageClass()});
    for (const TCvPalettePage& page : Pages()) RegisterPalettePage(page);
}

}  // namespace corvane::CorvaneVComponents
