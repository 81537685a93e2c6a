// The database layer on both of its connections to the demo database: the
// embedded driver (the server's on PostgreSQL) and the SQLite ODBC driver.
// Transactions, updatable recordsets, readers, exact amounts, errors, the
// statement log and a second writer run on each; then what only ODBC does
// (the dialect picked from the name the driver gives its database, texts
// beyond ASCII, the same rows as the embedded connection), and a save that
// meets another workstation's lock.
//
// The ODBC driver is named by the path of its library in the connection
// string, so no ODBC configuration of the machine is read or written.
// Without the driver (Debian package libsqliteodbc) its cases fail.
#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <thread>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "data/AdoRecordset.h"
#include "data/Decimal.h"
#include "data/OdbcDriver.h"
#include "data/RowSet.h"
#include "data/SqlDriver.h"
#include "data/SqlText.h"
#include "data/Values.h"
#include "register/FrmMaster.h"
#include "suite/ComRegistry.h"
#include "tests/support/VoucherFixture.h"

using namespace pcp;
using namespace pcp::test;

namespace {

// The SQLite ODBC driver where Debian installs it, in any multiarch folder.
QString sqliteOdbcDriver() {
    QStringList candidates;
    for (const QString& arch :
         QDir(QStringLiteral("/usr/lib")).entryList({"*-linux-*"}, QDir::Dirs))
        candidates << QStringLiteral("/usr/lib/%1/odbc/libsqlite3odbc.so").arg(arch);
    candidates << QStringLiteral("/usr/lib/odbc/libsqlite3odbc.so")
               << QStringLiteral("/usr/local/lib/libsqlite3odbc.so");
    for (const QString& path : candidates)
        if (QFileInfo::exists(path)) return path;
    return QString();
}

QList<QStringList> rowsOf(AdoConnection* con, const QString& sql) {
    AdoRecordset rs;
    rs.Open(sql, con, adOpenKeyset, adLockOptimistic);
    QList<QStringList> rows;
    while (!rs.Eof()) {
        QStringList row;
        for (int i = 0; i < rs.FieldCount(); ++i) row << Text(rs.Fields(i)).trimmed();
        rows << row;
        rs.MoveNext();
    }
    return rows;
}

// A voucher header through an updatable recordset, as the entry window saves one.
void addHeader(AdoConnection* con, int id, const std::vector<std::pair<QString, QVariant>>& more) {
    AdoRecordset rs;
    rs.Open("Select * from aHqPettyCashPaymentHeader where 1=2 ", con, adOpenKeyset,
            adLockOptimistic);
    rs.AddNew();
    rs.SetField("phPaymentID", id);
    rs.SetField("phCompanyID", 1);
    rs.SetField("phFinancialID", 2);
    rs.SetField("phDepartmentID", 1);
    rs.SetField("phPaymentNo", QStringLiteral("ADM/%1").arg(id));
    rs.SetField("phPaymentdate", MakeDate(2026, 11, 20));
    rs.SetField("phAccountID", 101);
    rs.SetField("phAmount", "10");
    for (const auto& [name, value] : more) rs.SetField(name, value);
    rs.Update();
}

// The process's character set for the length of a test.
class ScopedCtype {
  public:
    explicit ScopedCtype(const char* locale) : old_(std::setlocale(LC_CTYPE, nullptr)) {
        std::setlocale(LC_CTYPE, locale);
    }
    ~ScopedCtype() { std::setlocale(LC_CTYPE, old_.c_str()); }

  private:
    std::string old_;
};

}  // namespace

// --- either connection --------------------------------------------------------

// How the connection under test reaches the demo database.
enum class Link { Direct, SqliteOdbc };

const char* NameOf(Link link) {
    return link == Link::Direct ? "Direct" : "SqliteOdbc";
}
void PrintTo(Link link, std::ostream* os) {
    *os << NameOf(link);
}
std::string LinkName(const ::testing::TestParamInfo<Link>& info) {
    return NameOf(info.param);
}

// db() is a connection of its own to the test's database: through the
// module's connection string (the embedded driver, or the server), or
// through the SQLite ODBC driver to the same file.
class Database : public DemoDatabaseTest, public ::testing::WithParamInterface<Link> {
  protected:
    void SetUp() override {
        DemoDatabaseTest::SetUp();
        if (GetParam() == Link::SqliteOdbc) {
            driver_ = sqliteOdbcDriver();
            ASSERT_FALSE(driver_.isEmpty())
                << "The SQLite ODBC driver is not installed (Debian package libsqliteodbc)";
        }
        db_ = std::make_unique<AdoConnection>();
        db_->Open(connectionString());
    }
    void TearDown() override {
        db_.reset();
        DemoDatabaseTest::TearDown();
    }
    QString connectionString() const {
        if (GetParam() == Link::Direct) return DemoDatabaseTest::connectionString();
        return QStringLiteral("Driver=%1;Database=%2").arg(driver_, dbPath());
    }
    AdoConnection* db() { return db_.get(); }
    bool onSqliteFile() const { return GetParam() == Link::SqliteOdbc || !OnPostgres(); }
    // The transport its errors name.
    QString errorSource() const {
        return GetParam() == Link::Direct && !OnPostgres() ? "SQLite" : "ODBC";
    }

    QString driver_;
    std::unique_ptr<AdoConnection> db_;
};

INSTANTIATE_TEST_SUITE_P(On, Database, ::testing::Values(Link::Direct, Link::SqliteOdbc), LinkName);

TEST_P(Database, CommitKeepsRollbackDiscardsAndClosingRollsBack) {
    const QString days = "select noofpreviousdays from asettings where companyid=1";
    db()->BeginTrans();
    EXPECT_EQ(db()->Execute("update asettings set noofpreviousdays=12 where companyid=1"), 1);
    db()->CommitTrans();
    EXPECT_EQ(scalar(days).toInt(), 12);

    // a statement the database refuses inside a transaction: nothing of it is kept
    const QString lines = "select count(*) from aHqPettyCashPaymentDetails";
    const QString vouchers = "select count(*) from aHqPettyCashPaymentHeader";
    const int linesBefore = scalar(lines).toInt(), vouchersBefore = scalar(vouchers).toInt();
    db()->BeginTrans();
    db()->Execute("update asettings set noofpreviousdays=99 where companyid=1");
    db()->Execute(
        "update aHqPettyCashPaymentHeader set phCancel=1 where phPaymentID=1 and phCompanyID=1");
    AdoRecordset rs;
    rs.Open("Select * from aHqPettyCashPaymentDetails where 1=2 ", db(), adOpenKeyset,
            adLockOptimistic);
    EXPECT_TRUE(rs.Eof());
    rs.AddNew();
    rs.SetField("pdCompanyID", 1);
    rs.SetField("pdDepartmentID", 0);
    rs.SetField("pdPaymentID", 1);
    rs.SetField("pdDetailID", 99);
    rs.SetField("pdDebitAccountID", 201);
    rs.SetField("pdAmount", "12.50");
    rs.Update();
    EXPECT_EQ(rowsOf(db(), days)[0][0], "99");  // the transaction sees its own writes
    EXPECT_EQ(db()->Execute("delete from aHqPettyCashPaymentDetails"), linesBefore + 1);
    const ModuleError refused = RaisedBy(
        [&] { db()->Execute("insert into aHqPettyCashPaymentHeader (phPaymentID) values (1)"); });
    EXPECT_EQ(refused.number(), kErrDbCommand);
    EXPECT_EQ(refused.source(), errorSource());
    EXPECT_FALSE(refused.description().isEmpty());
    db()->RollbackTrans();
    EXPECT_EQ(scalar(days).toInt(), 12);
    EXPECT_EQ(scalar(lines).toInt(), linesBefore);
    EXPECT_EQ(scalar(vouchers).toInt(), vouchersBefore);
    EXPECT_EQ(
        scalar(
            "select phCancel from aHqPettyCashPaymentHeader where phPaymentID=1 and phCompanyID=1")
            .toInt(),
        0);

    // closing with an open transaction rolls it back
    db()->BeginTrans();
    db()->Execute("update MiscSettings set AccountsFreezeDate=NULL");
    db_.reset();
    EXPECT_EQ(scalar("select AccountsFreezeDate from MiscSettings").toString(), "20261026");
}

// Stored as SQLite keeps them (amounts REAL, dates as 'yyyymmdd[ hh:mm:ss]'
// text) and read back on the same calendar day however far east the clock is.
TEST_P(Database, AddNewStoresTypedColumnsAndDatesReadBackAsTheSameDay) {
    const ScopedTimeZone farEast("Pacific/Kiritimati");  // UTC+14: a shift would change the day
    addHeader(db(), 500,
              {{"phDepartmentID", 2},
               {"phPaymentNo", "OPS/500"},
               {"phReferenceno", "PCP/2026/PC01-0500"},
               {"phAccountID", "101"},
               {"phPayee", "O'Brien Supplies"},
               {"phAmount", "1234.5"},
               {"phUpdateTime", MakeDate(2026, 11, 20, 9, 30, 0)},
               {"phCancelRemarks", NullValue()},
               {"phCancel", 0},
               {"phPosted", 0}});
    EXPECT_EQ(scalar("select phAmount || '|' || typeof(phAmount) || '|' || phPaymentdate || '|' "
                     "|| phUpdateTime || '|' || phPayee from aHqPettyCashPaymentHeader where "
                     "phPaymentID=500")
                  .toString(),
              "1234.5|real|20261120|20261120 09:30:00|O'Brien Supplies");

    AdoRecordset back;
    back.Open(
        "select phPaymentdate, phUpdateTime, phAmount, phCancelRemarks, phRemarks from "
        "aHqPettyCashPaymentHeader where phPaymentdate='20261120' and phPaymentID='500'",
        db(), adOpenKeyset, adLockReadOnly);
    ASSERT_EQ(back.RecordCount(), 1);
    EXPECT_EQ(back.Fields(0).toDateTime(), MakeDate(2026, 11, 20));
    EXPECT_EQ(back.Fields(0).toDateTime().date(), QDate(2026, 11, 20));
    EXPECT_EQ(back.Fields(1).toDateTime(), MakeDate(2026, 11, 20, 9, 30, 0));
    EXPECT_EQ(Text(back.Fields("phAmount")), "1234.5");
    EXPECT_TRUE(IsNull(back.Fields(3)));
    EXPECT_TRUE(IsNull(back.Fields(4)));
}

TEST_P(Database, ReadersReadEveryRowAndAForwardOnlyOneOutlastsTheNextStatement) {
    const QString sql =
        "select phPaymentID, phPaymentNo from aHqPettyCashPaymentHeader where phCompanyID=1 "
        "order by phPaymentID";
    const QStringList ids = idsOf(sql);
    ASSERT_GT(ids.size(), 1);

    AdoRecordset keyset;
    keyset.Open(sql, db(), adOpenKeyset, adLockOptimistic);
    EXPECT_EQ(keyset.RecordCount(), ids.size());
    QStringList read;
    for (; !keyset.Eof(); keyset.MoveNext()) read << Text(keyset.Fields(0));
    EXPECT_EQ(read, ids);
    keyset.MoveFirst();
    EXPECT_EQ(Text(keyset.Fields(0)), ids.front());

    AdoRecordset reader;
    reader.Open(sql, db(), adOpenForwardOnly, adLockReadOnly);
    EXPECT_EQ(reader.RecordCount(), -1);
    EXPECT_EQ(reader.FieldName(1), onSqliteFile() ? "phPaymentNo" : "phpaymentno");
    EXPECT_THROW(reader.AddNew(), ModuleError);  // it reads only
    ASSERT_FALSE(reader.Eof());
    read = QStringList{Text(reader.Fields("phPaymentID"))};
    reader.MoveNext();
    // another statement, and a transaction, on the same connection while the reader is open
    AdoRecordset other;
    other.Open("select count(*) from aHqPettyCashPaymentDetails", db());
    EXPECT_GT(other.Fields(0).toInt(), 0);
    other.Close();
    db()->BeginTrans();
    db()->Execute("update asettings set noofpreviousdays=31 where companyid=1");
    db()->CommitTrans();
    for (; !reader.Eof(); reader.MoveNext()) read << Text(reader.Fields(0));
    EXPECT_EQ(read, ids);
    EXPECT_THROW(reader.Fields(0), ModuleError);  // at the end: no current record
    EXPECT_THROW(reader.MoveFirst(), ModuleError);
}

TEST_P(Database, StatementLogKeepsTheTextAsWrittenAndLenIgnoresTrailingBlanks) {
    db()->log().clear();
    const QString text =
        "select Top 1 isnull(cashgroupID,0), len('ab  '), len(''), len(null) from asettings "
        "where companyid=2";
    AdoRecordset rs;
    rs.Open(text, db());
    EXPECT_EQ(rs.Fields(0).toInt(), 0);
    EXPECT_EQ(Text(rs.Fields(1)), "2");
    EXPECT_EQ(Text(rs.Fields(2)), "0");
    EXPECT_TRUE(IsNull(rs.Fields(3)));
    ASSERT_EQ(db()->log().entries().size(), 1u);
    EXPECT_EQ(db()->log().entries().front().text, text);
    EXPECT_EQ(db()->log().entries().front().sent,
              onSqliteFile() ? "select ifnull(cashgroupID,0), len('ab  '), len(''), len(null) "
                               "from asettings where companyid=2 LIMIT 1"
                             : "select coalesce(cashgroupID,0), length(rtrim('ab  ')), "
                               "length(rtrim('')), length(rtrim(null)) from asettings where "
                               "companyid=2 LIMIT 1");
}

TEST_P(Database, ASecondWriterWaitsForTheFirstInsteadOfFailing) {
    db()->BeginTrans();
    db()->Execute("update asettings set noofpreviousdays=10 where companyid=1");
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
    db()->CommitTrans();
    second.join();
    EXPECT_TRUE(secondError.isEmpty()) << secondError.toStdString();
    EXPECT_TRUE(secondSawCommit);  // its transaction began only after the first committed
    EXPECT_EQ(scalar("select noofpreviousdays from asettings where companyid=1").toInt(), 11);
}

TEST_P(Database, ARecordsetOutlivesItsConnectionSafely) {
    AdoRecordset streaming, keyset;
    streaming.Open(
        "select phPaymentID from aHqPettyCashPaymentHeader where phCompanyID=1 "
        "order by phPaymentID",
        db());
    keyset.Open("select phPaymentID from aHqPettyCashPaymentHeader where phPaymentID=60", db(),
                adOpenKeyset);
    db_.reset();
    // The rows already read stay readable; nothing touches the freed connection.
    EXPECT_EQ(streaming.Fields(0).toInt(), 1);
    streaming.MoveNext();
    EXPECT_EQ(streaming.Fields(0).toInt(), 2);
    EXPECT_EQ(keyset.Fields(0).toInt(), 60);
    EXPECT_THROW(keyset.AddNew(), ModuleError);
    streaming.Close();
    keyset.Close();
}

TEST_P(Database, AmountsAndRatesReadBackExactlyAtTheirColumnsScale) {
    // 25 lines of 33.333 and 47 of 12.35, stored and read back as the voucher
    // window will: every sum is exact and shows as the cents say.
    AdoRecordset rs;
    rs.Open("Select * from aHqPettyCashPaymentDetails where 1=2 ", db(), adOpenKeyset,
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
        db(), adOpenKeyset, adLockReadOnly);
    // ODBC reports a REAL column as a double, read at the column's scale all the same
    const QMetaType amountType =
        GetParam() == Link::Direct ? QMetaType::fromType<Decimal>() : QMetaType::fromType<double>();
    Decimal first, second;
    for (int i = 1; !rs.Eof(); ++i, rs.MoveNext()) {
        ASSERT_EQ(rs.Fields(0).metaType(), amountType);
        (i <= 25 ? first : second) += CDec(rs.Fields(0));
        EXPECT_EQ(Text(rs.Fields(1)), "3.6725");
    }
    EXPECT_EQ(NumberText(first), "833.325");
    EXPECT_EQ(Format(first, "0.00"), "833.33");
    EXPECT_EQ(NumberText(second), "580.45");
    EXPECT_EQ(Text(QVariant::fromValue(first + second)), "1413.775");

    // given as text, as a double, at the column's largest, and in the statement's text
    struct Case {
        int id;
        QVariant amount;
        QString text;
    };
    const Case cases[] = {
        {901, "33.333", "33.333"}, {902, 0.1, "0.1"}, {903, "999999999999.99", "999999999999.99"}};
    for (const Case& c : cases)
        addHeader(db(), c.id,
                  {{"phAmount", c.amount}, {"phExRate", "1.234567"}, {"phDepExRate", 0.2723}});
    for (const Case& c : cases) {
        const QString where = QStringLiteral(" from aHqPettyCashPaymentHeader where phPaymentID=") +
                              QString::number(c.id);
        AdoRecordset header;
        header.Open("select phAmount, phExRate, phDepExRate, phComExRate" + where, db());
        EXPECT_EQ(header.Fields(0).metaType(), amountType);
        EXPECT_EQ(Text(header.Fields(0)), c.text);
        EXPECT_EQ(Text(header.Fields(1)), "1.234567");
        EXPECT_EQ(Text(header.Fields(2)), "0.2723");
        EXPECT_TRUE(IsNull(header.Fields(3)));
        if (!onSqliteFile()) continue;
        // what SQLite itself stored
        EXPECT_EQ(scalar("select phAmount || ''" + where).toString(), c.text);
        EXPECT_EQ(scalar("select typeof(phAmount)" + where).toString(), "real");
    }
    EXPECT_EQ(db()->Execute("update aHqPettyCashPaymentHeader set phAmount=33.333, "
                            "phExRate=0.000001 where phPaymentID=902"),
              1);
    EXPECT_EQ(rowsOf(db(),
                     "select phAmount, phExRate from aHqPettyCashPaymentHeader where "
                     "phPaymentID=902"),
              (QList<QStringList>{{"33.333", "0.000001"}}));
}

// The long lists' reader: typed columns straight from the database's own
// calls, the same texts as the recordset that reads through Qt, any text
// length, and a failure at the third row raised with the database's code.
TEST_P(Database, RowsReadWholeAreTypedAndAFailureMidReadRaises) {
    const QString payee = QString::fromUtf8("Caf\u00e9 \u00dcn\u00efcode \u2615 \u6771\u4eac");
    const QString remarks(250, u'r');
    addHeader(db(), 901, {{"phPayee", payee}, {"phAmount", "12.345"}, {"phRemarks", remarks}});
    addHeader(db(), 902,
              {{"phPaymentdate", MakeDate(2026, 2, 28, 14, 5, 9)}, {"phAmount", "-0.5"}});
    addHeader(db(), 903,
              {{"phAmount", "999999999999.99"}, {"phExRate", "3.6725"}, {"phPayee", ""}});
    const QString from =
        " from aHqPettyCashPaymentHeader where phPaymentID >= 901 order by phPaymentID";
    const QString sql = "select phPaymentID, phPaymentdate, phAmount, phPayee, phExRate" + from;
    const RowSet rows = db()->ReadRows(sql);
    EXPECT_EQ(db()->log().last(), sql);
    ASSERT_EQ(rows.rowCount(), 3);
    ASSERT_EQ(rows.columnCount(), 5);
    EXPECT_EQ(rows.value(0, 1).toDateTime(), MakeDate(2026, 11, 20));
    EXPECT_EQ(rows.text(1, 1), "28/02/2026 14:05:09");
    EXPECT_EQ(rows.textLength(1, 1), 19);
    const QStringList amounts{"12.345", "-0.5", "999999999999.99"};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(rows.text(r, 2), amounts[r]);
        EXPECT_EQ(rows.textLength(r, 2), amounts[r].size());
    }
    if (GetParam() == Link::Direct)
        EXPECT_EQ(rows.value(2, 2).value<Decimal>(), *Decimal::parse(u"999999999999.99"));
    EXPECT_EQ(rows.value(0, 3).toString(), payee);
    EXPECT_EQ(rows.textLength(0, 3), payee.size());
    EXPECT_TRUE(rows.isNull(1, 3));
    // an empty text is a value, not a NULL
    EXPECT_FALSE(rows.isNull(2, 3));
    EXPECT_FALSE(rows.value(2, 3).toString().isNull());
    EXPECT_TRUE(rows.textIs(2, 3, u""));
    EXPECT_TRUE(IsNull(rows.value(0, 4)));
    EXPECT_EQ(rows.text(2, 4), "3.6725");
    // every cell as the recordset that reads a row at a time shows it
    AdoRecordset reader;
    reader.Open(sql, db(), adOpenForwardOnly, adLockReadOnly);
    for (int r = 0; !reader.Eof(); ++r, reader.MoveNext())
        for (int c = 0; c < reader.FieldCount(); ++c)
            EXPECT_EQ(rows.text(r, c), Text(reader.Fields(c)).trimmed()) << r << "," << c;
    reader.Close();

    // 8,282 characters: wider than any column a driver binds (a SQLite file
    // keeps them in the column; a server joins them)
    const QString joined = QStringList(33, remarks).join(u'-');
    if (onSqliteFile())
        db()->Execute("update aHqPettyCashPaymentHeader set phRemarks='" + joined +
                      "' where phPaymentID=901");
    const RowSet wide =
        db()->ReadRows("select " +
                       (onSqliteFile() ? QString("phRemarks")
                                       : "phRemarks" + QString(" + '-' + phRemarks").repeated(32)) +
                       " from aHqPettyCashPaymentHeader where phPaymentID=901");
    EXPECT_EQ(wide.value(0, 0).toString().size(), joined.size());
    EXPECT_TRUE(wide.value(0, 0).toString() == joined);

    // SQLite meets the overflow at the third row; a server before it sends any
    const QString overflowing =
        "select phPaymentID, abs(case when phPaymentID = 903 then -9223372036854775807 - 1 "
        "else 1 end)" +
        from;
    try {
        db()->ReadRows(overflowing);
        ADD_FAILURE() << "no error";
    } catch (const ModuleError& e) {
        EXPECT_EQ(e.number(), kErrDbCommand);
        EXPECT_EQ(e.source(), errorSource());
        EXPECT_EQ(e.statement(), overflowing);
        EXPECT_TRUE(e.description().contains("overflow") ||
                    e.description().contains("out of range"))
            << e.description().toStdString();
        EXPECT_EQ(e.nativeCode(), OnPostgres() && GetParam() == Link::Direct ? "22003" : "1");
    }
    db()->FailAtStatement(1, "injected");
    EXPECT_THROW(db()->ReadRows(sql), ModuleError);
    EXPECT_EQ(db()->ReadRows(sql).rowCount(), 3);  // the connection reads on
}

TEST(DatabaseConnection, OpeningAClosedOrUnreachableConnectionFailsClearly) {
    AdoConnection never;
    EXPECT_EQ(RaisedBy([&] { never.Execute("select 1"); }).number(), kErrDbOperation);
    AdoConnection bad;
    EXPECT_THROW(bad.Open("Provider=SQLite;Data Source=/nonexistent/folder/x.db"), ModuleError);
}

// --- through ODBC only ------------------------------------------------------------

TEST(OdbcDialect, ChosenFromTheDbmsName) {
    const auto sqlite = DialectForDbms("SQLite");
    EXPECT_EQ(sqlite->name(), "SQLite");
    EXPECT_EQ(sqlite->translate("select top 1 isnull(a,0) from t"),
              "select ifnull(a,0) from t LIMIT 1");
    EXPECT_EQ(sqlite->dateTextType(), "DATETEXT");
    const auto postgres = DialectForDbms("PostgreSQL");
    EXPECT_EQ(postgres->name(), "PostgreSQL");
    EXPECT_EQ(postgres->translate("select top 1 isnull(a,0) from t"),
              "select coalesce(a,0) from t LIMIT 1");
    EXPECT_TRUE(postgres->dateTextType().isEmpty());
    // The suite's SQL Server, and any database not known here, take the text as written.
    for (const char* dbms : {"Microsoft SQL Server", "Oracle", ""}) {
        const auto other = DialectForDbms(dbms);
        EXPECT_EQ(other->name(), "SQL Server") << dbms;
        EXPECT_EQ(other->translate("select top 1 isnull(a,0) from t"),
                  "select top 1 isnull(a,0) from t");
        EXPECT_TRUE(other->dateTextType().isEmpty());
        EXPECT_TRUE(other->beginStatement().isEmpty());
    }
}

TEST(OdbcConnectionString, TheSqliteDriverGetsTheFunctionsExtensionAndAShortLockWait) {
    EXPECT_EQ(ForSqliteOdbcDriver("Driver=/usr/lib/odbc/libsqlite3odbc.so;Database=/tmp/a.db",
                                  "/opt/pcp"),
              "Driver=/usr/lib/odbc/libsqlite3odbc.so;Database=/tmp/a.db;"
              "LoadExt=/opt/pcp/pcp_sqlite_functions.so;Timeout=3000;");
    EXPECT_EQ(ForSqliteOdbcDriver("DRIVER={SQLite3};Database=a.db;timeout=500", "/opt/pcp"),
              "DRIVER={SQLite3};Database=a.db;timeout=500;"
              "LoadExt=/opt/pcp/pcp_sqlite_functions.so;");
    const QString own = "Driver=SQLite3;Database=a.db;loadext=/x/y.so;Timeout=10";
    EXPECT_EQ(ForSqliteOdbcDriver(own, "/opt/pcp"), own);
    const QString tds = "Driver=FreeTDS;Server=h;Database=sqlite_copy;UID=u";
    EXPECT_EQ(ForSqliteOdbcDriver(tds, "/opt/pcp"), tds);
}

TEST(OdbcStatementText, LiteralsBeyondAsciiGoAsHexText) {
    EXPECT_EQ(HexTextLiterals("select a from t where b='O''Brien' and c='\u00e9'"),
              "select a from t where b='O''Brien' and c=CAST(X'C3A9' AS TEXT)");
    EXPECT_EQ(HexTextLiterals("insert into t values ('Caf\u00e9 O''Neil', 'x')"),
              "insert into t values (CAST(X'436166C3A9204F274E65696C' AS TEXT), 'x')");
    EXPECT_EQ(HexTextLiterals("select 'it''s', 'unclosed \u00e9"),
              "select 'it''s', 'unclosed \u00e9");
}

// The same connection through the SQLite ODBC driver alone.
class Odbc : public Database {};

INSTANTIATE_TEST_SUITE_P(Through, Odbc, ::testing::Values(Link::SqliteOdbc), LinkName);

TEST_P(Odbc, TheDbmsNameChoosesTheSqliteDialectAndItsFunctions) {
    EXPECT_EQ(OdbcDbmsName(db()->database()), "SQLite");
    EXPECT_EQ(db()->driver().name(), "ODBC");
    EXPECT_EQ(db()->driver().dialect().name(), "SQLite");
    // the extension built beside the module library (the test programs share its folder)
    EXPECT_TRUE(db()->database().databaseName().endsWith(
        ";LoadExt=" + QCoreApplication::applicationDirPath() +
        "/pcp_sqlite_functions.so;Timeout=3000;"))
        << db()->database().databaseName().toStdString();
}

TEST_P(Odbc, AMissingFunctionsExtensionFailsTheOpen) {
    AdoConnection without;
    const ModuleError e = RaisedBy(
        [&] { without.Open(connectionString() + ";LoadExt=" + dir_.filePath("missing.so")); });
    EXPECT_EQ(e.number(), kErrDbConnection);
    EXPECT_TRUE(e.description().contains("pcp_cint")) << e.description().toStdString();
    EXPECT_FALSE(without.isOpen());
}

TEST_P(Odbc, ATransactionTakesTheWriteLockAtOnceAndALockedDatabaseIsBusy) {
    db()->BeginTrans();
    {
        // another workstation on the embedded driver, not willing to wait
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "pcp-test-writer");
        other.setDatabaseName(dbPath());
        other.setConnectOptions("QSQLITE_BUSY_TIMEOUT=1");
        ASSERT_TRUE(other.open());
        QSqlQuery q(other);
        EXPECT_FALSE(q.exec("BEGIN IMMEDIATE"));
        EXPECT_TRUE(q.exec("select count(*) from asettings"));  // readers go on
        db()->RollbackTrans();

        // the other way round: the wait for the other's lock ends as a busy database,
        // which the user is told in plain words
        ASSERT_TRUE(q.exec("BEGIN IMMEDIATE"));
        const ModuleError e = RaisedBy([&] { db()->BeginTrans(); });
        EXPECT_TRUE(IsDatabaseBusy(e))
            << e.nativeCode().toStdString() << " " << e.description().toStdString();
        q.exec("ROLLBACK");
        q.finish();
        other.close();
    }
    QSqlDatabase::removeDatabase("pcp-test-writer");
}

TEST_P(Odbc, DatesReadAndCompareAsOnTheEmbeddedConnection) {
    const ScopedTimeZone farEast("Pacific/Kiritimati");  // UTC+14: a shift would change the day
    const QString demo =
        "select phPaymentID, phPaymentdate, phUpdateTime from aHqPettyCashPaymentHeader "
        "where phCompanyID=1 order by phPaymentID";
    EXPECT_EQ(rowsOf(db(), demo), rowsOf(con(), demo));
    addHeader(db(), 900, {{"phUpdateTime", MakeDate(2026, 11, 20, 9, 30, 0)}});
    // compared with 'yyyymmdd' literals as SQL Server compares dates
    for (const QString& where :
         {QString("phPaymentdate='20261120'"), QString("phPaymentdate>='20261101'"),
          QString("phPaymentdate>='20261120' and phPaymentdate<'20261121'"),
          QString("phUpdateTime>'20261120'")}) {
        const QString sql = "select count(*) from aHqPettyCashPaymentHeader where " + where;
        EXPECT_EQ(rowsOf(db(), sql), rowsOf(con(), sql)) << where.toStdString();
    }
}

TEST_P(Odbc, TextWithQuotesAndLettersBeyondAsciiRoundTrips) {
    const QString payee =
        QString::fromUtf8("O'Brien \u2013 Caf\u00e9 M\u00fcller, Stra\u00dfe \u6f22\u5b57");
    addHeader(db(), 910, {{"phPayee", payee}, {"phRemarks", "It's bound"}});
    db()->Execute(
        "insert into aHqPettyCashPaymentHeader (phPaymentID,phCompanyID,phFinancialID,"
        "phDepartmentID,phPaymentNo,phPaymentdate,phAccountID,phPayee,phRemarks,phAmount) values "
        "(911,1,2,1,'ADM/911','20261120',101," +
        SqlQuote(payee) + ",'It''s concatenated',10)");
    for (int id : {910, 911}) {
        const QString where =
            " from aHqPettyCashPaymentHeader where phPaymentID=" + QString::number(id);
        EXPECT_EQ(scalar("select phPayee" + where).toString(), payee);
        EXPECT_EQ(rowsOf(db(), "select phPayee" + where)[0][0], payee);
        EXPECT_EQ(rowsOf(con(), "select phPayee" + where)[0][0], payee);
    }
    EXPECT_EQ(rowsOf(db(),
                     "select phRemarks from aHqPettyCashPaymentHeader where phPaymentID "
                     "in (910,911) order by phPaymentID"),
              (QList<QStringList>{{"It's bound"}, {"It's concatenated"}}));
    // found by a quoted literal, whole or in a pattern
    const QString byPayee =
        "select phPaymentID from aHqPettyCashPaymentHeader where phPayee=" + SqlQuote(payee) +
        " order by phPaymentID";
    EXPECT_EQ(rowsOf(db(), byPayee), (QList<QStringList>{{"910"}, {"911"}}));
    const QString like = QString::fromUtf8(
        "select phPaymentID from aHqPettyCashPaymentHeader where phPayee like '%M\u00fcller%' "
        "order by phPaymentID");
    EXPECT_EQ(rowsOf(db(), like), rowsOf(con(), like));
    EXPECT_EQ(rowsOf(db(), like).size(), 2);
}

TEST_P(Odbc, LiteralsBeyondAsciiArriveInANonUtf8Locale) {
    const QString remark = QString::fromUtf8("Gr\u00fc\u00dfe \u00e0 l'\u00e9quipe \u6f22\u5b57");
    {
        const ScopedCtype plain("C");  // unixODBC converts statement text in this character set
        AdoConnection narrow;
        narrow.Open(connectionString());
        EXPECT_EQ(narrow.Execute("update aHqPettyCashPaymentHeader set phRemarks=" +
                                 SqlQuote(remark) + " where phPaymentID=1 and phCompanyID=1"),
                  1);
        EXPECT_EQ(rowsOf(&narrow,
                         "select phPaymentID from aHqPettyCashPaymentHeader where "
                         "phRemarks=" +
                             SqlQuote(remark)),
                  (QList<QStringList>{{"1"}}));
    }
    EXPECT_EQ(scalar("select phRemarks from aHqPettyCashPaymentHeader where phPaymentID=1 and "
                     "phCompanyID=1")
                  .toString(),
              remark);
}

TEST_P(Odbc, ModuleStatementsGiveTheSameRowsAsTheEmbeddedConnection) {
    const QString searchBase =
        QString(
            " select Top 1000 phPaymentID, phPaymentNo,phPaymentdate,PhPayee, phAmount,case "
            "phcancel when 1 then 'Yes' ") +
        " when 0 then 'No' end,case phposted when 1 then 'Yes' when 0 then 'No' end From " +
        "aHqPettyCashPaymentHeader" + "  " + " where phCompanyID=1" + " and phFinancialID = 2";
    const QStringList statements{
        FrmMaster::WindowOfDays(30, FrmMaster::RegisterOrder()).sql(),
        FrmMaster::WindowOfDays(90, " order by phPaymentID desc").sql(),
        searchBase +
            " and convert(varchar(20),phPaymentdate,103) like '%/11/2026%' order by "
            "phPaymentID desc",
        searchBase + " and PhPayee like '%a%' order by phPaymentID desc",
        "SELECT max(convert(int,right(phPaymentNo,len(phPaymentNo)-4))) FROM "
        "aHqPettyCashPaymentHeader WHERE phDepartmentID =2 and  phFinancialid=2 and "
        "left(phPaymentNo,4) ='OPS/'",
        "select count(*) from aHqPettyCashPaymentHeader where phPaymentdate <= getdate()",
        "select * from vwPCPaymentCheckList where phCompanyID=1 order by phPaymentID, pdDetailID",
    };
    for (const QString& sql : statements) {
        const auto viaOdbc = rowsOf(db(), sql);
        EXPECT_FALSE(viaOdbc.isEmpty()) << sql.toStdString();
        EXPECT_EQ(viaOdbc, rowsOf(con(), sql)) << sql.toStdString();
    }
}

TEST_P(Odbc, TheVaultsSelectTopOneGivesWhatTheEmbeddedConnectionGives) {
    LateObject viaOdbc = CreateObject("Kestrel.clsVault");
    viaOdbc.set("adocon", ObjectArg(db()));
    LateObject embedded = CreateObject("Kestrel.clsVault");
    embedded.set("adocon", ObjectArg(con()));
    struct Lookup {
        const char* table;
        const char* field;
        const char* condition;
    };
    const Lookup lookups[] = {{"ausers where userid=2", "username", ""},
                              {"asettings", "noofpreviousdays", "companyid=1"},
                              {"MiscSettings", "AccountsFreezeDate", ""},
                              {"aHqPettyCashPaymentHeader", "phPaymentdate", "phPaymentID=3"},
                              {"aHqPettyCashPaymentHeader", "phAmount", "phPaymentID=3"},
                              {"asettings", "cashgroupID", "companyid=2"},
                              {"aAccountMaster", "AccountCode", "AccountID=9999"}};
    for (const Lookup& l : lookups) {
        QVariantList args{QString(l.field)};
        if (*l.condition) args << QString(l.condition);
        viaOdbc.set("strTableName", QString(l.table));
        embedded.set("strTableName", QString(l.table));
        const QVariant a = viaOdbc.call("fnReturnField", args);
        const QVariant b = embedded.call("fnReturnField", args);
        EXPECT_EQ(IsEmpty(a), IsEmpty(b)) << l.field;
        EXPECT_EQ(IsNull(a), IsNull(b)) << l.field;
        EXPECT_EQ(Text(a), Text(b)) << l.field;
        EXPECT_EQ(a.typeId() == QMetaType::QDateTime, b.typeId() == QMetaType::QDateTime)
            << l.field;
    }
    viaOdbc.set("strTableName", QString("ausers where userid=2"));
    db()->log().clear();
    EXPECT_EQ(Text(viaOdbc.call("fnReturnField", {QString("username")})), "clerk");
    EXPECT_EQ(db()->log().entries().back().sent,
              "select username from ausers where userid=2 LIMIT 1");
}

// --- a busy database ----------------------------------------------------------

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
