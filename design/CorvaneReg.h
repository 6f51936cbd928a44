// CorvaneReg.h - the design-time package's registration.
#pragma once

namespace corvane::CorvaneReg {

// Called by the designer when it loads the package: puts the pack's
// components on their palette pages.
void Register();

}  // namespace corvane::CorvaneReg
