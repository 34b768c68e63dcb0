#pragma once
// scanbench model-scan --thumb NAME --thumb-out FILE.png: the model's thumbnail of the first
// file called NAME, written as PNG and printed as "thumb<TAB>image|icon|none<TAB>WxH".
#include <string>

namespace uimodel {
class QNUIRecovery;
class QNUIScan;
}  // namespace uimodel

namespace scanbench {

/// False when the PNG could not be written (an existing file is never replaced).
bool PrintModelThumbnail(uimodel::QNUIScan& scan, uimodel::QNUIRecovery& recovery, std::string const& name,
                         std::string const& outPath);

}  // namespace scanbench
