// Opening embedded database files: a file that is not a petty cash database
// is refused with a message naming it and what it lacks, and is left exactly
// as it was; a database the user may only read opens read-only and the
// register shows its vouchers; a file moved or deleted while open takes no
// more writes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "data/AdoRecordset.h"
#include "data/ModuleError.h"
#include "demo/DemoDatabase.h"
#include "store/VoucherStore.h"
#include "tests/support/RegisterFixture.h"
#include "ui/FlexGrid.h"

using namespace pcp;
using namespace pcp::test;

namespace {

QString sqliteSource(const QString& file) {
    return QStringLiteral("Provider=SQLite;Data Source=") + file;
}

void writeFile(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The sqlite3 shell as another program on the file: it opens it, runs the
// statement and closes it again, as a backup or another workstation would.
QString otherProgram(const QString& file, const QString& sql) {
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {file, sql});
    EXPECT_TRUE(shell.waitForFinished(20000)) << "the sqlite3 shell is needed";
    return QString::fromUtf8(shell.readAllStandardOutput()).trimmed();
}

}  // namespace

class DatabaseFiles : public ::testing::Test {
  protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString notPettyCash(const QString& file, const QString& why) const {
        return QStringLiteral("The file \"%1\" is not a petty cash database: %2").arg(file, why);
    }
    // A demo database made and opened once by the module (so in WAL mode), then closed.
    QString demoCopy(const QString& name) {
        const QString file = path(name);
        QString error;
        EXPECT_TRUE(demo::CreateDemoDatabase(file, kProcessDate, &error)) << error.toStdString();
        AdoConnection once;
        once.Open(sqliteSource(file));
        once.Close();
        return file;
    }

    // The open is refused with exactly this message, the file is as it was
    // (or still missing) and no journal or -wal/-shm file is left beside it.
    void expectRefused(const QString& file, const QString& message) {
        const bool existed = QFileInfo::exists(file);
        const QByteArray before = FileContents(file);
        ASSERT_FALSE(SideFilesExist(file));
        AdoConnection connection;
        const ModuleError e = RaisedBy([&] { connection.Open(sqliteSource(file)); });
        EXPECT_EQ(e.number(), kErrDbConnection);
        EXPECT_EQ(e.description(), message);
        EXPECT_FALSE(connection.isOpen());
        EXPECT_EQ(QFileInfo::exists(file), existed);
        EXPECT_EQ(QFileInfo(file).size(), before.size());
        EXPECT_EQ(FileContents(file), before);
        EXPECT_FALSE(SideFilesExist(file));
    }

    QTemporaryDir dir_;
};

TEST_F(DatabaseFiles, AFolderOrAnEmptyShortOrTextFileIsRefusedUntouched) {
    ASSERT_TRUE(QDir().mkpath(path("folder.db")));
    EXPECT_EQ(
        RaisedBy([&] { AdoConnection().Open(sqliteSource(path("folder.db"))); }).description(),
        notPettyCash(path("folder.db"), "it is a folder."));
    writeFile(path("empty.db"), QByteArray());
    writeFile(path("short.db"), QByteArray("SQLite format 3\0", 16));
    writeFile(path("notes.db"), "Petty cash float: 500.000\nCounted on Thursday by the cashier.\n");
    expectRefused(path("empty.db"), notPettyCash(path("empty.db"), "it is empty."));
    for (const QString& file : {path("short.db"), path("notes.db")})
        expectRefused(file, notPettyCash(file, "it is not a database file."));
}

TEST_F(DatabaseFiles, AForeignDatabaseIsRefusedNamingEverythingItLacks) {
    const QString file = path("contacts.db");
    PlainSqliteRows(file, {"create table contacts (id integer primary key, name text)",
                           "insert into contacts (name) values ('Karim')"});
    expectRefused(
        file,
        notPettyCash(file,
                     "it has no tables aHqPettyCashPaymentHeader, aHqPettyCashPaymentDetails, "
                     "aUsers, auserrights, asettings, aAccountMaster, aCurrencyMaster, "
                     "ExchangeRateDetail, aDepartmentMaster, aCompanyMaster, MiscSettings, "
                     "AuserGroupDeptDetails, aPrefix, afinancialyear, atables, atablecolumns, "
                     "KRVjournalheader, agroupmaster, adepControlAccounts, aCustomerMaster, "
                     "lousers and no view vwnoncontrolaccounts."));
}

TEST_F(DatabaseFiles, ADatabaseMissingSomeTablesIsRefusedNamingThem) {
    const QString file = demoCopy("partial.db");
    PlainSqliteRows(file, {"drop view vwnoncontrolaccounts", "drop table ausers",
                           "drop table KRVjournalheader"});
    expectRefused(file, notPettyCash(file,
                                     "it has no tables aUsers, KRVjournalheader and no view "
                                     "vwnoncontrolaccounts."));
    // One table missing: named in the singular.
    PlainSqliteRows(
        file, {"drop table aPrefix", "create view vwnoncontrolaccounts as select 1 as Accountid",
               "create table ausers (UserID integer)",
               "create table KRVjournalheader (companyid integer)"});
    expectRefused(file, notPettyCash(file, "it has no table aPrefix."));
}

TEST_F(DatabaseFiles, AMissingFileIsNotCreated) {
    for (const QString& file : {path("nowhere.db"), path("no/folder/x.db")})
        expectRefused(file, QStringLiteral("The database file \"%1\" does not exist.").arg(file));
}

TEST_F(DatabaseFiles, ADamagedDatabaseIsRefusedUntouched) {
    const QString file = demoCopy("damaged.db");
    QByteArray bytes = FileContents(file);
    bytes.truncate(4096 * 2);  // the header survives, most pages do not
    bytes.replace(100, 200, QByteArray(200, '\xff'));
    writeFile(file, bytes);
    const QByteArray before = FileContents(file);
    AdoConnection connection;
    EXPECT_THROW(connection.Open(sqliteSource(file)), ModuleError);
    EXPECT_EQ(FileContents(file), before);
    EXPECT_FALSE(SideFilesExist(file));
}

TEST_F(DatabaseFiles, APettyCashDatabaseWithoutTheLocalComponentsTablesGetsThem) {
    const QString file = demoCopy("suite.db");
    PlainSqliteRows(file,
                    {"drop table aErrorLog", "drop table aUserTrail", "drop table aGridLayout"});
    AdoConnection connection;
    connection.Open(sqliteSource(file));
    EXPECT_FALSE(connection.ReadOnly());
    connection.Close();

    // The same columns as the demo schema has.
    const QString reference = demoCopy("reference.db");
    auto columns = [](const QString& db, const QString& table) {
        return PlainSqliteRows(db, {QStringLiteral("select name, type, \"notnull\", pk from "
                                                   "pragma_table_info('%1')")
                                        .arg(table)});
    };
    for (const QString table : {"aErrorLog", "aUserTrail", "aGridLayout"}) {
        EXPECT_FALSE(columns(reference, table).isEmpty());
        EXPECT_EQ(columns(file, table), columns(reference, table)) << table.toStdString();
    }
}

// SQLite goes on writing into a file renamed or deleted under its connection,
// and what it writes is lost with the last handle (or never reaches the file
// the host opens next): the connection names the file and writes nothing,
// not even a commit of what it wrote before.
TEST_F(DatabaseFiles, AFileMovedOrDeletedUnderTheConnectionTakesNoWrites) {
    for (const bool renamed : {true, false}) {
        const QString file = demoCopy(renamed ? "renamed.db" : "deleted.db");
        const QString moved = path("elsewhere.db");
        AdoConnection connection;
        connection.Open(sqliteSource(file));
        EXPECT_EQ(connection.StorageProblem(), "");
        connection.BeginTrans();
        connection.Execute("insert into aErrorLog (FormName) values ('before')");
        ASSERT_TRUE(renamed ? QFile::rename(file, moved) : QFile::remove(file));

        const QString message = QStringLiteral(
                                    "The database file '%1' has been moved or deleted since it "
                                    "was opened: nothing can be written to it.")
                                    .arg(file);
        EXPECT_EQ(connection.StorageProblem(), message);
        for (const auto& write : std::initializer_list<std::function<void()>>{
                 [&] { connection.CommitTrans(); },
                 [&] {
                     connection.RollbackTrans();
                     connection.BeginTrans();
                 },
                 [&] {
                     AdoRecordset rs;
                     rs.Open("select * from aErrorLog where 1=2", &connection, adOpenKeyset,
                             adLockOptimistic);
                     rs.AddNew();
                     rs.SetField("FormName", "after");
                     rs.Update();
                 }}) {
            const ModuleError refused = RaisedBy(write);
            EXPECT_EQ(refused.number(), kErrDbFileMoved);
            EXPECT_EQ(refused.description(), message);
            EXPECT_TRUE(IsDatabaseMoved(refused));
        }
        EXPECT_FALSE(connection.InTransaction());
        AdoRecordset count;
        count.Open("select count(*) from aErrorLog", &connection);
        EXPECT_EQ(count.Fields(0).toInt(), 0) << (renamed ? "renamed" : "deleted");
        count.Close();
        connection.Close();
        if (renamed) {
            EXPECT_EQ(PlainSqliteRows(moved, {"select count(*) from aErrorLog"}), QStringList{"0"});
        }
    }
}

TEST(ConnectionMode, ReadOnlyIsAnOptionOfTheEmbeddedConnectionString) {
    EXPECT_TRUE(ParseConnectionString("Provider=SQLite;Data Source=a.db;Mode=ReadOnly").readOnly);
    EXPECT_TRUE(ParseConnectionString("Provider=SQLite;Data Source=a.db;mode=read").readOnly);
    EXPECT_FALSE(ParseConnectionString("Provider=SQLite;Data Source=a.db;Mode=ReadWrite").readOnly);
    EXPECT_FALSE(ParseConnectionString("Provider=SQLite;Data Source=a.db").readOnly);
}

// --- read-only -------------------------------------------------------------

class ReadOnlyDatabase : public RegisterTest {
  protected:
    // A copy of the fixture's demo database, opened as the module connection
    // with the extra connection-string text.
    QString reopenCopy(const QString& options) {
        connection_.reset();  // its last close folds the write-ahead log into the file
        const QString copy = dir_.filePath(QStringLiteral("copy.db"));
        EXPECT_TRUE(QFile::copy(dbPath(), copy));
        before_ = FileContents(copy);
        connection_ = std::make_unique<AdoConnection>();
        connection_->Open(sqliteSource(copy) + options);
        return copy;
    }
    QString registerQueryIds() {
        return idsOf(
                   "select phPaymentID from aHqPettyCashPaymentHeader where phCompanyID=1 and "
                   "phFinancialID=2 and phPaymentdate>='20261021' order by phPaymentID")
            .join(u',');
    }
    QByteArray before_;
};

TEST_F(ReadOnlyDatabase, AForcedReadOnlyConnectionShowsTheRegisterAndRefusesWrites) {
    const QString copy = reopenCopy(";Mode=ReadOnly");
    EXPECT_TRUE(con()->ReadOnly());
    bool readOnly = false;
    ASSERT_TRUE(QMetaObject::invokeMethod(con(), "ReadOnly", Q_RETURN_ARG(bool, readOnly)));
    EXPECT_TRUE(readOnly);

    // The load writes nothing: no message box, every voucher of the window listed.
    con()->log().clear();
    open();
    EXPECT_EQ(ids().join(u','), registerQueryIds());
    for (const auto& entry : con()->log().entries()) {
        EXPECT_TRUE(entry.text.trimmed().startsWith(u"select", Qt::CaseInsensitive))
            << entry.text.toStdString();
    }

    const ModuleError refused = RaisedBy(
        [&] { con()->Execute("update asettings set noofpreviousdays=10 where companyid=1"); });
    EXPECT_EQ(refused.number(), kErrDbCommand);
    EXPECT_EQ(refused.description(), "attempt to write a readonly database");

    // A command that writes fails through the module's error report; the
    // window stays usable.
    {
        MessageScript messages;
        messages.expectStartingWith(
            "An error occurred in FrmMaster (CmdDelete_Click).\r\n\r\nError 17900: attempt to "
            "write a readonly database");
        BasModule::Handle("FrmMaster", "CmdDelete_Click", [&] {
            TransactionScope transaction(con());
            con()->Execute("update aHqPettyCashPaymentHeader set phCancel=1 where phPaymentID=1");
            transaction.Commit();
        });
    }
    EXPECT_FALSE(con()->InTransaction());
    // A width the user drags cannot be stored: only a preference, no message.
    emit grid()->columnResizedByUser(3, 2500);
    clickRow(1);
    EXPECT_EQ(grid()->row(), 1);
    EXPECT_TRUE(window_->isVisible());

    window_.reset();
    connection_.reset();
    EXPECT_EQ(FileContents(copy), before_);
}

TEST_F(ReadOnlyDatabase, AReadOnlyDatabaseWithoutTheLocalComponentsTablesStillLoads) {
    connection_.reset();
    PlainSqliteRows(dbPath(), {"drop table aGridLayout", "drop table aUserTrail"});
    reopenCopy(";Mode=ReadOnly");
    open();
    EXPECT_EQ(ids().join(u','), registerQueryIds());
    EXPECT_EQ(grid()->textMatrix(0, 1), "PaymentNo");
}

// The database file, or the folder it sits in, is one the user may not
// write: it opens read-only, the register lists its vouchers, a write is
// refused and the file is left as it was (in a locked folder, with nothing
// beside it).
TEST_F(ReadOnlyDatabase, AFileOrFolderTheUserMayNotWriteOpensReadOnly) {
    if (RerunWithoutPermissionOverride()) return;
    const QString listed = registerQueryIds();
    connection_.reset();
    const QString folder = dir_.filePath(QStringLiteral("shared"));
    const QString copy = folder + QStringLiteral("/demo.db");
    for (const auto& [locked, permissions] :
         {std::pair{copy, QFile::Permissions(QFile::ReadOwner)},
          std::pair{folder, QFile::ReadOwner | QFile::ExeOwner}}) {
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(QFile::copy(dbPath(), copy));
        const QByteArray before = FileContents(copy);
        ASSERT_TRUE(QFile::setPermissions(locked, permissions));
        connection_ = std::make_unique<AdoConnection>();
        connection_->Open(sqliteSource(copy));
        EXPECT_TRUE(con()->ReadOnly());
        open();
        EXPECT_EQ(ids().join(u','), listed);
        EXPECT_THROW(con()->Execute("delete from aGridLayout"), ModuleError);
        window_.reset();
        connection_.reset();
        EXPECT_EQ(FileContents(copy), before) << locked.toStdString();
        if (locked == folder) {
            EXPECT_FALSE(SideFilesExist(copy));
        }
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(folder).removeRecursively();
    }
}

// --- one file, several connections ------------------------------------------

// Another connection to the file in this process (read-write, read-only, the
// report's own behind Preview) must leave the module connection's hold on the
// file alone: otherwise the next program to close the file takes itself for
// its last user, folds the write-ahead log away, and later saves are lost.
class SharedFile : public RegisterTest {};

TEST_F(SharedFile, VouchersSavedAroundOtherConnectionsReachOtherPrograms) {
    open();
    clickRow(1);
    const auto saveVoucher = [] {
        VoucherDraft d{.departmentId = 1,
                       .paymentDate = kProcessDate,
                       .accountId = 101,
                       .payee = "Around other connections",
                       .remarks = "Remarks",
                       .exRate = Decimal(1),
                       .lines = {{201, "Pens", Decimal(10), Decimal(1)}}};
        EXPECT_TRUE(VoucherStore::SaveVoucher(d).done());
    };
    const std::function<void()> otherConnections[] = {
        [&] { QTest::mouseClick(window_->cmdPreview, Qt::LeftButton); },
        [&] { AdoConnection().Open(sqliteSource(dbPath())); },
        [&] { AdoConnection().Open(sqliteSource(dbPath()) + ";Mode=ReadOnly"); }};
    saveVoucher();
    for (const auto& otherConnection : otherConnections) {
        otherConnection();
        otherProgram(dbPath(), "select count(*) from aUsers");
        saveVoucher();
    }
    EXPECT_EQ(otherProgram(dbPath(),
                           "select count(*) from aHqPettyCashPaymentHeader where "
                           "phPayee='Around other connections'"),
              "4");
}
