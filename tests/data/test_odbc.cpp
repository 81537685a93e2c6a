// The database layer through ODBC: the demo database opened with the SQLite
// ODBC driver, the dialect picked from the name the driver gives its
// database, and the module's statements giving over ODBC what they give on
// the embedded connection to the same file.
//
// The driver is named by the path of its library in the connection string,
// so no ODBC configuration of the machine is read or written. Without the
// driver (Debian package libsqliteodbc) every test here fails.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "data/AdoRecordset.h"
#include "data/OdbcDriver.h"
#include "data/SqlText.h"
#include "data/Values.h"
#include "register/FrmMaster.h"
#include "suite/ComRegistry.h"
#include "tests/support/Fixtures.h"

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

// Sets an environment variable for a test and puts it back afterwards.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value, 1);
        tzset();
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
        tzset();
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

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

class Odbc : public DemoDatabaseTest {
  protected:
    void SetUp() override {
        DemoDatabaseTest::SetUp();
        driver_ = sqliteOdbcDriver();
        ASSERT_FALSE(driver_.isEmpty())
            << "The SQLite ODBC driver is not installed (Debian package libsqliteodbc)";
        odbc_ = std::make_unique<AdoConnection>();
        odbc_->Open(connectionString());
    }
    void TearDown() override {
        odbc_.reset();
        DemoDatabaseTest::TearDown();
    }
    QString connectionString() const {
        return QStringLiteral("Driver=%1;Database=%2").arg(driver_, dbPath());
    }
    AdoConnection* odbc() { return odbc_.get(); }

    QString driver_;
    std::unique_ptr<AdoConnection> odbc_;
};

TEST_F(Odbc, TheDbmsNameChoosesTheSqliteDialectAndItsFunctions) {
    EXPECT_EQ(OdbcDbmsName(odbc()->database()), "SQLite");
    EXPECT_EQ(odbc()->driver().name(), "ODBC");
    EXPECT_EQ(odbc()->driver().dialect().name(), "SQLite");
    // the extension built beside the module library (the test programs share its folder)
    EXPECT_TRUE(odbc()->database().databaseName().endsWith(
        ";LoadExt=" + QCoreApplication::applicationDirPath() +
        "/pcp_sqlite_functions.so;Timeout=3000;"))
        << odbc()->database().databaseName().toStdString();

    odbc()->log().clear();
    AdoRecordset rs;
    rs.Open("select Top 1 isnull(cashgroupID,0), len('ab  ') from asettings where companyid=2",
            odbc());
    EXPECT_EQ(rs.Fields(0).toInt(), 0);
    EXPECT_EQ(rs.Fields(1).toInt(), 2);
    ASSERT_EQ(odbc()->log().entries().size(), 1u);
    EXPECT_EQ(odbc()->log().entries().front().sent,
              "select ifnull(cashgroupID,0), len('ab  ') from asettings where companyid=2 LIMIT 1");
}

TEST_F(Odbc, AMissingFunctionsExtensionFailsTheOpen) {
    AdoConnection without;
    try {
        without.Open(connectionString() + ";LoadExt=" + dir_.filePath("missing.so"));
        FAIL() << "opened without the functions";
    } catch (const ModuleError& e) {
        EXPECT_EQ(e.number(), kErrDbConnection);
        EXPECT_TRUE(e.description().contains("pcp_cint")) << e.description().toStdString();
    }
    EXPECT_FALSE(without.isOpen());
}

TEST_F(Odbc, ForwardOnlyAndKeysetRecordsetsReadEveryRow) {
    const QString sql =
        "select phPaymentID, phPaymentNo from aHqPettyCashPaymentHeader where phCompanyID=1 "
        "order by phPaymentID";
    const int count =
        scalar("select count(*) from aHqPettyCashPaymentHeader where phCompanyID=1").toInt();
    ASSERT_GT(count, 1);

    AdoRecordset forward;
    forward.Open(sql, odbc(), adOpenForwardOnly, adLockReadOnly);
    EXPECT_EQ(forward.RecordCount(), -1);
    EXPECT_EQ(forward.FieldName(1), "phPaymentNo");
    QStringList ids;
    while (!forward.Eof()) {
        ids << Text(forward.Fields("phPaymentID"));
        forward.MoveNext();
    }
    EXPECT_EQ(ids.size(), count);
    EXPECT_THROW(forward.MoveFirst(), ModuleError);

    AdoRecordset keyset;
    keyset.Open(sql, odbc(), adOpenKeyset, adLockOptimistic);
    EXPECT_EQ(keyset.RecordCount(), count);
    QStringList again;
    while (!keyset.Eof()) {
        again << Text(keyset.Fields(0));
        keyset.MoveNext();
    }
    EXPECT_EQ(again, ids);
    keyset.MoveFirst();
    EXPECT_EQ(Text(keyset.Fields(0)), ids.front());
    EXPECT_EQ(rowsOf(odbc(), sql), rowsOf(con(), sql));
}

TEST_F(Odbc, AForwardOnlyReaderKeepsItsRowsWhileAnotherStatementRuns) {
    AdoRecordset reader;
    reader.Open(
        "select phPaymentID from aHqPettyCashPaymentHeader where phCompanyID=1 order by "
        "phPaymentID",
        odbc(), adOpenForwardOnly, adLockReadOnly);
    ASSERT_FALSE(reader.Eof());
    EXPECT_EQ(reader.Fields(0).toInt(), 1);
    reader.MoveNext();
    // another statement, and a transaction, on the same connection while the reader is open
    AdoRecordset other;
    other.Open("select count(*) from aHqPettyCashPaymentDetails", odbc());
    EXPECT_GT(other.Fields(0).toInt(), 0);
    other.Close();
    odbc()->BeginTrans();
    odbc()->Execute("update asettings set noofpreviousdays=31 where companyid=1");
    odbc()->CommitTrans();
    int count = 1, last = 0;
    while (!reader.Eof()) {
        last = reader.Fields(0).toInt();
        ++count;
        reader.MoveNext();
    }
    EXPECT_EQ(count,
              scalar("select count(*) from aHqPettyCashPaymentHeader where phCompanyID=1").toInt());
    EXPECT_EQ(last, count);
    EXPECT_THROW(reader.Fields(0), ModuleError);
}

TEST_F(Odbc, CommitKeepsRollbackDiscards) {
    const QString days = "select noofpreviousdays from asettings where companyid=1";
    odbc()->BeginTrans();
    EXPECT_EQ(odbc()->Execute("update asettings set noofpreviousdays=12 where companyid=1"), 1);
    odbc()->CommitTrans();
    EXPECT_EQ(scalar(days).toInt(), 12);

    const int lines = scalar("select count(*) from aHqPettyCashPaymentDetails").toInt();
    odbc()->BeginTrans();
    odbc()->Execute("update asettings set noofpreviousdays=99 where companyid=1");
    EXPECT_EQ(odbc()->Execute("delete from aHqPettyCashPaymentDetails"), lines);
    EXPECT_EQ(rowsOf(odbc(), days)[0][0], "99");  // the transaction sees its own writes
    odbc()->RollbackTrans();
    EXPECT_EQ(scalar(days).toInt(), 12);
    EXPECT_EQ(scalar("select count(*) from aHqPettyCashPaymentDetails").toInt(), lines);

    // a statement the database refuses inside a transaction; nothing is kept
    odbc()->BeginTrans();
    odbc()->Execute("update asettings set noofpreviousdays=50 where companyid=1");
    try {
        odbc()->Execute("insert into aHqPettyCashPaymentHeader (phPaymentID) values (1)");
        FAIL() << "bad statement accepted";
    } catch (const ModuleError& e) {
        EXPECT_EQ(e.number(), kErrDbCommand);
        EXPECT_EQ(e.source(), "ODBC");
    }
    odbc()->RollbackTrans();
    EXPECT_EQ(scalar(days).toInt(), 12);

    // closing with an open transaction rolls it back
    odbc()->BeginTrans();
    odbc()->Execute("update asettings set noofpreviousdays=77 where companyid=1");
    odbc_.reset();
    EXPECT_EQ(scalar(days).toInt(), 12);
}

TEST_F(Odbc, ATransactionTakesTheWriteLockAtOnceAndALockedDatabaseIsBusy) {
    odbc()->BeginTrans();
    {
        // another workstation on the embedded driver, not willing to wait
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "pcp-test-writer");
        other.setDatabaseName(dbPath());
        other.setConnectOptions("QSQLITE_BUSY_TIMEOUT=1");
        ASSERT_TRUE(other.open());
        QSqlQuery q(other);
        EXPECT_FALSE(q.exec("BEGIN IMMEDIATE"));
        EXPECT_TRUE(q.exec("select count(*) from asettings"));  // readers go on
        odbc()->RollbackTrans();

        // the other way round: the wait for the other's lock ends as a busy database,
        // which the user is told in plain words
        ASSERT_TRUE(q.exec("BEGIN IMMEDIATE"));
        try {
            odbc()->BeginTrans();
            ADD_FAILURE() << "the transaction began under another's lock";
        } catch (const ModuleError& e) {
            EXPECT_TRUE(IsDatabaseBusy(e))
                << e.nativeCode().toStdString() << " " << e.description().toStdString();
        }
        q.exec("ROLLBACK");
        q.finish();
        other.close();
    }
    QSqlDatabase::removeDatabase("pcp-test-writer");
}

TEST_F(Odbc, DatesReadBackAsTheSameCalendarDay) {
    const ScopedEnv farEast("TZ", "Pacific/Kiritimati");  // UTC+14: a shift would change the day
    const QString demo =
        "select phPaymentID, phPaymentdate, phUpdateTime from aHqPettyCashPaymentHeader "
        "where phCompanyID=1 order by phPaymentID";
    EXPECT_EQ(rowsOf(odbc(), demo), rowsOf(con(), demo));

    addHeader(odbc(), 900,
              {{"phPaymentdate", MakeDate(2026, 11, 20)},
               {"phUpdateTime", MakeDate(2026, 11, 20, 9, 30, 0)},
               {"phCancelRemarks", NullValue()}});
    EXPECT_EQ(scalar("select phPaymentdate from aHqPettyCashPaymentHeader where phPaymentID=900")
                  .toString(),
              "20261120");
    EXPECT_EQ(scalar("select phUpdateTime from aHqPettyCashPaymentHeader where phPaymentID=900")
                  .toString(),
              "20261120 09:30:00");

    AdoRecordset rs;
    rs.Open(
        "select phPaymentdate, phUpdateTime, phCancelRemarks, phRemarks from "
        "aHqPettyCashPaymentHeader where phPaymentdate='20261120' and phPaymentID=900",
        odbc(), adOpenKeyset, adLockReadOnly);
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields(0).toDateTime(), MakeDate(2026, 11, 20));
    EXPECT_EQ(rs.Fields(0).toDateTime().date(), QDate(2026, 11, 20));
    EXPECT_EQ(rs.Fields(1).toDateTime(), MakeDate(2026, 11, 20, 9, 30, 0));
    EXPECT_TRUE(IsNull(rs.Fields(2)));
    EXPECT_TRUE(IsNull(rs.Fields(3)));

    // compared with 'yyyymmdd' literals as SQL Server compares dates
    for (const QString& where :
         {QString("phPaymentdate='20261120'"), QString("phPaymentdate>='20261101'"),
          QString("phPaymentdate>='20261120' and phPaymentdate<'20261121'"),
          QString("phUpdateTime>'20261120'")}) {
        const QString sql = "select count(*) from aHqPettyCashPaymentHeader where " + where;
        EXPECT_EQ(rowsOf(odbc(), sql), rowsOf(con(), sql)) << where.toStdString();
    }
}

TEST_F(Odbc, AmountsAndRatesReadBackExactly) {
    struct Case {
        int id;
        QVariant amount;
        QString text;
    };
    const Case cases[] = {
        {901, "33.333", "33.333"}, {902, 0.1, "0.1"}, {903, "999999999999.99", "999999999999.99"}};
    for (const Case& c : cases)
        addHeader(odbc(), c.id,
                  {{"phAmount", c.amount}, {"phExRate", "1.234567"}, {"phDepExRate", 0.2723}});
    for (const Case& c : cases) {
        const QString where = QStringLiteral(" from aHqPettyCashPaymentHeader where phPaymentID=") +
                              QString::number(c.id);
        AdoRecordset rs;
        rs.Open("select phAmount, phExRate, phDepExRate, phComExRate" + where, odbc());
        EXPECT_EQ(rs.Fields(0).typeId(), QMetaType::Double);
        EXPECT_EQ(Text(rs.Fields(0)), c.text);
        EXPECT_EQ(Text(rs.Fields(1)), "1.234567");
        EXPECT_EQ(Text(rs.Fields(2)), "0.2723");
        EXPECT_TRUE(IsNull(rs.Fields(3)));
        // what SQLite itself stored
        EXPECT_EQ(scalar("select phAmount || ''" + where).toString(), c.text);
        EXPECT_EQ(scalar("select typeof(phAmount)" + where).toString(), "real");
    }
    // amounts written into the statement text
    EXPECT_EQ(odbc()->Execute("update aHqPettyCashPaymentHeader set phAmount=33.333, "
                              "phExRate=0.000001 where phPaymentID=902"),
              1);
    const auto rows = rowsOf(odbc(),
                             "select phAmount, phExRate from aHqPettyCashPaymentHeader where "
                             "phPaymentID=902");
    EXPECT_EQ(rows, (QList<QStringList>{{"33.333", "0.000001"}}));
}

TEST_F(Odbc, TextWithQuotesAndLettersBeyondAsciiRoundTrips) {
    const QString payee =
        QString::fromUtf8("O'Brien \u2013 Caf\u00e9 M\u00fcller, Stra\u00dfe \u6f22\u5b57");
    addHeader(odbc(), 910, {{"phPayee", payee}, {"phRemarks", "It's bound"}});
    odbc()->Execute(
        "insert into aHqPettyCashPaymentHeader (phPaymentID,phCompanyID,phFinancialID,"
        "phDepartmentID,phPaymentNo,phPaymentdate,phAccountID,phPayee,phRemarks,phAmount) values "
        "(911,1,2,1,'ADM/911','20261120',101," +
        SqlQuote(payee) + ",'It''s concatenated',10)");
    for (int id : {910, 911}) {
        const QString where =
            " from aHqPettyCashPaymentHeader where phPaymentID=" + QString::number(id);
        EXPECT_EQ(scalar("select phPayee" + where).toString(), payee);
        EXPECT_EQ(rowsOf(odbc(), "select phPayee" + where)[0][0], payee);
        EXPECT_EQ(rowsOf(con(), "select phPayee" + where)[0][0], payee);
    }
    EXPECT_EQ(rowsOf(odbc(),
                     "select phRemarks from aHqPettyCashPaymentHeader where phPaymentID "
                     "in (910,911) order by phPaymentID"),
              (QList<QStringList>{{"It's bound"}, {"It's concatenated"}}));
    // found by a quoted literal, whole or in a pattern
    const QString byPayee =
        "select phPaymentID from aHqPettyCashPaymentHeader where phPayee=" + SqlQuote(payee) +
        " order by phPaymentID";
    EXPECT_EQ(rowsOf(odbc(), byPayee), (QList<QStringList>{{"910"}, {"911"}}));
    const QString like = QString::fromUtf8(
        "select phPaymentID from aHqPettyCashPaymentHeader where phPayee like '%M\u00fcller%' "
        "order by phPaymentID");
    EXPECT_EQ(rowsOf(odbc(), like), rowsOf(con(), like));
    EXPECT_EQ(rowsOf(odbc(), like).size(), 2);
}

TEST_F(Odbc, LiteralsBeyondAsciiArriveInANonUtf8Locale) {
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

TEST_F(Odbc, ModuleStatementsGiveTheSameRowsAsTheEmbeddedConnection) {
    const QString searchBase =
        QString(
            " select Top 1000 phPaymentID, phPaymentNo,phPaymentdate,PhPayee, phAmount,case "
            "phcancel when 1 then 'Yes' ") +
        " when 0 then 'No' end,case phposted when 1 then 'Yes' when 0 then 'No' end From " +
        "aHqPettyCashPaymentHeader" + "  " + " where phCompanyID=1" + " and phFinancialID = 2";
    const QStringList statements{
        FrmMaster::RegisterQuery(30, FrmMaster::RegisterOrder()),
        FrmMaster::RegisterQuery(90, "' order by phPaymentID desc"),
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
        const auto viaOdbc = rowsOf(odbc(), sql);
        EXPECT_FALSE(viaOdbc.isEmpty()) << sql.toStdString();
        EXPECT_EQ(viaOdbc, rowsOf(con(), sql)) << sql.toStdString();
    }
}

TEST_F(Odbc, TheVaultsSelectTopOneGivesWhatTheEmbeddedConnectionGives) {
    LateObject viaOdbc = CreateObject("Kestrel.clsVault");
    viaOdbc.set("adocon", ObjectArg(odbc()));
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
    odbc()->log().clear();
    EXPECT_EQ(Text(viaOdbc.call("fnReturnField", {QString("username")})), "clerk");
    EXPECT_EQ(odbc()->log().entries().back().sent,
              "select username from ausers where userid=2 LIMIT 1");
}
