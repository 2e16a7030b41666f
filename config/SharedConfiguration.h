// SharedConfiguration.h: this tool's registration and the one-time import of the older
// configuration tool's game folders, both in the family's shared registry area.
#pragma once

#include <string>

inline constexpr char TOOL_REGISTRATION_SUBKEY[] = "\\Kestrin Manager Tools\\Kestrin Manager QUARNEL";
inline constexpr char VIEWER_REGISTRATION_SUBKEY[] = "\\Kestrin Manager Tools\\Kestrin Manager MIRADOR";
inline constexpr char MODULE_INFO_FILE[] = "qx_modul.dat";
inline constexpr char MODULE_INFO_SECTION[] = "Module";
inline constexpr char MIGRATION_MARKER_VALUE[] = "BrelMigration";   // under GAMES_CONFIG_SUBKEY
inline constexpr char BREL_CONFIG_FILE[] = "c:\\brel.cfg";

/** RegisterModule, then MigrateBrelConfiguration, for the running executable. */
void RefreshSharedConfiguration();
/** The same for another executable path and Brel configuration file. */
void RefreshSharedConfiguration(const std::string& strExePath, const std::string& strBrelConfigPath);

/** Records the running executable's folder, name, version, build, date and coder. */
void RegisterModule();
/** The same for the executable at strExePath; its module information file is read from
    the folder of that path. */
void RegisterModule(const std::string& strExePath);

/** Imports the game folders named by "c:\brel.cfg" once per machine. */
void MigrateBrelConfiguration();
/** The same with another Brel configuration file. */
void MigrateBrelConfiguration(const std::string& strBrelConfigPath);

/** The number after the first "Build " in a version text; 0 without one. */
int ParseBuildNumber(const std::string& strVersion);

/** The executable's full path with its extension written ".exe" (added when it has none). */
std::string NormaliseExePath(const std::string& strModulePath);

/** The full path of the running executable, as GetModuleFileNameA(NULL) gives it. */
std::string GetRunningExePath();
