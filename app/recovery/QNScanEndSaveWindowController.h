#pragma once
// The dialogs that close a recovery, each with the log's counts: how many of the files it was
// given were recovered, failed and were written with notes. The finished one says the copy is
// complete only when every file came back whole; it shows the destination as a link and the share
// buttons that have an address. The stopped one says that the user stopped it, with the same
// link.

#include <QDialog>
#include <QStringList>

#include <cstdint>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace app::recovery {

class FolderLink;

// What a recovery did with the files it was given, as the log counts them.
struct RecoveryCounts {
    std::uint64_t given = 0;
    std::uint64_t recovered = 0;  // written whole
    std::uint64_t failed = 0;     // not written, or removed
    std::uint64_t noted = 0;      // written with a note: their bytes may not be the file's
    // Every file given came back whole, and there was one at least.
    bool complete() const { return given != 0 && recovered == given && failed == 0 && noted == 0; }
};

// What the recovery's log holds beyond the counts: why the files not recovered whole were not,
// each reason with its count, and where the log is.
struct RecoveryLogSummary {
    QStringList reasons;
    QString logPath;   // the log in the destination folder; empty when it was not written
    QString logError;  // why the log could not be written there
};

class QNScanEndSaveWindowController : public QDialog {
    Q_OBJECT
public:
    QNScanEndSaveWindowController(const QString& savePathStr, const RecoveryCounts& counts, QWidget* parent = nullptr,
                                  const RecoveryLogSummary& log = {});

    QLabel* recoveryEndTitle() const { return m_title; }
    QLabel* recoveryEndNode() const { return m_node; }
    FolderLink* savePathLabel() const { return m_link; }
    QLabel* logNote() const { return m_logNote; }
    FolderLink* logLink() const { return m_logLink; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* facebookButton() const { return m_facebook; }
    QPushButton* twitterButton() const { return m_twitter; }
    QPushButton* googleButton() const { return m_google; }

    void facebookButtonAction();
    void twitterButtonAction();
    void googleAddButtonAction();

private:
    QLabel* m_title = nullptr;
    QLabel* m_node = nullptr;
    FolderLink* m_link = nullptr;
    QLabel* m_logNote = nullptr;
    FolderLink* m_logLink = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_facebook = nullptr;
    QPushButton* m_twitter = nullptr;
    QPushButton* m_google = nullptr;
};

class QNScanNotEndSaveWindowController : public QDialog {
    Q_OBJECT
public:
    explicit QNScanNotEndSaveWindowController(QWidget* parent = nullptr);
    // What was done before the stop, and the destination.
    void changeRecoveryFilesPoint(const RecoveryCounts& counts, const QString& savePathStr,
                                  const RecoveryLogSummary& log = {});

    QLabel* showRecoveryNoteLabel() const { return m_note; }
    FolderLink* savePathLabel() const { return m_link; }
    QLabel* logNote() const { return m_logNote; }
    FolderLink* logLink() const { return m_logLink; }
    QPushButton* okButton() const { return m_ok; }

private:
    QLabel* m_note = nullptr;
    FolderLink* m_link = nullptr;
    QLabel* m_logNote = nullptr;
    FolderLink* m_logLink = nullptr;
    QPushButton* m_ok = nullptr;
};

// The log's sentence and its link below the folder link, in `dialog`'s `body`: the link opens the
// log; a log that could not be written says why, with no link.
void AddLogLink(QDialog* dialog, QVBoxLayout* body, QLabel*& note, FolderLink*& link);
void ShowLog(QLabel* note, FolderLink* link, const RecoveryLogSummary& log);

// The address a share button opens: its key's address, the Twitter one percent-escaped as
// UTF-8; empty when the key has none.
QString ShareAddress(const QString& key);

}  // namespace app::recovery
