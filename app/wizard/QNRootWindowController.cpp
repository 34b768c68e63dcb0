#include "app/wizard/QNRootWindowController.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QResizeEvent>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <unistd.h>

#include <algorithm>
#include <utility>

#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/BarTitle.h"
#include "app/controls/Sheet.h"
#include "app/controls/TCImageButton.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/QNProgressWindow.h"
#include "app/wizard/ChoiceCount.h"
#include "app/wizard/QNSelectDiskViewController.h"
#include "app/wizard/QNSelectTypeViewController.h"
#include "engine/IEnumDeviceEx.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/PublicUtilities.h"
#include "uimodel/support/Seams.h"

namespace app {

namespace {

using uimodel::QNUIController;

const QString kListReady = QStringLiteral("aInitFinished");

// Why the enumerator gave nothing, in words a user can act on.
QString ListFailureReason(RESULT result) {
    if (ResultModule(result) == kModuleEnumDevice && ResultCode(result) == kCodeEnumNoDisk)
        return QStringLiteral("no disk could be opened for reading");
    return QStringLiteral("error %1").arg(QString::number(result, 16));
}

// The sheet's words for why an image file was refused.
QString ImageRefusal(uimodel::DiskImageAnswer answer) {
    using uimodel::DiskImageAnswer;
    switch (answer) {
        case DiskImageAnswer::NoPath:
            return Text(QStringLiteral("IMAGE_REFUSED_NO_PATH"));
        case DiskImageAnswer::Missing:
            return Text(QStringLiteral("IMAGE_REFUSED_MISSING"));
        case DiskImageAnswer::Folder:
            return Text(QStringLiteral("IMAGE_REFUSED_FOLDER"));
        case DiskImageAnswer::NotAFile:
            return Text(QStringLiteral("IMAGE_REFUSED_NOT_A_FILE"));
        case DiskImageAnswer::Unreadable:
            return Text(QStringLiteral("IMAGE_REFUSED_UNREADABLE"));
        case DiskImageAnswer::TooSmall:
            return Text(QStringLiteral("IMAGE_REFUSED_TOO_SMALL"));
        case DiskImageAnswer::Busy:
            return Text(QStringLiteral("IMAGE_REFUSED_BUSY"));
        case DiskImageAnswer::NoDisk:
        case DiskImageAnswer::Listable:
            break;
    }
    return Text(QStringLiteral("IMAGE_REFUSED_NO_DISK"));
}

// A device as the user knows it: its name, size and file system (none for a disk row).
QString DeviceText(const std::string& name, std::int64_t capacity, int fileSystem) {
    QString facts = QString::fromStdString(uimodel::longlongDiskSize(capacity));
    if (fileSystem >= 0)
        facts += QStringLiteral(", ") + QString::fromStdString(uimodel::fileSystemTypeForInt(fileSystem, 0));
    return QStringLiteral("\u201c%1\u201d (%2)").arg(QString::fromStdString(name), facts);
}

// The saved device named as the disk page names its disk (an image by its file name), when the
// file tells it; else by its own name (a volume's label).
QString SavedDeviceText(const uimodel::_DiskVolumeData& saved) {
    return DeviceText(saved.diskName.empty() ? saved.name : saved.diskName, saved.s64Capacity, saved.iFileSystem);
}

const char kImageFolderKey[] = "LastDiskImageFolder";

// Where disk images were last opened from, else the home folder.
QString ImageFolder() {
    const auto& settings = uimodel::GetSeams().pSettings;
    const auto folder = settings ? settings->Value(kImageFolderKey) : std::nullopt;
    if (folder && QFileInfo(QString::fromStdString(*folder)).isDir()) return QString::fromStdString(*folder);
    return QDir::homePath();
}

void RememberImageFolder(const QString& image) {
    if (const auto& settings = uimodel::GetSeams().pSettings)
        settings->SetValue(kImageFolderKey, QFileInfo(image).absolutePath().toStdString());
}

// What the image listed as disk `diskIndex` holds: its disk and its volumes.
QString ImageDevicesText(int diskIndex) {
    std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> disks;
    QNUIController::GetDeviceInfoToArray(disks);
    QStringList held;
    for (const auto& disk : disks) {
        if (disk->diskIndex() != diskIndex) continue;
        held << DeviceText(disk->name(), disk->capacity(), -1);
        for (const auto& volume : disk->children())
            held << DeviceText(volume->name(), volume->capacity(), volume->fileSystem());
    }
    return held.join(QStringLiteral(", "));
}

}  // namespace

QNRootWindowController::QNRootWindowController(QWidget* parent) : TCImageWindow(parent) {
    setTitleBarHeight(22);
    setTitle(Text(QStringLiteral("WINDOW_TOP_TITLE")));
    // The window's own title stays hidden; the bar shows it as a label of its own.
    new BarTitle(Text(QStringLiteral("WINDOW_TOP_TITLE")), this);
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    m_pages = new QStackedWidget(content);
    m_typePage = new QNSelectTypeViewController(m_pages);
    m_diskPage = new QNSelectDiskViewController(m_pages);
    m_pages->addWidget(m_typePage);
    m_pages->addWidget(m_diskPage);
    layout->addWidget(m_pages, 1);
    m_message = new QLabel(content);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->hide();
    layout->addWidget(m_message);
    setContentView(content);
    resize(1000, 600);

    m_typePage->allTypesButtonClick();  // the page opens with every category chosen
    connect(m_typePage, &QNSelectTypeViewController::beginToStartScan, this,
            &QNRootWindowController::selectTypesContinouButtonClick);
    connect(m_diskPage, &QNSelectDiskViewController::doubleClickedListToScan, this, [this] {
        // While the list is made again the page's rows may name devices by old places: the scan
        // waits for the new list and goes on when the chosen device is still in it.
        if (m_waitingForList) {
            m_scanWhenListed = true;
            return;
        }
        openResults(m_diskPage->takeChoice());
    });
    connect(m_diskPage, &QNSelectDiskViewController::backHomeButtonAction, this, &QNRootWindowController::backHome);
    connect(m_diskPage, &QNSelectDiskViewController::diskImageRequested, this,
            &QNRootWindowController::diskImageButtonClick);

    NotificationCenter& center = NotificationCenter::instance();
    center.addObserver(this, kListReady, [this](const QVariantMap&) {
        if (m_waitingForList) InitFinished();
    });
    for (const QString& name : {QStringLiteral("RefreshAttachDevice"), QStringLiteral("RefreshDetachDevice")})
        center.addObserver(this, name, [this](const QVariantMap&) { refreshDevices(); });
    m_import = new TCImageButton(this);
    m_import->setImageFamily(QStringLiteral("import"));
    m_import->setToolTip(Text(QStringLiteral("PAGE_TWO_IMPORT_BUTTON_TIP")));
    m_import->setAccessibleName(Text(QStringLiteral("PAGE_TWO_IMPORT_BUTTON_TIP")));
    m_import->setButtonEnabled(true);
    m_import->setFixedSize(16, 16);
    if (QWidget* bar = titleBarView()) m_import->setParent(bar);  // placed at the bar's right end on resize
    connect(m_import, &QAbstractButton::clicked, this, &QNRootWindowController::importButtonClick);
    center.addObserver(this, QStringLiteral("ShowDetailWindow"), [this](const QVariantMap&) {
        // A window discarded after a failed or stopped load is gone: nothing to show.
        if (!m_results || m_results->isVisible()) return;
        m_results->show();
        hide();
        emit resultsWindowOpened(m_results);
    });
    m_typePage->startScanButton()->setFocus();
}

QNRootWindowController::~QNRootWindowController() { NotificationCenter::instance().removeObserver(this); }

QString QNRootWindowController::message() const { return m_message->isVisible() ? m_message->text() : QString(); }

void QNRootWindowController::showMessage(const QString& text) {
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

void QNRootWindowController::selectTypesContinouButtonClick() {
    if (m_waitingForList) return;
    showMessage({});
    m_waitingForList = true;
    m_typePage->setBusy(true);
    // Posts at once when the list is ready, else after enumerating on a thread (again after a
    // failure).
    QNUIController::NotifiyDeviceInfoAfterInit(kListReady.toStdString());
}

bool QNRootWindowController::afterList(std::function<void()> step) {
    if (!m_waitingForList) return false;
    // The file the user chose is taken once the list is made, never dropped.
    m_afterList = std::move(step);
    return true;
}

void QNRootWindowController::InitFinished() {
    listReady();
    if (!m_waitingForList && m_afterList) std::exchange(m_afterList, nullptr)();
}

void QNRootWindowController::listReady() {
    m_waitingForList = false;
    m_typePage->setBusy(false);
    const bool refresh = std::exchange(m_refreshing, false);
    const bool scan = std::exchange(m_scanWhenListed, false);
    if (RESULT reason = kResultSuccess; QNUIController::DidDeviceListFail(reason)) {
        // The disk page shows all the same: its "Disk image…" needs no disk of the machine.
        if (refresh) {
            if (m_whichPage == 3) listedAgain({}, scan);
            return;
        }
        QNUIController::SetRecoveryType(m_typePage->selection().Mask());
        m_diskPage->setDisks({});
        m_pages->setCurrentWidget(m_diskPage);
        m_whichPage = 3;
        showListState();
        return;
    }
    showMessage({});
    std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> disks;
    QNUIController::GetDeviceInfoToArray(disks);
    if (refresh) {
        if (m_whichPage == 3) listedAgain(std::move(disks), scan);
        return;
    }
    const Choices choices = CountChoices(disks);
    QNUIController::SetRecoveryType(m_typePage->selection().Mask());
    if (choices.only) {
        openResults(CopyChoice(*choices.only, ParentNameOf(disks, *choices.only)));
        return;
    }
    m_diskPage->setDisks(std::move(disks));
    m_pages->setCurrentWidget(m_diskPage);
    m_whichPage = 3;
}

void QNRootWindowController::listedAgain(std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> disks, bool scan) {
    m_diskPage->updateDisks(std::move(disks));
    showListState();
    // Media came or went while the list was made: once more, and a Continue waits for that too.
    if (std::exchange(m_refreshAgain, false)) refreshDevices();
    if (m_waitingForList) {
        m_scanWhenListed = scan;
        return;
    }
    if (scan && m_diskPage->selectDiskVolume()) openResults(m_diskPage->takeChoice());
}

void QNRootWindowController::relistDiskPage() {
    if (m_whichPage != 3) return;
    std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> disks;
    QNUIController::GetDeviceInfoToArray(disks);
    m_diskPage->updateDisks(std::move(disks));
    showListState();
}

void QNRootWindowController::showListState() {
    RESULT reason = kResultSuccess;
    if (!QNUIController::DidDeviceListFail(reason)) {
        showMessage({});
        return;
    }
    QString text = Text(QStringLiteral("DEVICE_LIST_FAILED")).arg(ListFailureReason(reason));
    // Root may read every disk already: telling it to become root would send it the wrong way.
    if (::geteuid() != 0) text += QLatin1Char(' ') + Text(QStringLiteral("DEVICE_LIST_NEEDS_RIGHTS"));
    showMessage(text);
}

void QNRootWindowController::refreshDevices() {
    // Only the disk page shows the list; a refresh lets the last scan's nodes go, so never while
    // a results window shows them. A refused refresh (a job runs) leaves the list as it is.
    if (m_whichPage != 3 || m_results) return;
    if (m_waitingForList) {
        m_refreshAgain = m_refreshing;
        return;
    }
    if (!QNUIController::RefreshDeviceInfoAsync(kListReady.toStdString())) return;
    m_waitingForList = true;
    m_refreshing = true;
}

void QNRootWindowController::backHome() {
    if (m_whichPage != 3) return;
    m_pages->setCurrentWidget(m_typePage);
    m_whichPage = 2;
    m_scanWhenListed = false;
    showMessage({});
    m_typePage->startScanButton()->setFocus();
}

void QNRootWindowController::placeResults(QWidget* window) const {
    // Just below where this window stands, yet whole on its screen: at 200 % a laptop's screen
    // is shorter than the results window's least height plus that step.
    QRect frame(pos() + QPoint(0, 50), window->size());
    if (QScreen const* screen = this->screen()) {
        QRect const area = screen->availableGeometry();
        frame.moveBottomRight(QPoint(std::min(frame.right(), area.right()), std::min(frame.bottom(), area.bottom())));
        frame.moveTopLeft(QPoint(std::max(frame.left(), area.left()), std::max(frame.top(), area.top())));
    }
    window->move(frame.topLeft());
}

void QNRootWindowController::openResults(std::unique_ptr<uimodel::DiskVolumeNodeData> item) {
    if (!item || m_results) return;
    auto* window = new results::QNDeletailWindowController;
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_results = window;
    window->setSelectDiskVolumeData(std::move(item));
    placeResults(window);
    connect(window, &results::QNDeletailWindowController::backHomeRequested, this, [this, window] {
        window->deleteLater();
        emit wentHome();
    });
    window->show();
    hide();
    emit resultsWindowOpened(window);
    QTimer::singleShot(300, window, [window] { window->getData(); });
}

void QNRootWindowController::importButtonClick() {
    if (m_results || m_progressWindow) return;
    auto* dialog = new QFileDialog(this, Text(QStringLiteral("LOAD_SCAN_RESULT")));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(QStringLiteral("*.rsf"));
    if (const auto folder = QNUIController::GetSavePath()) dialog->setDirectory(QString::fromStdString(*folder));
    connect(dialog, &QFileDialog::fileSelected, this, &QNRootWindowController::importFile);
    dialog->open();
}

void QNRootWindowController::diskImageButtonClick() {
    if (m_whichPage != 3 || m_results || m_waitingForList) return;
    openImageDialog([this](const QString& image) { openDiskImage(image); });
}

void QNRootWindowController::openImageDialog(std::function<void(const QString&)> chosen) {
    auto* dialog = new QFileDialog(this, Text(QStringLiteral("PAGE_THREE_DISK_IMAGE_DIALOG")));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::ReadOnly);
    dialog->setDirectory(ImageFolder());
    dialog->setNameFilters({QStringLiteral("Disk images (*.img *.dd *.raw *.iso *.bin *.dmg *.001 *.IMG *.DD *.ISO)"),
                            QStringLiteral("All files (*)")});
    connect(dialog, &QFileDialog::fileSelected, this, std::move(chosen));
    dialog->open();
    emit fileDialogOpened(dialog);
}

void QNRootWindowController::openSheet(const QString& name, const SheetTexts& texts, std::function<void(int)> done) {
    QMessageBox* sheet = OpenSheet(this, texts, std::move(done));
    sheet->setObjectName(name);
    emit sheetOpened(sheet);
}

bool QNRootWindowController::listImage(const QString& image, int& diskIndex) {
    const uimodel::DiskImageAnswer answer =
        QNUIController::AddDiskImage(QFile::encodeName(image).toStdString(), diskIndex);
    if (answer == uimodel::DiskImageAnswer::Listable) {
        RememberImageFolder(image);
        return true;
    }
    qWarning("Disk image %s refused: %s", qUtf8Printable(image), qUtf8Printable(ImageRefusal(answer)));
    openSheet(
        QStringLiteral("imageRefusedSheet"),
        {Text(QStringLiteral("PAGE_THREE_IMAGE_REFUSED_TITLE")),
         Text(QStringLiteral("PAGE_THREE_IMAGE_REFUSED_NODE")).arg(QFileInfo(image).fileName(), ImageRefusal(answer)),
         Text(QStringLiteral("PAGE_THREE_IMAGE_REFUSED_YES_BUTTON")), QString()},
        nullptr);
    return false;
}

void QNRootWindowController::openDiskImage(const QString& path) {
    if (m_whichPage != 3 || m_results) return;
    if (afterList([this, path] { openDiskImage(path); })) return;
    int diskIndex = -1;
    if (!listImage(path, diskIndex)) return;
    std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> disks;
    QNUIController::GetDeviceInfoToArray(disks);
    m_diskPage->setDisks(std::move(disks));
    // Its first volume, as the page chooses on a card (whatever its file system reads); the disk
    // itself when it has none.
    m_diskPage->chooseDiskRow(diskIndex, 1) || m_diskPage->chooseDiskRow(diskIndex, 0);
    showListState();
}

void QNRootWindowController::importFile(const QString& path) {
    if (m_results || m_progressWindow) return;
    if (afterList([this, path] { importFile(path); })) return;
    uimodel::_DiskVolumeData saved;
    const auto answer = QNUIController::FindResultsFileDevice(QFile::encodeName(path).toStdString(), saved);
    relistDiskPage();
    if (answer == uimodel::SavedDeviceAnswer::NotAttached) {
        askForImageOf(path, saved);
        return;
    }
    // Attached, or a file that does not read: the load tells which.
    startLoad(path);
}

void QNRootWindowController::askForImageOf(const QString& path, const uimodel::_DiskVolumeData& saved) {
    qWarning("The disk %s was made from is not attached: %s", qUtf8Printable(path),
             qUtf8Printable(SavedDeviceText(saved)));
    openSheet(QStringLiteral("diskNotAttachedSheet"),
              {Text(QStringLiteral("LOAD_DISK_NOT_ATTACHED_TITLE")),
               Text(QStringLiteral("LOAD_DISK_NOT_ATTACHED_NODE")).arg(SavedDeviceText(saved)),
               Text(QStringLiteral("LOAD_DISK_NOT_ATTACHED_YES_BUTTON")),
               Text(QStringLiteral("LOAD_DISK_NOT_ATTACHED_NO_BUTTON"))},
              [this, path, saved](int code) {
                  if (code != 1) return;
                  // Once the sheet has gone: the dialog is modal to this window too.
                  QTimer::singleShot(0, this, [this, path, saved] {
                      openImageDialog([this, path, saved](const QString& image) { loadWithImage(path, image, saved); });
                  });
              });
}

void QNRootWindowController::loadWithImage(const QString& path, const QString& image,
                                           const uimodel::_DiskVolumeData& saved) {
    if (m_results || m_progressWindow) return;
    if (afterList([this, path, image, saved] { loadWithImage(path, image, saved); })) return;
    int diskIndex = -1;
    if (!listImage(image, diskIndex)) return;
    uimodel::_DiskVolumeData again;
    const auto answer = QNUIController::FindResultsFileDevice(QFile::encodeName(path).toStdString(), again);
    relistDiskPage();
    if (answer == uimodel::SavedDeviceAnswer::NotAttached) {
        qWarning("%s does not hold the disk %s was made from", qUtf8Printable(image), qUtf8Printable(path));
        openSheet(QStringLiteral("imageNotMatchedSheet"),
                  {Text(QStringLiteral("LOAD_IMAGE_NOT_MATCHED_TITLE")),
                   Text(QStringLiteral("LOAD_IMAGE_NOT_MATCHED_NODE"))
                       .arg(QFileInfo(image).fileName(), SavedDeviceText(saved), ImageDevicesText(diskIndex)),
                   Text(QStringLiteral("PAGE_THREE_IMAGE_REFUSED_YES_BUTTON")), QString()},
                  nullptr);
        return;
    }
    startLoad(path);
}

void QNRootWindowController::startLoad(const QString& path) {
    QNUIController::SetRecoveryType(127);
    // Refused (-1 no path, -2 a job runs) before anything is made.
    const int started = QNUIController::beginSaveOrRestoreNode(false, path.toStdString(), "NormalScranValue");
    if (started != 0) {
        showMessage(Text(QStringLiteral("READ_RSF_FAILED")));
        return;
    }
    showMessage({});
    auto* window = new results::QNDeletailWindowController;
    window->setAttribute(Qt::WA_DeleteOnClose);
    placeResults(window);
    connect(window, &results::QNDeletailWindowController::backHomeRequested, this, [this, window] {
        window->deleteLater();
        emit wentHome();
    });
    m_results = window;
    window->getImportData(path);
    auto* progress = new QNProgressWindow(false, QStringLiteral("NormalScranValue"), this);
    progress->setWindowFlag(Qt::Window);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    m_progressWindow = progress;
    connect(progress, &QNProgressWindow::workEnded, this, [this](bool success) {
        if (success || !m_results) return;
        // Failed or stopped: the wizard stays where it was.
        m_results->clearImportData();
        m_results->deleteLater();
        m_results = nullptr;
    });
    progress->show();
}

void QNRootWindowController::closeEvent(QCloseEvent* event) {
    TCImageWindow::closeEvent(event);
    if (event->isAccepted()) NotificationCenter::instance().post(QStringLiteral("appWillTerminate"));
}

void QNRootWindowController::resizeEvent(QResizeEvent* event) {
    TCImageWindow::resizeEvent(event);
    if (QWidget* bar = titleBarView()) m_import->move(bar->mapFrom(this, QPoint(width() - 34, 3)));
}

void QNRootWindowController::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        backHome();
        return;
    }
    TCImageWindow::keyPressEvent(event);
}

}  // namespace app
