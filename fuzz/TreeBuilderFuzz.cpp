// Random node graphs through the tree builder: ids and parent ids from a small range, so that
// copies, loops and self-parents are common; odd names; flushes and root changes mid-stream.
// Every run must end, show each node once, keep every shown node reachable from a shown root
// and free the rest (LeakSanitizer sees what is not).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

#include "engine/FileNode.h"
#include "engine/IProgress.h"
#include "engine/IRecoveryFilter.h"
#include "engine/core/tree/DirectoryTreeBuilder.h"
#include "testkit/CountingTreeSink.h"
#include "testkit/PassAllFilter.h"

namespace {

// Input: two header bytes, then six bytes per step.
//   header 0: bit 0 restore mode, bit 1 live files hidden, bits 2-4 nodes per incremental build - 1
//   header 1: the first root id
//   step 0:   bits 0-1 operation (3: control, else a node), bit 2 folder (control: flush),
//             bit 3 deleted, bit 4 FAT instead of NTFS, bits 5-7 name
//   step 1-2: node id, parent id (control: a new root id in byte 2)
//   step 3:   size; step 4: creation time (low nibble), last access (high nibble)
//   step 5:   modification time (bits 0-6), partition 1 (bit 7)
constexpr std::size_t kStepSize = 6;
constexpr char const* kNames[] = {nullptr, "", ".", ". .hidden", "a", "a.jpg", "\xC3\xA9\xFF\x80", "a"};

class CFuzzNode final : public CFileNode {
public:
    char const* GetFileName() override { return m_pszName; }
    long long GetFileSize() override { return m_s64Size; }
    std::uint32_t GetAttribute() override { return m_bFolder ? 0x10 : 0x20; }
    _FILETIME GetCreationTime() override { return m_created; }
    _FILETIME GetModificationTime() override { return m_modified; }
    _FILETIME GetLastAccessTime() override { return m_accessed; }
    int IsDirectory() override { return m_bFolder ? 1 : 0; }
    int IsDeleted() override { return m_bDeleted ? 1 : 0; }
    IFileNode* Clone() override { return new CFuzzNode(*this); }
    void MarkDeleted() override { m_bDeleted = true; }

    CFuzzNode() = default;
    char const* m_pszName = nullptr;
    long long m_s64Size = 0;
    _FILETIME m_created{};
    _FILETIME m_modified{};
    _FILETIME m_accessed{};
    bool m_bFolder = false;
    bool m_bDeleted = false;

private:
    CFuzzNode(CFuzzNode const& other) = default;
};

/// Each node and root was shown once; every shown node is alive and its parent links lead to a
/// shown root.
void CheckShown(testkit::CountingTreeSink const& sink) {
    std::vector<IFileNode*> const nodes = sink.Nodes();
    std::set<IFileNode*> const shown(nodes.begin(), nodes.end());
    std::vector<IFilesystemNode*> const rootList = sink.Roots();
    std::set<IFileNode*> const roots(rootList.begin(), rootList.end());
    if (shown.size() != nodes.size() || roots.size() != rootList.size()) std::abort();  // shown twice
    for (IFileNode* pNode : shown) {
        std::size_t steps = 0;
        IFileNode* pAbove = pNode;
        while (pAbove->GetParent()) {
            pAbove = pAbove->GetParent();
            if (++steps > shown.size() + 1) std::abort();  // a loop of parent links
        }
        if (!roots.contains(pAbove)) std::abort();
        (void)pNode->GetFileName();
    }
}

CFuzzNode* MakeNode(std::uint8_t const* pStep) {
    auto* pNode = new CFuzzNode;
    pNode->m_bFolder = (pStep[0] & 0x04) != 0;
    pNode->m_bDeleted = (pStep[0] & 0x08) != 0;
    pNode->m_pszName = kNames[pStep[0] >> 5];
    pNode->SetNodeID(pStep[1]);
    pNode->SetParentNodeID(pStep[2]);
    pNode->m_s64Size = pStep[3];
    pNode->m_created = {static_cast<std::uint32_t>(pStep[4] & 0x0F), 0};
    pNode->m_accessed = {static_cast<std::uint32_t>(pStep[4] >> 4), 0};
    pNode->m_modified = {static_cast<std::uint32_t>(pStep[5] & 0x7F), 0};
    pNode->SetBelongedPartition((pStep[5] & 0x80) ? 1 : 0);
    return pNode;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t uSize) {
    if (uSize < 2) return 0;
    TreeBuilderSettings settings;
    settings.u32BuildAfterNodes = 1 + ((pData[0] >> 2) & 0x07);
    settings.u32BuildIntervalMs = 3'600'000;  // builds follow the input, never the clock
    settings.u32RootShownPauseMs = 0;
    testkit::PassAllFilter filter;
    filter.m_bShowNormalFiles = (pData[0] & 0x02) == 0;
    testkit::CountingTreeSink sink;
    auto* pBuilder = new CDirectoryTreeBuilder((pData[0] & 0x01) != 0, settings);
    pBuilder->Initialize("Disk", &sink, &filter);
    pBuilder->AddSearcherInfo(SEARCHER_TYPE_NTFS, pData[1]);
    pBuilder->AddSearcherInfo(SEARCHER_TYPE_FAT, pData[1]);

    for (std::size_t offset = 2; offset + kStepSize <= uSize; offset += kStepSize) {
        std::uint8_t const* pStep = pData + offset;
        _tagSearcherType const eType = (pStep[0] & 0x10) ? SEARCHER_TYPE_FAT : SEARCHER_TYPE_NTFS;
        if ((pStep[0] & 0x03) == 0x03) {
            if (pStep[0] & 0x04)
                pBuilder->FlashBuild(eType);
            else
                pBuilder->AddSearcherInfo(eType, pStep[2]);
            continue;
        }
        CFuzzNode* pNode = MakeNode(pStep);
        bool const bNamesItself = pNode->GetCurrentNodeID() == pNode->GetParentNodeID();
        if (pBuilder->AddNode(pNode, eType)) {
            if (bNamesItself) std::abort();  // a node that is its own parent can never be hung
        } else {
            pNode->Release();
        }
    }
    pBuilder->FlashBuild(SEARCHER_TYPE_NTFS);
    pBuilder->FlashBuild(SEARCHER_TYPE_FAT);
    CheckShown(sink);
    pBuilder->Release();
    return 0;
}
