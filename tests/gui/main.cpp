// main.cpp: runs the GUI tests with a watchdog, so a hung dialog fails the run instead of stalling it.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include <thread>

std::string g_strScreenshotFolder;
extern void (*g_pfnHarnessFailure)(const std::string& strWhat);
std::string ExeFolder();

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    g_pfnHarnessFailure = [](const std::string& strWhat) { ADD_FAILURE() << strWhat; };
    // Screenshots go to the folder given, else next to the program, so that a run by hand checks
    // them the same way.
    g_strScreenshotFolder = ExeFolder() + "screenshots";
    for (int i = 1; i < argc; ++i)
    {
        if (std::strncmp(argv[i], "--screenshots=", 14) == 0 && argv[i][14])
            g_strScreenshotFolder = argv[i] + 14;
    }
    if (g_strScreenshotFolder.back() != '\\')
        g_strScreenshotFolder += '\\';
    ::CreateDirectoryA(g_strScreenshotFolder.c_str(), nullptr);
    std::thread([] {
        ::Sleep(300000);
        std::fprintf(stderr, "watchdog: the GUI tests hung\n");
        ::ExitProcess(99);
    }).detach();
    return RUN_ALL_TESTS();
}
