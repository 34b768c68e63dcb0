#pragma once
// A file or folder found by an NTFS search. Its name, size, times, attributes, state and where
// its FILE record lies are its properties (`CNTFSFileProperties`), which it owns; its clusters
// are the run list unpacked from them (or a resident value read back from the FILE record).
#include <cstdint>
#include <memory>

#include "engine/FileNode.h"
#include "engine/ntfs/NTFSFileProperties.h"

class CNTFSFileNode final : public CFileNode {
public:
    static constexpr std::uint32_t kAttributeFolder = CNTFSFileProperties::kAttributeFolder;

    CNTFSFileNode() : m_pProperties(std::make_unique<CNTFSFileProperties>()) {}
    ~CNTFSFileNode() override = default;

    /// Null until a name is set.
    char const* GetFileName() override { return m_pProperties->GetFileName(); }
    long long GetFileSize() override { return m_pProperties->GetFileSize(); }
    std::optional<long long> GetInitializedSize() const override { return m_pProperties->GetInitializedSize(); }
    std::uint32_t GetAttribute() override { return m_pProperties->GetAttribute(); }
    _FILETIME GetCreationTime() override;
    _FILETIME GetModificationTime() override;
    _FILETIME GetLastAccessTime() override;
    int IsDirectory() override { return m_pProperties->IsDirectory() ? 1 : 0; }
    int IsDeleted() override { return m_pProperties->IsDeleted() ? 1 : 0; }
    _tagSearcherType GetSearcheType() const override { return SEARCHER_TYPE_NTFS; }
    /// A lone copy with copies of the properties and the runs; ids are not copied.
    IFileNode* Clone() override;
    void MarkDeleted() override { SetDeleted(true); }
    /// Drops the name's leading blanks and dots, in place.
    void FilterFileNameByDot() override;

    /// Takes the properties (null is ignored): the node's run list is unpacked from them and
    /// its metadata sector is their record's.
    void SetFileProperties(std::unique_ptr<CNTFSFileProperties> pProperties);
    CNTFSFileProperties& GetFileProperties() { return *m_pProperties; }
    CNTFSFileProperties const& GetFileProperties() const { return *m_pProperties; }

    /// Replaces the name with a copy; null is ignored. The recycle-bin handling renames through it.
    void SetFileName(char const* pszName) { m_pProperties->SetFileName(pszName); }
    bool RenameFound(std::string const& name) override {
        SetFileName(name.c_str());
        return true;
    }
    void SetFileSize(long long s64Size) { m_pProperties->SetFileSize(s64Size); }
    void SetFolder(bool bFolder);
    void SetDeleted(bool bDeleted);
    /// DOS attributes (hidden, system, archive...) without the folder bit.
    void SetFileAttributes(std::uint32_t u32Attributes);
    void SetFileTime(std::uint64_t u64Creation, std::uint64_t u64Modification, std::uint64_t u64Access) {
        m_pProperties->SetTimes(u64Creation, u64Modification, u64Access);
    }
    void SetID(long long s64ID) { SetNodeID(s64ID); }
    void SetParentID(long long s64ID) { SetParentNodeID(s64ID); }
    /// The byte on the device where the file's base FILE record starts, and the record's size.
    void SetRecordPosition(std::uint64_t u64Byte, std::uint32_t u32RecordSize) {
        m_pProperties->SetFileRecordPosition(u64Byte, u32RecordSize);
    }
    std::uint64_t GetRecordByte() const { return m_pProperties->GetFileRecordByte(); }
    std::uint32_t GetRecordSize() const { return m_pProperties->GetFileRecordSize(); }

private:
    CNTFSFileNode(CNTFSFileNode const& other);

    std::unique_ptr<CNTFSFileProperties> m_pProperties;  // never null
};
