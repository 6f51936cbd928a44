#include "CorvaneNVComponents.h"

#include "CvFastTimer.h"
#include "CvAdvTrigger.h"
#include "CvCGIConnect.h"
#include "CvMathParser.h"
#include "CvSimpleTrigger.h"
#include "CvTrigger.h"
#include "CvThreadedTimer.h"

namespace corvane::CorvaneNVComponents {

const std::vector<TCvPalettePage>& Pages() {
    static const std::vector<TCvPalettePage> pages = {
        {"Corvane-NoVis1",
         {
             {"TCvApplication", nullptr},
             {"TCvLockApp", nullptr},
             {"TCvTaskbar", nullptr},
             {"TCvFastTimer", &TCvFastTimer::StaticClass},
             {"TCvCGIConnect", &TCvCGIConnect::StaticClass},
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
             {"TCvSimpleTrigger", &TCvSimpleTrigger::StaticClass},
             {"TCvTrigger", &TCvTrigger::StaticClass},
             {"TCvAdvancedTrigger", &TCvAdvancedTrigger::StaticClass},
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
             {"TCvThreadedTimer", &TCvThreadedTimer::StaticClass},
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
