#include "report/AmountInWords.h"

#include <unicode/locid.h>
#include <unicode/rbnf.h>
#include <unicode/unistr.h>

#include <memory>

#include "report/ReportError.h"

namespace pcp {

namespace {

QString spellOut(qint64 whole, const QString& language) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale(language.toLatin1().constData());
    icu::RuleBasedNumberFormat format(icu::URBNF_SPELLOUT, locale, status);
    if (U_FAILURE(status))
        raiseReport(kErrReportOutput,
                    QStringLiteral("Amounts cannot be spelt out in the language \"%1\": %2.")
                        .arg(language, QString::fromLatin1(u_errorName(status))));
    icu::UnicodeString words;
    format.format(static_cast<int64_t>(whole), words);
    return QString(reinterpret_cast<const QChar*>(words.getBuffer()), words.length());
}

// "thirty-four" becomes "Thirty-Four": every word and every part of a
// hyphenated word starts with a capital, as amounts in words are written.
QString capitalised(QString text) {
    bool start = true;
    for (QChar& c : text) {
        if (start && c.isLetter()) c = c.toUpper();
        start = c.isSpace() || c == u'-';
    }
    return text;
}

}  // namespace

QString AmountInWords(const Decimal& amount, const QString& language) {
    const Decimal cents = amount.round(2);
    const qint64 units = cents.units() < 0 ? -cents.units() : cents.units();
    const qint64 hundredths = units / (Decimal::kOne / 100);
    const qint64 whole = hundredths / 100;
    const int fraction = int(hundredths % 100);
    QString words = capitalised(spellOut(whole, language));
    if (cents.sign() < 0) words = QStringLiteral("Minus ") + words;
    return words + QStringLiteral(" and ") + QString::number(fraction).rightJustified(2, u'0') +
           QStringLiteral("/100");
}

}  // namespace pcp
