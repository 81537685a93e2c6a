#include "ui/PlainText.h"

#include <QLabel>
#include <QLineEdit>
#include <QTextDocument>
#include <QValidator>

#include "data/SqlText.h"

namespace pcp {

QString PlainTextTip(const QString& text) {
    if (text.isEmpty()) return text;
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap);
}

void MakePlain(QLabel* label) {
    label->setTextFormat(Qt::PlainText);
}

namespace {

// A line edit puts every change through its validator, which may rewrite the
// text and the cursor: so no path of entry gets past it.
class PlainEntryValidator final : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        const QString plain = PlainEntryText(input);
        if (plain != input) {
            pos = int(PlainEntryText(input.left(pos)).size());
            input = plain;
        }
        return Acceptable;
    }
};

}  // namespace

void KeepEntryTextPlain(QLineEdit* edit) {
    edit->setValidator(new PlainEntryValidator(edit));
}

}  // namespace pcp
