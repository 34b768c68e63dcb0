// The layer check run over a scratch copy of the source folders: clean it passes, and each kind
// of forbidden include planted in it, or a file-system folder standing on too many floors of
// includes, makes it fail.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/TempDir.h"

namespace {

struct PlantedInclude {
    char const* pszName;
    char const* pszFile;     // where the include is planted, under the copy
    char const* pszInclude;  // the line planted
    bool bFails;
};

constexpr PlantedInclude kCases[] = {
    {"EngineIncludesModel", "engine/core/Planted.cpp", "#include \"uimodel/scan/QNUIScan.h\"", true},
    {"PlatformIncludesQt", "platform/linux/Planted.cpp", "#include <QImage>", true},
    {"PublicHeaderIncludesApp", "include/engine/Planted.h", "#include \"app/shell/ModelSeams.h\"", true},
    {"ModelIncludesApp", "uimodel/Planted.cpp", "#include \"app/thumbnails/QtImages.h\"", true},
    {"ModelIncludesEngineInternal", "uimodel/Planted.cpp", "#include \"engine/core/node/Planted.h\"", true},
    {"AppIncludesEngineInternal", "app/shell/Planted.cpp", "#include \"engine/ntfs/NTFSFileNode.h\"", true},
    {"CoreIncludesFileSystem", "engine/core/tree/Planted.cpp", "#include \"engine/fat/FATFileNode.h\"", true},
    {"CoreIncludesCarving", "engine/core/Planted.cpp", "#include \"engine/carve/RAWFileNode.h\"", true},
    {"FileSystemIncludesAnother", "engine/ntfs/Planted.cpp", "#include \"engine/exfat/ExFatFileNode.h\"", true},
    {"CarvingIncludesFileSystem", "engine/carve/Planted.cpp", "#include \"engine/hfsplus/Planted.h\"", true},
    {"ModelIncludesPublicHeader", "uimodel/Planted.cpp", "#include \"engine/IFileNode.h\"", false},
    {"FatUsesTheStartRecogniser", "engine/fat/Planted.cpp", "#include \"engine/carve/RecogniseFileStart.h\"", false},
    {"FatUsesOtherCarving", "engine/fat/Planted.cpp", "#include \"engine/carve/RAWFileNode.h\"", true},
    {"ModelTestIncludesWindow", "tests/uimodel/Planted.cpp", "#include \"app/models/FileListModel.h\"", true},
    {"ModelTestUsesDecoder", "tests/uimodel/Planted.cpp", "#include \"app/thumbnails/ThumbnailDecoderFactory.h\"",
     false},
    {"ControlIncludesWindow", "app/controls/Planted.cpp", "#include \"app/results/QNDeletailWindowController.h\"",
     true},
    {"WindowIncludesShell", "app/wizard/Planted.cpp", "#include \"app/shell/QNAppDelegate.h\"", true},
    {"WindowIncludesModels", "app/results/Planted.cpp", "#include \"app/models/ResultTreeModel.h\"", false},
    {"AppFolderOffTheFloors", "app/elsewhere/Planted.cpp", "#include \"app/base/Strings.h\"", true},
    {"AppIncludesModelOperation", "app/results/Planted.cpp", "#include \"uimodel/recovery/QNUIRecovery.h\"", true},
    {"AppTakesTheModelsParts", "app/wizard/Planted.cpp", "auto const& model = uimodel::QNUIController::GetModel();",
     true},
    {"AppUsesTheModelMaker", "app/hook/Planted.cpp", "#include \"uimodel/facade/ModelMaker.h\"", false},
    {"ModelDeclaresDecoderFactory", "uimodel/thumbnails/Planted.h",
     "std::unique_ptr<IThumbnailDecoder> CreateThumbnailDecoder();", true},
};

class LayerCheck : public testing::TestWithParam<PlantedInclude> {
protected:
    static int RunCheckOver(std::string const& root) {
        return testsupport::RunCommand("bash " QUORIN_SOURCE_DIR "/scripts/check_layers.sh '" + root +
                                       "' 2>/dev/null >/dev/null");
    }

    std::string CopySources() const {
        std::string const root = m_scratch.File("src");
        std::string command = "mkdir -p '" + root + "'";
        for (char const* pszFolder : {"engine", "include", "platform", "uimodel", "app"})
            command += std::string(" && cp -r " QUORIN_SOURCE_DIR "/") + pszFolder + " '" + root + "/'";
        EXPECT_EQ(testsupport::RunCommand(command), 0);
        return root;
    }

    testsupport::TempDir m_scratch;
};

TEST_P(LayerCheck, FailsOnlyOnForbiddenIncludes) {
    std::string const root = CopySources();
    ASSERT_EQ(RunCheckOver(root), 0) << "the clean copy already fails";
    PlantedInclude const& planted = GetParam();
    std::filesystem::create_directories(std::filesystem::path(root + "/" + planted.pszFile).parent_path());
    std::ofstream(root + "/" + planted.pszFile) << planted.pszInclude << "\n";
    EXPECT_EQ(RunCheckOver(root) != 0, planted.bFails);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LayerCheck, testing::ValuesIn(kCases),
                         [](auto const& param) { return std::string(param.param.pszName); });

// A file-system folder may stand on five floors of includes, not six: a chain of headers planted
// under engine/fat, each including the next, passes at five steps and fails at six.
TEST_F(LayerCheck, FailsWhenAFileSystemFolderStandsOnMoreThanFiveFloors) {
    std::string const root = CopySources();
    auto const plantChain = [&root](int iFloors) {
        for (int i = 0; i <= iFloors; ++i) {
            std::ofstream file(root + "/engine/fat/Floor" + std::to_string(i) + ".h");
            if (i < iFloors) file << "#include \"engine/fat/Floor" << i + 1 << ".h\"\n";
        }
    };
    plantChain(5);
    EXPECT_EQ(RunCheckOver(root), 0);
    plantChain(6);
    EXPECT_NE(RunCheckOver(root), 0);
}

}  // namespace
