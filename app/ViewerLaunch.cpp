// ViewerLaunch.cpp
#include "app/ViewerLaunch.h"
#include <windows.h>
#include <shellapi.h>
#include "app/AnnouncementDialog.h"
#include "config/SettingsStore.h"
#include "core/QuarnelDoc.h"
#include "framework/base/MessageSink.h"

namespace
{
const char kErrorCaption[] = "Error";
const char kAppTitle[] = "Kestrin Manager QUARNEL";
}

std::string MakeViewerMemberArgument(const std::string& strName)
{
    for (char ch : strName)
    {
        unsigned char uch = static_cast<unsigned char>(ch);
        if (ch == '"' || uch < 0x20 || uch == 0x7F)
            return std::string();
    }
    return " @" + strName;
}

std::string MakeViewerParameters(const std::string& strArchive, const std::string& strMemberArgument)
{
    return "\"" + strArchive + "\"" + strMemberArgument;
}

bool ViewerProgramExists(const std::string& strExe)
{
    if (strExe.empty())
        return false;
    DWORD dwAttributes = ::GetFileAttributesA(strExe.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ViewerLaunchFailedText(const std::string& strExe)
{
    return "Error: MIRADOR could not be started from \"" + strExe +
           "\". Please reinstall MIRADOR to fix this problem.";
}

void BrowseInViewer(const ViewerLaunchRequest& request)
{
    CQuarnelDoc* pDoc = request.pDoc;
    if (!pDoc || pDoc->m_nFileCount == 0)
        return;

    int nBuild = ReadSharedInt(VIEWER_SUBKEY, VIEWER_VALUE_BUILD, 0);
    if (nBuild == 0)
    {
        CAnnouncementDialog(request.hOwner).ShowAnnouncement(0);
        return;
    }
    if (nBuild < VIEWER_MIN_BUILD)
    {
        CAnnouncementDialog(request.hOwner).ShowAnnouncement(1);
        return;
    }

    std::string strPath = pDoc->GetPathName();
    if (strPath.empty())
    {
        ShowMessageBox(VIEWER_NOT_SAVED_TEXT, kErrorCaption, QMB_OK);
        return;
    }

    // The member is the row selected when the command was given: a save below reads the archive
    // back and refills the list, which leaves no row selected.
    std::string strSelected;
    if (nBuild >= VIEWER_MEMBER_BUILD)
        strSelected = request.strSelectedName;

    if (pDoc->IsModified())
    {
        switch (ShowMessageBox(VIEWER_SAVE_QUESTION, kAppTitle, QMB_YESNOCANCEL))
        {
        case QIDCANCEL:
            return;
        case QIDYES:
        {
            // The viewer is only worth starting on what was asked for: a save that failed or was
            // cancelled stops here, and one that chose a new name launches on that name.
            if (!request.fnSave || !request.fnSave())
                return;
            strPath = pDoc->GetPathName();
            break;
        }
        default:
            break;
        }
    }

    std::string strMember;
    if (!strSelected.empty())
        strMember = MakeViewerMemberArgument(strSelected);

    std::string strExe = ReadSharedString(VIEWER_SUBKEY, VIEWER_VALUE_EXE);
    if (!ViewerProgramExists(strExe))
    {
        ShowMessageBox(VIEWER_NOT_FOUND_TEXT, kErrorCaption, QMB_OK);
        return;
    }

    std::string strParameters = MakeViewerParameters(strPath, strMember);
    HINSTANCE hResult = ::ShellExecuteA(nullptr, "open", strExe.c_str(), strParameters.c_str(), "",
                                        SW_SHOWMAXIMIZED);
    if (reinterpret_cast<INT_PTR>(hResult) <= 32)
        ShowMessageBox(ViewerLaunchFailedText(strExe), kErrorCaption, QMB_OK);
}
