#pragma once
// The formula language of report definitions and of the selection formula:
//
//   {view.column} or {column}   a column of the report's data
//   {?name}                     a parameter field
//   {@name}                     a formula field of the definition
//   {#page}, {#pages}           the page number and count (page bands only)
//   12, 12.5, 'text', "text"    literals (a quote is doubled inside its text)
//   + - * /                     arithmetic on exact decimals; + also joins texts
//   = <> < > <= >=              comparisons (texts without regard to case)
//   and, or, not, ( )           logic
//   isnull(x), true, false
//
// A selection formula goes to the database as a where clause; the formulas of
// a definition are evaluated on each row as the report is laid out.

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace pcp {

struct ReportName {
    enum Kind { Column, Parameter, Formula, Page } kind = Column;
    QString table;  // the view a column is qualified with, if any
    QString name;
    QString written() const;  // as in a formula: {table.name}, {?name}, {@name}, {#page}
};

// Where a formula finds the values of the names it uses.
class ReportScope {
  public:
    virtual ~ReportScope() = default;
    virtual QVariant value(const ReportName& name) const = 0;
};

class ReportFormula {
  public:
    struct Node;

    ReportFormula() = default;
    // Raises kErrReportFormula saying what could not be read and where.
    static ReportFormula parse(const QString& text);

    bool isEmpty() const { return !root_; }
    const QString& text() const { return text_; }
    // Every name it uses, in the order written.
    const std::vector<ReportName>& names() const { return names_; }

    // The condition as a where clause on `view` (SQL Server dialect). Only
    // columns of that view may appear, and the formula must be a condition;
    // anything else raises kErrReportFormula.
    QString toSql(const QString& view) const;

    QVariant evaluate(const ReportScope& scope) const;
    // True only when the formula gives true (a null value is not true).
    bool test(const ReportScope& scope) const;

  private:
    QString text_;
    std::shared_ptr<const Node> root_;
    std::vector<ReportName> names_;
};

}  // namespace pcp
