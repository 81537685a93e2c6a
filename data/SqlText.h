#pragma once
// Text going into a statement between single quotes: a quote is doubled.
// Text a user entered, as it may be stored: no control characters.

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

// What a user typed, pasted or dropped into a one-line field, as it is
// stored: a tab or line break (\t, \n, \r) becomes a space, and every other
// control character (below U+0020, NUL included) is dropped. One character
// in at most one out, so a position maps through the text before it.
inline QString PlainEntryText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 0x20)
            out += c;
        else if (c == u'\t' || c == u'\n' || c == u'\r')
            out += u' ';
    }
    return out;
}

}  // namespace pcp
