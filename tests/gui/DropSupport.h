// DropSupport.h: what the GUI tests hand the editor as a user's mouse would: header clicks and
// files dragged from the shell.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

class CGuiHarness;

/// Clicks a column header with the mouse, as a user would.
void ClickHeader(HWND hList, int nColumn);
/// A DROPFILES block with ANSI names, as the shell hands it over.
HGLOBAL MakeHDrop(const std::vector<std::string>& arrNames);
/// A DROPFILES block with UTF-16 names, as the shell hands it over.
HGLOBAL MakeWideHDrop(const std::vector<std::wstring>& arrNames);
std::wstring Widen(const std::string& str);
/// Drags the names onto the list through its OLE drop target (a text format is offered first, so
/// the target has to look past it) and lets the posted add run.
void DropOnList(CGuiHarness& gui, const std::vector<std::string>& arrNames);
/// The same with UTF-16 names, offered as CF_HDROP alone.
void DropOnList(CGuiHarness& gui, const std::vector<std::wstring>& arrNames);
