#pragma once
// The float of a cash account (its imprest) and the cash counts against it,
// without any window. A count compares the cash in the box with the float
// less the standing vouchers that no count covers yet; the vouchers it
// covers are closed from then on, and the replenishment it asks for brings
// the box back to the float: float less cash counted. Every amount is in the
// cash account's currency, exact.
//
// The tables are the module's own (aPCFloat, aPCCashCount and their
// details). A database without them runs the rest of the module: every
// command here then refuses with the tables missing and the script that
// installs them, and no voucher is ever closed.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "data/Decimal.h"
#include "store/StoreOutcome.h"

namespace pcp::CashCount {

// The tables this needs that the database lacks; empty when it has them all.
QStringList MissingTables();
// What a command says when tables are missing.
QString MissingTablesMessage(const QStringList& missing);

struct CashAccount {
    qint32 accountId = 0;
    QString code, name;
    qint32 currencyId = 0;
    QString currency;  // its symbol
};
// The company's cash and bank accounts, by name.
std::vector<CashAccount> CashAccounts();
std::optional<CashAccount> AccountOf(qint32 accountId);

struct User {
    qint32 userId = 0;
    QString name;  // the full name, else the login
};
std::vector<User> Users();

struct FloatSetting {
    Decimal imprest;
    qint32 custodianId = 0;
    QString custodian;
    QString setBy;
    QDateTime setTime;
};
std::optional<FloatSetting> ReadFloat(qint32 accountId);

// The refusal of an imprest, the module's amount rule: positive, at most 12
// whole digits and 2 decimals. Empty when it may be saved.
QString ImprestProblem(const Decimal& imprest);

// Sets the account's float in one transaction with its audit record ("F").
Outcome<FloatSetting> SaveFloat(qint32 accountId, const Decimal& imprest, qint32 custodianId);

struct Denomination {
    Decimal value;
    QString kind;  // Note or Coin
};
std::vector<Denomination> DenominationsOf(qint32 currencyId);

struct UncoveredVoucher {
    qint32 paymentId = 0;
    QString paymentNo;
    QDate date;
    QString payee;
    Decimal amount;  // in the account's currency
};

struct LastCount {
    QString countNo;
    QDate date;
    QString user;
    Decimal counted;
};

// What a count of the account starts from, read now.
struct CountState {
    CashAccount account;
    std::optional<FloatSetting> floatSetting;
    std::optional<LastCount> last;
    std::vector<UncoveredVoucher> vouchers;  // standing, covered by no count, oldest first
    Decimal vouchersTotal;

    Decimal imprest() const { return floatSetting ? floatSetting->imprest : Decimal(); }
    Decimal expected() const { return imprest() - vouchersTotal; }
};
CountState ReadCountState(qint32 accountId);

// The largest quantity of one denomination.
inline constexpr int kMostPieces = 999999;
// The refusal of a quantity typed ("12", not "1.5", "-3" or "1000000").
QString QuantityProblem(const QString& typed);

struct CountedPieces {
    Decimal value;
    int quantity = 0;
    Decimal amount() const { return value * Decimal(quantity); }
};

struct CountDraft {
    qint32 accountId = 0;
    QDate date;
    std::vector<CountedPieces> pieces;
    QString explanation;
    CountState seen;  // what the window showed, checked again by the save

    Decimal counted() const;
    Decimal difference() const { return counted() - seen.expected(); }
    Decimal replenishment() const { return seen.imprest() - counted(); }
};

struct SavedCount {
    qint32 countId = 0;
    QString countNo;
};

// How many times a count is numbered and written before a clash with counts
// saved meanwhile is reported.
inline constexpr int kSaveAttempts = 5;

// The one save of a count, in one transaction: the float and the uncovered
// vouchers read again (another workstation may have saved, cancelled or
// counted some since the window read them: then it refuses, saying what
// changed, and writes nothing), a difference without an explanation
// refused, then the count numbered ("CNT/2026/PC01-0003"), written with its
// denominations and the vouchers it covers, and audited ("R"). A number or
// a covered voucher taken meanwhile rolls back and tries again.
Outcome<SavedCount> SaveCount(const CountDraft& draft);

// The count that covers a voucher (which is closed by it); none when no
// count does or the tables are missing.
struct Covering {
    QString countNo;
    QDate date;
};
std::optional<Covering> CoveringCount(qint32 paymentId);
// "'OPS/24' is in the cash count CNT/2026/PC01-0003 of 12/12/2026: it cannot be changed."
QString ClosedMessage(const QString& paymentNo, const Covering& covering);

// What is left of an account's float: the imprest less its standing
// vouchers that no count covers, the voucher `excluding` (an edit's own) left
// out. None when the account has no float or the tables are missing.
struct FloatLeft {
    QString currency, accountCode;
    Decimal imprest, left;
};
std::optional<FloatLeft> FloatLeftOf(qint32 accountId, qint32 excluding = 0);
// "Left in the float: AED 1,234.50 of 5,000.00"
QString FloatLeftText(const FloatLeft& f);
// The refusal of a voucher of `amount` that would take the float below zero;
// empty when it fits or the account keeps no float.
QString FloatRefusal(qint32 accountId, qint32 excluding, const Decimal& amount);

// The account's counts, newest first.
struct CountSummary {
    qint32 countId = 0;
    QString countNo;
    QDate date;
    QString user;
    Decimal counted, difference, replenishment;
};
std::vector<CountSummary> History(qint32 accountId);

// A saved count whole, as the replenishment request prints it.
struct CountRecord {
    QString companyName;
    CountSummary summary;
    CashAccount account;
    Decimal imprest, vouchersTotal, expected;
    QString explanation;
    std::vector<CountedPieces> pieces;
    std::vector<UncoveredVoucher> vouchers;  // the vouchers it covers
    struct AccountTotal {
        QString code, name;
        int lines = 0;
        Decimal amount;  // the lines in the cash account's currency, as their vouchers converted
    };
    std::vector<AccountTotal> byAccount;  // by debit account code
};
std::optional<CountRecord> ReadCount(qint32 countId);

}  // namespace pcp::CashCount
