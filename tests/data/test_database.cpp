// The database layer on the embedded database: transactions, updatable
// recordsets, forward-only reading, errors, the statement log, and a save
// that meets another workstation's lock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "data/AdoRecordset.h"
#include "data/Decimal.h"
#include "data/SqlDriver.h"
#include "data/Values.h"
#include "tests/support/VoucherFixture.h"

using namespace pcp;
using namespace pcp::test;

class Database : public DemoDatabaseTest {};

TEST_F(Database, FailingStatementInTransactionLeavesNothingWritten) {
    const int before = scalar("select count(*) from aHqPettyCashPaymentHeader").toInt();
    con()->BeginTrans();
    con()->Execute(
        "update aHqPettyCashPaymentHeader set phCancel=1 where phPaymentID=1 and phCompanyID=1");
    AdoRecordset rs;
    rs.Open("Select * from aHqPettyCashPaymentDetails where 1=2 ", con(), adOpenKeyset,
            adLockOptimistic);
    rs.AddNew();
    rs.SetField("pdCompanyID", 1);
    rs.SetField("pdDepartmentID", 0);
    rs.SetField("pdPaymentID", 1);
    rs.SetField("pdDetailID", 99);
    rs.SetField("pdDebitAccountID", 201);
    rs.SetField("pdAmount", "12.50");
    rs.Update();
    try {
        con()->Execute(
            "insert into aHqPettyCashPaymentHeader (phPaymentID) values (1)");  // violates keys
        FAIL() << "bad statement accepted";
    } catch (const ModuleError& e) {
        EXPECT_EQ(e.number(), kErrDbCommand);
        EXPECT_EQ(e.source(), OnPostgres() ? "ODBC" : "SQLite");
        EXPECT_FALSE(e.description().isEmpty());
    }
    con()->RollbackTrans();
    EXPECT_EQ(scalar("select count(*) from aHqPettyCashPaymentHeader").toInt(), before);
    EXPECT_EQ(
        scalar(
            "select phCancel from aHqPettyCashPaymentHeader where phPaymentID=1 and phCompanyID=1")
            .toInt(),
        0);
    EXPECT_EQ(scalar("select count(*) from aHqPettyCashPaymentDetails where pdDetailID=99").toInt(),
              0);
}

TEST_F(Database, ClosingWithAnOpenTransactionRollsBack) {
    con()->BeginTrans();
    con()->Execute("update MiscSettings set AccountsFreezeDate=NULL");
    connection_.reset();
    EXPECT_EQ(scalar("select AccountsFreezeDate from MiscSettings").toString(), "20261026");
}

TEST_F(Database, AddNewStoresTextIntoTypedColumns) {
    AdoRecordset rs;
    rs.Open("Select * from aHqPettyCashPaymentHeader where 1=2 ", con(), adOpenKeyset,
            adLockOptimistic);
    EXPECT_TRUE(rs.Eof());
    rs.AddNew();
    rs.SetField("phCompanyID", 1);
    rs.SetField("phDepartmentID", 2);
    rs.SetField("phPaymentID", 500);
    rs.SetField("phPaymentNo", "OPS/500");
    rs.SetField("phReferenceno", "PCP/2026/PC01-0500");
    rs.SetField("phPaymentdate", MakeDate(2026, 11, 20));
    rs.SetField("phFinancialID", 2);
    rs.SetField("phAccountID", "101");
    rs.SetField("phPayee", "O'Brien Supplies");
    rs.SetField("phRemarks", "Apostrophes are data");
    rs.SetField("phAmount", "1234.5");
    rs.SetField("phCancel", 0);
    rs.SetField("phPosted", 0);
    rs.Update();
    rs.Close();
    EXPECT_EQ(scalar("select phAmount || '|' || typeof(phAmount) || '|' || phPaymentdate || '|' "
                     "|| phPayee from aHqPettyCashPaymentHeader where phPaymentID=500")
                  .toString(),
              "1234.5|real|20261120|O'Brien Supplies");

    AdoRecordset back;
    back.Open(
        "select phPaymentdate, phAmount, phCancelRemarks from aHqPettyCashPaymentHeader where "
        "phPaymentID='500'",
        con(), adOpenKeyset, adLockReadOnly);
    ASSERT_EQ(back.RecordCount(), 1);
    EXPECT_EQ(back.Fields(0).toDateTime(), MakeDate(2026, 11, 20));
    EXPECT_EQ(Text(back.Fields("phAmount")), "1234.5");
    EXPECT_TRUE(IsNull(back.Fields(2)));
}

TEST_F(Database, ForwardOnlyReaderIsFinishedBeforeTheNextStatement) {
    AdoRecordset reader;
    reader.Open(
        "select phPaymentID from aHqPettyCashPaymentHeader where phCompanyID=1 order by "
        "phPaymentID",
        con(), adOpenForwardOnly, adLockReadOnly);
    EXPECT_EQ(reader.RecordCount(), -1);
    EXPECT_THROW(reader.AddNew(), ModuleError);  // it reads only
    ASSERT_FALSE(reader.Eof());
    EXPECT_EQ(reader.Fields(0).toInt(), 1);
    reader.MoveNext();
    // Another statement and a transaction on the same connection while the reader is open.
    con()->BeginTrans();
    con()->Execute("update asettings set noofpreviousdays=31 where companyid=1");
    con()->CommitTrans();
    int count = 1;
    int last = 0;
    while (!reader.Eof()) {
        last = reader.Fields(0).toInt();
        ++count;
        reader.MoveNext();
    }
    EXPECT_EQ(count,
              scalar("select count(*) from aHqPettyCashPaymentHeader where phCompanyID=1").toInt());
    EXPECT_EQ(last, count);
    EXPECT_THROW(reader.Fields(0), ModuleError);  // at the end: no current record
}

TEST_F(Database, StatementLogKeepsTheTextAsWritten) {
    con()->log().clear();
    AdoRecordset rs;
    rs.Open("select Top 1 isnull(cashgroupID,0) from asettings where companyid=2", con());
    EXPECT_EQ(rs.Fields(0).toInt(), 0);
    ASSERT_EQ(con()->log().entries().size(), 1u);
    EXPECT_EQ(con()->log().entries().front().text,
              "select Top 1 isnull(cashgroupID,0) from asettings where companyid=2");
    EXPECT_EQ(con()->log().entries().front().sent,
              OnPostgres()
                  ? "select coalesce(cashgroupID,0) from asettings where companyid=2 LIMIT 1"
                  : "select ifnull(cashgroupID,0) from asettings where companyid=2 LIMIT 1");
}

TEST_F(Database, OpeningAClosedConnectionFailsClearly) {
    AdoConnection never;
    try {
        never.Execute("select 1");
        FAIL();
    } catch (const ModuleError& e) {
        EXPECT_EQ(e.number(), kErrDbOperation);
    }
    AdoConnection bad;
    EXPECT_THROW(bad.Open("Provider=SQLite;Data Source=/nonexistent/folder/x.db"), ModuleError);
}

TEST_F(Database, ASecondWriterWaitsForTheFirstInsteadOfFailing) {
    con()->BeginTrans();
    con()->Execute("update asettings set noofpreviousdays=10 where companyid=1");
    // A reader on another workstation still sees the committed value (write-ahead log).
    AdoConnection reader;
    reader.Open(connectionString());
    AdoRecordset rs;
    rs.Open("select noofpreviousdays from asettings where companyid=1", &reader);
    EXPECT_EQ(rs.Fields(0).toInt(), 30);
    rs.Close();

    // A writer on another workstation starts while the first holds the lock:
    // it must wait and then succeed, seeing the first writer's commit.
    std::atomic<bool> firstCommitted{false};
    bool secondSawCommit = false;
    QString secondError;
    std::thread second([&] {
        try {
            AdoConnection other;
            other.Open(connectionString());
            other.BeginTrans();
            secondSawCommit = firstCommitted.load();
            other.Execute(
                "update asettings set noofpreviousdays=noofpreviousdays+1 "
                "where companyid=1");
            other.CommitTrans();
        } catch (const ModuleError& e) {
            secondError = e.description();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the second is now waiting
    firstCommitted = true;
    con()->CommitTrans();
    second.join();
    EXPECT_TRUE(secondError.isEmpty()) << secondError.toStdString();
    EXPECT_TRUE(secondSawCommit);  // its transaction began only after the first committed
    EXPECT_EQ(scalar("select noofpreviousdays from asettings where companyid=1").toInt(), 11);
}

TEST_F(Database, ARecordsetOutlivesItsConnectionSafely) {
    auto doomed = std::make_unique<AdoConnection>();
    doomed->Open(connectionString());
    AdoRecordset streaming, keyset;
    streaming.Open(
        "select phPaymentID from aHqPettyCashPaymentHeader where phCompanyID=1 "
        "order by phPaymentID",
        doomed.get());
    keyset.Open("select phPaymentID from aHqPettyCashPaymentHeader where phPaymentID=60",
                doomed.get(), adOpenKeyset);
    doomed.reset();
    // The rows already read stay readable; nothing touches the freed connection.
    EXPECT_EQ(streaming.Fields(0).toInt(), 1);
    streaming.MoveNext();
    EXPECT_EQ(streaming.Fields(0).toInt(), 2);
    EXPECT_EQ(keyset.Fields(0).toInt(), 60);
    EXPECT_THROW(keyset.AddNew(), ModuleError);
    streaming.Close();
    keyset.Close();
}

TEST_F(Database, AmountsReadBackExactlyAtTheirColumnsScale) {
    // 25 lines of 33.333 and 47 of 12.35, stored and read back as the voucher
    // window will: every sum is exact and shows as the cents say.
    AdoRecordset rs;
    rs.Open("Select * from aHqPettyCashPaymentDetails where 1=2 ", con(), adOpenKeyset,
            adLockOptimistic);
    for (int i = 1; i <= 72; ++i) {
        rs.AddNew();
        rs.SetField("pdCompanyID", 1);
        rs.SetField("pdDepartmentID", 0);
        rs.SetField("pdPaymentID", 9000);
        rs.SetField("pdDetailID", i);
        rs.SetField("pdDebitAccountID", 201);
        rs.SetField("pdAmount",
                    QVariant::fromValue(*Decimal::parse(i <= 25 ? u"33.333" : u"12.35")));
        rs.SetField("pdExRate", QVariant::fromValue(*Decimal::parse(u"3.672500")));
        rs.Update();
    }
    rs.Close();
    rs.Open(
        "select pdAmount, pdExRate from aHqPettyCashPaymentDetails where pdPaymentID=9000 "
        "order by pdDetailID",
        con(), adOpenKeyset, adLockReadOnly);
    Decimal first, second;
    for (int i = 1; !rs.Eof(); ++i, rs.MoveNext()) {
        ASSERT_EQ(rs.Fields(0).metaType(), QMetaType::fromType<Decimal>());
        (i <= 25 ? first : second) += CDec(rs.Fields(0));
        EXPECT_EQ(Text(rs.Fields(1)), "3.6725");
    }
    EXPECT_EQ(NumberText(first), "833.325");
    EXPECT_EQ(Format(first, "0.00"), "833.33");
    EXPECT_EQ(NumberText(second), "580.45");
    EXPECT_EQ(Text(QVariant::fromValue(first + second)), "1413.775");
}

// Another workstation holds the write lock while the clerk saves: the clerk is
// told so in plain words, the voucher stays on screen and nothing is stored.
// The error record follows once the lock is gone, and OK again saves.
class BusyDatabase : public VoucherTest {};

TEST_F(BusyDatabase, ASaveMeetingAnotherWorkstationsLockSaysSoAndOkAgainSaves) {
    const QString vouchers = "select count(*) from aHqPettyCashPaymentHeader";
    const int before = scalar(vouchers).toInt();
    open(1, 2);
    AdoConnection otherWorkstation;
    otherWorkstation.Open(connectionString());
    otherWorkstation.BeginTrans();
    onNewVoucher([&](frmpayments& form) {
        typeInto(form.txtPayee, "City Taxi Service");
        pick(form.cboAccName, "Petty Cash - Head Office");
        typeInto(form.txtRemarks, "Airport run");
        addLine(form, "Travel and Conveyance", "Taxi fare", "45.5");
        {
            MessageScript messages;
            messages.expect(
                "Another workstation is saving to the database just now. Please try again in a "
                "moment.\r\n\r\nNothing was saved; the voucher is still on screen as you "
                "entered it.");
            QTest::mouseClick(form.cmdOk, Qt::LeftButton);
        }
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.txtPayee->text(), "City Taxi Service");
        EXPECT_EQ(form.lvwAccounts->count(), 1);
        EXPECT_EQ(scalar(vouchers).toInt(), before);

        otherWorkstation.RollbackTrans();
        const QString records = "select ProcedureName || ': ' || ErrorDescription from aErrorLog";
        for (QDeadlineTimer wait(10000); idsOf(records).isEmpty() && !wait.hasExpired();)
            QTest::qWait(50);
        EXPECT_EQ(idsOf(records),
                  QStringList(OnPostgres() ? "cmdOk_Click: canceling statement due to lock timeout"
                                           : "cmdOk_Click: database is locked"));
        QTest::mouseClick(form.cmdOk, Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
        if (form.isVisible()) form.done(QDialog::Rejected);  // never hangs the run
    });
    EXPECT_EQ(scalar(vouchers).toInt(), before + 1);
    EXPECT_EQ(scalar("select count(*) from aErrorLog").toInt(), 1);
}
