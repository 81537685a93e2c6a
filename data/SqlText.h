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
// stored: a tab or any line break (\t, \n, \r, U+0085, U+2028, U+2029) becomes
// a space, and every other control character (below U+0020, NUL included,
// DEL and U+0080 to U+009F) is dropped. One character in at most one out, so
// a position maps through the text before it.
inline QString PlainEntryText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        // Tabs and every kind of line break part words; other controls are no text.
        const bool lineBreak = c == u'\t' || c == u'\n' || c == u'\r' || c == QChar(0x85) ||
                               c.category() == QChar::Separator_Line ||
                               c.category() == QChar::Separator_Paragraph;
        if (lineBreak)
            out += u' ';
        else if (c.category() != QChar::Other_Control)
            out += c;
    }
    return out;
}

}  // namespace pcp
