#pragma once
// The name, size, times and cluster numbers of one FAT file or folder. FAT nodes keep their
// runs in the node itself, so the properties carry none.
#include <cstdint>
#include <string>

#include "engine/IFileProperties.h"
#include "engine/Types.h"

class CFATFileProperties final : public IFileProperties {
public:
    static constexpr std::uint16_t kStateDeleted = 1;

    unsigned int GetFileNameLength() override { return static_cast<unsigned int>(m_name.size()); }
    /// Null clears the name; otherwise keeps a copy.
    void SetFileName(char const* pszName) override { m_name = pszName ? pszName : ""; }
    char const* GetFileName() override { return m_name.c_str(); }
    long long GetFileSize() override { return m_s64Size; }
    unsigned int GetAttribute() override { return m_u16Attribute; }
    std::string GetRawFileCreateTime() override { return {}; }
    unsigned long long GetCreationTime() override { return m_u64Creation; }
    unsigned long long GetModificationTime() override { return m_u64Modification; }
    unsigned long long GetLastAccessTime() override { return m_u64LastAccess; }
    unsigned short GetState() override { return m_u8State; }
    void SetState(unsigned short u16State) override { m_u8State = static_cast<std::uint8_t>(u16State); }
    /// Always null: the node holds the runs.
    IDataRunList* GetDataRunList() override { return nullptr; }
    /// A copy of every field; the caller deletes it.
    IFileProperties* Clone() override { return new CFATFileProperties(*this); }

    void SetFileSize(long long s64Size) { m_s64Size = s64Size; }
    void SetAttribute(std::uint16_t u16Attribute) { m_u16Attribute = u16Attribute; }
    /// Times as FILETIME values (100-ns units since 1601).
    void SetCreationTime(std::uint64_t u64Time) { m_u64Creation = u64Time; }
    void SetModificationTime(std::uint64_t u64Time) { m_u64Modification = u64Time; }
    void SetLastAccessTime(std::uint64_t u64Time) { m_u64LastAccess = u64Time; }
    long long GetFirstClusterNum() const { return m_s64FirstCluster; }
    void SetFirstClusterNum(long long s64Cluster) { m_s64FirstCluster = s64Cluster; }
    long long GetParentFirstClusterNum() const { return m_s64ParentCluster; }
    void SetParentFirstClusterNum(long long s64Cluster) { m_s64ParentCluster = s64Cluster; }
    /// The byte of the device where the 8.3 entry lies; 0 when unknown.
    std::uint64_t GetEntryPosition() const { return m_u64EntryPosition; }
    void SetEntryPosition(std::uint64_t u64Position) { m_u64EntryPosition = u64Position; }
    long long GetMetaDataSector() const { return m_s64MetadataSector; }
    void SetMetaDataSector(long long s64Sector) { m_s64MetadataSector = s64Sector; }
    bool IsDirectory() const { return (m_u16Attribute & 0x10) != 0; }
    bool IsDeleted() const { return (m_u8State & kStateDeleted) != 0; }
    std::string const& Name() const { return m_name; }

private:
    std::string m_name;
    long long m_s64Size = 0;
    std::uint16_t m_u16Attribute = 0;
    std::uint64_t m_u64Creation = 0;
    std::uint64_t m_u64Modification = 0;
    std::uint64_t m_u64LastAccess = 0;
    std::uint8_t m_u8State = 0;
    long long m_s64FirstCluster = 0;
    long long m_s64ParentCluster = 0;
    long long m_s64MetadataSector = 0;
    std::uint64_t m_u64EntryPosition = 0;
};
