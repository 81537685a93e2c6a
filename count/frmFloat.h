#pragma once
// The float of one cash account: its imprest and its custodian, set by a
// user with the Edit right, saved and audited in one transaction. Reached
// from the cash count window (Float...).

#include "ui/VbForm.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pcp {

class KeyRouter;

class frmFloat : public VbForm {
    Q_OBJECT
  public:
    frmFloat(qint32 accountId, QWidget* parent = nullptr);
    ~frmFloat() override;

    QLabel* lblAccount = nullptr;
    QLineEdit* txtImprest = nullptr;
    QComboBox* cboCustodian = nullptr;
    QLabel* lblSetBy = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdClose = nullptr;

    // True once a float was saved (the count window reads it again).
    bool saved() const { return saved_; }
    void cmdSave_Click();

  protected:
    QString messageTitle() const override;
    QString helpTopic() const override { return QStringLiteral("float.html"); }

  private:
    void buildControls();
    void Form_Load();

    qint32 accountId_;
    KeyRouter* keys_ = nullptr;
    bool saved_ = false;
};

}  // namespace pcp
