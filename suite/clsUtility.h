#pragma once
// Kestrel.clsUtility: combo box selection by item data and the key filter of
// amount boxes.

#include <QObject>
#include <QVariant>

namespace pcp {

class clsUtility : public QObject {
    Q_OBJECT
  public:
    explicit clsUtility(QObject* parent = nullptr) : QObject(parent) {}

    // Selects the entry whose item data equals value (a number, or text holding
    // one); leaves the combo box as it is when no entry has it.
    Q_INVOKABLE void SelectComboItemByValue(QObject* control, const QVariant& value);

    // Key filter for an amount box holding at most wholeDigits digits before the
    // point and decimals after it: returns the key, or 0 when it is refused.
    // Control keys pass; a digit, point or thousands comma passes only when the
    // text it makes is, or can become, an amount as it is keyed
    // (BeginsKeyedAmount: commas in the whole part are ignored while typing or
    // deleting, and a typed comma follows a digit); pastes, drops and the line's
    // OK hold to full groups of three (BeginsAmount, EnteredAmount).
    Q_INVOKABLE int TextValidateNum(QObject* control, int keyAscii, int wholeDigits, int decimals);

    // The rule itself, on the text, the selection it replaces and the caret.
    static bool AcceptsKey(const QString& text, int selStart, int selLength, QChar key,
                           int wholeDigits, int decimals);
};

}  // namespace pcp
