#pragma once

#include <QLatin1String>
// Window layouts are given in twips (1,440 to the inch); the screen's logical
// DPI turns them into pixels.

class QWidget;

namespace pcp {

double LogicalDpi();
int TwipsToPx(double twips);
int PxToTwips(int px);

// Puts a control where a layout in twips has it.
void PlaceTwips(QWidget* w, int left, int top, int width, int height);

// The control with its object name, by which a host or a test finds it.
template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace pcp
