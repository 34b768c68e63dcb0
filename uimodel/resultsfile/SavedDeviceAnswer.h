#pragma once
// Whether the device a results file was made from is attached, asked before it loads.

namespace uimodel {

enum class SavedDeviceAnswer {
    Attached,     // listed now: the file loads
    NotAttached,  // readable, but no listed device matches the one it names
    Unreadable,   // no header, controller or device frame could be read
};

}  // namespace uimodel
