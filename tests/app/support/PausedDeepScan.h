#pragma once
// A deep scan paused from the results window at a known point: a 16 GiB sparse disk without a
// file system holds three JPEGs written by QImage into its first megabytes (found only by the deep
// scan's carving). SetUp ends the quick scan in a shown window; PauseWithPicturesFound presses
// Deep Scan and, once the bar shows the pictures found (far from the end), Pause, so that the
// scan waits with them listed.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ReadGate.h"
#include "ScannedWindow.h"
#include "support/TempDir.h"

namespace app {
class TCImageButton;
}

namespace apptest {

class PausedDeepScan : public ::testing::Test {
public:
    static constexpr int kPictures = 3;

protected:
    void SetUp() override;
    // `started`, when given, looks at the window right after Deep Scan was pressed.
    void PauseWithPicturesFound(const std::function<void()>& started = {});
    app::TCImageButton* Button(const char* name) const;

    testsupport::TempDir temp;
    std::string image;
    std::map<std::string, int> planted;  // SHA-256 -> count
    const std::shared_ptr<ReadGate> gate = std::make_shared<ReadGate>();
    std::optional<ScannedWindow> shown;
};

}  // namespace apptest
