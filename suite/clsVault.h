#pragma once
// Kestrel.clsVault: the suite's database shortcuts. A source (table, table
// with a where clause, or a join) is set in strTableName; single values,
// the next free number and combo box lists are read from it.

#include <QObject>
#include <QPointer>
#include <QVariant>

namespace pcp {

class AdoConnection;

class clsVault : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* adocon READ adocon WRITE setAdocon)
    Q_PROPERTY(QString strTableName READ tableName WRITE setTableName)

  public:
    explicit clsVault(QObject* parent = nullptr) : QObject(parent) {}

    QObject* adocon() const;
    void setAdocon(QObject* connection);
    QString tableName() const { return table_; }
    void setTableName(const QString& t) { table_ = t; }

    // The value of field (a column or an expression) in the first row of the
    // source, restricted by condition. Empty (invalid) when no row matches;
    // null when the value is null.
    Q_INVOKABLE QVariant fnReturnField(const QString& field, const QString& condition = QString());
    // One more than the largest value of field in the source (1 when none).
    Q_INVOKABLE qint32 fnGetNextMaxNo(const QString& field);
    // Fills a combo box: one entry per row, showing textField, keeping
    // valueField as the entry's item data. condition may end in "order by".
    Q_INVOKABLE void populateComboorList(QObject* control, const QString& valueField,
                                         const QString& textField, const QString& condition);

  private:
    QString sourceWith(const QString& condition) const;
    AdoConnection* connection() const;
    QPointer<AdoConnection> connection_;
    QString table_;
};

}  // namespace pcp
