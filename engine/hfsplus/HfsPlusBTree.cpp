#include "engine/hfsplus/HfsPlusBTree.h"

#include "engine/hfsplus/HfsPlusRawfile.h"
#include "engine/hfsplus/HfsPlusResult.h"
#include "engine/hfsplus/ondisk/HfsPlusRecords.h"

namespace hfsplus {

namespace {
/// The header record's nodeSize field as it stands in the tree file (node 0).
constexpr std::size_t kNodeSizeInFile = kNodeDescriptorSize + 18;
}  // namespace

CHFSPlusBTree::CHFSPlusBTree(CHFSPlusRawfile* pFile) : m_pFile(pFile) {
    if (m_pFile == nullptr) {
        m_result = HFSPLUS_RESULT(kCodeBadArgument);
        return;
    }
    if (m_pFile->GetSize() == 0) return;  // no such tree on this volume: it finds nothing
    std::uint8_t first[kNodeSizeInFile + 2] = {};
    if (m_pFile->Read(0, first, sizeof(first)) != sizeof(first)) {
        m_result = HFSPLUS_RESULT(kCodeShortRead);
        return;
    }
    m_u32NodeSize = engine::ByteView(first, sizeof(first)).Be16(kNodeSizeInFile);
    if (!IsValidNodeSize(m_u32NodeSize)) {
        m_result = HFSPLUS_RESULT(kCodeBadData);
        return;
    }
    m_u64NodeCount = m_pFile->GetSize() / m_u32NodeSize;
    RESULT result = kResultSuccess;
    std::optional<CHFSPlusBTNode> const node0 = CreateNode(0, result);
    if (!node0 || node0->Descriptor().s8Kind != kKindHeader) {
        m_result = node0 ? HFSPLUS_RESULT(kCodeBadData) : result;
        return;
    }
    m_header = ReadHeaderRec(node0->GetRecord(0));
    if (!m_header || m_header->u16NodeSize != m_u32NodeSize) {
        m_header.reset();
        m_result = HFSPLUS_RESULT(kCodeBadData);
    }
}

RESULT CHFSPlusBTree::ReadNode(std::uint32_t u32Node, std::vector<std::uint8_t>& bytes) const {
    if (m_pFile == nullptr || m_u32NodeSize == 0 || u32Node >= m_u64NodeCount) return HFSPLUS_RESULT(kCodeBadData);
    bytes.resize(m_u32NodeSize);
    std::uint64_t const u64Offset = std::uint64_t{u32Node} * m_u32NodeSize;
    if (m_pFile->Read(u64Offset, bytes.data(), bytes.size()) != bytes.size()) return HFSPLUS_RESULT(kCodeShortRead);
    return kResultSuccess;
}

std::optional<CHFSPlusBTNode> CHFSPlusBTree::CreateNode(std::uint32_t u32Node, RESULT& result) const {
    std::vector<std::uint8_t> bytes;
    if (RESULT const read = ReadNode(u32Node, bytes); Failed(read)) {
        result = read;
        return std::nullopt;
    }
    CHFSPlusBTNode node(std::move(bytes));
    if (!node.Valid()) {
        result = HFSPLUS_RESULT(kCodeBadData);
        return std::nullopt;
    }
    return node;
}

RESULT CHFSPlusBTree::Search(KeyOrder const& order, HFSPlusSearchResult& found,
                             std::vector<std::uint8_t>* pRecord) const {
    found = {};
    if (!m_header) return m_result;
    std::unordered_set<std::uint32_t> visited;
    std::uint32_t u32Node = m_header->u32RootNode;
    for (std::uint32_t u32Depth = 0; u32Node != 0; ++u32Depth) {
        if (u32Depth >= kMaxTreeDepth || !visited.insert(u32Node).second) return HFSPLUS_RESULT(kCodeBadData);
        RESULT result = kResultSuccess;
        std::optional<CHFSPlusBTNode> const node = CreateNode(u32Node, result);
        if (!node) return result;
        std::uint16_t const count = node->GetRecordCount();
        if (node->IsIndex()) {
            // The child of the last record whose key is not above the one searched for.
            std::optional<std::uint32_t> child;
            for (std::uint16_t i = 0; i < count; ++i) {
                engine::ByteView const record = node->GetRecord(i);
                std::optional<int> const cmp = order(record);
                if (!cmp) continue;
                if (*cmp > 0) break;
                child = ChildPointer(record);
            }
            if (!child) return kResultSuccess;  // below every key: not in the tree
            u32Node = *child;
            continue;
        }
        if (!node->IsLeaf()) return HFSPLUS_RESULT(kCodeBadData);
        for (std::uint16_t i = 0; i < count; ++i) {
            engine::ByteView const record = node->GetRecord(i);
            std::optional<int> const cmp = order(record);
            if (!cmp || *cmp < 0) continue;
            if (*cmp > 0) {
                found.u32Node = u32Node;
                found.u16Record = i;
                return kResultSuccess;
            }
            found = {u32Node, i, true};
            if (pRecord != nullptr) pRecord->assign(record.Data(), record.Data() + record.Size());
            return kResultSuccess;
        }
        return kResultSuccess;
    }
    return HFSPLUS_RESULT(kCodeBadData);
}

RESULT CHFSPlusBTree::Traverse(LeafVisitor const& visit, ContinueQuery const& continued) const {
    if (!m_header) return m_result;
    if (m_header->u32RootNode == 0) return kResultSuccess;  // an empty tree
    std::unordered_set<std::uint32_t> visited;
    return TraverseNode(m_header->u32RootNode, 0, visited, visit, continued);
}

RESULT CHFSPlusBTree::TraverseNode(std::uint32_t u32Node, std::uint32_t u32Depth,
                                   std::unordered_set<std::uint32_t>& visited, LeafVisitor const& visit,
                                   ContinueQuery const& continued) const {
    if (continued && !continued()) return HFSPLUS_RESULT(kCodeStopped);
    if (u32Depth >= kMaxTreeDepth || !visited.insert(u32Node).second) return HFSPLUS_RESULT(kCodeBadData);
    RESULT result = kResultSuccess;
    std::optional<CHFSPlusBTNode> const node = CreateNode(u32Node, result);
    if (!node) return result;
    std::uint16_t const count = node->GetRecordCount();
    if (node->IsLeaf()) {
        for (std::uint16_t i = 0; i < count; ++i) {
            if (continued && !continued()) return HFSPLUS_RESULT(kCodeStopped);
            if (!visit(node->GetRecord(i))) return HFSPLUS_RESULT(kCodeStopped);
        }
        return kResultSuccess;
    }
    if (!node->IsIndex()) return HFSPLUS_RESULT(kCodeBadData);
    // A bad child ends its own branch only: the rest of the tree is still walked.
    RESULT worst = kResultSuccess;
    for (std::uint16_t i = 0; i < count; ++i) {
        std::optional<std::uint32_t> const child = ChildPointer(node->GetRecord(i));
        RESULT const childResult = child && *child != 0 ? TraverseNode(*child, u32Depth + 1, visited, visit, continued)
                                                        : HFSPLUS_RESULT(kCodeBadData);
        if (ResultCode(childResult) == kCodeStopped && Failed(childResult)) return childResult;
        if (Failed(childResult)) worst = childResult;
    }
    return worst;
}

}  // namespace hfsplus
