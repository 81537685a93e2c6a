#include "data/AdoConnection.h"

#include <QSqlError>
#include <atomic>

#include "data/AdoRecordset.h"
#include "data/ModuleError.h"

namespace pcp {

namespace {
QString nextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("pcp-connection-%1").arg(++counter);
}
const QString kSource = QStringLiteral("PettyCashPayments.Connection");
}  // namespace

AdoConnection::AdoConnection(QObject* parent) : QObject(parent) {}

AdoConnection::~AdoConnection() {
    try {
        Close();
    } catch (...) {
        // A connection going away must not throw; the database rolls back.
    }
}

bool AdoConnection::isOpen() const {
    return db_.isValid() && db_.isOpen();
}

bool AdoConnection::ReadOnly() const {
    return isOpen() && driver_->readOnly();
}

const SqlDriver& AdoConnection::driver() const {
    requireOpen();
    return *driver_;
}

void AdoConnection::Open(const QString& connectionString) {
    if (!connectionString.isEmpty()) connectionString_ = connectionString;
    if (isOpen())
        raise(kErrDbOperation, kSource, QStringLiteral("The connection is already open."));
    const ConnectionSettings settings = ParseConnectionString(connectionString_);
    if (settings.dataSource.isEmpty())
        raise(kErrDbConnection, kSource,
              QStringLiteral("No data source in the connection string."));
    driver_ = SqlDriver::create(settings);
    translations_.clear();
    connectionName_ = nextConnectionName();
    db_ = QSqlDatabase::addDatabase(driver_->qtDriverName(), connectionName_);
    try {
        driver_->configure(db_, settings);
        if (!db_.open()) raise(kErrDbConnection, driver_->name(), db_.lastError().text());
        driver_->prepareOpened(db_);
    } catch (...) {
        // A connection its database cannot serve is not left open.
        dropDatabase();
        throw;
    }
}

void AdoConnection::dropDatabase() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName_);
}

void AdoConnection::Close() {
    if (!db_.isValid()) return;
    finishLiveReader();
    afterCommit_.clear();
    if (inTransaction_ && isOpen()) {
        inTransaction_ = false;
        driver_->rollbackTransaction(db_);
    }
    dropDatabase();
}

void AdoConnection::requireOpen() const {
    if (!isOpen())
        raise(kErrDbOperation, kSource,
              QStringLiteral("Operation is not allowed when the object is closed."));
}

void AdoConnection::fail(const QSqlQuery& failed, const QString& sql) const {
    driver_->raiseRefused(driver_->errorText(failed), driver_->errorCode(failed), sql);
}

void AdoConnection::FailAtStatement(int n, const QString& description) {
    failAt_ = n;
    // Each failure reads differently, so the user is told of every one.
    failWith_ = description.isEmpty() ? QStringLiteral("Injected failure at statement %1").arg(n)
                                      : description;
}

void AdoConnection::countForInjectedFault(const QString& sql) {
    if (failAt_ <= 0 || --failAt_ > 0) return;
    throw ModuleError(kErrDbCommand, driver_->name(), failWith_).withStatement(sql);
}

QStringList AdoConnection::ClashingIndexes() const {
    return isOpen() ? driver_->clashingIndexes() : QStringList();
}

bool IsDuplicateKey(const ModuleError& error) {
    if (error.number() != kErrDbCommand) return false;
    const QString& code = error.nativeCode();
    if (code == u"2601" || code == u"2627" || code == u"23505") return true;
    return error.description().contains(u"UNIQUE constraint failed") ||
           error.description().contains(u"Cannot insert duplicate key");
}

bool IsDatabaseBusy(const ModuleError& error) {
    if (error.number() == kErrDbCommand && error.nativeCode() == u"55P03") return true;
    bool number = false;
    const int code = error.nativeCode().toInt(&number);
    if (error.number() != kErrDbCommand || !number) return false;
    constexpr int kSqliteBusy = 5, kSqlServerLockTimeout = 1222;
    // The embedded driver's codes are SQLite's, whose extended codes keep the
    // primary one in their low byte; through ODBC they are the driver's: the
    // SQLite driver's are SQLite's primary codes (SQL Server has no error 5).
    if (error.source() == u"SQLite") return (code & 0xff) == kSqliteBusy;
    return code == kSqliteBusy || code == kSqlServerLockTimeout;
}

bool IsDatabaseMoved(const ModuleError& error) {
    return error.number() == kErrDbFileMoved;
}

QString AdoConnection::StorageProblem() const {
    return isOpen() ? driver_->storageProblem(db_) : QString();
}

void AdoConnection::RequireStorage() const {
    const QString problem = StorageProblem();
    if (!problem.isEmpty()) raise(kErrDbFileMoved, driver_->name(), problem);
}

void AdoConnection::setLiveReader(AdoRecordset* rs) {
    finishLiveReader();
    liveReader_ = rs;
}

void AdoConnection::clearLiveReader(AdoRecordset* rs) {
    if (liveReader_ == rs) liveReader_ = nullptr;
}

void AdoConnection::finishLiveReader() {
    if (AdoRecordset* rs = liveReader_) {
        liveReader_ = nullptr;
        rs->finishLive();
    }
}

QString AdoConnection::translated(const QString& sql) const {
    constexpr qsizetype kKeptTranslations = 256;
    if (const auto kept = translations_.constFind(sql); kept != translations_.cend()) return *kept;
    try {
        QString sent = driver_->translate(sql);
        if (translations_.size() >= kKeptTranslations) translations_.clear();
        translations_.insert(sql, sent);
        return sent;
    } catch (ModuleError& e) {
        throw e.withStatement(sql);
    }
}

// Every statement, as it is about to be sent: the connection must be open, a
// reader still live is finished, the text is put in the database's dialect,
// counted for an injected fault and logged as the caller names it.
QString AdoConnection::beforeSending(const QString& sql, const QString& loggedText) {
    requireOpen();
    finishLiveReader();
    const QString sent = translated(sql);
    countForInjectedFault(loggedText);
    log_.add(loggedText, sent);
    return sent;
}

QSqlQuery AdoConnection::run(const QString& sql, bool forwardOnly) {
    const QString sent = beforeSending(sql, sql);
    QSqlQuery q(db_);
    q.setForwardOnly(forwardOnly);
    if (!q.exec(sent)) fail(q, sql);
    return q;
}

QSqlQuery AdoConnection::runPrepared(const QString& loggedText, const QString& sql,
                                     const QVariantList& binds) {
    const QString sent = beforeSending(sql, loggedText);
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(sent)) fail(q, sql);
    for (int i = 0; i < binds.size(); ++i) q.bindValue(i, driver_->toStorage(binds[i]));
    if (!q.exec()) fail(q, sql);
    return q;
}

RowSet AdoConnection::ReadRows(const QString& sql, const RowProgress& progress) {
    const QString sent = beforeSending(sql, sql);
    return driver_->readRows(db_, sent, sql, progress);
}

int AdoConnection::Execute(const QString& sql) {
    QSqlQuery q = run(sql, true);
    const int affected = q.isSelect() ? -1 : q.numRowsAffected();
    q.finish();
    return affected;
}

void AdoConnection::SetWaitLimit(int milliseconds) {
    Execute(driver().dialect().waitLimitStatement(milliseconds));
}

void AdoConnection::UsualWaitLimit() {
    SetWaitLimit(driver().dialect().usualWaitLimit());
}

void AdoConnection::BeginTrans() {
    requireOpen();
    finishLiveReader();
    if (inTransaction_)
        raise(kErrDbOperation, kSource, QStringLiteral("A transaction is already open."));
    RequireStorage();
    log_.add(QStringLiteral("BeginTrans"), QString());
    driver_->beginTransaction(db_);
    inTransaction_ = true;
}

void AdoConnection::CommitTrans() {
    requireOpen();
    finishLiveReader();
    if (!inTransaction_)
        raise(kErrDbOperation, kSource, QStringLiteral("No transaction is active."));
    // A file that went while the transaction ran would take the commit and lose it.
    RequireStorage();
    countForInjectedFault(QStringLiteral("CommitTrans"));
    log_.add(QStringLiteral("CommitTrans"), QString());
    driver_->commitTransaction(db_);
    inTransaction_ = false;
    runCommitted();
}

void AdoConnection::runAfterCommit(std::function<void()> action) {
    if (!inTransaction_) return action();
    afterCommit_.push_back(std::move(action));
}

// The work is committed whatever these do: a failing one is logged and the
// others still run, so a commit is never reported as a failure.
void AdoConnection::runCommitted() {
    std::vector<std::function<void()>> actions;
    actions.swap(afterCommit_);
    for (auto& action : actions) {
        try {
            action();
        } catch (const std::exception& e) {
            qWarning("pettycash: a step after the commit failed: %s", e.what());
        }
    }
}

void AdoConnection::RollbackTrans() {
    requireOpen();
    finishLiveReader();
    if (!inTransaction_)
        raise(kErrDbOperation, kSource, QStringLiteral("No transaction is active."));
    log_.add(QStringLiteral("RollbackTrans"), QString());
    inTransaction_ = false;
    afterCommit_.clear();
    driver_->rollbackTransaction(db_);
}

}  // namespace pcp

namespace pcp {

TransactionScope::TransactionScope(AdoConnection* connection) : connection_(connection) {
    if (!connection) raise(kErrObjectRequired, kSource, QStringLiteral("Object required"));
    connection->BeginTrans();
}

TransactionScope::~TransactionScope() {
    if (committed_ || !connection_ || !connection_->InTransaction()) return;
    try {
        connection_->RollbackTrans();
    } catch (const std::exception&) {
        // The database drops an unfinished transaction with its connection.
    }
}

void TransactionScope::Commit() {
    if (!connection_) raise(kErrObjectRequired, kSource, QStringLiteral("Object required"));
    connection_->CommitTrans();
    committed_ = true;
}

}  // namespace pcp
