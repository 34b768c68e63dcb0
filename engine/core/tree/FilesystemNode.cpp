#include "engine/core/tree/FilesystemNode.h"

#include <utility>

CFilesystemNode::CFilesystemNode(std::string name, std::string volumeName, _tagSearcherType eType, long long s64NodeID)
    : m_eSearcherType(eType), m_name(std::move(name)), m_volumeName(std::move(volumeName)) {
    SetNodeID(s64NodeID);
}

IFileNode* CFilesystemNode::Clone() { return new CFilesystemNode(*this); }
