#pragma once
// An amount written out in words, as on a cheque or a payment voucher: the
// whole units spelt out by ICU's spell-out rules for the language, the cents
// as a fraction of a hundred: 1234.50 is "One Thousand Two Hundred
// Thirty-Four and 50/100".

#include <QString>

#include "data/Decimal.h"

namespace pcp {

// The amount rounded half away from zero to cents; each word capitalised.
// `language` is an ICU locale name ("en", "en_GB", "fr" ...).
QString AmountInWords(const Decimal& amount, const QString& language = QStringLiteral("en"));

}  // namespace pcp
