#pragma once
// The one recovery filter of the process: the scan type and the chosen categories, set by the
// user interface between scans, and a file-type table filled when the filter is built.
#include <atomic>
#include <cstdint>

#include "engine/IRecoveryFilter.h"
#include "engine/core/recovery/FileTypeManager.h"

class CRecoveryFilter final : public IRecoveryFilter {
public:
    /// Fills the table from the lists given to CFileTypeManager::Initialze so far. Scan type 0,
    /// no filter bits, every category allowed.
    CRecoveryFilter();

    bool ShowNormalFiles() const override;
    void SetScanType(_SCAN_TYPE eType) override;
    bool IsFileNodeValid(IFileNode* pNode) override;
    void SetFilterTypes(unsigned int u32Bits) override;
    _FILTER_TYPE GetNodeFileType(IFileNode* pNode) override;
    void Release() override {}

    /// The category of a file name: FILE_TYPE_OTHER without a name or a "."; otherwise that
    /// of the text behind the last ".".
    FILE_TYPE_ID GetNameFileType(char const* pszName) const;

private:
    // Plain values rather than locks: the user interface writes them between scans while the
    // searchers only read, and each is a single word.
    std::atomic<std::uint32_t> m_u32ScanType{SCAN_TYPE_QUICK_MOUNTED};
    std::atomic<std::uint32_t> m_u32FilterBits{0};
    CFileTypeManager m_fileTypeManager;
    // Bit (1 << category) per allowed FILE_TYPE_ID; 0 allows everything.
    std::atomic<std::uint32_t> m_u32AllowedCategories{0};
};
