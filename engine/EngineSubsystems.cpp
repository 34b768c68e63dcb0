// The one place that knows which subsystems this engine is built with.
#include "engine/EngineEntryPoints.h"
#include "engine/carve/RawSearchEntry.h"

void RegisterEngineSubsystems() { RegisterRAWSearcher(); }
