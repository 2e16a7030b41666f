// DocTemplate.cpp
#include "framework/win/DocTemplate.h"
#include <commdlg.h>
#include "framework/base/MessageSink.h"
#include "framework/win/FrameWnd.h"
#include "framework/win/WinApp.h"

namespace
{
const UINT ID_FILE_SAVE = 0xE103;      // 57603
const UINT ID_FILE_SAVE_AS = 0xE104;   // 57604
}

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, DocFactory fnDoc, FrameFactory fnFrame, ViewFactory fnView)
    : m_nIDResource(nIDResource), m_fnDoc(std::move(fnDoc)), m_fnFrame(std::move(fnFrame)),
      m_fnView(std::move(fnView))
{
    char sz[1024] = "";
    if (::LoadStringA(::GetModuleHandleA(nullptr), nIDResource, sz, sizeof(sz)) > 0)
        m_strDocStrings = sz;
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    CloseFrame();
    m_pFrame.reset();
    m_pDocument.reset();
}

std::unique_ptr<CView> CSingleDocTemplate::CreateView() const
{
    return m_fnView();
}

void CSingleDocTemplate::CloseFrame()
{
    if (m_pFrame && m_pFrame->m_hWnd)
        ::DestroyWindow(m_pFrame->m_hWnd);
}

std::string CSingleDocTemplate::GetDocString(DocStringIndex nIndex) const
{
    size_t nStart = 0;
    for (int i = 0; i < nIndex; ++i)
    {
        nStart = m_strDocStrings.find('\n', nStart);
        if (nStart == std::string::npos)
            return std::string();
        ++nStart;
    }
    size_t nEnd = m_strDocStrings.find('\n', nStart);
    return m_strDocStrings.substr(nStart, nEnd == std::string::npos ? std::string::npos : nEnd - nStart);
}

bool CSingleDocTemplate::OpenDocumentFile(const std::string& strPath, bool bMakeVisible)
{
    if (!m_pDocument)
        m_pDocument = m_fnDoc();
    else if (!SaveModified())
        return false;

    bool bCreated = false;
    if (!m_pFrame || !m_pFrame->m_hWnd)
    {
        m_pFrame = m_fnFrame();
        if (!m_pFrame->LoadFrame(m_nIDResource, this))
        {
            m_pFrame.reset();
            return false;
        }
        bCreated = true;
    }

    if (strPath.empty())
    {
        m_pDocument->OnNewDocument();
    }
    else
    {
        CWaitCursor wait;
        bool bOpened = m_pDocument->OpenDocumentFile(strPath);
        if (!bOpened)
        {
            if (bCreated)
            {
                // A frame made only for this attempt goes with it.
                CloseFrame();
                m_pFrame.reset();
                return false;
            }
            // The view shows whatever the document holds now (a refused file leaves it empty).
            InitialUpdateFrame(false);
            return false;
        }
        if (CWinApp* pApp = AfxGetApp())
            pApp->AddToRecentFileList(m_pDocument->GetPathName());
    }
    InitialUpdateFrame(bMakeVisible);
    return true;
}

void CSingleDocTemplate::InitialUpdateFrame(bool bMakeVisible)
{
    if (!m_pFrame)
        return;
    if (CView* pView = m_pFrame->GetActiveView())
        pView->OnInitialUpdate();
    m_pFrame->OnUpdateFrameTitle();
    if (bMakeVisible)
    {
        ::ShowWindow(m_pFrame->m_hWnd, SW_SHOW);
        ::UpdateWindow(m_pFrame->m_hWnd);
    }
}

bool CSingleDocTemplate::OnCmdMsg(UINT nID, int nCode, CCmdUI* pCmdUI)
{
    if (nID != ID_FILE_SAVE && nID != ID_FILE_SAVE_AS)
        return false;
    if (nCode == CN_UPDATE_COMMAND_UI)
    {
        pCmdUI->Enable(m_pDocument != nullptr);
        return true;
    }
    if (!m_pDocument)
        return false;
    if (nID == ID_FILE_SAVE)
        DoFileSave();
    else
        DoSave(std::string());
    return true;
}

bool CSingleDocTemplate::SaveModified()
{
    if (!m_pDocument || !m_pDocument->IsModified())
        return true;
    // The file's title ("maps.vpp", or "Untitled"), asked as a question.
    std::string strPrompt = "Save changes to " + m_pDocument->GetTitle() + "?";
    switch (AfxMessageBox(strPrompt, QMB_YESNOCANCEL | QMB_ICONQUESTION))
    {
    case QIDCANCEL:
        return false;
    case QIDYES:
        return DoFileSave();
    default:
        return true;
    }
}

bool CSingleDocTemplate::DoFileSave()
{
    if (!m_pDocument)
        return false;
    // A file that may not be written is saved under a new name instead: the user is asked for one,
    // and the edits stay in the document whatever the answer.
    const std::string& strPath = m_pDocument->GetPathName();
    if (strPath.empty() || CFile::IsReadOnly(strPath))
        return DoSave(std::string());
    return DoSave(strPath);
}

bool CSingleDocTemplate::DoSave(const std::string& strPath)
{
    std::string strNewName = strPath;
    if (strNewName.empty())
    {
        strNewName = m_pDocument->GetPathName().empty() ? m_pDocument->GetTitle()
                                                        : m_pDocument->GetPathName();
        if (!DoPromptFileName(strNewName, false))
            return false;   // cancelled
    }

    CWaitCursor wait;
    if (!m_pDocument->OnSaveDocument(strNewName))
    {
        // A save that failed without a word (a member that could not be copied) would otherwise
        // pass unnoticed: say what went wrong and that the old file is unchanged. A document that
        // said why itself gives no details: its message was the one report the user needs.
        const std::string strDetails = m_pDocument->GetSaveFailureDetails();
        if (!strDetails.empty() && !(m_pFrame && m_pFrame->ReportSaveFailure(strDetails)))
            AfxMessageBox("The archive was not saved; the file on disk is unchanged. "
                          "These files could not be copied:\r\n\r\n" + strDetails,
                          QMB_OK | QMB_ICONEXCLAMATION);
        return false;
    }
    m_pDocument->SetPathName(strNewName);
    if (CWinApp* pApp = AfxGetApp())
        pApp->AddToRecentFileList(strNewName);
    if (m_pFrame)
        m_pFrame->OnUpdateFrameTitle();
    return true;
}

bool CSingleDocTemplate::DoPromptFileName(std::string& strFile, bool bOpen) const
{
    // "VPP Archive Files (*.vpp)" with the pattern "*.vpp", then all files.
    std::string strFilterName = GetDocString(filterName);
    std::string strExt = GetDocString(filterExt);
    std::string strFilter;
    if (!strFilterName.empty() && !strExt.empty())
    {
        strFilter += strFilterName;
        strFilter += '\0';
        strFilter += "*" + strExt;
        strFilter += '\0';
    }
    strFilter += "All Files (*.*)";
    strFilter += '\0';
    strFilter += "*.*";
    strFilter += '\0';
    strFilter += '\0';

    char szFile[MAX_PATH] = "";
    if (!bOpen)
        lstrcpynA(szFile, strFile.c_str(), sizeof(szFile));
    OPENFILENAMEA ofn;
    ZeroMemory(&ofn, sizeof(ofn));
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_pFrame ? m_pFrame->m_hWnd : nullptr;
    ofn.lpstrFilter = strFilter.c_str();
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = sizeof(szFile);
    ofn.lpstrDefExt = strExt.empty() ? nullptr : strExt.c_str() + (strExt[0] == '.' ? 1 : 0);
    // The current folder stays where it was: relative names given on the command line or
    // kept elsewhere would otherwise name other files after a visit to another folder.
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                (bOpen ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
    BOOL bOk = bOpen ? ::GetOpenFileNameA(&ofn) : ::GetSaveFileNameA(&ofn);
    if (!bOk)
        return false;
    strFile = szFile;
    return true;
}
