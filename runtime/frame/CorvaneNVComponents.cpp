#include "CorvaneNVComponents.h"

#include "CvFastTimer.h"
#include "CvAdvTrigger.h"
#include "CvBackgroundFill.h"
#include "CvFormCaptionExtender.h"
#include "CvFormExtender.h"
#include "CvMouseClip.h"
#include "CvMousePosition.h"
#include "CvPlacement.h"
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
             {"TCvMouseClip", &TCvMouseClip::StaticClass},
             {"TCvMousePosition", &TCvMousePosition::StaticClass},
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
             {"TCvFormExtender", &TCvFormExtender::StaticClass},
             {"TCvFormCaptionExtender", &TCvFormCaptionExtender::StaticClass},
             {"TCvBackgroundFill", &TCvBackgroundFill::StaticClass},
             {"TCvPlacement", &TCvPlacement::StaticClass},
             {"TCvFileCRC", nullptr},
         }},
    };
    return pages;
}

void Register() {
    for (const TCvPalettePage& page : Pages()) RegisterPalettePage(page);
}

}  // namespace corvane::CorvaneNVComponents
