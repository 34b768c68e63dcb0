#pragma once
// The dialogs that close a recovery. The finished one says the copy is complete only when no
// file failed and none was written with a note, and otherwise how many files could not be
// recovered and how many were written with notes; it shows the destination as
// a link and the share buttons that have an address. The stopped one says how many files were
// copied before the user stopped, with the same link.

#include <QDialog>

#include <cstdint>

class QLabel;
class QPushButton;

namespace app::recovery {

class FolderLink;

class QNScanEndSaveWindowController : public QDialog {
    Q_OBJECT
public:
    // `failedFiles`: files of the recovery that were not recovered; `notedFiles`: files written
    // with a note, whose bytes may not be the file's.
    QNScanEndSaveWindowController(const QString& savePathStr, std::uint64_t failedFiles, std::uint64_t notedFiles,
                                  QWidget* parent = nullptr);

    QLabel* recoveryEndTitle() const { return m_title; }
    QLabel* recoveryEndNode() const { return m_node; }
    FolderLink* savePathLabel() const { return m_link; }
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
    QPushButton* m_ok = nullptr;
    QPushButton* m_facebook = nullptr;
    QPushButton* m_twitter = nullptr;
    QPushButton* m_google = nullptr;
};

class QNScanNotEndSaveWindowController : public QDialog {
    Q_OBJECT
public:
    explicit QNScanNotEndSaveWindowController(QWidget* parent = nullptr);
    // The count of files recovered before the stop, and the destination.
    void changeRecoveryFilesPoint(std::uint64_t recovered, const QString& savePathStr);

    QLabel* showRecoveryNoteLabel() const { return m_note; }
    FolderLink* savePathLabel() const { return m_link; }
    QPushButton* okButton() const { return m_ok; }

private:
    QLabel* m_note = nullptr;
    FolderLink* m_link = nullptr;
    QPushButton* m_ok = nullptr;
};

// The address a share button opens: its key's address, the Twitter one percent-escaped as
// UTF-8; empty when the key has none.
QString ShareAddress(const QString& key);

}  // namespace app::recovery
