#include "app/controls/FocusHalo.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QPainter>
#include <QPointer>
#include <QToolButton>

#include "app/controls/FocusRing.h"

namespace app {

namespace {

// A ring over its parent, passing the mouse through.
class Halo : public QWidget {
public:
    explicit Halo(QWidget* target) : QWidget(target) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setObjectName(QStringLiteral("focusHalo"));
        setGeometry(target->rect());
        raise();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        DrawFocusRing(painter, rect());
    }
};

class HaloFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut && m_halo && m_halo->parent() == watched) delete m_halo;
        if (event->type() == QEvent::Resize && m_halo && m_halo->parent() == watched)
            m_halo->setGeometry(static_cast<QWidget*>(watched)->rect());
        if (event->type() != QEvent::FocusIn || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (!NeedsFocusHalo(widget) || !ShowsFocusRing(static_cast<QFocusEvent*>(event)->reason())) return false;
        delete m_halo;
        m_halo = new Halo(widget);
        m_halo->show();
        return false;
    }

private:
    QPointer<Halo> m_halo;
};

}  // namespace

bool NeedsFocusHalo(const QWidget* widget) {
    if (qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QToolButton*>(widget)) return true;
    // A list with a current row rings that row itself.
    const auto* view = qobject_cast<const QAbstractItemView*>(widget);
    return view && !view->currentIndex().isValid();
}

void InstallFocusHalo(QApplication& application) { application.installEventFilter(new HaloFilter(&application)); }

}  // namespace app
