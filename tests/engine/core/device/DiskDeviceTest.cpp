// Disk and volume devices over image files written at test time: every sector carries its own
// number, so each read is checked by content.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "ExpectCode.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "support/StampedImage.h"
#include "support/TempDir.h"

using devicetest::ExpectCode;
using testsupport::IsStamped;
using testsupport::IsZero;
using testsupport::kStampUnit;

namespace {

using DevicePtr = std::unique_ptr<IStorageDevice>;

DevicePtr OpenDisk(std::string const& path) {
    DevicePtr pDevice(CreateDiskDevice(path.c_str()));
    EXPECT_TRUE(pDevice && pDevice->Open()) << path;
    return pDevice;
}

class DiskDeviceImageTest : public ::testing::Test {
protected:
    static constexpr std::uint64_t kSectors = 100;
    void SetUp() override { ASSERT_TRUE(testsupport::WriteStampedImage(m_image, kSectors)); }

    testsupport::TempDir m_dir;
    std::string m_image = m_dir.File("disk.img");
};

TEST_F(DiskDeviceImageTest, ReportsImageGeometryAndReadsByContent) {
    DevicePtr pDisk = OpenDisk(m_image);
    EXPECT_EQ(pDisk->GetSectorSize(), 512);
    EXPECT_EQ(pDisk->GetTotalSectors(), 100);
    std::vector<std::uint8_t> buffer(7 * kStampUnit, 0xAA);
    ASSERT_TRUE(pDisk->ReadSector(buffer.data(), 93, 7));
    EXPECT_TRUE(IsStamped(buffer, 93));
    EXPECT_TRUE(Succeeded(pDisk->GetLastError()));
}

TEST_F(DiskDeviceImageTest, RejectsBadArgumentsWithCode5) {
    struct Case {
        char const* name;
        bool bNullBuffer;
        long long s64First;
        long long s64Count;
    };
    Case const cases[] = {
        {"null buffer", true, 0, 1},
        {"zero count", false, 0, 0},
        {"negative count", false, 0, -1},
        {"negative first", false, -1, 1},
        {"first at the end", false, 100, 1},
        {"first far past the end", false, LLONG_MAX, 1},
        {"size overflows", false, 0, LLONG_MAX},
        {"end offset overflows", false, 1, LLONG_MAX / 512},
    };
    DevicePtr pDisk = OpenDisk(m_image);
    std::vector<std::uint8_t> buffer(kStampUnit);
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pDisk->ReadSector(c.bNullBuffer ? nullptr : buffer.data(), c.s64First, c.s64Count), 0);
        ExpectCode(*pDisk, kCodeBadArgument);
    }
    // A good call afterwards clears the kept code.
    EXPECT_TRUE(pDisk->ReadSector(buffer.data(), 0, 1));
    EXPECT_EQ(pDisk->GetLastError(), kResultSuccess);
}

TEST_F(DiskDeviceImageTest, ReadAfterCloseFailsWithCode1) {
    DevicePtr pDisk = OpenDisk(m_image);
    EXPECT_EQ(pDisk->Close(), 1);
    EXPECT_EQ(pDisk->Close(), 0);
    std::vector<std::uint8_t> buffer(kStampUnit);
    EXPECT_EQ(pDisk->ReadSector(buffer.data(), 0, 1), 0);
    ExpectCode(*pDisk, kCodeIoFailure);
}

// How many of this process's descriptors are open on `path`.
int DescriptorsOn(std::string const& path) {
    struct stat wanted {};
    if (::stat(path.c_str(), &wanted) != 0) return -1;
    int iCount = 0;
    for (auto const& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        struct stat st {};
        if (::stat(entry.path().c_str(), &st) == 0 && st.st_dev == wanted.st_dev && st.st_ino == wanted.st_ino)
            ++iCount;
    }
    return iCount;
}

// A listed device lets its node go and opens it again when read, but only while the node is
// still the file it listed: a file put in its place under the same name is never read.
TEST_F(DiskDeviceImageTest, AParkedDeviceHoldsNoDescriptorAndReopensOnlyTheSameFile) {
    DevicePtr pDisk = OpenDisk(m_image);
    EXPECT_EQ(DescriptorsOn(m_image), 1);
    EXPECT_EQ(pDisk->IOCtl(kIoCtlParkNode, nullptr), 1);
    EXPECT_EQ(DescriptorsOn(m_image), 0);
    EXPECT_EQ(pDisk->GetTotalSectors(), 100);  // its geometry stays
    std::vector<std::uint8_t> buffer(3 * kStampUnit);
    ASSERT_TRUE(pDisk->ReadSector(buffer.data(), 40, 3));
    EXPECT_TRUE(IsStamped(buffer, 40));
    EXPECT_EQ(DescriptorsOn(m_image), 1);

    EXPECT_EQ(pDisk->IOCtl(kIoCtlParkNode, nullptr), 1);
    std::string const other = m_dir.File("other.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(other, kSectors));  // the same size, another file
    std::filesystem::rename(other, m_image);
    EXPECT_EQ(pDisk->ReadSector(buffer.data(), 40, 3), 0);
    ExpectCode(*pDisk, kCodeIoFailure);
    EXPECT_EQ(DescriptorsOn(m_image), 0);
    EXPECT_EQ(pDisk->Close(), 1);  // a parked device still counted as held
}

TEST_F(DiskDeviceImageTest, TwoThreadsReadingDifferentRangesGetTheirOwnContent) {
    DevicePtr pDisk = OpenDisk(m_image);
    auto reader = [&](long long s64First, long long s64Count, bool& bAllGood) {
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(s64Count) * kStampUnit);
        bAllGood = true;
        for (int i = 0; i < 2000 && bAllGood; ++i) {
            long long const s64At = s64First + i % 10;
            bAllGood = pDisk->ReadSector(buffer.data(), s64At, s64Count) &&
                       IsStamped(buffer, static_cast<std::uint64_t>(s64At));
        }
    };
    bool bFirstGood = false;
    bool bSecondGood = false;
    std::thread first(reader, 0, 3, std::ref(bFirstGood));
    std::thread second(reader, 50, 17, std::ref(bSecondGood));
    first.join();
    second.join();
    EXPECT_TRUE(bFirstGood);
    EXPECT_TRUE(bSecondGood);
    EXPECT_EQ(pDisk->GetLastError(), kResultSuccess);
}

TEST(DiskDeviceTailTest, ImageWithPartialLastSectorCountsWholeSectorsAndZeroFillsPastTheEnd) {
    testsupport::TempDir dir;
    std::string const image = dir.File("odd.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 10, 100));
    DevicePtr pDisk = OpenDisk(image);
    EXPECT_EQ(pDisk->GetTotalSectors(), 10);

    std::vector<std::uint8_t> buffer(3 * kStampUnit, 0xAA);
    ASSERT_TRUE(pDisk->ReadSector(buffer.data(), 9, 3));
    std::span<std::uint8_t const> const bytes(buffer);
    EXPECT_TRUE(IsStamped(bytes.first(kStampUnit), 9));
    // The 100 bytes of the partial sector are the stamp of unit 10; everything after is zero.
    std::vector<std::uint8_t> const expectedTail = testsupport::StampedBytes(10, 100);
    EXPECT_TRUE(std::equal(bytes.begin() + kStampUnit, bytes.begin() + kStampUnit + 100, expectedTail.end() - 100));
    EXPECT_TRUE(IsZero(bytes.subspan(kStampUnit + 100)));

    EXPECT_EQ(pDisk->ReadSector(buffer.data(), 10, 1), 0);
    ExpectCode(*pDisk, kCodeBadArgument);
}

TEST(DiskDeviceOpenTest, MissingNodeFailsSilentlyWithCode1) {
    testsupport::TempDir dir;
    DevicePtr pDisk(CreateDiskDevice(dir.File("absent.img").c_str()));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(pDisk->Open(), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ExpectCode(*pDisk, kCodeIoFailure);
}

// Root reads any file, so as root the open runs in a child that has dropped to "nobody".
TEST(DiskDeviceOpenTest, UnreadableNodePrintsPermissionDenied) {
    testsupport::TempDir dir;
    std::string const image = dir.File("locked.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 4));
    ASSERT_EQ(::chmod(image.c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);

    auto openAndReport = [&](std::string& printed) {
        DevicePtr pDisk(CreateDiskDevice(image.c_str()));
        ::testing::internal::CaptureStderr();
        int const iOpened = pDisk->Open();
        printed = ::testing::internal::GetCapturedStderr();
        return iOpened == 0 && ResultCode(pDisk->GetLastError()) == kCodeIoFailure &&
               ResultModule(pDisk->GetLastError()) == kModuleStorageDevice;
    };
    if (::geteuid() != 0) {
        std::string printed;
        EXPECT_TRUE(openAndReport(printed));
        EXPECT_EQ(printed, "open failed:13\n");
        return;
    }
    constexpr uid_t kNobody = 65534;
    pid_t const child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
        std::string printed;
        bool const bFailedAsExpected = openAndReport(printed);
        ::_exit(bFailedAsExpected && printed == "open failed:13\n" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot drop to the nobody user";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the open did not fail with code 1 and print \"open failed:13\"";
}

TEST(DiskDeviceOpenTest, NodesThatAreNeitherDiskNorImageFailWithCode1) {
    testsupport::TempDir dir;
    std::string const fifo = dir.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        char const* name;
        std::string path;
        char const* printed;
    };
    Case const cases[] = {
        {"directory", dir.Path(), "open failed:21\n"},
        {"character device", "/dev/null", "open failed:19\n"},
        {"fifo without a writer (must not block)", fifo, "open failed:19\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        DevicePtr pDisk(CreateDiskDevice(c.path.c_str()));
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(pDisk->Open(), 0);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.printed);
        ExpectCode(*pDisk, kCodeIoFailure);
    }
}

TEST(DiskDeviceOpenTest, KeepsPathsLongerThan127Characters) {
    testsupport::TempDir dir;
    std::string const longDir = dir.File(std::string(150, 'd'));
    ASSERT_EQ(::mkdir(longDir.c_str(), 0700), 0);
    std::string const image = longDir + "/disk.img";
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 3));
    DevicePtr pDisk = OpenDisk(image);
    EXPECT_EQ(pDisk->GetTotalSectors(), 3);
}

// What each kind of device accepts as its description record.
TEST(RawDeviceRecordTest, AdoptsGeometryOnlyFromItsOwnKindOfRecord) {
    enum class Record { None, Disk, Volume, Partition, EmptyDisk, DiskWithBadSectorSize };
    struct Case {
        char const* name;
        IStorageDevice* (*create)(char const*);
        Record record;
        bool bAccepted;
    };
    Case const cases[] = {
        {"disk takes a disk record", &CreateDiskDevice, Record::Disk, true},
        {"disk refuses a volume record", &CreateDiskDevice, Record::Volume, false},
        {"disk refuses a partition record", &CreateDiskDevice, Record::Partition, false},
        {"disk refuses no record", &CreateDiskDevice, Record::None, false},
        {"disk refuses a holder without record", &CreateDiskDevice, Record::EmptyDisk, false},
        {"disk refuses a sector size of 3", &CreateDiskDevice, Record::DiskWithBadSectorSize, false},
        {"volume takes a volume record", &CreateVolumeDevice, Record::Volume, true},
        {"volume refuses a disk record", &CreateVolumeDevice, Record::Disk, false},
    };
    testsupport::TempDir dir;
    std::string const image = dir.File("disk.img");
    ASSERT_TRUE(testsupport::WriteStampedImage(image, 16));
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        DevicePtr pDevice(c.create(image.c_str()));
        ASSERT_TRUE(pDevice->Open());
        IStorageDeviceData* pData = nullptr;
        switch (c.record) {
            case Record::None:
                break;
            case Record::Disk:
            case Record::DiskWithBadSectorSize: {
                auto* pInfo = new CCollectDiskDeviceInfoStruct;
                pInfo->s64SectorSize = c.record == Record::Disk ? 4096 : 3;
                pInfo->s64TotalSectors = 2;
                pData = CreateDiskDeviceData(pInfo);
                break;
            }
            case Record::EmptyDisk:
                pData = CreateDiskDeviceData(nullptr);
                break;
            case Record::Volume: {
                auto* pInfo = new CCollectedVolumeDeviceInfoStruct;
                pInfo->s64SectorSize = 4096;
                pInfo->s64TotalSectors = 2;
                pData = CreateVolumeDeviceData(pInfo);
                break;
            }
            case Record::Partition: {
                auto* pInfo = new CCollectedPartitionDeviceInfoStruct;
                pInfo->s64SectorSize = 4096;
                pInfo->s64TotalSectors = 2;
                pData = CreatePartitionDeviceData(pInfo);
                break;
            }
        }
        pDevice->SetPrivateData(pData);
        EXPECT_EQ(pDevice->GetPrivateData(), pData);  // owned either way
        if (c.bAccepted) {
            EXPECT_EQ(pDevice->GetLastError(), kResultSuccess);
            EXPECT_EQ(pDevice->GetSectorSize(), 4096);
            EXPECT_EQ(pDevice->GetTotalSectors(), 2);
        } else {
            ExpectCode(*pDevice, kCodeMissingObject);
            EXPECT_EQ(pDevice->GetSectorSize(), 512);
            EXPECT_EQ(pDevice->GetTotalSectors(), 16);
        }
        // Handing the held record back keeps it alive.
        pDevice->SetPrivateData(pData);
        EXPECT_EQ(pDevice->GetPrivateData(), pData);
    }
}

TEST(RawDeviceKindTest, DisksAndVolumesDifferInTypeAndRefuseIOCtl) {
    DevicePtr pDisk(CreateDiskDevice("/nonexistent"));
    DevicePtr pVolume(CreateVolumeDevice("/nonexistent"));
    EXPECT_EQ(pDisk->GetType(), STORAGE_DEVICE_DISK);
    EXPECT_EQ(pVolume->GetType(), STORAGE_DEVICE_VOLUME);
    for (IStorageDevice* pDevice : {pDisk.get(), pVolume.get()}) {
        EXPECT_EQ(pDevice->IOCtl(0x40046418, nullptr), 0);
        ExpectCode(*pDevice, kCodeNotSupported);
    }
}

}  // namespace
