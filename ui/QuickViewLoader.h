// QuickViewLoader.h: reads and decodes the quick view's member on a worker thread, so the list never
// waits for a large or hostile member.
#pragma once
#include <windows.h>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include "preview/PreviewDecode.h"
#include "ui/MemberDataObject.h"

/** @brief One member to read, as the list had it when its row was chosen. */
struct QuickViewJob
{
    TransferItem item;      ///< its name and size, and where its bytes are, with the source's stamp taken then
    size_t nRead = 0;       ///< bytes to read from its beginning
};

/** @brief A member read and decoded, ready to show. */
struct QuickViewLoaded
{
    QuickViewLoaded() = default;
    ~QuickViewLoaded();
    QuickViewLoaded(const QuickViewLoaded&) = delete;
    QuickViewLoaded& operator=(const QuickViewLoaded&) = delete;

    bool bRead = false;
    std::string strReadError;       ///< why it could not be read
    PreviewContent content;         ///< frames premultiplied where transparent, shrunk when large; no text bytes
    int nWidth = 0, nHeight = 0;    ///< the picture's own size, before shrinking
    std::vector<bool> arrOpaque;    ///< per frame: no pixel lets the background through
    /// A texture's one frame as a DIB section, made here so the window's thread never copies it; the
    /// frame's pixels are then dropped. Deleted with this object unless the window takes it.
    HBITMAP hPicture = nullptr;
    PreviewTextLines lines;         ///< the text or the hex page
    std::vector<uint8_t> sound;     ///< the sound as a player may be given it: its sizes match its bytes
};

/// A 32-bit picture of top-down rows, the layout of a PreviewImage's pixels.
BITMAPINFO TopDownBitmapInfo(int nWidth, int nHeight);

/// Pictures are kept at most this large a side for showing; larger ones are shrunk once, not at each paint.
constexpr int kQuickViewMaxShownSide = 2048;

/// Reads and decodes a job; null once fnCancelled says the result is no longer wanted.
std::unique_ptr<QuickViewLoaded> LoadQuickViewMember(const QuickViewJob& job, const std::function<bool()>& fnCancelled);

/**
 * @brief One worker thread that runs the latest job. A newer job, Cancel or the end of the loader
 * cancels the one running: its reading stops at its next piece, and its result is dropped once
 * decoded. A finished job posts nMessage to hNotify; Take hands its result to the window's thread.
 */
class CQuickViewLoader
{
public:
    CQuickViewLoader(HWND hNotify, UINT nMessage);
    ~CQuickViewLoader();   ///< cancels and waits for the thread
    CQuickViewLoader(const CQuickViewLoader&) = delete;
    CQuickViewLoader& operator=(const CQuickViewLoader&) = delete;

    /// Starts job nJob (a number above any before).
    void Start(uint64_t nJob, QuickViewJob job);
    void Cancel();
    /// The result of job nJob once it has finished; null before, or when another job was wanted since.
    std::unique_ptr<QuickViewLoaded> Take(uint64_t nJob);

private:
    void Run();

    HWND m_hNotify;
    UINT m_nMessage;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<uint64_t> m_nWanted{ 0 };   ///< the job whose result is wanted; 0 for none
    bool m_bStop = false;
    bool m_bPending = false;
    QuickViewJob m_pending;
    uint64_t m_nDone = 0;
    std::unique_ptr<QuickViewLoaded> m_pDone;
    std::thread m_thread;                    ///< last: starts once the rest is ready
};
