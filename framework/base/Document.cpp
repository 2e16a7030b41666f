// Document.cpp
#include "framework/base/Document.h"

#include <algorithm>
#include <new>

#include "framework/base/MessageSink.h"

CDocument::~CDocument() = default;

bool CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    m_strTitle = "Untitled";
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnOpenDocument(const std::string& strPath)
{
    CFile file;
    CFileException error;
    if (!file.Open(strPath, CFile::modeRead | CFile::shareDenyWrite, &error)) {
        ReportFileError(error, false);
        return false;
    }
    SetModifiedFlag(true);  // dirty while loading: a failure from here on has touched the contents
    DeleteContents();
    try {
        if (file.GetLength() != 0)
            Serialize(file, false);
    } catch (const CFileException& e) {
        file.Close();
        DeleteContents();
        ReportFileError(e, false);
        return false;
    } catch (const CUserException&) {
        file.Close();
        DeleteContents();
        return false;
    } catch (const std::bad_alloc&) {
        file.Close();
        DeleteContents();
        AfxMessageBox("There is not enough memory to open " + strPath + ".", QMB_OK | QMB_ICONEXCLAMATION);
        return false;
    }
    file.Close();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const std::string& strPath)
{
    CFile file;
    CFileException error;
    if (!file.Open(strPath, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive, &error)) {
        ReportFileError(error, true);
        return false;
    }
    if (!SaveIntoOpenFile(file))
        return false;
    file.Close();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::SaveIntoOpenFile(CFile& file)
{
    try {
        Serialize(file, true);
        // The caller may replace an older file with this one next: it must be on disk first.
        file.Flush();
    } catch (const CFileException& e) {
        ReportFileError(e, true);
        return false;
    } catch (const CUserException&) {
        return false;
    } catch (const std::bad_alloc&) {
        AfxMessageBox("There is not enough memory to save " + file.GetFilePath() + ".", QMB_OK | QMB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

void CDocument::DeleteContents() {}

bool CDocument::OpenDocumentFile(const std::string& strPathIn)
{
    const std::string strPath = CFile::GetFullPath(strPathIn);
    bool bWasModified = IsModified();
    SetModifiedFlag(false);
    if (!OnOpenDocument(strPath)) {
        if (!IsModified())
            SetModifiedFlag(bWasModified);  // the file was never read: the contents are untouched
        else
            OnNewDocument();  // loading began and failed: start over with an empty document
        return false;
    }
    SetPathName(strPath);
    return true;
}

void CDocument::SetPathName(const std::string& strPathIn)
{
    const std::string strPath = CFile::GetFullPath(strPathIn);
    m_strPathName = strPath;
    size_t nSlash = strPath.find_last_of("\\/");
    m_strTitle = nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

void CDocument::AddView(CViewBase* pView)
{
    if (pView && std::find(m_views.begin(), m_views.end(), pView) == m_views.end())
        m_views.push_back(pView);
}

void CDocument::RemoveView(CViewBase* pView)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), pView), m_views.end());
}

void CDocument::UpdateAllViews(CViewBase* pSender, long lHint, void* pHint)
{
    for (CViewBase* pView : m_views)
        if (pView != pSender)
            pView->OnUpdate(pSender, lHint, pHint);
}

std::string CDocument::GetFileErrorText(const CFileException& e, bool bSaving)
{
    const std::string& strFile = e.m_strFileName;
    switch (e.m_cause) {
    case FileErrorCause::fileNotFound: return strFile + " was not found.";
    case FileErrorCause::badPath:
        return strFile + " could not be opened: the folder does not exist or the name is not valid.";
    case FileErrorCause::invalidName:
        return strFile + " could not be opened: the name holds characters that Windows does not allow in file names.";
    case FileErrorCause::accessDenied: return "Access to " + strFile + " was denied.";
    case FileErrorCause::sharingViolation: return strFile + " is in use by another program.";
    case FileErrorCause::diskFull: return "There is not enough space on the disk to write " + strFile + ".";
    case FileErrorCause::endOfFile: return strFile + " ended unexpectedly.";
    case FileErrorCause::alreadyExists: return strFile + " already exists.";
    case FileErrorCause::notRegularFile: return strFile + " is not a regular file.";
    default:
        return std::string("An unexpected error occurred while ") + (bSaving ? "saving " : "reading ") + strFile +
               " (system error " + std::to_string(e.m_lOsError) + ").";
    }
}

void CDocument::ReportFileError(const CFileException& e, bool bSaving)
{
    AfxMessageBox(GetFileErrorText(e, bSaving), QMB_OK | QMB_ICONEXCLAMATION);
}
