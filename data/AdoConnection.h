#pragma once
// The module's database connection: open, execute, transactions, and the
// statement log. Built on Qt SQL; a driver class per transport (embedded
// SQLite, ODBC) with the dialect of the database behind it supplies what differs.

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <functional>
#include <memory>
#include <vector>

#include "data/SqlDriver.h"
#include "data/StatementLog.h"

namespace pcp {

class AdoRecordset;

class AdoConnection : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString ConnectionString READ connectionString WRITE setConnectionString)
    Q_PROPERTY(int State READ state)

  public:
    explicit AdoConnection(QObject* parent = nullptr);
    ~AdoConnection() override;

    QString connectionString() const { return connectionString_; }
    void setConnectionString(const QString& s) { connectionString_ = s; }
    int state() const { return isOpen() ? 1 : 0; }  // 0 closed, 1 open
    bool isOpen() const;

    Q_INVOKABLE void Open(const QString& connectionString = QString());
    // The connection only reads: "Mode=ReadOnly" asked for it, or the user
    // may not write the embedded database file or its folder.
    Q_INVOKABLE bool ReadOnly() const;
    Q_INVOKABLE void Close();
    // Runs a statement that returns no rows; the number of rows it affected.
    Q_INVOKABLE int Execute(const QString& sql);
    // Runs a select and reads all its rows at once into typed columns,
    // through the database's own calls (no value object per cell): for the
    // long lists a window shows. Translated, logged, counted for an injected
    // fault and finishing a live reader first, as every statement; raises on
    // failure, at whichever row the database fails.
    // A progress told every few hundred rows may stop it: the rows so far
    // come back marked cancelled.
    RowSet ReadRows(const QString& sql, const RowProgress& progress = {});
    // Why nothing can be written to the database now (its file moved or
    // deleted since it was opened), as the user is told it; empty when writes
    // can go ahead, and always for a closed connection.
    Q_INVOKABLE QString StorageProblem() const;
    // Raises kErrDbFileMoved with that message when there is a problem.
    void RequireStorage() const;
    // Begins only where writes can be kept (RequireStorage).
    Q_INVOKABLE void BeginTrans();
    Q_INVOKABLE void CommitTrans();
    Q_INVOKABLE void RollbackTrans();
    Q_INVOKABLE bool InTransaction() const { return inTransaction_; }

    // Runs the action now, or, inside a transaction, once it has committed
    // (never when it rolls back): what the user sees follows committed data.
    void runAfterCommit(std::function<void()> action);

    // Bounds how long statements wait for another workstation's lock, for
    // work that must never hold up the window (milliseconds; the usual bound
    // comes back with UsualWaitLimit).
    void SetWaitLimit(int milliseconds);
    void UsualWaitLimit();

    // For tests: the n-th statement sent from now on (1 = the next; commits
    // count) fails as the database would fail it, with the description given
    // or one naming n. Once only; 0 disarms.
    void FailAtStatement(int n, const QString& description = QString());

    // Unique voucher indexes that stored rows kept from being made when the
    // database was opened (empty when all are in place).
    QStringList ClashingIndexes() const;

    StatementLog& log() { return log_; }
    const SqlDriver& driver() const;
    QSqlDatabase& database() { return db_; }

    // For recordsets: runs a statement (translated, logged) and returns the
    // live query positioned before the first row. Raises on failure.
    QSqlQuery run(const QString& sql, bool forwardOnly);
    QSqlQuery runPrepared(const QString& loggedText, const QString& sql, const QVariantList& binds);

    // A connection serves one live result at a time: a recordset still being
    // read is finished (its rest buffered) before the next statement runs.
    void setLiveReader(AdoRecordset* rs);
    void clearLiveReader(AdoRecordset* rs);

  private:
    void requireOpen() const;
    void dropDatabase();
    void finishLiveReader();
    QString translated(const QString& sql) const;
    QString beforeSending(const QString& sql, const QString& loggedText);
    void runCommitted();
    [[noreturn]] void fail(const QSqlQuery& failed, const QString& sql) const;
    void countForInjectedFault(const QString& sql);

    QString connectionString_;
    QString connectionName_;
    QSqlDatabase db_;
    std::unique_ptr<SqlDriver> driver_;
    StatementLog log_;
    bool inTransaction_ = false;
    AdoRecordset* liveReader_ = nullptr;
    // The statements already put in this connection's dialect: a window
    // sends the same few lookups at every load. Bounded, as texts with
    // typed values in them are seldom sent twice.
    mutable QHash<QString, QString> translations_;
    int failAt_ = 0;
    QString failWith_;
    std::vector<std::function<void()>> afterCommit_;
};

class ModuleError;
// The database refused a row because another has its key (SQLite's "UNIQUE
// constraint failed", SQL Server's errors 2601 and 2627, PostgreSQL's SQLSTATE
// 23505): what a voucher numbered at the same moment on another workstation causes.
bool IsDuplicateKey(const ModuleError& error);

// The database stayed locked by another workstation's transaction for longer
// than the connection waits (SQLite's SQLITE_BUSY, SQL Server's lock time-out
// 1222, PostgreSQL's lock_not_available 55P03): nothing is wrong but the moment.
bool IsDatabaseBusy(const ModuleError& error);

// The database file was moved or deleted under the connection
// (RequireStorage): nothing is wrong with the program, the user is told where.
bool IsDatabaseMoved(const ModuleError& error);

// A transaction for a scope: begun on construction, rolled back when the
// scope is left without Commit (an error included), so no handler can leave
// one open.
class TransactionScope {
  public:
    explicit TransactionScope(AdoConnection* connection);
    ~TransactionScope();
    void Commit();
    TransactionScope(const TransactionScope&) = delete;
    TransactionScope& operator=(const TransactionScope&) = delete;

  private:
    QPointer<AdoConnection> connection_;
    bool committed_ = false;
};

}  // namespace pcp
