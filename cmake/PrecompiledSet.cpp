// The one source of a precompiled-header set target (cmake/Precompiled.cmake): nothing to compile.
