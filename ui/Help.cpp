#include "ui/Help.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QResource>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/MessageBox.h"

namespace pcp {

namespace {

QString g_helpFile;
const QString kHelpRoot = QStringLiteral("/pettycash-help");

}  // namespace

void SetHelpFile(const QString& path) {
    g_helpFile = path;
}
QString HelpFile() {
    return g_helpFile;
}

HelpViewer::HelpViewer(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Petty Cash Payments Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(720, 560);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    // Only the help's own topics open: a link elsewhere (a local file, a web
    // page) is never followed from inside the module.
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl target = browser_->source().resolved(link);
        if (target.scheme() == u"qrc" && target.path().startsWith(kHelpRoot + u'/'))
            browser_->setSource(target);
    });
    auto* back = new QPushButton(QStringLiteral("&Back"), this);
    auto* contents = new QPushButton(QStringLiteral("C&ontents"), this);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(contents, &QPushButton::clicked, browser_, &QTextBrowser::home);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    back->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(contents);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addLayout(buttons);
}

HelpViewer::~HelpViewer() {
    if (!registeredFile_.isEmpty()) QResource::unregisterResource(registeredFile_, kHelpRoot);
}

bool HelpViewer::open(const QString& helpFile, const QString& topic) {
    if (!QFileInfo::exists(helpFile) || !QResource::registerResource(helpFile, kHelpRoot))
        return false;
    registeredFile_ = helpFile;
    browser_->setSource(QUrl(QStringLiteral("qrc:") + kHelpRoot + QStringLiteral("/index.html")));
    if (browser_->toPlainText().isEmpty()) return false;
    showTopic(topic);
    return true;
}

void HelpViewer::showTopic(const QString& topic) {
    const QString path = kHelpRoot + u'/' + topic;
    if (topic.isEmpty() || topic.contains(u'/') || !QFileInfo::exists(u':' + path)) return;
    browser_->setSource(QUrl(QStringLiteral("qrc:") + path));
}

QString HelpViewer::currentTopic() const {
    return browser_->source().fileName();
}

QString HelpViewer::shownText() const {
    return browser_->toPlainText();
}

HelpViewer* ShowHelp(QWidget* owner, const QString& messageTitle, const QString& topic) {
    if (auto* open = owner->findChild<HelpViewer*>(QString(), Qt::FindDirectChildrenOnly)) {
        open->showTopic(topic);
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* viewer = new HelpViewer(owner);
    if (!viewer->open(HelpFile(), topic)) {
        delete viewer;
        MsgBox(QStringLiteral("The help file could not be opened:\r\n") + HelpFile(), vbExclamation,
               messageTitle);
        return nullptr;
    }
    viewer->show();
    return viewer;
}

}  // namespace pcp
