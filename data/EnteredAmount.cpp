#include "data/EnteredAmount.h"

#include <QList>
#include <algorithm>

namespace pcp {

namespace {

bool allDigits(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The whole part's groups: one group of digits, or groups separated by commas,
// the first of one to three digits and the others of three; the last may still
// be short while it is being typed (`open`).
bool wholeGroupsFit(QStringView whole, bool open, int wholeDigits) {
    const QList<QStringView> groups = whole.split(u',');
    qsizetype digits = 0;
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QStringView g = groups[i];
        if (!allDigits(g)) return false;
        digits += g.size();
        if (groups.size() == 1) break;
        const bool fits = i == 0
                              ? !g.isEmpty() && g.size() <= 3
                              : g.size() == 3 || (open && i == groups.size() - 1 && g.size() < 3);
        if (!fits) return false;
    }
    return digits <= wholeDigits;
}

}  // namespace

bool BeginsAmount(QStringView text, int wholeDigits, int decimals) {
    const qsizetype point = text.indexOf(u'.');
    if (point < 0) return wholeGroupsFit(text, true, wholeDigits);
    const QStringView fraction = text.mid(point + 1);
    return decimals > 0 && fraction.size() <= decimals && allDigits(fraction) &&
           wholeGroupsFit(text.left(point), false, wholeDigits);
}

bool BeginsKeyedAmount(QStringView text, int wholeDigits, int decimals) {
    const qsizetype point = text.indexOf(u'.');
    QString ungrouped = (point < 0 ? text : text.left(point)).toString().remove(u',');
    if (point >= 0) ungrouped += text.mid(point);
    return BeginsAmount(ungrouped, wholeDigits, decimals);
}

std::optional<Decimal> EnteredAmount(QStringView text, int wholeDigits, int decimals) {
    text = text.trimmed();
    if (!BeginsAmount(text, wholeDigits, decimals)) return std::nullopt;
    return Decimal::parse(text);  // refuses what is only begun: "", ".", "1,23"
}

QString EnteredAmountRule() {
    return QStringLiteral(
               "Enter the amount as a positive number with at most %1 digits before the point "
               "and %2 after it, such as 1234.50 or 1,234.50.")
        .arg(kEnteredWholeDigits)
        .arg(kEnteredDecimals);
}

}  // namespace pcp
