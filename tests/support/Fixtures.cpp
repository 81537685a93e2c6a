#include "tests/support/Fixtures.h"

#include <QWidget>

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QTimer>

#include "data/SqliteFunctions.h"
#include "demo/DemoDatabase.h"
#include "suite/ComRegistry.h"
#include "suite/clsIncident.h"
#include "ui/Help.h"
#include "ui/Modal.h"
#include "ui/Pointer.h"
#include "voucher/frmDebitEntry.h"
#include "voucher/frmpayments.h"

namespace pcp::test {

namespace {
const QString kPlainConnection = QStringLiteral("pcp-test-plain");
const QString kServerAdminConnection = QStringLiteral("pcp-test-server-admin");
const QString kDemoTemplate = QStringLiteral("pcp_demo");

// Runs a statement on the server's own database (creating and dropping the
// tests' databases, which cannot happen inside one of them).
bool onServer(const QString& sql, QString* error) {
    QSqlDatabase admin =
        QSqlDatabase::contains(kServerAdminConnection)
            ? QSqlDatabase::database(kServerAdminConnection)
            : QSqlDatabase::addDatabase(QStringLiteral("QODBC"), kServerAdminConnection);
    if (!admin.isOpen()) {
        admin.setDatabaseName(PostgresConnectionString(QStringLiteral("postgres")));
        if (!admin.open()) return *error = admin.lastError().text(), false;
    }
    QSqlQuery q(admin);
    if (q.exec(sql)) return true;
    *error = q.lastError().text() + QStringLiteral(" in: ") + sql;
    return false;
}

QString nextServerDatabase() {
    static int counter = 0;
    return QStringLiteral("pcp_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}
}  // namespace

ModuleError RaisedBy(const std::function<void()>& action) {
    try {
        action();
    } catch (const ModuleError& e) {
        return e;
    }
    ADD_FAILURE() << "expected a module error, but the action raised none";
    return ModuleError(0, QString(), QString());
}

QByteArray FileContents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool SideFilesExist(const QString& file) {
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (QFileInfo::exists(file + QLatin1String(suffix))) return true;
    return false;
}

QStringList PlainSqliteRows(const QString& file, const QStringList& statements) {
    const QString name = QStringLiteral("pcp-test-plain-sqlite");
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open()) << file.toStdString();
        for (const QString& sql : statements) {
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec(sql))
                << sql.toStdString() << ": " << q.lastError().text().toStdString();
            for (rows.clear(); q.next();) {
                QStringList columns;
                for (int i = 0; i < q.record().count(); ++i) columns << q.value(i).toString();
                rows << columns.join(u' ');
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

bool RerunWithoutPermissionOverride() {
    // Already without the override (or never had it): the test runs here.
    if (geteuid() != 0 || prctl(PR_CAPBSET_READ, CAP_DAC_OVERRIDE, 0, 0, 0) != 1) return false;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string program = QCoreApplication::applicationFilePath().toStdString();
    std::string filter =
        std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child == 0) {  // only async-signal-safe calls until the exec
        char* arguments[] = {program.data(), filter.data(), nullptr};
        // Out of the bounding set, the capabilities are gone after the exec too.
        if (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) == 0 &&
            prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) == 0)
            execv(program.c_str(), arguments);
        _exit(127);
    }
    int status = -1;
    if (child > 0) waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "run again without root's permission override, this test failed (its output is "
           "above) or could not start "
        << program;
    return true;
}

ScopedTimeZone::ScopedTimeZone(const char* zone) : previous_(qgetenv("TZ")) {
    qputenv("TZ", zone);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (previous_.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", previous_);
    tzset();
}

QVariant AsOnSqlite(const QSqlQuery& query, int column) {
    const QVariant value = query.value(column);
    if (value.isNull()) return value;
    if (value.typeId() == QMetaType::QDateTime) return SqliteDateText(value.toDateTime());
    // The server's numerics arrive as their text; SQLite keeps them as REAL.
    if (value.typeId() == QMetaType::QString &&
        query.record().field(column).metaType().id() == QMetaType::Double)
        return value.toString().toDouble();
    return value;
}

QString TestServerFolder() {
    return qEnvironmentVariable("PCP_TEST_POSTGRES");
}

bool OnPostgres() {
    return !TestServerFolder().isEmpty();
}

QString PostgresConnectionString(const QString& database) {
    return QStringLiteral(
               "Driver={PostgreSQL Unicode};Servername=%1;Port=5432;Database=%2;Username=postgres;")
        .arg(TestServerFolder(), database);
}

// Outside a script nothing may wait for a person: a message box or modal
// window fails the test and is answered at once.
void InstallTestGuards() {
    SetMessagePresenter([](const MessageRequest& r) {
        ADD_FAILURE() << "unexpected message box: " << r.text.toStdString();
        return r.buttons() == vbYesNo || r.buttons() == vbYesNoCancel ? int(vbNo) : int(vbOK);
    });
    SetModalHook([](QDialog* window) {
        ADD_FAILURE() << "unexpected modal window " << window->objectName().toStdString();
        window->done(QDialog::Rejected);
    });
}

// A script replaces whatever answered messages before it and puts it back
// when it goes, so scripts nest and the guards return at the end.
MessageScript::MessageScript() : previous_(CurrentMessagePresenter()) {
    SetMessagePresenter([this](const MessageRequest& r) { return present(r); });
}

MessageScript::~MessageScript() {
    SetMessagePresenter(previous_);
    for (const Expected& e : expected_)
        ADD_FAILURE() << "message never appeared: " << e.text.toStdString();
}

MessageScript& MessageScript::expect(const QString& text, int answer) {
    expected_.push_back({text, false, answer});
    return *this;
}

MessageScript& MessageScript::expectStartingWith(const QString& prefix, int answer) {
    expected_.push_back({prefix, true, answer});
    return *this;
}

int MessageScript::present(const MessageRequest& r) {
    shown_.push_back(r);
    const bool yesNo = r.buttons() == vbYesNo || r.buttons() == vbYesNoCancel;
    if (expected_.empty()) {
        ADD_FAILURE() << "unexpected message box: " << r.text.toStdString();
        return yesNo ? int(vbNo) : int(vbOK);
    }
    const Expected e = expected_.front();
    expected_.pop_front();
    const bool matches = e.prefix ? r.text.startsWith(e.text) : r.text == e.text;
    if (!matches)
        ADD_FAILURE() << "message box reads \"" << r.text.toStdString() << "\", expected "
                      << (e.prefix ? "a text starting with \"" : "\"") << e.text.toStdString()
                      << "\"";
    return e.answer;
}

QStringList MessageScript::texts() const {
    QStringList out;
    for (const auto& r : shown_) out << r.text;
    return out;
}

ModalScript::ModalScript() {
    install();
}

void ModalScript::install() {
    previous_ = CurrentModalHook();
    SetModalHook([this](QDialog* window) {
        seen_ << window->objectName();
        if (!actions_.empty() && actions_.front().first == window->objectName()) {
            auto action = std::move(actions_.front().second);
            actions_.pop_front();
            // As a person would: the window is in front and has the focus first.
            window->activateWindow();
            if (!QTest::qWaitForWindowActive(window, 2000))
                ADD_FAILURE() << window->objectName().toStdString() << " never became active";
            QApplication::processEvents();
            const QPointer<QDialog> guarded(window);
            action(window);
            // An action stopped by a failed assertion leaves its window open:
            // closed here, the test reports the failure instead of waiting on.
            if (::testing::Test::HasFatalFailure() && guarded && guarded->isVisible())
                guarded->done(QDialog::Rejected);
            return;
        }
        unexpected_ << window->objectName();
        ADD_FAILURE() << "unexpected modal window " << window->objectName().toStdString();
        window->done(QDialog::Rejected);
    });
}

ModalScript::~ModalScript() {
    SetModalHook(previous_);
    for (const auto& a : actions_)
        ADD_FAILURE() << "modal window never appeared: " << a.first.toStdString();
}

void ModalScript::expect(const QString& objectName, std::function<void(QDialog*)> action) {
    actions_.emplace_back(objectName, std::move(action));
}

void DemoDatabaseTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    QString error;
    if (OnPostgres()) {
        serverDatabase_ = nextServerDatabase();
        ASSERT_TRUE(onServer(
            QStringLiteral("create database %1 template %2").arg(serverDatabase_, kDemoTemplate),
            &error))
            << error.toStdString();
    } else {
        ASSERT_TRUE(demo::CreateDemoDatabase(dbPath(), kProcessDate, &error))
            << error.toStdString();
    }
    ResetModuleState();
    InstallTestGuards();
    connection_ = std::make_unique<AdoConnection>();
    connection_->Open(connectionString());
    setContext(1, 1, 0);
}

QString DemoDatabaseTest::connectionString() const {
    return OnPostgres() ? PostgresConnectionString(serverDatabase_)
                        : QStringLiteral("Provider=SQLite;Data Source=") + dbPath();
}

void DemoDatabaseTest::TearDown() {
    ResetModuleState();
    InstallTestGuards();
    connection_.reset();
    if (QSqlDatabase::contains(kPlainConnection)) {
        QSqlDatabase::database(kPlainConnection, false).close();
        QSqlDatabase::removeDatabase(kPlainConnection);
    }
    QString error;
    if (!serverDatabase_.isEmpty()) {
        EXPECT_TRUE(
            onServer(QStringLiteral("drop database %1 with (force)").arg(serverDatabase_), &error))
            << error.toStdString();
    }
}

void DemoDatabaseTest::setContext(int company, int user, int department, int financialYear) {
    using namespace BasModule;
    GAdoCon.set(connection_.get());
    GIntCompanyID = qint16(company);
    GIntUserID = qint16(user);
    GIntDepartmentID = qint16(department);
    GIntFinancialID = qint16(financialYear);
    GDtProcessDate = QDateTime(kProcessDate, QTime(0, 0), Qt::UTC);
    GStrMsgboxCaption = QStringLiteral("Petty Cash");
    OpenSharedComponents(QDateTime(kProcessDate, QTime(9, 0), Qt::UTC));
}

QSqlDatabase DemoDatabaseTest::plainDb() {
    if (QSqlDatabase::contains(kPlainConnection)) return QSqlDatabase::database(kPlainConnection);
    QSqlDatabase db = QSqlDatabase::addDatabase(
        OnPostgres() ? QStringLiteral("QODBC") : QStringLiteral("QSQLITE"), kPlainConnection);
    db.setDatabaseName(OnPostgres() ? PostgresConnectionString(serverDatabase_) : dbPath());
    // Amounts as the server keeps them, not as a double.
    if (OnPostgres()) db.setNumericalPrecisionPolicy(QSql::HighPrecision);
    EXPECT_TRUE(db.open());
    return db;
}

void DemoDatabaseTest::createTrigger(const QString& name, const QString& when, const QString& table,
                                     const QString& action) {
    const QString refusal = action.startsWith(u"refuse: ") ? action.mid(8) : QString();
    if (!OnPostgres()) {
        exec(QStringLiteral("CREATE TRIGGER %1 %2 ON %3 BEGIN %4; END")
                 .arg(name, when, table,
                      refusal.isEmpty()
                          ? action
                          : QStringLiteral("SELECT RAISE(ABORT, '%1')").arg(refusal)));
        return;
    }
    exec(QStringLiteral(
             "CREATE OR REPLACE FUNCTION %1_row() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
             "%2; RETURN coalesce(NEW, OLD); END $$")
             .arg(name, refusal.isEmpty() ? action
                                          : QStringLiteral("RAISE EXCEPTION '%1'").arg(refusal)));
    exec(QStringLiteral("CREATE TRIGGER %1 %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %1_row()")
             .arg(name, when, table));
}

void DemoDatabaseTest::dropTrigger(const QString& name, const QString& table) {
    exec(OnPostgres() ? QStringLiteral("DROP TRIGGER %1 ON %2").arg(name, table)
                      : QStringLiteral("DROP TRIGGER %1").arg(name));
}

QVariant DemoDatabaseTest::scalar(const QString& sql) {
    QSqlQuery q(plainDb());
    EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << q.lastError().text().toStdString();
    return q.next() ? AsOnSqlite(q, 0) : QVariant();
}

QStringList DemoDatabaseTest::idsOf(const QString& sql) {
    QStringList out;
    QSqlQuery q(plainDb());
    EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << q.lastError().text().toStdString();
    while (q.next()) out << AsOnSqlite(q, 0).toString();
    return out;
}

void DemoDatabaseTest::exec(const QString& sql) {
    QSqlQuery q(plainDb());
    EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << q.lastError().text().toStdString();
}

void ResetModuleState() {
    UnloadPaymentsForm();
    frmDebitEntry::intRowCount = 0;
    frmDebitEntry::intDupExist = 0;
    BasModule::ResetContext();
    SetHelpFile(QString());
    clsIncident::reset();
    ComRegistry::instance().clearOverrides();
    ComRegistry::resetRegistryCache();
    SetMessagePresenter({});
    SetModalHook({});
    MousePointer::reset();
}

// The shortcut letters (after "&") that more than one caption of the window uses.
QString RepeatedShortcutLetters(const QWidget* window) {
    QString seen, repeated;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        const bool frame = w->inherits("QGroupBox");
        if (!frame && !w->inherits("QLabel") && !w->inherits("QAbstractButton")) continue;
        const QString caption = w->property(frame ? "title" : "text").toString().remove("&&");
        const int amp = caption.indexOf('&');
        if (amp < 0 || amp + 1 >= caption.size()) continue;
        const QChar letter = caption.at(amp + 1).toUpper();
        (seen.contains(letter) ? repeated : seen).append(letter);
    }
    return repeated;
}

}  // namespace pcp::test
