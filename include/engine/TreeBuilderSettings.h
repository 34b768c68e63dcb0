#pragma once
// The tree builder's pacing. The defaults suit a live scan; tests shorten them.
#include <cstdint>

struct TreeBuilderSettings {
    /// An incremental build runs once this many nodes have queued up...
    std::uint32_t u32BuildAfterNodes = 1024;
    /// ...or once this long has passed since the last one, so the tree is not rebuilt per node.
    std::uint32_t u32BuildIntervalMs = 3000;
    /// The wait after a tree's root is first shown: the UI model sets the tree up before the
    /// first nodes arrive.
    std::uint32_t u32RootShownPauseMs = 1000;
};

/// The settings CreateTreeBuilder gives every new builder. The harness and tests shorten the
/// pauses here; a live scan keeps the defaults above.
TreeBuilderSettings GetDefaultTreeBuilderSettings();
void SetDefaultTreeBuilderSettings(TreeBuilderSettings const& settings);
