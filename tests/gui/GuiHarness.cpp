// GuiHarness.cpp
#include "GuiHarness.h"
#include <cstdio>
#include <cstring>
#include "framework/base/MessageSink.h"
#include "ui/ErrorDetailsDialog.h"

extern std::string g_strScreenshotFolder;

CGuiHarness::CGuiHarness() = default;

CGuiHarness::~CGuiHarness()
{
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
        return m_nAnswer;
    });
    CErrorDetailsDialog::SetSink([this](const std::string& strHeader, const std::string& strDetails) {
        m_details.push_back({ strHeader, strDetails });
        m_messages.push_back({ strHeader + "\r\n" + strDetails, "Error details", 0 });
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
    char sz[512] = "";
    ::GetWindowTextA(Frame()->m_hWnd, sz, sizeof(sz));
    return sz;
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

void CGuiHarness::Command(UINT nID)
{
    ::SendMessageA(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(nID, 0), 0);
    Pump();
}

std::string ExeFolder()
{
    char sz[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, sz, sizeof(sz));
    std::string str = sz;
    return str.substr(0, str.rfind('\\') + 1);
}

std::string MakeTestFolder(const std::string& strName)
{
    char szTemp[MAX_PATH] = "";
    ::GetTempPathA(sizeof(szTemp), szTemp);
    std::string strFolder = std::string(szTemp) + "quarnel-gui-" + strName + "\\";
    // Empty it from an earlier run: files only, the tests make no sub-folders.
    WIN32_FIND_DATAA fd;
    HANDLE hFind = ::FindFirstFileA((strFolder + "*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileA((strFolder + fd.cFileName).c_str());
        } while (::FindNextFileA(hFind, &fd));
        ::FindClose(hFind);
    }
    ::CreateDirectoryA(strFolder.c_str(), nullptr);
    return strFolder;
}

void WriteFileBytes(const std::string& strPath, size_t nSize, char chFill)
{
    FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile)
        return;
    std::string strData(nSize, chFill);
    std::fwrite(strData.data(), 1, strData.size(), pFile);
    std::fclose(pFile);
}

bool MakeArchive(const std::string& strArchive, const std::vector<std::string>& arrFiles)
{
    CQuarnelDoc doc;
    doc.OnNewDocument();
    for (const std::string& strFile : arrFiles)
    {
        if (doc.AddFile(strFile) < 0)
            return false;
    }
    return doc.OnSaveDocument(strArchive);
}

bool SaveWindowShot(HWND hWnd, const std::string& strName)
{
    if (g_strScreenshotFolder.empty())
        return false;
    // Repaint first when the window is ours; another thread's window (the splash during the
    // start-up wait) is taken as it stands on the screen.
    if (::GetWindowThreadProcessId(hWnd, nullptr) == ::GetCurrentThreadId())
    {
        ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        // Wine hands a window's drawing to the X server while its thread looks at its
        // message queue, so keep looking for a moment before reading the screen.
        for (int i = 0; i < 10; ++i)
        {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            {
                if (msg.message == WM_QUIT)
                {
                    ::PostQuitMessage(static_cast<int>(msg.wParam));
                    break;
                }
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            ::Sleep(30);
        }
    }
    return SaveScreenShotOf(hWnd, strName);
}

bool SaveScreenShotOf(HWND hWnd, const std::string& strName)
{
    RECT rc;
    if (g_strScreenshotFolder.empty() || !::GetWindowRect(hWnd, &rc) || rc.right <= rc.left || rc.bottom <= rc.top)
        return false;
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    HDC hdcScreen = ::GetDC(nullptr);
    HDC hdcMem = ::CreateCompatibleDC(hdcScreen);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    HBITMAP hbm = ::CreateDIBSection(hdcScreen, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ hOld = ::SelectObject(hdcMem, hbm);
    ::BitBlt(hdcMem, 0, 0, cx, cy, hdcScreen, rc.left, rc.top, SRCCOPY);
    ::SelectObject(hdcMem, hOld);
    ::GdiFlush();

    bool bOk = false;
    int nStride = ((cx * 3) + 3) & ~3;
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof(bfh) + sizeof(bmi.bmiHeader);
    bfh.bfSize = bfh.bfOffBits + nStride * cy;
    FILE* pFile = std::fopen((g_strScreenshotFolder + strName + ".bmp").c_str(), "wb");
    if (pFile)
    {
        std::fwrite(&bfh, sizeof(bfh), 1, pFile);
        std::fwrite(&bmi.bmiHeader, sizeof(bmi.bmiHeader), 1, pFile);
        std::fwrite(pBits, 1, static_cast<size_t>(nStride) * cy, pFile);
        bOk = std::fclose(pFile) == 0;
    }
    ::DeleteObject(hbm);
    ::DeleteDC(hdcMem);
    ::ReleaseDC(nullptr, hdcScreen);
    return bOk;
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

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b)
{
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

void PutLe32(std::string& s, size_t nPos, uint32_t n)
{
    for (int i = 0; i < 4; ++i)
        s[nPos + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
}
