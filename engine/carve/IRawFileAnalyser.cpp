#include "engine/carve/IRawFileAnalyser.h"

int IRawFileAnalyser::GetRawFileSize(CRawFileInfo&, IStorageDevice*) { return 1; }
