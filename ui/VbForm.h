#pragma once
// The base of every window of the module: a modal dialog with a cancel
// button that Escape presses, a default button that Enter presses only when a
// window names one, an activate hook and a query-unload question asked before
// any close (the close box, Escape, or the window's own Unload).

#include <QDialog>
#include <QPointer>

#include <QAbstractButton>

namespace pcp {

enum UnloadMode { vbFormControlMenu = 0, vbFormCode = 1 };

class VbForm : public QDialog {
    Q_OBJECT
  public:
    explicit VbForm(QWidget* parent = nullptr);

    void setCancelButton(QAbstractButton* button) { cancelButton_ = button; }
    // Closes the window, asking queryUnload first; false when it stayed open.
    bool Unload();
    // The window's tag text, as windows use it to remember a state.
    QString tag() const { return tag_; }
    void setTag(const QString& t) { tag_ = t; }

  protected:
    // Return false to keep the window open.
    virtual bool queryUnload(int unloadMode) { return true; }
    virtual void formActivate() {}
    // The title of the window's own messages (the module's caption).
    virtual QString messageTitle() const { return QString(); }
    // The help topic F1 opens ("book.html"); empty: the contents.
    virtual QString helpTopic() const { return QString(); }

    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void reject() override;

  private:
    void keepOpeningSize();

    QPointer<QAbstractButton> cancelButton_;
    QString tag_;
    bool unloading_ = false;
    int unloadMode_ = vbFormControlMenu;
};

// OLE colour values (0x00BBGGRR, or 0x800000nn for a system colour).
QColor OleColor(quint32 value);

}  // namespace pcp
