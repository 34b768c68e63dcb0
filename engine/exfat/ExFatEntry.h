#pragma once
// How the engine core reaches the exFAT quick search and volume analyser.

class IQuickFileSystemSearchController;

/// A new exFAT quick searcher (searcher type 33); the caller deletes it.
IQuickFileSystemSearchController* CreateEXFatQuickSearcher();
/// Fills the exFAT entries of the entry-point table; called once at start-up.
void RegisterExFat();
