#include "platform/linux/BlockProbe.h"
#include "platform/VolumeLabel.h"

#include <blkid/blkid.h>
#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <string_view>

namespace platform {

namespace {

struct ProbeFree {
    void operator()(blkid_probe pProbe) const { blkid_free_probe(pProbe); }
};
using ProbePtr = std::unique_ptr<std::remove_pointer_t<blkid_probe>, ProbeFree>;

std::string Value(blkid_probe pProbe, char const* pszName) {
    char const* pszValue = nullptr;
    if (blkid_probe_lookup_value(pProbe, pszName, &pszValue, nullptr) != 0 || !pszValue) return {};
    return pszValue;
}

std::uint32_t SchemeOf(std::string_view ptType) {
    if (ptType == "dos") return 1;
    if (ptType == "gpt") return 2;
    if (ptType == "mac") return 3;
    return 0;
}

/// A probe over an open node (from `u64Offset`, `u64Size` bytes, 0 to its end); the node stays
/// the caller's to close.
ProbePtr NewProbe(int fd, std::uint64_t u64Offset = 0, std::uint64_t u64Size = 0) {
    ProbePtr pProbe(blkid_new_probe());
    if (u64Offset > static_cast<std::uint64_t>(INT64_MAX) || u64Size > static_cast<std::uint64_t>(INT64_MAX))
        return nullptr;
    if (pProbe && blkid_probe_set_device(pProbe.get(), fd, static_cast<blkid_loff_t>(u64Offset),
                                         static_cast<blkid_loff_t>(u64Size)) != 0)
        pProbe.reset();
    return pProbe;
}

/// The file-system chain alone, asked for the label; "" when no file system is recognised.
std::string LabelOf(ProbePtr pFs) {
    if (!pFs) return {};
    blkid_probe_enable_partitions(pFs.get(), 0);
    blkid_probe_enable_superblocks(pFs.get(), 1);
    blkid_probe_set_superblocks_flags(pFs.get(), BLKID_SUBLKS_LABEL);
    return blkid_do_safeprobe(pFs.get()) == 0 ? Value(pFs.get(), "LABEL") : std::string();
}

/// A node opened read-only as libblkid opens it, closed on scope exit.
class ProbedNode {
public:
    explicit ProbedNode(std::string const& path) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~ProbedNode() {
        if (m_fd >= 0) ::close(m_fd);
    }
    ProbedNode(ProbedNode const&) = delete;
    ProbedNode& operator=(ProbedNode const&) = delete;
    int Fd() const { return m_fd; }

private:
    int const m_fd;
};

struct UdevUnref {
    void operator()(udev* pUdev) const { udev_unref(pUdev); }
    void operator()(udev_device* pDevice) const { udev_device_unref(pDevice); }
};

std::string Property(udev_device* pDevice, char const* pszKey) {
    char const* pszValue = udev_device_get_property_value(pDevice, pszKey);
    return pszValue ? pszValue : "";
}

}  // namespace

// One probe with only the partition chain, one with only the file-system chain: a disk with a
// table and a stale file-system signature would leave a combined probe ambivalent. Both read
// through one open of the node.
ProbedFacts ProbeWithBlkid(std::string const& path, bool bWholeDisk) {
    ProbedFacts facts;
    ProbedNode const node(path);
    if (node.Fd() < 0) return facts;
    if (ProbePtr pTable = NewProbe(node.Fd())) {
        blkid_probe_enable_superblocks(pTable.get(), 0);
        blkid_probe_enable_partitions(pTable.get(), 1);
        if (!bWholeDisk) blkid_probe_set_partitions_flags(pTable.get(), BLKID_PARTS_ENTRY_DETAILS);
        if (blkid_do_safeprobe(pTable.get()) == 0) {
            if (bWholeDisk) facts.u32Scheme = SchemeOf(Value(pTable.get(), "PTTYPE"));
            facts.partEntryType = Value(pTable.get(), "PART_ENTRY_TYPE");
            facts.partEntryUuid = Value(pTable.get(), "PART_ENTRY_UUID");
        }
    }
    facts.label = LabelOf(NewProbe(node.Fd()));
    return facts;
}

std::string ReadVolumeLabel(std::string const& path, std::uint64_t u64Offset, std::uint64_t u64Size) {
    ProbedNode const node(path);
    if (node.Fd() < 0) return {};
    return LabelOf(NewProbe(node.Fd(), u64Offset, u64Size));
}

std::string ReadMediumId(std::string const& path, std::uint64_t u64Offset, std::uint64_t u64Size, bool bTable) {
    ProbedNode const node(path);
    if (node.Fd() < 0) return {};
    if (ProbePtr pTable = bTable ? NewProbe(node.Fd(), u64Offset, u64Size) : nullptr) {
        blkid_probe_enable_superblocks(pTable.get(), 0);
        blkid_probe_enable_partitions(pTable.get(), 1);
        if (blkid_do_safeprobe(pTable.get()) == 0) {
            std::string const id = Value(pTable.get(), "PTUUID");
            if (!id.empty()) return "PT:" + id;
        }
    }
    ProbePtr pFs = NewProbe(node.Fd(), u64Offset, u64Size);
    if (!pFs) return {};
    blkid_probe_enable_partitions(pFs.get(), 0);
    blkid_probe_enable_superblocks(pFs.get(), 1);
    blkid_probe_set_superblocks_flags(pFs.get(), BLKID_SUBLKS_UUID);
    if (blkid_do_safeprobe(pFs.get()) != 0) return {};
    std::string const id = Value(pFs.get(), "UUID");
    return id.empty() ? id : "UUID:" + id;
}

UdevFacts ReadUdevFacts(std::string const& kernelName) {
    UdevFacts facts;
    std::error_code ec;
    if (!std::filesystem::exists("/run/udev/data", ec)) return facts;
    std::unique_ptr<udev, UdevUnref> pUdev(udev_new());
    if (!pUdev) return facts;
    std::unique_ptr<udev_device, UdevUnref> pDevice(
        udev_device_new_from_subsystem_sysname(pUdev.get(), "block", kernelName.c_str()));
    if (!pDevice || !udev_device_get_is_initialized(pDevice.get())) return facts;
    facts.bKnown = true;
    std::string const bus = Property(pDevice.get(), "ID_BUS");
    if (bus == "ata")
        facts.u32BusType = Property(pDevice.get(), "ID_ATA_SATA") == "1" ? 2 : 1;
    else if (bus == "usb")
        facts.u32BusType = 4;
    else if (bus == "scsi")
        facts.u32BusType = 3;
    facts.partEntryType = Property(pDevice.get(), "ID_PART_ENTRY_TYPE");
    facts.partEntryUuid = Property(pDevice.get(), "ID_PART_ENTRY_UUID");
    return facts;
}

}  // namespace platform
