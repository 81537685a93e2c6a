#include "SqlDriver.h"

#include <sqlite3.h>

#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlResult>

#include "ModuleError.h"
#include "OdbcDriver.h"
#include "Values.h"

namespace pcp {

ConnectionSettings ParseConnectionString(const QString& connectionString) {
    const QString trimmed = connectionString.trimmed();
    QString provider, source;
    for (const QString& part : trimmed.split(u';', Qt::SkipEmptyParts)) {
        const int eq = part.indexOf(u'=');
        if (eq < 0) continue;
        const QString key = part.left(eq).trimmed().toLower();
        const QString value = part.mid(eq + 1).trimmed();
        if (key == u"provider") provider = value.toLower();
        if (key == u"data source") source = value;
    }
    if (provider == u"sqlite") return {QStringLiteral("sqlite"), source};
    if (!trimmed.contains(u'=') &&
        (trimmed.endsWith(u".db") || trimmed.endsWith(u".sqlite") || trimmed == u":memory:"))
        return {QStringLiteral("sqlite"), trimmed};
    return {QStringLiteral("odbc"), trimmed};
}

QString SqliteDateText(const QDateTime& value) {
    if (value.time() == QTime(0, 0)) return value.toString(QStringLiteral("yyyyMMdd"));
    return value.toString(QStringLiteral("yyyyMMdd HH:mm:ss"));
}

QDateTime SqliteDateFromText(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})(?: (\\d{2}):(\\d{2}):(\\d{2}))?$"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return ParseDate(text);
    return MakeDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                    m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
}

// ---------------------------------------------------------------------------
// T-SQL to SQLite rewriting

namespace {

bool isWordStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'@' || c == u'#';
}
bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

class TsqlRewriter {
  public:
    explicit TsqlRewriter(const QString& sql) : s_(sql) {}

    QString run() {
        while (i_ < s_.size()) {
            const QChar c = s_[i_];
            if (c == u'\'') {
                copyLiteral();
            } else if (c == u'(') {
                ++depth_;
                out_ += c;
                ++i_;
            } else if (c == u')') {
                --depth_;
                out_ += c;
                ++i_;
            } else if (isWordStart(c) && (i_ == 0 || !isWordChar(s_[i_ - 1]))) {
                word();
            } else if (c.isDigit() && (i_ == 0 || !isWordChar(s_[i_ - 1]))) {
                number();
            } else {
                out_ += c;
                ++i_;
            }
        }
        if (!limit_.isEmpty()) {
            while (!out_.isEmpty() && (out_.back().isSpace() || out_.back() == u';')) out_.chop(1);
            out_ += QStringLiteral(" LIMIT ") + limit_;
        }
        return out_;
    }

  private:
    void copyLiteral() {
        out_ += s_[i_++];
        while (i_ < s_.size()) {
            out_ += s_[i_];
            if (s_[i_] == u'\'') {
                if (i_ + 1 < s_.size() && s_[i_ + 1] == u'\'') {
                    out_ += s_[++i_];
                } else {
                    ++i_;
                    return;
                }
            }
            ++i_;
        }
    }

    // SQL Server ends a number where its digits end ("2and" is "2 and");
    // SQLite refuses the text, so a blank goes between.
    void number() {
        const int start = i_;
        if (s_[i_] == u'0' && i_ + 1 < s_.size() && (s_[i_ + 1] == u'x' || s_[i_ + 1] == u'X')) {
            i_ += 2;
            while (i_ < s_.size() && isWordChar(s_[i_])) ++i_;
            out_ += s_.mid(start, i_ - start);
            return;
        }
        while (i_ < s_.size() && (s_[i_].isDigit() || s_[i_] == u'.')) ++i_;
        if (i_ < s_.size() && (s_[i_] == u'e' || s_[i_] == u'E')) {
            int j = i_ + 1;
            if (j < s_.size() && (s_[j] == u'+' || s_[j] == u'-')) ++j;
            if (j < s_.size() && s_[j].isDigit()) {
                i_ = j;
                while (i_ < s_.size() && s_[i_].isDigit()) ++i_;
            }
        }
        out_ += s_.mid(start, i_ - start);
        if (i_ < s_.size() && isWordStart(s_[i_])) out_ += u' ';
    }

    int skipSpaces(int j) const {
        while (j < s_.size() && s_[j].isSpace()) ++j;
        return j;
    }

    int readWord(int j, QString& w) const {
        const int start = j;
        while (j < s_.size() && isWordChar(s_[j])) ++j;
        w = s_.mid(start, j - start);
        return j;
    }

    bool followedByParen(int j) const {
        j = skipSpaces(j);
        return j < s_.size() && s_[j] == u'(';
    }

    void word() {
        QString w;
        const int end = readWord(i_, w);
        const QString lw = w.toLower();
        if (lw == u"isnull" && followedByParen(end)) {
            emitWord(QStringLiteral("ifnull"), end);
        } else if ((lw == u"left" || lw == u"right") && followedByParen(end)) {
            emitWord(QStringLiteral("pcp_") + lw, end);
        } else if (lw == u"convert" && followedByParen(end) && rewriteConvert(end)) {
            // rewritten
        } else if (lw == u"top" && depth_ == 0 && limit_.isEmpty() &&
                   (lastWord_ == u"select" || lastWord_ == u"distinct") && rewriteTop(end)) {
            // dropped, LIMIT appended at the end
        } else {
            emitWord(w, end);
        }
    }

    void emitWord(const QString& w, int end) {
        out_ += w;
        lastWord_ = s_.mid(i_, end - i_).toLower();
        i_ = end;
    }

    // convert(int, x) -> pcp_cint(x); convert(varchar(n), x[, style]) -> pcp_cvarchar(x[, style])
    bool rewriteConvert(int end) {
        int j = skipSpaces(end) + 1;  // past '('
        j = skipSpaces(j);
        QString type;
        j = readWord(j, type);
        const QString lt = type.toLower();
        j = skipSpaces(j);
        if (j < s_.size() && s_[j] == u'(') {  // length of the type
            const int close = s_.indexOf(u')', j);
            if (close < 0) return false;
            j = skipSpaces(close + 1);
        }
        if (j >= s_.size() || s_[j] != u',') return false;
        QString fn;
        if (lt == u"int" || lt == u"integer" || lt == u"bigint" || lt == u"smallint")
            fn = QStringLiteral("pcp_cint(");
        else if (lt == u"varchar" || lt == u"nvarchar" || lt == u"char" || lt == u"nchar")
            fn = QStringLiteral("pcp_cvarchar(");
        else
            return false;
        out_ += fn;
        ++depth_;
        lastWord_.clear();
        i_ = j + 1;
        return true;
    }

    bool rewriteTop(int end) {
        int j = skipSpaces(end);
        int k = j;
        while (k < s_.size() && s_[k].isDigit()) ++k;
        if (k == j) return false;
        limit_ = s_.mid(j, k - j);
        i_ = k;
        // swallow the blanks after the count so the select list follows one blank
        while (i_ < s_.size() && s_[i_].isSpace()) ++i_;
        if (!out_.endsWith(u' ')) out_ += u' ';
        lastWord_.clear();
        return true;
    }

    const QString& s_;
    QString out_;
    int i_ = 0;
    int depth_ = 0;
    QString lastWord_;
    QString limit_;
};

// --- functions registered on every SQLite connection -------------------------

QString argText(sqlite3_value* v) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return t ? QString::fromUtf8(t) : QString();
}

void resultText(sqlite3_context* ctx, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void fnLen(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    QString t = argText(argv[0]);
    while (t.endsWith(u' ')) t.chop(1);  // T-SQL's LEN ignores trailing blanks
    sqlite3_result_int(ctx, int(t.size()));
}

void fnLeftRight(sqlite3_context* ctx, int, sqlite3_value** argv, bool left) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const qint64 n = sqlite3_value_int64(argv[1]);
    if (n < 0) {
        const char* msg = left ? "Invalid length parameter passed to the left function."
                               : "Invalid length parameter passed to the right function.";
        return sqlite3_result_error(ctx, msg, -1);
    }
    const QString t = argText(argv[0]);
    resultText(ctx, left ? t.left(n) : t.right(n));
}

void fnLeft(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    fnLeftRight(ctx, argc, argv, true);
}
void fnRight(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    fnLeftRight(ctx, argc, argv, false);
}

void fnConvertInt(sqlite3_context* ctx, int, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL: return sqlite3_result_null(ctx);
        case SQLITE_INTEGER: return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
        case SQLITE_FLOAT: return sqlite3_result_int64(ctx, qint64(sqlite3_value_double(argv[0])));
        default: {
            const QString t = argText(argv[0]).trimmed();
            static const QRegularExpression re(QStringLiteral("^[+-]?\\d+$"));
            if (t.isEmpty()) return sqlite3_result_int(ctx, 0);
            if (!re.match(t).hasMatch()) {
                const QByteArray msg = QStringLiteral(
                                           "Conversion failed when converting the varchar value "
                                           "'%1' to data type int.")
                                           .arg(argText(argv[0]))
                                           .toUtf8();
                return sqlite3_result_error(ctx, msg.constData(), int(msg.size()));
            }
            bool ok = false;
            const qint64 v = t.toLongLong(&ok);
            if (!ok || v > 2147483647LL || v < -2147483648LL)
                return sqlite3_result_error(
                    ctx, "Arithmetic overflow error converting expression to data type int.", -1);
            return sqlite3_result_int64(ctx, v);
        }
    }
}

void fnConvertVarchar(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) return sqlite3_result_null(ctx);
    const QString t = argText(argv[0]);
    if (type == SQLITE_TEXT && argc >= 2) {
        const QDateTime d = SqliteDateFromText(t);
        const int style = sqlite3_value_int(argv[1]);
        if (d.isValid()) {
            if (style == 103) return resultText(ctx, d.toString(QStringLiteral("dd/MM/yyyy")));
            if (style == 105) return resultText(ctx, d.toString(QStringLiteral("dd-MM-yyyy")));
            if (style == 112) return resultText(ctx, d.toString(QStringLiteral("yyyyMMdd")));
        }
    }
    if (type == SQLITE_FLOAT) return resultText(ctx, NumberText(sqlite3_value_double(argv[0])));
    resultText(ctx, t);
}

void fnGetDate(sqlite3_context* ctx, int, sqlite3_value**) {
    resultText(ctx, SqliteDateText(Now()));
}

void registerFunctions(sqlite3* handle) {
    struct Fn {
        const char* name;
        int argc;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    };
    const Fn fns[] = {{"len", 1, fnLen},
                      {"pcp_left", 2, fnLeft},
                      {"pcp_right", 2, fnRight},
                      {"pcp_cint", 1, fnConvertInt},
                      {"pcp_cvarchar", 1, fnConvertVarchar},
                      {"pcp_cvarchar", 2, fnConvertVarchar},
                      {"getdate", 0, fnGetDate}};
    for (const Fn& f : fns)
        sqlite3_create_function_v2(handle, f.name, f.argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                   nullptr, f.fn, nullptr, nullptr, nullptr);
}

void execOrThrow(QSqlDatabase& db, const QString& sql, const QString& source) {
    QSqlQuery q(db);
    if (!q.exec(sql)) raise(kErrDbCommand, source, q.lastError().text());
}

// ---------------------------------------------------------------------------

class SqliteDriver final : public SqlDriver {
  public:
    SqliteDriver() : SqlDriver(MakeSqliteDialect()) {}
    QString name() const override { return QStringLiteral("SQLite"); }
    QString qtDriverName() const override { return QStringLiteral("QSQLITE"); }

    void configure(QSqlDatabase& db, const ConnectionSettings& settings) const override {
        db.setDatabaseName(settings.dataSource);
        // Several workstations may share one file: wait for a writer instead of failing.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    }

    void prepareOpened(QSqlDatabase& db) override {
        const QVariant handle = db.driver()->handle();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
            raise(kErrDbConnection, name(), QStringLiteral("No SQLite handle"));
        registerFunctions(*static_cast<sqlite3* const*>(handle.constData()));
        dialect_->prepare(db, name());
    }

    QVector<bool> dateColumns(const QSqlQuery& query, int fieldCount) const override {
        QVector<bool> dates(fieldCount, false);
        const QVariant h = query.result() ? query.result()->handle() : QVariant();
        if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3_stmt*") != 0) return dates;
        sqlite3_stmt* stmt = *static_cast<sqlite3_stmt* const*>(h.constData());
        if (!stmt) return dates;
        const QByteArray dateType = dialect_->dateTextType();
        for (int i = 0; i < fieldCount && i < sqlite3_column_count(stmt); ++i) {
            const char* decl = sqlite3_column_decltype(stmt, i);
            dates[i] = decl && qstricmp(decl, dateType.constData()) == 0;
        }
        return dates;
    }
};

}  // namespace

QString TranslateTsqlToSqlite(const QString& tsql) {
    return TsqlRewriter(tsql).run();
}

QVariant SqlDriver::read(const QSqlQuery& query, int column, bool) const {
    return query.isNull(column) ? QVariant() : query.value(column);
}

// A dialect with a begin statement ends its transactions with statements too;
// otherwise the connection's own transaction calls do the work.
void SqlDriver::beginTransaction(QSqlDatabase& db) const {
    const QString begin = dialect_->beginStatement();
    if (!begin.isEmpty()) return execOrThrow(db, begin, name());
    if (!db.transaction()) raise(kErrDbOperation, name(), db.lastError().text());
}

void SqlDriver::commitTransaction(QSqlDatabase& db) const {
    endTransaction(db, true);
}

void SqlDriver::rollbackTransaction(QSqlDatabase& db) const {
    endTransaction(db, false);
}

void SqlDriver::endTransaction(QSqlDatabase& db, bool commit) const {
    if (!dialect_->beginStatement().isEmpty())
        return execOrThrow(db, commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"),
                           name());
    if (!(commit ? db.commit() : db.rollback()))
        raise(kErrDbOperation, name(), db.lastError().text());
}

std::unique_ptr<SqlDriver> SqlDriver::create(const ConnectionSettings& settings) {
    if (settings.provider == u"sqlite") return std::make_unique<SqliteDriver>();
    return MakeOdbcDriver();
}

}  // namespace pcp
