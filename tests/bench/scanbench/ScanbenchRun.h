#pragma once
// Runs the scanbench program of this build tree as a test would: its output captured, the
// RESULT lines split into fields.
#include <map>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace scanbenchtest {

/// The harness in this build tree (the tests' scratch folder sits beside bench/); empty when
/// it is not built.
std::string Scanbench();

struct ScanbenchRun {
    int iExit = -1;
    std::string output;
    std::map<std::string, std::string> result;                // the last RESULT line's fields
    std::vector<std::map<std::string, std::string>> results;  // every RESULT line's, in order
};

/// Runs `scanbench <arguments>` with its output in a file of `dir`.
ScanbenchRun RunScanbench(testsupport::TempDir const& dir, std::string const& arguments);

/// A file's whole contents; empty when it cannot be read.
std::string ReadText(std::string const& path);

/// The output's lines that start with `prefix`.
std::vector<std::string> LinesStartingWith(std::string const& text, std::string const& prefix);

/// The value of `key=` in a line of key=value fields; empty when absent.
std::string Field(std::string const& line, std::string const& key);

}  // namespace scanbenchtest
