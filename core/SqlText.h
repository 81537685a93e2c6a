#pragma once
// Text going into a statement between single quotes: a quote is doubled.

#include <QString>

namespace pcp {

inline QString SqlEscape(QString text) {
    return text.replace(u'\'', QStringLiteral("''"));
}
inline QString SqlQuote(const QString& text) {
    return u'\'' + SqlEscape(text) + u'\'';
}

}  // namespace pcp
