#pragma once
// Runs the commands that make samples in one folder and collects their output files.
#include <initializer_list>
#include <string>

#include "CarvedSamples.h"

namespace archivetest {

/// Why the first missing one of `tools` cannot run, or empty when all are there.
std::string MissingTool(std::initializer_list<char const*> tools);

class SampleMaker {
public:
    SampleMaker(std::string folder, std::vector<CarvedSample>& samples, std::string& error)
        : m_folder(std::move(folder)), m_samples(samples), m_error(error) {}

    std::string Path(std::string const& name) const { return m_folder + "/" + name; }
    /// Runs `command` in the folder; false (the command kept as the error) when it fails.
    bool Run(std::string const& command);
    /// Writes a file of `text` into the folder.
    bool Write(std::string const& name, std::string const& text);
    /// Adds the file `name` of the folder as a sample; false when it is missing or empty.
    bool Add(std::string row, std::string const& name, RAW_FILE_TYPE eType, std::string stem,
             SizeRule rule = SizeRule::Exact, std::uint64_t u64Size = 0);
    /// Adds bytes made here.
    void Add(std::string row, Bytes bytes, RAW_FILE_TYPE eType, SizeRule rule = SizeRule::Exact,
             std::uint64_t u64Size = 0);

private:
    std::string m_folder;
    std::vector<CarvedSample>& m_samples;
    std::string& m_error;
};

}  // namespace archivetest
