#include "support/NtfsImage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "support/TempDir.h"

namespace testsupport {
namespace {

std::string Trim(std::string const& text) {
    auto const first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    auto const last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

/// The value after "<key>:" on a line of ntfsinfo's output, trimmed.
std::optional<std::string> ValueAfter(std::string const& line, std::string const& key) {
    auto const position = line.find(key + ":");
    if (position == std::string::npos) return std::nullopt;
    return Trim(line.substr(position + key.size() + 1));
}

}  // namespace

std::string ShellQuote(std::string const& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::optional<std::string> CaptureCommand(std::string const& command) {
    FILE* pPipe = ::popen(command.c_str(), "r");
    if (pPipe == nullptr) return std::nullopt;
    std::string output;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pPipe)) > 0;) output.append(buffer, got);
    int const status = ::pclose(pPipe);
    if (status != 0) return std::nullopt;
    return output;
}

std::string NtfsImage::MissingPrerequisite() {
    for (char const* pszTool : {"mkntfs", "ntfs-3g", "ntfsinfo", "ntfscat", "setfattr", "umount"})
        if (!HaveTool(pszTool)) return std::string(pszTool) + " is not installed";
    if (::access("/dev/fuse", R_OK | W_OK) != 0) return "/dev/fuse is not available";
    if (::geteuid() != 0) return "mounting an image with ntfs-3g needs root";
    return {};
}

bool NtfsImage::Build(std::string const& imagePath, std::uint64_t u64Bytes,
                      std::function<bool(std::string const& root)> const& populate, std::string& error) {
    {
        std::ofstream image(imagePath, std::ios::binary | std::ios::trunc);
        if (!image) {
            error = "cannot create " + imagePath;
            return false;
        }
    }
    if (::truncate(imagePath.c_str(), static_cast<off_t>(u64Bytes)) != 0) {
        error = "cannot size " + imagePath;
        return false;
    }
    if (RunCommand("mkntfs -F -Q " + ShellQuote(imagePath) + " >/dev/null 2>&1") != 0) {
        error = "mkntfs failed";
        return false;
    }
    std::string const mountPoint = imagePath + ".mnt";
    ::mkdir(mountPoint.c_str(), 0755);
    if (RunCommand("ntfs-3g " + ShellQuote(imagePath) + " " + ShellQuote(mountPoint)) != 0) {
        error = "ntfs-3g could not mount the image";
        ::rmdir(mountPoint.c_str());
        return false;
    }
    bool const populated = populate(mountPoint);
    ::sync();
    bool const unmounted = RunCommand("umount " + ShellQuote(mountPoint)) == 0;
    ::rmdir(mountPoint.c_str());
    if (!populated)
        error = "writing the files failed";
    else if (!unmounted)
        error = "umount failed";
    return populated && unmounted;
}

std::uint32_t NtfsImage::ClusterSize() const {
    auto const output = CaptureCommand("ntfsinfo -m " + ShellQuote(m_imagePath) + " 2>/dev/null");
    if (!output) return 0;
    std::istringstream lines(*output);
    for (std::string line; std::getline(lines, line);)
        if (auto const value = ValueAfter(line, "Cluster Size")) return static_cast<std::uint32_t>(std::stoul(*value));
    return 0;
}

std::optional<NtfsFileLayout> NtfsImage::Layout(std::string const& path) const {
    auto const output =
        CaptureCommand("ntfsinfo -v -F " + ShellQuote(path) + " " + ShellQuote(m_imagePath) + " 2>/dev/null");
    if (!output) return std::nullopt;
    // Each attribute's dump as its lines; the unnamed $DATA may be split over several records.
    std::vector<std::vector<std::string>> dataDumps;
    bool inData = false;
    std::istringstream lines(*output);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("End of inode") != std::string::npos) break;
        if (line.find("Dumping attribute") != std::string::npos) {
            inData = line.find("$DATA") != std::string::npos;
            if (inData) dataDumps.emplace_back();
            continue;
        }
        if (inData) dataDumps.back().push_back(line);
    }
    NtfsFileLayout layout;
    bool found = false;
    std::map<long long, DataRun> runsByVcn;
    if (auto const inode = output->find("Dumping Inode "); inode != std::string::npos) {
        long long const s64Inode = std::stoll(output->substr(inode + 14));
        auto const volume = CaptureCommand("ntfsinfo -m " + ShellQuote(m_imagePath) + " 2>/dev/null");
        std::optional<long long> mftLcn, recordSize;
        std::istringstream volumeLines(volume.value_or(""));
        for (std::string line; std::getline(volumeLines, line);) {
            if (auto const value = ValueAfter(line, "LCN of Data Attribute for FILE_MFT")) mftLcn = std::stoll(*value);
            if (auto const value = ValueAfter(line, "MFT Record Size")) recordSize = std::stoll(*value);
        }
        if (mftLcn && recordSize) layout.s64RecordSector = (*mftLcn * ClusterSize() + s64Inode * *recordSize) / 512;
    }
    for (auto const& dump : dataDumps) {
        bool unnamed = false;
        for (auto const& line : dump)
            if (auto const value = ValueAfter(line, "Name length")) unnamed = std::stoul(*value) == 0;
        if (!unnamed) continue;
        bool const first = !found;
        found = true;
        bool inRunlist = false;
        for (auto const& line : dump) {
            if (auto const value = ValueAfter(line, "Resident"); value && first) {
                layout.bResident = value->rfind("Yes", 0) == 0;
            } else if (auto const flags = ValueAfter(line, "Attribute flags"); flags && first) {
                layout.bCompressed = (std::stoul(*flags, nullptr, 16) & 0x0001) != 0;
            } else if (auto const size = ValueAfter(line, "Data size"); size && first) {
                layout.s64Size = std::stoll(*size);
            } else if (line.find("Runlist:") != std::string::npos) {
                inRunlist = true;
            } else if (inRunlist) {
                std::istringstream fields(line);
                std::string vcn, lcn, length;
                if (!(fields >> vcn >> lcn >> length)) {
                    inRunlist = false;
                    continue;
                }
                if (lcn == "<RL_NOT_MAPPED>") continue;  // mapped by another record's instance
                DataRun run;
                run.s64Start = lcn == "<HOLE>" ? -1 : std::stoll(lcn, nullptr, 16);
                run.s64Length = std::stoll(length, nullptr, 16);
                runsByVcn[std::stoll(vcn, nullptr, 16)] = run;
            }
        }
    }
    if (!found) return std::nullopt;
    for (auto const& [vcn, run] : runsByVcn) layout.runs.push_back(run);
    return layout;
}

std::optional<std::vector<std::uint8_t>> NtfsImage::Cat(std::string const& path) const {
    auto const output = CaptureCommand("ntfscat " + ShellQuote(m_imagePath) + " " + ShellQuote(path) + " 2>/dev/null");
    if (!output) return std::nullopt;
    return std::vector<std::uint8_t>(output->begin(), output->end());
}

}  // namespace testsupport
