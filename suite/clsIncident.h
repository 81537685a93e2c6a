#pragma once
// Marlin.clsIncident: error logging. Each error goes to the application log,
// to the error table of the database when a connection is given (adocon), and
// to an in-process list that tests read. It shows nothing itself. A record
// the database refuses (another workstation's lock, a full disk, a file moved
// away) is kept, the newest 1,000 at most, and written, oldest first, as soon
// as the database takes it (tried again every few seconds and before the next
// record).

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>

namespace pcp {

class AdoConnection;

struct Incident {
    QDateTime at;
    QString formName, userName, procedureName;
    qint32 number = 0;
    QString source, description, extra;
    QString statement;  // the statement the database refused, if any
};

class clsIncident : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* adocon READ adocon WRITE setAdocon)
    Q_PROPERTY(QString strStatement READ strStatement WRITE setStrStatement)
  public:
    explicit clsIncident(QObject* parent = nullptr) : QObject(parent) {}
    QObject* adocon() const;
    void setAdocon(QObject* connection);
    // The failing statement of the next error, kept in the log only.
    QString strStatement() const { return statement_; }
    void setStrStatement(const QString& sql) { statement_ = sql; }

    // Records one error; never raises and never shows anything (telling the
    // user is the caller's business). True when it was recorded.
    Q_INVOKABLE bool ErrorTrack(const QString& formName, const QString& userName,
                                const QString& procedureName, qint32 number, const QString& source,
                                const QString& description, const QString& extra, bool flag);

    static QList<Incident>& recorded();
    // Writes the records kept back, oldest first, until the database refuses
    // one; true when the newest is in the table.
    static bool storePending();
    // How many records are kept back.
    static int pendingCount();
    // Puts the error log's process-wide state back as at loading: the records
    // recorded and kept back (each is in the application log already), the
    // retry and what the log last said.
    static void reset();

  private:
    bool store(const Incident& incident);
    QPointer<AdoConnection> connection_;
    QString statement_;
};

}  // namespace pcp
