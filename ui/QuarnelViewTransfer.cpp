// QuarnelViewTransfer.cpp: the list's members dragged out as files or copied to the clipboard.
#include "ui/QuarnelView.h"
#include <commctrl.h>
#include "core/QuarnelDoc.h"
#include "framework/base/MessageSink.h"
#include "ui/ErrorDetailsDialog.h"
#include "ui/MemberDataObject.h"

IDataObject* CQuarnelView::CreateSelectionDataObject()
{
    CQuarnelDoc* pDoc = GetDocument();
    if (!pDoc || !m_hWnd)
        return nullptr;
    std::vector<int> arrIndexes = GetSelectedEntries();
    if (arrIndexes.empty())
        return nullptr;
    if (!m_pTransferLog)
        m_pTransferLog = std::make_shared<CTransferFailureLog>(m_hWnd, WM_TRANSFER_FAILED);
    std::shared_ptr<CMemberTransfer> pTransfer = CMemberTransfer::FromRows(*pDoc, arrIndexes, m_pTransferLog);

    // Forget transfers whose objects and streams have all been released.
    std::vector<std::weak_ptr<CMemberTransfer>> arrLive;
    for (const auto& pWeak : m_arrTransfers)
    {
        if (!pWeak.expired())
            arrLive.push_back(pWeak);
    }
    arrLive.push_back(pTransfer);
    m_arrTransfers.swap(arrLive);
    return new CMemberDataObject(pTransfer);
}

DWORD CQuarnelView::DragSelectedRows(IDropSource* pSource)
{
    IDataObject* pData = CreateSelectionDataObject();
    if (!pData)
        return DROPEFFECT_NONE;
    IDropSource* pOwnSource = nullptr;
    if (!pSource)
        pSource = pOwnSource = new CMemberDropSource;

    // The list itself takes no part in its own drag, so rows dropped back onto it do nothing (and
    // the cursor says so). It accepts files again as soon as the drag is over.
    const bool bRegistered = m_bColumnsReady;
    if (bRegistered)
        m_dropTarget.Revoke();
    DWORD dwEffect = DROPEFFECT_NONE;
    if (::DoDragDrop(pData, pSource, DROPEFFECT_COPY, &dwEffect) != DRAGDROP_S_DROP)
        dwEffect = DROPEFFECT_NONE;
    if (bRegistered && ::IsWindow(m_hWnd))
        m_dropTarget.Register(m_hWnd, m_hWnd);

    pData->Release();
    if (pOwnSource)
        pOwnSource->Release();
    // A target that read the files during the drop has had its failures by now; one that reads
    // them later reports them through the posted message.
    ShowTransferFailures();
    return dwEffect;
}

bool CQuarnelView::CopySelectionToClipboard()
{
    IDataObject* pData = CreateSelectionDataObject();
    if (!pData)
        return false;
    HRESULT hr = ::OleSetClipboard(pData);
    if (FAILED(hr))
    {
        pData->Release();
        AfxMessageBox("The files could not be put on the clipboard.", QMB_OK | QMB_ICONEXCLAMATION);
        return false;
    }
    if (m_pClipboardData)
        m_pClipboardData->Release();
    m_pClipboardData = pData;
    return true;
}

bool CQuarnelView::TransfersOutdated() const
{
    for (const auto& pWeak : m_arrTransfers)
    {
        std::shared_ptr<CMemberTransfer> pTransfer = pWeak.lock();
        if (pTransfer && !pTransfer->IsWithdrawn() && pTransfer->HasChangedSources())
            return true;
    }
    return false;
}

void CQuarnelView::WithdrawTransfers()
{
    for (const auto& pWeak : m_arrTransfers)
    {
        if (std::shared_ptr<CMemberTransfer> pTransfer = pWeak.lock())
            pTransfer->Withdraw();
    }
    m_arrTransfers.clear();
    if (m_pClipboardData)
    {
        // Taken off the clipboard rather than flushed: a flush would have to render every member.
        if (::OleIsCurrentClipboard(m_pClipboardData) == S_OK)
            ::OleSetClipboard(nullptr);
        m_pClipboardData->Release();
        m_pClipboardData = nullptr;
    }
}

void CQuarnelView::ShowTransferFailures()
{
    // One report at a time: a target keeps reading while the report is open (its message loop
    // dispatches the reads), and each failure then posts another request. Those wait for this
    // report to close and are shown in the next, never in a dialog inside this one.
    std::shared_ptr<CTransferFailureLog> pLog = m_pTransferLog;   // the view may go while the report is open
    if (!pLog || pLog->m_bShowing)
        return;
    HWND hOwner = ::GetAncestor(m_hWnd, GA_ROOT);
    pLog->m_bShowing = true;
    while (!pLog->IsEmpty() && ::IsWindow(hOwner))
    {
        std::string strDetails = pLog->Take();
        CErrorDetailsDialog(hOwner).ShowDetails("At least one file could not be copied. See below for details.",
                                                strDetails);
    }
    pLog->m_bShowing = false;
}
