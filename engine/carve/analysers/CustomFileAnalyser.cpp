#include "engine/carve/analysers/CustomFileAnalyser.h"

#include "engine/carve/analysers/Analysers.h"

std::unique_ptr<IRawFileAnalyser> CreateCustomFileAnalyser() { return std::make_unique<CustomFileAnalyser>(); }
