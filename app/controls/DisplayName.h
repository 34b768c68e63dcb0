#pragma once
// Names of found files as the lists show them. A name comes from a damaged or hostile disk: it
// is painted as plain text, on one line of bounded length (OneLine), and a name holding
// bidirectional controls is isolated so that it cannot reorder the text beside it.

#include <QString>

#include <string_view>

namespace app {

// UTF-8 from the model; invalid sequences become U+FFFD.
QString NameFromUtf8(std::string_view utf8);

// OneLine of the name, wrapped in FSI ... PDI when it holds bidirectional controls.
QString DisplayName(const QString& name);

// A tooltip that shows the name literally.
QString NameToolTip(const QString& name);

}  // namespace app
