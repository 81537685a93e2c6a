#pragma once
// The payment register: the window Show opens, listing the company's petty
// cash payment vouchers, with the search and sort strip and the commands.

#include <QString>

#include "../core/ui/VbForm.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace pcp {

class FlexGrid;
class KeyRouter;

class FrmMaster : public VbForm {
    Q_OBJECT
public:
    explicit FrmMaster(QWidget* parent = nullptr);
    ~FrmMaster() override;

    // Written by the reason dialog, read by Delete.
    QString strCancelReason;

    FlexGrid* flexMaster = nullptr;
    QGroupBox* fraBrowse = nullptr;
    QCheckBox* chkSearchAll = nullptr;
    QLabel* lblsearch = nullptr;
    QComboBox* cboSearch = nullptr;
    QLineEdit* txtsearch = nullptr;
    QWidget* Picture1 = nullptr;
    QRadioButton* optAscend = nullptr;
    QRadioButton* optDescend = nullptr;
    QComboBox* cboColNames = nullptr;
    QPushButton* cmdNew = nullptr;
    QPushButton* CmdEdit = nullptr;
    QPushButton* CmdDelete = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdPreview = nullptr;
    QPushButton* cmdClose = nullptr;

protected:
    void formLoad();

private:
    void buildControls();
    void cmdClose_Click();
    KeyRouter* keys_ = nullptr;
};

}  // namespace pcp
