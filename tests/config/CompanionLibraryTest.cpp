// CompanionLibraryTest.cpp: the calls into the companion library, and our qx_tools.dll's
// windows, met, read, photographed and closed by the harness's steps while the export runs.
#include "config/CompanionLibrary.h"

#include "config/SettingsStore.h"
#include "config/SharedConfiguration.h"
#include "tests/config/ConfigTestSupport.h"
#include "GuiHarness.h"
#include "companion/QxToolsRes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cfgtest;

namespace {

// What a step read from the library's dialog before it closed it.
struct DialogProbe
{
    std::vector<std::string> arrMet;    // captions of the dialogs met
    bool bShotTaken = false;
    bool bOwnedByThread = false;
    std::string strCaption;
    std::vector<std::pair<int, std::string>> texts;
    LRESULT nDefaultId = 0;
    int nFocusId = 0;
    bool bOpenPageButton = false;
};

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
    // Calls the export while a step reads its dialog, photographs it (when named) and closes it.
    bool CallAndClose(const char* pszExport, DialogProbe& probe, const char* pszShot = nullptr, int nClose = IDCANCEL)
    {
        bool bCalled = false;
        probe.arrMet = WithSteps({ Look("", [&](HWND hDlg) {
                                       probe.bOwnedByThread = GetWindowThreadProcessId(hDlg, NULL) == GetCurrentThreadId();
                                       probe.strCaption = WindowText(hDlg);
                                       for (int nId : { IDC_QX_PROGRAM, IDC_QX_VERSION, IDC_QX_BUILD, IDC_QX_CODER,
                                                        IDC_QX_PURPOSE, IDC_QX_LICENCE })
                                           probe.texts.emplace_back(nId, ItemText(hDlg, nId));
                                       probe.nDefaultId = LOWORD(SendMessageA(hDlg, DM_GETDEFID, 0, 0));
                                       probe.nFocusId = GetDlgCtrlID(GetFocus());
                                       probe.bOpenPageButton = GetDlgItem(hDlg, IDC_QX_OPEN_PAGE) != NULL;
                                       probe.bShotTaken = pszShot && SaveWindowShot(hDlg, pszShot);
                                   }, nClose) },
                                 [&] { bCalled = CallCompanionLibrary(pszExport); });
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
    ASSERT_TRUE(CallAndClose(COMPANION_EXPORT_ABOUT, probe, "qx_about", IDOK));
    ASSERT_EQ(1u, probe.arrMet.size());
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
    ASSERT_TRUE(CallAndClose(COMPANION_EXPORT_ABOUT, probe, nullptr, IDOK));
    ASSERT_EQ(1u, probe.arrMet.size());
    EXPECT_NE(std::string::npos, ProbeText(probe, IDC_QX_VERSION).find("unknown"));
}

TEST_F(CompanionLibraryTest, VersionCheckShowsInstalledBuildAndOnlyOffersThePage)
{
    ASSERT_TRUE(WriteSharedString(TOOL_REGISTRATION_SUBKEY, "EXE", "C:\\Tools\\QUARNEL.exe"));
    ASSERT_TRUE(WriteSharedString(TOOL_REGISTRATION_SUBKEY, "Version", "V1.0 Beta 02 (Build 06)"));
    ASSERT_TRUE(WriteSharedInt(TOOL_REGISTRATION_SUBKEY, "Build", 6));
    DialogProbe probe;
    ASSERT_TRUE(CallAndClose(COMPANION_EXPORT_VERSION_CHECK, probe, "qx_version_check"));
    ASSERT_EQ(1u, probe.arrMet.size());
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
