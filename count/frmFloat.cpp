#include "count/frmFloat.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "data/EnteredAmount.h"
#include "data/Values.h"
#include "store/CashCount.h"
#include "suite/BasModule.h"
#include "ui/AmountEntry.h"
#include "ui/Keys.h"
#include "ui/MessageBox.h"
#include "ui/Twips.h"

namespace pcp {

using namespace BasModule;

frmFloat::frmFloat(qint32 accountId, QWidget* parent) : VbForm(parent), accountId_(accountId) {
    setObjectName(QStringLiteral("frmFloat"));
    setWindowTitle(QStringLiteral("Float"));
    buildControls();
    Form_Load();
}

frmFloat::~frmFloat() = default;

QString frmFloat::messageTitle() const {
    return GStrMsgboxCaption;
}

void frmFloat::buildControls() {
    setFixedSize(TwipsToPx(5400), TwipsToPx(2700));
    lblAccount = Named(new QLabel(this), "lblAccount");
    PlaceTwips(lblAccount, 120, 120, 5160, 255);
    auto* imprestLabel = new QLabel(QStringLiteral("&Float (imprest)"), this);
    PlaceTwips(imprestLabel, 120, 540, 1800, 255);
    txtImprest = Named(new QLineEdit(this), "txtImprest");
    txtImprest->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PlaceTwips(txtImprest, 1980, 500, 2000, 315);
    imprestLabel->setBuddy(txtImprest);
    auto* custodianLabel = new QLabel(QStringLiteral("C&ustodian"), this);
    PlaceTwips(custodianLabel, 120, 960, 1800, 255);
    cboCustodian = Named(new QComboBox(this), "cboCustodian");
    PlaceTwips(cboCustodian, 1980, 920, 3180, 315);
    custodianLabel->setBuddy(cboCustodian);
    lblSetBy = Named(new QLabel(this), "lblSetBy");
    PlaceTwips(lblSetBy, 120, 1380, 5160, 255);
    cmdSave = Named(new QPushButton(QStringLiteral("&Save"), this), "cmdSave");
    PlaceTwips(cmdSave, 2400, 2040, 1300, 390);
    cmdClose = Named(new QPushButton(QStringLiteral("&Close"), this), "cmdClose");
    PlaceTwips(cmdClose, 3860, 2040, 1300, 390);
    for (QPushButton* b : {cmdSave, cmdClose}) b->setAutoDefault(false);
    setCancelButton(cmdClose);
    setTabOrder(txtImprest, cboCustodian);
    setTabOrder(cboCustodian, cmdSave);
    setTabOrder(cmdSave, cmdClose);

    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { Unload(); });
    keys_ = new KeyRouter(this);
    for (QWidget* w : std::initializer_list<QWidget*>{txtImprest, cboCustodian})
        keys_->on(w, {.keyPress = [](int& k) {
                      if (k == vbKeyReturn) EnterToTab(k);
                  }});
    keys_->attach();
    new AmountEntry(txtImprest, [](const QString& text) { ModuleMsgBox(text, vbInformation); });
}

void frmFloat::Form_Load() {
    Handle("frmFloat", "Form_Load", [&] {
        GObjPalette.call("ApplyPalette", {ObjectArg(this)});
        const std::optional<CashCount::CashAccount> account = CashCount::AccountOf(accountId_);
        if (account)
            lblAccount->setText(QStringLiteral("Cash account: %1 %2 (%3)")
                                    .arg(account->code, account->name, account->currency));
        cboCustodian->addItem(QStringLiteral("(none)"), 0);
        for (const CashCount::User& u : CashCount::Users()) cboCustodian->addItem(u.name, u.userId);
        const std::optional<CashCount::FloatSetting> f = CashCount::ReadFloat(accountId_);
        if (!f) {
            lblSetBy->setText(QStringLiteral("No float is set for this account yet."));
            return;
        }
        txtImprest->setText(Format(f->imprest, QStringLiteral("0.00")));
        cboCustodian->setCurrentIndex(std::max(0, cboCustodian->findData(f->custodianId)));
        lblSetBy->setText(
            f->setTime.isValid()
                ? QStringLiteral("Set by %1 on %2")
                      .arg(f->setBy, FormatDate(f->setTime, QStringLiteral("dd/mm/yyyy hh:nn")))
                : QStringLiteral("Set by %1").arg(f->setBy));
    });
}

void frmFloat::cmdSave_Click() {
    Handle("frmFloat", "cmdSave_Click", [&] {
        const std::optional<Decimal> imprest =
            EnteredAmount(txtImprest->text(), kEnteredWholeDigits, kEnteredDecimals);
        const QString problem = imprest ? CashCount::ImprestProblem(*imprest) : EnteredAmountRule();
        if (!problem.isEmpty()) {
            ModuleMsgBox(problem, vbInformation);
            txtImprest->setFocus();
            txtImprest->selectAll();
            return;
        }
        const Outcome<CashCount::FloatSetting> outcome =
            CashCount::SaveFloat(accountId_, *imprest, cboCustodian->currentData().toInt());
        if (!outcome.done()) {
            ModuleMsgBox(outcome.refusal().message, vbExclamation);
            return;
        }
        saved_ = true;
        Unload();
    });
}

}  // namespace pcp
