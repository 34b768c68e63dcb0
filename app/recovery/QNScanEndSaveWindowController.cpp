#include "app/recovery/QNScanEndSaveWindowController.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/base/Strings.h"
#include "app/controls/PressOnReturn.h"
#include "app/controls/QNHandButton.h"
#include "app/recovery/QNLinkUrl.h"
#include "app/recovery/RecoveryDialogChrome.h"
#include "uimodel/support/SpyEvents.h"

namespace app::recovery {

namespace {

constexpr int kWidth = 440;

QPushButton* MakeOk(QDialog* dialog) {
    auto* ok = new QPushButton(Text(QStringLiteral("PAGE_FOUR_RECOVERY_STOP_BUTTON")), dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    return ok;
}

// The ending's sentences up to the folder link: `opening`, the counts, the notes' warning, and
// where the files went (`whole` when nothing failed or was noted).
QString EndingText(const QString& opening, const RecoveryCounts& counts, const QStringList& reasons,
                   const QString& whole) {
    QStringList sentences;
    if (!opening.isEmpty()) sentences << opening;
    sentences << Text(QStringLiteral("PAGE_FOUR_RECOVER_COUNTS_NODE"))
                     .arg(static_cast<qulonglong>(counts.recovered))
                     .arg(static_cast<qulonglong>(counts.given))
                     .arg(static_cast<qulonglong>(counts.failed))
                     .arg(static_cast<qulonglong>(counts.noted));
    if (counts.noted != 0)
        sentences << Text(QStringLiteral("PAGE_FOUR_RECOVER_NOTED_NODE")).arg(static_cast<qulonglong>(counts.noted));
    if (!reasons.isEmpty())
        sentences << Text(QStringLiteral("PAGE_FOUR_RECOVER_REASONS_NODE")).arg(reasons.join(QStringLiteral("; ")));
    sentences << (counts.failed == 0 && counts.noted == 0 ? whole
                                                          : Text(QStringLiteral("PAGE_FOUR_RECOVER_FOLDER_NODE")));
    return sentences.join(QLatin1Char(' '));
}

void OpenShare(int event, const QString& key) {
    uimodel::spy::SpyIDStringTable1(event, "1");
    const QString address = ShareAddress(key);
    if (!address.isEmpty()) QDesktopServices::openUrl(QUrl(address));
}

}  // namespace

void AddLogLink(QDialog* dialog, QVBoxLayout* body, QLabel*& note, FolderLink*& link) {
    note = PlainLabel(QString(), dialog, 12);
    note->setObjectName(QStringLiteral("recoveryLogNote"));
    link = new FolderLink(dialog);
    link->setObjectName(QStringLiteral("recoveryLogLink"));
    body->addWidget(note);
    body->addWidget(link);
}

void ShowLog(QLabel* note, FolderLink* link, const RecoveryLogSummary& log) {
    // A log cut short by a full destination still links what it holds, beside why it is short.
    const bool failed = !log.logError.isEmpty();
    note->setText(failed ? Text(QStringLiteral("PAGE_FOUR_RECOVER_LOG_FAILED_NODE")).arg(log.logError)
                         : Text(QStringLiteral("PAGE_FOUR_RECOVER_LOG_NODE")));
    note->setVisible(failed || !log.logPath.isEmpty());
    link->setFolder(log.logPath);
    link->setVisible(!log.logPath.isEmpty());
}

QString ShareAddress(const QString& key) {
    const QString address = QNLinkUrl::GetUrl(key);
    if (address.isEmpty() || key != QLatin1String("Twitter")) return address;
    // Keep what an address needs whole; escape the text of the message.
    return QString::fromLatin1(QUrl::toPercentEncoding(address, ":/?&=#%+,;@"));
}

QNScanEndSaveWindowController::QNScanEndSaveWindowController(const QString& savePathStr, const RecoveryCounts& counts,
                                                             QWidget* parent, const RecoveryLogSummary& log)
    : QDialog(parent) {
    setObjectName(QStringLiteral("recoveryFinished"));
    QVBoxLayout* body = DecorateRecoveryDialog(this, kWidth);
    // Complete only when every file came back whole: nothing copied, a failure or a copy in doubt
    // is never shown as success.
    const QString title = counts.complete()    ? QStringLiteral("PAGE_FOUR_RECOVER_END_TITLE")
                          : counts.failed != 0 ? QStringLiteral("PAGE_FOUR_RECOVER_FAILED_TITLE")
                          : counts.noted != 0  ? QStringLiteral("PAGE_FOUR_RECOVER_NOTED_TITLE")
                                               : QStringLiteral("PAGE_FOUR_RECOVER_INCOMPLETE_TITLE");
    m_title = PlainLabel(Text(title), this, 14, true);
    const QString whole = counts.complete() ? Text(QStringLiteral("PAGE_FOUR_RECOVER_END_NODE"))
                                            : Text(QStringLiteral("PAGE_FOUR_RECOVER_FOLDER_NODE"));
    m_node = PlainLabel(EndingText(QString(), counts, log.reasons, whole), this, 12);
    m_link = new FolderLink(this);
    m_link->setFolder(savePathStr);
    body->addWidget(m_title);
    body->addWidget(m_node);
    body->addWidget(m_link);
    AddLogLink(this, body, m_logNote, m_logLink);
    ShowLog(m_logNote, m_logLink, log);
    auto* row = new QHBoxLayout;
    // Links out: the pointing hand says so.
    m_facebook = new QNHandButton(QStringLiteral("Facebook"), this);
    m_twitter = new QNHandButton(QStringLiteral("Twitter"), this);
    m_google = new QNHandButton(QStringLiteral("Google"), this);
    const std::pair<QPushButton*, const char*> shares[] = {
        {m_facebook, "FaceBookURL"}, {m_twitter, "Twitter"}, {m_google, "GoogleURL"}};
    for (const auto& [button, key] : shares) {
        button->setAutoDefault(false);
        PressOnReturn(button);
        // A button without an address would open nothing.
        button->setVisible(!QNLinkUrl::GetUrl(QLatin1String(key)).isEmpty());
        row->addWidget(button);
    }
    row->addStretch(1);
    m_ok = MakeOk(this);
    row->addWidget(m_ok);
    body->addLayout(row);
    connect(m_facebook, &QPushButton::clicked, this, &QNScanEndSaveWindowController::facebookButtonAction);
    connect(m_twitter, &QPushButton::clicked, this, &QNScanEndSaveWindowController::twitterButtonAction);
    connect(m_google, &QPushButton::clicked, this, &QNScanEndSaveWindowController::googleAddButtonAction);
}

void QNScanEndSaveWindowController::facebookButtonAction() { OpenShare(4132, QStringLiteral("FaceBookURL")); }
void QNScanEndSaveWindowController::twitterButtonAction() { OpenShare(4131, QStringLiteral("Twitter")); }
void QNScanEndSaveWindowController::googleAddButtonAction() { OpenShare(4130, QStringLiteral("GoogleURL")); }

QNScanNotEndSaveWindowController::QNScanNotEndSaveWindowController(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("recoveryStopped"));
    QVBoxLayout* body = DecorateRecoveryDialog(this, kWidth);
    m_note = PlainLabel(QString(), this, 12);
    m_link = new FolderLink(this);
    body->addWidget(m_note);
    body->addWidget(m_link);
    AddLogLink(this, body, m_logNote, m_logLink);
    ShowLog(m_logNote, m_logLink, RecoveryLogSummary{});
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    m_ok = MakeOk(this);
    row->addWidget(m_ok);
    body->addLayout(row);
}

void QNScanNotEndSaveWindowController::changeRecoveryFilesPoint(const RecoveryCounts& counts,
                                                                const QString& savePathStr,
                                                                const RecoveryLogSummary& log) {
    // The log's counts, whole: a float loses them above 2^24.
    m_note->setText(EndingText(Text(QStringLiteral("PAGE_FOUR_RECOVER_NOTEND_NODE")), counts, log.reasons,
                               Text(QStringLiteral("PAGE_FOUR_RECOVER_STOPPED_FOLDER_NODE"))));
    m_link->setFolder(savePathStr);
    ShowLog(m_logNote, m_logLink, log);
}

}  // namespace app::recovery
