#pragma once
// A flat, checkable tab of the results window's left pane: its image ("bg_tab" for the chosen
// top tab, "text_bg" for the sub-tab not chosen, none otherwise) stretched over the whole
// button, its title centred in its colour.

#include <QPushButton>

namespace app {

class TabButton : public QPushButton {
    Q_OBJECT
public:
    explicit TabButton(const QString& title, QWidget* parent = nullptr);

    // An image of the image set, or "" for none.
    void setImageName(const QString& name);
    QString imageName() const { return m_image; }
    void setTitleColor(const QColor& color);
    QColor titleColor() const { return m_titleColor; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_image;
    QColor m_titleColor;
};

}  // namespace app
