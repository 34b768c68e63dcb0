// Recovery-filter lookups per second with the shipped "FileType" lists: known extensions,
// extensions in no list (each walks the whole 2048-slot table) and a mix like a real scan's.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/recovery/RecoveryFilter.h"
#include "testkit/TestFileNode.h"
#include "uimodel/FileTypeList.h"

namespace {

void RunFilter(benchmark::State& state, std::vector<std::string> const& names) {
    std::string error;
    std::map<int, std::string> const lists = filetypes::ReadFileTypeList(filetypes::LocateFileTypeList(), &error);
    if (lists.empty()) {
        state.SkipWithError(("FileType list not found: " + error).c_str());
        return;
    }
    CFileTypeManager::Initialze(lists);
    CRecoveryFilter filter;
    filter.SetFilterTypes(FILTER_TYPE_PICTURE | FILTER_TYPE_DOCUMENT);

    // Just a name: the filter reads nothing else of a file.
    std::vector<std::unique_ptr<testkit::CTestFileNode>> nodes;
    nodes.reserve(names.size());
    for (std::string const& name : names) {
        nodes.push_back(std::make_unique<testkit::CTestFileNode>(name.c_str()));
        nodes.back()->SetDeleted(true);
    }

    for (auto _ : state) {
        for (auto const& pNode : nodes) benchmark::DoNotOptimize(filter.IsFileNodeValid(pNode.get()));
    }
    state.SetItemsProcessed(static_cast<long long>(state.iterations()) * static_cast<long long>(nodes.size()));
}

void BM_FilterKnownExtensions(benchmark::State& state) {
    RunFilter(state, {"IMG_0001.JPG", "song.mp3", "clip.mov", "backup.zip", "report.docx", "DSC_0042.NEF", "scan.pdf",
                      "track.flac"});
}
BENCHMARK(BM_FilterKnownExtensions);

void BM_FilterUnknownExtensions(benchmark::State& state) {
    RunFilter(state, {"a.xyz", "b.qqq", "c.unknown", "d.zzz1"});
}
BENCHMARK(BM_FilterUnknownExtensions);

// Mostly pictures and documents, some names without an extension, a few unknown extensions.
void BM_FilterTypicalScan(benchmark::State& state) {
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i) {
        switch (i % 10) {
            case 0:
                names.push_back("FILE" + std::to_string(i));
                break;
            case 1:
                names.push_back("file" + std::to_string(i) + ".x" + std::to_string(i % 7));
                break;
            case 2:
            case 3:
                names.push_back("doc" + std::to_string(i) + ".pdf");
                break;
            default:
                names.push_back("IMG_" + std::to_string(i) + ".JPG");
                break;
        }
    }
    RunFilter(state, names);
}
BENCHMARK(BM_FilterTypicalScan);

}  // namespace
