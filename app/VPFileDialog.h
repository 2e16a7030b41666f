// VPFileDialog.h: the archive open dialog with its "Quick jump to game directory >" button.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <string>
#include "framework/win/Wnd.h"
#include "menu/OwnerDrawMenu.h"

/**
 * @brief Takes over the system file dialog's frame window, so that the quick-jump button's click
 * reaches us, and keeps the button in place when the user resizes the dialog.
 *
 * The frame window belongs to the system dialog, which may use every slot of the window for
 * itself; the host therefore hooks in with SetWindowSubclass and never writes the window's
 * user data, where our own windows keep their object.
 */
class CQuickJumpHost : public CWnd
{
public:
    CQuickJumpHost() = default;
    ~CQuickJumpHost() override;

    /// Starts receiving the frame window's messages; false when hFrame is null or already taken.
    bool Hook(HWND hFrame);
    /// Gives the frame window back (also done when the window is destroyed).
    void Unhook();

    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

    /// Drops the quick-jump menu down from the button's bottom-left corner; returns when it closes.
    virtual void ShowQuickJumpMenu();

protected:
    /// Loads menu 145 and tracks its first popup at ptScreen, owned by the main window, whose
    /// enable rules and handlers serve its two commands. The one place that shows the menu.
    virtual void TrackQuickJumpMenu(POINT ptScreen);

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR uIdSubclass, DWORD_PTR dwRefData);

    COwnerDrawMenu m_menu;   // menu 145 with the game pictures, drawn in the current look
};

/** @brief File > Open: the Explorer-style open dialog for archives, with the quick jump. */
class CVPFileDialog
{
public:
    explicit CVPFileDialog(HWND hOwner);
    virtual ~CVPFileDialog();
    CVPFileDialog(const CVPFileDialog&) = delete;
    CVPFileDialog& operator=(const CVPFileDialog&) = delete;

    /// Runs the dialog; IDOK with a file chosen, IDCANCEL otherwise.
    int DoModal();
    /// The chosen file after IDOK.
    std::string GetPathName() const { return m_szFile; }

    /// Shows strFolder in the dialog, as if the user had typed it and pressed Open. The dialog
    /// stays open; it reports a folder that does not exist in its own way.
    void JumpToFolder(const std::string& strFolder);

    /// The system dialog's frame window (what the user sees) while the dialog is up.
    HWND GetFrameWindow() const;
    HWND GetQuickJumpButton() const { return m_hButton; }

    /// Height the system dialog grows by to make room for the button, in pixels at 96 DPI (both
    /// lengths are scaled to the dialog's DPI).
    static const int EXTRA_HEIGHT = 50;
    /// Distance of the button below the file-type box, in pixels at 96 DPI.
    static const int BUTTON_OFFSET = 60;

    /// Puts the quick-jump button of hFrame below its file-type box; false when either is missing.
    static bool PlaceQuickJumpButton(HWND hFrame);

protected:
    virtual bool OnInitDialog();

private:
    static UINT_PTR CALLBACK HookProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

    OPENFILENAMEA m_ofn;
    char m_szFile[1024] = "";
    std::string m_strFilter;
    HWND m_hWnd = nullptr;      // the hook's child dialog inside the frame window
    HWND m_hButton = nullptr;   // child of the frame window, destroyed with it
    CQuickJumpHost m_host;
};
