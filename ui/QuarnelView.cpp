// QuarnelView.cpp
#include "ui/QuarnelView.h"
#include <algorithm>
#include <cstring>
#include <commctrl.h>
#include <cwchar>
#include "core/QuarnelDoc.h"
#include "framework/win/AnsiName.h"
#include "framework/win/Dpi.h"
#include "framework/win/FrameWnd.h"
#include "res/resource.h"
#include "ui/ErrorDetailsDialog.h"
#include "ui/FormatNumber.h"
#include "ui/ListColumnSorter.h"

namespace
{
struct ColumnDef
{
    const char* pszTitle;
    int nFormat;
    int nWidth;
};

// Widths at 96 DPI, scaled to the window's DPI.
const ColumnDef kColumns[] = {
    { "Filename", LVCFMT_LEFT, 160 },
    { "Filesize", LVCFMT_RIGHT, 100 },
    { "Location", LVCFMT_LEFT, 480 },
};

std::string LocationText(const VppEntry& entry)
{
    if (entry.m_bInArchive)
        return "In VPP at offset " + FormatNumber(entry.m_nOffset, true);
    return "File at " + entry.m_strSourcePath;
}

/// Copies a text into a buffer the list control lent, cut to fit.
void CopyToItemText(const std::string& strText, char* pszBuffer, int cchBuffer)
{
    if (!pszBuffer || cchBuffer <= 0)
        return;
    size_t n = std::min(strText.size(), static_cast<size_t>(cchBuffer - 1));
    std::memcpy(pszBuffer, strText.data(), n);
    pszBuffer[n] = '\0';
}
}

std::string CQuarnelView::CellText(const CQuarnelDoc& doc, int nIndex, int nColumn)
{
    if (nIndex < 0 || nIndex >= doc.m_nFileCount)
        return std::string();
    const VppEntry& entry = doc.m_entries[nIndex];
    switch (nColumn)
    {
    case COL_NAME: return entry.m_strName;
    case COL_SIZE: return FormatNumber(entry.m_nSize, true);
    case COL_LOCATION: return LocationText(entry);
    default: return std::string();
    }
}

CQuarnelView::~CQuarnelView()
{
    m_dropTarget.Revoke();
    if (m_hFont)
        ::DeleteObject(m_hFont);
}

int CQuarnelView::GetDpi() const
{
    CFrameWnd* pFrame = GetParentFrame();
    return pFrame ? pFrame->GetDpi() : GetWindowDpi(m_hWnd);
}

void CQuarnelView::OnDpiChanged(int nOldDpi, int nNewDpi)
{
    if (!m_hWnd || nOldDpi <= 0)
        return;
    SetFontForDpi(nNewDpi);
    // Each column keeps its share of the list, whatever the user made of it.
    for (int i = 0; i < static_cast<int>(sizeof(kColumns) / sizeof(kColumns[0])); ++i)
    {
        int cx = static_cast<int>(::SendMessageA(m_hWnd, LVM_GETCOLUMNWIDTH, i, 0));
        ::SendMessageA(m_hWnd, LVM_SETCOLUMNWIDTH, i, MAKELPARAM(::MulDiv(cx, nNewDpi, nOldDpi), 0));
    }
}

void CQuarnelView::SetFontForDpi(int nDpi)
{
    // The list draws with the icon-title font the system made for its DPI: another screen gets its own.
    LOGFONTA lf = {};
    if (GetIconTitleFontAtDpi(lf, nDpi))
    {
        HFONT hFont = ::CreateFontIndirectA(&lf);
        ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
        if (m_hFont)
            ::DeleteObject(m_hFont);
        m_hFont = hFont;
    }
}

bool CQuarnelView::Create(HWND hParent, UINT nID)
{
    // The view's border is its sunken client edge alone: a plain border as well would draw a
    // black line inside it.
    HWND hList = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                   WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, hParent,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
                                   ::GetModuleHandleA(nullptr), nullptr);
    if (!hList || !SubclassWindow(hList))
        return false;
    // The control's own font is the one for the system's DPI; a window on a screen of another gets its own.
    if (GetDpi() != GetSystemDpi())
        SetFontForDpi(GetDpi());
    return true;
}

CQuarnelDoc* CQuarnelView::GetDocument() const
{
    return static_cast<CQuarnelDoc*>(m_pDocument);
}

void CQuarnelView::OnInitialUpdate()
{
    // New and Open: nothing handed out before may read from the files from now on.
    WithdrawTransfers();
    CView::OnInitialUpdate();
    SetUpColumns();
}

void CQuarnelView::SetUpColumns()
{
    if (m_bColumnsReady || !m_hWnd)
        return;
    m_bColumnsReady = true;

    LONG_PTR lStyle = ::GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, lStyle | LVS_REPORT | LVS_SHOWSELALWAYS);
    ::SendMessageA(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, static_cast<WPARAM>(-1),
                   LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (int i = 0; i < 20; ++i)
        ::SendMessageA(m_hWnd, LVM_DELETECOLUMN, 0, 0);
    for (int i = 0; i < static_cast<int>(sizeof(kColumns) / sizeof(kColumns[0])); ++i)
    {
        LVCOLUMNA col = {};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = kColumns[i].nFormat;
        col.cx = ScaleForDpi(kColumns[i].nWidth, GetDpi());
        col.pszText = const_cast<char*>(kColumns[i].pszTitle);
        col.iSubItem = i;
        ::SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
    }

    ::OleInitialize(nullptr);
    m_dropTarget.Register(m_hWnd, m_hWnd);
}

void CQuarnelView::OnUpdate(CViewBase*, long, void*)
{
    SetUpColumns();
    CQuarnelDoc* pDoc = GetDocument();
    if (!m_hWnd || !pDoc)
        return;
    // A refill that finds a modified document unmodified follows a save: files handed out before
    // may point at a replaced archive. A refill after a change that failed (an Add of files that
    // could not be read) leaves the files on disk alone, and the transfers with them.
    const bool bModified = pDoc->IsModified();
    if ((m_bShownModified && !bModified) || TransfersOutdated())
        WithdrawTransfers();
    m_bShownModified = bModified;

    // Redraw stays off during the refill and the list is sized up front: a visible list that
    // repaints per inserted row takes minutes for a full archive.
    ::SendMessageA(m_hWnd, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(m_hWnd, LVM_DELETEALLITEMS, 0, 0);
    ::SendMessageA(m_hWnd, LVM_SETITEMCOUNT, pDoc->m_nFileCount, 0);
    // The rows hold no texts: the list asks for them as it draws (LVN_GETDISPINFO), from the
    // table. Storing three strings per row made a full refill and its deletion slow.
    for (int i = 0; i < pDoc->m_nFileCount; ++i)
    {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.pszText = LPSTR_TEXTCALLBACKA;
        item.lParam = i;   // the row's own table index: names need not be unique
        ::SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    ::SendMessageA(m_hWnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

int CQuarnelView::CountSelectedItems() const
{
    int nCount = 0;
    int nItem = -1;
    while ((nItem = static_cast<int>(::SendMessageA(m_hWnd, LVM_GETNEXTITEM, nItem, LVNI_SELECTED))) >= 0)
        ++nCount;
    return nCount;
}

std::vector<int> CQuarnelView::GetSelectedEntries() const
{
    std::vector<int> arrIndexes;
    int nItem = -1;
    while ((nItem = static_cast<int>(::SendMessageA(m_hWnd, LVM_GETNEXTITEM, nItem, LVNI_SELECTED))) >= 0)
    {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = nItem;
        if (::SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
            arrIndexes.push_back(static_cast<int>(item.lParam));
    }
    return arrIndexes;
}

void CQuarnelView::SortByColumn(int nColumn)
{
    CQuarnelDoc* pDoc = GetDocument();
    if (!m_hWnd || !pDoc)
        return;
    CListColumnSorter::Sort(m_hWnd, static_cast<size_t>(std::max(pDoc->m_nFileCount, 0)),
                            [pDoc, nColumn](LPARAM lIndex) { return CellText(*pDoc, static_cast<int>(lIndex), nColumn); });
}

void CQuarnelView::AddDroppedFiles()
{
    CQuarnelDoc* pDoc = GetDocument();
    if (!pDoc)
        return;
    std::string strLog;
    {
        CWaitCursor wait;   // opening thousands of files takes a while; what is typed meanwhile acts afterwards
        for (const CFileDropTarget::NameRecord& record : m_dropTarget.GetNames())
        {
            // Names that the ANSI code page cannot spell are skipped: no such file could be opened.
            std::string strName;
            if (!WideToAnsiName(record.data(), std::wcslen(record.data()), strName))
                continue;
            // Locked files, folders and missing files are skipped silently. A file refused for what
            // it is (a name too long to store, too large, a full table) would vanish without a word:
            // that is said, once for the whole drop.
            int nCode = pDoc->AddFile(strName);
            if (nCode == ADD_RESULT_NAME_TOO_LONG || nCode == ADD_RESULT_TOO_LARGE || nCode == ADD_RESULT_TABLE_FULL)
                strLog += strName + "\r\n" + CQuarnelDoc::GetAddResultText(nCode) + "\r\n\r\n";
        }
        pDoc->UpdateAllViews(nullptr);
    }
    if (!strLog.empty())
        CErrorDetailsDialog().ShowDetails(
            "One or more errors occured while trying to add files. These files have been skipped.", strLog);
}

void CQuarnelView::ShowContextMenu(POINT ptClient)
{
    // The frame owns the popup: it receives the command and answers the owner-draw requests.
    CFrameWnd* pFrame = GetParentFrame();
    POINT pt = ptClient;
    ::ClientToScreen(m_hWnd, &pt);
    m_contextMenu.TrackPopup(IDR_LIST_POPUP, pt, pFrame ? pFrame->m_hWnd : m_hWnd);
}

LRESULT CQuarnelView::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_RBUTTONDOWN:
    {
        // The press never reaches the list, so a right click leaves the selection alone.
        POINT pt = { static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)) };
        ShowContextMenu(pt);
        return 0;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == m_hWnd && lParam == -1)
        {
            // Shift+F10 or the Menu key: the menu opens at the focused row (its top left corner
            // when no row has the focus), which is scrolled into view first.
            POINT pt = { 2, 2 };
            int nFocused = static_cast<int>(::SendMessageA(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                           MAKELPARAM(LVNI_FOCUSED, 0)));
            RECT rc = {};
            rc.left = LVIR_LABEL;
            if (nFocused >= 0 && ::SendMessageA(m_hWnd, LVM_ENSUREVISIBLE, nFocused, FALSE) &&
                ::SendMessageA(m_hWnd, LVM_GETITEMRECT, nFocused, reinterpret_cast<LPARAM>(&rc)))
            {
                pt.x = rc.left + 2;
                pt.y = rc.bottom - 1;
            }
            ShowContextMenu(pt);
            return 0;
        }
        break;
    case CFileDropTarget::WM_FILES_DROPPED:
        AddDroppedFiles();
        return 0;
    case WM_TRANSFER_FAILED:
        ShowTransferFailures();
        return 0;
    case WM_DESTROY:
        WithdrawTransfers();
        m_dropTarget.Revoke();
        break;
    }
    return CView::WindowProc(uMsg, wParam, lParam);
}

bool CQuarnelView::OnChildNotify(NMHDR* pNmhdr, LRESULT* pResult)
{
    switch (pNmhdr->code)
    {
    case LVN_COLUMNCLICK:
        SortByColumn(reinterpret_cast<NMLISTVIEW*>(pNmhdr)->iSubItem);
        *pResult = 0;
        return true;
    case LVN_BEGINDRAG:
        DragSelectedRows();
        *pResult = 0;
        return true;
    case LVN_GETDISPINFOA:
    {
        NMLVDISPINFOA* pInfo = reinterpret_cast<NMLVDISPINFOA*>(pNmhdr);
        CQuarnelDoc* pDoc = GetDocument();
        if ((pInfo->item.mask & LVIF_TEXT) && pDoc)
            CopyToItemText(CellText(*pDoc, static_cast<int>(pInfo->item.lParam), pInfo->item.iSubItem),
                           pInfo->item.pszText, pInfo->item.cchTextMax);
        *pResult = 0;
        return true;
    }
    case LVN_DELETEALLITEMS:
        // No LVN_DELETEITEM per row: the rows own nothing that needs freeing.
        *pResult = TRUE;
        return true;
    case NM_DBLCLK:
        // Wherever the click was, the archive goes to the viewer.
        if (CFrameWnd* pFrame = GetParentFrame())
            pFrame->RouteCmdMsg(ID_FILE_BROWSE_MIRADOR, CN_COMMAND, nullptr);
        *pResult = 0;
        return true;
    }
    return false;
}
