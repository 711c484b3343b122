#include "platform/mousepointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace nuvir {

namespace {
int current = mousepointer::Default;
}

void SetScreenMousePointer(int pointer) {
    const int wanted = pointer == mousepointer::Hourglass ? mousepointer::Hourglass : mousepointer::Default;
    if (wanted == current) return;
    current = wanted;
    if (wanted == mousepointer::Hourglass) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
    }
}

}  // namespace nuvir
