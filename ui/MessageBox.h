#pragma once
// Message boxes with the classic styles and answers. Every message goes
// through one presenter, which a test replaces to read what the user would
// see and to answer it.

#include <QString>
#include <functional>

class QWidget;

namespace pcp {

enum MsgBoxStyle {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

enum MsgBoxResult {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7
};

struct MessageRequest {
    QString text;
    int style = vbOKOnly;
    QString title;  // as shown: the default title when the caller gave none

    int buttons() const { return style & 0x7; }
    int icon() const { return style & 0x70; }
    int defaultButton() const { return (style & 0x300) >> 8; }  // 0 = first
};

using MessagePresenter = std::function<int(const MessageRequest&)>;

// Shows a message; returns the answer (vbOK, vbYes, ...). An empty title
// stands for the platform's default title.
int MsgBox(const QString& text, int style = vbOKOnly, const QString& title = QString());

// The title of a message box that gives none of its own.
QString DefaultMessageTitle();

// Replaces the presenter; an empty function restores the real message box.
void SetMessagePresenter(MessagePresenter presenter);
// The presenter in use (empty for the real message box), so a replacement can
// put back what it replaced.
MessagePresenter CurrentMessagePresenter();

}  // namespace pcp
