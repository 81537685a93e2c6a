#pragma once
// The payments book: a period's lines of the company's vouchers, with what
// each shows converted as its voucher converted it, the summaries by debit
// account, department and payee, and the totals. Amounts in different
// currencies are never added: every total is per cash-account currency,
// with its value in the company's currency at each voucher's stored rate.
// Widget-free: the window, the exports, a test and the benchmark all read
// the book through here.

#include <QDate>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

#include "data/Decimal.h"
#include "data/RowSet.h"

namespace pcp {

enum class BookStatus { Standing, Cancelled, Posted, NotPosted, All };

struct BookFilter {
    QDate from, to;
    qint32 cashAccountId = 0;   // 0: every cash account
    qint32 departmentId = 0;    // 0: every department the user may use
    qint32 debitAccountId = 0;  // 0: every debit account
    BookStatus status = BookStatus::Standing;
    QString payee;  // contained, case-insensitive, wildcards taken literally
};

// The columns of the Lines view, as the book's rows hold them.
namespace BookColumn {
enum : int {
    kDate,
    kNumber,
    kReference,
    kPayee,
    kDepartment,
    kCashAccount,
    kAccountCode,
    kAccountName,
    kDescription,
    kCurrency,  // the line's own currency
    kAmount,
    kRate,
    kCashCurrency,
    kConverted,  // in the cash account's currency, as the voucher converted it
    kCompany,    // in the company's currency at the voucher's company rate
    kCancelled,
    kPosted,
    kCount
};
}

// The summaries' columns: what the rows are grouped by, then the counts and totals.
namespace SummaryColumn {
enum : int { kKey, kName, kCurrency, kLines, kTotal, kCompany, kCount };
}

enum class BookView { Lines, ByAccount, ByDepartment, ByPayee };

// One total of a currency: the lines in it and their sums.
struct CurrencyTotal {
    QString currency;
    int lines = 0;
    Decimal amount;   // in the currency
    Decimal company;  // in the company's currency
};

struct PaymentBook {
    BookFilter filter;
    QString companyName;
    QString companyCurrency;
    std::shared_ptr<RowSet> lines;  // one row per line, BookColumn's columns
    std::vector<bool> cancelled;    // per line: shown red, counted in no total
    std::shared_ptr<RowSet> byAccount, byDepartment, byPayee;
    std::vector<CurrencyTotal> totals;  // standing lines only, by currency
    Decimal grandTotal;                 // in the company's currency
    int vouchers = 0;                   // standing vouchers
    int standingLines = 0;
    bool cancelledByUser = false;  // the reading was stopped

    const std::shared_ptr<RowSet>& view(BookView v) const;
};

// The book of the company's vouchers that the filter asks for, limited to
// the departments the user may use. The progress may stop the reading
// (cancelledByUser; nothing else is filled then).
PaymentBook ReadPaymentBook(const BookFilter& filter, const RowProgress& progress = {});

// What the filter refuses ("From" after "To"); empty when it can run.
QString BookFilterProblem(const BookFilter& filter);

// The book's statement in the suite's dialect (for the log and the tests).
QString BookStatement(const BookFilter& filter);

// "1 line", "5 lines"; "1 voucher", "3 vouchers".
QString LinesText(int lines);
QString VouchersText(int vouchers);

// The captions of a view's columns.
QStringList BookCaptions(BookView view);

// The foot of a view: a row per currency (its lines, total and company
// value), the grand total in the company's currency, and the counts.
RowSet BookFoot(const PaymentBook& book, BookView view);

}  // namespace pcp
