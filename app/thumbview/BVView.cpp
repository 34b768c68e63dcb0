#include "app/thumbview/BVView.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/controls/CheckBoxImage.h"
#include "app/controls/DisplayName.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/Theme.h"
#include "app/thumbnails/QtImages.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/thumbnails/QNUIThumbnails.h"
#include "uimodel/trees/OpNodeData.h"

namespace app::thumbview {

namespace {
// Frames in the tile, top-left origin.
constexpr QRect kBackdrop{3, 3, 114, 94};
constexpr QRect kImage{10, 10, 90, 55};
constexpr QRect kTitle{30, 78, 80, 20};
constexpr QRect kCheck{16, 76, 14, 14};
constexpr QRect kDeleted{90, 49, 16, 16};
}  // namespace

BVView::BVView(QWidget* parent) : QWidget(parent) {
    setFixedSize(kSize);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
}

void BVView::setListData(IFileNode* node) {
    m_node = node;
    m_thumbnail = {};
    m_title.clear();
    m_deleted = false;
    if (node) {
        m_thumbnail = QPixmap::fromImage(thumbnails::ToQImage(uimodel::QNUIController::GetThumbnailOfFile(node).image));
        m_title = DisplayName(NameFromUtf8(uimodel::OpNodeData::fileNodeName(node)));
        m_deleted = uimodel::OpNodeData::isFileNodeDeleted(node);
    }
    setToolTip(m_title);
    update();
}

void BVView::changeButtonState() {
    if (!m_node || uimodel::QNUIController::IsScanRunning()) return;
    const int state = uimodel::OpNodeData::fileNodeState(m_node);
    uimodel::OpNodeData::setFileNode(m_node, state < 1 ? 2 : 0);
    update();
    emit reLoadItemData();
}

void BVView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    ImageLibrary& images = ImageLibrary::instance();
    painter.drawPixmap(kBackdrop,
                       images.pixmap(m_hovered ? QStringLiteral("view_bg_press") : QStringLiteral("view_bg_normal"),
                                     kBackdrop.size(), ratio));
    const QPixmap image = m_thumbnail.isNull() ? images.pixmap(QStringLiteral("logo"), {55, 55}, ratio) : m_thumbnail;
    const QSize drawn = image.deviceIndependentSize().toSize().scaled(kImage.size(), Qt::KeepAspectRatio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect(QPoint(kImage.x() + (kImage.width() - drawn.width()) / 2,
                                    kImage.y() + (kImage.height() - drawn.height()) / 2),
                             drawn),
                       image);
    const int state = m_node ? uimodel::OpNodeData::fileNodeState(m_node) : 0;
    painter.drawPixmap(kCheck, images.pixmap(CheckBoxImageName(state == 2 ? 2 : 0), kCheck.size(), ratio));
    if (m_deleted) painter.drawPixmap(kDeleted, images.pixmap(QStringLiteral("deletered"), kDeleted.size(), ratio));
    painter.setFont(theme::SystemFont(10));
    painter.setPen(QColor(theme::kLabelText));
    painter.drawText(kTitle, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(m_title.left(1024), Qt::ElideRight, kTitle.width()));
}

void BVView::enterEvent(QEnterEvent*) {
    m_hovered = true;
    update();
}

void BVView::leaveEvent(QEvent*) {
    m_hovered = false;
    update();
}

void BVView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && kCheck.contains(event->position().toPoint())) changeButtonState();
}

}  // namespace app::thumbview
