#pragma once
// The welcome page: the program's picture (opening the maker's page), a title, a description and
// a button that asks the delegate to show the file-type page. The root window shows it only when
// given one; nothing in the program makes one.

#include <QPointer>
#include <QWidget>

class QLabel;

namespace app {

class TCImageButton;

class QNComeInViewController : public QWidget {
    Q_OBJECT
public:
    explicit QNComeInViewController(QWidget* parent = nullptr);

    // Gets InfoButtonClick() when the page's button is clicked.
    void setDelegate(QObject* delegate) { m_delegate = delegate; }
    QObject* delegate() const { return m_delegate; }

    TCImageButton* imageView() const { return m_imageView; }
    QLabel* blowTitleLabel() const { return m_title; }
    QLabel* blowNodeLabel() const { return m_node; }
    TCImageButton* infoButton() const { return m_infoButton; }

public slots:
    void InfoButtonClick();
    void iconButtonAction();

private:
    QPointer<QObject> m_delegate;
    TCImageButton* m_imageView = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_node = nullptr;
    TCImageButton* m_infoButton = nullptr;
};

}  // namespace app
