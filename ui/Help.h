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
    // False when the help file cannot be read. Shows the topic (a file of
    // the help, "book.html"), or the contents when it is empty or unknown.
    bool open(const QString& helpFile, const QString& topic = QString());
    void showTopic(const QString& topic);
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
HelpViewer* ShowHelp(QWidget* owner, const QString& messageTitle, const QString& topic = QString());

}  // namespace pcp
