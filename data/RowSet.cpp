#include "data/RowSet.h"

#include "data/Values.h"

namespace pcp {

namespace {

int digitCount(quint64 value) {
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

bool isBlank(QChar c) {
    return c.isSpace();
}

// Decimal::toString's length: sign, whole digits, and the decimals up to the last non-zero.
int decimalTextLength(qint64 units) {
    const quint64 magnitude = units < 0 ? quint64(0) - quint64(units) : quint64(units);
    int length = (units < 0 ? 1 : 0) + digitCount(magnitude / quint64(Decimal::kOne));
    quint64 fraction = magnitude % quint64(Decimal::kOne);
    if (!fraction) return length;
    int width = Decimal::kScale;
    for (; fraction % 10 == 0; --width) fraction /= 10;
    return length + 1 + width;
}

constexpr qint64 kMsPerDay = 86'400'000;
// The first moments of the years 1000 and 10000: between them a year has four digits.
const qint64 kYear1000 = QDateTime(QDate(1000, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
const qint64 kYear10000 = QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();

}  // namespace

QStringList RowSet::names() const {
    QStringList out;
    for (const Column& c : columns_) out << c.name;
    return out;
}

void RowSet::setColumns(const QStringList& names) {
    columns_.assign(size_t(names.size()), Column());
    for (int i = 0; i < names.size(); ++i) columns_[size_t(i)].name = names[i];
    rows_ = 0;
    cancelled_ = false;
}

void RowSet::reserve(int rows) {
    for (Column& c : columns_) c.nulls.reserve(size_t(rows));
}

// The column ready to take a value of `type`: typed by its first value, or
// holding QVariants from the first value of another type on.
RowSet::Column& RowSet::forValue(int col, ColumnType type) {
    Column& c = columns_[size_t(col)];
    if (c.type == type || c.type == ColumnType::Variant) return c;
    if (c.type != ColumnType::Unknown) {
        toVariants(c);
        return c;
    }
    c.type = type;
    const size_t before = c.nulls.size();  // the NULLs so far
    switch (type) {
        case ColumnType::Integer:
        case ColumnType::Decimal:
        case ColumnType::Date:
            c.numbers.reserve(c.nulls.capacity()), c.numbers.resize(before);
            break;
        case ColumnType::Real: c.reals.resize(before); break;
        case ColumnType::Text: c.texts.reserve(c.nulls.capacity()), c.texts.resize(before); break;
        default: c.variants.resize(before); break;
    }
    return c;
}

void RowSet::toVariants(Column& c) {
    std::vector<QVariant> values;
    values.reserve(c.nulls.capacity());
    for (size_t r = 0; r < c.nulls.size(); ++r)
        values.push_back(c.nulls[r] ? QVariant() : typedValue(c, r));
    c.variants = std::move(values);
    c.numbers = {};
    c.reals = {};
    c.texts = {};
    c.type = ColumnType::Variant;
}

void RowSet::addNull(int col) {
    Column& c = columns_[size_t(col)];
    c.nulls.push_back(true);
    switch (c.type) {
        case ColumnType::Integer:
        case ColumnType::Decimal:
        case ColumnType::Date: c.numbers.push_back(0); break;
        case ColumnType::Real: c.reals.push_back(0); break;
        case ColumnType::Text: c.texts.emplace_back(); break;
        case ColumnType::Variant: c.variants.emplace_back(); break;
        case ColumnType::Unknown: break;
    }
}

void RowSet::addInteger(int col, qint64 value) {
    Column& c = forValue(col, ColumnType::Integer);
    c.nulls.push_back(false);
    if (c.type == ColumnType::Variant)
        c.variants.emplace_back(qlonglong(value));
    else
        c.numbers.push_back(value);
}

void RowSet::addReal(int col, double value) {
    Column& c = forValue(col, ColumnType::Real);
    c.nulls.push_back(false);
    if (c.type == ColumnType::Variant)
        c.variants.emplace_back(value);
    else
        c.reals.push_back(value);
}

void RowSet::addDecimal(int col, Decimal value) {
    Column& c = forValue(col, ColumnType::Decimal);
    c.nulls.push_back(false);
    if (c.type == ColumnType::Variant)
        c.variants.push_back(QVariant::fromValue(value));
    else
        c.numbers.push_back(value.units());
}

void RowSet::addDate(int col, const QDateTime& wallClock) {
    Column& c = forValue(col, ColumnType::Date);
    c.nulls.push_back(false);
    const QDateTime utc = WallClock(wallClock);
    if (c.type == ColumnType::Variant)
        c.variants.emplace_back(utc);
    else
        c.numbers.push_back(utc.toMSecsSinceEpoch());
}

void RowSet::addDateMSecs(int col, qint64 msecsSince1970) {
    Column& c = forValue(col, ColumnType::Date);
    c.nulls.push_back(false);
    if (c.type == ColumnType::Variant)
        c.variants.emplace_back(QDateTime::fromMSecsSinceEpoch(msecsSince1970, Qt::UTC));
    else
        c.numbers.push_back(msecsSince1970);
}

void RowSet::addStored(int col, const QVariant& value) {
    if (!value.isValid() || value.isNull()) return addNull(col);
    if (value.metaType() == QMetaType::fromType<Decimal>())
        return addDecimal(col, value.value<Decimal>());
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UInt: return addInteger(col, value.toLongLong());
        case QMetaType::Double: return addReal(col, value.toDouble());
        case QMetaType::QDateTime: return addDate(col, value.toDateTime());
        case QMetaType::QString: return addText(col, value.toString());
        default: return addVariant(col, value);
    }
}

void RowSet::addText(int col, QString value) {
    Column& c = forValue(col, ColumnType::Text);
    c.nulls.push_back(false);
    if (c.type == ColumnType::Variant)
        c.variants.emplace_back(std::move(value));
    else
        c.texts.push_back(std::move(value));
}

void RowSet::addUtf8(int col, const char* bytes, qsizetype size) {
    constexpr qsizetype kShort = 15;  // kept in a std::string without allocating
    if (size > kShort) return addText(col, QString::fromUtf8(bytes, size));
    Column& c = columns_[size_t(col)];
    const std::string_view wanted(bytes, size_t(size));
    for (const Column::Recent& r : c.recent)
        if (!r.text.isNull() && r.bytes == wanted && r.text.isEmpty() == wanted.empty())
            return addText(col, r.text);
    Column::Recent& slot = c.recent[c.nextRecent++ % c.recent.size()];
    slot.bytes.assign(wanted);
    slot.text = QString::fromUtf8(bytes, size);
    if (slot.text.isNull()) slot.text = QLatin1String("");
    addText(col, slot.text);
}

void RowSet::addUtf16(int col, const char16_t* units, qsizetype size) {
    constexpr qsizetype kShort = 15;
    const QStringView wanted(units, size);
    Column& c = columns_[size_t(col)];
    if (size <= kShort)
        for (const Column::Recent& r : c.recent)
            if (!r.text.isNull() && r.text == wanted) return addText(col, r.text);
    QString text = wanted.toString();
    if (text.isNull()) text = QLatin1String("");
    if (size <= kShort) {
        Column::Recent& slot = c.recent[c.nextRecent++ % c.recent.size()];
        slot.bytes.clear();
        slot.text = text;
    }
    addText(col, std::move(text));
}

void RowSet::addVariant(int col, const QVariant& value) {
    if (!value.isValid() || value.isNull()) return addNull(col);
    Column& c = forValue(col, ColumnType::Variant);
    c.nulls.push_back(false);
    c.variants.push_back(value);
}

QVariant RowSet::typedValue(const Column& c, size_t row) const {
    switch (c.type) {
        case ColumnType::Integer: return qlonglong(c.numbers[row]);
        case ColumnType::Real: return c.reals[row];
        case ColumnType::Decimal: return QVariant::fromValue(Decimal::fromUnits(c.numbers[row]));
        case ColumnType::Date: return QDateTime::fromMSecsSinceEpoch(c.numbers[row], Qt::UTC);
        case ColumnType::Text: return c.texts[row];
        case ColumnType::Variant: return c.variants[row];
        case ColumnType::Unknown: return QVariant();
    }
    return QVariant();
}

QVariant RowSet::value(int row, int col) const {
    const Column& c = column(col);
    if (c.nulls[size_t(row)]) return NullValue();
    return typedValue(c, size_t(row));
}

QString RowSet::text(int row, int col) const {
    const Column& c = column(col);
    const size_t r = size_t(row);
    if (c.nulls[r]) return QString();
    switch (c.type) {
        case ColumnType::Integer: return QString::number(c.numbers[r]);
        case ColumnType::Decimal:
            return c.pattern.isEmpty() ? Decimal::fromUnits(c.numbers[r]).toString()
                                       : Format(Decimal::fromUnits(c.numbers[r]), c.pattern);
        case ColumnType::Text: return c.texts[r].trimmed();
        default: return Text(typedValue(c, r)).trimmed();
    }
}

int RowSet::textLength(int row, int col) const {
    const Column& c = column(col);
    const size_t r = size_t(row);
    if (c.nulls[r]) return 0;
    switch (c.type) {
        case ColumnType::Integer: {
            const qint64 n = c.numbers[r];
            return (n < 0 ? 1 : 0) + digitCount(n < 0 ? quint64(0) - quint64(n) : quint64(n));
        }
        case ColumnType::Decimal:
            if (!c.pattern.isEmpty()) return int(text(row, col).size());
            return decimalTextLength(c.numbers[r]);
        case ColumnType::Date: {
            const qint64 ms = c.numbers[r];
            const int clock = ms % kMsPerDay == 0 ? 0 : 9;  // " hh:mm:ss"
            if (ms >= kYear1000 && ms < kYear10000) return 10 + clock;
            const QDateTime d = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
            const int year = d.date().year();
            const int yearLength = digitCount(quint64(std::abs(year))) + (year < 0 ? 1 : 0);
            const int dayLength = 6 + std::max(4, yearLength);
            return c.numbers[r] % kMsPerDay == 0 ? dayLength : dayLength + 9;
        }
        case ColumnType::Text: {
            const QString& t = c.texts[r];
            int begin = 0, end = int(t.size());
            while (begin < end && isBlank(t[begin])) ++begin;
            while (end > begin && isBlank(t[end - 1])) --end;
            return end - begin;
        }
        default: return int(text(row, col).size());
    }
}

}  // namespace pcp
