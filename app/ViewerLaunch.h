// ViewerLaunch.h: hands the saved archive to the MIRADOR viewer.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

class CQuarnelDoc;

/// The viewer's registration, below the shared key: "Build" (REG_DWORD) and "EXE" (REG_SZ).
inline constexpr char VIEWER_SUBKEY[] = "\\Kestrin Manager Tools\\Kestrin Manager MIRADOR";
inline constexpr char VIEWER_VALUE_BUILD[] = "Build";
inline constexpr char VIEWER_VALUE_EXE[] = "EXE";
/// The oldest build that is started at all, and the oldest that is also given a member.
inline constexpr int VIEWER_MIN_BUILD = 107;
inline constexpr int VIEWER_MEMBER_BUILD = 108;

inline constexpr char VIEWER_NOT_SAVED_TEXT[] = "Error: You need to save to a .VPP first.";
inline constexpr char VIEWER_SAVE_QUESTION[] =
    "Do you want to save change first?\n\nYes:\tSave changed and launch MIRADOR\n"
    "No:\tLaunch MIRADOR with the file in the state it was last saved\nCancel:\tDo not launch MIRADOR";
inline constexpr char VIEWER_NOT_FOUND_TEXT[] =
    "Error: MIRADOR EXE file not found, even though the system reports it is installed. Maybe it is "
    "on a network drive, which is not available at this time or the application was not uninstalled "
    "correctly. Please reinstall MIRADOR to fix this problem.";

/** " @name", which makes the viewer select that member; empty when the name holds a double
    quote or a control character, which would break the viewer's command line. */
std::string MakeViewerMemberArgument(const std::string& strName);

/** The viewer's parameters: the archive path in double quotes, then the member argument. */
std::string MakeViewerParameters(const std::string& strArchive, const std::string& strMemberArgument);

/** True when strExe names an existing file that is not a folder. Unlike FileExists this does
    not open the file, so a viewer that is running (and holds its program file) still counts. */
bool ViewerProgramExists(const std::string& strExe);

/** The text shown when the shell could not start strExe. */
std::string ViewerLaunchFailedText(const std::string& strExe);

/** What a launch needs from the window that asks for it. */
struct ViewerLaunchRequest
{
    CQuarnelDoc* pDoc = nullptr;
    HWND hOwner = nullptr;
    /// The name of the one selected row when the command was given; empty for none or several.
    std::string strSelectedName;
    /// Saves the document as File > Save would (through Save As when the archive file is read-only);
    /// false when the save failed or was cancelled.
    std::function<bool()> fnSave;
};

/** Browse in MIRADOR: checks the registration, offers to save, starts the viewer. */
void BrowseInViewer(const ViewerLaunchRequest& request);
