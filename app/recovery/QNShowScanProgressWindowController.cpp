#include "app/recovery/QNShowScanProgressWindowController.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/base/Strings.h"
#include "app/controls/ElidedLabel.h"
#include "app/controls/PressOnReturn.h"
#include "app/controls/QNProgressView.h"
#include "app/recovery/RecoveryDialogChrome.h"

namespace app::recovery {

namespace {

constexpr int kWidth = 440;

QPushButton* MakeButton(const char* key, QWidget* parent) {
    auto* button = new QPushButton(Text(QLatin1String(key)), parent);
    button->setAutoDefault(false);
    PressOnReturn(button);  // the focused answer, not the dialog's default
    return button;
}

// A page: a title, a text and a row of buttons on the right.
QWidget* MakePage(const char* titleKey, const char* nodeKey, std::initializer_list<QPushButton*> buttons) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PlainLabel(Text(QLatin1String(titleKey)), page, 14, true));
    layout->addWidget(PlainLabel(Text(QLatin1String(nodeKey)), page, 12));
    layout->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* button : buttons) {
        button->setParent(page);
        row->addWidget(button);
    }
    layout->addLayout(row);
    return page;
}

}  // namespace

QNShowScanProgressWindowController::QNShowScanProgressWindowController(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("recoveryProgress"));
    QVBoxLayout* body = DecorateRecoveryDialog(this, kWidth);
    m_views = new QStackedWidget(this);

    auto* copying = new QWidget;
    auto* copyingLayout = new QVBoxLayout(copying);
    copyingLayout->setContentsMargins(0, 0, 0, 0);
    copyingLayout->addWidget(PlainLabel(Text(QStringLiteral("PAGE_FOUR_RECOVER_PROGRESS_TITLE")), copying, 14, true));
    m_progress = new QNProgressView(copying);
    m_progress->setFixedHeight(QNProgressView::kBarHeight);
    copyingLayout->addWidget(m_progress);
    auto* nameRow = new QHBoxLayout;
    m_name = new ElidedLabel(copying);
    m_name->setElideMiddle(true);
    nameRow->addWidget(m_name, 1);
    m_stop = MakeButton("PAGE_FOUR_RECOVERY_STOP_YES_BUTTON", copying);
    nameRow->addWidget(m_stop);
    copyingLayout->addLayout(nameRow);
    m_views->addWidget(copying);

    m_yes = MakeButton("PAGE_FOUR_RECOVERY_STOP_YES_BUTTON", nullptr);
    m_no = MakeButton("PAGE_FOUR_RECOVERY_STOP_NO_BUTTON", nullptr);
    m_views->addWidget(MakePage("PAGE_FOUR_RECOVERY_STOP_TITLE", "PAGE_FOUR_RECOVERY_STOP_NODE", {m_yes, m_no}));
    // Crossed as in the no-space sheet: continue shows the "NO" text, cancel the "YES" text.
    m_continue = MakeButton("PAGE_FOUR_RECOVERY_NO_SPACE_NO_BUTTON", nullptr);
    m_cancel = MakeButton("PAGE_FOUR_RECOVERY_NO_SPACE_YES_BUTTON", nullptr);
    m_views->addWidget(
        MakePage("PAGE_FOUR_RECOVERY_NO_SPACE_TITLE", "PAGE_FOUR_RECOVERY_NO_SPACE_NODE", {m_cancel, m_continue}));
    body->addWidget(m_views);
    setFixedHeight(170);

    connect(m_stop, &QPushButton::clicked, this, &QNShowScanProgressWindowController::stopProgressButtonAction);
    connect(m_yes, &QPushButton::clicked, this, &QNShowScanProgressWindowController::yesButtonAction);
    connect(m_no, &QPushButton::clicked, this, &QNShowScanProgressWindowController::noButtonAction);
    connect(m_continue, &QPushButton::clicked, this, &QNShowScanProgressWindowController::continueButtonAction);
    connect(m_cancel, &QPushButton::clicked, this, &QNShowScanProgressWindowController::cancelButtonAction);
    showView(kCopying);
}

void QNShowScanProgressWindowController::changeProgressValue(double percent, const QString& name) {
    m_progress->changeProgressValue(static_cast<float>(std::clamp(percent, 0.0, 100.0)));
    if (!name.isEmpty()) m_name->setFullText(name);
}

void QNShowScanProgressWindowController::setNoMemeryViewHidden() { showView(kDiskFull); }

QNShowScanProgressWindowController::View QNShowScanProgressWindowController::currentView() const {
    return static_cast<View>(m_views->currentIndex());
}

void QNShowScanProgressWindowController::showView(View view) {
    const bool changed = m_views->currentIndex() != view;
    m_views->setCurrentIndex(view);
    // The safe answer has the focus: Return on the question goes on copying.
    QPushButton* focus = view == kCopying ? m_stop : view == kQuestion ? m_no : m_continue;
    focus->setDefault(true);
    focus->setFocus();
    if (changed) emit viewShown(view);
}

void QNShowScanProgressWindowController::stopProgressButtonAction() {
    if (currentView() != kCopying) return;
    showView(kQuestion);
    emit stopButtonAction(1);
}

void QNShowScanProgressWindowController::noButtonAction() {
    showView(kCopying);
    emit stopButtonAction(1);
}

void QNShowScanProgressWindowController::continueButtonAction() {
    showView(kCopying);
    emit stopButtonAction(1);
}

void QNShowScanProgressWindowController::yesButtonAction() { emit stopButtonAction(2); }

void QNShowScanProgressWindowController::cancelButtonAction() { emit stopButtonAction(2); }

void QNShowScanProgressWindowController::reject() { stopProgressButtonAction(); }

void QNShowScanProgressWindowController::closeEvent(QCloseEvent* event) {
    // Only the results window ends it, through done(): a copy never runs without its dialog.
    event->ignore();
    stopProgressButtonAction();
}

}  // namespace app::recovery
