// MessageSink.h: the framework's message box, routed through a replaceable sink.
#pragma once

#include <functional>
#include <string>

// Flags and results with the same values as the Win32 MB_* and ID* constants, so the GUI can pass
// them straight to MessageBoxA.
enum : unsigned {
    QMB_OK = 0x00,
    QMB_OKCANCEL = 0x01,
    QMB_YESNOCANCEL = 0x03,
    QMB_YESNO = 0x04,
    QMB_ICONSTOP = 0x10,
    QMB_ICONQUESTION = 0x20,
    QMB_ICONEXCLAMATION = 0x30,
    QMB_ICONINFORMATION = 0x40,
};
enum : int { QIDOK = 1, QIDCANCEL = 2, QIDYES = 6, QIDNO = 7 };

// Message boxes go through a replaceable sink: the GUI binds it to MessageBoxA, tests record calls,
// the command-line tool prints to stderr.
using MessageBoxSink =
    std::function<int(const std::string& strText, const std::string& strCaption, unsigned nFlags)>;

// An empty sink restores the default, which prints "caption: text" to stderr and answers with the
// first button (OK or Yes).
void SetMessageBoxSink(MessageBoxSink sink);
// The sink now in use; empty while the default is.
MessageBoxSink GetMessageBoxSink();

// Runs right before every message box, whatever the sink. The GUI drops the keys and clicks typed
// before the box came up there: they were meant for what the user saw then, and must never answer
// a question the user has not read. Empty: nothing runs.
void SetMessageBoxGuard(std::function<void()> fnGuard);

void SetAppTitle(const std::string& strTitle);
const std::string& GetAppTitle();  // "Kestrin Manager QUARNEL" unless changed

// The framework's standard message box: the application title is the caption.
int AfxMessageBox(const std::string& strText, unsigned nFlags = QMB_OK | QMB_ICONEXCLAMATION);

// A message box with an explicit caption ("Confirmation", "Error", ...).
int ShowMessageBox(const std::string& strText, const std::string& strCaption, unsigned nFlags);
