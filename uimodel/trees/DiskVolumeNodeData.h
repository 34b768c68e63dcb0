#pragma once
// One row of the disk page: a disk with its volumes as children, or a volume.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "uimodel/devices/DiskVolumeData.h"

namespace uimodel {

class DiskVolumeNodeData {
public:
    /// Copies the row; a row without a name shows the "Untitled" text. Children are not taken:
    /// the facade attaches them with setSubNode.
    explicit DiskVolumeNodeData(_DiskVolumeData const& row);

    void setSubNode(std::vector<std::unique_ptr<DiskVolumeNodeData>> children) { m_children = std::move(children); }
    DiskVolumeNodeData* childAtIndex(std::size_t index) const {
        return index < m_children.size() ? m_children[index].get() : nullptr;
    }
    std::size_t numberOfChildren() const { return m_children.size(); }
    std::vector<std::unique_ptr<DiskVolumeNodeData>> const& children() const { return m_children; }

    std::string const& name() const { return m_name; }
    std::string const& parentName() const { return m_parentName; }
    /// The node or image file of the disk (of a volume's disk) it was listed from.
    std::string const& devicePath() const { return m_devicePath; }
    void setParentName(std::string name) { m_parentName = std::move(name); }
    std::int64_t capacity() const { return m_s64Capacity; }
    std::int64_t used() const { return m_s64Used; }
    int diskIndex() const { return m_iDiskIndex; }
    int volumeIndex() const { return m_iVolumeIndex; }
    int fileSystem() const { return m_iFileSystem; }
    int isDmg() const { return m_iIsDmg; }
    int isUsb() const { return m_iIsUsb; }

private:
    std::string m_name;
    std::string m_parentName;
    std::string m_devicePath;
    std::int64_t m_s64Capacity;
    std::int64_t m_s64Used;
    int m_iDiskIndex;
    int m_iVolumeIndex;
    int m_iFileSystem;
    int m_iIsDmg;
    int m_iIsUsb;
    std::vector<std::unique_ptr<DiskVolumeNodeData>> m_children;
};

}  // namespace uimodel
