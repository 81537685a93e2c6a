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

// At most this many records are written at a time, so that a database that
// takes them again never holds up the window for long; the rest follow soon.
constexpr int kPerRound = 50;

QPointer<QTimer>& retryTimer() {
    static QPointer<QTimer> timer;
    return timer;
}

void retryLater(int milliseconds = kRetryMs) {
    QPointer<QTimer>& timer = retryTimer();
    if (!timer && QCoreApplication::instance()) {
        timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, [] { clsIncident::storePending(); });
    }
    if (timer) timer->start(milliseconds);
}

// How many records were waiting when the log last said so: it says it again
// only when the number changes.
int& loggedWaiting() {
    static int n = 0;
    return n;
}

void logWaiting(int waiting) {
    if (waiting == loggedWaiting()) return;
    loggedWaiting() = waiting;
    if (waiting > 0)
        qCInfo(lcIncident) << waiting << "error records kept until the database takes them";
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
    // Each text cut to its column, so that no database refuses a record for its length.
    rs.SetField(QStringLiteral("FormName"), incident.formName.left(50));
    rs.SetField(QStringLiteral("UserName"), incident.userName.left(50));
    rs.SetField(QStringLiteral("ProcedureName"), incident.procedureName.left(50));
    rs.SetField(QStringLiteral("ErrorNumber"), incident.number);
    rs.SetField(QStringLiteral("ErrorSource"), incident.source.left(100));
    rs.SetField(QStringLiteral("ErrorDescription"), incident.description.left(1000));
    rs.SetField(QStringLiteral("ExtraText"), incident.extra.left(100));
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

enum class Stored { Yes, Busy, Refused };

// One record, waiting only a moment for another workstation's lock.
Stored tryToStore(AdoConnection* connection, const Incident& incident) {
    Stored stored = Stored::Yes;
    try {
        connection->SetWaitLimit(kWriteWaitMs);
        write(connection, incident);
        lastRefusal().clear();
    } catch (const std::exception& e) {
        const QString why = QString::fromLocal8Bit(e.what());
        const auto* error = dynamic_cast<const ModuleError*>(&e);
        stored = error && IsDatabaseBusy(*error) ? Stored::Busy : Stored::Refused;
        if (why != lastRefusal() && stored == Stored::Refused)
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
    // A database opened for reading only never takes it: the log has it.
    if (connection_->ReadOnly()) return false;
    keepPending({connection_, incident});
    return storePending();
}

// Oldest first, a round at a time. While the oldest is refused for good
// (not for a lock) and the next one goes in, the database takes records
// again but not that one: it goes to the log instead of holding up the rest.
bool clsIncident::storePending() {
    QList<PendingRecord>& pending = pendingRecords();
    bool newestStored = true;
    for (int written = 0; !pending.isEmpty(); ++written) {
        if (written == kPerRound) {
            logWaiting(int(pending.size()));
            retryLater(0);
            return false;
        }
        const PendingRecord& next = pending.front();
        AdoConnection* connection = next.connection;
        if (!connection || !connection->isOpen()) {
            qCCritical(lcIncident).noquote()
                << "error record not stored, its connection closed:" << describe(next.incident);
            newestStored = false;
            pending.removeFirst();
            continue;
        }
        // A record written inside another's transaction would go with its rollback.
        Stored stored =
            connection->InTransaction() ? Stored::Busy : tryToStore(connection, next.incident);
        if (stored == Stored::Refused && pending.size() > 1 &&
            pending[1].connection == connection &&
            tryToStore(connection, pending[1].incident) == Stored::Yes) {
            qCCritical(lcIncident).noquote()
                << "error record not stored, the database refuses it:" << describe(next.incident);
            pending.removeFirst();  // the refused one; the next is in the table
            stored = Stored::Yes;
        }
        if (stored != Stored::Yes) {
            logWaiting(int(pending.size()));
            retryLater();
            return false;
        }
        newestStored = true;
        pending.removeFirst();
    }
    logWaiting(0);
    return newestStored;
}

int clsIncident::pendingCount() {
    return int(pendingRecords().size());
}

void clsIncident::reset() {
    recorded().clear();
    pendingRecords().clear();
    if (retryTimer()) retryTimer()->stop();
    lastRefusal().clear();
    loggedWaiting() = 0;
}

}  // namespace pcp
