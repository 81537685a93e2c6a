#pragma once
// The rule for an amount a clerk enters, whichever way it arrives: typed,
// pasted or dropped.

#include <QString>
#include <QStringView>
#include <optional>

#include "data/Decimal.h"

namespace pcp {

// An amount as a clerk enters it, typed, pasted or dropped: digits without a
// sign, thousands either not separated or separated by commas in whole groups
// of three ("1234.50", "1,234.50"), at most `wholeDigits` whole digits and
// `decimals` decimals.
// True while the text is such an amount or can become one by typing on
// ("", "1,", "1,23", "12.").
bool BeginsAmount(QStringView text, int wholeDigits, int decimals);
// True while the text is an amount being typed or corrected: BeginsAmount's
// rule with commas among the whole digits ignored, so that deleting a digit of
// "1,234,567" is not refused for the group it breaks; OK, pastes and drops
// hold to the whole rule.
bool BeginsKeyedAmount(QStringView text, int wholeDigits, int decimals);
// The amount the text states by that rule (blanks around it allowed); empty
// when it states none.
std::optional<Decimal> EnteredAmount(QStringView text, int wholeDigits, int decimals);

// The amount box of a line: twelve whole digits and two decimals.
inline constexpr int kEnteredWholeDigits = 12;
inline constexpr int kEnteredDecimals = 2;
// What the amount box accepts, as the clerk is told when it refuses something.
QString EnteredAmountRule();

}  // namespace pcp
