#include "CorvaneVComponents.h"

#include "CvBitmapLCD.h"
#include "CvBitmapLCD2.h"
#include "CvCalendar.h"
#include "CvLcd.h"
#include "CvLed.h"
#include "CvLinkLabel.h"
#include "CvOfficeLabel.h"
#include "CvTextScroller.h"
#include "DesignIntf.h"

namespace corvane::CorvaneVComponents {

const std::vector<TCvPalettePage>& Pages() {
    static const std::vector<TCvPalettePage> pages = {
        {"Corvane-Vis1",
         {
             {"TCvAnimation", nullptr},
             {"TCvAnimation95", nullptr},
             {"TCvBitmapLCD", &TCvBitmapLCD::StaticClass},
             {"TCvBitmapLCD2", &TCvBitmapLCD2::StaticClass},
             {"TCvButton95", nullptr},
             {"TCvButtonEdit", nullptr},
             {"TCvBwccCheckbox", nullptr},
             {"TCvBwccRadioButton", nullptr},
             {"TCvCalendar", &TCvCalendar::StaticClass},
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
             {"TCvOfficeLabel", &TCvOfficeLabel::StaticClass},
             {"TCvPolyHotSpot", nullptr},
             {"TCvRepeatedSpeedButton", nullptr},
             {"TCvRepeatedButton", nullptr},
             {"TCvRepeatedBitBtn", nullptr},
             {"TCvRichedit", nullptr},
             {"TCvRichLabel", nullptr},
             {"TCvRuler", nullptr},
             {"TCvSplitter", nullptr},
             {"TCvTextScroller", &TCvTextScroller::StaticClass},
             {"TCvWizard", nullptr},
             {"TCvLinkLabel", &TCvLinkLabel::StaticClass},
             {"TCvLed", &TCvLed::StaticClass},
             {"TCvBlinkingLed", &TCvBlinkingLed::StaticClass},
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
