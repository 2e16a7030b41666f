// ListColumnSorter.h: sorts a report list by the text of one column.
#pragma once
#include <windows.h>

/** @brief Ascending sort of a list control by one column's text, ignoring case. */
class CListColumnSorter
{
public:
    /// Sorts hList by column nColumn. Every row's item data is kept: it is swapped for a sort
    /// record during the sort and given back afterwards.
    static void Sort(HWND hList, int nColumn);

private:
    static int CALLBACK CompareRows(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);
};
