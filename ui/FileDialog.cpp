#include "ui/FileDialog.h"

#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QFileInfo>

#include "ui/Modal.h"

namespace pcp {

namespace {

// Qt's own provider asks the MIME database, which reads a file whose name
// does not tell its type.
class NameOnlyIconProvider : public QAbstractFileIconProvider {
  public:
    QIcon icon(IconType type) const override { return QAbstractFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override {
        return QAbstractFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QStringLiteral("Folder");
        return info.suffix().isEmpty() ? QStringLiteral("File")
                                       : info.suffix().toUpper() + QStringLiteral(" File");
    }
};

}  // namespace

void KeepFilesClosed(QFileDialog& dialog) {
    static NameOnlyIconProvider provider;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&provider);
}

QString AskFileToSave(QWidget* owner, const QString& title, const QString& suggested,
                      const QString& filter, const QString& suffix) {
    QFileDialog dialog(owner, title);
    dialog.setObjectName(QStringLiteral("dlgSaveFile"));
    KeepFilesClosed(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(suggested);
    if (ShowModal(&dialog, owner) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().front();
}

}  // namespace pcp
