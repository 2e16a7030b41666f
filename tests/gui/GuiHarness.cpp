// GuiHarness.cpp
#include "GuiHarness.h"
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include "framework/base/MessageSink.h"
#include "res/resource.h"
#include "ui/ErrorDetailsDialog.h"

/// Set by the GUI test main to the test framework's failure; a benchmark leaves it null.
void (*g_pfnHarnessFailure)(const std::string& strWhat) = nullptr;

void HarnessFailure(const std::string& strWhat)
{
    if (g_pfnHarnessFailure)
        g_pfnHarnessFailure(strWhat);
    else
        std::fprintf(stderr, "harness: %s\n", strWhat.c_str());
}

CGuiHarness::CGuiHarness() = default;

CGuiHarness::~CGuiHarness()
{
    if (m_bStrict && m_nUnread)
    {
        std::string strTexts;
        for (const RecordedMessage& m : TakeMessages())
            strTexts += "\n\"" + m.strText + "\" (" + m.strCaption + ")";
        HarnessFailure("a message nobody looked at:" + strTexts);
    }
    m_pApp.reset();
    // Let the destroyed windows' last messages through before the next test starts.
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (msg.message != WM_QUIT)
            ::DispatchMessageA(&msg);
    }
    SetMessageBoxSink(nullptr);
    CErrorDetailsDialog::SetSink(nullptr);
}

bool CGuiHarness::Start(const std::vector<std::string>& arrArgs, DWORD dwSplashDelayMs)
{
    m_pApp.reset(new CQuarnelApp);
    m_pApp->m_arrArgs = arrArgs;
    m_pApp->m_dwSplashDelayMs = dwSplashDelayMs;
    SetMessageBoxSink([this](const std::string& strText, const std::string& strCaption, unsigned nFlags) {
        m_messages.push_back({ strText, strCaption, nFlags });
        ++m_nUnread;
        if (m_answers.empty())
            return m_nAnswer;
        int nAnswer = m_answers.front();
        m_answers.pop_front();
        return nAnswer;
    });
    CErrorDetailsDialog::SetSink([this](const std::string& strHeader, const std::string& strDetails) {
        m_details.push_back({ strHeader, strDetails });
        m_messages.push_back({ strHeader + "\r\n" + strDetails, "Error details", 0 });
        ++m_nUnread;
    });
    bool bOk = m_pApp->InitInstance();
    if (bOk)
        Pump();
    return bOk;
}

void CGuiHarness::Pump()
{
    if (m_pApp)
        m_pApp->PumpWaitingMessages();
}

int CGuiHarness::RowCount() const
{
    return static_cast<int>(::SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
}

std::string CGuiHarness::Cell(int nRow, int nColumn) const
{
    char sz[1024] = "";
    LVITEMA item = {};
    item.iSubItem = nColumn;
    item.pszText = sz;
    item.cchTextMax = sizeof(sz);
    ::SendMessageA(List(), LVM_GETITEMTEXTA, nRow, reinterpret_cast<LPARAM>(&item));
    return sz;
}

std::vector<std::string> CGuiHarness::Column(int nColumn) const
{
    std::vector<std::string> arr;
    for (int i = 0; i < RowCount(); ++i)
        arr.push_back(Cell(i, nColumn));
    return arr;
}

std::string CGuiHarness::Caption() const
{
    return WindowText(Frame()->m_hWnd);
}

std::vector<std::string> CGuiHarness::HeaderTexts() const
{
    HWND hHeader = reinterpret_cast<HWND>(::SendMessageA(List(), LVM_GETHEADER, 0, 0));
    std::vector<std::string> arr(static_cast<size_t>(::SendMessageA(hHeader, HDM_GETITEMCOUNT, 0, 0)));
    for (size_t i = 0; i < arr.size(); ++i)
    {
        char sz[256] = "";
        HDITEMA item = {};
        item.mask = HDI_TEXT;
        item.pszText = sz;
        item.cchTextMax = sizeof(sz);
        ::SendMessageA(hHeader, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        arr[i] = sz;
    }
    return arr;
}

std::string CGuiHarness::StatusPane(int nPane) const
{
    char sz[512] = "";
    ::SendMessageA(Frame()->GetStatusBar().m_hWnd, SB_GETTEXTA, nPane, reinterpret_cast<LPARAM>(sz));
    return sz;
}

void CGuiHarness::SelectRow(int nRow, bool bSelected)
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = bSelected ? LVIS_SELECTED : 0;
    ::SendMessageA(List(), LVM_SETITEMSTATE, nRow, reinterpret_cast<LPARAM>(&item));
}

void CGuiHarness::SelectOnly(const std::vector<int>& arrRows)
{
    SelectRow(-1, false);   // -1: every row
    for (int nRow : arrRows)
        SelectRow(nRow);
}

void CGuiHarness::Command(UINT nID)
{
    ::SendMessageA(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(nID, 0), 0);
    Pump();
}

std::vector<std::string> CGuiHarness::Command(UINT nID, std::vector<Step> arrSteps)
{
    return WithSteps(std::move(arrSteps), [&] { Command(nID); });
}

void CGuiHarness::Key(const std::string& strKeys)
{
    if (!::GetFocus())
        ::SetFocus(List());
    PressKeys(strKeys);
    // Hardware input arrives through the server: pump until the queue has stayed empty a while.
    for (int i = 0, nQuiet = 0; i < 200 && nQuiet < 3; ++i)
    {
        Pump();
        nQuiet = HIWORD(::GetQueueStatus(QS_INPUT)) ? 0 : nQuiet + 1;
        ::Sleep(10);
    }
}

void CGuiHarness::Answer(const std::vector<int>& arrAnswers)
{
    m_answers.insert(m_answers.end(), arrAnswers.begin(), arrAnswers.end());
}

void CGuiHarness::AnswerAdd(const std::vector<std::string>& arrParts, DWORD dwError)
{
    m_addAnswers.push_back({ arrParts, dwError });
    Frame()->m_fnRunAddDialog = [this](OPENFILENAMEA& ofn, DWORD& dwOutError) {
        m_lastAddDialog = ofn;
        dwOutError = 0;
        if (m_addAnswers.empty())
        {
            HarnessFailure("an Add dialog with no answer queued (cancelled)");
            return false;
        }
        auto answer = m_addAnswers.front();
        m_addAnswers.pop_front();
        dwOutError = answer.second;
        std::string strBuffer;
        for (const std::string& strPart : answer.first)
            strBuffer += strPart + '\0';
        if (strBuffer.empty())
            return false;
        strBuffer += '\0';
        if (strBuffer.size() > ofn.nMaxFile)
        {
            HarnessFailure("the Add dialog's answer does not fit its buffer");
            return false;
        }
        std::memcpy(ofn.lpstrFile, strBuffer.data(), strBuffer.size());
        return true;
    };
}

void CGuiHarness::AnswerFolder(const std::string& strFolder)
{
    m_folderAnswers.push_back(strFolder);
    Frame()->m_fnChooseFolder = [this](const std::string& strStart, std::string& strOut) {
        m_strPickerStart = strStart;
        if (m_folderAnswers.empty())
        {
            HarnessFailure("a folder picker with no answer queued (cancelled)");
            return IDCANCEL;
        }
        strOut = m_folderAnswers.front();
        m_folderAnswers.pop_front();
        return strOut.empty() ? IDCANCEL : IDOK;
    };
}

RecordedMessage CGuiHarness::TakeMessage()
{
    std::vector<RecordedMessage> arrTaken = TakeMessages();
    RecordedMessage taken = arrTaken.empty() ? RecordedMessage() : arrTaken.back();
    if (arrTaken.size() > 1)
    {
        taken.strText.clear();
        for (const RecordedMessage& m : arrTaken)
            taken.strText += (taken.strText.empty() ? "" : "\n") + m.strText;
        HarnessFailure("more than one message since the last look:\n" + taken.strText);
    }
    return taken;
}

void CGuiHarness::ExpectMessage(const std::string& strPart)
{
    RecordedMessage m = TakeMessage();
    if (m.strCaption.empty() && m.strText.empty())
        HarnessFailure("no message came; expected one saying \"" + strPart + "\"");
    else if (m.strText.find(strPart) == std::string::npos)
        HarnessFailure("expected a message saying \"" + strPart + "\", got \"" + m.strText + "\"");
}

std::vector<RecordedMessage> CGuiHarness::TakeMessages()
{
    size_t nUnread = std::min(m_nUnread, m_messages.size());
    m_nUnread = 0;
    return std::vector<RecordedMessage>(m_messages.end() - nUnread, m_messages.end());
}

RecordedDetails CGuiHarness::TakeDetails()
{
    RecordedMessage m = TakeMessage();
    if (m.strCaption != "Error details" || m_details.empty())
    {
        HarnessFailure("expected an error-details dialog, got \"" + m.strText + "\"");
        return {};
    }
    return m_details.back();
}

void PrintTo(const RecordedMessage& m, std::ostream* os)
{
    *os << '"' << m.strText << '"';
    if (!m.strCaption.empty())
        *os << " (caption \"" << m.strCaption << "\", flags 0x" << std::hex << m.nFlags << std::dec << ')';
}

void CGuiHarness::FocusRow(int nRow)
{
    SelectRow(-1, false);
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(List(), LVM_SETITEMSTATE, nRow, reinterpret_cast<LPARAM>(&item));
    ::SendMessageA(List(), LVM_ENSUREVISIBLE, nRow, FALSE);
    Pump();
}

void CGuiHarness::AddFiles(const std::vector<std::string>& arrPaths)
{
    if (arrPaths.size() == 1)
        AnswerAdd(arrPaths);
    else
    {
        std::vector<std::string> arrParts;
        for (const std::string& strPath : arrPaths)
        {
            size_t nSlash = strPath.rfind('\\');
            std::string strFolder = strPath.substr(0, nSlash), strName = strPath.substr(nSlash + 1);
            if (arrParts.empty())
                arrParts.push_back(strFolder);
            else if (arrParts.front() != strFolder)
                HarnessFailure("AddFiles: " + strPath + " is not in " + arrParts.front());
            arrParts.push_back(strName);
        }
        AnswerAdd(arrParts);
    }
    Command(ID_EDIT_ADD);
}

bool CGuiHarness::WaitUntil(const std::function<bool()>& fnDone, const std::string& strWhat, DWORD dwTimeoutMs)
{
    DWORD dwStart = ::GetTickCount();
    while (!fnDone())
    {
        if (::GetTickCount() - dwStart > dwTimeoutMs)
        {
            HarnessFailure("waited " + std::to_string(dwTimeoutMs) + " ms for " + strWhat + " in vain");
            return false;
        }
        Pump();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void CGuiHarness::PumpFor(DWORD dwMs)
{
    DWORD dwStart = ::GetTickCount();
    WaitUntil([&] { return ::GetTickCount() - dwStart >= dwMs; }, "the time to pass", dwMs + 1000);
}

std::string ExeFolder()
{
    char sz[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, sz, sizeof(sz));
    std::string str = sz;
    return str.substr(0, str.rfind('\\') + 1);
}

namespace
{
/// Calls fn for every file and folder below strFolder (ending in a backslash), the deepest first.
void ForEachBelow(const std::string& strFolder, const std::function<void(const std::string&, DWORD)>& fn)
{
    WIN32_FIND_DATAA fd;
    HANDLE hFind = ::FindFirstFileA((strFolder + "*").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do
    {
        std::string strName = fd.cFileName;
        if (strName == "." || strName == "..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ForEachBelow(strFolder + strName + "\\", fn);
        fn(strFolder + strName, fd.dwFileAttributes);
    } while (::FindNextFileA(hFind, &fd));
    ::FindClose(hFind);
}

void ClearReadOnly(const std::string& strPath, DWORD dwAttributes)
{
    if (dwAttributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesA(strPath.c_str(), dwAttributes & ~FILE_ATTRIBUTE_READONLY);
}

/// The folder, made empty (of what an earlier run left); ends in a backslash.
std::string EmptyFolder(const std::string& strFolder)
{
    ForEachBelow(strFolder, [](const std::string& strPath, DWORD dwAttributes) {
        ClearReadOnly(strPath, dwAttributes);
        if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ::RemoveDirectoryA(strPath.c_str());
        else
            ::DeleteFileA(strPath.c_str());
    });
    ::CreateDirectoryA(strFolder.c_str(), nullptr);
    return strFolder;
}

std::string TempFolder()
{
    char szTemp[MAX_PATH] = "";
    ::GetTempPathA(sizeof(szTemp), szTemp);
    return szTemp;
}
}

CTestFolder::CTestFolder(const std::string& strName) : m_strPath(EmptyFolder(TempFolder() + "quarnel-gui-" + strName + "\\")) {}

CTestFolder::~CTestFolder()
{
    ForEachBelow(m_strPath, &ClearReadOnly);
}

std::string CTestFolder::File(const std::string& strName, size_t nSize, char chFill) const
{
    return File(strName, std::string(nSize, chFill));
}

std::string CTestFolder::File(const std::string& strName, const std::string& strBytes) const
{
    std::string strPath = m_strPath + strName;
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(strBytes.data(), static_cast<std::streamsize>(strBytes.size()));
    if (!out.flush())
        HarnessFailure("could not write " + strPath);
    return strPath;
}

std::string CTestFolder::Archive(const std::string& strName,
                                 const std::vector<std::pair<std::string, std::string>>& arrMembers) const
{
    return File(strName, BuildArchive(arrMembers));
}

std::string CTestFolder::Sub(const std::string& strName) const
{
    return EmptyFolder(m_strPath + strName + "\\");
}

std::string CTestFolder::Read(const std::string& strName) const
{
    return ReadFileText(m_strPath + strName);
}

bool CTestFolder::Exists(const std::string& strName) const
{
    return ::GetFileAttributesA((m_strPath + strName).c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace
{
bool ReadWhole(const std::string& strPath, std::string& strData)
{
    std::ifstream in(strPath, std::ios::binary);
    if (!in)
        return false;
    strData.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

uint32_t GetLe32(const std::string& s, size_t nPos)
{
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
        n = (n << 8) | static_cast<unsigned char>(s[nPos + i]);
    return n;
}

size_t RoundUp(size_t n)
{
    return (n + 2047) / 2048 * 2048;
}
}

std::string ReadFileText(const std::string& strPath)
{
    std::string strData;
    return ReadWhole(strPath, strData) ? strData : "<missing>";
}

std::string BuildArchive(const std::vector<std::pair<std::string, std::string>>& arrMembers)
{
    std::string data(2048 + RoundUp(arrMembers.size() * 64), '\0');
    PutLe32(data, 0, 0x51890ACE);
    PutLe32(data, 4, 1);
    PutLe32(data, 8, static_cast<uint32_t>(arrMembers.size()));
    for (size_t i = 0; i < arrMembers.size(); ++i)
    {
        // A name of 60 bytes fills its field with no zero byte; longer ones are cut.
        data.replace(2048 + 64 * i, std::min<size_t>(arrMembers[i].first.size(), 60), arrMembers[i].first.substr(0, 60));
        PutLe32(data, 2048 + 64 * i + 60, static_cast<uint32_t>(arrMembers[i].second.size()));
    }
    for (const auto& member : arrMembers)
        data += member.second + std::string(RoundUp(member.second.size()) - member.second.size(), '\0');
    PutLe32(data, 12, static_cast<uint32_t>(data.size()));
    return data;
}

bool WriteArchive(const std::string& strPath, const std::vector<std::pair<std::string, std::string>>& arrMembers)
{
    std::string data = BuildArchive(arrMembers);
    return static_cast<bool>(std::ofstream(strPath, std::ios::binary | std::ios::trunc).write(data.data(), data.size()).flush());
}

std::vector<ArchiveMember> ReadArchive(const std::string& strPath)
{
    std::string data;
    if (!ReadWhole(strPath, data))
    {
        HarnessFailure("cannot read the archive " + strPath);
        return {};
    }
    if (data.size() < 2048 || GetLe32(data, 0) != 0x51890ACE || GetLe32(data, 4) != 1)
    {
        HarnessFailure("not an archive (header): " + strPath);
        return {};
    }
    size_t nCount = GetLe32(data, 8);
    size_t nAt = 2048 + RoundUp(nCount * 64);
    if (nAt > data.size())
    {
        HarnessFailure("the directory runs past the end: " + strPath);
        return {};
    }
    std::vector<ArchiveMember> arrMembers;
    for (size_t i = 0; i < nCount; ++i)
    {
        std::string strField = data.substr(2048 + 64 * i, 60);
        size_t nSize = GetLe32(data, 2048 + 64 * i + 60);
        if (nAt + nSize > data.size())
        {
            HarnessFailure("member " + std::to_string(i) + " runs past the end: " + strPath);
            return {};
        }
        arrMembers.push_back({ strField.substr(0, strField.find('\0')), data.substr(nAt, nSize) });
        nAt += RoundUp(nSize);
    }
    if (GetLe32(data, 12) != data.size() || nAt != data.size())
    {
        HarnessFailure("the total size, the members and the file's length disagree: " + strPath);
        return {};
    }
    return arrMembers;
}

HWND FindMessageBoxOfProcess(DWORD dwProcessId)
{
    struct Search { DWORD dwPid; HWND hBox; } search = { dwProcessId, nullptr };
    ::EnumWindows([](HWND hWnd, LPARAM lParam) -> BOOL {
        Search* pSearch = reinterpret_cast<Search*>(lParam);
        DWORD dwPid = 0;
        ::GetWindowThreadProcessId(hWnd, &dwPid);
        char szClass[64] = "";
        ::GetClassNameA(hWnd, szClass, sizeof(szClass));
        if (dwPid == pSearch->dwPid && strcmp(szClass, "#32770") == 0 && ::IsWindowVisible(hWnd) &&
            ::GetDlgItem(hWnd, 0xFFFF))
        {
            pSearch->hBox = hWnd;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.hBox;
}

void PutLe32(std::string& s, size_t nPos, uint32_t n)
{
    for (int i = 0; i < 4; ++i)
        s[nPos + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
}

std::string WindowText(HWND hWnd)
{
    int n = ::GetWindowTextLengthA(hWnd);
    std::string str(static_cast<size_t>(n) + 1, '\0');
    n = ::GetWindowTextA(hWnd, &str[0], n + 1);
    str.resize(static_cast<size_t>(n));
    return str;
}

std::string ItemText(HWND hDlg, int nId)
{
    return WindowText(::GetDlgItem(hDlg, nId));
}

std::vector<std::string> ChildTexts(HWND hWnd, const char* pszClass)
{
    struct Search { const char* pszClass; std::vector<std::string> arr; } search = { pszClass, {} };
    ::EnumChildWindows(hWnd, [](HWND hChild, LPARAM lParam) -> BOOL {
        Search& s = *reinterpret_cast<Search*>(lParam);
        char szClass[64] = "";
        ::GetClassNameA(hChild, szClass, sizeof(szClass));
        if (!s.pszClass || _stricmp(szClass, s.pszClass) == 0)
            s.arr.push_back(WindowText(hChild));
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.arr;
}

// Keys by name, as the tests spell them.

namespace
{
struct KeyPress
{
    std::vector<BYTE> arrModifiers;
    BYTE vk = 0;
};

KeyPress ParseKey(const std::string& strToken)
{
    static const struct { const char* pszName; BYTE vk; } kNames[] = {
        { "Ctrl", VK_CONTROL }, { "Shift", VK_SHIFT }, { "Alt", VK_MENU }, { "Del", VK_DELETE },
        { "Enter", VK_RETURN }, { "Esc", VK_ESCAPE }, { "Tab", VK_TAB }, { "Space", VK_SPACE },
        { "Up", VK_UP }, { "Down", VK_DOWN }, { "Left", VK_LEFT }, { "Right", VK_RIGHT },
        { "Home", VK_HOME }, { "End", VK_END }, { "Apps", VK_APPS }, { "Back", VK_BACK },
        { "Ins", VK_INSERT },
    };
    KeyPress key;
    size_t nStart = 0;
    while (nStart <= strToken.size())
    {
        size_t nPlus = strToken.find('+', nStart + 1);   // "Ctrl++" would be Ctrl and "+"
        std::string strName = strToken.substr(nStart, nPlus == std::string::npos ? std::string::npos : nPlus - nStart);
        BYTE vk = 0;
        for (const auto& k : kNames)
            vk = _stricmp(k.pszName, strName.c_str()) == 0 ? k.vk : vk;
        if (!vk && strName.size() >= 2 && (strName[0] == 'F' || strName[0] == 'f') && std::atoi(strName.c_str() + 1) > 0)
            vk = static_cast<BYTE>(VK_F1 + std::atoi(strName.c_str() + 1) - 1);
        if (!vk && strName.size() == 1)
            vk = LOBYTE(::VkKeyScanA(static_cast<char>(::tolower(static_cast<unsigned char>(strName[0])))));
        if (!vk)
            HarnessFailure("no such key: " + strName);
        if (nPlus == std::string::npos)
        {
            key.vk = vk;
            break;
        }
        key.arrModifiers.push_back(vk);
        nStart = nPlus + 1;
    }
    return key;
}

std::vector<KeyPress> ParseKeys(const std::string& strKeys)
{
    std::vector<KeyPress> arrKeys;
    size_t nStart = 0;
    while (nStart < strKeys.size())
    {
        size_t nEnd = strKeys.find(' ', nStart);
        std::string strToken = strKeys.substr(nStart, nEnd == std::string::npos ? std::string::npos : nEnd - nStart);
        if (!strToken.empty())
            arrKeys.push_back(ParseKey(strToken));
        nStart = nEnd == std::string::npos ? strKeys.size() : nEnd + 1;
    }
    return arrKeys;
}

void KeyEvent(BYTE vk, bool bUp)
{
    bool bExtended = vk == VK_DELETE || vk == VK_INSERT || (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_APPS;
    ::keybd_event(vk, static_cast<BYTE>(::MapVirtualKeyA(vk, 0)),
                  (bExtended ? KEYEVENTF_EXTENDEDKEY : 0) | (bUp ? KEYEVENTF_KEYUP : 0), 0);
}
}

void PressKeys(const std::string& strKeys)
{
    for (const KeyPress& key : ParseKeys(strKeys))
    {
        for (BYTE vk : key.arrModifiers)
            KeyEvent(vk, false);
        KeyEvent(key.vk, false);
        KeyEvent(key.vk, true);
        for (auto it = key.arrModifiers.rbegin(); it != key.arrModifiers.rend(); ++it)
            KeyEvent(*it, true);
    }
}

// Modal windows met by steps.

namespace
{
const DWORD kStepWaitMs = 10000;   // generous: the machine may be busy
CModalSteps* s_pActiveSteps = nullptr;

bool IsClass(HWND hWnd, const char* pszClass)
{
    char szClass[32] = "";
    ::GetClassNameA(hWnd, szClass, sizeof(szClass));
    return std::strcmp(szClass, pszClass) == 0;
}

/// The window a user of this thread now faces: an open popup menu, else the topmost enabled dialog.
HWND FrontWindow(bool& bMenu)
{
    struct Found { HWND hMenu, hDialog; } found = { nullptr, nullptr };
    ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND hWnd, LPARAM lParam) -> BOOL {
        Found& f = *reinterpret_cast<Found*>(lParam);
        if (!::IsWindowVisible(hWnd))
            return TRUE;
        if (!f.hMenu && IsClass(hWnd, "#32768"))
            f.hMenu = hWnd;
        else if (!f.hDialog && IsClass(hWnd, "#32770") && ::IsWindowEnabled(hWnd))
            f.hDialog = hWnd;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    if (!found.hMenu)
    {
        // A popup menu's window may belong to no thread's list; take it when this thread shows it.
        HWND hMenu = ::FindWindowA("#32768", nullptr);
        if (hMenu && ::IsWindowVisible(hMenu) && ::GetWindowThreadProcessId(hMenu, nullptr) == ::GetCurrentThreadId())
            found.hMenu = hMenu;
    }
    bMenu = found.hMenu != nullptr;
    return found.hMenu ? found.hMenu : found.hDialog;
}

std::string Describe(HWND hWnd, bool bMenu)
{
    return bMenu ? std::string("popup menu") : "dialog \"" + WindowText(hWnd) + "\"";
}

void CloseWindow(HWND hWnd, bool bMenu)
{
    if (bMenu)
    {
        ::EndMenu();
        return;
    }
    ::PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
}
}

Step Press(int nButton, const std::string& strWindow)
{
    return { strWindow, [nButton](HWND hDlg) {
        ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nButton, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, nButton)));
        return true;
    } };
}

Step SaveAs(const std::string& strPath, const std::string& strWindow)
{
    return { strWindow, [strPath](HWND hDlg) {
        // The name box: an edit box in older dialogs, a combo box in newer ones.
        ::SetDlgItemTextA(hDlg, 0x480 /* edt1 */, strPath.c_str());
        ::SetDlgItemTextA(hDlg, 0x47C /* cmb13 */, strPath.c_str());
        ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    } };
}

Step MenuKeys(const std::string& strKeys)
{
    return { "menu", [strKeys](HWND hMenu) {
        // Keys go to whatever window of the thread: the menu's loop reads them all.
        for (const KeyPress& key : ParseKeys(strKeys))
        {
            ::PostMessageA(hMenu, WM_KEYDOWN, key.vk, 1);
            ::PostMessageA(hMenu, WM_KEYUP, key.vk, static_cast<LPARAM>(0xC0000001u));
        }
        return true;
    } };
}

Step InMenu(const std::string& strKeys, std::function<void(HWND)> fn)
{
    auto pbPosted = std::make_shared<bool>(false);
    Step keys = MenuKeys(strKeys);
    return When([keys, pbPosted](HWND hMenuWnd) {
                    MSG msg;
                    *pbPosted = *pbPosted || keys.fnAct(hMenuWnd);
                    return !::PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE);
                },
                { "menu", [fn](HWND hMenuWnd) {
                     if (fn)
                         fn(hMenuWnd);
                     ::EndMenu();
                     return true;
                 } });
}

Step Look(const std::string& strWindow, std::function<void(HWND)> fn, int nButton)
{
    return { strWindow, [fn, nButton](HWND hDlg) {
        fn(hDlg);
        ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nButton, BN_CLICKED), 0);
        return true;
    } };
}

Step When(std::function<bool(HWND)> fnReady, Step step, DWORD dwAtMostMs)
{
    auto pdwFirst = std::make_shared<DWORD>(0);
    return { step.strWindow, [fnReady, step, dwAtMostMs, pdwFirst](HWND hWnd) {
        DWORD dwNow = ::GetTickCount();
        if (!*pdwFirst)
            *pdwFirst = dwNow;
        bool bTimeUp = dwAtMostMs && dwNow - *pdwFirst >= dwAtMostMs;
        return (fnReady(hWnd) || bTimeUp) && step.fnAct(hWnd);
    } };
}

CModalSteps::CModalSteps(std::vector<Step> arrSteps, UINT nTickMs) : m_arrSteps(std::move(arrSteps)), m_dwWaitStart(::GetTickCount())
{
    if (s_pActiveSteps)
        HarnessFailure("steps inside steps are not supported");
    s_pActiveSteps = this;
    m_nTimer = ::SetTimer(nullptr, 0, nTickMs, &CModalSteps::OnTimer);
}

CModalSteps::~CModalSteps()
{
    ::KillTimer(nullptr, m_nTimer);
    if (s_pActiveSteps == this)
        s_pActiveSteps = nullptr;
    if (!m_bFailed && m_nNext < m_arrSteps.size())
        HarnessFailure("no window for step " + std::to_string(m_nNext + 1) + " (\"" + m_arrSteps[m_nNext].strWindow +
                       "\") came up");
}

void CALLBACK CModalSteps::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (s_pActiveSteps)
        s_pActiveSteps->Tick();
}

void CModalSteps::Tick()
{
    // A step that pumps (a screenshot does) would run this again from inside itself.
    if (m_bBusy)
        return;
    struct CBusy { bool& b; CBusy(bool& bFlag) : b(bFlag) { b = true; } ~CBusy() { b = false; } } busy(m_bBusy);
    bool bMenu = false;
    HWND hWnd = FrontWindow(bMenu);
    bool bWaiting = !m_bFailed && m_nNext < m_arrSteps.size();
    bool bLate = ::GetTickCount() - m_dwWaitStart > kStepWaitMs;
    if (bWaiting && bLate)
    {
        HarnessFailure("step " + std::to_string(m_nNext + 1) + " (\"" + m_arrSteps[m_nNext].strWindow +
                       "\") not done within the wait" + (hWnd ? "; closed the " + Describe(hWnd, bMenu) : ""));
        m_bFailed = true;
        if (hWnd)
            CloseWindow(hWnd, bMenu);
        return;
    }
    if (!hWnd)
        return;
    // The last step's window on its way out; one that stays is closed.
    if (hWnd == m_hLast && !m_bFailed)
    {
        if (bLate)
        {
            HarnessFailure("the " + Describe(hWnd, bMenu) + " stayed up after its step; closed it");
            m_bFailed = true;
            CloseWindow(hWnd, bMenu);
        }
        return;
    }
    if (!bWaiting)
    {
        if (!m_bFailed)
            HarnessFailure("an unexpected " + Describe(hWnd, bMenu) + " came up; closed it");
        m_bFailed = true;
        CloseWindow(hWnd, bMenu);
        return;
    }
    const Step& step = m_arrSteps[m_nNext];
    bool bMatches = step.strWindow == "menu" ? bMenu
                                             : !bMenu && WindowText(hWnd).find(step.strWindow) != std::string::npos;
    if (!bMatches)
    {
        HarnessFailure("step " + std::to_string(m_nNext + 1) + " expected \"" + step.strWindow + "\", but a " +
                       Describe(hWnd, bMenu) + " came up; closed it");
        m_bFailed = true;
        CloseWindow(hWnd, bMenu);
        return;
    }
    if (m_arrMet.size() == m_nNext)
        m_arrMet.push_back(bMenu ? "menu" : WindowText(hWnd));
    if (step.fnAct(hWnd))
    {
        m_hLast = hWnd;
        ++m_nNext;
        m_dwWaitStart = ::GetTickCount();
    }
}

std::vector<std::string> WithSteps(std::vector<Step> arrSteps, const std::function<void()>& fn, UINT nTickMs)
{
    CModalSteps steps(std::move(arrSteps), nTickMs);
    fn();
    return steps.m_arrMet;
}

// A program as its own process.

ProgramRun RunQuarnel(const std::vector<std::string>& arrArgs, int nAnswer)
{
    return RunProgram(ExeFolder() + "quarnel.exe", arrArgs, nAnswer);
}

ProgramRun RunProgram(const std::string& strExe, const std::vector<std::string>& arrArgs, int nAnswer)
{
    ProgramRun run;
    std::string strCommand = "\"" + strExe + "\"";
    for (const std::string& strArg : arrArgs)
        strCommand += " \"" + strArg + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    {
        HarnessFailure("could not start " + strCommand);
        return run;
    }
    HWND hBox = nullptr;
    for (int i = 0; i < 300 && !hBox && ::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; ++i)
    {
        hBox = FindMessageBoxOfProcess(pi.dwProcessId);
        HWND hFrame = ::FindWindowA("QuarnelFrame", nullptr);
        DWORD dwPid = 0;
        if (hFrame)
            ::GetWindowThreadProcessId(hFrame, &dwPid);
        run.bFrameShown = run.bFrameShown || (dwPid == pi.dwProcessId && ::IsWindowVisible(hFrame));
        if (!hBox)
            ::Sleep(100);
    }
    if (hBox)
    {
        run.bBoxSeen = true;
        run.strText = ItemText(hBox, 0xFFFF);
        run.strCaption = WindowText(hBox);
        ::PostMessageA(hBox, WM_COMMAND, nAnswer, 0);
    }
    if (::WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &run.dwExit);
    else
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return run;
}
