#pragma once
// Run-time errors as the module reports them: a number, the source that raised
// it and a description. Database errors carry the provider's ten-digit
// negative numbers; run-time errors carry the classic small numbers.

#include <QString>
#include <exception>
#include <string>

namespace pcp {

enum ErrorNumber : qint32 {
    kErrOverflow = 6,
    kErrDivisionByZero = 11,
    kErrTypeMismatch = 13,
    kErrObjectRequired = 424,
    kErrInvalidUseOfNull = 94,
    kErrInvalidProcedureCall = 5,
    kErrNoCurrentRecord = 3021,
    kErrCantCreateObject = 429,
    kErrMemberNotFound = 438,
    kErrDbCommand = -2147217900,     // statement rejected by the database
    kErrDbConnection = -2147467259,  // connection failure or unspecified provider error
    kErrDbOperation = -2147217887,   // operation not allowed in this state
    // The module's own: the database file was moved or deleted while the
    // connection had it open, so a write would go nowhere.
    kErrDbFileMoved = 20601,
};

class ModuleError : public std::exception {
  public:
    ModuleError(qint32 number, QString source, QString description)
        : number_(number),
          source_(std::move(source)),
          description_(std::move(description)),
          what_(description_.toStdString()) {}

    qint32 number() const { return number_; }
    const QString& source() const { return source_; }
    const QString& description() const { return description_; }
    // The statement the database refused, for the error log (never shown).
    const QString& statement() const { return statement_; }
    ModuleError& withStatement(QString sql) {
        statement_ = std::move(sql);
        return *this;
    }
    // The database's own error number (SQL Server's 2627, say); empty if none.
    const QString& nativeCode() const { return nativeCode_; }
    ModuleError& withNativeCode(QString code) {
        nativeCode_ = std::move(code);
        return *this;
    }
    const char* what() const noexcept override { return what_.c_str(); }

  private:
    qint32 number_;
    QString source_;
    QString description_;
    QString statement_;
    QString nativeCode_;
    std::string what_;
};

[[noreturn]] inline void raise(qint32 number, const QString& source, const QString& description) {
    throw ModuleError(number, source, description);
}

}  // namespace pcp
