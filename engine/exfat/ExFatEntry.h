#pragma once
// How the engine core reaches the exFAT quick and complete searches and volume analyser.

class ICompleteFileSystemSearchController;
class IQuickFileSystemSearchController;

/// A new exFAT quick searcher (searcher type 33); the caller deletes it.
IQuickFileSystemSearchController* CreateEXFatQuickSearcher();
/// A new exFAT complete searcher (searcher type 33); the caller deletes it.
ICompleteFileSystemSearchController* CreateEXFatSearcher();
/// Fills the exFAT entries of the entry-point table; called once at start-up.
void RegisterExFat();
