// Numbering of new vouchers (number, id, reference) driven without the
// window, the unique indexes that keep two saves from sharing a number, the
// retry that a clash sets off, and the locking reads of the SQL Server dialect.

#include <QRegularExpression>
#include <QSqlQuery>

#include "data/AdoRecordset.h"
#include "data/ModuleError.h"
#include "data/SqlDialect.h"
#include "data/SqlDriver.h"
#include "demo/DemoDatabase.h"
#include "store/VoucherStore.h"
#include "tests/support/Fixtures.h"

using namespace pcp;
using namespace pcp::test;

namespace {

// The statement of a new voucher's save that inserts its header: after the
// transaction's begin, the freeze date, the reference, the number and the id.
constexpr int kHeaderInsert = 11;

class Numbering : public DemoDatabaseTest {
  protected:
    // A stored voucher, as another workstation saved it.
    void addVoucher(int company, int id, int department, const QString& number, int account,
                    const QString& reference, int year = 2) {
        exec(QStringLiteral("insert into aHqPettyCashPaymentHeader (phPaymentID, phCompanyID, "
                            "phFinancialID, phDepartmentID, phPaymentNo, phPaymentdate, "
                            "phAccountID, phReferenceno, phAmount) values "
                            "(%1, %2, %3, %4, '%5', '20261120', %6, '%7', 10)")
                 .arg(id)
                 .arg(company)
                 .arg(year)
                 .arg(department)
                 .arg(number)
                 .arg(account)
                 .arg(reference));
    }
    int nextFreeId() {
        return scalar("select max(phPaymentID) + 1 from aHqPettyCashPaymentHeader").toInt();
    }
    void clearVouchersWhere(const QString& condition) {
        exec("delete from aHqPettyCashPaymentHeader where " + condition);
    }
    // The highest running number after a prefix in a department of company 1.
    int highest(int department, int prefixLength) {
        return scalar(QStringLiteral("select max(cast(substr(phPaymentNo, %1) as integer)) from "
                                     "aHqPettyCashPaymentHeader where phCompanyID=1 and "
                                     "phFinancialID=2 and phDepartmentID=%2")
                          .arg(prefixLength + 1)
                          .arg(department))
            .toInt();
    }
    VoucherDraft newVoucher(int department, int account) {
        VoucherDraft d;
        d.departmentId = department;
        d.accountId = account;
        d.paymentDate = kProcessDate;
        d.payee = QStringLiteral("Payee");
        d.remarks = QStringLiteral("Remarks");
        d.exRate = Decimal(1);
        d.userName = QStringLiteral("admin");
        d.lines = {{201, QStringLiteral("Line"), Decimal(10), Decimal(1)}};
        return d;
    }
    SavedVoucher save(const VoucherDraft& d) {
        const Outcome<SavedVoucher> saved = VoucherStore::SaveVoucher(d);
        EXPECT_TRUE(saved.done());
        return saved.done() ? saved.value() : SavedVoucher{};
    }
    // How many times the save began its transaction.
    int attempts() const {
        return int(connection_->log().texts().filter(QRegularExpression("^BeginTrans$")).size());
    }
};

}  // namespace

// Under a new prefix, or none, numbering starts at 1 and follows the highest number.
TEST_F(Numbering, NumbersStartAtOneAndFollowTheHighestReadAsANumber) {
    for (const QString prefix : {"PCP", ""}) {
        exec(prefix.isEmpty() ? "delete from aPrefix where InterfaceID=7517 and DepartmentId=3"
                              : "update aPrefix set Prefix='PCP' where InterfaceID=7517 and "
                                "DepartmentId=3 and FinancialId=2");
        clearVouchersWhere("phDepartmentID=3");
        setContext(1, 1, 3);
        EXPECT_EQ(VoucherStore::NextPaymentNo(3), prefix + "1");
        const int id = nextFreeId();
        for (const int n : {1, 2, 10})
            addVoucher(1, id + n, 3, prefix + QString::number(n), 101, "x" + QString::number(n));
        EXPECT_EQ(VoucherStore::NextPaymentNo(3), prefix + "11");
    }
}

TEST_F(Numbering, TheIdIsOneMoreThanTheCompanysHighest) {
    const int highestOfCompany =
        scalar("select max(phPaymentID) from aHqPettyCashPaymentHeader where phCompanyID=2")
            .toInt();
    setContext(2, 1, 0);
    EXPECT_EQ(VoucherStore::NextPaymentId(), highestOfCompany + 1);
}

// A year's references run on from the last of that year, for each account and
// company: a voucher keyed into the previous year neither restarts nor repeats them.
TEST_F(Numbering, ReferencesRunPerAccountCompanyAndFinancialYear) {
    clearVouchersWhere("phAccountID=104");  // its first reference is 0001
    for (int year : {2, 1, 2, 2, 2})
        for (const auto& [company, account, code] :
             {std::tuple{1, 101, "PC01"}, {1, 104, "BK01"}, {2, 301, "PC01"}}) {
            const int last = scalar(QStringLiteral("select coalesce(max(cast(substr("
                                                   "phReferenceno, 15) as integer)), 0) from "
                                                   "aHqPettyCashPaymentHeader where phCompanyID="
                                                   "%1 and phAccountID=%2 and phFinancialID=%3")
                                        .arg(company)
                                        .arg(account)
                                        .arg(year))
                                 .toInt();
            setContext(company, 1, 0, year);
            const SavedVoucher h = save(newVoucher(company == 1 ? 1 : 5, account));
            EXPECT_EQ(h.referenceNo, QStringLiteral("PCP/%1/%2-%3")
                                         .arg(2024 + year)
                                         .arg(code)
                                         .arg(last + 1, 4, 10, QChar(u'0')));
        }
}

TEST_F(Numbering, ReferencesCountOnPastNineAndPastNineThousandNineHundredNinetyNine) {
    clearVouchersWhere("phAccountID=104");
    const int id = nextFreeId();
    addVoucher(1, id, 1, "ADM/900", 104, "PCP/2026/BK01-0009");
    EXPECT_EQ(VoucherStore::MakeReference(104), "PCP/2026/BK01-0010");
    addVoucher(1, id + 1, 1, "ADM/901", 104, "PCP/2026/BK01-9999");
    EXPECT_EQ(VoucherStore::MakeReference(104), "PCP/2026/BK01-10000");
    addVoucher(1, id + 2, 1, "ADM/902", 104, "PCP/2026/BK01-10000");
    EXPECT_EQ(VoucherStore::MakeReference(104), "PCP/2026/BK01-10001");
}

TEST_F(Numbering, AnotherCompanysVouchersWithTheSameIdsLeaveTheReferenceAlone) {
    const int lastId = scalar(
                           "select max(phPaymentID) from aHqPettyCashPaymentHeader where "
                           "phCompanyID=1 and phAccountID=101")
                           .toInt();
    const QString last = scalar(QStringLiteral("select phReferenceno from "
                                               "aHqPettyCashPaymentHeader where phCompanyID=1 "
                                               "and phPaymentID=%1")
                                    .arg(lastId))
                             .toString();
    ASSERT_TRUE(last.startsWith("PCP/2026/PC01-")) << last.toStdString();
    // Company 2: the same id on another account, a higher id on this account id.
    addVoucher(2, lastId, 5, "WH/900", 302, "PCP/2026/PC02-5555");
    addVoucher(2, nextFreeId() + 100, 5, "WH/901", 101, "PCP/2026/PC01-7777");
    const int running = last.mid(14).toInt();
    EXPECT_EQ(VoucherStore::MakeReference(101),
              QStringLiteral("PCP/2026/PC01-%1").arg(running + 1, 4, 10, QChar(u'0')));
}

TEST_F(Numbering, AUserOfAllDepartmentsNumbersEachDepartmentInItsOwnSeries) {
    setContext(1, 1, 0);
    const int adm = highest(1, 4), ops = highest(2, 4);
    const SavedVoucher first = save(newVoucher(1, 101)), second = save(newVoucher(2, 101)),
                       third = save(newVoucher(1, 102));
    EXPECT_EQ(first.paymentNo, QStringLiteral("ADM/%1").arg(adm + 1));
    EXPECT_EQ(second.paymentNo, QStringLiteral("OPS/%1").arg(ops + 1));
    EXPECT_EQ(third.paymentNo, QStringLiteral("ADM/%1").arg(adm + 2));
    EXPECT_EQ(second.paymentId, first.paymentId + 1);
    EXPECT_EQ(third.paymentId, second.paymentId + 1);
    EXPECT_EQ(scalar(QStringLiteral("select phDepartmentID from aHqPettyCashPaymentHeader where "
                                    "phCompanyID=1 and phPaymentID=%1")
                         .arg(second.paymentId))
                  .toInt(),
              2);
}

// --- unique indexes and the retry ------------------------------------------------

TEST_F(Numbering, TheDatabaseRefusesASecondVoucherWithTheSameNumberOrReference) {
    const int id = nextFreeId();
    addVoucher(1, id, 1, "ADM/900", 101, "PCP/2026/PC01-9000");
    QSqlQuery q(plainDb());
    for (const auto& [number, reference] :
         {std::pair{"ADM/900", "r"}, std::pair{"ADM/901", "PCP/2026/PC01-9000"}})
        EXPECT_FALSE(q.exec(QStringLiteral("insert into aHqPettyCashPaymentHeader (phPaymentID, "
                                           "phCompanyID, phFinancialID, phDepartmentID, "
                                           "phPaymentNo, phPaymentdate, phAccountID, "
                                           "phReferenceno, phAmount) values (%1, 1, 2, 1, '%2', "
                                           "'20261120', 101, '%3', 1)")
                                .arg(id + 1)
                                .arg(QLatin1String(number), QLatin1String(reference))))
            << number;
    // Another company may use both.
    addVoucher(2, id, 4, "ADM/900", 101, "PCP/2026/PC01-9000");
}

TEST_F(Numbering, ADuplicateKeyIsToldFromOtherErrors) {
    const ModuleError duplicate = RaisedBy([&] {
        con()->Execute(
            "insert into aHqPettyCashPaymentHeader (phPaymentID, phCompanyID, "
            "phFinancialID, phDepartmentID, phPaymentdate, phAccountID, phAmount) "
            "values (1, 1, 2, 1, '20261120', 101, 1)");
    });
    EXPECT_TRUE(IsDuplicateKey(duplicate)) << duplicate.description().toStdString();
    EXPECT_FALSE(IsDuplicateKey(
        RaisedBy([&] { con()->Execute("select nosuchcolumn from aHqPettyCashPaymentHeader"); })));
    EXPECT_TRUE(IsDuplicateKey(ModuleError(kErrDbCommand, "ODBC", "x").withNativeCode("2627")));
    EXPECT_TRUE(IsDuplicateKey(ModuleError(kErrDbCommand, "ODBC", "x").withNativeCode("2601")));
    EXPECT_FALSE(IsDuplicateKey(ModuleError(kErrDbCommand, "ODBC", "x").withNativeCode("547")));
}

TEST_F(Numbering, AClashRollsBackAndNumbersAgain) {
    const int before = scalar("select count(*) from aHqPettyCashPaymentHeader").toInt();
    con()->log().clear();
    // The first attempt meets a voucher saved meanwhile: its insert is refused.
    con()->FailAtStatement(kHeaderInsert,
                           "UNIQUE constraint failed: aHqPettyCashPaymentHeader.phPaymentNo");
    const SavedVoucher h = save(newVoucher(1, 101));
    EXPECT_EQ(attempts(), 2);
    EXPECT_FALSE(con()->InTransaction());
    EXPECT_EQ(scalar("select count(*) from aHqPettyCashPaymentHeader").toInt(), before + 1);
    EXPECT_EQ(scalar(QStringLiteral("select phPaymentNo from aHqPettyCashPaymentHeader where "
                                    "phCompanyID=1 and phPaymentID=%1")
                         .arg(h.paymentId))
                  .toString(),
              h.paymentNo);
}

TEST_F(Numbering, ALastingClashIsReportedAfterTheLastAttempt) {
    // A voucher of another account already holds the reference this account gets next.
    const QString next = VoucherStore::MakeReference(101);
    addVoucher(1, nextFreeId(), 1, "ADM/900", 102, next);
    const int before = scalar("select count(*) from aHqPettyCashPaymentHeader").toInt();
    con()->log().clear();
    EXPECT_TRUE(IsDuplicateKey(RaisedBy([&] { VoucherStore::SaveVoucher(newVoucher(1, 101)); })));
    EXPECT_EQ(attempts(), VoucherStore::kSaveAttempts);
    EXPECT_FALSE(con()->InTransaction());
    EXPECT_EQ(scalar("select count(*) from aHqPettyCashPaymentHeader").toInt(), before);
}

TEST_F(Numbering, AnOlderDatabaseGetsTheIndexesWhenOpened) {
    connection_.reset();
    exec("drop index uxPaymentNumber");
    exec("drop index uxPaymentReference");
    connection_ = std::make_unique<AdoConnection>();
    connection_->Open(QStringLiteral("Provider=SQLite;Data Source=") + dbPath());
    EXPECT_TRUE(connection_->ClashingIndexes().isEmpty());
    EXPECT_EQ(scalar("select count(*) from sqlite_master where type='index' and name in "
                     "('uxPaymentNumber', 'uxPaymentReference')")
                  .toInt(),
              2);
}

TEST_F(Numbering, AnOlderDatabaseWhoseVouchersClashOpensAndSaysSo) {
    connection_.reset();
    exec("drop index uxPaymentReference");
    exec(
        "update aHqPettyCashPaymentHeader set phReferenceno='PCP/2026/PC01-0001' where "
        "phCompanyID=1 and phPaymentID in (1, 2)");
    connection_ = std::make_unique<AdoConnection>();
    connection_->Open(QStringLiteral("Provider=SQLite;Data Source=") + dbPath());
    EXPECT_TRUE(connection_->isOpen());
    EXPECT_EQ(connection_->ClashingIndexes(), QStringList{"uxPaymentReference"});
    EXPECT_EQ(scalar("select count(*) from sqlite_master where name='uxPaymentReference'").toInt(),
              0);
}

// --- locking reads -----------------------------------------------------------------

TEST(NumberingDialect, SqlServerLocksWhatTheNumberingReadsAndSqliteReadsPlainly) {
    EXPECT_EQ(MakeSqlServerDialect()->lockingRead("aHqPettyCashPaymentHeader"),
              "aHqPettyCashPaymentHeader WITH (UPDLOCK, HOLDLOCK)");
    EXPECT_EQ(MakeSqliteDialect()->lockingRead("aHqPettyCashPaymentHeader"),
              "aHqPettyCashPaymentHeader");
}

TEST_F(Numbering, OnTheEmbeddedDatabaseTheSaveLocksBeforeItReadsAndKeepsTheTexts) {
    EXPECT_EQ(con()->driver().dialect().beginStatement(), "BEGIN IMMEDIATE");
    setContext(1, 1, 2);
    con()->log().clear();
    save(newVoucher(2, 101));
    const QStringList texts = con()->log().texts();
    ASSERT_GE(texts.size(), 4);
    EXPECT_EQ(texts.first(), "BeginTrans");
    EXPECT_TRUE(
        texts.contains("select count(phPaymentNo) from aHqPettyCashPaymentHeader where "
                       "phDepartmentID =2 and phFinancialid=2 and left(phPaymentNo,4) "
                       "='OPS/'"))
        << texts.join('\n').toStdString();
    EXPECT_TRUE(
        texts.contains("select isnull(max(PHPaymentID),0)+1 from "
                       "aHqPettyCashPaymentHeader where PHCompanyID=1"))
        << texts.join('\n').toStdString();
}

TEST_F(Numbering, ThePrefixTestSeeksTheIndexAndStillDecides) {
    exec(
        "update aPrefix set Prefix='A''B' where InterfaceID=7517 and DepartmentId=3 and "
        "FinancialId=2");
    clearVouchersWhere("phDepartmentID=3");
    setContext(1, 1, 3);
    const int id = nextFreeId();
    addVoucher(1, id, 3, "A''B1", 101, "x1");
    addVoucher(1, id + 1, 3, "A''B7", 101, "x2");
    addVoucher(1, id + 2, 3, "a''b9", 101, "x3");  // another case
    addVoucher(1, id + 3, 3, "A''C12", 101, "x4");
    con()->log().clear();
    // On the server, as on the suite's, the prefix test ignores case: a''b9 counts.
    EXPECT_EQ(VoucherStore::NextPaymentNo(3), OnPostgres() ? "A'B10" : "A'B8");
    QString count;
    for (const LoggedStatement& s : con()->log().entries())
        if (s.text.startsWith("select count(phPaymentNo)")) count = s.sent;
    const QString range = OnPostgres() ? "(phPaymentNo >= 'A''B' and phPaymentNo < 'A''B' || "
                                         "chr(65535) and left(phPaymentNo,3) ='A''B')"
                                       : "(phPaymentNo >= 'A''B' and phPaymentNo < 'A''B' || "
                                         "char(1114111) and pcp_left(phPaymentNo,3) ='A''B')";
    EXPECT_TRUE(count.contains(range)) << count.toStdString();
    QSqlQuery plan(plainDb());
    // The demo is small enough for a scan: the server is asked whether it can seek.
    if (OnPostgres()) {
        ASSERT_TRUE(plan.exec("set enable_seqscan = off"));
    }
    ASSERT_TRUE(plan.exec(
        QString(OnPostgres() ? "explain " : "explain query plan ") +
        "select count(phPaymentNo) from aHqPettyCashPaymentHeader where phDepartmentID =3 and "
        "phFinancialid=2 and " +
        range.left(range.indexOf(" and ", range.indexOf("||"))) + ")"));
    QStringList steps;
    while (plan.next()) steps << plan.value(OnPostgres() ? 0 : 3).toString();
    // An index seeks the range (on the server: the range is in the index condition).
    const QString seek = OnPostgres() ? "Index Cond: .*\\(phpaymentno\\)::text >= 'A''B'::text"
                                      : "phPaymentNo>\\? AND phPaymentNo<\\?";
    EXPECT_TRUE(steps.join('\n').contains(QRegularExpression(seek)))
        << steps.join('\n').toStdString();
}
