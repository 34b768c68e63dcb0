#include "ControlShots.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QTest>

#include <cstdio>

#include "ScanBarWindow.h"
#include "app/base/Strings.h"
#include "app/controls/ElidedLabel.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/QNHandButton.h"
#include "app/controls/QNProgressView.h"
#include "app/controls/Sheet.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/TCImageWindow.h"
#include "app/controls/TCWindowButton.h"
#include "app/controls/THSearchField.h"
#include "app/controls/Theme.h"
#include "app/controls/ZoomWindow.h"
#include "app/results/ScanBar.h"
#include "app/results/ScanBarLayout.h"

namespace gallery {

namespace {

// A plain backdrop to put controls on.
class Stage : public QWidget {
public:
    explicit Stage(QSize size) {
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(app::theme::kBackdrop));
        setPalette(p);
        resize(size);
    }
};

// Every image of the library at its natural size, in rows, with its name under it.
class ContactSheet : public QWidget {
public:
    ContactSheet() {
        m_names = app::ImageLibrary::instance().names();
        m_names.sort();
        resize(1180, 40 + (int(m_names.size()) / 8 + 1) * 96);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(app::theme::kBackdrop));
        painter.setFont(app::theme::SystemFont(10));
        painter.setPen(QColor(app::theme::kLabelText));
        for (int i = 0; i < m_names.size(); ++i) {
            const QRect cell((i % 8) * 146 + 8, (i / 8) * 96 + 8, 140, 90);
            QPixmap pixmap = app::ImageLibrary::instance().pixmap(m_names[i], {}, devicePixelRatioF());
            QSize size = app::ImageLibrary::instance().naturalSize(m_names[i]);
            size.scale(size.boundedTo(QSize(136, 70)), Qt::KeepAspectRatio);
            painter.drawPixmap(QRect(cell.topLeft() + QPoint(2, 2), size), pixmap);
            painter.drawText(QRect(cell.left(), cell.bottom() - 14, cell.width(), 14), Qt::AlignLeft, m_names[i]);
        }
    }

private:
    QStringList m_names;
};

void Show(QWidget& widget) {
    widget.show();
    widget.activateWindow();
    (void)QTest::qWaitForWindowExposed(&widget);
    (void)QTest::qWaitForWindowActive(&widget, 1000);
}

void Hover(QWidget& widget) {
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), widget.mapToGlobal(QPointF(4, 4)));
    QApplication::sendEvent(&widget, &enter);
}

void Unhover(QWidget& widget) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, &leave);
}

}  // namespace

bool Save(QWidget& widget, const QDir& dir, const QString& name) {
    QApplication::processEvents();
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    if (widget.grab().save(path)) return true;
    std::fprintf(stderr, "ui_gallery: cannot write %s\n", qUtf8Printable(path));
    return false;
}

void ShotList::operator()(QWidget& widget, const QString& name) {
    if (Save(widget, m_dir, name))
        m_written << name + QStringLiteral(".png");
    else
        m_ok = false;
}

QStringList WriteControlShots(const QDir& dir) {
    ShotList save(dir);

    // The window with a 22-px bar and its title, active, rolled over and inactive.
    app::TCImageWindow window;
    window.setFadesOnClose(false);
    window.resize(480, 240);
    window.setShowsTitle(true);
    window.setTitleTextColor(QColor(app::theme::kGlyph));
    window.setTitle(app::Text(QStringLiteral("WINDOW_TOP_TITLE")));
    window.setContentView(new app::SelectTypeTopView);
    Show(window);
    save(window, QStringLiteral("TCImageWindow-22px"));
    auto* group = window.closeButton()->group();
    group->resetMouseCaptures();
    group->didCaptureMousePointer();
    save(window, QStringLiteral("TCImageWindow-rollover"));
    group->didReleaseMousePointer();

    // The results window's bar, as a scan shows it half way.
    ScanBarWindow bar;
    bar.setFadesOnClose(false);
    bar.showStill(42.5f, 1234, QStringLiteral("00:01:17"));
    Show(bar);
    QTest::qWait(350);  // the search box's look comes a moment after it is made
    save(bar, QStringLiteral("TCImageWindow-90px"));
    save(window, QStringLiteral("TCImageWindow-inactive"));  // the bar window took the focus
    bar.hide();

    // The results window's own bar, drawn from each state of a deep scan stopped while paused, of a
    // quick scan to its end (the recover button, the deep-scan offer's button) and of a loaded file.
    app::TCImageWindow scanStates;
    scanStates.setFadesOnClose(false);
    scanStates.setTitleBarHeight(app::results::kScanBarHeight);
    scanStates.setTrafficLightButtonsLeftMargin(13);
    scanStates.setTopButtonMoveUp(35);
    auto* scanBar = new app::results::ScanBar(&scanStates);
    scanStates.setTitleBarView(scanBar);
    scanStates.resize(app::results::kScanBarDesignWidth, 140);
    Show(scanStates);
    scanBar->layoutParts();
    using app::results::ScanKind;
    using app::results::ScanPhase;
    const std::pair<app::results::ScanState, const char*> states[] = {
        {{ScanPhase::Idle, ScanKind::Deep}, "idle"},          {{ScanPhase::Running, ScanKind::Deep}, "running"},
        {{ScanPhase::Paused, ScanKind::Deep}, "paused"},      {{ScanPhase::Stopping, ScanKind::Deep}, "stopping"},
        {{ScanPhase::Ended, ScanKind::Deep}, "stopped-deep"}, {{ScanPhase::Running, ScanKind::Quick}, "running-quick"},
        {{ScanPhase::Ended, ScanKind::Quick}, "ended-quick"}, {{ScanPhase::Running, ScanKind::Import}, "loading"},
        {{ScanPhase::Ended, ScanKind::Import}, "loaded"}};
    for (const auto& [state, name] : states) {
        scanBar->showState(state);
        if (state.phase != ScanPhase::Ended) scanBar->showProgress(42.5, 1234, QStringLiteral("00:01:17"));
        scanBar->setSelectionText(
            app::Text(QStringLiteral("PAGE_FOUR_ALL_FILES_SIZE")).arg(QStringLiteral("12.34 MB")).arg(1234));
        QTest::qWait(450);  // the recover button's slide
        save(scanStates, QStringLiteral("ScanBar-") + QLatin1String(name));
    }
    scanStates.hide();

    // Image buttons in each state: a glyph button, a small one and one with a caption.
    Stage buttons(QSize(260, 70));
    auto* focusSink = new QLineEdit(&buttons);
    focusSink->setGeometry(0, 0, 1, 1);
    auto* home = new app::TCImageButton(&buttons);
    home->setImageFamily(QStringLiteral("home"));
    home->setGeometry(16, 19, 32, 32);
    auto* pause = new app::TCImageButton(&buttons);
    pause->setImageFamily(QStringLiteral("pause"));
    pause->setGeometry(68, 27, 16, 16);
    auto* recover = new app::TCImageButton(&buttons);
    recover->setImageFamily(QStringLiteral("botton_recover"));
    recover->setGeometry(110, 20, 130, 30);
    recover->setTextWithName(app::Text(QStringLiteral("PAGE_FOUR_RECOVERY_BUTTON")), QRect(0, 0, 130, 30));
    const QList<app::TCImageButton*> all{home, pause, recover};
    Show(buttons);
    focusSink->setFocus();
    save(buttons, QStringLiteral("TCImageButton-normal"));
    for (auto* b : all) Hover(*b);
    save(buttons, QStringLiteral("TCImageButton-hover"));
    for (auto* b : all) Unhover(*b), b->setDown(true);
    save(buttons, QStringLiteral("TCImageButton-pressed"));
    for (auto* b : all) b->setDown(false), b->setButtonEnabled(false);
    save(buttons, QStringLiteral("TCImageButton-disabled"));
    for (auto* b : all) b->setButtonEnabled(true);
    QTest::keyClick(focusSink, Qt::Key_Tab);
    save(buttons, QStringLiteral("TCImageButton-focus"));

    Stage standardStage(QSize(160, 50));
    auto* standard = new app::TCImageButton(&standardStage);
    standard->setText(QStringLiteral("Standard"));
    standard->setImageFromFileNormalName(QString(), QStringLiteral("home_press"), QString(), QString());
    standard->setGeometry(20, 12, 120, 26);
    save(standardStage, QStringLiteral("TCImageButton-standard"));

    // The lights alone, in their three looks.
    Stage lights(QSize(80, 24));
    QList<app::TCWindowButton*> trio;
    for (const char* kind : {"close", "minimize", "zoom"}) {
        auto* light = new app::TCWindowButton(QSize(14, 16), QStringLiteral("gallery"), &lights);
        light->setImagesOfKind(QLatin1String(kind));
        light->move(8 + int(trio.size()) * 22, 4);
        trio << light;
    }
    Show(lights);
    save(lights, QStringLiteral("TCWindowButton-active"));
    trio.front()->group()->didCaptureMousePointer();
    save(lights, QStringLiteral("TCWindowButton-rollover"));
    trio.front()->group()->resetMouseCaptures();
    for (auto* light : trio) light->setEnabled(false);
    save(lights, QStringLiteral("TCWindowButton-inactive"));

    Stage hand(QSize(160, 50));
    auto* link = new app::QNHandButton(QStringLiteral("quorin.example"), &hand);
    link->setGeometry(20, 12, 120, 26);
    save(hand, QStringLiteral("QNHandButton"));

    // The progress bar at three values, NaN among them.
    for (const auto& [value, name] :
         {std::pair{0.0f, "0"}, std::pair{42.5f, "42"}, std::pair{100.0f, "100"}, std::pair{float(qQNaN()), "nan"}}) {
        Stage track(QSize(400, 30));
        auto* progress = new app::QNProgressView(&track);
        progress->setGeometry(16, 12, 368, 6);
        progress->changeProgressValue(float(value));
        save(track, QStringLiteral("QNProgressView-%1").arg(QLatin1String(name)));
    }

    app::SelectTypeTopView top;
    top.resize(200, 60);
    save(top, QStringLiteral("SelectTypeTopView"));

    // Both search boxes, empty and holding text.
    Stage searchStage(QSize(240, 50));
    auto* search = new app::NewSearchTextFiled(&searchStage);
    search->setGeometry(20, 10, 200, 30);
    Show(searchStage);
    QTest::qWait(350);  // its look is set up a moment after it is made
    save(searchStage, QStringLiteral("NewSearchTextFiled-empty"));
    search->textField()->setFocus();
    QTest::keyClicks(search->textField(), QStringLiteral("holiday"));
    save(searchStage, QStringLiteral("NewSearchTextFiled-text"));

    Stage thStage(QSize(240, 44));
    auto* th = new app::THSearchField(&thStage);
    th->setPlaceholderText(QStringLiteral("Search"));
    th->setGeometry(20, 8, 200, 28);
    save(thStage, QStringLiteral("THSearchField-empty"));
    th->setText(QStringLiteral("IMG_2041.JPG"));
    save(thStage, QStringLiteral("THSearchField-text"));

    // Names from a disk are text, never markup, and long ones are elided.
    Stage labels(QSize(260, 50));
    auto* markup = new app::ElidedLabel(QStringLiteral("<b>photo</b><img src=\"/tmp/x\">"), &labels);
    markup->setTextColor(Qt::white);
    markup->setGeometry(10, 5, 240, 18);
    auto* longName = new app::ElidedLabel(QString(4096, QLatin1Char('x')) + QStringLiteral(".jpg"), &labels);
    longName->setTextColor(Qt::white);
    longName->setElideMiddle(true);
    longName->setGeometry(10, 27, 240, 18);
    save(labels, QStringLiteral("ElidedLabel"));

    // A confirmation sheet under the bar.
    Show(window);
    const app::SheetTexts texts{app::Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_TITLE")),
                                app::Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_NODE")),
                                app::Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_YES_BUTTON")),
                                app::Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_NO_BUTTON"))};
    QMessageBox* sheet = app::OpenSheet(&window, texts, {});
    (void)QTest::qWaitForWindowExposed(sheet);
    save(*sheet, QStringLiteral("QMessageBox-sheet"));
    sheet->close();

    std::unique_ptr<app::ZoomWindow> zoom(app::createZoomWindowWithRect(&window, QRect(0, 0, 240, 120)));
    save(*zoom, QStringLiteral("ZoomWindow"));

    ContactSheet images;
    save(images, QStringLiteral("ImageLibrary-all"));
    return save.Written();
}

}  // namespace gallery
