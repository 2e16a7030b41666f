// GdiHandles.h: owners of the GDI and image-list handles the windows create, with a tally.
//
// Every font, pen, brush, bitmap, memory or window device context, icon and image list that the
// menu code (and the quick view) makes goes through one of these owners, which count what is
// alive. The tally lets tests see leaks on systems whose GetGuiResources reports nothing.
#pragma once
#include <windows.h>
#include <commctrl.h>

/// Handles made by the menu code and not yet released.
long GetMenuGdiTally();
void AdjustMenuGdiTally(long nDelta);

/** @brief Owns a font, pen, brush or bitmap; deletes it on scope exit. */
class CGdiObject
{
public:
    explicit CGdiObject(HGDIOBJ hObj = nullptr) : m_hObj(hObj) { if (m_hObj) AdjustMenuGdiTally(1); }
    ~CGdiObject() { Reset(); }
    CGdiObject(CGdiObject&& other) noexcept : m_hObj(other.m_hObj) { other.m_hObj = nullptr; }
    CGdiObject& operator=(CGdiObject&& other) noexcept
    {
        if (this != &other)
        {
            Reset();
            m_hObj = other.m_hObj;
            other.m_hObj = nullptr;
        }
        return *this;
    }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    void Reset()
    {
        if (m_hObj)
        {
            ::DeleteObject(m_hObj);
            AdjustMenuGdiTally(-1);
            m_hObj = nullptr;
        }
    }
    HGDIOBJ Get() const { return m_hObj; }
    HBITMAP Bitmap() const { return static_cast<HBITMAP>(m_hObj); }
    explicit operator bool() const { return m_hObj != nullptr; }

private:
    HGDIOBJ m_hObj;
};

/** @brief A memory device context compatible with another; deleted on scope exit. */
class CMemoryDC
{
public:
    explicit CMemoryDC(HDC hdcLike) : m_hdc(::CreateCompatibleDC(hdcLike)) { if (m_hdc) AdjustMenuGdiTally(1); }
    ~CMemoryDC()
    {
        if (m_hdc)
        {
            ::DeleteDC(m_hdc);
            AdjustMenuGdiTally(-1);
        }
    }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    operator HDC() const { return m_hdc; }

private:
    HDC m_hdc;
};

/** @brief A window's device context (the screen's for no window); released on scope exit. */
class CWindowDC
{
public:
    explicit CWindowDC(HWND hWnd) : m_hWnd(hWnd), m_hdc(::GetDC(hWnd)) { if (m_hdc) AdjustMenuGdiTally(1); }
    ~CWindowDC()
    {
        if (m_hdc)
        {
            ::ReleaseDC(m_hWnd, m_hdc);
            AdjustMenuGdiTally(-1);
        }
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    operator HDC() const { return m_hdc; }

private:
    HWND m_hWnd;
    HDC m_hdc;
};

/** @brief Selects an object into a context and puts the previous one back on scope exit. */
class CSelectObject
{
public:
    CSelectObject(HDC hdc, HGDIOBJ hObj) : m_hdc(hdc), m_hOld(hObj ? ::SelectObject(hdc, hObj) : nullptr) {}
    ~CSelectObject()
    {
        if (m_hOld)
            ::SelectObject(m_hdc, m_hOld);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_hOld;
};

/** @brief Owns an icon; destroyed on scope exit. */
class CIconHandle
{
public:
    explicit CIconHandle(HICON hIcon) : m_hIcon(hIcon) { if (m_hIcon) AdjustMenuGdiTally(1); }
    ~CIconHandle()
    {
        if (m_hIcon)
        {
            ::DestroyIcon(m_hIcon);
            AdjustMenuGdiTally(-1);
        }
    }
    CIconHandle(const CIconHandle&) = delete;
    CIconHandle& operator=(const CIconHandle&) = delete;
    HICON Get() const { return m_hIcon; }

private:
    HICON m_hIcon;
};

/** @brief Owns an image list; destroyed on scope exit or when replaced. */
class CImageListHandle
{
public:
    CImageListHandle() = default;
    explicit CImageListHandle(HIMAGELIST hList) { Reset(hList); }
    ~CImageListHandle() { Reset(nullptr); }
    CImageListHandle(const CImageListHandle&) = delete;
    CImageListHandle& operator=(const CImageListHandle&) = delete;

    void Reset(HIMAGELIST hList)
    {
        if (m_hList)
        {
            ::ImageList_Destroy(m_hList);
            AdjustMenuGdiTally(-1);
        }
        m_hList = hList;
        if (m_hList)
            AdjustMenuGdiTally(1);
    }
    HIMAGELIST Get() const { return m_hList; }

private:
    HIMAGELIST m_hList = nullptr;
};
