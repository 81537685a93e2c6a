#include "clsUtility.h"

#include <QComboBox>
#include <QLineEdit>

#include "../ModuleError.h"
#include "../Values.h"

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
    if (key != u'.' && !key.isDigit()) return false;
    const QString result = text.left(selStart) + key + text.mid(selStart + selLength);
    const int dot = result.indexOf(u'.');
    if (dot >= 0 && result.indexOf(u'.', dot + 1) >= 0) return false;  // one point at most
    if (dot >= 0 && decimals <= 0) return false;
    const QString whole = dot < 0 ? result : result.left(dot);
    const QString fraction = dot < 0 ? QString() : result.mid(dot + 1);
    return whole.size() <= wholeDigits && fraction.size() <= decimals;
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
