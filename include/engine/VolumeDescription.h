#pragma once
// What a volume record says about an opened volume, from the volume itself: the geometry the
// device reports and the file system and label its boot record names. The enumerator's volume
// fill and the measurement harness's bare volume images both describe volumes this way.
#include <string_view>

#include "engine/IStorageDeviceData.h"

class IStorageDevice;

namespace recovery {

/// Sets the record's sector size, total sectors, file-system type (9 when no analyser
/// recognises the volume) and label, and takes `name` (cut to fit) as its volume name. The
/// other fields are left for the caller. False when the device reports no geometry.
bool DescribeVolume(IStorageDevice* pDevice, std::string_view name, CCollectedVolumeDeviceInfoStruct& record);

}  // namespace recovery
