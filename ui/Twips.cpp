#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace pcp {

double LogicalDpi() {
    if (qApp)
        if (const QScreen* s = QGuiApplication::primaryScreen()) return s->logicalDotsPerInch();
    return 96.0;
}

int TwipsToPx(double twips) {
    return int(std::lround(twips * LogicalDpi() / 1440.0));
}

int PxToTwips(int px) {
    return int(std::lround(px * 1440.0 / LogicalDpi()));
}

void PlaceTwips(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsToPx(left), TwipsToPx(top), TwipsToPx(width), TwipsToPx(height));
}

}  // namespace pcp
