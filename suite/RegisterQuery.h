#pragma once
// The register's statement as a value: its select list, table, conditions
// and order kept apart, so that a search, the window of days and the refresh
// of one voucher's row are each made from the parts, never by cutting a
// statement's text (a searched text may well hold "where" or "order by").
// The rendered text is GStrSql, exactly as the register has always sent it.

#include <QString>
#include <QStringList>

namespace pcp {

struct RegisterQuery {
    QString select;          // " select … From " up to the table name
    QString table;           // the voucher table
    QString gap;             // what stands between the table and its conditions
    QStringList conditions;  // each with its own joining word: " where …", " and …"
    QString order;           // " order by …", or empty

    // The statement as sent.
    QString sql() const;
    // The same rows narrowed to those of the condition, in no order (the
    // refresh of the rows a command changed).
    RegisterQuery narrowedTo(const QString& condition) const;
    // The voucher's row of the company, whatever the conditions of this
    // statement leave out (a saved voucher shows where the clerk is).
    RegisterQuery voucherOf(qint32 companyId, qint32 paymentId) const;
    // A statement the module did not build (a host's own, or one that
    // cannot run): it has no parts of its own.
    static RegisterQuery Verbatim(const QString& sql);
    bool verbatim() const { return table.isEmpty(); }
    // The register's columns of the company's vouchers, whatever filled the
    // grid: the statement a row is read with when the grid's own has no parts.
    // With `top`, only that many (the newest first, as the order says).
    static RegisterQuery Vouchers(qint32 companyId, int top = 0);
};

}  // namespace pcp
