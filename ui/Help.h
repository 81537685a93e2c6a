#pragma once
// The application's help file and the window that shows it. The help file is
// a compiled bundle of HTML topics (a binary Qt resource) beside the module;
// F1 in any window of the module opens it in a help viewer of ours.

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace pcp {

void SetHelpFile(const QString& path);
QString HelpFile();

class HelpViewer : public QDialog {
    Q_OBJECT
  public:
    explicit HelpViewer(QWidget* owner);
    ~HelpViewer() override;
    // False when the help file cannot be read.
    bool open(const QString& helpFile);
    QString currentTopic() const;
    QString shownText() const;
    QTextBrowser* browser() const { return browser_; }

  private:
    QTextBrowser* browser_;
    QString registeredFile_;
};

// Opens (or brings forward) the help viewer over the window; tells the user,
// under the given title, when the help file is missing. Returns the viewer,
// or nullptr.
HelpViewer* ShowHelp(QWidget* owner, const QString& messageTitle);

}  // namespace pcp
