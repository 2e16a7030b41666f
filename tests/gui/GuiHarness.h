// GuiHarness.h: drives the real editor window inside the test process.
//
// A typical window test:
//
//   TEST(Edit, RemoveAsksFirst)
//   {
//       CTestFolder dir("remove");                                   // empty, read-only flags undone at the end
//       std::string strArchive = dir.Archive("a.vpp", { { "a.txt", "AAA" }, { "b.txt", "B" } });
//       CGuiHarness gui;
//       ASSERT_TRUE(gui.Start({ strArchive }));
//       gui.SelectRow(1);
//       gui.Answer({ IDYES });                                       // the next message box
//       gui.Key("Del");                                              // a real key press
//       EXPECT_EQ("Are you sure ...", gui.TakeMessage());            // the one box since the last look
//       gui.Command(ID_FILE_SAVE_AS, { SaveAs(dir + "b.vpp") });     // a modal dialog met by a step
//       EXPECT_EQ(1u, ReadArchive(dir + "b.vpp").size());            // read back by the tests' own parser
//   }
//
// Dialogs and popup menus that a command opens are met by steps, in order; a window no step expects,
// or a step whose window never comes, fails the running test with the caption and is closed. A
// message box or error-details dialog that the test never takes fails it too, with its text.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>
#include "app/MainFrame.h"
#include "app/QuarnelApp.h"
#include "core/QuarnelDoc.h"
#include "ui/QuarnelView.h"
#include "ScreenshotSupport.h"
#include "BenchTimer.h"   // for a benchmark that includes only the harness

/// Fails the running test (the GUI test main binds it to the test framework; a benchmark prints it).
void HarnessFailure(const std::string& strWhat);

/** One message box the program showed (an error-details dialog: caption "Error details", flags 0). */
struct RecordedMessage
{
    std::string strText;
    std::string strCaption;
    unsigned nFlags = 0;   ///< MB_ flags as given: buttons, icon, default button
};
/// A message compares with a text by its text, so `EXPECT_EQ("...", gui.TakeMessage())` reads as it says.
inline bool operator==(const RecordedMessage& m, const std::string& str) { return m.strText == str; }
inline bool operator==(const std::string& str, const RecordedMessage& m) { return m.strText == str; }
inline bool operator==(const RecordedMessage& m, const char* psz) { return m.strText == psz; }
inline bool operator==(const char* psz, const RecordedMessage& m) { return m.strText == psz; }
inline bool operator!=(const RecordedMessage& m, const char* psz) { return !(m == psz); }
inline bool operator!=(const char* psz, const RecordedMessage& m) { return !(m == psz); }
void PrintTo(const RecordedMessage& m, std::ostream* os);
/// EXPECT_CONTAINS: the text holds the part; a failure shows both.
#define EXPECT_CONTAINS(text, part) EXPECT_PRED_FORMAT2(::testing::IsSubstring, part, text)

/** One error-details dialog the program showed. */
struct RecordedDetails
{
    std::string strHeader;
    std::string strDetails;
};

/** One step of a modal conversation: meets the next dialog or popup menu of this thread. */
struct Step
{
    /// Part of the caption the window must show; "" takes any dialog, "menu" a popup menu.
    std::string strWindow;
    /// Acts as a user would and ends the window; returns false to be called again at the next tick
    /// (the window is not ready yet).
    std::function<bool(HWND)> fnAct;
};

/// Presses a button of the dialog (IDOK, IDCANCEL, IDYES, ...).
Step Press(int nButton, const std::string& strWindow = "");
/// Types a name into a file dialog and presses its OK button.
Step SaveAs(const std::string& strPath, const std::string& strWindow = "");
/// Keys for an open popup menu ("Down Enter", "Esc"), posted to the menu's own loop.
Step MenuKeys(const std::string& strKeys);
/// Meets the next popup menu: posts the keys to it and, once its loop has taken every key waiting
/// (these and any posted before it opened), calls fn with the menu's window and closes the menu.
Step InMenu(const std::string& strKeys = "", std::function<void(HWND)> fn = nullptr);
/// Calls fn with the window (to read it), then ends it with the button.
Step Look(const std::string& strWindow, std::function<void(HWND)> fn, int nButton = IDCANCEL);
/// The step, taken once fnReady holds for its window (looked at each tick; a state that never comes
/// fails the step at the steps' wait), or once dwAtMostMs have passed when given.
Step When(std::function<bool(HWND)> fnReady, Step step, DWORD dwAtMostMs = 0);

/** Meets the modal windows of this thread with the steps, for its own life (a timer, killed with it). */
class CModalSteps
{
public:
    /// nTickMs: how often the steps look for their window (shorter for a long run of popups).
    explicit CModalSteps(std::vector<Step> arrSteps, UINT nTickMs = 100);
    ~CModalSteps();   ///< fails the test for each step whose window never came
    /// The windows met so far, by caption ("menu" for popup menus).
    std::vector<std::string> m_arrMet;

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();
    std::vector<Step> m_arrSteps;
    size_t m_nNext = 0;
    HWND m_hLast = nullptr;     // the window the last finished step acted on
    DWORD m_dwWaitStart = 0;
    bool m_bBusy = false;
    bool m_bFailed = false;
    UINT_PTR m_nTimer = 0;
};

/// Runs fn while steps meet the dialogs and menus it opens; returns the captions met.
std::vector<std::string> WithSteps(std::vector<Step> arrSteps, const std::function<void()>& fn, UINT nTickMs = 100);

/** @brief Starts the application object on given arguments and reads its windows back. */
class CGuiHarness
{
public:
    CGuiHarness();
    ~CGuiHarness();

    /// Runs start-up; messages go to the recorder, answered from the queue or with m_nAnswer.
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
    /// The list's column headers.
    std::vector<std::string> HeaderTexts() const;
    std::string StatusPane(int nPane) const;
    void SelectRow(int nRow, bool bSelected = true);
    /// Selects exactly these rows.
    void SelectOnly(const std::vector<int>& arrRows);
    /// Gives the row the focus and makes it the only selected one, scrolled into view, as a click does.
    void FocusRow(int nRow);
    /// Adds the files through the real Add command (the dialog answered with them); they must share
    /// one folder. The add report, if any, is left for TakeMessage.
    void AddFiles(const std::vector<std::string>& arrPaths);
    /// Pumps messages and idle passes until fnDone holds; fails the test naming strWhat after dwTimeoutMs.
    bool WaitUntil(const std::function<bool()>& fnDone, const std::string& strWhat = "the awaited state",
                   DWORD dwTimeoutMs = 5000);
    /// Pumps messages and idle passes for a while: time for something that must not happen.
    void PumpFor(DWORD dwMs);
    /// Sends WM_COMMAND as a menu would (refused when the command is disabled).
    void Command(UINT nID);
    /// The same, with steps for the dialogs and menus it opens; returns the captions met.
    std::vector<std::string> Command(UINT nID, std::vector<Step> arrSteps);
    /// Real key presses ("Ctrl+A", "Del", "Ins", "F4", "Enter", "Shift+F10"; several apart by spaces) to the
    /// focused window (the list when no window has the focus), then lets them through.
    void Key(const std::string& strKeys);
    /// Names dropped on the frame, as the shell's WM_DROPFILES.
    void DropOnFrame(const std::vector<std::string>& arrNames);

    /// Answers for the next message boxes, in order; then m_nAnswer.
    void Answer(const std::vector<int>& arrAnswers);
    /// An answer for the next Add dialog as the dialog hands it back: one full path, or the folder
    /// and then the names; none is Cancel (with dwError as the dialog's error).
    void AnswerAdd(const std::vector<std::string>& arrParts, DWORD dwError = 0);
    /// An answer for the next folder picker; "" is Cancel.
    void AnswerFolder(const std::string& strFolder);
    /// The one message box or details dialog since the last look (the details as header, "\r\n",
    /// details); an empty record when none. More than one fails the test (the record then holds
    /// their texts joined by newlines).
    RecordedMessage TakeMessage();
    /// The one message since the last look must contain strPart; fails the test otherwise.
    void ExpectMessage(const std::string& strPart);
    /// Every message since the last look, in order (one action may show several).
    std::vector<RecordedMessage> TakeMessages();
    /// The one message since the last look as an error-details dialog; fails the test when it is none.
    RecordedDetails TakeDetails();

    std::unique_ptr<CQuarnelApp> m_pApp;
    std::vector<RecordedMessage> m_messages;
    /// Error-details dialogs, recorded instead of shown; each is also listed in m_messages with
    /// the caption "Error details" and the header, "\r\n" and the details as its text.
    std::vector<RecordedDetails> m_details;
    int m_nAnswer = 1;   // IDOK
    /// Strict (the default): a message nobody took fails the test when the harness ends, naming its
    /// text; a test that means to see a box takes it (TakeMessage, ExpectMessage, TakeDetails).
    bool m_bStrict = true;
    /// What the last Add dialog was opened with, and where the last folder picker started.
    OPENFILENAMEA m_lastAddDialog = {};
    std::string m_strPickerStart;

private:
    std::deque<int> m_answers;
    std::deque<std::pair<std::vector<std::string>, DWORD>> m_addAnswers;
    std::deque<std::string> m_folderAnswers;
    size_t m_nUnread = 0;
};

/// Real key presses, as CGuiHarness::Key, without waiting for them.
void PressKeys(const std::string& strKeys);

/** A folder for one test's files, emptied when made; read-only flags inside are undone at the end. */
class CTestFolder
{
public:
    explicit CTestFolder(const std::string& strName);
    ~CTestFolder();
    const std::string& Path() const { return m_strPath; }   ///< ends in a backslash
    /// Writes a file of nSize bytes of chFill (or the given bytes); returns its path.
    std::string File(const std::string& strName, size_t nSize, char chFill = 'x') const;
    std::string File(const std::string& strName, const std::string& strBytes) const;
    /// Writes an archive with the tests' own writer; returns its path.
    std::string Archive(const std::string& strName, const std::vector<std::pair<std::string, std::string>>& arrMembers) const;
    /// A sub-folder, made empty; ends in a backslash.
    std::string Sub(const std::string& strName) const;
    std::string Read(const std::string& strName) const;
    bool Exists(const std::string& strName) const;

private:
    std::string m_strPath;
};
inline std::string operator+(const CTestFolder& folder, const std::string& strName) { return folder.Path() + strName; }
inline std::string operator+(const CTestFolder& folder, const char* pszName) { return folder.Path() + pszName; }
inline std::string operator+(const std::string& str, const CTestFolder& folder) { return str + folder.Path(); }
inline std::string operator+(const char* psz, const CTestFolder& folder) { return psz + folder.Path(); }

/** A member as the tests' own parser reads it. */
struct ArchiveMember
{
    std::string strName, strData;
    bool operator==(const ArchiveMember& o) const { return strName == o.strName && strData == o.strData; }
};
/// The bytes of an archive holding exactly these members, laid out by hand (little-endian fields,
/// 2048-byte blocks), so that it may hold what the editor would never write.
std::string BuildArchive(const std::vector<std::pair<std::string, std::string>>& arrMembers);
bool WriteArchive(const std::string& strPath, const std::vector<std::pair<std::string, std::string>>& arrMembers);
/// The members of an archive file; fails the test (and gives none) when the file's header, count,
/// total size or length do not agree.
std::vector<ArchiveMember> ReadArchive(const std::string& strPath);

/// The whole file at a path (one the program chose, a screenshot), or "<missing>" when it cannot be
/// read; a test's own files are made through CTestFolder.
std::string ReadFileText(const std::string& strPath);
std::string ExeFolder();
std::string WindowText(HWND hWnd);
std::string ItemText(HWND hDlg, int nId);
/// The texts of a window's child windows in their order, of one window class when given.
std::vector<std::string> ChildTexts(HWND hWnd, const char* pszClass = nullptr);
/// Writes n little-endian at nPos, as the archive's fields are stored.
void PutLe32(std::string& s, size_t nPos, uint32_t n);
/// A visible message box of another process (the splash has no text control 0xFFFF), or null.
HWND FindMessageBoxOfProcess(DWORD dwProcessId);

/** What a program started as its own process showed and how it ended. */
struct ProgramRun
{
    bool bBoxSeen = false;       ///< a message box came up (and was answered)
    std::string strText, strCaption;
    bool bFrameShown = false;    ///< its main window was visible while the box was awaited
    DWORD dwExit = STILL_ACTIVE; ///< STILL_ACTIVE when it had to be ended
};
/// Starts quarnel.exe with the arguments (each quoted), answers its first message box with
/// nAnswer, and waits for it to end.
ProgramRun RunQuarnel(const std::vector<std::string>& arrArgs, int nAnswer = IDOK);
/// The same for another program (one that may show no box at all).
ProgramRun RunProgram(const std::string& strExe, const std::vector<std::string>& arrArgs, int nAnswer = IDOK);
