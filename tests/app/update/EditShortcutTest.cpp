// The edit shortcuts: exact Ctrl combinations call the focus widget's edit slots before a window
// shortcut, and only when it has them.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "app/update/EditShortcutFilter.h"

namespace {

// Has copy() but no key handling of its own: only the filter can reach it.
class SlotOnly : public QWidget {
    Q_OBJECT
public:
    SlotOnly() { setFocusPolicy(Qt::StrongFocus); }
    int copies = 0;
public slots:
    void copy() { ++copies; }
};

struct Window {
    QWidget window;
    QLineEdit* edit = new QLineEdit;
    SlotOnly* slotOnly = new SlotOnly;
    QWidget* plain = new QWidget;
    int cuts = 0, copies = 0;
    Window() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(edit);
        layout->addWidget(slotOnly);
        layout->addWidget(plain);
        plain->setFocusPolicy(Qt::StrongFocus);
        for (auto [key, counter] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_X), &cuts},
                                    std::pair{QKeySequence(Qt::CTRL | Qt::Key_C), &copies}}) {
            auto* action = new QAction(&window);
            action->setShortcut(key);
            QObject::connect(action, &QAction::triggered, [counter] { ++*counter; });
            window.addAction(action);
        }
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

TEST(EditShortcuts, ExactCtrlKeysReachTheFocusWidget) {
    static app::EditShortcutFilter* const filter = app::EditShortcutFilter::Install();
    ASSERT_TRUE(filter);
    Window w;
    w.edit->setFocus();
    w.edit->setText(QStringLiteral("photo.jpg"));
    w.edit->selectAll();
    QTest::keyClick(w.edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("photo.jpg"));
    EXPECT_EQ(w.copies, 0);

    QTest::keyClick(w.edit, Qt::Key_End);
    QTest::keyClick(w.edit, 'Z', Qt::ShiftModifier);
    EXPECT_EQ(w.edit->text(), QStringLiteral("photo.jpgZ"));
    QTest::keyClick(w.edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w.edit->text(), QStringLiteral("photo.jpg"));
    QTest::keyClick(w.edit, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.edit->text(), QStringLiteral("photo.jpgZ"));

    // Not exactly Ctrl: not ours.
    QKeyEvent altC(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(app::EditShortcutFilter::ActionFor(altC), nullptr);
    QKeyEvent ctrlC(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    EXPECT_STREQ(app::EditShortcutFilter::ActionFor(ctrlC), "copy()");

    // A widget with copy() gets it before the window's shortcut does.
    w.slotOnly->setFocus();
    QTest::keyClick(w.slotOnly, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(w.slotOnly->copies, 1);
    EXPECT_EQ(w.copies, 0);

    // Nothing to cut: the window's shortcut takes Ctrl+X.
    w.plain->setFocus();
    QTest::keyClick(w.plain, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(w.cuts, 1);
}

}  // namespace

#include "EditShortcutTest.moc"
