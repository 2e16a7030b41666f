// MenuText.h: text rules of menu items (accelerator column, mnemonics), free of window code.
#pragma once
#include <functional>
#include <string>
#include <vector>

/// The part of a menu text before its first tab (the whole text when it has none).
std::string MenuLabel(const std::string& strText);

/// Measures a text; false when the measurement failed.
using MenuTextWidthFn = std::function<bool(const std::string& strText, int& cxText)>;

/// Pads the label of every text that has a tab with spaces, measuring after each one, until the
/// label is at least as wide as the widest label of the list plus one space; the tab and the
/// accelerator text follow again. A label stops growing as soon as its width does (a failed
/// measurement included), so the loop always ends. Texts without a tab are left alone.
void PadAcceleratorTexts(std::vector<std::string>& arrTexts, const MenuTextWidthFn& fnWidth);

/// True when the (lower-cased) text marks strKey as its mnemonic: "&" directly before it. A
/// doubled "&&" is a literal ampersand and marks nothing.
bool HasMnemonic(const std::string& strText, const std::string& strKey);
