#pragma once
// A category filter that lets every node through and names one category for all of them; a
// test may turn it into one that refuses every node, or hides live files as a quick scan of a
// mounted volume does.
#include "engine/IRecoveryFilter.h"

namespace testkit {

class PassAllFilter : public IRecoveryFilter {
public:
    explicit PassAllFilter(_FILTER_TYPE eFileType = FILTER_TYPE_OTHER) : m_eFileType(eFileType) {}

    bool ShowNormalFiles() const override { return m_bShowNormalFiles; }
    void SetScanType(_SCAN_TYPE) override {}
    bool IsFileNodeValid(IFileNode* pNode) override { return pNode != nullptr && !m_bRefuseAll; }
    void SetFilterTypes(unsigned int) override {}
    _FILTER_TYPE GetNodeFileType(IFileNode*) override { return m_eFileType; }
    void Release() override {}

    bool m_bShowNormalFiles = true;
    bool m_bRefuseAll = false;

private:
    _FILTER_TYPE m_eFileType;
};

}  // namespace testkit
