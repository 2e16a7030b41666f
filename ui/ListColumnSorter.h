// ListColumnSorter.h: sorts a report list by the text of one column.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

/** @brief Ascending sort of a list control by one column's text, ignoring case. */
class CListColumnSorter
{
public:
    /// The text a row shows in the column, from the row's item data.
    using TextOf = std::function<std::string(LPARAM lItemData)>;

    /// Sorts hList by the texts fnText gives. The item data of every row must be a small
    /// non-negative index (below nKeys): the texts are read once into a table by that index, so
    /// the rows keep their item data and the list is asked for nothing per row.
    static void Sort(HWND hList, size_t nKeys, const TextOf& fnText);

private:
    static int CALLBACK CompareRows(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);
};
