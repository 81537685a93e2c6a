#include "suite/clsIncident.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTimer>

#include "data/AdoConnection.h"
#include "data/AdoRecordset.h"
#include "data/ModuleError.h"
#include "data/Values.h"

Q_LOGGING_CATEGORY(lcIncident, "pettycash.errors")

namespace pcp {

namespace {

// How long a record waits for another workstation's write lock: the user
// waits for it too, right after the failure it records.
constexpr int kWriteWaitMs = 200;
// How often records kept back are tried again.
constexpr int kRetryMs = 2000;

// An error record the database could not take yet, and the connection it
// goes to.
struct PendingRecord {
    QPointer<AdoConnection> connection;
    Incident incident;
};

// At most this many records wait, the newest: a database that never takes
// them again must not take the process's memory instead.
constexpr int kMaxPending = 1000;

// Records the database refused (another workstation's lock, a full disk, a
// file moved away, a trigger...): written, oldest first, as soon as it takes
// them again.
QList<PendingRecord>& pendingRecords() {
    static QList<PendingRecord> list;
    return list;
}

void retryLater() {
    static QPointer<QTimer> timer;
    if (!timer && QCoreApplication::instance()) {
        timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        timer->setInterval(kRetryMs);
        QObject::connect(timer, &QTimer::timeout, [] { clsIncident::storePending(); });
    }
    if (timer) timer->start();
}

QString describe(const Incident& i) {
    return QStringLiteral("%1 %2 error %3 %4 %5 at %6")
        .arg(i.formName, i.procedureName)
        .arg(i.number)
        .arg(i.source, i.description, i.at.toString(Qt::ISODate));
}

void write(AdoConnection* connection, const Incident& incident) {
    AdoRecordset rs;
    rs.Open(QStringLiteral("select * from aErrorLog where 1=2"), connection, adOpenKeyset,
            adLockOptimistic);
    rs.AddNew();
    rs.SetField(QStringLiteral("LoggedAt"), incident.at);
    rs.SetField(QStringLiteral("FormName"), incident.formName);
    rs.SetField(QStringLiteral("UserName"), incident.userName);
    rs.SetField(QStringLiteral("ProcedureName"), incident.procedureName);
    rs.SetField(QStringLiteral("ErrorNumber"), incident.number);
    rs.SetField(QStringLiteral("ErrorSource"), incident.source);
    rs.SetField(QStringLiteral("ErrorDescription"), incident.description);
    rs.SetField(QStringLiteral("ExtraText"), incident.extra);
    // Error tables made before the statement was kept lack its column.
    if (!incident.statement.isEmpty() && rs.HasField(QStringLiteral("StatementText")))
        rs.SetField(QStringLiteral("StatementText"), incident.statement);
    rs.Update();
    rs.Close();
}

// Why the database refused the last record, so that one lasting refusal,
// tried again every few seconds, is logged once.
QString& lastRefusal() {
    static QString text;
    return text;
}

// One record, waiting only a moment for another workstation's lock; false
// when the database refused it, for whatever reason.
bool tryToStore(AdoConnection* connection, const Incident& incident) {
    bool stored = true;
    try {
        connection->SetWaitLimit(kWriteWaitMs);
        write(connection, incident);
        lastRefusal().clear();
    } catch (const std::exception& e) {
        stored = false;
        const QString why = QString::fromLocal8Bit(e.what());
        const auto* error = dynamic_cast<const ModuleError*>(&e);
        if (why != lastRefusal() && !(error && IsDatabaseBusy(*error)))
            qCWarning(lcIncident).noquote() << "error record kept, the database refused it:" << why;
        lastRefusal() = why;
    }
    try {
        connection->UsualWaitLimit();
    } catch (const std::exception& e) {
        qCWarning(lcIncident) << "the usual wait for locks not set again:" << e.what();
    }
    return stored;
}

// Keeps the newest kMaxPending; what goes is in the application log.
void keepPending(const PendingRecord& record) {
    QList<PendingRecord>& pending = pendingRecords();
    pending.append(record);
    while (pending.size() > kMaxPending) {
        qCCritical(lcIncident).noquote()
            << "error record dropped, too many waiting:" << describe(pending.front().incident);
        pending.removeFirst();
    }
}

}  // namespace

QObject* clsIncident::adocon() const {
    return connection_.data();
}
void clsIncident::setAdocon(QObject* c) {
    connection_ = qobject_cast<AdoConnection*>(c);
}

QList<Incident>& clsIncident::recorded() {
    static QList<Incident> list;
    return list;
}

bool clsIncident::ErrorTrack(const QString& formName, const QString& userName,
                             const QString& procedureName, qint32 number, const QString& source,
                             const QString& description, const QString& extra, bool) {
    const Incident incident{Now(),  formName,    userName, procedureName, number,
                            source, description, extra,    statement_};
    statement_.clear();
    recorded().append(incident);
    if (recorded().size() > 1000) recorded().removeFirst();
    qCWarning(lcIncident).noquote()
        << formName << procedureName << "error" << number << source << description << "user"
        << userName << "mode" << extra << "statement" << incident.statement;
    return store(incident);
}

bool clsIncident::store(const Incident& incident) {
    if (!connection_ || !connection_->isOpen()) return true;
    keepPending({connection_, incident});
    return storePending();
}

bool clsIncident::storePending() {
    QList<PendingRecord>& pending = pendingRecords();
    bool newestStored = true;
    while (!pending.isEmpty()) {
        const PendingRecord& next = pending.front();
        AdoConnection* connection = next.connection;
        if (!connection || !connection->isOpen()) {
            qCCritical(lcIncident).noquote()
                << "error record not stored, its connection closed:" << describe(next.incident);
            newestStored = false;
        } else if (connection->InTransaction() || !tryToStore(connection, next.incident)) {
            // A record written inside another's transaction would go with its rollback.
            qCInfo(lcIncident) << pending.size()
                               << "error records kept until the database takes them";
            retryLater();
            return false;
        } else {
            newestStored = true;
        }
        pending.removeFirst();
    }
    return newestStored;
}

int clsIncident::pendingCount() {
    return int(pendingRecords().size());
}

void clsIncident::forgetPending() {
    pendingRecords().clear();
    lastRefusal().clear();
}

}  // namespace pcp
