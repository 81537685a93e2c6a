#include "count/frmCashCount.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <algorithm>

#include "count/CountPrint.h"
#include "count/frmFloat.h"
#include "data/Values.h"
#include "suite/BasModule.h"
#include "ui/FlexGrid.h"
#include "ui/Keys.h"
#include "ui/MessageBox.h"
#include "ui/Modal.h"
#include "ui/PlainText.h"
#include "ui/Pointer.h"
#include "ui/Twips.h"

namespace pcp {

using namespace BasModule;
using namespace CashCount;

namespace {

const QString kMoney = QStringLiteral("#,##0.00#");

QLabel* label(QWidget* parent, const QString& caption, QWidget* buddy, int left, int top,
              int width) {
    auto* l = new QLabel(caption, parent);
    if (buddy) l->setBuddy(buddy);
    PlaceTwips(l, left, top, width, 255);
    return l;
}

QLineEdit* figure(QWidget* parent, const char* name) {
    auto* box = Named(new QLineEdit(parent), name);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return box;
}

void setCaptions(FlexGrid* grid, const QStringList& captions, const QList<int>& widths) {
    grid->clear();
    grid->setRows(2);
    grid->setCols(int(captions.size()));
    for (int c = 0; c < captions.size(); ++c) {
        grid->setTextMatrix(0, c, captions[c]);
        grid->setColWidth(c, widths[c]);
    }
}

// The same vouchers, amounts and float: nothing to show again.
bool sameBox(const CountState& a, const CountState& b) {
    const auto same = [](const UncoveredVoucher& x, const UncoveredVoucher& y) {
        return x.paymentId == y.paymentId && x.amount == y.amount;
    };
    return a.imprest() == b.imprest() && std::equal(a.vouchers.begin(), a.vouchers.end(),
                                                    b.vouchers.begin(), b.vouchers.end(), same);
}

QString dateText(const QDate& d) {
    return d.toString(QStringLiteral("dd/MM/yyyy"));
}

}  // namespace

frmCashCount::frmCashCount(QWidget* parent) : VbForm(parent) {
    setObjectName(QStringLiteral("frmCashCount"));
    setWindowTitle(QStringLiteral("Cash Count"));
    buildControls();
    Form_Load();
}

frmCashCount::~frmCashCount() = default;

QString frmCashCount::messageTitle() const {
    return GStrMsgboxCaption;
}

void frmCashCount::buildControls() {
    setFixedSize(TwipsToPx(12600), TwipsToPx(8760));
    cboCashAccount = Named(new QComboBox(this), "cboCashAccount");
    label(this, QStringLiteral("Cash &account"), cboCashAccount, 120, 120, 1500);
    PlaceTwips(cboCashAccount, 1680, 90, 3600, 315);
    lblFloat = Named(new QLabel(this), "lblFloat");
    PlaceTwips(lblFloat, 5460, 120, 7000, 255);
    lblLastCount = Named(new QLabel(this), "lblLastCount");
    PlaceTwips(lblLastCount, 5460, 400, 7000, 255);

    gridVouchers = Named(new FlexGrid(this), "gridVouchers");
    label(this, QStringLiteral("&Vouchers not yet counted"), gridVouchers, 120, 720, 4000);
    PlaceTwips(gridVouchers, 120, 990, 6000, 3600);
    lblVouchers = Named(new QLabel(this), "lblVouchers");
    PlaceTwips(lblVouchers, 120, 4650, 6000, 255);

    gridDenominations = Named(new QTableWidget(0, 4, this), "gridDenominations");
    label(this, QStringLiteral("&Denominations counted"), gridDenominations, 6360, 720, 4000);
    PlaceTwips(gridDenominations, 6360, 990, 6120, 3600);
    gridDenominations->setHorizontalHeaderLabels({QStringLiteral("Denomination"),
                                                  QStringLiteral("Kind"), QStringLiteral("Pieces"),
                                                  QStringLiteral("Amount")});
    gridDenominations->verticalHeader()->hide();
    gridDenominations->setSelectionMode(QAbstractItemView::SingleSelection);
    gridDenominations->setEditTriggers(QAbstractItemView::AnyKeyPressed |
                                       QAbstractItemView::DoubleClicked |
                                       QAbstractItemView::EditKeyPressed);
    const int widths[] = {1500, 900, 1500, 1900};
    for (int c = 0; c < 4; ++c) gridDenominations->setColumnWidth(c, TwipsToPx(widths[c]));
    // A delegate of its own: views share the default one, and its signals.
    gridDenominations->setItemDelegate(new QStyledItemDelegate(gridDenominations));
    gridDenominations->installEventFilter(this);
    connect(gridDenominations, &QTableWidget::itemChanged, this,
            [this](QTableWidgetItem* item) { gridDenominations_Changed(item); });
    // Enter in a line's pieces moves down to the next line once the editor
    // has closed (the view hears the delegate first).
    connect(gridDenominations->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                if (hint == QAbstractItemDelegate::SubmitModelCache) nextLine();
            });
    buildFigures();
}

void frmCashCount::buildFigures() {
    txtExpected = figure(this, "txtExpected");
    txtCounted = figure(this, "txtCounted");
    txtDifference = figure(this, "txtDifference");
    txtReplenishment = figure(this, "txtReplenishment");
    const struct {
        const char* caption;
        QLineEdit* box;
        int left;
    } figures[] = {{"Expected cash", txtExpected, 120},
                   {"Cash counted", txtCounted, 3240},
                   {"Difference", txtDifference, 6360},
                   {"Replenishment", txtReplenishment, 9480}};
    for (const auto& f : figures) {
        label(this, QString::fromUtf8(f.caption), nullptr, f.left, 5000, 1400);
        PlaceTwips(f.box, f.left + 1400, 4960, 1600, 315);
    }
    lblDifference = Named(new QLabel(this), "lblDifference");
    PlaceTwips(lblDifference, 6360, 5300, 6120, 255);
    txtExplanation = Named(new QLineEdit(this), "txtExplanation");
    txtExplanation->setMaxLength(250);
    KeepEntryTextPlain(txtExplanation);
    label(this, QStringLiteral("E&xplanation of a difference"), txtExplanation, 120, 5640, 2600);
    PlaceTwips(txtExplanation, 2760, 5600, 9720, 315);

    gridHistory = Named(new FlexGrid(this), "gridHistory");
    label(this, QStringLiteral("&History"), gridHistory, 120, 6000, 2000);
    PlaceTwips(gridHistory, 120, 6270, 9300, 2310);
    cmdSave = Named(new QPushButton(QStringLiteral("&Save"), this), "cmdSave");
    cmdPrint = Named(new QPushButton(QStringLiteral("&Print"), this), "cmdPrint");
    cmdFloat = Named(new QPushButton(QStringLiteral("&Float…"), this), "cmdFloat");
    cmdClose = Named(new QPushButton(QStringLiteral("&Close"), this), "cmdClose");
    int top = 6270;
    for (QPushButton* b : {cmdSave, cmdPrint, cmdFloat, cmdClose}) {
        PlaceTwips(b, 9600, top, 2880, 390);
        b->setAutoDefault(false);
        top += 540;
    }
    setCancelButton(cmdClose);
    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
    connect(cmdFloat, &QPushButton::clicked, this, [this] { cmdFloat_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { Unload(); });
    connect(cboCashAccount, &QComboBox::activated, this, [this] { cboCashAccount_Click(); });

    // Tab leaves each grid for the next control; arrows and Enter move inside.
    for (QAbstractItemView* grid :
         std::initializer_list<QAbstractItemView*>{gridVouchers, gridDenominations, gridHistory})
        grid->setTabKeyNavigation(false);

    keys_ = new KeyRouter(this);
    for (QWidget* w : std::initializer_list<QWidget*>{cboCashAccount, txtExplanation})
        keys_->on(w, {.keyPress = [](int& k) {
                      if (k == vbKeyReturn) EnterToTab(k);
                  }});
    keys_->attach();
    QWidget* order[] = {cboCashAccount, gridVouchers, gridDenominations, txtExplanation, cmdSave,
                        cmdPrint,       cmdFloat,     gridHistory,       cmdClose};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void frmCashCount::Form_Load() {
    Handle("frmCashCount", "Form_Load", [&] {
        GObjPalette.call("ApplyPalette", {ObjectArg(this)});
        const QSignalBlocker quiet(cboCashAccount);
        for (const CashAccount& a : CashAccounts())
            cboCashAccount->addItem(QStringLiteral("%1 %2 (%3)").arg(a.code, a.name, a.currency),
                                    a.accountId);
        cmdFloat->setEnabled(HasRight(QStringLiteral("E")));
        // The first account with a float, else the first.
        for (int i = 0; i < cboCashAccount->count(); ++i)
            if (ReadFloat(cboCashAccount->itemData(i).toInt())) {
                cboCashAccount->setCurrentIndex(i);
                break;
            }
        cboCashAccount_Click();
    });
}

qint32 frmCashCount::accountId() const {
    return cboCashAccount->currentData().toInt();
}

QString frmCashCount::money(const Decimal& amount) const {
    return state_.account.currency + u' ' + Format(amount, kMoney);
}

void frmCashCount::cboCashAccount_Click() {
    Handle("frmCashCount", "cboCashAccount_Click", [&] {
        HourglassScope hourglass;
        state_ = ReadCountState(accountId());
        showState();
        showDenominations();
        showHistory();
        showFigures();
    });
}

void frmCashCount::showState() {
    const std::optional<FloatSetting>& f = state_.floatSetting;
    lblFloat->setText(f ? QStringLiteral("Float: %1   Custodian: %2")
                              .arg(money(f->imprest),
                                   f->custodian.isEmpty() ? QStringLiteral("(none)") : f->custodian)
                        : QStringLiteral("No float is set for this account: set it with Float…"));
    lblLastCount->setText(state_.last ? QStringLiteral("Last count: %1 of %2 by %3, counted %4")
                                            .arg(state_.last->countNo, dateText(state_.last->date),
                                                 state_.last->user, money(state_.last->counted))
                                      : QStringLiteral("No count of this account yet."));
    setCaptions(gridVouchers,
                {QStringLiteral("Voucher No"), QStringLiteral("Date"), QStringLiteral("Payee"),
                 QStringLiteral("Amount")},
                {1200, 1050, 2000, 1450});  // room for the scroll bar
    gridVouchers->setColAlignment(3, Qt::AlignRight);
    if (!state_.vouchers.empty()) gridVouchers->setRows(int(state_.vouchers.size()) + 1);
    for (size_t i = 0; i < state_.vouchers.size(); ++i) {
        const UncoveredVoucher& v = state_.vouchers[i];
        const int r = int(i) + 1;
        gridVouchers->setTextMatrix(r, 0, v.paymentNo);
        gridVouchers->setTextMatrix(r, 1, dateText(v.date));
        gridVouchers->setTextMatrix(r, 2, v.payee);
        gridVouchers->setTextMatrix(r, 3, Format(v.amount, kMoney));
    }
    lblVouchers->setText(QStringLiteral("%1 vouchers not yet counted, in all %2")
                             .arg(state_.vouchers.size())
                             .arg(money(state_.vouchersTotal)));
}

void frmCashCount::showDenominations() {
    const QSignalBlocker quiet(gridDenominations);
    const std::vector<Denomination> all = DenominationsOf(state_.account.currencyId);
    gridDenominations->setRowCount(int(all.size()));
    for (int r = 0; r < int(all.size()); ++r) {
        const auto cell = [&](int c, const QString& text, bool editable) {
            auto* item = new QTableWidgetItem(text);
            item->setFlags(editable ? item->flags() | Qt::ItemIsEditable
                                    : item->flags() & ~Qt::ItemIsEditable);
            item->setTextAlignment(c == kKind ? Qt::AlignLeft | Qt::AlignVCenter
                                              : Qt::AlignRight | Qt::AlignVCenter);
            gridDenominations->setItem(r, c, item);
            return item;
        };
        cell(kValue, Format(all[size_t(r)].value, QStringLiteral("#,##0.00")), false)
            ->setData(Qt::UserRole, QVariant::fromValue(all[size_t(r)].value));
        cell(kKind, all[size_t(r)].kind, false);
        cell(kQuantity, QString(), true);
        cell(kAmount, QString(), false);
    }
    if (!all.empty()) gridDenominations->setCurrentCell(0, kQuantity);
}

void frmCashCount::showHistory() {
    setCaptions(gridHistory,
                {QStringLiteral("Count No"), QStringLiteral("Date"), QStringLiteral("By"),
                 QStringLiteral("Counted"), QStringLiteral("Difference"),
                 QStringLiteral("Replenishment"), QString()},
                {2000, 1100, 1100, 1500, 1300, 1500, 0});
    for (int c = 3; c <= 5; ++c) gridHistory->setColAlignment(c, Qt::AlignRight);
    const std::vector<CountSummary> counts = History(accountId());
    if (!counts.empty()) gridHistory->setRows(int(counts.size()) + 1);
    for (size_t i = 0; i < counts.size(); ++i) {
        const CountSummary& c = counts[i];
        const int r = int(i) + 1;
        gridHistory->setTextMatrix(r, 0, c.countNo);
        gridHistory->setTextMatrix(r, 1, dateText(c.date));
        gridHistory->setTextMatrix(r, 2, c.user);
        gridHistory->setTextMatrix(r, 3, Format(c.counted, kMoney));
        gridHistory->setTextMatrix(r, 4, Format(c.difference, kMoney));
        gridHistory->setTextMatrix(r, 5, Format(c.replenishment, kMoney));
        gridHistory->setTextMatrix(r, 6, QString::number(c.countId));
    }
    gridHistory->setRow(1);
}

std::vector<CountedPieces> frmCashCount::pieces() const {
    std::vector<CountedPieces> out;
    for (int r = 0; r < gridDenominations->rowCount(); ++r) {
        const QString typed = gridDenominations->item(r, kQuantity)->text().trimmed();
        if (typed.isEmpty()) continue;
        out.push_back({gridDenominations->item(r, kValue)->data(Qt::UserRole).value<Decimal>(),
                       typed.toInt()});
    }
    return out;
}

// A line's pieces as typed or pasted: a whole number from 0 to 999,999, or
// refused with the reason and the line as it was.
void frmCashCount::gridDenominations_Changed(QTableWidgetItem* item) {
    if (filling_ || item->column() != kQuantity) return;
    const QString typed = item->text().trimmed();
    const QString previous = item->data(Qt::UserRole).toString();
    if (const QString problem = QuantityProblem(typed); !problem.isEmpty()) {
        filling_ = true;
        item->setText(previous);
        filling_ = false;
        ModuleMsgBox(problem, vbInformation);
        gridDenominations->setCurrentItem(item);
        return;
    }
    filling_ = true;
    const QString shown = typed.isEmpty() ? QString() : QString::number(typed.toInt());
    item->setText(shown);
    item->setData(Qt::UserRole, shown);
    const Decimal value =
        gridDenominations->item(item->row(), kValue)->data(Qt::UserRole).value<Decimal>();
    gridDenominations->item(item->row(), kAmount)
        ->setText(shown.isEmpty()
                      ? QString()
                      : Format(value * Decimal(shown.toInt()), QStringLiteral("#,##0.00")));
    filling_ = false;
    showFigures();
}

void frmCashCount::showFigures() {
    CountDraft d;
    d.pieces = pieces();
    d.seen = state_;
    txtExpected->setText(money(state_.expected()));
    txtCounted->setText(money(d.counted()));
    const Decimal difference = d.difference();
    txtDifference->setText(money(difference));
    lblDifference->setText(difference.isZero() ? QStringLiteral("The count balances.")
                           : difference < Decimal()
                               ? QStringLiteral("Shortage: less cash than expected.")
                               : QStringLiteral("Overage: more cash than expected."));
    // A colour, not a style sheet: the label keeps the window's font.
    QPalette red = palette();
    if (!difference.isZero()) red.setColor(QPalette::WindowText, QColor(0xc0, 0, 0));
    lblDifference->setPalette(red);
    txtReplenishment->setText(money(d.replenishment()));
}

bool frmCashCount::queryUnload(int) {
    bool allow = true;
    const bool asked = Handle("frmCashCount", "Form_QueryUnload", [&] {
        if (pieces().empty() && txtExplanation->text().trimmed().isEmpty()) return;
        const int answer =
            ModuleMsgBox(QStringLiteral("Save Changes?"), vbYesNoCancel + vbQuestion);
        if (answer == vbCancel) {
            allow = false;
        } else if (answer == vbYes) {
            cmdSave_Click();
            // A refused save keeps the window and the count typed.
            allow = pieces().empty() && txtExplanation->text().isEmpty();
        }
    });
    return asked && allow;
}

void frmCashCount::nextLine() {
    const int next = gridDenominations->currentRow() + 1;
    if (next < gridDenominations->rowCount())
        gridDenominations->setCurrentCell(next, kQuantity);
    else
        txtExplanation->setFocus();
}

bool frmCashCount::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a line that is not being edited moves down too.
    if (watched == gridDenominations && event->type() == QEvent::KeyPress) {
        const auto* e = static_cast<QKeyEvent*>(event);
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
            QApplication::focusWidget() == gridDenominations) {
            nextLine();
            return true;
        }
        // Delete clears a line's pieces, as in any list of figures.
        if (e->key() == Qt::Key_Delete && QApplication::focusWidget() == gridDenominations &&
            gridDenominations->currentColumn() == kQuantity) {
            if (QTableWidgetItem* item = gridDenominations->currentItem()) item->setText(QString());
            return true;
        }
    }
    return VbForm::eventFilter(watched, event);
}

void frmCashCount::cmdSave_Click() {
    Handle("frmCashCount", "cmdSave_Click", [&] {
        CountDraft d;
        d.accountId = accountId();
        d.date = GDtProcessDate.date();
        d.pieces = pieces();
        d.explanation = txtExplanation->text();
        d.seen = state_;
        HourglassScope hourglass;
        const Outcome<SavedCount> outcome = SaveCount(d);
        hourglass.release();
        if (!outcome.done()) {
            // The stored state is shown, whatever changed, so that the next save
            // starts from it; the pieces and the explanation typed stay.
            const CountState now = ReadCountState(accountId());
            const bool changed = !sameBox(now, state_);
            state_ = now;
            showState();
            showHistory();
            showFigures();
            ModuleMsgBox(outcome.refusal().message, vbExclamation);
            (changed ? static_cast<QWidget*>(gridDenominations) : txtExplanation)->setFocus();
            return;
        }
        ModuleMsgBox(QStringLiteral("The count %1 is saved. Replenishment: %2.")
                         .arg(outcome.value().countNo, money(d.replenishment())),
                     vbInformation);
        txtExplanation->clear();
        cboCashAccount_Click();
    });
}

void frmCashCount::cmdPrint_Click() {
    Handle("frmCashCount", "cmdPrint_Click", [&] {
        const qint32 countId = gridHistory->textMatrix(gridHistory->row(), 6).toInt();
        if (countId == 0) {
            ModuleMsgBox(QStringLiteral("Save a count first, or choose one in the history."),
                         vbInformation);
            return;
        }
        PrintReplenishment(this, countId);
    });
}

void frmCashCount::cmdFloat_Click() {
    Handle("frmCashCount", "cmdFloat_Click", [&] {
        if (!HasRight(QStringLiteral("E"))) {
            ModuleMsgBox(QStringLiteral("You may not set the float: it needs the Edit right."),
                         vbInformation);
            return;
        }
        frmFloat dialog(accountId(), this);
        ShowModal(&dialog, this);
        if (dialog.saved()) cboCashAccount_Click();
    });
}

}  // namespace pcp
