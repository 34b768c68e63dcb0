#include "engine/EngineEntryPoints.h"

EngineEntryPoints& GetEngineEntryPoints() {
    static EngineEntryPoints table;
    return table;
}
