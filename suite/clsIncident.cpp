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

// Records kept back while another workstation held the write lock: written,
// oldest first, as soon as the database takes them.
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

enum class Stored { Yes, Later, Never };

// One record, waiting only a moment for another workstation's lock.
Stored tryToStore(AdoConnection* connection, const Incident& incident) {
    Stored stored = Stored::Yes;
    try {
        connection->SetWaitLimit(kWriteWaitMs);
        write(connection, incident);
    } catch (const std::exception& e) {
        const auto* error = dynamic_cast<const ModuleError*>(&e);
        stored = error && IsDatabaseBusy(*error) ? Stored::Later : Stored::Never;
        if (stored == Stored::Never)
            qCWarning(lcIncident) << "could not store the error:" << e.what();
    }
    try {
        connection->UsualWaitLimit();
    } catch (const std::exception& e) {
        qCWarning(lcIncident) << "the usual wait for locks not set again:" << e.what();
    }
    return stored;
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
    pendingRecords().append({connection_, incident});
    return storePending();
}

bool clsIncident::storePending() {
    QList<PendingRecord>& pending = pendingRecords();
    Stored last = Stored::Yes;
    while (!pending.isEmpty()) {
        const PendingRecord& next = pending.front();
        AdoConnection* connection = next.connection;
        if (!connection || !connection->isOpen()) {
            qCCritical(lcIncident).noquote()
                << "error record not stored, its connection closed:" << describe(next.incident);
            last = Stored::Never;
        } else {
            // A record written inside another's transaction would go with its rollback.
            last =
                connection->InTransaction() ? Stored::Later : tryToStore(connection, next.incident);
        }
        if (last == Stored::Later) {
            qCInfo(lcIncident) << pending.size() << "error records kept until the database is free";
            retryLater();
            return false;
        }
        pending.removeFirst();
    }
    return last == Stored::Yes;
}

void clsIncident::forgetPending() {
    pendingRecords().clear();
}

}  // namespace pcp
