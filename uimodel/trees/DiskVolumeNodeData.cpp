#include "uimodel/trees/DiskVolumeNodeData.h"

#include "uimodel/support/Seams.h"

namespace uimodel {

DiskVolumeNodeData::DiskVolumeNodeData(_DiskVolumeData const& row)
    : m_name(row.name.empty() ? GetSeams().pStrings->Text("DEVICE_NAME_UNTITILED") : row.name),
      m_devicePath(row.devicePath),
      m_s64Capacity(row.s64Capacity),
      m_s64Used(row.s64Used),
      m_iDiskIndex(row.iDiskIndex),
      m_iVolumeIndex(row.iVolumeIndex),
      m_iFileSystem(row.iFileSystem),
      m_iIsDmg(row.iIsDiskImage),
      m_iIsUsb(row.iIsUSB) {}

}  // namespace uimodel
