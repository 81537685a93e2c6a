#include "ui/PlainText.h"

#include <QLabel>
#include <QTextDocument>

namespace pcp {

QString PlainTextTip(const QString& text) {
    if (text.isEmpty()) return text;
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap);
}

void MakePlain(QLabel* label) {
    label->setTextFormat(Qt::PlainText);
}

}  // namespace pcp
