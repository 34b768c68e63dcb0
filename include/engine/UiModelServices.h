#pragma once
// Work path and UTF-8 services. The engine holds their defaults (engine/core/util/) so that it links
// nothing of the UI model; the UI model calls the same functions.

/// The program's work folder (log, configuration); never fails, never null. Not to be freed.
char const* GetAppWorkPath();
/// True when the text is not null and is valid UTF-8 (no overlong forms, no surrogates).
bool isValidString(char const* pszText);

/// Points GetAppWorkPath at another folder; null restores the executable's folder. For tests.
void SetAppWorkPathOverride(char const* pszPath);
