#pragma once
// A complete searcher that only measures the block pass: it reads each block through the
// device it was given, as a searcher does, and touches every sector's first 4 bytes, as the
// signature search does. It rides in the signature search's place and passes every call on to
// the real signature searcher when there is one, so it adds to a scan instead of replacing it.
// With hashing it also keeps the SHA-256 of every byte it was handed, in block order: equal to
// sha256sum of the device range only when every sector arrived once, in order, intact.
#include <openssl/evp.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/IFileSystemSearchController.h"

namespace scanbench {

/// What the passthrough saw; outlives the searcher, which the controller deletes.
struct PassthroughTally {
    std::uint64_t u64Bytes = 0;
    std::uint32_t u32Touched = 0;  // keeps the touches from being optimised away
    std::string sha256;            // lower-case hex; empty without hashing
};

class CPassthroughSearcher final : public ICompleteFileSystemSearchController {
public:
    /// `pInner` (may be null) is owned; `pTally` is filled when the search ends.
    CPassthroughSearcher(std::unique_ptr<ICompleteFileSystemSearchController> pInner, bool bHash,
                         std::shared_ptr<PassthroughTally> pTally);
    ~CPassthroughSearcher() override;

    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) override;
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    void SetDevice(IStorageDevice* pDevice) override;
    void SetBlockSize(int iSectors) override;
    RESULT PreparetoSearch() override;
    /// Finishes the hash; the real searcher builds its trees.
    void EndSearch(int iBuild) override;
    RESULT AnalyzeBlock(long long s64First, long long s64Count) override;
    void SetIProgressSink(IProgress* pProgress) override;

private:
    void FinishHash();

    std::unique_ptr<ICompleteFileSystemSearchController> m_pInner;
    std::shared_ptr<PassthroughTally> m_pTally;
    IStorageDevice* m_pDevice = nullptr;  // not owned
    std::vector<std::uint8_t> m_block;
    std::uint32_t m_u32Touched = 0;
    struct HashFree {
        void operator()(EVP_MD_CTX* pContext) const { EVP_MD_CTX_free(pContext); }
    };
    std::unique_ptr<EVP_MD_CTX, HashFree> m_pHash;  // null without hashing or once finished
};

}  // namespace scanbench
