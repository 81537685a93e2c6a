#pragma once
// Every statement a connection sends, as the module wrote it and as the
// database received it. Tests read it to check the exact text of a command.

#include <QString>
#include <QStringList>
#include <deque>

namespace pcp {

struct LoggedStatement {
    QString text;  // as the module wrote it (SQL Server dialect)
    QString sent;  // as the database received it
};

class StatementLog {
  public:
    void add(const QString& text, const QString& sent) {
        if (!enabled_) return;
        entries_.push_back({text, sent});
        while (entries_.size() > capacity_) entries_.pop_front();
    }
    void clear() { entries_.clear(); }
    void setEnabled(bool on) { enabled_ = on; }
    void setCapacity(size_t n) { capacity_ = n; }
    const std::deque<LoggedStatement>& entries() const { return entries_; }
    QStringList texts() const {
        QStringList out;
        for (const auto& e : entries_) out << e.text;
        return out;
    }
    QString last() const { return entries_.empty() ? QString() : entries_.back().text; }

  private:
    std::deque<LoggedStatement> entries_;
    size_t capacity_ = 5000;
    bool enabled_ = true;
};

}  // namespace pcp
