#pragma once
// How the engine core reaches the HFS+ quick search and volume analyser.

/// Fills the HFS+ entries of the entry-point table; called once at start-up.
void RegisterHFSPlus();
