#include "app/shell/ModelSeams.h"

#include "engine/EngineEntryPoints.h"

namespace app {

void InstallModelSeams(const LaunchOptions*) {
  RegisterEngineSubsystems();
}

}  // namespace app
