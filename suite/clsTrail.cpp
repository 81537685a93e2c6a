#include "suite/clsTrail.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "data/AdoConnection.h"
#include "data/AdoRecordset.h"
#include "data/ModuleError.h"
#include "data/Values.h"

namespace pcp {

QObject* clsTrail::OpenObject(QObject* connection, int companyId, int userId, int departmentId,
                              int interfaceId, const QDateTime& when) {
    connection_ = qobject_cast<AdoConnection*>(connection);
    companyId_ = companyId;
    userId_ = userId;
    departmentId_ = departmentId;
    interfaceId_ = interfaceId;
    openedAt_ = when;
    loggedTime_ = when;
    return connection;
}

QHash<QString, QString> clsTrail::Snapshot(QObject* form) {
    QHash<QString, QString> values;
    if (!form) return values;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(u"qt_")) continue;
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            if (qobject_cast<QComboBox*>(w->parent())) continue;  // the combo box speaks for it
            values.insert(name, e->text());
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            values.insert(name, QString::number(c->currentIndex()) + u'|' + c->currentText());
        } else if (auto* d = qobject_cast<QDateTimeEdit*>(w)) {
            values.insert(name, d->dateTime().toString(Qt::ISODate));
        } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
            values.insert(name, p->toPlainText());
        } else if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
            values.insert(name, b->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        } else if (auto* t = qobject_cast<QTreeWidget*>(w)) {
            QStringList rows;
            for (int i = 0; i < t->topLevelItemCount(); ++i) {
                QStringList cells;
                for (int c = 0; c < t->columnCount(); ++c) cells << t->topLevelItem(i)->text(c);
                rows << cells.join(u'\t');
            }
            rows.sort();  // a sort of the list is no change: its rows count, not their order
            values.insert(name, rows.join(u'\n'));
        }
    }
    return values;
}

void clsTrail::SaveInToTag(QObject* form) {
    if (!form)
        raise(kErrObjectRequired, QStringLiteral("Osprey.clsTrail"),
              QStringLiteral("Object required"));
    if (!saved_.contains(form))
        connect(form, &QObject::destroyed, this, [this, form] { saved_.remove(form); });
    saved_.insert(form, Snapshot(form));
}

bool clsTrail::DataChanged(QObject* form) {
    if (!form)
        raise(kErrObjectRequired, QStringLiteral("Osprey.clsTrail"),
              QStringLiteral("Object required"));
    const auto it = saved_.constFind(form);
    if (it == saved_.constEnd()) return false;
    return Snapshot(form) != it.value();
}

bool clsTrail::SaveTrailInfo(const QVariant& voucherId, const QString& voucherNo, bool flag,
                             const QString& action) {
    return SaveTrailInfo(voucherId, voucherNo, flag, action, nullptr);
}

bool clsTrail::SaveTrailInfo(const QVariant& voucherId, const QString& voucherNo, bool,
                             const QString& action, QObject* form) {
    if (!connection_)
        raise(kErrObjectRequired, QStringLiteral("Osprey.clsTrail"),
              QStringLiteral("The trail is not open"));
    QString details;
    if (form && saved_.contains(form)) {
        const auto before = saved_.value(form);
        const auto after = Snapshot(form);
        QStringList changed;
        for (auto i = after.cbegin(); i != after.cend(); ++i)
            if (before.value(i.key()) != i.value()) changed << i.key();
        changed.sort();
        details = changed.join(u',');
    }
    AdoRecordset rs;
    rs.Open(QStringLiteral("select * from aUserTrail where 1=2"), connection_, adOpenKeyset,
            adLockOptimistic);
    rs.AddNew();
    rs.SetField(QStringLiteral("CompanyID"), companyId_);
    rs.SetField(QStringLiteral("UserID"), userId_);
    rs.SetField(QStringLiteral("DepartmentID"), departmentId_);
    rs.SetField(QStringLiteral("InterfaceID"), interfaceId_);
    rs.SetField(QStringLiteral("PaymentID"), CLng(voucherId));
    rs.SetField(QStringLiteral("VoucherNo"), voucherNo);
    rs.SetField(QStringLiteral("Action"), action);
    rs.SetField(QStringLiteral("LoggedTime"), loggedTime_.isValid() ? loggedTime_ : Now());
    rs.SetField(QStringLiteral("SavedTime"), Now());
    rs.SetField(QStringLiteral("Details"), details.left(250));
    rs.Update();
    rs.Close();
    return true;
}

}  // namespace pcp
