#include "suite/clsPalette.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QWidget>

#include "data/ModuleError.h"

namespace pcp {

void clsPalette::ApplyPalette(QObject* form) {
    auto* window = qobject_cast<QWidget*>(form);
    if (!window)
        raise(kErrObjectRequired, QStringLiteral("Heron.clsPalette"),
              QStringLiteral("Object required"));
    QPalette p = window->palette();
    p.setColor(QPalette::Window, windowColor());
    p.setColor(QPalette::Button, QColor(221, 228, 237));
    p.setColor(QPalette::Highlight, QColor(38, 84, 148));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(245, 248, 251));
    window->setPalette(p);
    window->setAutoFillBackground(true);
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->property("mandatory").toBool()) continue;
        QPalette mp = w->palette();
        mp.setColor(QPalette::Base, mandatoryColor());
        mp.setColor(QPalette::Button, mandatoryColor());
        w->setPalette(mp);
    }
}

}  // namespace pcp
