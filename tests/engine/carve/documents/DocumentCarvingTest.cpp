// Each document, drawing, mail store, help file and font, tool-made where a tool writes it,
// planted across a block boundary in random sectors, found by the whole signature search, filed
// under its type and copied out: its size by its format's rule and its bytes by SHA-256, on
// devices of 512- and 4,096-byte sectors.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "../corpus/CorpusRun.h"
#include "DocumentSamples.h"
#include "support/TempDir.h"

namespace documenttest {
namespace {

constexpr std::uint64_t kDeviceBytes = 3 * 0x400000;
constexpr std::uint64_t kAcrossBlocks = 0x400000 - 2 * 4096;

/// The samples are made once for every row and sector size.
CarvedSample const* Sample(char const* pszName, std::string& error) {
    static testsupport::TempDir dir;
    static std::map<std::string, CarvedSample> made;
    auto it = made.find(pszName);
    if (it == made.end()) {
        for (DocumentRow const& row : DocumentRows()) {
            if (std::string(row.pszName) != pszName) continue;
            std::string const folder = dir.File(pszName);
            testsupport::RunCommand("mkdir -p " + folder);
            DocumentMaker maker(folder);
            CarvedSample sample;
            sample.name = pszName;
            if (!row.make(maker, sample)) {
                error = maker.Error();
                return nullptr;
            }
            it = made.emplace(pszName, std::move(sample)).first;
        }
    }
    return it != made.end() ? &it->second : nullptr;
}

using Param = std::tuple<DocumentRow, std::uint32_t>;

class DocumentCarvingTest : public testing::TestWithParam<Param> {};

TEST_P(DocumentCarvingTest, IsCarvedWithItsTypeAndSizeAndCopiedOutByteExact) {
    std::string const missing = MissingDocumentTools();
    if (!missing.empty()) GTEST_SKIP() << missing;
    auto const& [row, u32SectorSize] = GetParam();
    std::string error;
    CarvedSample const* pSample = Sample(row.pszName, error);
    ASSERT_NE(pSample, nullptr) << error;
    corpustest::CarveAndCheck({*pSample}, {{kAcrossBlocks}}, kDeviceBytes, u32SectorSize);
}

INSTANTIATE_TEST_SUITE_P(Formats, DocumentCarvingTest,
                         testing::Combine(testing::ValuesIn(DocumentRows().begin(), DocumentRows().end()),
                                          testing::Values(512u, 4096u)),
                         [](testing::TestParamInfo<Param> const& param) {
                             return std::string(std::get<0>(param.param).pszName) + "_" +
                                    std::to_string(std::get<1>(param.param));
                         });

}  // namespace
}  // namespace documenttest
