// The register's search and sort strip: the in-grid search on every key
// release, the database search ("Search All" and Enter), and the sort picker.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <optional>

#include "data/Decimal.h"
#include "data/SqlText.h"
#include "data/Values.h"
#include "register/FrmMaster.h"
#include "suite/BasModule.h"
#include "suite/RegisterRows.h"
#include "ui/FlexGrid.h"
#include "ui/Keys.h"
#include "ui/Pointer.h"

namespace pcp {

using namespace BasModule;

namespace {

enum class SearchKind { Text, Date, Amount, Flag };

struct SearchColumn {
    const char* caption;
    const char* column;
    SearchKind kind;
};

// Picker caption to the column searched and how it is compared.
constexpr SearchColumn kSearchColumns[] = {
    {"PaymentNo", "phPaymentNo", SearchKind::Text},
    {"PaymentDate", "phPaymentdate", SearchKind::Date},
    {"Payee", "phPayee", SearchKind::Text},
    {"Payment Amount", "phAmount", SearchKind::Amount},
    {"Cancelled", "phcancel", SearchKind::Flag},
    {"Posted", "phposted", SearchKind::Flag},
};

const SearchColumn* searchColumnFor(const QString& caption) {
    for (const auto& c : kSearchColumns)
        if (caption == QLatin1String(c.caption)) return &c;
    return nullptr;
}

// The leading number typed, in plain decimal notation; empty for a number an
// amount column cannot hold (1e400, 20 digits), which then finds nothing
// without the database ever seeing it.
std::optional<QString> AmountText(const QString& typed) {
    const std::optional<Decimal> amount = ValDecimal(typed);
    if (!amount || !amount->fits(kAmountPrecision, kAmountScale)) return std::nullopt;
    return amount->toString();
}

// Does the cell's start match the search text? Numbers compare by value,
// texts without regard to letter case.
bool StartMatches(const QString& cell, const QString& typed, bool numeric) {
    const QString start = cell.trimmed().left(typed.size());
    const QString wanted = typed.trimmed();
    if (numeric) return Val(start) == Val(wanted);
    return start.toUpper() == wanted.toUpper();
}

}  // namespace

void FrmMaster::txtsearch_KeyUp(int& keyCode, int shift) {
    Handle("FrmMaster", "txtsearch_KeyUp", [&] {
        const bool columnChosen = cboSearch->currentIndex() >= 0;
        // Arrows, function keys and a key released after another window
        // closed change no text, and move no row; Ctrl+Enter is New's.
        const bool enter = keyCode == vbKeyReturn && (shift & vbCtrlMask) == 0;
        const bool searchAsked = enter || searchTextEdited_;
        searchTextEdited_ = false;
        if (chkSearchAll->isChecked() && enter && columnChosen)
            SearchAll();
        else if (columnChosen && searchAsked && !txtsearch->text().trimmed().isEmpty())
            searchtheword();
        flexMaster_EnterCell();
    });
}

void FrmMaster::txtsearch_KeyPress(int& keyAscii) {
    Handle("FrmMaster", "txtsearch_KeyPress", [&] { Q_UNUSED(keyAscii); });
}

// Sorts the grid by the search column and selects the first row, in that
// order, whose start matches the text. The scan looks at every row, so the
// first match is found even where the text order and the value order of a
// number column disagree (9 sorts after 10).
void FrmMaster::searchtheword() {
    Handle("FrmMaster", "searchtheword", [&] {
        if (cboSearch->currentIndex() < 0) return;
        const int c = cboSearch->currentData().toInt();
        const QString typed = txtsearch->text();
        const QString voucher = currentVoucher();
        flexMaster->setCol(c);
        flexMaster->setColSel(c);
        flexMaster->sort(flexSortStringAscending);

        const int rows = flexMaster->rows();
        const bool numeric = IsNumeric(flexMaster->textMatrix(rows / 2, c));
        int found = 0;
        for (int r = 1; r < rows && !found; ++r)
            if (StartMatches(flexMaster->textMatrix(r, c), typed, numeric)) found = r;
        if (!found) {
            keepVoucherCurrent(voucher);  // the rows moved; the voucher did not
            return;
        }
        flexMaster->setRow(found);
        flexMaster->setCol(0);
        flexMaster->setColSel(flexMaster->cols() - 1);
        flexMaster->setTopRow(found);
    });
}

RegisterQuery FrmMaster::searchStatement(const QString& text) {
    const QString newestFirst = QStringLiteral(" order by phPaymentID desc");
    if (text.trimmed().isEmpty()) {
        GObjVault.set("strTableName", QStringLiteral("asettings where companyid=") +
                                          QString::number(GIntCompanyID));
        const qint32 days =
            CLng(GObjVault.call("fnReturnField", {QStringLiteral("noofpreviousdays")}));
        return WindowOfDays(days, newestFirst);
    }
    const SearchColumn* column = searchColumnFor(cboSearch->currentText());
    if (!column) return RegisterQuery::Verbatim(QString());

    RegisterQuery query = RegisterQuery::Vouchers(GIntCompanyID, 1000);
    query.table = GStrTableMain;
    query.conditions << QStringLiteral(" and phFinancialID = ") + QString::number(GIntFinancialID);
    // The department follows the year without a blank, as the suite has always sent it.
    const QString department = GIntDepartmentID == 0 ? QString()
                                                     : QStringLiteral("and phDepartmentID= ") +
                                                           QString::number(GIntDepartmentID);
    if (!department.isEmpty()) query.conditions << department;
    const QString col = QLatin1String(column->column);
    query.order = newestFirst;

    switch (column->kind) {
        case SearchKind::Text:
            query.conditions << QStringLiteral(" and ") + col + QStringLiteral(" like '%") +
                                    SqlLikeText(text) + QStringLiteral("%'");
            break;
        case SearchKind::Date: {
            const QString style =
                text.contains(u'-') ? QStringLiteral("105") : QStringLiteral("103");
            query.conditions << QStringLiteral(" and convert(varchar(20),") + col + u',' + style +
                                    QStringLiteral(") like '%") + SqlLikeText(text.trimmed()) +
                                    QStringLiteral("%'");
            break;
        }
        case SearchKind::Amount: {
            const std::optional<QString> amount = AmountText(text);
            query.conditions << (amount ? QStringLiteral(" and floor(") + col +
                                              QStringLiteral(") = floor(") + *amount + u')'
                                        : QStringLiteral(" and 1=0"));
            break;
        }
        case SearchKind::Flag: {
            const QString upper = text.trimmed().toUpper();
            const QString value = upper.contains(u'Y') ? QStringLiteral("1") : QStringLiteral("0");
            query.conditions << (GIntDepartmentID == 0
                                     ? QStringLiteral(" and ") + col + u'=' + value
                                     : QStringLiteral(" and ") + col + QStringLiteral("= ") +
                                           value);
            break;
        }
    }
    return query;
}

void FrmMaster::SearchAll() {
    Handle("FrmMaster", "SearchAll", [&] {
        const QString text = txtsearch->text();
        if (!text.trimmed().isEmpty()) {
            const SearchColumn* column = searchColumnFor(cboSearch->currentText());
            const QString upper = text.trimmed().toUpper();
            // A flag search for neither yes nor no changes nothing.
            if (column && column->kind == SearchKind::Flag && !upper.contains(u'Y') &&
                !upper.contains(u'N'))
                return;
        }
        const RegisterQuery statement = searchStatement(text);
        const QString voucher = currentVoucher();

        HourglassScope hourglass;
        GridPopulate(statement, QStringLiteral("aHqPettyCashPaymentHeader"));
        optAscend->setChecked(true);
        optAscend_Click();
        cboColNames->setCurrentIndex(0);
        cboColNames_Click();
        cboColNames->setCurrentIndex(-1);
        cboColNames_Click();
        // The voucher the clerk was on stays current when the search lists it.
        if (!keepVoucherCurrent(voucher)) rows_->selectRow(flexMaster->rows() - 1);
        hourglass.release();

        afterFill();
    });
}

void FrmMaster::cboColNames_Click() {
    Handle("FrmMaster", "cboColNames_Click", [&] {
        HourglassScope hourglass;
        if (cboColNames->currentIndex() < 0) return;
        const int column =
            cboColNames->currentText().contains(QStringLiteral("date"), Qt::CaseInsensitive)
                ? 2
                : cboColNames->currentData().toInt();
        const QString voucher = currentVoucher();
        flexMaster->setCol(column);
        flexMaster->setColSel(column);
        const bool ascending = optAscend->isChecked();
        const bool numeric = IsNumeric(flexMaster->textMatrix(flexMaster->row(), column));
        const int kind = numeric
                             ? (ascending ? flexSortGenericAscending : flexSortGenericDescending)
                             : (ascending ? flexSortStringAscending : flexSortStringDescending);
        flexMaster->sort(kind);
        keepVoucherCurrent(voucher);
    });
}

// A new direction takes effect when the column is picked again.
void FrmMaster::optAscend_Click() {
    Handle("FrmMaster", "optAscend_Click", [&] { cboColNames->setCurrentIndex(-1); });
}

void FrmMaster::optDescend_Click() {
    Handle("FrmMaster", "optDescend_Click", [&] { cboColNames->setCurrentIndex(-1); });
}

}  // namespace pcp
