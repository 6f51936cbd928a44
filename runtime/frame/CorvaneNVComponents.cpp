#include "CorvaneNVComponents.h"

#include "CvMathParser.h"

namespace corvane::CorvaneNVComponents {

const std::vector<TCvPalettePage>& Pages() {
    static const std::vector<TCvPalettePage> pages = {
        {"Corvane-NoVis1",
         {
             {"TCvApplication", nullptr},
             {"TCvLockApp", nullptr},
             {"TCvTaskbar", nullptr},
             {"TCvFastTimer", nullptr},
             {"TCvCGIConnect", nullptr},
             {"TCvDragDrop", nullptr},
             {"TCvSystemInfo", nullptr},
             {"TCvDriveInfo", nullptr},
             {"TCvFileInfo", nullptr},
             {"TCvFileVersionInfo", nullptr},
             {"TCvShellFileOperation", nullptr},
             {"TCvWatchDir", nullptr},
             {"TCvJoystick", nullptr},
             {"TCvMathParser", &TCvMathParser::StaticClass},
         }},
        {"Corvane-NoVis2",
         {
             {"TCvSimpleTrigger", nullptr},
             {"TCvTrigger", nullptr},
             {"TCvAdvancedTrigger", nullptr},
             {"TCvHotkey", nullptr},
             {"TCvSingleInstance", nullptr},
             {"TCvStringListComponent", nullptr},
             {"TCvMouseClip", nullptr},
             {"TCvMousePosition", nullptr},
             {"TCvAudioVolume", nullptr},
             {"TCvMenu", nullptr},
             {"TCvPopupMenu", nullptr},
             {"TCvMenuItem", nullptr},
             {"TCvAdvMenuItem", nullptr},
             {"TCvOwnerDrawMenuItem", nullptr},
             {"TCvExitWindows", nullptr},
             {"TCvWavePlayer", nullptr},
             {"TCvSharedMem", nullptr},
             {"TCvExecuteApp", nullptr},
             {"TCvThreadedTimer", nullptr},
             {"TCvFormExtender", nullptr},
             {"TCvFormCaptionExtender", nullptr},
             {"TCvBackgroundFill", nullptr},
             {"TCvPlacement", nullptr},
             {"TCvFileCRC", nullptr},
         }},
    };
    return pages;
}

void Register() {
    for (const TCvPalettePage& page : Pages()) RegisterPalettePage(page);
}

}  // namespace corvane::CorvaneNVComponents
