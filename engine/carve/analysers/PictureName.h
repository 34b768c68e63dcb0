#pragma once
// How a photograph found by its EXIF block is named and dated, for the JPEG and TIFF analysers.
#include <string>

class CRawFileInfo;

/// Sets the record's name to the camera model, or to the make when the model holds a "<" (a
/// placeholder some cameras write), cleaned for a file name, and its time to `dateTime`.
void ApplyPictureName(std::string const& make, std::string const& model, std::string const& dateTime,
                      CRawFileInfo& info);
