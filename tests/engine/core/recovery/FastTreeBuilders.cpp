// The controllers build their trees through CreateTreeBuilder; its pauses for a live window are
// only slowness here.
#include <gtest/gtest.h>

#include "engine/TreeBuilderSettings.h"

namespace {

class FastTreeBuilders : public ::testing::Environment {
public:
    void SetUp() override {
        TreeBuilderSettings settings = GetDefaultTreeBuilderSettings();
        settings.u32BuildIntervalMs = 0;
        settings.u32RootShownPauseMs = 0;
        SetDefaultTreeBuilderSettings(settings);
    }
};

[[maybe_unused]] ::testing::Environment* const g_pFastTreeBuilders =
    ::testing::AddGlobalTestEnvironment(new FastTreeBuilders);

}  // namespace
