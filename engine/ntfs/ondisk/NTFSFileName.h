#pragma once
// The value of a $FILE_NAME attribute (0x30), also the key of a folder's index entries:
//
// | 0  | 8 | parent folder reference (low 48 bits: record number) |
// | 8  | 8 | creation time     | 16 | 8 | modification time      |
// | 24 | 8 | MFT change time   | 32 | 8 | last access time       |
// | 40 | 8 | allocated size    | 48 | 8 | real size              |
// | 56 | 4 | flags: 0x10000000 directory, 0x0001 compressed, 0x4000 encrypted |
// | 64 | 1 | name length (UTF-16 units) | 65 | 1 | namespace: 0 POSIX, 1 Win32, 2 DOS, 3 both |
// | 66 | 2n| name, UTF-16LE     |
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/ByteView.h"
#include "engine/ntfs/ondisk/NTFSAttribute.h"

namespace ntfs {
constexpr std::uint8_t kNamespacePosix = 0;
constexpr std::uint8_t kNamespaceWin32 = 1;
constexpr std::uint8_t kNamespaceDos = 2;
constexpr std::uint8_t kNamespaceWin32AndDos = 3;
}  // namespace ntfs

struct NtfsFileName {
    std::uint64_t u64ParentReference = 0;
    std::uint64_t u64CreationTime = 0;
    std::uint64_t u64ModificationTime = 0;
    std::uint64_t u64AccessTime = 0;
    std::uint64_t u64AllocatedSize = 0;
    std::uint64_t u64RealSize = 0;
    std::uint32_t u32Flags = 0;
    std::uint8_t u8Namespace = 0;  // values above 4 read as 4
    std::vector<std::uint16_t> name;

    std::uint64_t ParentRecord() const;
    bool IsDirectory() const { return (u32Flags & 0x10000000) != 0; }
    bool IsDosOnly() const { return u8Namespace == ntfs::kNamespaceDos; }
    std::string Utf8Name() const;
};

class CNTFSFileRecordFileNameAttribute {
public:
    static constexpr std::size_t kNameOffset = 66;

    /// The key or value read inside `value`; null when the fixed part or the name does not fit.
    static std::optional<NtfsFileName> Read(engine::ByteView value);
    /// A resident $FILE_NAME whose value holds its name.
    static bool IsValid(CNTFSFileRecordAttribute const& attribute);
    /// Valid, and no character Windows refuses in its name. Only a guess about sectors found
    /// without a volume: the POSIX namespace (ntfs-3g) allows all but "/" and 0 in live names.
    static bool HasPlausibleName(CNTFSFileRecordAttribute const& attribute);
    /// None of " * / : < > ? \ | up to the first 0 unit; an empty name passes.
    static bool IsValidFileName(std::vector<std::uint16_t> const& name);
    /// Case-sensitive, unit for unit.
    static bool IsFileNameEqual(CNTFSFileRecordAttribute const& attribute, std::u16string_view name);
};

/// $STANDARD_INFORMATION (0x10): four times at 0, 8, 16, 24, DOS attributes at 32.
class CNTFSFileRecordStandardInformationAttribute {
public:
    static constexpr std::size_t kMinValueSize = 48;
    static constexpr std::uint32_t kDosHidden = 0x2;
    static constexpr std::uint32_t kDosSystem = 0x4;

    static bool IsValid(CNTFSFileRecordAttribute const& attribute) {
        return attribute.GetType() == ntfs::kAttrStandardInformation && attribute.GetValue().Size() >= kMinValueSize;
    }
    /// 0 when not valid.
    static std::uint32_t GetDosFilePermission(CNTFSFileRecordAttribute const& attribute) {
        return IsValid(attribute) ? attribute.GetValue().Le32(32) : 0;
    }
};
