#pragma once
// Osprey.clsTrail: the user-audit trail. It remembers a window's control
// values to tell later whether any changed, and records every action on a
// voucher (who, what, when, which voucher) in the audit table.

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointer>

namespace pcp {

class AdoConnection;

class clsTrail : public QObject {
    Q_OBJECT
    Q_PROPERTY(QDateTime LoggedTime READ loggedTime WRITE setLoggedTime)
  public:
    explicit clsTrail(QObject* parent = nullptr) : QObject(parent) {}

    QDateTime loggedTime() const { return loggedTime_; }
    void setLoggedTime(const QDateTime& t) { loggedTime_ = t; }

    // Opens the trail for one user's session; gives the connection back.
    Q_INVOKABLE QObject* OpenObject(QObject* connection, int companyId, int userId,
                                    int departmentId, int interfaceId, const QDateTime& when);
    Q_INVOKABLE void SaveInToTag(QObject* form);
    Q_INVOKABLE bool DataChanged(QObject* form);
    Q_INVOKABLE bool SaveTrailInfo(const QVariant& voucherId, const QString& voucherNo, bool flag,
                                   const QString& action);
    Q_INVOKABLE bool SaveTrailInfo(const QVariant& voucherId, const QString& voucherNo, bool flag,
                                   const QString& action, QObject* form);

    // The remembered values of a window's controls, by control name.
    static QHash<QString, QString> Snapshot(QObject* form);

  private:
    QPointer<AdoConnection> connection_;
    int companyId_ = 0, userId_ = 0, departmentId_ = 0, interfaceId_ = 0;
    QDateTime openedAt_, loggedTime_;
    QHash<QObject*, QHash<QString, QString>> saved_;
};

}  // namespace pcp
