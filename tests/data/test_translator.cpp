// The T-SQL translator of the embedded database: the text it writes, what it
// refuses, and what translated statements return on a real SQLite database.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "data/AdoRecordset.h"
#include "data/SqlDriver.h"
#include "data/Values.h"
#include "tests/support/Fixtures.h"

using namespace pcp;

namespace {

using Translate = QString (*)(const QString&);

// The description of the error the translation raises; empty when it translates.
QString refusal(Translate translate, const char* source, const QString& tsql) {
    try {
        translate(tsql);
    } catch (const ModuleError& e) {
        EXPECT_EQ(e.number(), kErrDbCommand);
        EXPECT_EQ(e.source(), source) << tsql.toStdString();
        return e.description();
    }
    return QString();
}

}  // namespace

// One T-SQL text and what each database is sent; nullptr where a case does not concern it.
TEST(TranslatorText, EachDatabaseGetsItsOwnText) {
    struct Case {
        const char *tsql, *sqlite, *postgres;
    };
    const Case cases[] = {
        {"select isnull(a,0) from t where b='isnull(x)'",
         "select ifnull(a,0) from t where b='isnull(x)'",
         "select coalesce(a,0) from t where b='isnull(x)'"},
        {"select left(phPaymentNo,3), right(x ,2) from t left outer join u on 1=1",
         "select pcp_left(phPaymentNo,3), pcp_right(x ,2) from t left outer join u on 1=1",
         "select left(phPaymentNo,3), right(x ,2) from t left outer join u on 1=1"},
        {"select max(convert(int,right(n,len(n)-3))) from t",
         "select max(pcp_cint(pcp_right(n,len(n)-3))) from t",
         "select max(cast(right(n,length(rtrim(n))-3) as integer)) from t"},
        {"select a from t where convert(varchar(20),d,103) like '%12/03%'",
         "select a from t where pcp_cvarchar(d,103,20) like '%12/03%'",
         "select a from t where cast(to_char(d, 'DD/MM/YYYY') as varchar(20)) ILIKE '%12/03%' "
         "COLLATE \"default\""},
        {" select Top 1000 a, b from t where x='it''s top 5' order by a desc",
         " select a, b from t where x='it''s top 5' order by a desc LIMIT 1000",
         " select a, b from t where x='it''s top 5' order by a desc LIMIT 1000"},
        // a number running into a keyword, as the search builds it; literals, decimals and
        // exponents untouched
        {"select col2 from t where f = 2and x='2and' and y=1.5 and z=1e3 and h=0x1F",
         "select col2 from t where f = 2 and x='2and' and y=1.5 and z=1e3 and h=0x1F",
         "select col2 from t where f = 2 and x='2and' and y=1.5 and z=1e3 and h=0x1F"},
        {"select [1stCol], \"2nd Top\", [a]]b], \"Q\"\"t\" from [dbo].[T] where a = N'Ünïcode'",
         "select [1stCol], \"2nd Top\", \"a]b\", \"Q\"\"t\" from [dbo].[T] where a = 'Ünïcode'",
         "select \"1stcol\", \"2nd top\", \"a]b\", \"q\"\"t\" from \"dbo\".\"t\" where a = "
         "'Ünïcode'"},
        {"select top 1 a from t where a in (select TOP (2) b from u order by b) order by a -- "
         "new\n",
         "select a from t where a in (select b from u order by b LIMIT (2)) order by a LIMIT 1",
         "select a from t where a in (select b from u order by b LIMIT (2)) order by a LIMIT 1"},
        {"select distinct top 3 a from t; select b from u",
         "select distinct a from t LIMIT 3; select b from u",
         "select distinct a from t LIMIT 3; select b from u"},
        {"select 'a' + 'b', left(x,1) + isnull(N'c', y), n + 1, 'PCP/' + no from t",
         "select 'a' || 'b', pcp_left(x,1) || ifnull('c', y), n + 1, pcp_add('PCP/', no) from t",
         "select 'a' || 'b', left(x,1) || coalesce('c', y), n + 1, 'PCP/' || no from t"},
        {"select convert(varchar(10), d, 103) + ' ' + convert(char, n)",
         "select pcp_cvarchar(d,103,10) || ' ' || pcp_cchar(n,NULL,30)",
         "select cast(to_char(d, 'DD/MM/YYYY') as varchar(10)) || ' ' || cast(n as char(30))"},
        {"select code + ' ' + name from t", "select pcp_add(pcp_add(code, ' '), name) from t",
         "select code || ' ' || name from t"},
        {"select a & b + c, 'x' + a - b, a ^ b from t where a !< b",
         "select (a & b) + c, pcp_add('x', a) - b, a ^ b from t where a !< b",
         "select (a & b) + c, ('x' || a) - b, a # b from t where a >= b"},
        {"select a from t where b like '%[_]%' and c not like 'a\\b' and d like 'x!%' escape '!'",
         "select a from t where b like '%\\_%' escape '\\' and c not like 'a\\b' and d like 'x!%' "
         "escape '!'",
         "select a from t where b ILIKE '%\\_%' COLLATE \"default\" escape '\\' and c not ILIKE "
         "'a\\\\b' COLLATE \"default\" escape '\\' and d ILIKE 'x!%' COLLATE \"default\" escape "
         "'!'"},
        {"select convert(int, 2.7), cast('12' as tinyint), convert(bigint, a), "
         "convert(decimal(18,2), a), cast(a as numeric)",
         nullptr,
         "select cast(trunc(2.7) as integer), cast('12' as smallint), cast(trunc(cast(a as "
         "numeric)) as bigint), cast(a as numeric(18,2)), cast(a as numeric(18,0))"},
        {"select convert(datetime, '21-11-2026', 105), convert(date, d), cast(d as datetime), "
         "convert(char(12), getdate(), 112), len(x), char(65)",
         nullptr,
         "select cast(to_date('21-11-2026', 'DD-MM-YYYY') as timestamp), cast(cast(d as date) as "
         "timestamp), cast(d as timestamp), cast(to_char(localtimestamp, 'YYYYMMDD') as char(12)), "
         "length(rtrim(x)), chr(65)"},
    };
    for (const Case& c : cases) {
        if (c.sqlite) {
            EXPECT_EQ(TranslateTsqlToSqlite(c.tsql), c.sqlite) << c.tsql;
        }
        if (c.postgres) {
            EXPECT_EQ(TranslateTsqlToPostgres(c.tsql), c.postgres) << c.tsql;
        }
    }
}

TEST(TranslatorRefuses, WhatWouldChangeMeaningAndNamesIt) {
    struct Case {
        const char *sql, *construct;
        bool onSqlite = true;  // PostgreSQL refuses every case
    };
    const Case cases[] = {
        {"select top 5 percent a from t", "TOP 5 PERCENT"},
        {"select top (5) with ties a from t order by a", "TOP (5) WITH TIES"},
        {"select top 1 a from t union select b from u", "TOP in a statement with a second SELECT"},
        {"update top (1) t set a = 1", "TOP outside"},
        {"select a from t where b like '[a-z]%'", "[a-z]"},
        {"select a from t where b like '%[^x]'", "[^x]"},
        {"select convert(float, a) from t", "convert to float"},
        {"select cast(a as money) from t", "convert to money"},
        {"select convert(varchar(10), d, 101) from t", "style 101"},
        {"select a from t where d > getdate() - 30", "date arithmetic"},
        {"select a from t where b like '%' + c", "a LIKE pattern computed at run time ('%' + c)",
         false},
        {"select convert(varchar(10), getdate())", "convert of a date to varchar without a style",
         false},
    };
    for (const Case& c : cases) {
        const QString onSqlite = refusal(TranslateTsqlToSqlite, "SQLite", c.sql);
        const QString onPostgres = refusal(TranslateTsqlToPostgres, "PostgreSQL", c.sql);
        EXPECT_EQ(onSqlite.isEmpty(), !c.onSqlite) << c.sql;
        EXPECT_TRUE(!c.onSqlite ||
                    onSqlite.startsWith("The statement cannot run on the embedded database: "))
            << c.sql;
        EXPECT_TRUE(onPostgres.startsWith("The statement cannot run on PostgreSQL: ")) << c.sql;
        for (const QString& why : {onSqlite, onPostgres})
            EXPECT_TRUE(why.isEmpty() || why.contains(c.construct))
                << c.sql << " -> " << why.toStdString();
    }
    EXPECT_TRUE(refusal(TranslateTsqlToSqlite, "SQLite", "select a from t where b = 'it''s")
                    .startsWith("Unclosed quotation mark"));
    EXPECT_TRUE(
        refusal(TranslateTsqlToPostgres, "PostgreSQL", "select a /* open").contains("end comment"));
}

// A few payments on an in-memory database opened as the module opens one.
class OnSqlite : public ::testing::Test {
  protected:
    void SetUp() override {
        con_.Open("Provider=SQLite;Data Source=:memory:");
        con_.Execute(
            "create table pay (id INTEGER PRIMARY KEY, payee VARCHAR(50) COLLATE NOCASE, "
            "amount NUMERIC(18,3), paid DATETEXT)");
        con_.Execute(
            "insert into pay values (1, 'A_B', 2.675, '20261120'), "
            "(2, 'A%B', 10, '20261120 09:30:00'), (3, 'A[B', -2.675, '20261121'), "
            "(4, 'AxB', 1, '20261122')");
    }

    QList<QStringList> rows(const QString& sql) {
        AdoRecordset rs;
        rs.Open(sql, &con_, adOpenStatic, adLockReadOnly);
        QList<QStringList> out;
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList row;
            for (int i = 0; i < rs.FieldCount(); ++i) row << Text(rs.Fields(i));
            out << row;
        }
        return out;
    }
    QString value(const QString& sql) { return rows(sql).value(0).value(0); }
    QList<int> ids(const QString& where) {
        QList<int> out;
        for (const auto& r : rows("select id from pay where " + where + " order by id"))
            out << r[0].toInt();
        return out;
    }

    AdoConnection con_;
};

TEST_F(OnSqlite, CommentsChangeNothing) {
    EXPECT_EQ(ids("id = 2 -- the payee's name\n and isnull(amount, 0) > 0"), QList<int>{2});
    EXPECT_EQ(rows("select Top 1 id from pay order by id desc -- newest first"),
              (QList<QStringList>{QStringList{"4"}}));
    EXPECT_EQ(ids("id /* top 1 */ <= 2"), (QList<int>{1, 2}));
}

TEST_F(OnSqlite, TopInParenthesesAndSubqueries) {
    EXPECT_EQ(rows("select TOP (2) id from pay order by id").size(), 2);
    EXPECT_EQ(ids("id in (select top 2 id from pay order by id desc)"), (QList<int>{3, 4}));
    EXPECT_EQ(value("select (select top 1 payee from pay order by id desc)"), "AxB");
}

TEST_F(OnSqlite, BracketNamesAndUnicodeLiterals) {
    con_.Execute("create table [1stTable] ([1stCol] int)");
    con_.Execute("insert into [1stTable] ([1stCol]) values (7)");
    EXPECT_EQ(value("select [1stCol] from [1stTable]"), "7");
    EXPECT_EQ(value("select name from pragma_table_info('1stTable')"), "1stCol");
    con_.Execute("insert into pay (id, payee) values (9, N'Ünïcode')");
    EXPECT_EQ(ids("payee = N'Ünïcode'"), QList<int>{9});
}

TEST_F(OnSqlite, ConvertToDecimalRoundsInDecimal) {
    EXPECT_EQ(value("select convert(decimal(18,2), 2.675)"), "2.68");
    EXPECT_EQ(value("select convert(decimal(18,2), amount) from pay where id = 3"), "-2.68");
    EXPECT_EQ(value("select cast('2.675' as numeric(18,2))"), "2.68");
    EXPECT_EQ(value("select convert(decimal(18,0), 2.5)"), "3");
    EXPECT_EQ(ids("convert(decimal(18,2), amount) = 2.68"), QList<int>{1});
    EXPECT_THROW(value("select convert(decimal(4,2), 123.4)"), ModuleError);  // overflow
}

TEST_F(OnSqlite, ConvertToDatetimeGivesTheStoredForm) {
    EXPECT_EQ(ids("paid = convert(datetime, '20/11/2026', 103)"), QList<int>{1});
    EXPECT_EQ(ids("paid = convert(datetime, '2026-11-20 09:30:00')"), QList<int>{2});
    EXPECT_EQ(value("select convert(varchar(8), convert(datetime, '21-11-2026', 105), 112)"),
              "20261121");
    EXPECT_THROW(value("select convert(datetime, '11/20/2026')"), ModuleError);  // needs a style
}

TEST_F(OnSqlite, PlusJoinsTextsAndAddsNumbers) {
    EXPECT_EQ(value("select 'a' + 'b'"), "ab");
    EXPECT_EQ(value("select 'No. ' + payee from pay where id = 4"), "No. AxB");
    EXPECT_EQ(value("select amount + 1 from pay where id = 2"), "11");
    EXPECT_EQ(value("select '5' + 1"), "6");
}

TEST_F(OnSqlite, LikeBracketEscapesMatchOnlyTheCharacter) {
    EXPECT_EQ(ids("payee like '%[_]%'"), QList<int>{1});
    EXPECT_EQ(ids("payee like '%[%]%'"), QList<int>{2});
    EXPECT_EQ(ids("payee like '%[[]%'"), QList<int>{3});
    EXPECT_EQ(ids("payee not like 'A[_]%'"), (QList<int>{2, 3, 4}));
    EXPECT_EQ(ids("payee like 'a_b'"), (QList<int>{1, 2, 3, 4}));   // still a wildcard
    EXPECT_EQ(ids("payee like '%' + '[%]' + '%'"), QList<int>{2});  // built at run time
    EXPECT_THROW(ids("payee like '[a-z]%'"), ModuleError);
}

TEST(SqliteExtension, LoadsIntoPlainSqlite) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    sqlite3_enable_load_extension(db, 1);
    char* error = nullptr;
    ASSERT_EQ(sqlite3_load_extension(db, PCP_SQLITE_EXTENSION_FILE, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "select len('ab  '), pcp_cdecimal(2.675, 18, 2)", -1, &stmt,
                                 nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 2);
    EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))),
              "2.68");
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}
