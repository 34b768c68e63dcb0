#include "app/controls/Sheet.h"

#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include "app/controls/ImageLibrary.h"
#include "app/controls/PlainText.h"
#include "app/controls/TCImageWindow.h"

namespace app {

QMessageBox* OpenSheet(QWidget* window, const SheetTexts& texts, std::function<void(int)> done) {
    QWidget* top = window ? window->window() : nullptr;
    auto* box = new QMessageBox(top);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    // Names read from disks end up in these texts: never let them be taken for markup.
    box->setTextFormat(Qt::PlainText);
    box->setText(OneLine(texts.message));
    box->setInformativeText(texts.informative);
    for (QLabel* label : box->findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    box->setIconPixmap(imageNamed(QStringLiteral("warning_b")));
    QPushButton* yes = box->addButton(texts.defaultButton, QMessageBox::AcceptRole);
    QPushButton* no =
        texts.alternateButton.isEmpty() ? nullptr : box->addButton(texts.alternateButton, QMessageBox::RejectRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(no ? no : yes);
    QObject::connect(box, &QMessageBox::buttonClicked, box, [yes, done = std::move(done)](QAbstractButton* clicked) {
        if (done) done(clicked == yes ? 1 : 0);
    });
    box->open();
    if (top) {
        // Out of the bar's lower edge, centred across the window.
        const int barBottom = [&] {
            if (auto* imageWindow = qobject_cast<TCImageWindow*>(top))
                return imageWindow->sheetRect(QRect(0, 0, box->width(), box->height())).top();
            return 0;
        }();
        box->adjustSize();
        const QPoint origin = top->mapToGlobal(QPoint((top->width() - box->width()) / 2, barBottom));
        box->move(origin);
    }
    return box;
}

}  // namespace app
