// A file dialog that lists the database's folder must leave the database's
// files unopened: closing any handle on them would drop SQLite's locks.

#include <sys/inotify.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/Fixtures.h"
#include "ui/FileDialog.h"

namespace pcp::test {
namespace {

// The opens of the folder's files while the dialog lists it for a moment.
int opensWhileListed(bool keepClosed) {
    QTemporaryDir dir;
    for (const char* name : {"demo.db", "demo.db-wal", "demo.db-shm", "notes"}) {
        QFile f(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    const int watch = inotify_init1(IN_NONBLOCK);
    EXPECT_GE(inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_OPEN), 0);
    {
        QFileDialog dialog(nullptr, QStringLiteral("Save"));
        if (keepClosed)
            KeepFilesClosed(dialog);
        else
            dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setDirectory(dir.path());
        dialog.show();
        QElapsedTimer listed;
        listed.start();
        while (listed.elapsed() < 1500) QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    int opens = 0;
    char buffer[4096];
    for (ssize_t n; (n = read(watch, buffer, sizeof buffer)) > 0;)
        for (char* p = buffer; p < buffer + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            if (e->len > 0) ++opens;  // a file of the folder, not the folder itself
            p += sizeof(inotify_event) + e->len;
        }
    close(watch);
    return opens;
}

TEST(FileDialog, ListsTheDatabaseFolderWithoutOpeningItsFiles) {
    EXPECT_GT(opensWhileListed(false), 0) << "Qt's own dialog reads files to tell their types";
    EXPECT_EQ(opensWhileListed(true), 0);
}

}  // namespace
}  // namespace pcp::test
