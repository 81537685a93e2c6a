#include "suite/clsVault.h"

#include <QComboBox>
#include <QRegularExpression>

#include "data/AdoConnection.h"
#include "data/AdoRecordset.h"
#include "data/ModuleError.h"
#include "data/Values.h"

namespace pcp {

namespace {
const QString kSource = QStringLiteral("Kestrel.clsVault");
}

QObject* clsVault::adocon() const {
    return connection_.data();
}

void clsVault::setAdocon(QObject* connection) {
    connection_ = qobject_cast<AdoConnection*>(connection);
}

AdoConnection* clsVault::connection() const {
    if (!connection_) raise(kErrObjectRequired, kSource, QStringLiteral("Object required: adocon"));
    return connection_;
}

QString clsVault::sourceWith(const QString& condition) const {
    if (condition.trimmed().isEmpty()) return table_;
    static const QRegularExpression hasWhere(QStringLiteral("\\bwhere\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
    const bool whereInSource = hasWhere.match(table_).hasMatch();
    return table_ + (whereInSource ? QStringLiteral(" and ") : QStringLiteral(" where ")) +
           condition;
}

QVariant clsVault::fnReturnField(const QString& field, const QString& condition) {
    AdoRecordset rs;
    rs.Open(
        QStringLiteral("select top 1 ") + field + QStringLiteral(" from ") + sourceWith(condition),
        connection(), adOpenForwardOnly, adLockReadOnly);
    QVariant value;
    if (!rs.Eof()) value = rs.Fields(0);
    rs.Close();
    return value;
}

qint32 clsVault::fnGetNextMaxNo(const QString& field) {
    AdoRecordset rs;
    rs.Open(QStringLiteral("select isnull(max(") + field + QStringLiteral("),0)+1 from ") + table_,
            connection(), adOpenForwardOnly, adLockReadOnly);
    const qint32 next = rs.Eof() ? 1 : CLng(rs.Fields(0));
    rs.Close();
    return next;
}

void clsVault::populateComboorList(QObject* control, const QString& valueField,
                                   const QString& textField, const QString& condition) {
    auto* combo = qobject_cast<QComboBox*>(control);
    if (!combo) raise(kErrObjectRequired, kSource, QStringLiteral("Object required: combo box"));
    AdoRecordset rs;
    rs.Open(QStringLiteral("select ") + valueField + QStringLiteral(",") + textField +
                QStringLiteral(" from ") + sourceWith(condition),
            connection(), adOpenForwardOnly, adLockReadOnly);
    const QSignalBlocker quiet(combo);
    combo->clear();
    while (!rs.Eof()) {
        combo->addItem(Text(rs.Fields(1)).trimmed(), QVariant(CLng(rs.Fields(0))));
        rs.MoveNext();
    }
    combo->setCurrentIndex(-1);
    rs.Close();
}

}  // namespace pcp
