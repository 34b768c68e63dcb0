#pragma once
// The "LocalVersionMessage" list (resources/LocalVersionMessage.plist): the installed file is
// read, never written; written values go to the user settings, which are read first.
#include <optional>
#include <string>

namespace uimodel {

/// A top-level text or integer value of the list, by key; the user settings' value when one
/// was written. None when neither has it.
std::optional<std::string> VersionMessageValue(std::string const& key);
/// An address of the language's dictionary ("en" when the language has none); "" when absent.
std::string VersionMessageAddress(std::string const& language, std::string const& key);

/// The last update check ("yyyy-MM-dd HH:mm:ss"), "" when never.
std::string getUpDataTimeStr();
void writeUpDataTimeStr(std::string const& text);
/// Whether the network answers (the seam; no while no address is configured).
bool isCanBeUseNetWork();

}  // namespace uimodel
