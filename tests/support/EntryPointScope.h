#pragma once
// Fills entries of the engine's entry-point table for one test and puts the table back as it
// was when the scope ends, so fakes never leak into other tests.
#include "engine/EngineEntryPoints.h"

namespace testsupport {

class EntryPointScope {
public:
    EntryPointScope() : m_saved(GetEngineEntryPoints()) {}
    ~EntryPointScope() { GetEngineEntryPoints() = m_saved; }
    EntryPointScope(EntryPointScope const&) = delete;
    EntryPointScope& operator=(EntryPointScope const&) = delete;

    EngineEntryPoints& Table() { return GetEngineEntryPoints(); }

private:
    EngineEntryPoints m_saved;
};

}  // namespace testsupport
