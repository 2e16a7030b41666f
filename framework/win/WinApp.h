// WinApp.h: the application object: start-up, message loop, profile, recent files, shell.
#pragma once
#include <memory>
#include <string>
#include <vector>
#include "framework/win/CmdTarget.h"
#include "framework/win/DocTemplate.h"
#include "framework/win/RecentFileList.h"

class CFrameWnd;

/** @brief What the command line asks for. */
struct CCommandLineInfo
{
    enum Command { FileNew, FileOpen, FilePrint, FileDDE, AppUnregister, FileNothing };
    Command m_nShellCommand = FileNew;
    std::string m_strFileName;

    /// Reads the arguments after the program name: a file name opens it; "/p", "/pt", "/dde",
    /// "/unregister" (or "/unregserver"), "/embedding" and "/automation" (or "-" for "/") keep
    /// their usual meaning; any other argument is a file name.
    void Parse(const std::vector<std::string>& arrArgs);
};

/** @brief Base of the application object; one instance per process. */
class CWinApp : public CCmdTarget
{
public:
    explicit CWinApp(const char* pszAppName = nullptr);
    ~CWinApp() override;

    static CWinApp* GetApp() { return s_pApp; }

    virtual bool InitInstance() { return true; }
    virtual int ExitInstance();
    /// The message loop with idle processing; returns the exit code.
    int Run();
    virtual bool OnIdle(long lCount);
    /// Handles one waiting message; false when WM_QUIT arrived.
    bool PumpMessage();
    /// Runs messages until none is waiting, then one idle pass (for tests and long waits).
    void PumpWaitingMessages();

    void SetRegistryKey(const char* pszKey);
    void LoadStdProfileSettings(unsigned nMaxMRU);
    /// "Software\<registry key>\<application name>" under HKEY_CURRENT_USER.
    std::string GetAppRegistryKey() const;
    /// An integer of the profile: value pszEntry of key GetAppRegistryKey() + "\\" + pszSection,
    /// stored as a REG_DWORD or as decimal text; nDefault when absent or unreadable.
    int GetProfileInt(const char* pszSection, const char* pszEntry, int nDefault) const;

    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> pTemplate);
    CSingleDocTemplate* GetDocTemplate() const { return m_pDocTemplate.get(); }

    /// Registers the template's file type for the current user.
    void RegisterShellFileTypes();
    void UnregisterShellFileTypes();
    /// True when no program claims extension strExt for the current user, or it names strTypeId.
    static bool IsFileTypeFreeOrOurs(const std::string& strExt, const std::string& strTypeId);

    void ParseCommandLine(CCommandLineInfo& cmdInfo);
    bool ProcessShellCommand(const CCommandLineInfo& cmdInfo);

    bool OpenDocumentFile(const std::string& strPath);
    void AddToRecentFileList(const std::string& strPath);
    CRecentFileList* GetRecentFileList() const { return m_pRecentFileList.get(); }

    // Command handlers of the application.
    void OnFileNew();
    void OnFileOpen();
    void OnOpenRecentFile(UINT nID);
    void OnAppExit();
    bool OnCmdMsg(UINT nID, int nCode, CCmdUI* pCmdUI) override;

    std::string LoadString(UINT nID) const;

    HINSTANCE m_hInstance;
    CFrameWnd* m_pMainWnd = nullptr;   // not owned: the template owns the frame
    std::string m_strAppName;          ///< the application title
    std::string m_strRegistryKey;
    std::vector<std::string> m_arrArgs;   ///< the command-line arguments after the program name

protected:
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    int m_nQuitCode = 0;   ///< the exit status: WM_QUIT's, or 1 when start-up failed

private:
    static CWinApp* s_pApp;
    std::string m_strUnspellableArg;   ///< an argument the code page cannot spell, shown with "?"
};

inline CWinApp* AfxGetApp() { return CWinApp::GetApp(); }
