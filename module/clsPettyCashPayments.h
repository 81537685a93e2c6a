#pragma once
// The module's one creatable class (ProgID lq8dm362.clsPettyCashPayments).
// A host sets the module context through its properties and calls Show,
// which opens the payment register modally and returns when it is closed.

#include <QDateTime>
#include <QObject>
#include <QPointer>

namespace pcp {

class AdoConnection;

class clsPettyCashPayments : public QObject {
    Q_OBJECT
    Q_CLASSINFO("ProgID", "lq8dm362.clsPettyCashPayments")
    Q_PROPERTY(QObject* adocon READ adocon WRITE setAdocon)
    Q_PROPERTY(QString strMsgboxCaption READ strMsgboxCaption WRITE setStrMsgboxCaption)
    Q_PROPERTY(qint16 intCompanyID READ intCompanyID WRITE setIntCompanyID)
    Q_PROPERTY(qint16 intdepartmentid READ intdepartmentid WRITE setIntdepartmentid)
    Q_PROPERTY(qint16 intuserid READ intuserid WRITE setIntuserid)
    Q_PROPERTY(qint16 intFinancialID READ intFinancialID WRITE setIntFinancialID)
    Q_PROPERTY(QDateTime dtProcessDate READ dtProcessDate WRITE setDtProcessDate)

  public:
    static constexpr const char* kProgId = "lq8dm362.clsPettyCashPayments";

    explicit clsPettyCashPayments(QObject* parent = nullptr);
    ~clsPettyCashPayments() override;

    // Read while nothing was assigned, a new (unopened) connection takes its place.
    QObject* adocon();
    void setAdocon(QObject* connection);
    QString strMsgboxCaption() const { return caption_; }
    void setStrMsgboxCaption(const QString& c) { caption_ = c; }
    qint16 intCompanyID() const { return companyId_; }
    void setIntCompanyID(qint16 v) { companyId_ = v; }
    qint16 intdepartmentid() const { return departmentId_; }
    void setIntdepartmentid(qint16 v) { departmentId_ = v; }
    qint16 intuserid() const { return userId_; }
    void setIntuserid(qint16 v) { userId_ = v; }
    qint16 intFinancialID() const { return financialId_; }
    void setIntFinancialID(qint16 v) { financialId_ = v; }
    QDateTime dtProcessDate() const { return processDate_; }
    void setDtProcessDate(const QDateTime& d) { processDate_ = d; }

    Q_INVOKABLE void Show();

  private:
    QPointer<AdoConnection> connection_;
    QString caption_;
    qint16 companyId_ = 0, departmentId_ = 0, userId_ = 0, financialId_ = 0;
    QDateTime processDate_;
};

}  // namespace pcp
