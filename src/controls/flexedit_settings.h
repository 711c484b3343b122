#pragma once
// The two settings of the application data that the grid components read. Kept apart
// from the window code so those files need not see the data layer's declarations.
#include "platform/picturebox.h"  // Colour

namespace nuvir::flexsettings {

// The options' "Error" colour (item 5), or its default while no options are loaded.
Colour ErrorColour();
// Item 41 of the application data: element tables restricted to the master tables.
bool RestrictToMasterTables();

}  // namespace nuvir::flexsettings
