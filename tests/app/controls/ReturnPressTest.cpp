// Return on a focused button presses that button, on every page that offers buttons to the
// keyboard: the wizard's file-type and disk pages, the recovery's progress (each of its views) and
// finished dialogs, the About window. Each button is tried on a page of its own, made fresh, so
// that no press changes what the next one meets. Addresses are caught, never opened.
#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

#include "app/controls/TCImageButton.h"
#include "app/recovery/QNScanEndSaveWindowController.h"
#include "app/recovery/QNShowScanProgressWindowController.h"
#include "app/update/QNAboutWindowController.h"
#include "app/wizard/QNSelectDiskViewController.h"
#include "app/wizard/QNSelectTypeViewController.h"

class AddressCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl&) {}
};

namespace {

using app::recovery::QNShowScanProgressWindowController;

// A page made fresh: its window, and whatever owns it.
struct Made {
    std::shared_ptr<QObject> owner;
    QWidget* window;
};
using Maker = std::function<Made()>;

template <class T, class... Args>
Made Widget(Args&&... args) {
    auto page = std::make_shared<T>(std::forward<Args>(args)...);
    return {page, page.get()};
}

// The buttons the keyboard reaches: shown, enabled, on the Tab chain; check boxes tick on Space
// and leave Return to the page.
QList<QAbstractButton*> KeyboardButtons(QWidget* window) {
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->isVisibleTo(window) && button->isEnabled() && (button->focusPolicy() & Qt::TabFocus) &&
            !qobject_cast<QCheckBox*>(button))
            buttons << button;
    return buttons;
}

TEST(ReturnKey, PressesTheFocusedButtonOnEveryPage) {
    AddressCatcher catcher;
    for (const char* scheme : {"http", "https", "file"}) QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    app::UpdateAddresses addresses;
    addresses.aboutUrl = QUrl(QStringLiteral("https://example.org/about"));
    const std::vector<std::pair<const char*, Maker>> pages = {
        {"file types", [] { return Widget<app::QNSelectTypeViewController>(); }},
        {"disks", [] { return Widget<app::QNSelectDiskViewController>(); }},
        {"recovery copying", [] { return Widget<QNShowScanProgressWindowController>(); }},
        {"recovery question",
         [] {
             Made made = Widget<QNShowScanProgressWindowController>();
             static_cast<QNShowScanProgressWindowController*>(made.window)->stopProgressButtonAction();
             return made;
         }},
        {"recovery disk full",
         [] {
             Made made = Widget<QNShowScanProgressWindowController>();
             static_cast<QNShowScanProgressWindowController*>(made.window)->setNoMemeryViewHidden();
             return made;
         }},
        {"recovery finished",
         [] {
             return Widget<app::recovery::QNScanEndSaveWindowController>(QStringLiteral("/tmp"),
                                                                         app::recovery::RecoveryCounts{1, 1, 0, 0});
         }},
        {"about",
         [&addresses] {
             auto about = std::make_shared<app::QNAboutWindowController>(addresses);
             return Made{about, about->window()};
         }},
    };
    for (const auto& [name, make] : pages) {
        const qsizetype count = [&] {
            Made made = make();
            made.window->show();
            return KeyboardButtons(made.window).size();
        }();
        EXPECT_GT(count, 0) << name;
        for (qsizetype i = 0; i < count; ++i) {
            Made made = make();
            made.window->show();
            made.window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(made.window)) << name;
            QAbstractButton* button = KeyboardButtons(made.window).value(i);
            ASSERT_NE(button, nullptr) << name;
            const std::string label = name + std::string(": ") + std::to_string(i) + " " + button->text().toStdString();
            button->setFocus(Qt::TabFocusReason);
            ASSERT_EQ(QApplication::focusWidget(), button) << label;
            QSignalSpy clicked(button, &QAbstractButton::clicked);
            // A button whose own flag is off answers with its refusal: that is its press too.
            auto* image = qobject_cast<app::TCImageButton*>(button);
            std::unique_ptr<QSignalSpy> refused =
                image ? std::make_unique<QSignalSpy>(image, &app::TCImageButton::refusedPress) : nullptr;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !clicked.isEmpty() || (refused && !refused->isEmpty()); }, 2000))
                << label << " did not answer Return";
        }
    }
    for (const char* scheme : {"http", "https", "file"}) QDesktopServices::unsetUrlHandler(scheme);
}

}  // namespace

#include "ReturnPressTest.moc"
