#pragma once
// Audio and video files for the carving tests: real ones made at test time by ffmpeg, lame
// (through ffmpeg), abc2midi, sqlite3 and ImageMagick, and small builders for the formats no
// tool here writes (the Corel RIFF forms, ANI, a stream-less ASF, APE, a compressed SWF, a
// 64-bit "mdat", an ID3v2.2 song).
#include <cstdint>
#include <string>
#include <vector>

namespace mediatest {

using Bytes = std::vector<std::uint8_t>;

/// How a carved copy compares with the original.
enum class SizeRule {
    Exact,    // the same bytes
    Prefix,   // longer: the format's rule ends past the file; it begins with the original
    Refused,  // nothing is carved where it starts
};

struct MediaSample {
    std::string name;    // the row's name in the tests
    std::string folder;  // the carved file's folder (its extension, lower case); empty when refused
    std::string prefix;  // the carved name before the number; "FILE" when the file gives none
    std::string time;    // the carved time text
    SizeRule eRule = SizeRule::Exact;
    Bytes bytes;
};

/// Why the tools cannot run here, or empty when they can.
std::string MissingMediaTools();
/// Every audio and video sample, one per kind the analysers tell apart; empty (with the failing
/// command in `error`) when a tool fails. Made in `folder`.
std::vector<MediaSample> MediaSamples(std::string const& folder, std::string& error);

/// One tool-made sample by its row name from a set; empty bytes when absent.
Bytes SampleBytes(std::vector<MediaSample> const& samples, std::string const& name);

/// Runs a shell command in `folder`; false when it fails.
bool RunIn(std::string const& folder, std::string const& command);
Bytes ReadFile(std::string const& path);

}  // namespace mediatest
