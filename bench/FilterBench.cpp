// Recovery-filter lookups per second with the shipped "FileType" lists: known extensions,
// extensions in no list (each walks the whole 2048-slot table) and a mix like a real scan's.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "engine/core/node/FileNode.h"
#include "engine/core/recovery/RecoveryFilter.h"
#include "uimodel/FileTypeList.h"

namespace {

// Just a name: the filter reads nothing else of a file.
class CNamedNode final : public CFileNode {
public:
    explicit CNamedNode(std::string name) : m_name(std::move(name)) {}
    char const* GetFileName() override { return m_name.c_str(); }
    long long GetFileSize() override { return 0; }
    std::uint32_t GetAttribute() override { return 0; }
    _FILETIME GetCreationTime() override { return {}; }
    _FILETIME GetModificationTime() override { return {}; }
    _FILETIME GetLastAccessTime() override { return {}; }
    int IsDirectory() override { return 0; }
    int IsDeleted() override { return 1; }
    IFileNode* Clone() override { return new CNamedNode(m_name); }
    void MarkDeleted() override {}
    void FilterFileNameByDot() override {}

private:
    std::string m_name;
};

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

    std::vector<CNamedNode> nodes;
    nodes.reserve(names.size());
    for (std::string const& name : names) nodes.emplace_back(name);

    for (auto _ : state) {
        for (CNamedNode& node : nodes) benchmark::DoNotOptimize(filter.IsFileNodeValid(&node));
    }
    state.SetItemsProcessed(static_cast<long long>(state.iterations()) * static_cast<long long>(nodes.size()));
}

void BM_FilterKnownExtensions(benchmark::State& state) {
    RunFilter(state, {"IMG_0001.JPG", "song.mp3", "clip.mov", "backup.zip", "report.docx", "DSC_0042.NEF",
                      "scan.pdf", "track.flac"});
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
            case 0: names.push_back("FILE" + std::to_string(i)); break;
            case 1: names.push_back("file" + std::to_string(i) + ".x" + std::to_string(i % 7)); break;
            case 2: case 3: names.push_back("doc" + std::to_string(i) + ".pdf"); break;
            default: names.push_back("IMG_" + std::to_string(i) + ".JPG"); break;
        }
    }
    RunFilter(state, names);
}
BENCHMARK(BM_FilterTypicalScan);

}  // namespace
