// MessageSink.cpp
#include "framework/base/MessageSink.h"

#include <cstdio>

namespace {

MessageBoxSink& Sink()
{
    static MessageBoxSink s_sink;
    return s_sink;
}

std::function<void()>& Guard()
{
    static std::function<void()> s_fnGuard;
    return s_fnGuard;
}

std::string& AppTitle()
{
    static std::string s_strTitle = "Kestrin Manager QUARNEL";
    return s_strTitle;
}

int DefaultSink(const std::string& strText, const std::string& strCaption, unsigned nFlags)
{
    std::fprintf(stderr, "%s: %s\n", strCaption.c_str(), strText.c_str());
    unsigned nButtons = nFlags & 0x0F;
    return (nButtons == QMB_YESNOCANCEL || nButtons == QMB_YESNO) ? QIDYES : QIDOK;
}

}  // namespace

void SetMessageBoxSink(MessageBoxSink sink) { Sink() = std::move(sink); }

MessageBoxSink GetMessageBoxSink() { return Sink(); }

void SetMessageBoxGuard(std::function<void()> fnGuard) { Guard() = std::move(fnGuard); }

void SetAppTitle(const std::string& strTitle) { AppTitle() = strTitle; }

const std::string& GetAppTitle() { return AppTitle(); }

int ShowMessageBox(const std::string& strText, const std::string& strCaption, unsigned nFlags)
{
    if (const std::function<void()>& fnGuard = Guard())
        fnGuard();
    const MessageBoxSink& sink = Sink();
    return sink ? sink(strText, strCaption, nFlags) : DefaultSink(strText, strCaption, nFlags);
}

int AfxMessageBox(const std::string& strText, unsigned nFlags)
{
    return ShowMessageBox(strText, GetAppTitle(), nFlags);
}
