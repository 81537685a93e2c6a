#pragma once
// An amount box: a line edit that holds to the rule for an entered amount
// (data/EnteredAmount: twelve whole digits, two decimals, thousands in full
// groups of three) whether the amount is typed, pasted or dropped.

#include <QObject>
#include <QString>
#include <QValidator>
#include <functional>

class QLineEdit;

namespace pcp {

// The box holds an amount being typed or corrected, blanks around it dropped.
// Commas among the whole digits are ignored (BeginsKeyedAmount), so a digit can
// be removed from the middle of "1,234,567".
class EnteredAmountValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Makes `box` an amount box: the validator above for typing and deleting, and
// a paste (keys or the box's menu) or a drop held to the whole rule, groups of
// three included: the text it makes is an amount, or begins one, or nothing
// changes and `tell` is given EnteredAmountRule(). A key filter of the window
// may refuse more keys. Install it after the window's key handlers.
class AmountEntry : public QObject {
  public:
    using Tell = std::function<void(const QString& text)>;
    AmountEntry(QLineEdit* box, Tell tell);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void paste(const QString& text);

    QLineEdit* box_;
    Tell tell_;
};

}  // namespace pcp
