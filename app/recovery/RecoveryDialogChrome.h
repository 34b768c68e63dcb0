#pragma once
// What the recovery dialogs share: the "pop_header_bg" header with the program's title, and the
// destination folder drawn as a link that opens the folder.

#include <QLabel>

class QDialog;
class QVBoxLayout;

namespace app::recovery {

// Gives `dialog` its look and answers the layout its content goes into, below the header.
QVBoxLayout* DecorateRecoveryDialog(QDialog* dialog, int width);

// A plain-text label of a folder path in the link colour, underlined, its tool tip the path; a
// click opens the folder in the desktop's file manager (nothing for an empty path).
class FolderLink : public QLabel {
    Q_OBJECT
public:
    explicit FolderLink(QWidget* parent = nullptr);
    void setFolder(const QString& path);
    const QString& folder() const { return m_folder; }
    // What a click does.
    void jumpToSavePath();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_folder;
};

// A plain-text, word-wrapped label.
QLabel* PlainLabel(const QString& text, QWidget* parent, int fontSize, bool bold = false);

}  // namespace app::recovery
