// Lookups and the common procedures of the module.
#include <gtest/gtest.h>

#include "data/Values.h"
#include "suite/BasModule.h"
#include "suite/ComRegistry.h"
#include "suite/RegisterRows.h"
#include "suite/clsIncident.h"
#include "suite/clsVault.h"
#include "tests/support/Fixtures.h"
#include "ui/FlexGrid.h"
#include "ui/ListView.h"

using namespace pcp;
using namespace pcp::test;
using namespace pcp::BasModule;

class Lookups : public DemoDatabaseTest {};

TEST_F(Lookups, FreezeDate) {
    const QDateTime freeze(kProcessDate.addDays(-25), QTime(0, 0), Qt::UTC);
    EXPECT_TRUE(IsDateFrozen(freeze));
    EXPECT_TRUE(IsDateFrozen(freeze.addDays(-1)));
    EXPECT_FALSE(IsDateFrozen(freeze.addDays(1)));
    con()->Execute("update MiscSettings set AccountsFreezeDate=NULL");
    EXPECT_FALSE(IsDateFrozen(freeze));
    EXPECT_FALSE(IsDateFrozen(MakeDate(1990, 1, 1)));
    con()->Execute("delete from MiscSettings");
    EXPECT_FALSE(IsDateFrozen(freeze));
}

namespace {

// The suite's database component on SQL Server: dates come back from the
// ODBC driver as local times.
class LocalTimeVault : public clsVault {
    Q_OBJECT
  public:
    Q_INVOKABLE QVariant fnReturnField(const QString& field, const QString& condition = QString()) {
        const QVariant v = clsVault::fnReturnField(field, condition);
        if (v.typeId() != QMetaType::QDateTime) return v;
        return QDateTime(v.toDateTime().date(), v.toDateTime().time(), Qt::LocalTime);
    }
};

}  // namespace

TEST_F(Lookups, TheFreezeDateIsACalendarDayInEveryTimeZone) {
    // East of UTC: local midnight is the day before in UTC.
    const ScopedTimeZone tokyo("Asia/Tokyo");
    ComRegistry::instance().overrideClass("Kestrel.clsVault", [] { return new LocalTimeVault(); });
    const QDateTime freeze(kProcessDate.addDays(-25), QTime(0, 0), Qt::UTC);
    EXPECT_TRUE(IsDateFrozen(freeze));  // a voucher dated on the freeze date is frozen
    EXPECT_FALSE(IsDateFrozen(freeze.addDays(1)));
}

TEST_F(Lookups, RatesAndSymbols) {
    EXPECT_EQ(GetSellingRate(1, "C"), "1");
    EXPECT_EQ(GetSellingRate(101, "A"), "1");  // an account in the company's currency
    EXPECT_EQ(GetSellingRate(103, "A"), "0.2723");
    EXPECT_EQ(GetSellingRate(3, "D"), "0.2723");
    EXPECT_EQ(GetSellingRate(9999, "A"), "");
    EXPECT_EQ(GetSellingRate(1, "X"), "");  // a kind without a currency
    EXPECT_EQ(GetCurrencySymbol(103, "A"), "USD");
    EXPECT_EQ(GetCurrencySymbol(1, "C"), "USD");  // a customer
    EXPECT_EQ(GetCurrencySymbol(9999, "A"), "");
}

TEST_F(Lookups, UserDepartments) {
    setContext(1, 2, 0);
    LoadUserDepartments();
    EXPECT_EQ(GStrUserDepartments, " IN (1,2)");
    setContext(1, 3, 0);  // a group without departments
    LoadUserDepartments();
    EXPECT_EQ(GStrUserDepartments, " IN (0)");
}

namespace {
// The register's statement of company 1's window of days, in its parts.
const RegisterQuery kRegister{
    " select phPaymentID, phPaymentNo,phPaymentdate,PhPayee, phAmount,case phcancel when 1 then "
    "'Yes'  when 0 then 'No' end,case phposted when 1 then 'Yes' when 0 then 'No' end From ",
    "aHqPettyCashPaymentHeader",
    "  ",
    {" where phCompanyID=1", " and phFinancialID = 2", " and phPaymentdate>='20261021'"},
    " order by phPaymentID,len(phPaymentNo), phPaymentNo"};
const QString kWindowOfDays =
    " select phPaymentID, phPaymentNo,phPaymentdate,PhPayee, phAmount,case phcancel when 1 then "
    "'Yes'  when 0 then 'No' end,case phposted when 1 then 'Yes' when 0 then 'No' end From "
    "aHqPettyCashPaymentHeader   where phCompanyID=1 and phFinancialID = 2 and "
    "phPaymentdate>='20261021'";
}  // namespace

class Procedures : public DemoDatabaseTest {
  protected:
    // An empty register listing what kRegister lists, lent to the shared
    // procedures as the register lends its grid, before a new voucher's save.
    FlexGrid& emptyRegister() {
        grid_.setRows(2);
        grid_.setCols(7);
        SetRegisterRows(rows_.get());
        GRegisterQuery = kRegister;
        GStrSql = kRegister.sql();
        GStrMasterNewEditFlag = "N";
        return grid_;
    }

  private:
    FlexGrid grid_;
    std::unique_ptr<RegisterRows> rows_ = FlexGridRows(&grid_);
};

TEST_F(Procedures, ReportErrorShortensTheNumberAndLogs) {
    MessageScript messages;
    messages
        .expect(
            "An error occurred in FrmMaster (GridPopulate).\r\n\r\nError 17900: near \"x\": "
            "syntax error")
        .expect(
            "An error occurred in frmpayments (cmdOk_Click).\r\n\r\nError 3021: no "
            "current record")
        .expect("An error occurred in frmpayments (cmdOk_Click).\r\n\r\nError -5: x");
    qint32 number = -2147217900;
    ReportError("FrmMaster", 2, "GridPopulate", number, "SQLite", "near \"x\": syntax error", "E",
                true);
    EXPECT_EQ(number, 17900);
    qint32 small = 3021, negative = -5;
    ReportError("frmpayments", 2, "cmdOk_Click", small, "ADO", "no current record", "N", true);
    ReportError("frmpayments", 2, "cmdOk_Click", negative, "ADO", "x", "N", true);
    EXPECT_EQ(small, 3021);
    EXPECT_EQ(negative, -5);
    ASSERT_EQ(clsIncident::recorded().size(), 3);
    const Incident& first = clsIncident::recorded().front();
    EXPECT_EQ(first.userName, "clerk");
    EXPECT_EQ(first.number, 17900);
    EXPECT_EQ(first.procedureName, "GridPopulate");
    EXPECT_EQ(first.extra, "E");
    EXPECT_EQ(scalar("select count(*) from aErrorLog").toInt(), 3);
    ASSERT_EQ(messages.shown().size(), 3u);
    EXPECT_EQ(messages.shown()[0].icon(), int(vbCritical));
    EXPECT_EQ(messages.shown()[0].title, "Petty Cash");  // the module's caption
}

TEST_F(Procedures, ReportErrorNeverFailsItsCaller) {
    MessageScript messages;
    messages.expect("An error occurred in FrmMaster (Form_Load).\r\n\r\nError 13: y");
    GAdoCon.set(nullptr);  // nothing to read the user from
    qint32 number = 13;
    EXPECT_NO_THROW(ReportError("FrmMaster", 1, "Form_Load ", number, "x", "y", "", true));
    EXPECT_EQ(clsIncident::recorded().size(), 1);
}

TEST_F(Procedures, RightsAreCaseSensitive) {
    GStrFunctionRights = "NE";
    EXPECT_TRUE(HasRight("N"));
    EXPECT_TRUE(HasRight("E"));
    EXPECT_FALSE(HasRight("D"));
    EXPECT_FALSE(HasRight("n"));
    EXPECT_FALSE(HasRight(""));
    GStrFunctionRights = "ned";
    EXPECT_FALSE(HasRight("N"));
}

TEST_F(Procedures, UpdateEditedRowFillsAnEmptyRegisterThenAppendsAndUpdatesInPlace) {
    FlexGrid& grid = emptyRegister();
    con()->log().clear();
    UpdateEditedRow(" phPaymentID=60", 60);
    EXPECT_EQ(kRegister.sql(), kWindowOfDays + kRegister.order);
    EXPECT_EQ(con()->log().last(), kWindowOfDays + " and  phPaymentID=60");
    EXPECT_EQ(grid.rows(), 2);  // the empty first row is filled
    EXPECT_EQ(grid.textMatrix(1, 0), "60");
    EXPECT_FALSE(grid.textMatrix(1, 1).isEmpty());
    EXPECT_TRUE(grid.textMatrix(1, 5) == "Yes" || grid.textMatrix(1, 5) == "No");
    UpdateEditedRow(" phPaymentID=61", 61);
    ASSERT_EQ(grid.rows(), 3);
    EXPECT_EQ(grid.textMatrix(2, 0), "61");
    EXPECT_EQ(grid.row(), 2);
    EXPECT_EQ(grid.topRow(), 2);
    EXPECT_EQ(grid.col(), 0);
    EXPECT_EQ(grid.colSel(), 6);

    // an edit rewrites the current row, columns 1 onwards
    con()->Execute(
        "update aHqPettyCashPaymentHeader set phPayee='  Edited Payee', phCancel=1 where "
        "phPaymentID=60");
    grid.setRow(1);
    GStrMasterNewEditFlag = "E";
    UpdateEditedRow(" phPaymentID=60", 0);
    EXPECT_EQ(grid.rows(), 3);
    EXPECT_EQ(grid.textMatrix(1, 3), "  Edited Payee");
    EXPECT_EQ(grid.textMatrix(1, 5), "Yes");
    EXPECT_EQ(grid.textMatrix(1, 0), "60");
}

TEST_F(Procedures, UpdateEditedRowLeavesTheGridAloneOutsideTheQuery) {
    FlexGrid& grid = emptyRegister();
    UpdateEditedRow(" phPaymentID=2", 2);  // dated before the window
    EXPECT_EQ(grid.rows(), 2);
    EXPECT_TRUE(grid.textMatrix(1, 0).isEmpty());
    // A statement without conditions gets " where ".
    GRegisterQuery = {" select phPaymentID from ", "aHqPettyCashPaymentHeader", "", {}, ""};
    con()->log().clear();
    grid.setCols(1);
    UpdateEditedRow(" phPaymentID=2", 2);
    EXPECT_EQ(con()->log().last(),
              " select phPaymentID from aHqPettyCashPaymentHeader where  phPaymentID=2");
}

namespace {
ListView* linesList(QWidget* parent) {
    auto* lv = new ListView(parent);
    lv->addColumn("Sl. No", 700);
    lv->addColumn("Account Head", 3709);
    lv->addColumn("Description", 3440);
    lv->addColumn("Amount", 2000, Qt::AlignRight);
    lv->addColumn("AccountID", 0);
    lv->addColumn("ExchangeRate", 0);
    lv->addColumn("Date", 1200);
    return lv;
}
void addLine(ListView* lv, const QString& no, const QString& amount, const QString& date) {
    const int i = lv->add(no);
    lv->setSubItem(i, 1, "Acc " + no);
    lv->setSubItem(i, 3, amount);
    lv->setSubItem(i, 6, date);
}
QStringList column(ListView* lv, int c) {
    QStringList out;
    for (int i = 1; i <= lv->count(); ++i) out << lv->columnValue(i, c);
    return out;
}
}  // namespace

TEST(SortListView, NumbersAndDatesSortByValueKeepingTheirTextsAndABadValueIsReported) {
    QWidget w;
    ListView* lv = linesList(&w);
    addLine(lv, "1", "300", "05/01/2026");
    addLine(lv, "10", "33.333", "17/12/2025");
    addLine(lv, "", "40.5", "01/02/2026");
    addLine(lv, "9", "5", "1/1/2026");
    ASSERT_TRUE(SortListView(lv, 4, 0, 1));
    EXPECT_EQ(column(lv, 4), (QStringList{"5", "33.333", "40.5", "300"}));
    EXPECT_EQ(column(lv, 1), (QStringList{"9", "10", "", "1"}));
    ASSERT_TRUE(SortListView(lv, 4, 1, 1));
    EXPECT_EQ(column(lv, 4), (QStringList{"300", "40.5", "33.333", "5"}));
    ASSERT_TRUE(SortListView(lv, 1, 0, 1));
    EXPECT_EQ(column(lv, 1), (QStringList{"", "1", "9", "10"}));
    ASSERT_TRUE(SortListView(lv, 7, 0, 2));
    EXPECT_EQ(column(lv, 7), (QStringList{"17/12/2025", "1/1/2026", "05/01/2026", "01/02/2026"}));
    EXPECT_TRUE(SortListView(lv, 2, 0, 9));  // an unknown kind changes nothing
    EXPECT_EQ(column(lv, 1), (QStringList{"10", "9", "1", ""}));

    // a value that is no number is reported, and the list stays visible
    MessageScript messages;
    messages.expectStartingWith("ERROR IN SORT ROUTINE:\r\n13\t");
    addLine(lv, "11", "abc", "01/01/2026");
    EXPECT_FALSE(SortListView(lv, 4, 0, 1));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].title, DefaultMessageTitle());
    EXPECT_FALSE(lv->isHidden());
}

// --- transactions under the module's error handling ------------------------

class Transactions : public Procedures {
  protected:
    QString cancelFlags() {
        return idsOf(
                   "select phCancel from aHqPettyCashPaymentHeader where phCompanyID=1 order by "
                   "phPaymentID")
            .join("");
    }
    // A command of two updates in one transaction, run under the error convention.
    bool twoStepCommand(const QString& second, bool guarded) {
        return Handle("FrmMaster", "CmdDelete_Click", [&] {
            if (guarded) {
                TransactionScope transaction(GAdoCon);
                GAdoCon->Execute(
                    "update aHqPettyCashPaymentHeader set phCancel=1 where "
                    "phPaymentID=60 and phCompanyID=1");
                GAdoCon->Execute(second);
                transaction.Commit();
            } else {
                GAdoCon->BeginTrans();
                GAdoCon->Execute(
                    "update aHqPettyCashPaymentHeader set phCancel=1 where "
                    "phPaymentID=60 and phCompanyID=1");
                GAdoCon->Execute(second);
                GAdoCon->CommitTrans();
            }
        });
    }
};

TEST_F(Transactions, ACommandFailingAtItsSecondStatementLeavesNoTraceButTheErrorRecord) {
    const QString bad = "update aNoSuchTable set x=1";
    const QString good =
        "update aHqPettyCashPaymentHeader set phRemarks=phRemarks where "
        "phPaymentID=60 and phCompanyID=1";
    for (const bool guarded : {true, false}) {
        SCOPED_TRACE(guarded ? "with a transaction scope" : "with bare BeginTrans");
        exec("update aHqPettyCashPaymentHeader set phCancel=0 where phPaymentID=60");
        exec("delete from aErrorLog");
        const QString before = cancelFlags();
        MessageScript messages;
        messages.expectStartingWith("An error occurred in FrmMaster (CmdDelete_Click).");
        EXPECT_FALSE(twoStepCommand(bad, guarded));
        EXPECT_FALSE(con()->InTransaction());
        EXPECT_EQ(cancelFlags(), before);
        EXPECT_EQ(scalar("select ProcedureName || '|' || StatementText from aErrorLog").toString(),
                  "CmdDelete_Click|" + bad);
        EXPECT_FALSE(messages.texts().value(0).contains(bad));  // the user is not shown SQL
        EXPECT_TRUE(twoStepCommand(good, guarded));
        EXPECT_EQ(scalar("select phCancel from aHqPettyCashPaymentHeader where phPaymentID=60 "
                         "and phCompanyID=1")
                      .toInt(),
                  1);
    }
}

TEST_F(Transactions, TheRegisterRowChangesOnlyOnceTheTransactionHasCommitted) {
    FlexGrid& grid = emptyRegister();
    con()->BeginTrans();
    UpdateEditedRow(" phPaymentID=60", 60);
    EXPECT_TRUE(grid.textMatrix(1, 0).isEmpty());  // not yet committed
    con()->RollbackTrans();
    EXPECT_TRUE(grid.textMatrix(1, 0).isEmpty());  // and never, once rolled back

    con()->BeginTrans();
    UpdateEditedRow(" phPaymentID=60", 60);
    con()->CommitTrans();
    EXPECT_EQ(grid.textMatrix(1, 0), "60");
}

#include "test_basmodule.moc"

TEST_F(Procedures, ACommandThatFailsAgainTellsAgainButAKeyHandlerOnlyOnce) {
    MessageScript messages;
    const auto fail = [] { raise(kErrDbCommand, "SQLite", "database is locked"); };
    messages.expectStartingWith("An error occurred in frmpayments (cmdOk_Click).")
        .expectStartingWith("An error occurred in frmpayments (cmdOk_Click).")
        .expectStartingWith("An error occurred in FrmMaster (txtsearch_KeyUp).");
    Handle("frmpayments", "cmdOk_Click", fail);
    Handle("frmpayments", "cmdOk_Click", fail);  // the second press is answered too
    Handle("FrmMaster", "txtsearch_KeyUp", fail);
    Handle("FrmMaster", "txtsearch_KeyUp", fail);  // every key: recorded, not shown again
    EXPECT_EQ(messages.shown().size(), 3u);
    EXPECT_EQ(clsIncident::recorded().size(), 4);
}

TEST_F(Transactions, ACommitIsNeverReportedAsAFailureOfWhatFollowsIt) {
    con()->BeginTrans();
    con()->Execute(
        "update aHqPettyCashPaymentHeader set phRemarks='kept' where phPaymentID=60 "
        "and phCompanyID=1");
    bool later = false;
    con()->runAfterCommit([] { throw std::runtime_error("the screen could not follow"); });
    con()->runAfterCommit([&] { later = true; });
    EXPECT_NO_THROW(con()->CommitTrans());
    EXPECT_TRUE(later);
    EXPECT_EQ(scalar("select phRemarks from aHqPettyCashPaymentHeader where phPaymentID=60 and "
                     "phCompanyID=1")
                  .toString(),
              "kept");
}
