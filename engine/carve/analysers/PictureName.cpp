#include "engine/carve/analysers/PictureName.h"

#include "engine/carve/RawFileInfo.h"

void ApplyPictureName(std::string const& make, std::string const& model, std::string const& dateTime,
                      CRawFileInfo& info) {
    info.SetRawFileName(model.find('<') != std::string::npos ? make : model);
    info.m_strTime = dateTime;
}
