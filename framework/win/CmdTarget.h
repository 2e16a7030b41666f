// CmdTarget.h: command targets, enable-state queries and command maps.
#pragma once
#include <windows.h>

class CCmdUI;

/** @brief Something that can handle commands and answer enable-state queries. */
class CCmdTarget
{
public:
    virtual ~CCmdTarget() = default;

    enum CmdCode { CN_COMMAND = 0, CN_UPDATE_COMMAND_UI = 1 };

    /// Runs the command (nCode == CN_COMMAND) or asks for its enable state
    /// (CN_UPDATE_COMMAND_UI, pCmdUI set). Returns true when this target handled it.
    virtual bool OnCmdMsg(UINT nID, int nCode, CCmdUI* pCmdUI) { (void)nID; (void)nCode; (void)pCmdUI; return false; }
};

/** @brief Carries one enable-state query to the update handlers. */
class CCmdUI
{
public:
    explicit CCmdUI(UINT nID) : m_nID(nID) {}
    void Enable(bool bOn = true) { m_bEnabled = bOn; }

    UINT m_nID;
    bool m_bEnabled = false;
};

/** @brief One command-map row: a command id range, its handler and its update handler. */
template <class T>
struct TCmdEntry
{
    UINT nFirst;
    UINT nLast;
    void (T::*pfnCommand)();            ///< handler for single ids, or null
    void (T::*pfnUpdate)(CCmdUI*);      ///< enable rule, or null
    void (T::*pfnRangeCommand)(UINT);   ///< handler that receives the id (ranges), or null
};

/// Looks nID up in a command map and runs the command or its enable rule.
/// A command with a handler but no enable rule counts as enabled.
template <class T, size_t N>
bool DispatchCmdMap(T* pThis, const TCmdEntry<T> (&map)[N], UINT nID, int nCode, CCmdUI* pCmdUI)
{
    for (const TCmdEntry<T>& e : map)
    {
        if (nID < e.nFirst || nID > e.nLast)
            continue;
        if (nCode == CCmdTarget::CN_UPDATE_COMMAND_UI)
        {
            if (e.pfnUpdate)
                (pThis->*e.pfnUpdate)(pCmdUI);
            else if (e.pfnCommand || e.pfnRangeCommand)
                pCmdUI->Enable(true);
            else
                continue;
            return true;
        }
        if (e.pfnRangeCommand)
            (pThis->*e.pfnRangeCommand)(nID);
        else if (e.pfnCommand)
            (pThis->*e.pfnCommand)();
        else
            continue;
        return true;
    }
    return false;
}
