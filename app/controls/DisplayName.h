#pragma once
// Names of found files as the lists show them. A name comes from a damaged or hostile disk: it
// is shown as plain text, never as markup, with control characters made visible, a bounded
// length, and any bidirectional controls kept inside the name so they cannot reorder the text
// beside it.

#include <QString>
#include <QStringView>

#include <string_view>

namespace app {

// Longest name kept before eliding (a name may hold 64 KiB of text).
constexpr int kMaxDisplayNameChars = 1024;

// UTF-8 from the model; invalid sequences become U+FFFD.
QString NameFromUtf8(std::string_view utf8);

// Control characters become U+FFFD, the text is cut to kMaxDisplayNameChars (with an ellipsis),
// and a name holding bidirectional controls is wrapped in FSI ... PDI.
QString DisplayName(QStringView name);

// A tooltip that shows the name literally: escaped rich text, so markup in a name stays text.
QString NameToolTip(QStringView name);

}  // namespace app
