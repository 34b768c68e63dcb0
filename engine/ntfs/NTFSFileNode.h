#pragma once
// A file or folder found by an NTFS search: its name, size, times, attributes and state, where
// its base FILE record lies (resident data is read back from it), and its clusters as the node's
// run list. The fields sit in the node itself: a volume of a million files makes a million nodes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/FileNode.h"
#include "engine/core/node/NodeName.h"
#include "engine/ntfs/NTFSFileProperties.h"

class CNTFSFileNode final : public CFileNode {
public:
    static constexpr std::uint32_t kAttributeFolder = CNTFSFileProperties::kAttributeFolder;

    CNTFSFileNode() = default;
    ~CNTFSFileNode() override;

    /// A node holding what the properties say, its name kept right behind it in the same block:
    /// a volume of a million files then costs a million allocations, not two million.
    static ReleasePtr<CNTFSFileNode> FromProperties(std::unique_ptr<CNTFSFileProperties> pProperties);
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void* p) { ::operator delete(p); }

    /// Null until a name is set.
    char const* GetFileName() override { return m_name.Get(); }
    long long GetFileSize() override { return m_s64Size; }
    std::optional<long long> GetInitializedSize() const override;
    std::uint32_t GetAttribute() override { return m_u16Attribute; }
    _FILETIME GetCreationTime() override;
    _FILETIME GetModificationTime() override;
    _FILETIME GetLastAccessTime() override;
    /// The later of the data's modification and the record's change: a file written over
    /// another's clusters changed its record then, even when its modification time was kept.
    std::uint64_t GetWrittenTime() override { return std::max(m_u64Modification, m_u64MftChange); }
    int IsDirectory() override { return (m_u16Attribute & kAttributeFolder) != 0 ? 1 : 0; }
    int IsDeleted() override { return (m_u16State & CNTFSFileProperties::kStateDeleted) != 0 ? 1 : 0; }
    _tagSearcherType GetSearcheType() const override { return SEARCHER_TYPE_NTFS; }
    /// A lone copy with the same fields and a copy of the runs; ids are not copied.
    IFileNode* Clone() override;
    void MarkDeleted() override { SetDeleted(true); }

    /// Takes what the properties say (null is ignored): name, size, times, attributes, state,
    /// record position; the node's run list is unpacked from their runs and its metadata
    /// sector is their record's. The properties themselves are not kept.
    void SetFileProperties(std::unique_ptr<CNTFSFileProperties> pProperties);

    /// Replaces the name with a copy; null is ignored. The recycle-bin handling renames through it.
    void SetFileName(char const* pszName) {
        if (pszName != nullptr) SetName(pszName);
    }
    bool RenameFound(std::string const& name) override {
        SetFileName(name.c_str());
        return true;
    }
    void SetFileSize(long long s64Size) { m_s64Size = s64Size; }
    void SetFolder(bool bFolder);
    void SetDeleted(bool bDeleted);
    /// DOS attributes (hidden, system, archive...) without the folder bit.
    void SetFileAttributes(std::uint32_t u32Attributes);
    void SetFileTime(std::uint64_t u64Creation, std::uint64_t u64Modification, std::uint64_t u64Access);
    void SetID(long long s64ID) { SetNodeID(s64ID); }
    void SetParentID(long long s64ID) { SetParentNodeID(s64ID); }
    /// The byte on the device where the file's base FILE record starts, and the record's size.
    /// No FILE record is larger than ntfs::kMaxFileRecordSize: a larger size is kept as 0, a
    /// record that cannot be read either way.
    void SetRecordPosition(std::uint64_t u64Byte, std::uint32_t u32RecordSize);
    std::uint64_t GetRecordByte() const { return m_u64RecordByte; }
    std::uint32_t GetRecordSize() const { return m_u16RecordSize; }

private:
    CNTFSFileNode(CNTFSFileNode const& other);

    /// Bytes allocated behind the node for its name.
    struct NameRoom {
        std::size_t bytes;
    };
    static void* operator new(std::size_t size, NameRoom room) { return ::operator new(size + room.bytes); }
    static void operator delete(void* p, NameRoom) { ::operator delete(p); }
    /// Replaces the name with a copy of its own; a name kept behind the node is left there unused.
    void SetName(std::string_view name);

    /// Bits of the state word beside the deleted bit: the initialised size is known; the name
    /// lies behind the node, in its own block.
    static constexpr std::uint16_t kStateHasInitializedSize = 0x8000;
    static constexpr std::uint16_t kStateNameBehind = 0x4000;
    static constexpr std::uint16_t kNodeOwnBits = kStateHasInitializedSize | kStateNameBehind;

    // The small fields first: they fill the end of the base's last word.
    std::uint16_t m_u16Attribute = 0;
    std::uint16_t m_u16State = 0;
    std::uint16_t m_u16RecordSize = 0;
    CNodeName m_name;
    long long m_s64Size = 0;
    long long m_s64InitializedSize = 0;  // bytes ever written, with kStateHasInitializedSize
    std::uint64_t m_u64Creation = 0;     // 100-ns ticks since 1601
    std::uint64_t m_u64Modification = 0;
    std::uint64_t m_u64LastAccess = 0;
    std::uint64_t m_u64MftChange = 0;  // when the FILE record last changed
    std::uint64_t m_u64RecordByte = 0;
};
