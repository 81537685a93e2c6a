#include "ui/Pointer.h"

#include <QApplication>
#include <QCursor>

namespace pcp {

namespace {
bool g_hourglass = false;
}

void MousePointer::setHourglass(bool on) {
    if (on == g_hourglass) return;
    g_hourglass = on;
    if (!qApp) return;
    if (on)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QApplication::restoreOverrideCursor();
}

void MousePointer::reset() {
    g_hourglass = false;
    if (!qApp) return;
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

bool MousePointer::isHourglass() {
    return g_hourglass;
}

}  // namespace pcp
