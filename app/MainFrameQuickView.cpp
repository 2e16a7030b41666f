// MainFrameQuickView.cpp: the Quick view command. The window sits beside the frame and shows the
// member of the list's focused row; the list keeps the keyboard, and the idle pass tells the
// window where the focus went.
#include <windows.h>
#include <commctrl.h>
#include "app/MainFrame.h"
#include "core/QuarnelDoc.h"
#include "ui/QuarnelView.h"
#include "ui/QuickViewWnd.h"

namespace
{
/// The table index of the list's focused row, or -1.
int FocusedEntry(const CQuarnelView* pView)
{
    if (!pView || !pView->m_hWnd)
        return -1;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = static_cast<int>(::SendMessageA(pView->m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (item.iItem < 0 || !::SendMessageA(pView->m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return -1;
    return static_cast<int>(item.lParam);
}
}

void CMainFrame::OnEditQuickView()
{
    if (m_pQuickView && m_pQuickView->IsOpen())
    {
        m_pQuickView->Close();
        return;
    }
    if (!m_pQuickView)
        m_pQuickView.reset(new CQuickViewWnd);
    CQuarnelView* pView = GetListView();
    if (!m_pQuickView->Create(m_hWnd, pView ? pView->m_hWnd : nullptr))
        return;
    // The row asked for is shown at once; later rows after the pause that lets the keys run on.
    FollowFocusedRow();
    m_pQuickView->ShowNow();
}

void CMainFrame::OnUpdateQuickView(CCmdUI* pCmdUI)
{
    pCmdUI->Enable((m_pQuickView && m_pQuickView->IsOpen()) || FocusedEntry(GetListView()) >= 0);
}

void CMainFrame::FollowFocusedRow()
{
    if (m_pQuickView && m_pQuickView->IsOpen())
        m_pQuickView->Follow(GetArchive(), FocusedEntry(GetListView()));
}
