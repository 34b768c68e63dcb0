#include "app/hook/HookActions.h"

#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <QtDebug>

#include <memory>

#include "app/base/LaunchOptions.h"
#include "app/controls/TCImageButton.h"
#include "app/models/ResultTreeModel.h"
#include "app/results/FilePane.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/ResultsExport.h"
#include "app/results/ResultsRecovery.h"
#include "app/wizard/QNRootWindowController.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/OpNodeData.h"

namespace app {

namespace {

using results::QNDeletailWindowController;
using uimodel::QNUIController;

// Answers the window's next file dialog with `path`, once; a dialog that does not take it (a
// folder that does not exist) is cancelled and `refused` runs.
void AnswerNextFileDialog(QNDeletailWindowController* window, const QString& path, std::function<void()> refused) {
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection =
        QObject::connect(window, &QNDeletailWindowController::fileDialogOpened, window,
                         [connection, path, refused](QFileDialog* dialog) {
                             QObject::disconnect(*connection);
                             // The dialog would ask whether to replace it, and nobody is there to answer.
                             if (dialog->acceptMode() == QFileDialog::AcceptSave && QFileInfo::exists(path)) {
                                 qWarning("Hook: %s exists already; it is not replaced", qUtf8Printable(path));
                                 dialog->reject();
                                 refused();
                                 return;
                             }
                             if (dialog->fileMode() == QFileDialog::Directory) dialog->setDirectory(path);
                             dialog->selectFile(path);
                             // A save onto an existing file asks whether to replace it (a
                             // modal box inside accept): yes, as a person saving there says.
                             QTimer::singleShot(0, dialog, [dialog] {
                                 if (auto* box = dialog->findChild<QMessageBox*>()) box->done(QMessageBox::Yes);
                             });
                             static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
                             if (!dialog->isVisible()) return;
                             qWarning("Hook: the dialog did not take %s", qUtf8Printable(path));
                             dialog->reject();
                             refused();
                         });
}

// Checks every root of the path tree, as clicks on their boxes would.
void CheckEverything(QNDeletailWindowController* window) {
    window->filePane()->selectTab(QNDeletailWindowController::kPathTab);
    results::ResultTreeModel* model = window->filePane()->treeModel(QNDeletailWindowController::kPathTab);
    for (int row = 0; row < model->rowCount(); ++row) {
        auto* item = static_cast<uimodel::OpNodeData*>(model->index(row, 0).internalPointer());
        if (item && item->state() != 2) window->filePane()->clickButtonAction(item);
    }
}

void Recover(QNDeletailWindowController* window, const QString& folder,
             const std::function<void(const QString&)>& done) {
    // The script's destination, made only now that the scanned device is known: its deepest
    // existing folder is checked first, and on refusal nothing is made.
    if (const std::string why = QNUIController::PrepareRecoveryFolder(QFile::encodeName(folder).toStdString());
        !why.empty()) {
        qWarning("Hook: recovery to %s refused: %s", qUtf8Printable(folder), why.c_str());
        done(QStringLiteral(" recovered=0 failed=0 noted=0 refused=1"));
        return;
    }
    // Nobody of a script makes room on a full destination: the file fails and the run ends.
    QNUIController::SetRecoveryWaitsForRoom(false);
    CheckEverything(window);
    // A sheet means the destination was refused: reported, nothing recovered.
    auto refused = std::make_shared<QMetaObject::Connection>();
    *refused =
        QObject::connect(window, &QNDeletailWindowController::sheetOpened, window, [refused, done](QWidget* sheet) {
            QObject::disconnect(*refused);
            if (auto* box = qobject_cast<QMessageBox*>(sheet))
                qWarning("Hook: recovery refused: %s", qUtf8Printable(box->text()));
            sheet->close();
            done(QStringLiteral(" recovered=0 failed=0 noted=0 refused=1"));
        });
    QObject::connect(window, &QNDeletailWindowController::recoveryEnded, window, [window, refused, done](bool) {
        QObject::disconnect(*refused);
        const QString extra = QStringLiteral(" recovered=%1 failed=%2 noted=%3")
                                  .arg(QNUIController::GetRecoveridedFiles())
                                  .arg(QNUIController::GetRecoveryFailedFiles())
                                  .arg(QNUIController::GetRecoveryNotedFiles());
        // The last dialog is shown; its OK closes it.
        QTimer::singleShot(200, window, [window, extra, done] {
            for (QDialog* dialog : window->findChildren<QDialog*>())
                if (dialog->isVisible() && !qobject_cast<QFileDialog*>(dialog))
                    static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
            done(extra);
        });
    });
    if (!window->findChild<TCImageButton*>(QStringLiteral("recoverButton"))->isButtonEnabled()) {
        QObject::disconnect(*refused);
        done(QStringLiteral(" recovered=0 failed=0 noted=0"));
        return;
    }
    AnswerNextFileDialog(window, folder, [refused, done] {
        QObject::disconnect(*refused);
        done(QStringLiteral(" recovered=0 failed=0 noted=0 refused=1"));
    });
    // The button's own action: the bar's controls answer clicks only in the active window, and
    // the hook's windows may have no window manager to make them active.
    window->recovery()->recovrtyButtonClick();
}

}  // namespace

void RunHookActions(QNDeletailWindowController* window, const LaunchOptions& options,
                    std::function<void(const QString& extra)> done) {
    auto recover = [window, options, done](const QString& before) {
        if (options.recoverTo.isEmpty()) {
            done(before);
            return;
        }
        Recover(window, QFileInfo(options.recoverTo).absoluteFilePath(),
                [before, done](const QString& extra) { done(before + extra); });
    };
    if (options.saveTo.isEmpty() || !window->findChild<TCImageButton*>(QStringLiteral("exportButton"))) {
        recover(options.saveTo.isEmpty() ? QString() : QStringLiteral(" saved=0"));
        return;
    }
    // The save ends in scanSaved, or in a sheet (the scanned device): the first of them goes on.
    auto saved = std::make_shared<QMetaObject::Connection>();
    auto sheet = std::make_shared<QMetaObject::Connection>();
    auto next = [recover, saved, sheet](bool success) {
        QObject::disconnect(*saved);
        QObject::disconnect(*sheet);
        recover(QStringLiteral(" saved=%1").arg(success ? 1 : 0));
    };
    *saved = QObject::connect(window, &QNDeletailWindowController::scanSaved, window, next);
    *sheet = QObject::connect(window, &QNDeletailWindowController::sheetOpened, window, [next](QWidget* box) {
        box->close();
        next(false);
    });
    AnswerNextFileDialog(window, QFileInfo(options.saveTo).absoluteFilePath(), [next] { next(false); });
    window->exporter()->exportButtonAction();
}

void LoadThroughImport(QNRootWindowController* root, const QString& file) {
    root->importButtonClick();
    if (auto* dialog = root->findChild<QFileDialog*>()) {
        dialog->selectFile(QFileInfo(file).absoluteFilePath());
        static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
    } else {
        qWarning("Hook: the import dialog did not open");
    }
}

}  // namespace app
