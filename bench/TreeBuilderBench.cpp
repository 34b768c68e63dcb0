// Tree-builder throughput on a deep scan's shape: a million nodes of which nine in ten name a
// parent that is never found, so they wait through every build and end under lost files; and
// on an intact volume's (500 folders of 200 files, as a catalog or a FAT walk hands them over),
// where filing alone is measured.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/FileNode.h"
#include "engine/IProgress.h"
#include "engine/IRecoveryFilter.h"
#include "engine/core/tree/DirectoryTreeBuilder.h"
#include "testkit/CountingTreeSink.h"
#include "testkit/PassAllFilter.h"
#include "testkit/TestFileNode.h"

namespace {

constexpr long long kNodes = 1'000'000;
constexpr long long kRootID = 5;
constexpr long long kFolders = 10'000;          // under the root, each with nine files
constexpr long long kMissingParents = 100'000;  // ids the orphans name, never found

testkit::CTestFileNode* BenchNode(long long s64ID, long long s64ParentID, bool bFolder) {
    std::string const name = bFolder ? "folder" : "file" + std::to_string(s64ID % 97) + ".jpg";
    auto* pNode = new testkit::CTestFileNode(name.c_str(), bFolder);
    pNode->SetNodeID(s64ID);
    pNode->SetParentNodeID(s64ParentID);
    pNode->SetFileSize(bFolder ? 0 : 4096);
    pNode->SetAttribute(bFolder ? 0x10 : 0x20);
    pNode->SetDeleted(true);
    return pNode;
}

/// Folders first in a scan's mixed order: the files of each folder trail it, orphans between.
std::vector<testkit::CTestFileNode*> MakeNodes() {
    std::vector<testkit::CTestFileNode*> nodes;
    nodes.reserve(kNodes);
    long long s64NextID = 1000;
    long long s64Orphans = 0;
    for (long long i = 0; i < kNodes; ++i) {
        long long const s64ID = s64NextID++;
        if (i % 10 == 0) {
            long long const s64Folder = i / 10;
            if (s64Folder < kFolders)
                nodes.push_back(BenchNode(s64ID, kRootID, true));
            else  // a file of one of the folders: every folder's id is below 1000 + 10 * kFolders
                nodes.push_back(BenchNode(s64ID, 1000 + 10 * (s64Folder % kFolders), false));
        } else {
            nodes.push_back(BenchNode(s64ID, -(s64Orphans++ % kMissingParents) - 10, false));
        }
    }
    return nodes;
}

/// Files every node of `makeNodes` and completes the tree, the nodes' making and freeing untimed.
template <class MakeNodes>
void FileNodes(benchmark::State& state, MakeNodes makeNodes) {
    testkit::PassAllFilter filter(FILTER_TYPE_PICTURE);
    std::size_t nodeCount = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<testkit::CTestFileNode*> nodes = makeNodes();
        nodeCount = nodes.size();
        testkit::CountingTreeSink sink(false);
        TreeBuilderSettings settings;
        settings.u32RootShownPauseMs = 0;
        auto* pBuilder = new CDirectoryTreeBuilder(false, settings);
        pBuilder->Initialize("Disk", &sink, &filter);
        pBuilder->AddSearcherInfo(SEARCHER_TYPE_NTFS, kRootID);
        state.ResumeTiming();

        for (testkit::CTestFileNode* pNode : nodes)
            if (!pBuilder->AddNode(pNode, SEARCHER_TYPE_NTFS)) pNode->Release();
        pBuilder->FlashBuild(SEARCHER_TYPE_NTFS);
        benchmark::DoNotOptimize(sink.ShownCount());

        state.PauseTiming();
        pBuilder->Release();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(nodeCount));
}

void BM_TreeBuilderDeepScan(benchmark::State& state) { FileNodes(state, MakeNodes); }
BENCHMARK(BM_TreeBuilderDeepScan)->Unit(benchmark::kMillisecond)->Iterations(3);

/// Every folder first, then the files folder by folder, all live and found where they belong.
std::vector<testkit::CTestFileNode*> MakeIntactVolume() {
    constexpr long long kVolumeFolders = 500;
    constexpr long long kFilesPerFolder = 200;
    std::vector<testkit::CTestFileNode*> nodes;
    nodes.reserve(kVolumeFolders * (kFilesPerFolder + 1));
    for (long long f = 0; f < kVolumeFolders; ++f) nodes.push_back(BenchNode(100 + f, kRootID, true));
    long long s64NextID = 100 + kVolumeFolders;
    for (long long f = 0; f < kVolumeFolders; ++f)
        for (long long i = 0; i < kFilesPerFolder; ++i) nodes.push_back(BenchNode(s64NextID++, 100 + f, false));
    for (testkit::CTestFileNode* pNode : nodes) pNode->SetDeleted(false);
    return nodes;
}

void BM_TreeBuilderIntactVolume(benchmark::State& state) { FileNodes(state, MakeIntactVolume); }
BENCHMARK(BM_TreeBuilderIntactVolume)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
