#pragma once
// How the engine core reaches the NTFS quick search, volume analyser and resident-data loader.

class IQuickFileSystemSearchController;

/// A new NTFS quick searcher (searcher type 35); the caller deletes it.
IQuickFileSystemSearchController* CreateNTFSQuickSearcher();
/// Fills the NTFS entries of the entry-point table; called once at start-up.
void RegisterNTFSSubsystem();
