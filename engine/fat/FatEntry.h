#pragma once
// How the engine core reaches the FAT16/FAT32 subsystem.

/// Fills the CreateFATQuickSearcher, CreateFatVolumeAnalyze, CreateFATSearcher and
/// ProbeFATBootSector entries of the entry-point table; called once at start-up.
void RegisterFATSubsystem();
