#include "store/PaymentBook.h"

#include <QDateTime>
#include <optional>
#include <set>
#include <tuple>

#include "data/AdoConnection.h"
#include "data/SqlText.h"
#include "data/Values.h"
#include "suite/BasModule.h"

namespace pcp {

using namespace BasModule;

namespace {

// The columns the statement reads, in its order.
namespace Read {
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
    kCurrency,
    kAmount,
    kRate,
    kCashCurrency,
    kCashRate,
    kCompanyRate,
    kCancel,
    kPosted,
    kPaymentId,
    kDebitAccountId,
    kDepartmentId,
};
}

const QString kAmountPattern = QStringLiteral("0.00#");
const QString kRatePattern = QStringLiteral("0.######");

QString dateLiteral(const QDate& day) {
    return u'\'' + day.toString(QStringLiteral("yyyyMMdd")) + u'\'';
}

QString statusCondition(BookStatus status) {
    switch (status) {
        case BookStatus::Standing: return QStringLiteral(" and h.phCancel=0");
        case BookStatus::Cancelled: return QStringLiteral(" and h.phCancel=1");
        case BookStatus::Posted: return QStringLiteral(" and h.phCancel=0 and h.phPosted=1");
        case BookStatus::NotPosted: return QStringLiteral(" and h.phCancel=0 and h.phPosted=0");
        case BookStatus::All: return QString();
    }
    return QString();
}

QString textAt(const RowSet& rows, int r, int c) {
    const RowSet::Column& column = rows.column(c);
    if (rows.isNull(r, c)) return QString();
    if (column.type == ColumnType::Text) return column.trimmedTextAt(size_t(r));
    return Text(rows.value(r, c)).trimmed();
}

std::optional<Decimal> decimalAt(const RowSet& rows, int r, int c) {
    if (rows.isNull(r, c)) return std::nullopt;
    const RowSet::Column& column = rows.column(c);
    if (column.type == ColumnType::Decimal) return Decimal::fromUnits(column.numbers[size_t(r)]);
    return CDec(rows.value(r, c));
}

bool flagAt(const RowSet& rows, int r, int c) {
    return !rows.isNull(r, c) && rows.value(r, c).toLongLong() != 0;
}

// amount ÷ source × target as the voucher converts; none without both rates.
std::optional<Decimal> converted(const std::optional<Decimal>& amount,
                                 const std::optional<Decimal>& source,
                                 const std::optional<Decimal>& target) {
    if (!amount || !source || !target || source->isZero()) return std::nullopt;
    return ConvertAmount(*amount, *source, *target);
}

void addDecimalOrNull(RowSet& rows, int col, const std::optional<Decimal>& value) {
    if (value)
        rows.addDecimal(col, *value);
    else
        rows.addNull(col);
}

void addTextOrNull(RowSet& rows, int col, const QString& text) {
    if (text.isNull())
        rows.addNull(col);
    else
        rows.addText(col, text);
}

// A summary row's group: what the rows are grouped by, then the currency.
struct Group {
    QString key, name, currency;
    bool operator<(const Group& o) const {
        const int k = key.compare(o.key, Qt::CaseInsensitive);
        if (k != 0) return k < 0;
        if (const int n = name.compare(o.name, Qt::CaseInsensitive); n != 0) return n < 0;
        return currency < o.currency;
    }
};
using Summary = std::map<Group, CurrencyTotal>;

void count(Summary& summary, const Group& group, const Decimal& amount, const Decimal& company) {
    CurrencyTotal& t = summary[group];
    t.currency = group.currency;
    ++t.lines;
    t.amount += amount;
    t.company += company;
}

std::shared_ptr<RowSet> summaryRows(const Summary& summary, BookView view) {
    auto rows = std::make_shared<RowSet>();
    rows->setColumns(BookCaptions(view));
    for (const auto& [group, total] : summary) {
        rows->beginRow();
        rows->addText(SummaryColumn::kKey, group.key);
        rows->addText(SummaryColumn::kName, group.name);
        rows->addText(SummaryColumn::kCurrency, group.currency);
        rows->addInteger(SummaryColumn::kLines, total.lines);
        rows->addDecimal(SummaryColumn::kTotal, total.amount);
        rows->addDecimal(SummaryColumn::kCompany, total.company);
    }
    rows->setPattern(SummaryColumn::kTotal, kAmountPattern);
    rows->setPattern(SummaryColumn::kCompany, kAmountPattern);
    return rows;
}

void readCompany(PaymentBook& book) {
    const RowSet company = GAdoCon->ReadRows(
        QStringLiteral("select c.CompanyName, cur.Symbol from aCompanyMaster c left outer join "
                       "aCurrencyMaster cur on cur.CurrencyID = c.currencyid where c.CompanyID=") +
        QString::number(GIntCompanyID));
    if (company.rowCount() == 0) return;
    book.companyName = textAt(company, 0, 0);
    book.companyCurrency = textAt(company, 0, 1);
}

// One line of the book from the row read; its amounts for the totals.
struct LineAmounts {
    std::optional<Decimal> cash, company;
};

LineAmounts addLine(RowSet& lines, const RowSet& read, int r) {
    lines.beginRow();
    if (read.isNull(r, Read::kDate))
        lines.addNull(BookColumn::kDate);
    else
        lines.addDate(BookColumn::kDate, read.value(r, Read::kDate).toDateTime());
    const int texts[][2] = {{BookColumn::kNumber, Read::kNumber},
                            {BookColumn::kReference, Read::kReference},
                            {BookColumn::kPayee, Read::kPayee},
                            {BookColumn::kDepartment, Read::kDepartment},
                            {BookColumn::kCashAccount, Read::kCashAccount},
                            {BookColumn::kAccountCode, Read::kAccountCode},
                            {BookColumn::kAccountName, Read::kAccountName},
                            {BookColumn::kDescription, Read::kDescription},
                            {BookColumn::kCurrency, Read::kCurrency}};
    for (const auto& [to, from] : texts) addTextOrNull(lines, to, textAt(read, r, from));
    const std::optional<Decimal> amount = decimalAt(read, r, Read::kAmount);
    const std::optional<Decimal> rate = decimalAt(read, r, Read::kRate);
    const std::optional<Decimal> cashRate = decimalAt(read, r, Read::kCashRate);
    LineAmounts out;
    out.cash = converted(amount, rate, cashRate);
    out.company = converted(out.cash, cashRate, decimalAt(read, r, Read::kCompanyRate));
    addDecimalOrNull(lines, BookColumn::kAmount, amount);
    addDecimalOrNull(lines, BookColumn::kRate, rate);
    addTextOrNull(lines, BookColumn::kCashCurrency, textAt(read, r, Read::kCashCurrency));
    addDecimalOrNull(lines, BookColumn::kConverted, out.cash);
    addDecimalOrNull(lines, BookColumn::kCompany, out.company);
    static const QString yes = QStringLiteral("Yes"), no = QStringLiteral("No");
    lines.addText(BookColumn::kCancelled, flagAt(read, r, Read::kCancel) ? yes : no);
    lines.addText(BookColumn::kPosted, flagAt(read, r, Read::kPosted) ? yes : no);
    return out;
}

}  // namespace

const std::shared_ptr<RowSet>& PaymentBook::view(BookView v) const {
    switch (v) {
        case BookView::ByAccount: return byAccount;
        case BookView::ByDepartment: return byDepartment;
        case BookView::ByPayee: return byPayee;
        case BookView::Lines: break;
    }
    return lines;
}

QString BookFilterProblem(const BookFilter& filter) {
    if (!filter.from.isValid() || !filter.to.isValid())
        return QStringLiteral("Enter the From and To dates of the period.");
    if (filter.from > filter.to)
        return QStringLiteral(
                   "The From date (%1) is after the To date (%2). Enter a From date "
                   "on or before the To date.")
            .arg(filter.from.toString(QStringLiteral("dd/MM/yyyy")),
                 filter.to.toString(QStringLiteral("dd/MM/yyyy")));
    return QString();
}

QString BookStatement(const BookFilter& f) {
    QString sql = QStringLiteral(
        "select h.phPaymentdate, h.phPaymentNo, h.phReferenceno, h.phPayee, dm.DepartmentName, "
        "ca.AccountDesc, da.AccountCode, da.AccountDesc, d.pdDescription, lc.Symbol, d.pdAmount, "
        "d.pdExRate, cc.Symbol, h.phExRate, h.phComExRate, h.phCancel, h.phPosted, "
        "h.phPaymentID, d.pdDebitAccountID, h.phDepartmentID"
        " from aHqPettyCashPaymentHeader h"
        " inner join aHqPettyCashPaymentDetails d on d.pdCompanyID = h.phCompanyID and "
        "d.pdPaymentID = h.phPaymentID"
        " left outer join aDepartmentMaster dm on dm.DepartmentID = h.phDepartmentID"
        " left outer join aAccountMaster ca on ca.AccountID = h.phAccountID"
        " left outer join aCurrencyMaster cc on cc.CurrencyID = ca.CurrencyID"
        " left outer join aAccountMaster da on da.AccountID = d.pdDebitAccountID"
        " left outer join aCurrencyMaster lc on lc.CurrencyID = da.CurrencyID");
    sql += QStringLiteral(" where h.phCompanyID=") + QString::number(GIntCompanyID);
    sql += QStringLiteral(" and h.phPaymentdate>=") + dateLiteral(f.from);
    sql += QStringLiteral(" and h.phPaymentdate<") + dateLiteral(f.to.addDays(1));
    sql += QStringLiteral(" and h.phDepartmentID") + GStrUserDepartments;
    if (f.cashAccountId > 0)
        sql += QStringLiteral(" and h.phAccountID=") + QString::number(f.cashAccountId);
    if (f.departmentId > 0)
        sql += QStringLiteral(" and h.phDepartmentID=") + QString::number(f.departmentId);
    if (f.debitAccountId > 0)
        sql += QStringLiteral(" and d.pdDebitAccountID=") + QString::number(f.debitAccountId);
    sql += statusCondition(f.status);
    const QString payee = PlainEntryText(f.payee).trimmed();
    if (!payee.isEmpty())
        sql += QStringLiteral(" and h.phPayee like '%") + SqlLikeText(payee) + QStringLiteral("%'");
    sql += QStringLiteral(" order by h.phPaymentdate, h.phPaymentID, d.pdDetailID");
    return sql;
}

QString LinesText(int lines) {
    return lines == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(lines);
}

QString VouchersText(int vouchers) {
    return vouchers == 1 ? QStringLiteral("1 voucher")
                         : QStringLiteral("%1 vouchers").arg(vouchers);
}

QStringList BookCaptions(BookView view) {
    switch (view) {
        case BookView::Lines:
            return {QStringLiteral("Date"),           QStringLiteral("Voucher No"),
                    QStringLiteral("Reference"),      QStringLiteral("Payee"),
                    QStringLiteral("Department"),     QStringLiteral("Cash Account"),
                    QStringLiteral("Account Code"),   QStringLiteral("Account Name"),
                    QStringLiteral("Description"),    QStringLiteral("Currency"),
                    QStringLiteral("Amount"),         QStringLiteral("Rate"),
                    QStringLiteral("Cash Currency"),  QStringLiteral("Cash Amount"),
                    QStringLiteral("Company Amount"), QStringLiteral("Cancelled"),
                    QStringLiteral("Posted")};
        case BookView::ByAccount:
            return {QStringLiteral("Account Code"),  QStringLiteral("Account Name"),
                    QStringLiteral("Cash Currency"), QStringLiteral("Lines"),
                    QStringLiteral("Total"),         QStringLiteral("Company Amount")};
        case BookView::ByDepartment:
            return {QStringLiteral("Department"),    QString(),
                    QStringLiteral("Cash Currency"), QStringLiteral("Lines"),
                    QStringLiteral("Total"),         QStringLiteral("Company Amount")};
        case BookView::ByPayee:
            return {QStringLiteral("Payee"),         QString(),
                    QStringLiteral("Cash Currency"), QStringLiteral("Lines"),
                    QStringLiteral("Total"),         QStringLiteral("Company Amount")};
    }
    return {};
}

PaymentBook ReadPaymentBook(const BookFilter& filter, const RowProgress& progress) {
    if (GStrUserDepartments.isEmpty()) LoadUserDepartments();
    PaymentBook book;
    book.filter = filter;
    readCompany(book);
    const RowSet read = GAdoCon->ReadRows(BookStatement(filter), progress);
    if (read.cancelled()) {
        book.cancelledByUser = true;
        return book;
    }
    book.lines = std::make_shared<RowSet>();
    RowSet& lines = *book.lines;
    lines.setColumns(BookCaptions(BookView::Lines));
    lines.reserve(read.rowCount());
    for (const int c : {BookColumn::kAmount, BookColumn::kConverted, BookColumn::kCompany})
        lines.setPattern(c, kAmountPattern);
    lines.setPattern(BookColumn::kRate, kRatePattern);
    book.cancelled.reserve(size_t(read.rowCount()));

    Summary byAccount, byDepartment, byPayee;
    std::map<QString, CurrencyTotal> totals;
    std::set<qint64> vouchers;
    for (int r = 0; r < read.rowCount(); ++r) {
        const LineAmounts amounts = addLine(lines, read, r);
        const bool cancelled = flagAt(read, r, Read::kCancel);
        book.cancelled.push_back(cancelled);
        if (cancelled || !amounts.cash) continue;
        const Decimal company = amounts.company.value_or(Decimal());
        const QString currency = textAt(read, r, Read::kCashCurrency);
        count(byAccount,
              {textAt(read, r, Read::kAccountCode), textAt(read, r, Read::kAccountName), currency},
              *amounts.cash, company);
        count(byDepartment, {textAt(read, r, Read::kDepartment), QString(), currency},
              *amounts.cash, company);
        count(byPayee, {textAt(read, r, Read::kPayee), QString(), currency}, *amounts.cash,
              company);
        CurrencyTotal& total = totals[currency];
        total.currency = currency;
        ++total.lines;
        total.amount += *amounts.cash;
        total.company += company;
        book.grandTotal += company;
        ++book.standingLines;
        vouchers.insert(read.value(r, Read::kPaymentId).toLongLong());
    }
    book.vouchers = int(vouchers.size());
    for (auto& [currency, total] : totals) book.totals.push_back(total);
    book.byAccount = summaryRows(byAccount, BookView::ByAccount);
    book.byDepartment = summaryRows(byDepartment, BookView::ByDepartment);
    book.byPayee = summaryRows(byPayee, BookView::ByPayee);
    return book;
}

RowSet BookFoot(const PaymentBook& book, BookView view) {
    RowSet foot;
    foot.setColumns(BookCaptions(view));
    const bool lines = view == BookView::Lines;
    const int label = lines ? BookColumn::kDescription : SummaryColumn::kKey;
    const int currency = lines ? BookColumn::kCashCurrency : SummaryColumn::kCurrency;
    const int amount = lines ? BookColumn::kConverted : SummaryColumn::kTotal;
    const int company = lines ? BookColumn::kCompany : SummaryColumn::kCompany;
    const auto row = [&](const QString& text, const QString& symbol,
                         const std::optional<Decimal>& sum, const std::optional<Decimal>& value) {
        foot.beginRow();
        for (int c = 0; c < foot.columnCount(); ++c) {
            if (c == label)
                foot.addText(c, text);
            else if (c == currency && !symbol.isNull())
                foot.addText(c, symbol);
            else if (c == amount && sum)
                foot.addDecimal(c, *sum);
            else if (c == company && value)
                foot.addDecimal(c, *value);
            else
                foot.addNull(c);
        }
    };
    for (const CurrencyTotal& t : book.totals)
        row(QStringLiteral("Total %1 (%2)").arg(t.currency, LinesText(t.lines)), t.currency,
            t.amount, t.company);
    row(QStringLiteral("Grand total in %1").arg(book.companyCurrency), book.companyCurrency,
        std::nullopt, book.grandTotal);
    row(VouchersText(book.vouchers) + QStringLiteral(", ") + LinesText(book.standingLines),
        QString(), std::nullopt, std::nullopt);
    foot.setPattern(amount, kAmountPattern);
    foot.setPattern(company, kAmountPattern);
    return foot;
}

}  // namespace pcp
