#pragma once
// Services the engine takes from the UI model.

/// The program's work folder (log, configuration); never fails, never null. Not to be freed.
char const* GetAppWorkPath();
/// True when the text is not null and is valid UTF-8 (no overlong forms, no surrogates).
bool isValidString(char const* pszText);

/// Points GetAppWorkPath at another folder; null restores the executable's folder. For tests.
void SetAppWorkPathOverride(char const* pszPath);
