#pragma once
// A recordset opened on a statement with a cursor type and a lock type.
// Forward-only recordsets stream their rows; keyset and static recordsets read
// them all at once (so their record count is known). An updatable recordset
// opened on an empty "where 1=2" select takes new rows: AddNew, fields, Update.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <optional>
#include <vector>

#include "data/AdoConnection.h"

#include <QPointer>
#include <QSqlQuery>

namespace pcp {

enum CursorTypeEnum {
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3
};
enum LockTypeEnum {
    adLockReadOnly = 1,
    adLockPessimistic = 2,
    adLockOptimistic = 3,
    adLockBatchOptimistic = 4  // Update keeps the new row; UpdateBatch sends them all
};

class AdoRecordset {
  public:
    AdoRecordset() = default;
    ~AdoRecordset();
    AdoRecordset(const AdoRecordset&) = delete;
    AdoRecordset& operator=(const AdoRecordset&) = delete;

    void Open(const QString& source, AdoConnection* connection,
              CursorTypeEnum cursor = adOpenForwardOnly, LockTypeEnum lock = adLockReadOnly);
    void Close();
    bool isOpen() const { return open_; }

    bool Eof() const;
    bool Bof() const { return Eof() && position_ == 0; }
    void MoveNext();
    void MoveFirst();
    // -1 for a forward-only recordset, as the record count is not known ahead.
    int RecordCount() const;

    int FieldCount() const { return int(names_.size()); }
    QString FieldName(int index) const;
    QVariant Fields(int index) const;
    QVariant Fields(const QString& name) const;
    bool HasField(const QString& name) const;

    void AddNew();
    void SetField(const QString& name, const QVariant& value);
    void Update();
    // The rows a batch recordset has kept, sent in as few statements as the
    // database takes (one insert of many rows each); rows not sent when the
    // recordset closes are dropped.
    void UpdateBatch();

    // Called by the connection before another statement runs on it.
    void finishLive();

  private:
    void requireOpen() const;
    void requireRow() const;
    int indexOf(const QString& name) const;
    QVariantList readRow(const QSqlQuery& query) const;
    bool nextLive();
    void openStreaming(const QString& source, AdoConnection* connection);
    size_t rowCount() const;
    AdoConnection* liveConnection() const;

    // The connection may go first; a guarded pointer tells when it has.
    QPointer<AdoConnection> connection_;
    bool open_ = false;
    CursorTypeEnum cursor_ = adOpenForwardOnly;
    LockTypeEnum lock_ = adLockReadOnly;
    QString source_;
    QStringList names_;
    QVector<ColumnKind> kinds_;
    std::vector<QVariantList> rows_;  // the rest of a live read, buffered
    RowSet read_;                     // a keyset or static recordset's rows
    bool readWhole_ = false;
    size_t position_ = 0;
    std::optional<QSqlQuery> live_;  // forward-only rows still being read
    bool liveValid_ = false;
    QVariantList current_;  // the live query's current row
    QString table_;         // for AddNew
    using NewRow = std::vector<std::pair<QString, QVariant>>;
    void insertRows(const std::vector<NewRow>& rows, size_t first, size_t count);
    NewRow newRow_;
    std::vector<NewRow> batch_;
    bool adding_ = false;
};

}  // namespace pcp
