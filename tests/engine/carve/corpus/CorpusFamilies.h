#pragma once
// Every family of carving samples, in one list: the whole-corpus test carves them all together.
// A new family is its function (next to its own samples' helpers) and one row in
// CorpusFamilies.cpp, plus its sample file in this folder's CMakeLists.txt.
#include <span>
#include <string>

#include "CarvedSample.h"

namespace corpustest {

struct CorpusFamily {
    char const* pszName;
    SampleFamily make;
    std::string (*missingTools)();  // why the family's tools cannot run here; empty when they can
};

std::span<CorpusFamily const> CorpusFamilies();

}  // namespace corpustest
