// WinApp.cpp
#include "framework/win/WinApp.h"
#include <cstdlib>
#include <cwchar>
#include <shellapi.h>
#include "framework/base/MessageSink.h"
#include "framework/win/AnsiName.h"
#include "framework/win/FrameWnd.h"
#include "framework/win/RegistryKey.h"

namespace
{
const UINT ID_FILE_NEW = 0xE100;          // 57600
const UINT ID_FILE_OPEN = 0xE101;         // 57601
const UINT ID_FILE_MRU_FIRST = 0xE110;    // 57616
const UINT ID_FILE_MRU_LAST = 0xE11F;
const UINT ID_APP_EXIT = 0xE141;          // 57665
const UINT AFX_IDS_APP_TITLE = 0xE000;    // 57344

const char kRecentFileSection[] = "Recent File List";
}

CWinApp* CWinApp::s_pApp = nullptr;

void CCommandLineInfo::Parse(const std::vector<std::string>& arrArgs)
{
    for (const std::string& strArg : arrArgs)
    {
        // Only the switches we know are switches: anything else, "/home/me/levels" included,
        // is a file name.
        if (strArg.size() > 1 && (strArg[0] == '/' || strArg[0] == '-'))
        {
            std::string strSwitch = strArg.substr(1);
            for (char& ch : strSwitch)
                ch = static_cast<char>(::tolower(static_cast<unsigned char>(ch)));
            bool bSwitch = true;
            if (strSwitch == "p" || strSwitch == "pt")
                m_nShellCommand = FilePrint;
            else if (strSwitch == "dde")
                m_nShellCommand = FileDDE;
            else if (strSwitch == "unregister" || strSwitch == "unregserver")
                m_nShellCommand = AppUnregister;
            else if (strSwitch == "embedding" || strSwitch == "automation")
                m_nShellCommand = FileNothing;
            else
                bSwitch = false;
            if (bSwitch)
                continue;
        }
        if (m_strFileName.empty())
        {
            m_strFileName = strArg;
            if (m_nShellCommand == FileNew)
                m_nShellCommand = FileOpen;
        }
    }
}

CWinApp::CWinApp(const char* pszAppName) : m_hInstance(::GetModuleHandleA(nullptr))
{
    s_pApp = this;
    if (pszAppName)
        m_strAppName = pszAppName;
    // The wide command line, converted without best-fit mapping: the narrow one would turn a
    // character the code page lacks into a look-alike ("Ō" into "O") and so name another file.
    int nArgs = 0;
    if (LPWSTR* ppArgs = ::CommandLineToArgvW(::GetCommandLineW(), &nArgs))
    {
        for (int i = 1; i < nArgs; ++i)
        {
            std::string strArg;
            const size_t cch = std::wcslen(ppArgs[i]);
            if (cch == 0 || WideToAnsiName(ppArgs[i], cch, strArg))
                m_arrArgs.push_back(strArg);
            else if (m_strUnspellableArg.empty())
            {
                // Shown with "?" for what the code page lacks; refused at start-up.
                int cb = ::WideCharToMultiByte(CP_ACP, 0, ppArgs[i], static_cast<int>(cch), nullptr, 0, "?", nullptr);
                m_strUnspellableArg.assign(cb > 0 ? static_cast<size_t>(cb) : 1, '?');
                if (cb > 0)
                    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, ppArgs[i], static_cast<int>(cch),
                                          &m_strUnspellableArg[0], cb, "?", nullptr);
            }
        }
        ::LocalFree(ppArgs);
    }

    // Messages of the document and the file layer appear as ordinary message boxes, owned by
    // the main window while it is on screen.
    SetMessageBoxSink([](const std::string& strText, const std::string& strCaption, unsigned nFlags) {
        CWinApp* pApp = CWinApp::GetApp();
        HWND hOwner = pApp && pApp->m_pMainWnd && ::IsWindowVisible(pApp->m_pMainWnd->m_hWnd)
                          ? pApp->m_pMainWnd->m_hWnd
                          : nullptr;
        return ::MessageBoxA(hOwner, strText.c_str(), strCaption.c_str(), nFlags);
    });
    // A box never takes its answer from keys typed before it was shown.
    SetMessageBoxGuard(&DiscardTypeAhead);
}

CWinApp::~CWinApp()
{
    m_pDocTemplate.reset();
    if (s_pApp == this)
        s_pApp = nullptr;
}

int CWinApp::ExitInstance()
{
    // Non-zero when start-up failed to do what the command line asked.
    return m_nQuitCode;
}

std::string CWinApp::LoadString(UINT nID) const
{
    char sz[1024] = "";
    if (::LoadStringA(m_hInstance, nID, sz, sizeof(sz)) <= 0)
        return std::string();
    return sz;
}

bool CWinApp::PumpMessage()
{
    MSG msg;
    if (!::GetMessageA(&msg, nullptr, 0, 0))
    {
        m_nQuitCode = static_cast<int>(msg.wParam);
        return false;
    }
    HWND hMain = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    if (hMain && m_pMainWnd->m_hAccelTable && (msg.hwnd == hMain || ::IsChild(hMain, msg.hwnd)) &&
        ::TranslateAcceleratorA(hMain, m_pMainWnd->m_hAccelTable, &msg))
        return true;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
    return true;
}

void CWinApp::PumpWaitingMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
    {
        if (!PumpMessage())
        {
            ::PostQuitMessage(m_nQuitCode);   // leave it for whoever runs the real loop
            return;
        }
    }
    OnIdle(0);
}

bool CWinApp::OnIdle(long)
{
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
        m_pMainWnd->OnUpdateControlBars();
    return false;
}

int CWinApp::Run()
{
    MSG msg;
    for (;;)
    {
        // Idle processing once the queue is empty: the toolbar's buttons follow the enable rules.
        long lIdleCount = 0;
        while (!::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
        {
            if (!OnIdle(lIdleCount++))
                break;
        }
        do
        {
            if (!PumpMessage())
            {
                int nExitCode = ExitInstance();
                return nExitCode ? nExitCode : m_nQuitCode;
            }
        } while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

void CWinApp::SetRegistryKey(const char* pszKey)
{
    m_strRegistryKey = pszKey;
}

std::string CWinApp::GetAppRegistryKey() const
{
    return "Software\\" + m_strRegistryKey + "\\" + m_strAppName;
}

int CWinApp::GetProfileInt(const char* pszSection, const char* pszEntry, int nDefault) const
{
    CRegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, GetAppRegistryKey() + "\\" + pszSection, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return nDefault;
    DWORD dwValue = 0;
    if (key.QueryDword(pszEntry, dwValue))
        return static_cast<int>(dwValue);
    // The settings store writes text; a number written that way counts as well.
    std::string strValue;
    if (!key.QueryString(pszEntry, strValue))
        return nDefault;
    char* pszEnd = nullptr;
    long lValue = std::strtol(strValue.c_str(), &pszEnd, 10);
    return pszEnd != strValue.c_str() ? static_cast<int>(lValue) : nDefault;
}

void CWinApp::LoadStdProfileSettings(unsigned nMaxMRU)
{
    if (m_strAppName.empty())
        m_strAppName = LoadString(AFX_IDS_APP_TITLE);
    m_pRecentFileList.reset(new CRecentFileList(nMaxMRU));
    m_pRecentFileList->ReadList(GetAppRegistryKey() + "\\" + kRecentFileSection);
}

void CWinApp::AddToRecentFileList(const std::string& strPath)
{
    if (!m_pRecentFileList)
        return;
    // Keep full paths, so the list opens the same file from any current folder.
    // A name longer than the first buffer gets one of its real size, never a cut or empty one.
    std::vector<char> full(MAX_PATH);
    DWORD cch = ::GetFullPathNameA(strPath.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (cch >= full.size())
    {
        full.resize(cch + 1);
        cch = ::GetFullPathNameA(strPath.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    std::string strFull = cch > 0 && cch < full.size() ? std::string(full.data(), cch) : strPath;
    m_pRecentFileList->Add(strFull);
    m_pRecentFileList->WriteList(GetAppRegistryKey() + "\\" + kRecentFileSection);
}

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> pTemplate)
{
    m_pDocTemplate = std::move(pTemplate);
}

void CWinApp::RegisterShellFileTypes()
{
    if (!m_pDocTemplate)
        return;
    std::string strTypeId = m_pDocTemplate->GetDocString(CSingleDocTemplate::regFileTypeId);
    std::string strTypeName = m_pDocTemplate->GetDocString(CSingleDocTemplate::regFileTypeName);
    std::string strExt = m_pDocTemplate->GetDocString(CSingleDocTemplate::filterExt);
    if (strTypeId.empty() || strExt.empty())
        return;

    char szModule[MAX_PATH] = "";
    DWORD cchModule = ::GetModuleFileNameA(nullptr, szModule, sizeof(szModule));
    if (cchModule == 0 || cchModule >= sizeof(szModule))
        return;   // a cut path would register a command that starts nothing, or another program
    std::string strClasses = "Software\\Classes\\";

    // Per user, so registering needs no administrator rights; written again at every start so a
    // moved program keeps its file type.
    CRegistryKey key;
    if (key.Create(HKEY_CURRENT_USER, strClasses + strTypeId) == ERROR_SUCCESS)
        key.SetString(nullptr, strTypeName);
    if (key.Create(HKEY_CURRENT_USER, strClasses + strTypeId + "\\DefaultIcon") == ERROR_SUCCESS)
        key.SetString(nullptr, std::string(szModule) + ",0");
    if (key.Create(HKEY_CURRENT_USER, strClasses + strTypeId + "\\shell\\open\\command") == ERROR_SUCCESS)
        key.SetString(nullptr, "\"" + std::string(szModule) + "\" \"%1\"");
    // The extension is ours to take only when no program claims it or it already names our
    // type: another program's association stays as its user chose it.
    if (IsFileTypeFreeOrOurs(strExt, strTypeId) &&
        key.Create(HKEY_CURRENT_USER, strClasses + strExt) == ERROR_SUCCESS)
        key.SetString(nullptr, strTypeId);
}

bool CWinApp::IsFileTypeFreeOrOurs(const std::string& strExt, const std::string& strTypeId)
{
    // The per-user entry wins over the machine's when it names a type; otherwise the machine's
    // entry is the one in force.
    const HKEY hHives[] = { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE };
    for (HKEY hHive : hHives)
    {
        CRegistryKey key;
        std::string strValue;
        if (key.Open(hHive, "Software\\Classes\\" + strExt) == ERROR_SUCCESS &&
            key.QueryString(nullptr, strValue) && !strValue.empty())
            return ::lstrcmpiA(strValue.c_str(), strTypeId.c_str()) == 0;
    }
    return true;
}

void CWinApp::UnregisterShellFileTypes()
{
    if (!m_pDocTemplate)
        return;
    std::string strTypeId = m_pDocTemplate->GetDocString(CSingleDocTemplate::regFileTypeId);
    std::string strExt = m_pDocTemplate->GetDocString(CSingleDocTemplate::filterExt);
    if (strTypeId.empty())
        return;
    CRegistryKey::DeleteTree(HKEY_CURRENT_USER, "Software\\Classes\\" + strTypeId);
    if (strExt.empty())
        return;
    // The extension's key may also hold other programs' entries (their "Open with" list, a
    // content type, a new-file template): only its default value is ours, and only while it
    // still names our type. The key itself goes only when nothing else is left in it.
    const std::string strExtKey = "Software\\Classes\\" + strExt;
    CRegistryKey key;
    std::string strValue;
    if (key.Open(HKEY_CURRENT_USER, strExtKey, KEY_READ | KEY_WRITE) != ERROR_SUCCESS ||
        !key.QueryString(nullptr, strValue) || ::lstrcmpiA(strValue.c_str(), strTypeId.c_str()) != 0)
        return;
    key.DeleteValue(nullptr);
    DWORD nSubKeys = 0, nValues = 0;
    const bool bEmpty = ::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &nSubKeys, nullptr, nullptr,
                                           &nValues, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                        nSubKeys == 0 && nValues == 0;
    key.Close();
    if (bEmpty)
        ::RegDeleteKeyA(HKEY_CURRENT_USER, strExtKey.c_str());
}

void CWinApp::ParseCommandLine(CCommandLineInfo& cmdInfo)
{
    cmdInfo.Parse(m_arrArgs);
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& cmdInfo)
{
    if (!m_strUnspellableArg.empty())
    {
        AfxMessageBox(m_strUnspellableArg + " cannot be opened: its name has characters that the system's code page "
                      "cannot hold. Rename the file.",
                      QMB_OK | QMB_ICONEXCLAMATION);
        m_nQuitCode = 1;
        return false;
    }
    if (!m_pDocTemplate)
    {
        m_nQuitCode = 1;
        return false;
    }
    switch (cmdInfo.m_nShellCommand)
    {
    case CCommandLineInfo::FileNew:
    case CCommandLineInfo::FileDDE:
    case CCommandLineInfo::FileNothing:
        if (!m_pDocTemplate->OpenDocumentFile(std::string(), false))
        {
            m_nQuitCode = 1;
            return false;
        }
        break;
    case CCommandLineInfo::FileOpen:
        if (!m_pDocTemplate->OpenDocumentFile(cmdInfo.m_strFileName, false))
        {
            m_nQuitCode = 1;   // a refused or missing archive is a failed start
            return false;
        }
        break;
    case CCommandLineInfo::FilePrint:
        return false;   // nothing here prints; end without showing a window
    case CCommandLineInfo::AppUnregister:
        UnregisterShellFileTypes();
        return false;
    }
    m_pMainWnd = m_pDocTemplate->GetFrame();
    return m_pMainWnd != nullptr;
}

bool CWinApp::OpenDocumentFile(const std::string& strPath)
{
    return m_pDocTemplate && m_pDocTemplate->OpenDocumentFile(strPath);
}

void CWinApp::OnFileNew()
{
    if (m_pDocTemplate)
        m_pDocTemplate->OpenDocumentFile(std::string());
}

void CWinApp::OnFileOpen()
{
    if (!m_pDocTemplate)
        return;
    std::string strFile;
    if (m_pDocTemplate->DoPromptFileName(strFile, true))
        OpenDocumentFile(strFile);
}

void CWinApp::OnOpenRecentFile(UINT nID)
{
    if (!m_pRecentFileList)
        return;
    size_t nIndex = nID - ID_FILE_MRU_FIRST;
    if (nIndex >= m_pRecentFileList->GetSize())
        return;
    std::string strPath = (*m_pRecentFileList)[nIndex];
    if (!OpenDocumentFile(strPath) && ::GetFileAttributesA(strPath.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        // A file that is gone leaves the list.
        m_pRecentFileList->Remove(nIndex);
        m_pRecentFileList->WriteList(GetAppRegistryKey() + "\\" + kRecentFileSection);
    }
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
        ::SendMessageA(m_pMainWnd->m_hWnd, WM_CLOSE, 0, 0);
}

bool CWinApp::OnCmdMsg(UINT nID, int nCode, CCmdUI* pCmdUI)
{
    static const TCmdEntry<CWinApp> s_map[] = {
        { ID_FILE_NEW, ID_FILE_NEW, &CWinApp::OnFileNew, nullptr, nullptr },
        { ID_FILE_OPEN, ID_FILE_OPEN, &CWinApp::OnFileOpen, nullptr, nullptr },
        { ID_FILE_MRU_FIRST, ID_FILE_MRU_LAST, nullptr, nullptr, &CWinApp::OnOpenRecentFile },
        { ID_APP_EXIT, ID_APP_EXIT, &CWinApp::OnAppExit, nullptr, nullptr },
    };
    return DispatchCmdMap(this, s_map, nID, nCode, pCmdUI);
}
