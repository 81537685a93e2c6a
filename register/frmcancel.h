#pragma once
// The reason dialog: asks why a voucher is cancelled. Shown modally by the
// register's Delete; it hands the accepted reason back only through the
// register's strCancelReason, which it empties when it comes up.
//
// OK stands for a reason not yet accepted: while it is enabled, closing the
// dialog first tries OK, and the dialog closes only with a reason. Once OK is
// disabled (a reason accepted, or the box holds only blanks) the dialog
// closes as asked; without an accepted reason the caller backs out.

#include <QString>

#include "ui/VbForm.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace pcp {

class KeyRouter;

class frmcancel : public VbForm {
    Q_OBJECT
  public:
    // `strCancelReason` is the register's variable the reason goes into.
    frmcancel(QString& strCancelReason, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* txtcanreason = nullptr;
    QPushButton* cmdOk = nullptr;

  protected:
    bool queryUnload(int unloadMode) override;
    void formActivate() override;
    QString messageTitle() const override;

  private:
    void buildControls();
    void Form_Load();
    void cmdOk_Click();
    void txtcanreason_KeyPress(int& keyAscii);
    void txtcanreason_KeyUp(int& keyCode, int shift);
    // The OK action: accepts a reason, or asks for one. True when accepted.
    bool acceptReason();

    QString& strCancelReason_;
    KeyRouter* keys_ = nullptr;
};

}  // namespace pcp
