// GuiHarness.h: drives the real editor window inside the test process.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "app/MainFrame.h"
#include "app/QuarnelApp.h"
#include "core/QuarnelDoc.h"
#include "ui/QuarnelView.h"

/** One message box the program showed. */
struct RecordedMessage
{
    std::string strText;
    std::string strCaption;
    unsigned nFlags;
};

/** One error-details dialog the program showed. */
struct RecordedDetails
{
    std::string strHeader;
    std::string strDetails;
};

/** @brief Starts the application object on given arguments and reads its windows back. */
class CGuiHarness
{
public:
    CGuiHarness();
    ~CGuiHarness();

    /// Runs start-up; messages go to the recorder, answered with nAnswer.
    bool Start(const std::vector<std::string>& arrArgs, DWORD dwSplashDelayMs = 0);
    /// Dispatches waiting messages and runs one idle pass.
    void Pump();

    CMainFrame* Frame() const { return m_pApp ? m_pApp->GetMainFrame() : nullptr; }
    CQuarnelView* View() const { return Frame() ? Frame()->GetListView() : nullptr; }
    CQuarnelDoc* Doc() const { return Frame() ? Frame()->GetArchive() : nullptr; }
    HWND List() const { return View() ? View()->m_hWnd : nullptr; }

    int RowCount() const;
    std::string Cell(int nRow, int nColumn) const;
    std::vector<std::string> Column(int nColumn) const;
    std::string Caption() const;
    std::string StatusPane(int nPane) const;
    void SelectRow(int nRow, bool bSelected = true);
    /// Sends WM_COMMAND as a menu would (refused when the command is disabled).
    void Command(UINT nID);

    std::unique_ptr<CQuarnelApp> m_pApp;
    std::vector<RecordedMessage> m_messages;
    /// Error-details dialogs, recorded instead of shown; each is also listed in m_messages with
    /// the caption "Error details" and the header, "\r\n" and the details as its text.
    std::vector<RecordedDetails> m_details;
    int m_nAnswer = 1;   // IDOK
};

/// Folder for this test run's files (created empty), ending in a backslash.
std::string MakeTestFolder(const std::string& strName);
void WriteFileBytes(const std::string& strPath, size_t nSize, char chFill = 'x');
/// Writes an archive holding the given files, through the document's own save.
bool MakeArchive(const std::string& strArchive, const std::vector<std::string>& arrFiles);
/// Captures a window into a 24-bit BMP in the screenshot folder.
bool SaveWindowShot(HWND hWnd, const std::string& strName);
/// The same capture without repainting or pumping first: the window as it stands on the screen
/// (a popup menu open inside its own loop, for one).
bool SaveScreenShotOf(HWND hWnd, const std::string& strName);
std::string ExeFolder();
/// Seconds between two performance-counter readings (the benchmarks).
double Seconds(LARGE_INTEGER a, LARGE_INTEGER b);
/// Writes n little-endian at nPos, as the archive's fields are stored.
void PutLe32(std::string& s, size_t nPos, uint32_t n);
/// A visible message box of another process (the splash has no text control 0xFFFF), or null.
HWND FindMessageBoxOfProcess(DWORD dwProcessId);
