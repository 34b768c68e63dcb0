#include "engine/core/crossvolume/VirtualDiskFormat.h"

namespace {

constexpr std::size_t kVdiSignatureOffset = 64;
constexpr std::uint32_t kVdiSignature = 0xBEDA107F;
constexpr std::size_t kVhdFooterBytes = 512;
constexpr std::size_t kVhdDiskTypeOffset = 60;
constexpr std::uint32_t kVhdFixed = 2;

bool IsVhdFooter(engine::ByteView footer) { return footer.Size() >= kVhdFooterBytes && footer.Equals(0, "conectix"); }

}  // namespace

VirtualDiskFormat SniffVirtualDisk(engine::ByteView head, engine::ByteView tail) {
    if (head.Has(0, 4) && head.Equals(0, "QFI") && head.U8(3) == 0xFB) return VirtualDiskFormat::kQcow;
    if (head.Equals(0, "vhdxfile")) return VirtualDiskFormat::kVhdx;
    if (head.Equals(0, "KDMV") || head.Equals(0, "COWD")) return VirtualDiskFormat::kVmdk;
    if (head.Has(kVdiSignatureOffset, 4) && head.Le32(kVdiSignatureOffset) == kVdiSignature)
        return VirtualDiskFormat::kVdi;
    // A dynamic or differencing disk starts with a copy of its footer; a fixed one is raw.
    if (IsVhdFooter(head)) return VirtualDiskFormat::kVhd;
    if (IsVhdFooter(tail) && tail.Be32(kVhdDiskTypeOffset) != kVhdFixed) return VirtualDiskFormat::kVhd;
    return VirtualDiskFormat::kNone;
}

char const* VirtualDiskName(VirtualDiskFormat eFormat) {
    switch (eFormat) {
        case VirtualDiskFormat::kQcow:
            return "qcow2";
        case VirtualDiskFormat::kVhd:
            return "VHD";
        case VirtualDiskFormat::kVhdx:
            return "VHDX";
        case VirtualDiskFormat::kVmdk:
            return "VMDK";
        case VirtualDiskFormat::kVdi:
            return "VDI";
        case VirtualDiskFormat::kNone:
            break;
    }
    return "";
}
