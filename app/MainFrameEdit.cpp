// MainFrameEdit.cpp: the frame's edit commands Add, Remove and Extract, and the report of a
// failed save. Each selected row carries its table index, so the commands act on exactly the
// rows the user sees selected, even where two members share a name.
#include <windows.h>
#include <cderr.h>
#include <cstdio>
#include <unordered_map>
#include <vector>
#include "app/MainFrame.h"
#include "app/QuarnelApp.h"
#include "config/SettingsStore.h"
#include "core/MemberNames.h"
#include "core/QuarnelDoc.h"
#include "framework/base/MessageSink.h"
#include "ui/ErrorDetailsDialog.h"
#include "ui/FolderBrowser.h"
#include "ui/PathText.h"
#include "ui/QuarnelView.h"

namespace
{
// The file dialog writes the chosen names into a buffer of this size, told one byte less.
const DWORD kAddBufferSize = 0xFFFFF;

const char kAddFailedHeader[] =
    "One or more errors occured while trying to add files. These files have been skipped.";
const char kAddTooManyFiles[] =
    "Too many files were chosen at once: their names do not fit into the file dialog's buffer. "
    "Nothing was added. Please add the files in smaller groups.";
const char kRemoveQuestion[] =
    "Are you sure you want to delete these files?\n\n(Note: Only files inside the .VPP or references "
    "to the .VPP are deleted, not files you added from outside the .VPP!)";
const char kExtractTitle[] = "Select destination folder";
const char kExtractAction[] = "Extracting files...";
const char kExtractFailedHeader[] = "At least one file was not extracted. See below for details.";
const char kSameTargetText[] =
    "Skipped since another selected file of the same name (ignoring case) is extracted to this folder; "
    "the last one in the archive is the one that adding the file back would replace.";
const char kUnspellableName[] =
    "The name has characters that the system's code page cannot spell, so the file cannot be opened "
    "under it. Rename the file and add it again.";
const char kSaveFailedHeader[] =
    "Not saved: the archive on disk was left unchanged. These files could not be copied:";
const char kLastExtractionFolder[] = "LastExtractionFolder";

bool RunOpenFileDialog(OPENFILENAMEA& ofn, DWORD& dwError)
{
    if (::GetOpenFileNameA(&ofn))
    {
        dwError = 0;
        return true;
    }
    dwError = ::CommDlgExtendedError();
    return false;
}

int RunFolderBrowser(HWND hOwner, const std::string& strStart, std::string& strFolder)
{
    CFolderBrowser browser(kExtractTitle, strStart.c_str(), 0, hOwner);
    int nResult = browser.DoBrowse();
    strFolder = browser.GetSelectedPath();
    return nResult;
}

/// Two members extracted to the same folder land in the same file when their names differ only
/// in case (or in the kind of slash): the key that tells them apart the way the file system does.
std::string TargetKey(const std::string& strName)
{
    std::string strKey = LowerName(strName);
    for (char& c : strKey)
    {
        if (c == '/')
            c = '\\';
    }
    return strKey;
}

void AppendFailure(std::string& strLog, const std::string& strName, const std::string& strText)
{
    strLog += strName + "\r\n" + strText + "\r\n\r\n";
}
}

void CMainFrame::OnEditAdd()
{
    CQuarnelDoc* pDoc = GetArchive();
    if (!pDoc)
        return;

    std::vector<char> buffer(kAddBufferSize, '\0');
    OPENFILENAMEA ofn;
    ZeroMemory(&ofn, sizeof(ofn));
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = "All files (*.*)\0*.*\0";
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = kAddBufferSize - 1;
    // No default extension: "*.*" would be appended to a typed name that has none.
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_ENABLESIZING |
                OFN_NOCHANGEDIR | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;

    DWORD dwError = 0;
    bool bOk = m_fnRunAddDialog ? m_fnRunAddDialog(ofn, dwError) : RunOpenFileDialog(ofn, dwError);
    if (!bOk)
    {
        // A cancel is silent; a choice the dialog could not hand over is not.
        if (dwError == FNERR_BUFFERTOOSMALL)
            ShowMessageBox(kAddTooManyFiles, "Error", QMB_OK | QMB_ICONEXCLAMATION);
        else if (dwError != 0)
        {
            char szText[96];
            std::snprintf(szText, sizeof(szText), "The file dialog could not be shown (error 0x%04lX).",
                          static_cast<unsigned long>(dwError));
            ShowMessageBox(szText, "Error", QMB_OK | QMB_ICONEXCLAMATION);
        }
        return;
    }

    std::string strLog;
    {
        // Opening thousands of files takes a while: the wait cursor shows it. What is typed meanwhile
        // acts afterwards (a Ctrl+S saves what was added); the report below drops it unread.
        CWaitCursor wait;
        for (const std::string& strPath : SplitChosenFiles(buffer.data(), buffer.size()))
        {
            // The dialog hands back a "?" for each character the code page lacks; no file name holds one.
            if (strPath.find('?') != std::string::npos)
            {
                AppendFailure(strLog, strPath, kUnspellableName);
                continue;
            }
            int nCode = pDoc->AddFile(strPath);
            if (nCode < 0)
                AppendFailure(strLog, strPath, CQuarnelDoc::GetAddResultText(nCode));
        }
        // The rows behind the report already show the table as it now is.
        pDoc->UpdateAllViews(nullptr);
        UpdateStatusSummary();
    }
    if (!strLog.empty())
        CErrorDetailsDialog(m_hWnd).ShowDetails(kAddFailedHeader, strLog);
}

void CMainFrame::OnEditRemove()
{
    CQuarnelDoc* pDoc = GetArchive();
    CQuarnelView* pView = GetListView();
    if (!pDoc || !pView)
        return;
    // The rows the question is about: keys or clicks that reach the list while it is open (from
    // another window of ours, say) change its selection, never what the answer removes.
    const std::vector<int> arrRows = pView->GetSelectedEntries();
    if (arrRows.empty())
        return;
    if (ShowMessageBox(kRemoveQuestion, "Confirmation", QMB_YESNO) != QIDYES)
        return;
    // One pass over the table for the whole selection; only the table changes, no file on disk.
    pDoc->RemoveEntries(arrRows);
    pDoc->UpdateAllViews(nullptr);
    UpdateStatusSummary();
}

void CMainFrame::OnEditExtract()
{
    CQuarnelDoc* pDoc = GetArchive();
    CQuarnelView* pView = GetListView();
    if (!pDoc || !pView)
        return;
    // The rows selected when the command was given, whatever reaches the list while the folder
    // picker is open.
    const std::vector<int> arrRows = pView->GetSelectedEntries();

    std::string strStart = ReadSetting(kLastExtractionFolder, std::string());
    std::string strFolder;
    int nChoice = m_fnChooseFolder ? m_fnChooseFolder(strStart, strFolder)
                                   : RunFolderBrowser(m_hWnd, strStart, strFolder);
    if (nChoice != IDOK)
        return;
    WriteSetting(kLastExtractionFolder, strFolder);

    // Rows whose names land in the same file: the one written is the last in table order, the row
    // that adding the file back would replace; the others are skipped.
    std::unordered_map<std::string, int> mapWriter;
    for (int nIndex : arrRows)
    {
        if (nIndex < 0 || nIndex >= pDoc->m_nFileCount)
            continue;
        int& nWriter = mapWriter.emplace(TargetKey(pDoc->m_entries[nIndex].m_strName), nIndex).first->second;
        if (nIndex > nWriter)
            nWriter = nIndex;
    }
    int nTotal = static_cast<int>(arrRows.size());
    int nDone = 0;
    std::string strShown;
    std::string strLog;
    {
        CProgressScope progress(dynamic_cast<CQuarnelApp*>(AfxGetApp()), kExtractAction);
        CExtractSession session(*pDoc);   // the archive is opened once for the whole command
        for (int nIndex : arrRows)
        {
            progress.Set(strShown, nDone, nTotal);
            ++nDone;
            if (nIndex < 0 || nIndex >= pDoc->m_nFileCount)
                continue;
            const std::string strName = pDoc->m_entries[nIndex].m_strName;
            strShown = strName;
            if (mapWriter[TargetKey(strName)] != nIndex)
            {
                // Writing it would replace the file of another selected row of the same name.
                AppendFailure(strLog, strName, kSameTargetText);
                continue;
            }
            int nCode = pDoc->ExtractEntry(nIndex, strFolder);
            if (nCode < 0)
                AppendFailure(strLog, strName, CQuarnelDoc::GetExtractResultText(nCode));
        }
        progress.Set(std::string(), nDone, nTotal);
    }
    if (!strLog.empty())
        CErrorDetailsDialog(m_hWnd).ShowDetails(kExtractFailedHeader, strLog);
}

bool CMainFrame::ReportSaveFailure(const std::string& strDetails)
{
    CErrorDetailsDialog(m_hWnd).ShowDetails(kSaveFailedHeader, strDetails);
    return true;
}
