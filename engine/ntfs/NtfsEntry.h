#pragma once
// How the engine core reaches the NTFS quick and complete searches, volume analyser and
// resident-data loader.

class ICompleteFileSystemSearchController;
class IQuickFileSystemSearchController;

/// A new NTFS quick searcher (searcher type 35); the caller deletes it.
IQuickFileSystemSearchController* CreateNTFSQuickSearcher();
/// A new NTFS complete searcher (searcher type 35); the caller deletes it.
ICompleteFileSystemSearchController* CreateNTFSSearcher();
/// Fills the NTFS entries of the entry-point table; called once at start-up.
void RegisterNTFSSubsystem();
