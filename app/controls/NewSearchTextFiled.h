#pragma once
// The search box of the results window: a borderless text field with a placeholder, a search
// button and a clear button on a black rounded backdrop (NewView). It reports the text through
// searchRequested(text) (Return or the search button; "" is a search for nothing) and
// searchCleared() when the user empties the box.

#include <QWidget>

class QLineEdit;

namespace app {

class TCImageButton;

// The black rounded backdrop.
class NewView : public QWidget {
    Q_OBJECT
public:
    explicit NewView(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

class NewSearchTextFiled : public QWidget {
    Q_OBJECT
public:
    explicit NewSearchTextFiled(QWidget* parent = nullptr);

    QLineEdit* textField() const { return m_textField; }
    TCImageButton* searchButton() const { return m_searchButton; }
    TCImageButton* clearButton() const { return m_clearButton; }

    // Enables or disables the field and both buttons together.
    void setSearchEnabled(bool enabled);
    // Empties the box and hides the clear button without reporting anything (a reset).
    void setTitleWithMnemonic(const QString& ignored = {});

signals:
    void searchRequested(const QString& text);
    void searchCleared();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void setNormalValue();
    void clearTextFieldAction();
    void doSearchAction();
    void controlTextDidChange(const QString& text);
    void layoutParts();
    QString currentText() const;

    NewView* m_backdrop;
    QLineEdit* m_textField;
    TCImageButton* m_searchButton;
    TCImageButton* m_clearButton;
};

}  // namespace app
