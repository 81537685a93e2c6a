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

// An empty text read is a value, not a NULL: it stays a string that is not null.
QString NonNullText(QStringView text) {
    return text.isEmpty() ? QString(QLatin1String("")) : text.toString();
}

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
    capacity_ = 0;
    cancelled_ = false;
}

void RowSet::reserve(int rows) {
    if (rows <= capacity_) return;
    for (Column& c : columns_) {
        c.nulls.reserve(size_t(rows));
        switch (c.type) {
            case ColumnType::Integer:
            case ColumnType::Decimal:
            case ColumnType::Date: c.numbers.reserve(size_t(rows)); break;
            case ColumnType::Real: c.reals.reserve(size_t(rows)); break;
            case ColumnType::Text:
                c.ends.reserve(size_t(rows));
                // Room for the texts to come at the length of those so far.
                if (!c.ends.empty())
                    c.chars.reserve(c.chars.size() / c.ends.size() * size_t(rows) + 16);
                break;
            case ColumnType::Variant: c.variants.reserve(size_t(rows)); break;
            case ColumnType::Unknown: break;
        }
    }
    capacity_ = rows;
}

// Every column makes room for twice the rows at once, from a few dozen up,
// instead of each vector growing from one value on its own.
void RowSet::grow() {
    constexpr int kFirstRows = 64;
    reserve(capacity_ < kFirstRows ? kFirstRows : capacity_ * 2);
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
        case ColumnType::Text: c.ends.reserve(c.nulls.capacity()), c.ends.resize(before); break;
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
    c.chars = {};
    c.ends = {};
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
        case ColumnType::Text: c.ends.push_back(c.chars.size()); break;
        case ColumnType::Variant: c.variants.emplace_back(); break;
        case ColumnType::Unknown: break;
    }
}

void RowSet::addInteger(int col, qint64 value) {
    if (Column* t = typed(col, ColumnType::Integer)) {
        t->nulls.push_back(false);
        t->numbers.push_back(value);
        return;
    }
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
    if (Column* t = typed(col, ColumnType::Decimal)) {
        t->nulls.push_back(false);
        t->numbers.push_back(value.units());
        return;
    }
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
    if (Column* t = typed(col, ColumnType::Date)) {
        t->nulls.push_back(false);
        t->numbers.push_back(msecsSince1970);
        return;
    }
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

void RowSet::addText(int col, QStringView value) {
    if (Column* t = typed(col, ColumnType::Text)) return appendText(*t, value);
    Column& c = forValue(col, ColumnType::Text);
    if (c.type == ColumnType::Variant) {
        c.nulls.push_back(false);
        c.variants.emplace_back(NonNullText(value));
    } else {
        appendText(c, value);
    }
}

void RowSet::addUtf8(int col, const char* bytes, qsizetype size) {
    Column* t = typed(col, ColumnType::Text);
    if (!t) return addText(col, QString::fromUtf8(bytes, size));
    // Bytes below 0x80 are their own UTF-16 units; any other falls back to Qt's decoding.
    const auto* begin = reinterpret_cast<const unsigned char*>(bytes);
    const auto* end = begin + size;
    unsigned char high = 0;
    for (const auto* b = begin; b != end; ++b) high |= *b;
    if (high >= 0x80) return appendText(*t, QString::fromUtf8(bytes, size));
    t->chars.insert(t->chars.end(), begin, end);
    endText(*t);
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
        case ColumnType::Text: return NonNullText(c.textAt(row));
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
        case ColumnType::Text: return c.trimmedTextAt(r);
        default: return Text(typedValue(c, r)).trimmed();
    }
}

namespace {

int integerTextLength(qint64 n) {
    return (n < 0 ? 1 : 0) + digitCount(n < 0 ? quint64(0) - quint64(n) : quint64(n));
}

int dateTextLength(qint64 ms) {
    const int clock = ms % kMsPerDay == 0 ? 0 : 9;  // " hh:mm:ss"
    if (ms >= kYear1000 && ms < kYear10000) return 10 + clock;
    const QDateTime d = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    const int year = d.date().year();
    const int yearLength = digitCount(quint64(std::abs(year))) + (year < 0 ? 1 : 0);
    return 6 + std::max(4, yearLength) + clock;
}

QStringView trimmedView(QStringView t) {
    qsizetype begin = 0, end = t.size();
    while (begin < end && isBlank(t[begin])) ++begin;
    while (end > begin && isBlank(t[end - 1])) --end;
    return t.sliced(begin, end - begin);
}

// The longest `lengthOfRow` over the non-NULL rows [begin, end) of a column.
template <class Length>
int longest(const RowSet::Column& c, int begin, int end, Length lengthOfRow) {
    int most = 0;
    for (size_t r = size_t(begin); r < size_t(end); ++r)
        if (!c.nulls[r]) most = std::max(most, int(lengthOfRow(r)));
    return most;
}

}  // namespace

int RowSet::textLength(int row, int col) const {
    const Column& c = column(col);
    const size_t r = size_t(row);
    if (c.nulls[r]) return 0;
    switch (c.type) {
        case ColumnType::Integer: return integerTextLength(c.numbers[r]);
        case ColumnType::Decimal:
            if (!c.pattern.isEmpty()) return int(text(row, col).size());
            return decimalTextLength(c.numbers[r]);
        case ColumnType::Date: return dateTextLength(c.numbers[r]);
        case ColumnType::Text: return int(trimmedView(c.textAt(r)).size());
        default: return int(text(row, col).size());
    }
}

int RowSet::maxTextLength(int col, int begin, int end) const {
    const Column& c = column(col);
    switch (c.type) {
        case ColumnType::Integer:
            return longest(c, begin, end,
                           [&](size_t r) { return integerTextLength(c.numbers[r]); });
        case ColumnType::Decimal:
            if (!c.pattern.isEmpty()) break;
            return longest(c, begin, end,
                           [&](size_t r) { return decimalTextLength(c.numbers[r]); });
        case ColumnType::Date:
            return longest(c, begin, end, [&](size_t r) { return dateTextLength(c.numbers[r]); });
        case ColumnType::Text:
            return longest(c, begin, end,
                           [&](size_t r) { return trimmedView(c.textAt(r)).size(); });
        default: break;
    }
    int most = 0;
    for (int r = begin; r < end; ++r) most = std::max(most, textLength(r, col));
    return most;
}

bool RowSet::textIs(int row, int col, QStringView wanted) const {
    const Column& c = column(col);
    const size_t r = size_t(row);
    if (c.type == ColumnType::Text && !c.nulls[r]) return trimmedView(c.textAt(r)) == wanted;
    return text(row, col) == wanted;
}

QString RowSet::Column::trimmedTextAt(size_t row) const {
    return NonNullText(trimmedView(textAt(row)));
}

}  // namespace pcp
