#include "clsIncident.h"

#include <QLoggingCategory>

#include "../AdoConnection.h"
#include "../AdoRecordset.h"
#include "../Values.h"

Q_LOGGING_CATEGORY(lcIncident, "pettycash.errors")

namespace pcp {

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
    try {
        AdoRecordset rs;
        rs.Open(QStringLiteral("select * from aErrorLog where 1=2"), connection_, adOpenKeyset,
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
    } catch (const std::exception& e) {
        qCWarning(lcIncident) << "could not store the error:" << e.what();
        return false;
    }
    return true;
}

}  // namespace pcp
