#pragma once
// One file of the carving corpus: its bytes as written, the type the signature search must
// give it and the size it must come out with. The families of samples (pictures, photographs,
// documents, ...) each make theirs at test time with the real tools; CorpusFamilies.h lists them.
#include <cstdint>
#include <string>
#include <vector>

namespace corpustest {

using Bytes = std::vector<std::uint8_t>;

enum class SizeRule {
    Exact,        // the file's own length
    ToSectorEnd,  // up to the end of the device sector of its last byte (zero padding)
    Stated,       // `u64Size` bytes: a format whose end rule runs past the file, or stops before
                  // bytes that follow it on the disk (which `bytes` then holds too)
    Prefix,       // longer, by as much as the format's rule runs on past the file (what follows it
                  // on the disk): the carved file begins with `bytes`
    ToNextFile,   // nothing bears out its end: it runs to the next file placed after it, and
                  // begins with `bytes`
};

struct CarvedSample {
    std::string name;           // readable and unique within the corpus
    std::uint32_t u32Type = 0;  // RAW_FILE_TYPE: decides the name's extension and the folder
    Bytes bytes;
    SizeRule rule = SizeRule::Exact;
    std::uint64_t u64Size = 0;  // for Stated
    std::string namePrefix;     // "" for the default "FILE"
    std::string time = {};      // the carved time text; "" when the file states none
};

/// The carved size the sample must have on a device of `u32SectorSize`-byte sectors (for Prefix
/// the least it may have).
std::uint64_t ExpectedSize(CarvedSample const& sample, std::uint32_t u32SectorSize);
/// What a byte-exact copy of the carved file holds: the sample's bytes, cut to the expected size
/// or followed by the zeros that fill its last sector on the device (for Prefix its beginning).
Bytes ExpectedBytes(CarvedSample const& sample, std::uint32_t u32SectorSize);
/// The carved name's text before its number, and the folder it is filed in (its type's extension
/// in lower case).
std::string CarvedNamePrefix(CarvedSample const& sample);
std::string CarvedFolder(CarvedSample const& sample);
/// Checks a carved file's size and its copy at `copyPath` against the sample's rule (gtest
/// expectations).
void ExpectCarvedCopy(CarvedSample const& sample, std::uint32_t u32SectorSize, std::uint64_t u64CarvedSize,
                      std::string const& copyPath);

/// Makes one family's samples in `folder`; false with the failing step in `error`.
using SampleFamily = bool (*)(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error);

}  // namespace corpustest
