// ScreenshotSupport.h: windows and drawings saved as 24-bit BMP files in the screenshot folder, to look at.
#pragma once
#include <windows.h>
#include <string>

/// The folder the pictures go to, ending in a backslash (set by the program's main); none: no pictures.
extern std::string g_strScreenshotFolder;

/// Captures a window into a 24-bit BMP in the screenshot folder.
bool SaveWindowShot(HWND hWnd, const std::string& strName);
/// The same capture without repainting or pumping first: the window as it stands on the screen
/// (a popup menu open inside its own loop, for one).
bool SaveScreenShotOf(HWND hWnd, const std::string& strName);
/// Copies the cx x cy area at (x, y) of a device context (a memory canvas, the screen) into a
/// 24-bit BMP in the screenshot folder.
bool SaveAreaShot(HDC hdc, int x, int y, int cx, int cy, const std::string& strName);
