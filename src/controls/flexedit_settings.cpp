#include "controls/flexedit_settings.h"

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "runtime/convert.h"

namespace nuvir::flexsettings {

Colour ErrorColour() {
    Variant v = ItemOrEmpty(AppOptions, opt::kColourError);
    if (v.isEmpty()) v = ItemOrEmpty(GetAppOptionsDefaults(), opt::kColourError);
    Colour c = 0x0000FF;
    TryStep([&] { c = CLng(v); });
    return c;
}

bool RestrictToMasterTables() { return ItemFlag(AppData, item::kConformCategories); }

}  // namespace nuvir::flexsettings
