#include "data/AdoRecordset.h"

#include <QRegularExpression>
#include <QSqlRecord>
#include <algorithm>

#include "data/AdoConnection.h"
#include "data/ModuleError.h"
#include "data/Values.h"

namespace pcp {

namespace {
const QString kSource = QStringLiteral("PettyCashPayments.Recordset");

[[noreturn]] void noCurrentRecord() {
    raise(kErrNoCurrentRecord, kSource,
          QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                         "Requested operation requires a current record."));
}
}  // namespace

AdoRecordset::~AdoRecordset() {
    Close();
}

void AdoRecordset::Open(const QString& source, AdoConnection* connection, CursorTypeEnum cursor,
                        LockTypeEnum lock) {
    if (open_) raise(kErrDbOperation, kSource, QStringLiteral("The recordset is already open."));
    if (!connection) raise(kErrObjectRequired, kSource, QStringLiteral("Object required"));
    connection_ = connection;
    cursor_ = cursor;
    lock_ = lock;
    source_ = source;
    rows_.clear();
    position_ = 0;

    if (cursor == adOpenForwardOnly) {
        openStreaming(source, connection);
    } else {
        // Keyset and static recordsets take all their rows at once, read as
        // typed columns through the database's own calls.
        read_ = connection->ReadRows(source);
        names_ = read_.names();
        readWhole_ = true;
        open_ = true;
    }

    if (lock != adLockReadOnly) {
        static const QRegularExpression re(QStringLiteral("\\bfrom\\s+([\\w.\\[\\]]+)"),
                                           QRegularExpression::CaseInsensitiveOption);
        const auto m = re.match(source);
        table_ = m.hasMatch() ? m.captured(1) : QString();
    }
}

void AdoRecordset::openStreaming(const QString& source, AdoConnection* connection) {
    QSqlQuery q = connection->run(source, true);
    const QSqlRecord rec = q.record();
    names_.clear();
    for (int i = 0; i < rec.count(); ++i) names_ << rec.fieldName(i);
    kinds_ = connection->driver().columnKinds(q, rec.count());
    open_ = true;
    live_.emplace(std::move(q));
    liveValid_ = nextLive();
    if (liveValid_) {
        connection->setLiveReader(this);
    } else {
        live_->finish();
        live_.reset();
    }
}

// Each row is read once, when the query reaches it: some drivers give a
// column's data only once per row.
QVariantList AdoRecordset::readRow(const QSqlQuery& query) const {
    const SqlDriver& driver = liveConnection()->driver();
    QVariantList row;
    row.reserve(FieldCount());
    for (int i = 0; i < FieldCount(); ++i) {
        const ColumnKind kind = i < kinds_.size() ? kinds_[i] : ColumnKind();
        const QVariant stored = driver.read(query, i, kind.date);
        row << (stored.isValid() ? driver.fromStorage(stored, kind) : NullValue());
    }
    return row;
}

bool AdoRecordset::nextLive() {
    if (!live_->next()) return false;
    current_ = readRow(*live_);
    return true;
}

void AdoRecordset::finishLive() {
    if (!live_) return;
    std::vector<QVariantList> rest;
    while (liveValid_) {
        rest.push_back(std::move(current_));
        liveValid_ = nextLive();
    }
    live_->finish();
    live_.reset();
    rows_ = std::move(rest);
    position_ = 0;
}

void AdoRecordset::Close() {
    if (connection_) connection_->clearLiveReader(this);
    if (live_) {
        live_->finish();
        live_.reset();
    }
    liveValid_ = false;
    current_.clear();
    rows_.clear();
    read_ = RowSet();
    readWhole_ = false;
    names_.clear();
    open_ = false;
    adding_ = false;
    newRow_.clear();
    batch_.clear();
}

void AdoRecordset::requireOpen() const {
    if (!open_)
        raise(kErrDbOperation, kSource,
              QStringLiteral("Operation is not allowed when the object is closed."));
}

bool AdoRecordset::Eof() const {
    requireOpen();
    if (live_) return !liveValid_;
    return position_ >= rowCount();
}

void AdoRecordset::requireRow() const {
    if (Eof()) noCurrentRecord();
}

void AdoRecordset::MoveNext() {
    requireRow();
    if (live_) {
        liveValid_ = nextLive();
        if (!liveValid_) {
            if (connection_) connection_->clearLiveReader(this);
            live_->finish();
            live_.reset();
            rows_.clear();
            position_ = 0;
        }
        return;
    }
    ++position_;
}

void AdoRecordset::MoveFirst() {
    requireOpen();
    if (cursor_ == adOpenForwardOnly)
        raise(kErrDbOperation, kSource,
              QStringLiteral("Rowset does not support fetching backward."));
    position_ = 0;
}

int AdoRecordset::RecordCount() const {
    requireOpen();
    if (cursor_ == adOpenForwardOnly) return -1;
    return int(rowCount());
}

QString AdoRecordset::FieldName(int index) const {
    requireOpen();
    if (index < 0 || index >= names_.size())
        raise(3265, kSource,
              QStringLiteral("Item cannot be found in the collection corresponding "
                             "to the requested name or ordinal."));
    return names_[index];
}

bool AdoRecordset::HasField(const QString& name) const {
    return names_.contains(name, Qt::CaseInsensitive);
}

int AdoRecordset::indexOf(const QString& name) const {
    for (int i = 0; i < names_.size(); ++i)
        if (names_[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    raise(3265, kSource,
          QStringLiteral("Item cannot be found in the collection corresponding to "
                         "the requested name or ordinal."));
}

size_t AdoRecordset::rowCount() const {
    return readWhole_ ? size_t(read_.rowCount()) : rows_.size();
}

AdoConnection* AdoRecordset::liveConnection() const {
    if (!connection_)
        raise(kErrDbOperation, kSource,
              QStringLiteral("Operation is not allowed when the object is closed."));
    return connection_;
}

QVariant AdoRecordset::Fields(int index) const {
    FieldName(index);
    requireRow();
    if (live_) return current_[index];
    if (readWhole_) return read_.value(int(position_), index);
    return rows_[position_][index];
}

QVariant AdoRecordset::Fields(const QString& name) const {
    return Fields(indexOf(name));
}

void AdoRecordset::AddNew() {
    requireOpen();
    if (lock_ == adLockReadOnly || table_.isEmpty())
        raise(3251, kSource,
              QStringLiteral("Current Recordset does not support updating. This may be a "
                             "limitation of the provider, or of the selected locktype."));
    adding_ = true;
    newRow_.clear();
}

void AdoRecordset::SetField(const QString& name, const QVariant& value) {
    requireOpen();
    const QString column = names_[indexOf(name)];
    if (!adding_) noCurrentRecord();
    for (auto& [n, v] : newRow_)
        if (n == column) {
            v = value;
            return;
        }
    newRow_.emplace_back(column, value);
}

void AdoRecordset::Update() {
    requireOpen();
    if (!adding_) return;
    adding_ = false;
    if (lock_ == adLockBatchOptimistic) {
        batch_.push_back(std::move(newRow_));
        newRow_.clear();
        return;
    }
    // Also outside a transaction (the error log, column widths): a row
    // written into a file deleted meanwhile would be lost.
    liveConnection()->RequireStorage();
    insertRows({std::move(newRow_)}, 0, 1);
    newRow_.clear();
}

void AdoRecordset::UpdateBatch() {
    requireOpen();
    if (adding_) Update();
    liveConnection()->RequireStorage();
    // One statement for each run of rows with the same columns, of at most
    // 1,000 rows and 2,000 values (SQL Server's bounds on one insert).
    constexpr size_t kMostRows = 1000, kMostValues = 2000;
    const auto sameColumns = [](const NewRow& a, const NewRow& b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](const auto& x, const auto& y) { return x.first == y.first; });
    };
    std::vector<NewRow> rows = std::move(batch_);
    batch_.clear();
    for (size_t first = 0; first < rows.size();) {
        const size_t most = std::max<size_t>(
            1, std::min(kMostRows, kMostValues / std::max<size_t>(1, rows[first].size())));
        size_t count = 1;
        while (first + count < rows.size() && count < most &&
               sameColumns(rows[first], rows[first + count]))
            ++count;
        insertRows(rows, first, count);
        first += count;
    }
}

// One insert statement of the rows, its values bound; the log shows them.
void AdoRecordset::insertRows(const std::vector<NewRow>& rows, size_t first, size_t count) {
    QStringList columns, tuples, shownRows;
    QVariantList binds;
    for (const auto& [name, value] : rows[first]) columns << name;
    for (size_t r = first; r < first + count; ++r) {
        QStringList marks, shown;
        for (const auto& [name, value] : rows[r]) {
            marks << QStringLiteral("?");
            binds << value;
            shown << (value.isNull() ? QStringLiteral("NULL") : value.toString());
        }
        tuples << u'(' + marks.join(u',') + u')';
        shownRows << shown.join(QStringLiteral(" | "));
    }
    const QString sql = QStringLiteral("insert into %1 (%2) values %3")
                            .arg(table_, columns.join(u','), tuples.join(u','));
    const QString logged = sql + QStringLiteral(" -- ") + shownRows.join(QStringLiteral(" || "));
    QSqlQuery q = liveConnection()->runPrepared(logged, sql, binds);
    q.finish();
}

}  // namespace pcp
