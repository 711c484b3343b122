#include "controls/flexedit_settings.h"

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "runtime/convert.h"

namespace nuvir::flexsettings {

namespace {

// An item of a data array, or Empty when the array is not loaded or the item does
// not exist.
Variant ItemOf(const Variant& array, int item) {
    if (array.dims() != 1 || item < array.lbound(1) || item > array.ubound(1)) return Variant();
    return array(item);
}

}  // namespace

Colour ErrorColour() {
    Variant v = ItemOf(AppOptions, opt::kColourError);
    if (v.isEmpty()) v = ItemOf(GetAppOptionsDefaults(), opt::kColourError);
    Colour c = 0x0000FF;
    TryStep([&] { c = CLng(v); });
    return c;
}

bool RestrictToMasterTables() {
    bool on = false;
    TryStep([&] { on = CBool(ItemOf(AppData, item::kConformCategories)); });
    return on;
}

}  // namespace nuvir::flexsettings
