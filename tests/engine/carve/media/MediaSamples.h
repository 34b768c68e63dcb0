#pragma once
// Audio and video files for the carving tests: real ones made at test time by ffmpeg, lame
// (through ffmpeg), abc2midi, sqlite3 and ImageMagick, and small builders for the formats no
// tool here writes (the Corel RIFF forms, ANI, a stream-less ASF, APE, a compressed SWF, a
// 64-bit "mdat", an ID3v2.2 song). They are the corpus's audio and video family, with the
// ID3v2.2 song kept apart as a file that must not be carved.
#include <string>
#include <vector>

#include "../corpus/CarvedSample.h"

namespace mediatest {

using corpustest::Bytes;
using corpustest::CarvedSample;

/// A file no analyser may carve: nothing starts where it is planted.
struct RefusedSample {
    std::string name;
    Bytes bytes;
};

/// Why the tools cannot run here, or empty when they can.
std::string MissingMediaTools();
/// The audio and video family of the carving corpus (corpus/CorpusFamilies.h): every sample, one
/// per kind the analysers tell apart, made in `folder`; false (with the failing command in
/// `error`) when a tool fails.
bool MediaFamily(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error);
/// The files made from `samples` that must be refused: an ID3v2.2 song.
std::vector<RefusedSample> RefusedSamples(std::vector<CarvedSample> const& samples);

/// One sample by its row name from a set; empty bytes when absent.
Bytes SampleBytes(std::vector<CarvedSample> const& samples, std::string const& name);

/// Runs a shell command in `folder`; false when it fails.
bool RunIn(std::string const& folder, std::string const& command);
Bytes ReadFile(std::string const& path);

}  // namespace mediatest
