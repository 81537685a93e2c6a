#pragma once
// The voucher's debit lines as the voucher window's list holds them, and the
// payment amount made from them: each line's amount converted from its
// account's rate into the cash/bank account's rate, summed exactly.

#include <QString>
#include <optional>

#include "Decimal.h"

namespace pcp {

class ListView;

// The list's columns (1 = item text, n = sub-item n - 1).
namespace LineColumn {
inline constexpr int kNumber = 1;
inline constexpr int kAccountName = 2;
inline constexpr int kDescription = 3;
inline constexpr int kAmount = 4;
inline constexpr int kAccountId = 5;
inline constexpr int kRate = 6;
inline constexpr int kAgreement = 7;
}  // namespace LineColumn

// Line i's amount in the account's currency: amount ÷ line rate × account rate,
// rounded to three decimals. Raises for a rate of 0 or a text that is no number.
Decimal ConvertedLine(const ListView* lines, int index, const Decimal& accountRate);

// The sum of every line converted at the rate text of the cash/bank account.
Decimal LinesTotal(const ListView* lines, const QString& accountRateText);

// The payment amount as the voucher shows it, as the register does: two
// decimals, no grouping.
QString AmountText(const Decimal& amount);

// A line's amount as the list keeps it: two decimals, or three when it has them
// (a converted amount), never fewer than it has.
QString LineAmountText(const Decimal& amount);

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

// The selling rate a voucher takes for an account ("A"), a department ("D") or
// the company ("C"): GetSellingRate's, but an error when the currency has none
// (no rate, or no positive number), so that nothing is converted or stored at
// a rate that is not there.
QString VoucherRate(qint32 id, const QString& kind);

}  // namespace pcp
