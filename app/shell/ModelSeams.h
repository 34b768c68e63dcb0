#pragma once
// The model's seams filled in one place, run by every entry point (program, gallery, test main)
// before the model's first use.

namespace app {

struct LaunchOptions;

// Registers the engine's subsystems, hands the category lists to the engine, installs the
// poster, string table, settings and time formatter, and with a hook image the model over it.
// Null options: no hook (tests and the gallery without --scan).
void InstallModelSeams(const LaunchOptions* options);

}  // namespace app
