// Which analyser the volume-analysis controller answers with.
#include <gtest/gtest.h>

#include "FakeSearchers.h"
#include "engine/IVolumeAnalyze.h"
#include "engine/ReleasePtr.h"
#include "engine/core/device/MemoryDevice.h"

namespace {

using recoverytest::FakeEntryPoints;
using recoverytest::FakeVolumeAnalyze;

EngineEntryPoints::VolumeAnalyzeFactory Answering(std::uint32_t u32Type, int* pCalls = nullptr) {
    return [u32Type, pCalls](IStorageDevice*, unsigned long long) -> IVolumeAnalyze* {
        if (pCalls) ++*pCalls;
        return new FakeVolumeAnalyze(u32Type);
    };
}

TEST(VolumeAnalyzeControllerTest, AnswersTheFirstAnalyserThatRecognisesTheVolume) {
    FakeEntryPoints fakes;
    EngineEntryPoints& table = GetEngineEntryPoints();
    table.CreateFatVolumeAnalyze = Answering(FILE_SYSTEM_UNRECOGNISED);
    table.CreateExfatVolumeAnalyze = [](IStorageDevice*, unsigned long long) -> IVolumeAnalyze* { return nullptr; };
    table.CreateNTFSVolumeAnalyze = Answering(FILE_SYSTEM_NTFS);
    table.CreateHFSPlusVolumeAnalyze = Answering(FILE_SYSTEM_HFSPLUS);

    CMemoryDevice device(std::vector<std::uint8_t>(8 * 512));
    ReleasePtr<IVolumeAnalyzeController> pController(CreateVolumeAnalyzeController(&device, 0));
    IVolumeAnalyze* pAnalyser = pController->GetVolumeAnzlyzer();
    ASSERT_TRUE(pAnalyser);
    EXPECT_EQ(pAnalyser->GetFileSystemType(), FILE_SYSTEM_NTFS);
}

TEST(VolumeAnalyzeControllerTest, AnUnrecognisedDeviceGivesNoAnalyser) {
    FakeEntryPoints fakes;
    CMemoryDevice device(std::vector<std::uint8_t>(8 * 512));
    {
        GetEngineEntryPoints() = EngineEntryPoints{};  // no file system has landed
        ReleasePtr<IVolumeAnalyzeController> pController(CreateVolumeAnalyzeController(&device, 0));
        EXPECT_EQ(pController->GetVolumeAnzlyzer(), nullptr);
    }
    int iCalls = 0;
    EngineEntryPoints& table = GetEngineEntryPoints();
    table.CreateFatVolumeAnalyze = Answering(FILE_SYSTEM_UNRECOGNISED, &iCalls);
    table.CreateExfatVolumeAnalyze = Answering(FILE_SYSTEM_UNRECOGNISED, &iCalls);
    table.CreateNTFSVolumeAnalyze = Answering(FILE_SYSTEM_UNRECOGNISED, &iCalls);
    table.CreateHFSPlusVolumeAnalyze = Answering(FILE_SYSTEM_UNRECOGNISED, &iCalls);
    ReleasePtr<IVolumeAnalyzeController> pController(CreateVolumeAnalyzeController(&device, 0));
    EXPECT_EQ(pController->GetVolumeAnzlyzer(), nullptr);
    EXPECT_EQ(iCalls, 4);
}

}  // namespace
