#pragma once
// Where the running program lives.
#include <string>

namespace platform {
/// The folder holding the running executable, without a trailing "/"; empty when it cannot be
/// found.
std::string ExecutableFolder();
}  // namespace platform
