#include "mainwindow/windowuncertainty.h"

namespace nuvir {

WindowUncertainty::WindowUncertainty() {
    QObject::connect(&elements_, &CUncertaintyElements::DataChanged, &elements_, [this](int id) {
        if (DataChanged) DataChanged(id);
    });
}

void WindowUncertainty::SetHost(const std::array<QtPictureBox*, 2>& hosts) {
    elements_.SetHost(std::vector<QtPictureBox*>(hosts.begin(), hosts.end()));
}

}  // namespace nuvir
