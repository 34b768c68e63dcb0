#pragma once
// How the engine core reaches the signature search: the searcher's factory and the entry of
// the engine's entry-point table that points to it.

class ICompleteFileSystemSearchController;

/// A new signature searcher (searcher type 34); the caller deletes it.
ICompleteFileSystemSearchController* CreateRAWSearcher();
/// Fills the CreateRAWSearcher entry of the entry-point table; called once at start-up.
void RegisterRAWSearcher();
