// CompanionLibrary.h: calls into the tool family's companion library qx_tools.dll.
#pragma once

inline constexpr char COMPANION_LIBRARY[] = "qx_tools.dll";
inline constexpr char COMPANION_EXPORT_ABOUT[] = "DoAbout";          // Help > About
inline constexpr char COMPANION_EXPORT_VERSION_CHECK[] = "DoQXVC";   // Help > Check for new version

/** Loads qx_tools.dll by its bare name, calls the named export with no arguments and releases
    the library again. Returns whether the export was called; when the library or the export is
    missing nothing happens. Blocks until the export returns. */
bool CallCompanionLibrary(const char* pszExport);

/** The same with another library file name or path. */
bool CallCompanionLibrary(const char* pszLibrary, const char* pszExport);
