#include "controls/flexedit_settings.h"

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "runtime/convert.h"

namespace nuvir::flexsettings {

Colour ErrorColour() {
    Colour c = 0x0000FF;
    TryStep([&] { c = CLng(OptionOrDefault(opt::kColourError)); });
    return c;
}

bool RestrictToMasterTables() { return ItemFlag(AppData, item::kConformCategories); }

}  // namespace nuvir::flexsettings
