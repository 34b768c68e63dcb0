#include "ScanbenchRun.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace scanbenchtest {

namespace fs = std::filesystem;

std::string Scanbench() {
    char const* pszTmp = std::getenv("QUORIN_TEST_TMP");
    if (!pszTmp || !*pszTmp) return {};
    fs::path const program = fs::path(pszTmp).parent_path() / "bench/scanbench";
    return fs::exists(program) ? program.string() : std::string();
}

ScanbenchRun RunScanbench(testsupport::TempDir const& dir, std::string const& arguments) {
    ScanbenchRun run;
    // Standard output (a file, so written in blocks) and the log on standard error are kept
    // apart: sharing one file, a log line would land in the middle of a listed line.
    std::string const outputFile = dir.File("scanbench.out"), errorFile = dir.File("scanbench.err");
    run.iExit = testsupport::RunCommand(Scanbench() + " " + arguments + " >" + outputFile + " 2>" + errorFile);
    run.output = ReadText(outputFile) + ReadText(errorFile);
    for (std::string const& line : LinesStartingWith(run.output, "RESULT ")) {
        std::map<std::string, std::string> fields;
        std::istringstream words(line.substr(7));
        std::string word;
        while (words >> word) {
            auto const equals = word.find('=');
            if (equals != std::string::npos) fields[word.substr(0, equals)] = word.substr(equals + 1);
        }
        run.results.push_back(std::move(fields));
    }
    if (!run.results.empty()) run.result = run.results.back();
    return run;
}

std::string ReadText(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::vector<std::string> LinesStartingWith(std::string const& text, std::string const& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
}

std::string Field(std::string const& line, std::string const& key) {
    std::string const marker = " " + key + "=";
    std::size_t at = line.find(marker);
    if (at == std::string::npos) return {};
    at += marker.size();
    if (at < line.size() && line[at] == '"') {
        std::size_t const end = line.find('"', at + 1);
        return line.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    }
    return line.substr(at, line.find(' ', at) - at);
}

}  // namespace scanbenchtest
