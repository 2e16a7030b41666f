// ListColumnSorter.cpp
#include "ui/ListColumnSorter.h"
#include <commctrl.h>
#include <mbstring.h>
#include <string>
#include <vector>

int CALLBACK CListColumnSorter::CompareRows(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort)
{
    const auto& arrKeys = *reinterpret_cast<const std::vector<std::string>*>(lParamSort);
    const size_t n1 = static_cast<size_t>(lParam1), n2 = static_cast<size_t>(lParam2);
    const char* psz1 = n1 < arrKeys.size() ? arrKeys[n1].c_str() : "";
    const char* psz2 = n2 < arrKeys.size() ? arrKeys[n2].c_str() : "";
    return _mbsicmp(reinterpret_cast<const unsigned char*>(psz1), reinterpret_cast<const unsigned char*>(psz2));
}

void CListColumnSorter::Sort(HWND hList, size_t nKeys, const TextOf& fnText)
{
    std::vector<std::string> arrKeys(nKeys);
    for (size_t i = 0; i < nKeys; ++i)
        arrKeys[i] = fnText(static_cast<LPARAM>(i));

    // Redraw stays off while the rows change places: a shown list repaints per moved row
    // otherwise. A hidden list is left as it is.
    const bool bRedraw = ::IsWindowVisible(hList) != FALSE;
    if (bRedraw)
        ::SendMessageA(hList, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(hList, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&arrKeys),
                   reinterpret_cast<LPARAM>(&CListColumnSorter::CompareRows));
    if (bRedraw)
    {
        ::SendMessageA(hList, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(hList, nullptr, TRUE);
    }
}
