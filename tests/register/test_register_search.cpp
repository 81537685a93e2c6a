// The search and sort strip under the register: in-grid search on every key,
// the database search with Search All (statement texts and rows), and the sort.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "data/Decimal.h"
#include "data/Values.h"
#include "suite/clsIncident.h"
#include "tests/support/RegisterFixture.h"
#include "ui/FlexGrid.h"

using namespace pcp;
using namespace pcp::test;
using namespace pcp::BasModule;

namespace {

const QString kBase =
    " select Top 1000 phPaymentID, phPaymentNo,phPaymentdate,PhPayee, phAmount,case phcancel when "
    "1 then 'Yes'  when 0 "
    "then 'No' end,case phposted when 1 then 'Yes' when 0 then 'No' end From "
    "aHqPettyCashPaymentHeader   where "
    "phCompanyID=1 and phFinancialID = 2";
const QString kWhereYear =
    "from aHqPettyCashPaymentHeader where phCompanyID=1 and phFinancialID=2 ";

// Voucher numbers in the order a clerk reads them: by prefix, then by running number.
QStringList inNumberOrder(QStringList numbers) {
    std::sort(numbers.begin(), numbers.end(), [](const QString& a, const QString& b) {
        const QString pa = a.section('/', 0, 0), pb = b.section('/', 0, 0);
        return pa != pb ? pa < pb : a.section('/', 1).toInt() < b.section('/', 1).toInt();
    });
    return numbers;
}

QStringList sortedIds(QStringList ids) {
    std::sort(ids.begin(), ids.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    return ids;
}

}  // namespace

class RegisterSearch : public RegisterTest {
  protected:
    // A register of exactly these vouchers (amount and payee), all inside the window of days.
    void onlyVouchers(const std::vector<std::pair<QString, QString>>& amountAndPayee) {
        exec("delete from aHqPettyCashPaymentHeader");
        int id = 0;
        for (const auto& [amount, payee] : amountAndPayee) {
            ++id;
            exec(QString("insert into aHqPettyCashPaymentHeader "
                         "(phPaymentID,phCompanyID,phFinancialID,phDepartmentID,"
                         "phPaymentNo,phPaymentdate,phAccountID,phPayee,phAmount) values "
                         "(%1,1,2,1,'ADM/%1','20261115',"
                         "101,'%2',%3)")
                     .arg(id)
                     .arg(QString(payee).replace("'", "''"))
                     .arg(amount));
        }
    }
    QString current(int col) { return grid()->textMatrix(grid()->row(), col); }
    bool rowSelected() {
        return grid()->rowSel() == grid()->row() && grid()->col() == 0 &&
               grid()->colSel() == grid()->cols() - 1;
    }
};

TEST_F(RegisterSearch, TypingFindsTheFirstRowStartingWithTheTextInAnyCase) {
    onlyVouchers({{"5", "Banana Traders"},
                  {"6", "apple Stores"},
                  {"7", "Avocado Farm"},
                  {"8", "Apricot Inc"}});
    open();
    pickSearchColumn("Payee");
    typeSearch("a");
    // sorted by payee, case-sensitive text order: capitals first
    EXPECT_EQ(column(3),
              (QStringList{"Apricot Inc", "Avocado Farm", "Banana Traders", "apple Stores"}));
    EXPECT_EQ(current(3), "Apricot Inc");
    EXPECT_TRUE(rowSelected());
    EXPECT_EQ(grid()->topRow(), grid()->row());
    typeSearch("pp");  // "app" matches only the lower-case payee, far from the capitals
    EXPECT_EQ(current(3), "apple Stores");
    typeSearch("z");  // no match: the row stays
    EXPECT_EQ(current(3), "apple Stores");
}

TEST_F(RegisterSearch, NumbersOfDifferentLengthsAreAlwaysFound) {
    onlyVouchers({{"10", "a"},
                  {"100", "b"},
                  {"250.5", "c"},
                  {"9", "d"},
                  {"95", "e"},
                  {"1250", "f"},
                  {"12", "g"}});
    open();
    pickSearchColumn("Payment Amount");
    typeSearch("9");
    EXPECT_EQ(current(4), "9");
    window_->txtsearch->clear();
    typeSearch("25");
    EXPECT_EQ(current(4), "250.5");
    window_->txtsearch->clear();
    typeSearch("12");
    EXPECT_EQ(current(4), "12");  // text order puts 12 before 1250
    window_->txtsearch->clear();
    typeSearch("7");
    EXPECT_EQ(current(4), "12");  // nothing starts with 7
}

TEST_F(RegisterSearch, SearchAllByTextContainsNewestFirstThenByNumber) {
    FrmMaster* w = open();
    searchAll("Payee", "taxi");
    EXPECT_EQ(GStrSql, kBase + " and phPayee like '%taxi%' order by phPaymentID desc");
    // "City Taxi Service" is the one payee holding "taxi", whatever the case.
    EXPECT_EQ(sortedIds(ids()), idsOf("select phPaymentID " + kWhereYear +
                                      "and phPayee = 'City Taxi Service' order by phPaymentID"));
    ASSERT_GT(grid()->rows(), 2);
    EXPECT_EQ(column(1), inNumberOrder(column(1)));  // sorted by the voucher number
    EXPECT_EQ(w->cboColNames->currentIndex(), -1);
    EXPECT_TRUE(w->optAscend->isChecked());
}

// Dates sort by the calendar, numbers by prefix and running number, amounts
// by value; whatever the order, the voucher the clerk is on stays current,
// and the commands follow it.
TEST_F(RegisterSearch, ASortOrdersByValueAndKeepsTheCurrentVoucher) {
    FrmMaster* w = open();
    const int posted = rowWhere([&](int r) { return cell(r, 5) == "No" && cell(r, 6) == "Yes"; });
    ASSERT_GT(posted, 1);
    clickRow(posted);
    const QString id = cell(posted, 0);
    const auto stillCurrent = [&] {
        EXPECT_EQ(current(0), id);
        EXPECT_TRUE(rowSelected());
        EXPECT_TRUE(w->cmdUpdate->isEnabled());  // Cancel Posting follows the posted row
    };
    pickSort("PaymentDate");
    QList<QDate> dates;
    for (const QString& text : column(2)) dates << QDate::fromString(text, "dd/MM/yyyy");
    EXPECT_FALSE(dates.contains(QDate()));
    EXPECT_TRUE(std::is_sorted(dates.begin(), dates.end()));
    stillCurrent();
    pickSort("PaymentNo");
    EXPECT_EQ(column(1), inNumberOrder(column(1)));
    stillCurrent();
    QTest::mouseClick(w->optDescend, Qt::LeftButton);
    pickSort("Payment Amount");
    QList<Decimal> amounts;
    for (const QString& text : column(4)) amounts << CDec(text);
    EXPECT_TRUE(std::is_sorted(amounts.rbegin(), amounts.rend()));
    stillCurrent();
    pickSearchColumn("Payee");
    typeSearch("No such payee");  // the search sorts by payee and finds nothing
    stillCurrent();
}

TEST_F(RegisterSearch, SearchAllFindsVouchersOlderThanTheWindow) {
    open();
    const QStringList old =
        idsOf("select phPaymentID " + kWhereYear + "and phPaymentdate < '20261021'");
    ASSERT_FALSE(old.isEmpty());
    searchAll("PaymentNo", "/");
    for (const QString& id : old) EXPECT_TRUE(ids().contains(id)) << id.toStdString();
}

TEST_F(RegisterSearch, SearchAllByDateWithSlashesOrDashes) {
    open();
    const QStringList onDay = idsOf("select phPaymentID " + kWhereYear +
                                    "and phPaymentdate='20261112' order by phPaymentID");
    ASSERT_FALSE(onDay.isEmpty());
    searchAll("PaymentDate", "12/11");
    EXPECT_EQ(
        GStrSql,
        kBase +
            " and convert(varchar(20),phPaymentdate,103) like '%12/11%' order by phPaymentID desc");
    EXPECT_EQ(sortedIds(ids()), onDay);
    searchAll("PaymentDate", " 12-11 ");
    EXPECT_EQ(
        GStrSql,
        kBase +
            " and convert(varchar(20),phPaymentdate,105) like '%12-11%' order by phPaymentID desc");
    EXPECT_EQ(sortedIds(ids()), onDay);
}

TEST_F(RegisterSearch, SearchAllByAmountComparesTheWholeNumber) {
    onlyVouchers({{"250.75", "a"}, {"250", "b"}, {"251", "c"}, {"0.5", "d"}});
    open(1, 1);
    searchAll("Payment Amount", "250.75");
    EXPECT_EQ(
        GStrSql,
        kBase +
            "and phDepartmentID= 1 and floor(phAmount) = floor(250.75) order by phPaymentID desc");
    EXPECT_EQ(column(4), (QStringList{"250.75", "250"}));
    searchAll("Payment Amount", "abc");  // no leading number: searches for 0
    EXPECT_TRUE(GStrSql.contains(" and floor(phAmount) = floor(0) "));
    EXPECT_EQ(column(4), (QStringList{"0.5"}));
}

TEST_F(RegisterSearch, SearchAllByFlagReadsYesAndNo) {
    open();
    searchAll("Cancelled", "yes");
    EXPECT_EQ(GStrSql, kBase + " and phcancel=1 order by phPaymentID desc");
    EXPECT_EQ(sortedIds(ids()),
              idsOf("select phPaymentID " + kWhereYear + "and phCancel=1 order by phPaymentID"));
    for (const QString& flag : column(5)) EXPECT_EQ(flag, "Yes");
    EXPECT_FALSE(window_->CmdDelete->isEnabled());  // the current row is cancelled

    reopen(1, 1);
    searchAll("Posted", "n");
    EXPECT_EQ(GStrSql, kBase + "and phDepartmentID= 1 and phposted= 0 order by phPaymentID desc");
    EXPECT_EQ(sortedIds(ids()), idsOf("select phPaymentID " + kWhereYear +
                                      "and phDepartmentID=1 and phPosted=0 order by phPaymentID"));

    const QString before = GStrSql;
    const QStringList shown = ids();
    searchAll("Posted", "tax");  // neither yes nor no: nothing changes
    EXPECT_EQ(GStrSql, before);
    EXPECT_EQ(ids(), shown);
}

TEST_F(RegisterSearch, EmptySearchAllReloadsTheWindowOfDays) {
    open();
    const QStringList window = ids();
    searchAll("Payee", "taxi");
    searchAll("Payee", "");
    EXPECT_EQ(GStrSql,
              " select phPaymentID, phPaymentNo,phPaymentdate,PhPayee, phAmount,case phcancel when "
              "1 then 'Yes'  "
              "when 0 then 'No' end,case phposted when 1 then 'Yes' when 0 then 'No' end From "
              "aHqPettyCashPaymentHeader   where phCompanyID=1 and phFinancialID = 2 and "
              "phPaymentdate>='20261021' "
              "order by phPaymentID desc");
    EXPECT_EQ(sortedIds(ids()), window);
}

TEST_F(RegisterSearch, PatternCharactersAndApostrophesAreSearchedForThemselves) {
    onlyVouchers({{"10", "100% Fuel"},
                  {"11", "Shell_Station"},
                  {"12", "Stores [a-z] Ltd"},
                  {"13", "Plain Payee"},
                  {"20", "O'Brien Stores"},
                  {"30", "Obrien Ltd"}});
    MessageScript messages;  // none expected
    open();
    for (const auto& [typed, found] :
         std::vector<std::pair<QString, QStringList>>{{"%", {"100% Fuel"}},
                                                      {"_", {"Shell_Station"}},
                                                      {"[a-z]", {"Stores [a-z] Ltd"}},
                                                      {"[", {"Stores [a-z] Ltd"}},
                                                      {"O'Brien", {"O'Brien Stores"}}}) {
        searchAll("Payee", typed);
        EXPECT_EQ(column(3), found) << typed.toStdString();
    }
    EXPECT_EQ(GStrSql, kBase + " and phPayee like '%O''Brien%' order by phPaymentID desc");
    window_->chkSearchAll->setChecked(false);
    window_->txtsearch->clear();
    typeSearch("o'b");
    EXPECT_EQ(current(3), "O'Brien Stores");
}

// Nothing found leaves one empty row and nothing to edit or delete; an amount
// no column can hold finds nothing, quietly.
TEST_F(RegisterSearch, NothingFoundLeavesOneEmptyRowAndNoEditOrDelete) {
    MessageScript messages;  // none expected
    open();
    for (const auto& [column, typed] :
         std::vector<std::pair<QString, QString>>{{"Payee", "no such payee"},
                                                  {"Payment Amount", "1e400"},
                                                  {"Payment Amount", "99999999999999999999"},
                                                  {"Payment Amount", "-1e300"}}) {
        searchAll(column, typed);
        EXPECT_EQ(grid()->rows(), 2) << typed.toStdString();
        EXPECT_TRUE(grid()->textMatrix(1, 0).isEmpty());
        EXPECT_EQ(grid()->textMatrix(0, 4), "Payment Amount");  // the grid keeps its columns
        EXPECT_FALSE(window_->CmdEdit->isEnabled());
        EXPECT_FALSE(window_->CmdDelete->isEnabled());
        EXPECT_TRUE(window_->cmdNew->isEnabled());
        EXPECT_FALSE(GStrSql.contains("inf"));
    }
}

TEST_F(RegisterSearch, AFailureRepeatedOnEveryKeyTellsTheUserOnce) {
    MessageScript messages;
    messages.expectStartingWith("An error occurred in FrmMaster (GridPopulate).");
    FrmMaster* w = open();
    w->GridPopulate(QString(), GStrTableMain);  // the grid falls to one column
    messages.expectStartingWith("An error occurred in FrmMaster (searchtheword).");
    pickSearchColumn("Payee");
    clsIncident::recorded().clear();
    typeSearch("abc");
    QTest::keyClick(window_->txtsearch, Qt::Key_Return);  // as the Enter that dismissed it
    EXPECT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(clsIncident::recorded().size(), 4);  // every failure is still recorded
}
