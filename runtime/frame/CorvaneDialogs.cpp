#include "CorvaneDialogs.h"

namespace corvane::CorvaneDialogs {

const std::vector<TCvPalettePage>& Pages() {
    static const std::vector<TCvPalettePage> pages = {
        {"Corvane-Dialogs",
         {
             {"TCvAboutDialog", nullptr},
             {"TCvBrowseFolderDialog", nullptr},
             {"TCvCalendarDialog", nullptr},
             {"TCvCalendarPopup", nullptr},
             {"TCvInfoDialog", nullptr},
             {"TCvMessageDialog", nullptr},
             {"TCvNetConnectDialog", nullptr},
             {"TCvNetDisConnectDialog", nullptr},
             {"TCvPageSetupDialog", nullptr},
             {"TCvPasswordDialog", nullptr},
             {"TCvShellAboutDialog", nullptr},
             {"TCvSimpleInputDialog", nullptr},
             {"TCvTipsDialog", nullptr},
             {"TCvWindowListDialog", nullptr},
             {"TCvRichTextDialog", nullptr},
         }},
    };
    return pages;
}

void Register() {
    for (const TCvPalettePage& page : Pages()) RegisterPalettePage(page);
}

}  // namespace corvane::CorvaneDialogs
