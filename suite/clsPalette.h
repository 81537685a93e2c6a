#pragma once
// Heron.clsPalette: one colour scheme for every window of the module.
// Mandatory fields (controls carrying the property "mandatory") keep a light
// yellow background so that they stay recognisable.

#include <QColor>
#include <QObject>

namespace pcp {

class clsPalette : public QObject {
    Q_OBJECT
  public:
    explicit clsPalette(QObject* parent = nullptr) : QObject(parent) {}
    Q_INVOKABLE void ApplyPalette(QObject* form);

    static QColor windowColor() { return QColor(232, 237, 243); }
    static QColor mandatoryColor() { return QColor(255, 255, 192); }
};

}  // namespace pcp
