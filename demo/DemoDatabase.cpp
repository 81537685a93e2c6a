#include "demo/DemoDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <limits>

#include "data/Decimal.h"

// Q_INIT_RESOURCE must be used outside any namespace.
static void initDemoResources() {
    Q_INIT_RESOURCE(db);
}

namespace pcp::demo {

namespace {

// name: a script's path in the resources (demo/db.qrc), such as "sqlite/schema.sql".
QString readResource(const QString& name) {
    initDemoResources();
    QFile f(QStringLiteral(":/db/") + name);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

bool isPostgres(QSqlDatabase& db) {
    if (db.driverName() != QStringLiteral("QODBC")) return false;
    QSqlQuery q(db);
    return q.exec(QStringLiteral("SELECT version()")) && q.next() &&
           q.value(0).toString().startsWith(QStringLiteral("PostgreSQL"));
}

// How the demo writes to the database behind a connection: the embedded
// schema keeps dates as 'yyyymmdd' text, PostgreSQL as timestamps, given as
// dates. Amounts and rates go as exact text to both (money()).
struct Target {
    bool postgres = false;

    QString schemaScript() const {
        return postgres ? QStringLiteral("postgresql/schema.sql")
                        : QStringLiteral("sqlite/schema.sql");
    }
    QString dateType() const {
        return postgres ? QStringLiteral("timestamp") : QStringLiteral("DATETEXT");
    }
    QVariant date(const QDate& d) const { return postgres ? QVariant(d) : QVariant(DateText(d)); }
};

Target targetOf(QSqlDatabase& db) {
    return Target{isPostgres(db)};
}

// Every demo voucher header names the same columns; only the values differ.
const QString kHeaderInsertHead = QStringLiteral(
    "INSERT INTO aHqPettyCashPaymentHeader (phPaymentID, phCompanyID, phFinancialID, "
    "phDepartmentID, phPaymentNo, phPaymentdate, phAccountID, phPayee, phReferenceno, "
    "phRemarks, phAmount, phExRate, phDepExRate, phComExRate, phCancel, "
    "phCancelRemarks, phPosted, phUserName) VALUES ");

QString headerInsert(const QString& values) {
    return kHeaderInsertHead + u'(' + values + u')';
}

bool exec(QSqlDatabase& db, const QString& sql, QString* error) {
    QSqlQuery q(db);
    if (q.exec(sql)) return true;
    if (error) *error = q.lastError().text() + QStringLiteral(" in: ") + sql.left(200);
    return false;
}

// Runs a prepared statement with these values bound in order.
bool run(QSqlQuery& q, const QVariantList& values, QString* error) {
    for (const QVariant& v : values) q.addBindValue(v);
    if (q.exec()) return true;
    if (error) *error = q.lastError().text();
    return false;
}

bool runOnce(QSqlDatabase& db, const QString& sql, const QVariantList& values, QString* error) {
    QSqlQuery q(db);
    if (q.prepare(sql)) return run(q, values, error);
    if (error) *error = q.lastError().text() + QStringLiteral(" in: ") + sql.left(200);
    return false;
}

// A value written into a statement's text: a text quoted, a date as a date
// on PostgreSQL (the embedded database's dates come as their text).
QString literal(const QVariant& value) {
    if (value.typeId() == QMetaType::QDate)
        return QStringLiteral("DATE '%1'").arg(value.toDate().toString(Qt::ISODate));
    if (value.typeId() == QMetaType::QString)
        return u'\'' + value.toString().replace(u'\'', QStringLiteral("''")) + u'\'';
    return value.toString();
}

// Inserts rows many to a statement, their values written into its text, so
// that a database server takes a whole batch in one round trip. Bound values
// would cost psqlODBC five times as long, and it refuses a statement with
// some thousands of them. rowMarks is one row's group of values, with a ?
// for each value a row gives.
class BatchInsert {
  public:
    BatchInsert(QSqlDatabase& db, const QString& head, const QString& rowMarks)
        : db_(db), head_(head), rowMarks_(rowMarks) {}

    bool add(const QVariantList& row, QString* error) {
        if (rows_++ > 0) sql_ += u',';
        auto value = row.cbegin();
        for (const QChar c : rowMarks_) {
            if (c == u'?')
                sql_ += literal(*value++);
            else
                sql_ += c;
        }
        return rows_ < kRowsPerStatement || flush(error);
    }

    bool flush(QString* error) {
        if (rows_ == 0) return true;
        const bool ok = exec(db_, head_ + sql_, error);
        sql_.clear();
        rows_ = 0;
        return ok;
    }

  private:
    static constexpr int kRowsPerStatement = 250;
    QSqlDatabase& db_;
    const QString head_;
    const QString rowMarks_;
    QString sql_;
    int rows_ = 0;
};

// A small deterministic generator, so the demo data is the same on every machine.
class Random {
  public:
    explicit Random(quint32 seed) : state_(seed) {}
    quint32 next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    int between(int lo, int hi) { return lo + int(next() % quint32(hi - lo + 1)); }

  private:
    quint32 state_;
};

struct Account {
    int id;
    const char* code;
    int currency;
};

// A decimal constant of the demo, such as u"0.2723".
Decimal decimal(QStringView text) {
    return Decimal::parse(text).value();
}

Decimal rateOf(int currency) {
    switch (currency) {
        case 2: return decimal(u"0.2723");
        case 3: return decimal(u"0.2515");
        default: return Decimal(1);
    }
}

// The amount in the cash account's currency, at three decimals as the module
// keeps it: amount × target rate ÷ source rate in one rounding, as the
// module's ConvertAmount.
Decimal convert(const Decimal& amount, int fromCurrency, int toCurrency) {
    return MulDiv(amount, rateOf(toCurrency), rateOf(fromCurrency), 3);
}

// An amount or a rate as the text a statement takes.
QString money(const Decimal& v) {
    return v.toString();
}

const char* const kPayees[] = {
    "Speedy Couriers",   "Al Madina Stationers", "City Taxi Service",      "Blue Wave Cleaning",
    "Fresh Bakes Cafe",  "Metro Fuel Station",   "Rapid Repairs Workshop", "Office Mart",
    "Karim Electricals", "Desert Water Supply",  "Sunrise Printing Press", "Harbour Parking"};
const char* const kRemarks[] = {"Office supplies for the front desk",
                                "Taxi fares for the bank visit",
                                "Courier of tender documents",
                                "Monthly water delivery",
                                "Refreshments for the client meeting",
                                "Fuel for the site pick-up",
                                "Repair of the meeting room air conditioner",
                                "Printing of delivery notes",
                                "Cleaning materials for the warehouse",
                                "Parking fees for the audit week"};
const char* const kLineTexts[] = {"Printer paper and toner",
                                  "Taxi to the customs office",
                                  "Document courier",
                                  "Bottled water",
                                  "Tea and coffee supplies",
                                  "Diesel for the site van",
                                  "Spare parts",
                                  "Letterheads",
                                  "Floor cleaner",
                                  "Parking tickets"};

struct DepartmentSetup {
    int id;
    const char* prefix;
    int currency;
    QList<int> accounts;
};

}  // namespace

QString DateText(const QDate& d) {
    return d.toString(QStringLiteral("yyyyMMdd"));
}

bool RunScript(QSqlDatabase& db, const QString& script, QString* error) {
    QString current;
    for (const QString& rawLine : script.split(u'\n')) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QStringLiteral("--")) || line.isEmpty()) continue;
        current += rawLine + u'\n';
        if (line.endsWith(u';')) {
            if (!exec(db, current, error)) return false;
            current.clear();
        }
    }
    return current.trimmed().isEmpty() || exec(db, current, error);
}

namespace {

bool createSchema(QSqlDatabase& db, const Target& target, QString* error) {
    return RunScript(db, readResource(target.schemaScript()), error);
}

// The master rows are plain values, the same on both databases; the years
// and the freeze date follow the process date.
bool loadMasterData(QSqlDatabase& db, const Target& target, const QDate& p, QString* error) {
    if (!RunScript(db, readResource(QStringLiteral("sqlite/demo_master.sql")), error)) return false;
    QSqlQuery year(db);
    year.prepare(QStringLiteral("INSERT INTO afinancialyear VALUES (?, ?, ?, ?, ?)"));
    for (const int id : {DemoFacts::kPreviousYear, DemoFacts::kCurrentYear}) {
        const int y = p.year() - DemoFacts::kCurrentYear + id;
        if (!run(year,
                 {id, y, target.date(QDate(y, 1, 1)), target.date(QDate(y, 12, 31)),
                  QStringLiteral("Year %1").arg(y)},
                 error))
            return false;
    }
    return runOnce(db, QStringLiteral("INSERT INTO MiscSettings VALUES (?)"),
                   {target.date(p.addDays(-DemoFacts::kFreezeDaysBack))}, error);
}

bool addDemoVouchers(QSqlDatabase& db, const Target& target, const QDate& p, QString* error) {
    const QList<DepartmentSetup> departments = {
        {1, "ADM/", 1, {201, 202, 203, 205, 207}},
        {2, "OPS/", 1, {201, 202, 204, 206, 207, 208}},
        {3, "PRJ/", 2, {201, 202, 206, 210}},
    };
    const Account cashAccounts[] = {
        {101, "PC01", 1}, {102, "PC02", 1}, {103, "PC03", 2}, {104, "BK01", 1}};
    QHash<int, int> accountCurrency = {{201, 1}, {202, 1}, {203, 1}, {204, 1}, {205, 1},
                                       {206, 2}, {207, 1}, {208, 1}, {210, 3}};
    QHash<int, int> numberOf;     // running voucher number per department
    QHash<int, int> referenceOf;  // running reference number per cash account
    const int startYear = p.year();
    Random rnd(7517);

    QSqlQuery header(db), line(db), journal(db);
    header.prepare(headerInsert(QStringLiteral("?,1,2,?,?,?,?,?,?,?,?,?,?,1,?,?,?,?")));
    line.prepare(
        QStringLiteral("INSERT INTO aHqPettyCashPaymentDetails VALUES (1, 0, ?, ?, ?, ?, ?, ?)"));
    journal.prepare(
        QStringLiteral("INSERT INTO KRVjournalheader (companyid, Type, referenceno, JournalDate, "
                       "Amount, Narration, cancel) "
                       "VALUES (1, ?, ?, ?, ?, ?, ?)"));

    int id = 0;
    for (int daysBack = 50; daysBack >= 0; --daysBack) {
        const QDate date = p.addDays(-daysBack);
        if (date.dayOfWeek() == 5) continue;  // the office is closed on Fridays
        const int perDay = 1 + int(rnd.next() % 2);
        for (int k = 0; k < perDay; ++k) {
            ++id;
            const DepartmentSetup& dep = departments[id % departments.size()];
            const Account& cash =
                cashAccounts[(id % 7 == 0) ? 2 : (id % 3 == 0 ? 1 : (id % 11 == 0 ? 3 : 0))];
            const QString number =
                QString::fromLatin1(dep.prefix) + QString::number(++numberOf[dep.id]);
            const QString reference = QStringLiteral("PCP/%1/%2-%3")
                                          .arg(startYear)
                                          .arg(QString::fromLatin1(cash.code))
                                          .arg(++referenceOf[cash.id], 4, 10, QChar(u'0'));
            const bool cancelled = id % 9 == 0 && daysBack > 1;  // the newest vouchers stand
            const bool posted = !cancelled && daysBack > 7 && id % 4 == 0;
            const int lines = 1 + int(rnd.next() % 3);
            Decimal total;
            for (int n = 1; n <= lines; ++n) {
                const int account = dep.accounts[int(rnd.next() % dep.accounts.size())];
                const Decimal amount = Decimal(rnd.between(500, 45000)) / Decimal(100);
                const int currency = accountCurrency.value(account, 1);
                total += convert(amount, currency, cash.currency);
                const QString text =
                    QString::fromLatin1(kLineTexts[rnd.next() % std::size(kLineTexts)]);
                if (!run(line, {id, n, account, text, money(amount), money(rateOf(currency))},
                         error))
                    return false;
            }
            const QString payee = QString::fromLatin1(kPayees[rnd.next() % std::size(kPayees)]);
            const QString remarks = QString::fromLatin1(kRemarks[rnd.next() % std::size(kRemarks)]);
            if (!run(header,
                     {id, dep.id, number, target.date(date), cash.id, payee, reference, remarks,
                      money(total), money(rateOf(cash.currency)), money(rateOf(dep.currency)),
                      cancelled ? 1 : 0,
                      cancelled ? QStringLiteral("Duplicate of an earlier voucher")
                                : QStringLiteral(""),
                      posted ? 1 : 0,
                      id % 5 == 0 ? QStringLiteral("clerk") : QStringLiteral("admin")},
                     error))
                return false;
            if (posted && !run(journal,
                               {QStringLiteral("HQPCP"), number, target.date(date), money(total),
                                QStringLiteral("Petty cash payment ") + number, 0},
                               error))
                return false;
        }
    }
    // Journal rows that a posting reversal must leave alone: another document
    // type with the same number, and an entry already cancelled.
    return exec(db,
                QStringLiteral(
                    "INSERT INTO KRVjournalheader (companyid, Type, referenceno, JournalDate, "
                    "Amount, "
                    "Narration, cancel) SELECT 1, 'HQPCR', referenceno, JournalDate, Amount, "
                    "'Petty cash receipt', 0 FROM KRVjournalheader WHERE Type = 'HQPCP' "
                    "ORDER BY JournalID LIMIT 3"),
                error) &&
           exec(db,
                QStringLiteral(
                    "INSERT INTO KRVjournalheader (companyid, Type, referenceno, JournalDate, "
                    "Amount, "
                    "Narration, cancel) SELECT 2, Type, referenceno, JournalDate, Amount, "
                    "'Other company', 0 FROM KRVjournalheader WHERE Type = 'HQPCP' "
                    "ORDER BY JournalID LIMIT 2"),
                error);
}

bool addOtherCompanyVouchers(QSqlDatabase& db, const Target& target, const QDate& p,
                             QString* error) {
    QSqlQuery header(db), line(db);
    header.prepare(headerInsert(
        QStringLiteral("?, 2, 2, ?, ?, ?, 301, 'Inland Haulage', ?, 'Warehouse sundries', ?, "
                       "1, 1, 1, 0, '', 0, 'admin'")));
    line.prepare(
        QStringLiteral("INSERT INTO aHqPettyCashPaymentDetails VALUES (2, 0, ?, 1, 401, "
                       "'Packing tape and labels', ?, 1)"));
    for (int i = 1; i <= 6; ++i) {
        const QString number =
            (i % 2 ? QStringLiteral("HO/") : QStringLiteral("WH/")) + QString::number((i + 1) / 2);
        const QString reference =
            QStringLiteral("PCP/%1/PC01-%2").arg(p.year()).arg(i, 4, 10, QChar(u'0'));
        const QString amount = money(decimal(u"25.5") * Decimal(i));
        if (!run(header,
                 {i, i % 2 ? 4 : 5, number, target.date(p.addDays(-3 * i)), reference, amount},
                 error) ||
            !run(line, {i, amount}, error))
            return false;
    }
    return true;
}

bool failWith(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}

bool withDatabase(const QString& path, QString* error,
                  const std::function<bool(QSqlDatabase&)>& work) {
    const QString name = QStringLiteral("pcp-demo-builder");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ok = db.open() ? work(db) : failWith(error, db.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// The date the demo vouchers were made around, so that a later run can show
// them with the process date they were made for.
bool recordMadeFor(QSqlDatabase& db, const Target& target, const QDate& processDate,
                   QString* error) {
    return exec(db,
                QStringLiteral("CREATE TABLE aDemoInfo (MadeFor %1 NOT NULL)")
                    .arg(target.dateType()),
                error) &&
           runOnce(db, QStringLiteral("INSERT INTO aDemoInfo VALUES (?)"),
                   {target.date(processDate)}, error);
}

// The demo's rows after its schema: the master data, the vouchers of both
// companies and the process date they were made for.
bool loadDemo(QSqlDatabase& db, const Target& target, const QDate& processDate, QString* error) {
    return createSchema(db, target, error) && loadMasterData(db, target, processDate, error) &&
           addDemoVouchers(db, target, processDate, error) &&
           addOtherCompanyVouchers(db, target, processDate, error) &&
           recordMadeFor(db, target, processDate, error);
}

// Ends a transaction begun by the caller: commits when the work succeeded,
// else rolls back and keeps the work's error.
bool finish(QSqlDatabase& db, bool ok, QString* error) {
    if (ok && db.commit()) return true;
    if (ok) failWith(error, db.lastError().text());
    db.rollback();
    return false;
}

// Opens the file for reading only without making a -wal or -shm file: a file
// with no -wal file is read as it stands.
QString readingName(const QString& path) {
    const bool immutable = !QFileInfo::exists(path + QStringLiteral("-wal"));
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
           (immutable ? QStringLiteral("?immutable=1") : QStringLiteral("?mode=ro"));
}

// The folder of a new database exists and may be written; else why not.
bool prepareFolder(const QString& path, QString* error) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return failWith(error, QStringLiteral("the folder \"%1\" could not be made.").arg(folder));
    if (!QFileInfo(folder).isWritable())
        return failWith(error, QStringLiteral("the folder \"%1\" may not be written.").arg(folder));
    return true;
}

}  // namespace

bool CreateSchema(QSqlDatabase& db, QString* error) {
    return createSchema(db, targetOf(db), error);
}

bool LoadMasterData(QSqlDatabase& db, const QDate& processDate, QString* error) {
    return loadMasterData(db, targetOf(db), processDate, error);
}

bool AddBulkVouchers(QSqlDatabase& db, int firstId, int count, const QDate& lastDate,
                     QString* error, const BulkLines& shape) {
    const Target target = targetOf(db);
    if (!db.transaction()) return failWith(error, db.lastError().text());
    // A whole rate goes as a number, any other as exact text: one line on the
    // home-currency account 201 writes what the plain vouchers always had.
    const auto rate = [](int currency) -> QVariant {
        const Decimal r = rateOf(currency);
        return r == Decimal(1) ? QVariant(1) : QVariant(money(r));
    };
    BatchInsert headers(
        db, kHeaderInsertHead,
        QStringLiteral("(?,1,2,1,?,?,?,?,?,'Bulk voucher',?,?,1,1,?,'',?,'admin')"));
    BatchInsert lines(db, QStringLiteral("INSERT INTO aHqPettyCashPaymentDetails VALUES "),
                      QStringLiteral("(1, 0, ?, ?, ?, ?, ?, ?)"));
    const int homeAccounts[] = {201, 202, 203, 205, 207};
    const int perVoucher = std::max(1, shape.perVoucher);
    const bool plain = perVoucher == 1 && !shape.foreign;
    int linesLeft = shape.total > 0 ? shape.total : std::numeric_limits<int>::max();
    bool ok = true;
    for (int i = 0; ok && i < count && linesLeft > 0; ++i) {
        const int id = firstId + i;
        const bool dollarFloat = shape.foreign && id % 10 == 0;
        const int cashCurrency = dollarFloat ? 2 : 1;
        const int lineCount = std::min(perVoucher, linesLeft);
        linesLeft -= lineCount;
        // The lines first, for the voucher's total; written after their header.
        QList<QVariantList> voucherLines;
        Decimal total;
        for (int n = 1; n <= lineCount; ++n) {
            int account = plain ? 201 : homeAccounts[(id + n) % std::size(homeAccounts)];
            if (shape.foreign && n == 2 && id % 4 == 0) account = 206;  // US dollars
            if (shape.foreign && n == 3 && id % 6 == 0) account = 210;  // euros
            const int currency = account == 206 ? 2 : account == 210 ? 3 : 1;
            const Decimal amount =
                Decimal(10) + decimal(u"1.25") * Decimal((id + 331 * (n - 1)) % 997);
            total = plain ? amount : total + convert(amount, currency, cashCurrency);
            voucherLines.append(
                {id, n, account,
                 plain ? QStringLiteral("Bulk line")
                       : QString::fromLatin1(kLineTexts[(id + n) % std::size(kLineTexts)]),
                 money(amount), rate(currency)});
        }
        ok = headers.add(
            {id, QStringLiteral("BLK/") + QString::number(id),
             target.date(lastDate.addDays(-((count - i) / 400))), dollarFloat ? 103 : 101,
             QString::fromLatin1(kPayees[id % std::size(kPayees)]),
             QStringLiteral("PCP/%1/PC01-%2").arg(lastDate.year()).arg(id, 4, 10, QChar(u'0')),
             money(total), rate(cashCurrency), id % 13 == 0 ? 1 : 0, id % 7 == 0 ? 1 : 0},
            error);
        for (const QVariantList& line : voucherLines) ok = ok && lines.add(line, error);
    }
    return finish(db, ok && headers.flush(error) && lines.flush(error), error);
}

bool CreateDemoDatabase(const QString& path, const QDate& processDate, QString* error) {
    if (QFileInfo::exists(path))
        return failWith(error, QStringLiteral("the file \"%1\" already exists.").arg(path));
    if (!prepareFolder(path, error)) return false;
    const QString partial = path + QStringLiteral(".building");
    if (QFileInfo::exists(partial) && !QFile::remove(partial))
        return failWith(
            error, QStringLiteral("the unfinished file \"%1\" could not be removed.").arg(partial));
    const bool ok = withDatabase(partial, error, [&](QSqlDatabase& db) {
        return exec(db, QStringLiteral("BEGIN"), error) &&
               loadDemo(db, Target{}, processDate, error) &&
               exec(db, QStringLiteral("COMMIT"), error);
    });
    // Only a complete database takes the real name, so a failed first run
    // never leaves a half-made demo behind.
    QFile built(partial);
    if (ok && built.rename(path)) return true;
    if (ok)
        failWith(error, QStringLiteral("\"%1\" could not be renamed to \"%2\": %3")
                            .arg(partial, path, built.errorString()));
    QFile::remove(partial);
    return false;
}

bool CreatePostgresDemo(QSqlDatabase& db, const QDate& processDate, QString* error) {
    if (!isPostgres(db)) return failWith(error, QStringLiteral("the database is not PostgreSQL."));
    const QStringList tables = db.tables();
    if (!tables.isEmpty())
        return failWith(error, QStringLiteral("the database is not empty: it has the table \"%1\".")
                                   .arg(tables.first()));
    if (!db.transaction()) return failWith(error, db.lastError().text());
    return finish(db, loadDemo(db, Target{true}, processDate, error), error);
}

bool EnsureDemoDatabase(const QString& path, const QDate& processDate, QString* error) {
    if (QFileInfo::exists(path)) return true;
    return CreateDemoDatabase(path, processDate, error);
}

QDate DemoProcessDate(const QString& path) {
    if (!QFileInfo(path).isFile()) return QDate();
    const QString name = QStringLiteral("pcp-demo-reader");
    QDate madeFor;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        db.setDatabaseName(readingName(path));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT MadeFor FROM aDemoInfo")) && q.next())
                madeFor = QDate::fromString(q.value(0).toString().left(8), u"yyyyMMdd");
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return madeFor;
}

}  // namespace pcp::demo
