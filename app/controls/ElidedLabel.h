#pragma once
// A one-line label that shows its text as plain text, elided to its width rather than clipped,
// with the whole text as an escaped tooltip when it had to be shortened.

#include <QLabel>

namespace app {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    ElidedLabel(const QString& text, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return m_fullText; }
    void setElideMiddle(bool middle);
    void setTextColor(const QColor& color);

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    QString m_fullText;
    bool m_elideMiddle = false;
};

}  // namespace app
