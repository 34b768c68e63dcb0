#pragma once
// A carved file or one of the per-extension folders of the carved-file tree. Carved files have
// no name of their own: the name is made from the type's extension and a running number per
// type, after a name prefix when the analyser found a usable one.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FileNode.h"
#include "engine/carve/RAWFileProperties.h"

class CRawFileInfo;

/// Name counters by type id, 2000 of them, zeroed at the start of every signature search.
extern std::vector<std::int32_t> g_s_CountPerFileTypeVector;

class CRAWFileNode final : public CFileNode {
public:
    /// The longest carved name, in bytes, with its number and extension.
    static constexpr std::size_t kMaxNameBytes = 255;

    CRAWFileNode() = default;
    ~CRAWFileNode() override = default;

    char const* GetFileName() override { return m_strName.c_str(); }
    long long GetFileSize() override { return m_pProperties ? m_pProperties->GetFileSize() : 0; }
    std::uint32_t GetAttribute() override { return m_pProperties ? m_pProperties->GetAttribute() : 0; }
    _FILETIME GetCreationTime() override { return GetLastAccessTime(); }
    _FILETIME GetModificationTime() override { return GetLastAccessTime(); }
    _FILETIME GetLastAccessTime() override { return {}; }
    int IsDirectory() override;
    int IsDeleted() override { return 0; }
    /// A lone copy (no tree links) that the caller releases.
    IFileNode* Clone() override;
    void MarkDeleted() override {}

    /// Builds the node from a record: properties, run list, name (the record's name for a
    /// folder, a carved name for a file), ids. False for a null record.
    bool Initilaize(CRawFileInfo const* pInfo, std::uint32_t u32Attribute, long long s64ParentID, long long s64NodeID);
    /// "<prefix><nnn>.<EXT>" or "FILE<nnn>.<EXT>" from the type's counter, which then grows.
    /// The prefix is used when it is valid UTF-8; its leading dots and blanks are dropped and
    /// it is cut at a character boundary so that the name stays within kMaxNameBytes.
    static std::string BuildFileName(std::uint16_t u16Type, std::string_view prefix);

    CRAWFileProperties* GetProperties() const { return m_pProperties.get(); }

private:
    CRAWFileNode(CRAWFileNode const& other);

    std::unique_ptr<CRAWFileProperties> m_pProperties;
    std::string m_strName;
};
