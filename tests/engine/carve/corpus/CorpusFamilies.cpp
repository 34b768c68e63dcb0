#include "CorpusFamilies.h"

#include "../analysers/PictureSamples.h"
#include "../archives/CarvedSamples.h"
#include "../documents/DocumentSamples.h"
#include "../media/MediaSamples.h"
#include "../photos/PhotoSamples.h"

namespace corpustest {
namespace {

constexpr CorpusFamily kFamilies[] = {
    {"pictures", &picturetest::PictureFamily, &picturetest::MissingTools},
    {"photographs", &phototest::PhotoFamily, &phototest::MissingTools},
    {"documents", &documenttest::DocumentFamily, &documenttest::MissingDocumentTools},
    {"office-documents", &archivetest::DocumentSamples, &archivetest::MissingDocumentTools},
    {"archives", &archivetest::ArchiveSamples, &archivetest::MissingArchiveTools},
    {"media", &mediatest::MediaFamily, &mediatest::MissingMediaTools},
};

}  // namespace

std::span<CorpusFamily const> CorpusFamilies() { return kFamilies; }

}  // namespace corpustest
