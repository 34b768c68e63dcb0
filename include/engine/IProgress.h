#pragma once
// Progress and tree sinks that the UI model gives the engine.
#include <cstdint>

#include "engine/Types.h"

enum ProgressState : std::uint32_t {
    PROGRESS_STATE_STARTING = 0,
    PROGRESS_STATE_RUNNING = 2,
    PROGRESS_STATE_FINISHED = 3,
};

/// The progress record; its 4128-byte size is relied on by the UI model.
struct _PROGRESS_INFO {
    std::uint32_t u32State = PROGRESS_STATE_STARTING;
    std::uint64_t u64Total = 0;
    std::uint64_t u64Done = 0;
    std::uint64_t u64Error = 0;  // a result code
    char szText[4096] = {};
};
static_assert(sizeof(_PROGRESS_INFO) == 4128, "the progress record is 4128 bytes");

class IProgress {
public:
    virtual ~IProgress() = default;
    /// Takes a copy of the record; done may exceed total, and state may be 0.
    virtual void UpdateProgress(_PROGRESS_INFO* pInfo) = 0;
    /// Asked before each unit of work: false means stop quietly. May block while paused.
    virtual int Continued() = 0;
    /// Whether a finished or stopped search should still build its trees.
    virtual int shouldBuild() = 0;
};

class IFileNode;
class IFilesystemNode;

/// Receives found nodes; keeps pointers without owning the nodes.
class IDrirectoryTree {
public:
    virtual ~IDrirectoryTree() = default;
    /// `iLost` is 1 for the batch that holds the lost-files folder.
    virtual void ShowNodes(IFileNode** ppNodes, unsigned int u32Count, int iLost) = 0;
    /// The root of one tree, before that tree's first nodes.
    virtual void ShowFilesystemNode(IFilesystemNode* pRoot) = 0;
};
