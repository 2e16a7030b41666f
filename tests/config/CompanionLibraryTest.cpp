// CompanionLibraryTest.cpp: the calls into the companion library, and our qx_tools.dll's
// windows, found, read, photographed and closed from a timer while the export runs.
#include "config/CompanionLibrary.h"

#include "config/SettingsStore.h"
#include "config/SharedConfiguration.h"
#include "tests/config/ConfigTestSupport.h"
#include "companion/QxToolsRes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace cfgtest;

namespace {

// ---- a hang must fail the run, not stall it

DWORD WINAPI WatchdogThread(LPVOID)
{
    Sleep(120000);
    std::fprintf(stderr, "watchdog: a companion window was never closed\n");
    ExitProcess(99);
}

// ---- screenshots: the window as drawn on screen, written as a 24-bit BMP

bool CaptureWindow(HWND hWnd, const std::string& strPath)
{
    RECT rc;
    GetWindowRect(hWnd, &rc);
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    HDC hdcWindow = GetWindowDC(hWnd);
    if (!hdcWindow)
        return false;
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = cy;        // bottom-up, the order of the file
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = NULL;
    HDC hdcMemory = CreateCompatibleDC(hdcWindow);
    HBITMAP hBitmap = CreateDIBSection(hdcWindow, &bmi, DIB_RGB_COLORS, &pBits, NULL, 0);
    bool bOk = false;
    if (hdcMemory && hBitmap)
    {
        HGDIOBJ hOld = SelectObject(hdcMemory, hBitmap);
        bOk = BitBlt(hdcMemory, 0, 0, cx, cy, hdcWindow, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(hdcMemory, hOld);
    }
    if (bOk)
    {
        const DWORD cbRow = ((cx * 3) + 3) & ~3u;
        const DWORD cbImage = cbRow * cy;
        BITMAPFILEHEADER bfh = {};
        bfh.bfType = 0x4D42;
        bfh.bfOffBits = sizeof bfh + sizeof bmi.bmiHeader;
        bfh.bfSize = bfh.bfOffBits + cbImage;
        bmi.bmiHeader.biSizeImage = cbImage;
        std::string strFile(reinterpret_cast<const char*>(&bfh), sizeof bfh);
        strFile.append(reinterpret_cast<const char*>(&bmi.bmiHeader), sizeof bmi.bmiHeader);
        strFile.append(static_cast<const char*>(pBits), cbImage);
        bOk = WriteTextFile(strPath, strFile);
    }
    if (hBitmap)
        DeleteObject(hBitmap);
    if (hdcMemory)
        DeleteDC(hdcMemory);
    ReleaseDC(hWnd, hdcWindow);
    return bOk;
}

// ---- finding and closing the library's dialog from a thread timer

struct DialogProbe
{
    const char* pszShotName = nullptr;  // file name in the screenshot folder, or none
    int nCloseCommand = IDCANCEL;
    int nTicks = 0;
    bool bSeen = false;
    bool bShotTaken = false;
    bool bOwnedByThread = false;
    std::string strCaption;
    std::vector<std::pair<int, std::string>> texts;
    LRESULT nDefaultId = 0;
    int nFocusId = 0;
    bool bOpenPageButton = false;
};

DialogProbe* s_pProbe = nullptr;

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam)
{
    char szClass[32];
    if (IsWindowVisible(hWnd) && GetClassNameA(hWnd, szClass, sizeof szClass) && std::string(szClass) == "#32770")
    {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

std::string ItemText(HWND hDlg, int nId)
{
    char szText[1024] = "";
    GetDlgItemTextA(hDlg, nId, szText, sizeof szText);
    return szText;
}

VOID CALLBACK ProbeTimer(HWND, UINT, UINT_PTR idTimer, DWORD)
{
    HWND hDlg = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&hDlg));
    if (!hDlg || ++s_pProbe->nTicks < 4)    // give the window a few ticks to paint
        return;
    KillTimer(NULL, idTimer);
    DialogProbe& probe = *s_pProbe;
    probe.bSeen = true;
    probe.bOwnedByThread = GetWindowThreadProcessId(hDlg, NULL) == GetCurrentThreadId();
    char szCaption[256] = "";
    GetWindowTextA(hDlg, szCaption, sizeof szCaption);
    probe.strCaption = szCaption;
    for (int nId : { IDC_QX_PROGRAM, IDC_QX_VERSION, IDC_QX_BUILD, IDC_QX_CODER, IDC_QX_PURPOSE, IDC_QX_LICENCE })
        probe.texts.emplace_back(nId, ItemText(hDlg, nId));
    probe.nDefaultId = LOWORD(SendMessageA(hDlg, DM_GETDEFID, 0, 0));
    probe.nFocusId = GetDlgCtrlID(GetFocus());
    probe.bOpenPageButton = GetDlgItem(hDlg, IDC_QX_OPEN_PAGE) != NULL;
    if (probe.pszShotName)
    {
        RedrawWindow(hDlg, NULL, NULL, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
        CreateDirectoryA(QX_SCREENSHOT_DIR, NULL);
        probe.bShotTaken = CaptureWindow(hDlg, std::string(QX_SCREENSHOT_DIR) + "/" + probe.pszShotName);
    }
    PostMessageA(hDlg, WM_COMMAND, probe.nCloseCommand, 0);
}

std::string ProbeText(const DialogProbe& probe, int nId)
{
    for (const auto& text : probe.texts)
        if (text.first == nId)
            return text.second;
    return "<none>";
}

class CompanionLibraryTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        CloseHandle(CreateThread(NULL, 0, WatchdogThread, NULL, 0, NULL));
    }

    // Calls the export with a timer armed to inspect and close its dialog.
    bool CallAndClose(const char* pszExport, DialogProbe& probe)
    {
        s_pProbe = &probe;
        SetTimer(NULL, 0, 100, ProbeTimer);
        const bool bCalled = CallCompanionLibrary(pszExport);
        s_pProbe = nullptr;
        return bCalled;
    }

    CCleanRegistry m_registry;
};

TEST_F(CompanionLibraryTest, MissingLibraryOrExportDoesNothing)
{
    EXPECT_FALSE(CallCompanionLibrary("qx_no_such_library.dll", COMPANION_EXPORT_ABOUT));
    EXPECT_FALSE(CallCompanionLibrary(COMPANION_LIBRARY, "NoSuchExport"));
    EXPECT_EQ(NULL, GetModuleHandleA(COMPANION_LIBRARY));
}

TEST_F(CompanionLibraryTest, LibraryWithOnlyAboutIsLoadedAndReleasedPerCall)
{
    SetEnvironmentVariableA("QX_ABOUT_ONLY_CALLS", "0");
    EXPECT_TRUE(CallCompanionLibrary("qx_about_only.dll", COMPANION_EXPORT_ABOUT));
    EXPECT_EQ(NULL, GetModuleHandleA("qx_about_only.dll"));
    EXPECT_TRUE(CallCompanionLibrary("qx_about_only.dll", COMPANION_EXPORT_ABOUT));
    EXPECT_EQ(NULL, GetModuleHandleA("qx_about_only.dll"));
    EXPECT_FALSE(CallCompanionLibrary("qx_about_only.dll", COMPANION_EXPORT_VERSION_CHECK));
    EXPECT_EQ(NULL, GetModuleHandleA("qx_about_only.dll"));

    char szCount[16] = "";
    GetEnvironmentVariableA("QX_ABOUT_ONLY_CALLS", szCount, sizeof szCount);
    EXPECT_STREQ("2", szCount);
}

TEST_F(CompanionLibraryTest, AboutShowsTheRegisteredVersion)
{
    RegisterModule();       // from the qx_modul.dat beside this program
    DialogProbe probe;
    probe.pszShotName = "qx_about.bmp";
    probe.nCloseCommand = IDOK;
    ASSERT_TRUE(CallAndClose(COMPANION_EXPORT_ABOUT, probe));
    ASSERT_TRUE(probe.bSeen);
    EXPECT_TRUE(probe.bOwnedByThread);
    EXPECT_TRUE(probe.bShotTaken);
    EXPECT_EQ(NULL, GetModuleHandleA(COMPANION_LIBRARY));

    EXPECT_EQ("About Kestrin Manager QUARNEL", probe.strCaption);
    EXPECT_EQ("Kestrin Manager QUARNEL", ProbeText(probe, IDC_QX_PROGRAM));
    EXPECT_EQ("Version V1.0 Beta 02 (Build 06)", ProbeText(probe, IDC_QX_VERSION));
    EXPECT_EQ("Build 6 of " + ReadSharedString(TOOL_REGISTRATION_SUBKEY, "Date"), ProbeText(probe, IDC_QX_BUILD));
    EXPECT_NE(std::string::npos, ProbeText(probe, IDC_QX_PURPOSE).find("VPP archives"));
    EXPECT_NE("", ProbeText(probe, IDC_QX_LICENCE));
}

TEST_F(CompanionLibraryTest, AboutWithoutRegistrationSaysSo)
{
    DialogProbe probe;
    probe.nCloseCommand = IDOK;
    ASSERT_TRUE(CallAndClose(COMPANION_EXPORT_ABOUT, probe));
    ASSERT_TRUE(probe.bSeen);
    EXPECT_NE(std::string::npos, ProbeText(probe, IDC_QX_VERSION).find("unknown"));
}

TEST_F(CompanionLibraryTest, VersionCheckShowsInstalledBuildAndOnlyOffersThePage)
{
    ASSERT_TRUE(WriteSharedString(TOOL_REGISTRATION_SUBKEY, "EXE", "C:\\Tools\\QUARNEL.exe"));
    ASSERT_TRUE(WriteSharedString(TOOL_REGISTRATION_SUBKEY, "Version", "V1.0 Beta 02 (Build 06)"));
    ASSERT_TRUE(WriteSharedInt(TOOL_REGISTRATION_SUBKEY, "Build", 6));
    DialogProbe probe;
    probe.pszShotName = "qx_version_check.bmp";
    ASSERT_TRUE(CallAndClose(COMPANION_EXPORT_VERSION_CHECK, probe));
    ASSERT_TRUE(probe.bSeen);
    EXPECT_TRUE(probe.bShotTaken);
    EXPECT_EQ(NULL, GetModuleHandleA(COMPANION_LIBRARY));

    EXPECT_EQ("Check for new version", probe.strCaption);
    EXPECT_EQ("V1.0 Beta 02 (Build 06)", ProbeText(probe, IDC_QX_VERSION));
    EXPECT_EQ("6", ProbeText(probe, IDC_QX_BUILD));
    EXPECT_TRUE(probe.bOpenPageButton);
    EXPECT_EQ(IDCANCEL, probe.nDefaultId);     // Enter closes; the browser needs a deliberate click
    EXPECT_EQ(IDCANCEL, probe.nFocusId);
}

} // namespace
