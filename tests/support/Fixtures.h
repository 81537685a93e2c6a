#pragma once
// Test fixtures: a fresh demo database per test with the module context set
// as the register would set it, scripted message boxes, and a way to act
// inside a modal window (a window nobody expected is closed and fails the test).

#include <gtest/gtest.h>

#include <QDialog>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>

#include "data/AdoConnection.h"
#include "data/ModuleError.h"
#include "suite/BasModule.h"
#include "ui/MessageBox.h"
#include "ui/Modal.h"

// Readable QString values in assertion messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace pcp::test {

inline const QDate kProcessDate(2026, 11, 20);

void InstallTestGuards();

// Puts every process-wide state of the module back as at the loading of the
// library, each through its own unit's reset: the context and register state,
// the voucher window and the line dialog's kept numbers, the help file, the
// error log's records and retry, the registry's overrides and kept parse, the message
// presenter, the modal hook and the hourglass.
void ResetModuleState();

// The module error the action raises. When it raises none the test fails
// (naming the error that was expected) and an empty error comes back.
ModuleError RaisedBy(const std::function<void()>& action);

// A file's bytes; empty when it cannot be read.
QByteArray FileContents(const QString& file);
// Whether SQLite left a journal or a write-ahead log beside the file.
bool SideFilesExist(const QString& file);

// Runs the statements on a plain SQLite connection of the test's own to the
// file (not the module's): the rows of the last, each its columns' text
// joined by spaces.
QStringList PlainSqliteRows(const QString& file, const QStringList& statements);

// Root passes every permission check (CAP_DAC_OVERRIDE). Under root this runs
// the current test again in a child process without that override (still
// root, so the build folder stays in reach, but held to the files' modes),
// whose result becomes the test's, and returns true: the caller then returns
// at once. Otherwise it returns false and the test goes on where it is.
bool RerunWithoutPermissionOverride();

// The shortcut letters (after "&") that more than one caption of the window
// uses: each Alt letter of a window must do one thing.
QString RepeatedShortcutLetters(const QWidget* window);

// Sets the process's time zone for a scope and puts the previous one back.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

  private:
    QByteArray previous_;
};

// Answers message boxes by their expected text, in order, and records every
// one shown. A message whose text differs from the next expected one, or one
// that appears when none is expected, fails the test; so does an expected
// message that never appears.
class MessageScript {
  public:
    MessageScript();
    ~MessageScript();
    // The next message reads exactly `text`; it is answered with `answer`.
    MessageScript& expect(const QString& text, int answer = vbOK);
    // The next message starts with `prefix` (error reports end in details).
    MessageScript& expectStartingWith(const QString& prefix, int answer = vbOK);
    const std::vector<MessageRequest>& shown() const { return shown_; }
    QStringList texts() const;
    bool allSeen() const { return expected_.empty(); }
    // Drops the messages still expected (one that may or may not come).
    void forget() { expected_.clear(); }

  private:
    struct Expected {
        QString text;
        bool prefix;
        int answer;
    };
    int present(const MessageRequest& r);
    std::deque<Expected> expected_;
    std::vector<MessageRequest> shown_;
    MessagePresenter previous_;
};

// Acts inside modal windows as they appear, in order. A window that appears
// with no action left is closed and counted as unexpected.
class ModalScript {
  public:
    ModalScript();
    ~ModalScript();
    void expect(const QString& objectName, std::function<void(QDialog*)> action);
    // Takes the modal hook again (after a reset put the guards in its place).
    void install();
    bool allSeen() const { return actions_.empty(); }
    QStringList unexpected() const { return unexpected_; }
    QStringList seen() const { return seen_; }

  private:
    std::deque<std::pair<QString, std::function<void(QDialog*)>>> actions_;
    ModalHook previous_;
    QStringList unexpected_, seen_;
};

// The PostgreSQL server the tests run on: PCP_TEST_POSTGRES names the folder
// of its socket (the test runner starts a throwaway cluster there, with the
// demo database "pcp_demo" as a template). Empty when the tests run on SQLite.
QString TestServerFolder();
bool OnPostgres();
// The ODBC connection string of a database on that server.
QString PostgresConnectionString(const QString& database);

// A column of a plain query's current row as the embedded database gives it,
// whichever database the tests run on: a date as its stored text
// ("yyyymmdd", with " hh:mm:ss" when not midnight), a numeric as a number.
QVariant AsOnSqlite(const QSqlQuery& query, int column);

// A demo database, opened as the module connection, with the company, user
// and shared components of a loaded register: a file in a temporary folder,
// or, on PostgreSQL, a new database made from the demo template.
class DemoDatabaseTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Sets the context as Show and the register's load do.
    void setContext(int company, int user, int department, int financialYear = 2);
    // Through a separate plain connection, as another workstation would.
    QVariant scalar(const QString& sql);
    void exec(const QString& sql);
    // The first column of every row, as text.
    QStringList idsOf(const QString& sql);
    QSqlDatabase plainDb();
    // A trigger for each row of table, at `when` ("BEFORE UPDATE OF phCancel"):
    // action "refuse: text" makes the change fail with that text; any other
    // action is a statement run for each row (old.<column> names the row).
    void createTrigger(const QString& name, const QString& when, const QString& table,
                       const QString& action);
    void dropTrigger(const QString& name, const QString& table);
    QString dbPath() const { return dir_.filePath(QStringLiteral("demo.db")); }
    // The module's connection string to this test's database.
    QString connectionString() const;
    AdoConnection* con() { return connection_.get(); }

    QTemporaryDir dir_;
    QString serverDatabase_;  // on PostgreSQL: this test's own database
    std::unique_ptr<AdoConnection> connection_;
};

}  // namespace pcp::test
