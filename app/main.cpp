// quorin: the desktop application. The start lives in app/shell.
//
//   quorin [LANGUAGE] [--scan IMAGE [--quit-when-done]]
#include "app/shell/ProgramStart.h"

int main(int argc, char** argv) { return app::RunProgram(argc, argv); }
