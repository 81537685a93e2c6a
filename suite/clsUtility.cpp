#include "suite/clsUtility.h"

#include <QComboBox>
#include <QLineEdit>

#include "data/EnteredAmount.h"
#include "data/ModuleError.h"
#include "data/Values.h"

namespace pcp {

void clsUtility::SelectComboItemByValue(QObject* control, const QVariant& value) {
    auto* combo = qobject_cast<QComboBox*>(control);
    if (!combo)
        raise(kErrObjectRequired, QStringLiteral("Kestrel.clsUtility"),
              QStringLiteral("Object required"));
    const qint32 wanted = CLng(value);
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemData(i).toLongLong() == wanted) {
            combo->setCurrentIndex(i);
            return;
        }
    }
}

bool clsUtility::AcceptsKey(const QString& text, int selStart, int selLength, QChar key,
                            int wholeDigits, int decimals) {
    const auto digit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    if (key != u'.' && key != u',' && !digit(key)) return false;
    // A comma typed stands after a digit; one a deletion left elsewhere is let be.
    if (key == u',' && (selStart == 0 || !digit(text[selStart - 1]))) return false;
    const QString result = text.left(selStart) + key + text.mid(selStart + selLength);
    return BeginsKeyedAmount(result, wholeDigits, decimals);
}

int clsUtility::TextValidateNum(QObject* control, int keyAscii, int wholeDigits, int decimals) {
    if (keyAscii < 32) return keyAscii;  // backspace, Enter and other control keys
    auto* box = qobject_cast<QLineEdit*>(control);
    if (!box) return 0;
    const int selStart = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
    const int selLength = box->hasSelectedText() ? int(box->selectedText().size()) : 0;
    return AcceptsKey(box->text(), selStart, selLength, QChar(keyAscii), wholeDigits, decimals)
               ? keyAscii
               : 0;
}

}  // namespace pcp
