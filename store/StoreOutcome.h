#pragma once
// What a command of the store ends in: done, with what it made, or refused
// with the reason. A refusal is no error: nothing was written, the
// transaction has ended, and the window tells the user in the style it
// chooses for the refusal's kind. Errors (a database that fails) still
// raise, and the handler's error report tells them.

#include <QString>
#include <QStringList>
#include <utility>
#include <variant>

namespace pcp {

enum class RefusalKind {
    Removed,         // the voucher is no longer stored
    Cancelled,       // cancelled on another workstation meanwhile
    Posted,          // posted meanwhile
    NotPosted,       // its posting was cancelled meanwhile
    Changed,         // the stored voucher was no longer in the state the command starts from
    Frozen,          // the stored voucher is dated on or before the accounts freeze date
    DateFrozen,      // the date keyed is on or before it (frozen meanwhile): another date may do
    JournalUnclear,  // the journal entry of a posting could not be identified
    Closed,          // covered by a cash count: closed for good
    FloatExceeded,   // more than is left in the cash account's float: another amount may do
};

struct Refusal {
    RefusalKind kind = RefusalKind::Changed;
    QString message;
    // The voucher's register row as stored now, read inside the command's
    // transaction; empty when there is none to show.
    QStringList storedRow;
};

template <class T>
class Outcome {
  public:
    Outcome(T done) : value_(std::move(done)) {}
    Outcome(Refusal refusal) : value_(std::move(refusal)) {}
    bool done() const { return value_.index() == 0; }
    const T& value() const { return std::get<0>(value_); }
    const Refusal& refusal() const { return std::get<1>(value_); }

  private:
    std::variant<T, Refusal> value_;
};

}  // namespace pcp
