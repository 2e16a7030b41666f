// GameDirectories.h: install folders of the games whose archives we edit.
#pragma once

#include <string>

inline constexpr char GAME_SUMMONER_1[] = "Summoner 1";
inline constexpr char GAME_RED_FACTION_1[] = "Red Faction 1";
inline constexpr char GAMES_CONFIG_SUBKEY[] = "\\Games Configuration";   // below the shared root
inline constexpr char GAME_MARKER_NONE[] = "$";                          // no valid folder known

/** Records the Summoner and Red Faction folders in the shared game configuration when the
    shared value is missing or stale and the game's own registry entry names a valid folder. */
void DetectGameDirectories();

/** The shared "Path" of the game with a trailing backslash, unvalidated; "" when absent. */
std::string GetGamePath(const std::string& strGame);
