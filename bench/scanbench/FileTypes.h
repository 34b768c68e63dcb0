#pragma once
// The category lists, handed to the engine as the UI model's facade hands them.
namespace scanbench {

/// Reads the installed "FileType" list and gives it to CFileTypeManager; without one every
/// file counts as other (said on standard error).
void LoadFileTypes();

}  // namespace scanbench
