#include "engine/carve/RawSearchEntry.h"

#include "engine/EngineEntryPoints.h"
#include "engine/carve/RAWSearchController.h"

ICompleteFileSystemSearchController* CreateRAWSearcher() { return new CRAWSearchController(); }

void RegisterRAWSearcher() { GetEngineEntryPoints().CreateRAWSearcher = &CreateRAWSearcher; }
