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

// Text searched for verbatim inside a LIKE pattern between single quotes:
// the pattern characters are put in brackets ([%], [_], [[]), which both
// databases read as the character itself, and quotes are doubled.
inline QString SqlLikeText(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == u'[' || c == u'%' || c == u'_')
            out += u'[' + QString(c) + u']';
        else
            out += c;
    }
    return SqlEscape(out);
}

}  // namespace pcp
