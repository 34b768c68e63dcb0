#include "CorpusFamilies.h"

#include "../analysers/PictureSamples.h"
#include "../documents/DocumentSamples.h"
#include "../photos/PhotoSamples.h"

namespace corpustest {
namespace {

constexpr CorpusFamily kFamilies[] = {
    {"pictures", &picturetest::PictureFamily, &picturetest::MissingTools},
    {"photographs", &phototest::PhotoFamily, &phototest::MissingTools},
    {"documents", &documenttest::DocumentFamily, &documenttest::MissingDocumentTools},
};

}  // namespace

std::span<CorpusFamily const> CorpusFamilies() { return kFamilies; }

}  // namespace corpustest
