// CorvaneVComponents.h - palette registration of the visual components.
#pragma once

#include <vector>

#include "CvPaletteLayout.h"

namespace corvane::CorvaneVComponents {

// Registers TCvWizardPage without an icon, then the pages "Corvane-Vis1"
// and "Corvane-Vis2".
void Register();

// The two pages in palette order.
const std::vector<TCvPalettePage>& Pages();

}  // namespace corvane::CorvaneVComponents
