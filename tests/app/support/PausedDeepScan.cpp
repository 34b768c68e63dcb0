#include "PausedDeepScan.h"

#include <QImage>
#include <QTest>

#include "WindowParts.h"
#include "app/base/Strings.h"
#include "app/controls/TCImageButton.h"
#include "support/Sha256.h"
#include "uimodel/facade/QNUIController.h"

namespace apptest {

using uimodel::QNUIController;

void PausedDeepScan::SetUp() {
    image = BlankImage(temp, "16G");
    for (int i = 0; i < kPictures; ++i) {
        QImage photo(640, 480, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y, qRgb((x * (i + 3)) & 0xff, (y * 7 + i * 50) & 0xff, (x ^ y) & 0xff));
        const std::string file = temp.File("photo" + std::to_string(i) + ".jpg");
        ASSERT_TRUE(photo.save(QString::fromStdString(file), "JPEG", 90));
        ++planted[testsupport::Sha256OfFile(file)];
        // One per megabyte, on sector boundaries, in the disk's free space.
        ASSERT_EQ(testsupport::RunCommand("dd if='" + file + "' of='" + image +
                                          "' bs=1M seek=" + std::to_string(i + 1) + " conv=notrunc status=none"),
                  0);
    }
    shown.emplace(InstallImage(image, gate), QSize(1000, 650));
    ASSERT_TRUE(shown->ScanToEnd());
    shown->ended.clear();
}

// Its reads past the pictures are slowed so that the 16 GiB take longer than any wait here: the
// scan is still far from its end when the bar shows the pictures found, and is held at its next
// read, then paused from the window.
void PausedDeepScan::PauseWithPicturesFound(const std::function<void()>& started) {
    gate->SlowReadsFrom((kPictures + 2) * 2048LL, std::chrono::milliseconds(50));
    Button("deepScanButton")->click();
    if (started) started();
    const QString found = app::Text("PAGE_FOUR_FILESFOUND").arg(QString::number(kPictures));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Bar(*shown)->foundText() == found; }, kScanTimeoutMs));
    gate->Shut();
    ASSERT_TRUE(QNUIController::IsScanRunning());
    Button("pauseButton")->click();
    ASSERT_TRUE(QNUIController::IsPause());
    gate->Open();  // the scan waits in its pause; the recovery reads the disk
}

app::TCImageButton* PausedDeepScan::Button(const char* name) const { return Part<app::TCImageButton>(*shown, name); }

}  // namespace apptest
