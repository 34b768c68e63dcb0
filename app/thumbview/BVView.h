#pragma once
// The collection tile: 120 x 100, a backdrop that lights up under the pointer, the file's
// thumbnail (the logo when it has none), its name, a check box and the deleted marker. A click
// on the box checks or unchecks the file itself, and is refused while any scan runs.
#include <QPixmap>
#include <QWidget>

#include "engine/IFileNode.h"

namespace app::thumbview {

class BVView : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kSize{120, 100};

    // The tile is 120 x 100 whatever size it is given.
    explicit BVView(QWidget* parent = nullptr);

    // Shows a node (thumbnail from the installed model, name, check state, deleted flag); null
    // shows nothing of a file.
    void setListData(IFileNode* node);
    IFileNode* listData() const { return m_node; }
    bool isHovered() const { return m_hovered; }
    bool isDeletedShown() const { return m_deleted; }
    // The check-box click.
    void changeButtonState();

    QSize sizeHint() const override { return kSize; }

signals:
    void reLoadItemData();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    IFileNode* m_node = nullptr;
    QPixmap m_thumbnail;
    QString m_title;
    bool m_deleted = false;
    bool m_hovered = false;
};

}  // namespace app::thumbview
