#pragma once
// The documents, drawings, mail stores, help files and fonts of the carving corpus: one row per
// format (and per variant a format's sizing treats apart). Tool-made where Debian has a writer
// (ghostscript, qpdf, epstool, gnuplot, python3-ezdxf with unix2dos, chmcmd, iconv, a packaged
// font); built from the format's documented header where no tool writes it.
#include <ostream>
#include <span>
#include <string>

#include "../corpus/CarvedSample.h"

namespace documenttest {

using corpustest::Bytes;
using corpustest::CarvedSample;

/// Runs the tools in one folder; remembers the first command that failed.
class DocumentMaker {
public:
    explicit DocumentMaker(std::string folder) : m_folder(std::move(folder)) {}
    /// The bytes of the file `name` in the folder after `command` ran there; empty on failure.
    Bytes Made(std::string const& command, std::string const& name);
    /// Writes `text` to `name` in the folder.
    bool Write(std::string const& name, std::string const& text);
    std::string const& Error() const { return m_error; }

private:
    std::string m_folder;
    std::string m_error;
};

struct DocumentRow {
    char const* pszName;
    bool (*make)(DocumentMaker& maker, CarvedSample& sample);
};

std::span<DocumentRow const> DocumentRows();
/// The row's name in test output.
void PrintTo(DocumentRow const& row, std::ostream* pOut);

/// Why the tools cannot run here, or empty when they can.
std::string MissingDocumentTools();

/// The family function of the corpus (CorpusFamilies.h): every row's sample.
bool DocumentFamily(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error);

}  // namespace documenttest
