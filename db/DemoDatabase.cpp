#include "DemoDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>
#include <cmath>
#include <functional>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initDemoResources() {
    Q_INIT_RESOURCE(db);
}

namespace pcp::demo {

namespace {

QString readResource(const QString& name) {
    initDemoResources();
    QFile f(QStringLiteral(":/db/sqlite/") + name);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

// Every demo voucher header names the same columns; only the values differ.
QString headerInsert(const QString& values) {
    return QStringLiteral(
               "INSERT INTO aHqPettyCashPaymentHeader (phPaymentID, phCompanyID, phFinancialID, "
               "phDepartmentID, phPaymentNo, phPaymentdate, phAccountID, phPayee, phReferenceno, "
               "phRemarks, phAmount, phExRate, phDepExRate, phComExRate, phCancel, "
               "phCancelRemarks, phPosted, phUserName) VALUES (") +
           values + QLatin1Char(')');
}

bool exec(QSqlDatabase& db, const QString& sql, QString* error) {
    QSqlQuery q(db);
    if (q.exec(sql)) return true;
    if (error) *error = q.lastError().text() + QStringLiteral(" in: ") + sql.left(200);
    return false;
}

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

double rateOf(int currency) {
    switch (currency) {
        case 2: return 0.2723;
        case 3: return 0.2515;
        default: return 1.0;
    }
}

// The amount in the cash account's currency, at three decimals as the module keeps it.
double convert(double amount, int fromCurrency, int toCurrency) {
    const double v = amount / rateOf(fromCurrency) * rateOf(toCurrency);
    return std::round(v * 1000.0) / 1000.0;
}

QString money(double v) {
    return QString::number(v, 'f', 3);
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

bool CreateSchema(QSqlDatabase& db, QString* error) {
    return RunScript(db, readResource(QStringLiteral("schema.sql")), error);
}

bool LoadMasterData(QSqlDatabase& db, const QDate& p, QString* error) {
    if (!RunScript(db, readResource(QStringLiteral("demo_master.sql")), error)) return false;
    const int year = p.year();
    const QStringList rows = {
        QStringLiteral(
            "INSERT INTO afinancialyear VALUES (1, %1, '%1' || '0101', '%1' || '1231', 'Year %1')")
            .arg(year - 1),
        QStringLiteral(
            "INSERT INTO afinancialyear VALUES (2, %1, '%1' || '0101', '%1' || '1231', 'Year %1')")
            .arg(year),
        QStringLiteral("INSERT INTO MiscSettings VALUES ('%1')")
            .arg(DateText(p.addDays(-DemoFacts::kFreezeDaysBack))),
    };
    for (const QString& r : rows)
        if (!exec(db, r, error)) return false;
    return true;
}

namespace {

bool addDemoVouchers(QSqlDatabase& db, const QDate& p, QString* error) {
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
            double total = 0;
            for (int n = 1; n <= lines; ++n) {
                const int account = dep.accounts[int(rnd.next() % dep.accounts.size())];
                const double amount = rnd.between(500, 45000) / 100.0;
                const int currency = accountCurrency.value(account, 1);
                total += convert(amount, currency, cash.currency);
                line.addBindValue(id);
                line.addBindValue(n);
                line.addBindValue(account);
                line.addBindValue(
                    QString::fromLatin1(kLineTexts[rnd.next() % std::size(kLineTexts)]));
                line.addBindValue(money(amount));
                line.addBindValue(rateOf(currency));
                if (!line.exec()) {
                    if (error) *error = line.lastError().text();
                    return false;
                }
            }
            total = std::round(total * 1000.0) / 1000.0;
            header.addBindValue(id);
            header.addBindValue(dep.id);
            header.addBindValue(number);
            header.addBindValue(DateText(date));
            header.addBindValue(cash.id);
            header.addBindValue(QString::fromLatin1(kPayees[rnd.next() % std::size(kPayees)]));
            header.addBindValue(reference);
            header.addBindValue(QString::fromLatin1(kRemarks[rnd.next() % std::size(kRemarks)]));
            header.addBindValue(money(total));
            header.addBindValue(rateOf(cash.currency));
            header.addBindValue(rateOf(dep.currency));
            header.addBindValue(cancelled ? 1 : 0);
            header.addBindValue(cancelled ? QStringLiteral("Duplicate of an earlier voucher")
                                          : QString(""));
            header.addBindValue(posted ? 1 : 0);
            header.addBindValue(id % 5 == 0 ? QStringLiteral("clerk") : QStringLiteral("admin"));
            if (!header.exec()) {
                if (error) *error = header.lastError().text();
                return false;
            }
            if (posted) {
                journal.addBindValue(QStringLiteral("HQPCP"));
                journal.addBindValue(number);
                journal.addBindValue(DateText(date));
                journal.addBindValue(money(total));
                journal.addBindValue(QStringLiteral("Petty cash payment ") + number);
                journal.addBindValue(0);
                if (!journal.exec()) {
                    if (error) *error = journal.lastError().text();
                    return false;
                }
            }
        }
    }
    // Journal rows that a posting reversal must leave alone: another document
    // type with the same number, and an entry already cancelled.
    return exec(db,
                QStringLiteral(
                    "INSERT INTO KRVjournalheader (companyid, Type, referenceno, JournalDate, "
                    "Amount, "
                    "Narration, cancel) SELECT 1, 'HQPCR', referenceno, JournalDate, Amount, "
                    "'Petty cash receipt', 0 FROM KRVjournalheader WHERE Type = 'HQPCP' LIMIT 3"),
                error) &&
           exec(db,
                QStringLiteral(
                    "INSERT INTO KRVjournalheader (companyid, Type, referenceno, JournalDate, "
                    "Amount, "
                    "Narration, cancel) SELECT 2, Type, referenceno, JournalDate, Amount, "
                    "'Other company', 0 FROM KRVjournalheader WHERE Type = 'HQPCP' LIMIT 2"),
                error);
}

bool addOtherCompanyVouchers(QSqlDatabase& db, const QDate& p, QString* error) {
    for (int i = 1; i <= 6; ++i) {
        const QDate date = p.addDays(-3 * i);
        const QString sql =
            headerInsert(
                QStringLiteral(
                    "%1, 2, 2, %2, '%3', '%4', 301, 'Inland Haulage', "
                    "'PCP/%5/PC01-%6', 'Warehouse sundries', %7, 1, 1, 1, 0, '', 0, 'admin'"))
                .arg(i)
                .arg(i % 2 ? 4 : 5)
                .arg((i % 2 ? QStringLiteral("HO/") : QStringLiteral("WH/")) +
                     QString::number((i + 1) / 2))
                .arg(DateText(date))
                .arg(p.year())
                .arg(i, 4, 10, QChar(u'0'))
                .arg(25.5 * i);
        if (!exec(db, sql, error)) return false;
        if (!exec(db,
                  QStringLiteral("INSERT INTO aHqPettyCashPaymentDetails VALUES (2, 0, %1, 1, 401, "
                                 "'Packing tape and labels', %2, 1)")
                      .arg(i)
                      .arg(25.5 * i),
                  error))
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
bool recordMadeFor(QSqlDatabase& db, const QDate& processDate, QString* error) {
    return exec(db, QStringLiteral("CREATE TABLE aDemoInfo (MadeFor DATETEXT NOT NULL)"), error) &&
           exec(db,
                QStringLiteral("INSERT INTO aDemoInfo VALUES ('%1')").arg(DateText(processDate)),
                error);
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

bool AddBulkVouchers(QSqlDatabase& db, int firstId, int count, const QDate& lastDate,
                     QString* error) {
    if (!exec(db, QStringLiteral("BEGIN"), error)) return false;
    QSqlQuery header(db), line(db);
    header.prepare(
        headerInsert(QStringLiteral("?,1,2,1,?,?,101,?,?,'Bulk voucher',?,1,1,1,?,'',?,'admin'")));
    line.prepare(QStringLiteral(
        "INSERT INTO aHqPettyCashPaymentDetails VALUES (1, 0, ?, 1, 201, 'Bulk line', ?, 1)"));
    for (int i = 0; i < count; ++i) {
        const int id = firstId + i;
        const double amount = 10.0 + (id % 997) * 1.25;
        header.addBindValue(id);
        header.addBindValue(QStringLiteral("BLK/") + QString::number(id));
        header.addBindValue(DateText(lastDate.addDays(-((count - i) / 400))));
        header.addBindValue(QString::fromLatin1(kPayees[id % std::size(kPayees)]));
        header.addBindValue(
            QStringLiteral("PCP/%1/PC01-%2").arg(lastDate.year()).arg(id, 4, 10, QChar(u'0')));
        header.addBindValue(money(amount));
        header.addBindValue(id % 13 == 0 ? 1 : 0);
        header.addBindValue(id % 7 == 0 ? 1 : 0);
        line.addBindValue(id);
        line.addBindValue(money(amount));
        if (!header.exec() || !line.exec()) {
            if (error) *error = header.lastError().text() + line.lastError().text();
            exec(db, QStringLiteral("ROLLBACK"), nullptr);
            return false;
        }
    }
    return exec(db, QStringLiteral("COMMIT"), error);
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
        return exec(db, QStringLiteral("BEGIN"), error) && CreateSchema(db, error) &&
               LoadMasterData(db, processDate, error) && addDemoVouchers(db, processDate, error) &&
               addOtherCompanyVouchers(db, processDate, error) &&
               recordMadeFor(db, processDate, error) && exec(db, QStringLiteral("COMMIT"), error);
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
