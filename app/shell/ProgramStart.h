#pragma once
// The program's start: Qt's options, the launch options, the optional interface language, the
// keep-awake inhibitor for the whole run, the model, a second instance's exit, the delegate and
// the test hook's walk through the wizard.

namespace app {

int RunProgram(int argc, char** argv);

}  // namespace app
