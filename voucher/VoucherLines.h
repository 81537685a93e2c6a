#pragma once
// The voucher's debit lines as the voucher window's list holds them, and the
// payment amount made from them: each line's amount converted from its
// account's rate into the cash/bank account's rate, summed exactly.

#include <QString>
#include <optional>

#include "data/Decimal.h"
#include "data/EnteredAmount.h"

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

// The selling rate a voucher takes for an account ("A"), a department ("D") or
// the company ("C"): GetSellingRate's, but an error when the currency has none
// (no rate, or no positive number), so that nothing is converted or stored at
// a rate that is not there.
QString VoucherRate(qint32 id, const QString& kind);

}  // namespace pcp
