// The demo host: its command line works without a display, a demo database
// keeps the process date it was made for, and every failure says why.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include "demo/DemoDatabase.h"
#include "demo/HostOptions.h"
#include "tests/support/Fixtures.h"

using namespace pcp;
using namespace pcp::test;

namespace {

struct HostRun {
    int exitCode = -1;
    QString out, err;
};

// Runs the built host with the arguments, without any display unless given one.
HostRun runHost(const QStringList& arguments, const QString& platform = QString()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QLatin1String(name));
    if (!platform.isEmpty()) env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    QProcess host;
    host.setProcessEnvironment(env);
    host.start(QStringLiteral(PCP_HOST_EXE), arguments);
    HostRun run;
    if (!host.waitForFinished(60000)) {
        host.kill();
        host.waitForFinished();
        return run;
    }
    run.exitCode = host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1;
    run.out = QString::fromLocal8Bit(host.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(host.readAllStandardError());
    return run;
}

// Vouchers of company 1 in the register's 30-day window before a process date.
// The host, run with the arguments, ends with exit code 1 and this message.
void expectRefusal(const QStringList& arguments, const QString& message) {
    const HostRun run = runHost(arguments, QStringLiteral("offscreen"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("pettycash: ") + message)) << run.err.toStdString();
}

int vouchersInWindow(const QString& file, const QDate& processDate) {
    return PlainSqliteRows(file, {QStringLiteral("select count(*) from aHqPettyCashPaymentHeader "
                                                 "where phCompanyID=1 and phFinancialID=2 and "
                                                 "phPaymentdate>='%1'")
                                      .arg(demo::DateText(processDate.addDays(-30)))})
        .value(0)
        .toInt();
}

}  // namespace

class Host : public ::testing::Test {
  protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

TEST_F(Host, HelpAndVersionPrintWithoutADisplay) {
    const HostRun help = runHost({"--help"});
    EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
    for (const char* text :
         {"Usage:", "--database <file>", "--odbc <connection>", "--process-date <date>",
          "--version", "made for", "FreeTDS", "SQLite ODBC driver"})
        EXPECT_TRUE(help.out.simplified().contains(QLatin1String(text))) << text;
    const HostRun version = runHost({"--version"});
    EXPECT_EQ(version.exitCode, 0) << version.err.toStdString();
    EXPECT_EQ(version.out.trimmed(), QStringLiteral("PettyCash " PCP_VERSION));
}

TEST_F(Host, ABadArgumentIsReportedByName) {
    expectRefusal({"--company", "seven"},
                  "--company must be a whole number from 1 to 32767, not \"seven\".\n");
}

TEST_F(Host, AFileThatIsNotAPettyCashDatabaseIsRefusedUntouched) {
    const QString file = path("empty.db");
    QFile(file).open(QIODevice::WriteOnly);
    expectRefusal({"--database", file, "--process-date", "2026-11-20"},
                  QStringLiteral("The database could not be opened: The file \"%1\" is not a "
                                 "petty cash database: it is empty.")
                      .arg(file));
    EXPECT_EQ(QFileInfo(file).size(), 0);
    EXPECT_FALSE(SideFilesExist(file));
}

TEST_F(Host, ADemoDatabaseThatCannotBeMadeSaysWhy) {
    QFile(path("plain-file")).open(QIODevice::WriteOnly);
    const QString file = path("plain-file/demo/demo.db");
    expectRefusal({"--database", file},
                  QStringLiteral("The demo database could not be created: the folder \"%1\" "
                                 "could not be made.")
                      .arg(path("plain-file/demo")));
}

TEST_F(Host, EveryFailureToMakeTheDemoDatabaseSaysWhy) {
    if (RerunWithoutPermissionOverride()) return;  // a locked folder does not stop root
    QString error;
    const QString made = path("made.db");
    ASSERT_TRUE(demo::CreateDemoDatabase(made, QDate(2026, 11, 20), &error));
    EXPECT_FALSE(demo::CreateDemoDatabase(made, QDate(2026, 11, 20), &error));
    EXPECT_EQ(error, QStringLiteral("the file \"%1\" already exists.").arg(made));

    QFile(path("plain-file")).open(QIODevice::WriteOnly);
    EXPECT_FALSE(demo::CreateDemoDatabase(path("plain-file/x.db"), QDate(2026, 11, 20), &error));
    EXPECT_EQ(error,
              QStringLiteral("the folder \"%1\" could not be made.").arg(path("plain-file")));

    ASSERT_TRUE(QDir().mkpath(path("locked")));
    QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(demo::CreateDemoDatabase(path("locked/x.db"), QDate(2026, 11, 20), &error));
    EXPECT_EQ(error, QStringLiteral("the folder \"%1\" may not be written.").arg(path("locked")));
    QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(Host, WithoutAProcessDateTheOptionsLeaveItOpen) {
    pcphost::HostOptions options;
    QString error;
    ASSERT_TRUE(pcphost::ParseHostOptions({"pettycash"}, options, error));
    EXPECT_FALSE(options.processDate.isValid());
    ASSERT_TRUE(
        pcphost::ParseHostOptions({"pettycash", "--process-date", "2026-01-31"}, options, error));
    EXPECT_EQ(options.processDate, QDate(2026, 1, 31));
}

TEST_F(Host, TheProcessDateIsTheOneGivenElseTheDemosElseToday) {
    const QDate today(2027, 3, 1), madeFor(2026, 11, 20), given(2026, 12, 24);
    EXPECT_EQ(pcphost::ChooseProcessDate(given, madeFor, today), given);
    EXPECT_EQ(pcphost::ChooseProcessDate(QDate(), madeFor, today), madeFor);
    EXPECT_EQ(pcphost::ChooseProcessDate(QDate(), QDate(), today), today);
    EXPECT_EQ(pcphost::ChooseProcessDate(QDate(), QDate()), QDate::currentDate());
}

TEST_F(Host, AnOldDemoDatabaseOpensOnTheDateItWasMadeFor) {
    const QDate today = QDate::currentDate();
    const QDate madeFor = today.addDays(-60);
    const QString file = path("old.db");
    QString error;
    ASSERT_TRUE(demo::CreateDemoDatabase(file, madeFor, &error)) << error.toStdString();
    const QByteArray before = FileContents(file);

    EXPECT_EQ(demo::DemoProcessDate(file), madeFor);
    EXPECT_EQ(FileContents(file), before);  // read without writing anything
    EXPECT_FALSE(SideFilesExist(file));

    // Today its register window would be empty; on the recorded date it is not.
    EXPECT_EQ(vouchersInWindow(file, today), 0);
    EXPECT_GT(vouchersInWindow(file, pcphost::ChooseProcessDate(QDate(), madeFor)), 20);
}

TEST_F(Host, OnlyADemoDatabaseHasAProcessDate) {
    EXPECT_FALSE(demo::DemoProcessDate(path("missing.db")).isValid());
    EXPECT_FALSE(QFileInfo::exists(path("missing.db")));

    const QString empty = path("empty.db");
    QFile(empty).open(QIODevice::WriteOnly);
    EXPECT_FALSE(demo::DemoProcessDate(empty).isValid());
    EXPECT_EQ(QFileInfo(empty).size(), 0);
    EXPECT_FALSE(SideFilesExist(empty));

    const QString schemaOnly = path("schema.db");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "pcp-test-schema");
        db.setDatabaseName(schemaOnly);
        ASSERT_TRUE(db.open());
        QString error;
        ASSERT_TRUE(demo::CreateSchema(db, &error)) << error.toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase("pcp-test-schema");
    EXPECT_FALSE(demo::DemoProcessDate(schemaOnly).isValid());
}
