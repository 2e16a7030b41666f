// QuickViewLoader.cpp
#include "ui/QuickViewLoader.h"
#include <algorithm>
#include "ui/MemberStream.h"

namespace
{
// Reads go in pieces of this size, so a cancelled job stops soon.
const ULONG kReadPiece = 1u << 20;

bool IsAnsiText(const uint8_t* pData, size_t nSize)
{
    return nSize <= INT_MAX && ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(pData),
                                                     static_cast<int>(nSize), nullptr, 0) > 0;
}

std::u16string FromAnsiCodePage(const std::string& strBytes)
{
    const int nBytes = static_cast<int>(std::min<size_t>(strBytes.size(), INT_MAX));
    const int n = ::MultiByteToWideChar(CP_ACP, 0, strBytes.data(), nBytes, nullptr, 0);
    std::u16string str(n > 0 ? static_cast<size_t>(n) : 0, u'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, strBytes.data(), nBytes, reinterpret_cast<wchar_t*>(&str[0]), n);
    return str;
}

/// Pictures made ready to show: opaque ones as they are, others premultiplied; large ones shrunk; a
/// texture's frame moved into a DIB section.
bool PreparePictures(QuickViewLoaded& loaded, const std::function<bool()>& fnCancelled)
{
    std::vector<PreviewImage>& frames = loaded.content.frames;
    loaded.nWidth = frames.empty() ? 0 : frames[0].nWidth;
    loaded.nHeight = frames.empty() ? 0 : frames[0].nHeight;
    for (PreviewImage& frame : frames)
    {
        if (fnCancelled())
            return false;
        loaded.arrOpaque.push_back(IsOpaque(frame));
        ShrinkToFit(frame, kQuickViewMaxShownSide, !loaded.arrOpaque.back());
    }
    if (frames.size() == 1)
    {
        PreviewImage& frame = frames[0];
        BITMAPINFO bmi = TopDownBitmapInfo(frame.nWidth, frame.nHeight);
        void* pBits = nullptr;
        loaded.hPicture = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
        if (loaded.hPicture && pBits)
        {
            std::copy(frame.pixels.begin(), frame.pixels.end(), static_cast<uint32_t*>(pBits));
            frame.pixels = std::vector<uint32_t>();
        }
        else if (loaded.hPicture)
        {
            ::DeleteObject(loaded.hPicture);   // the window copies the pixels itself then
            loaded.hPicture = nullptr;
        }
    }
    return true;
}
}

BITMAPINFO TopDownBitmapInfo(int nWidth, int nHeight)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = nWidth;
    bmi.bmiHeader.biHeight = -nHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    return bmi;
}

QuickViewLoaded::~QuickViewLoaded()
{
    if (hPicture)
        ::DeleteObject(hPicture);
}

std::unique_ptr<QuickViewLoaded> LoadQuickViewMember(const QuickViewJob& job, const std::function<bool()>& fnCancelled)
{
    std::unique_ptr<QuickViewLoaded> pLoaded(new QuickViewLoaded);
    std::vector<uint8_t> bytes(job.nRead);
    CMemberReader reader(job.item);
    size_t nGot = 0;
    while (nGot < bytes.size())
    {
        if (fnCancelled())
            return nullptr;
        ULONG nPiece = 0;
        if (FAILED(reader.Read(bytes.data() + nGot, static_cast<ULONG>(std::min<size_t>(bytes.size() - nGot, kReadPiece)), &nPiece)))
        {
            pLoaded->strReadError = reader.FailureReason();
            return pLoaded;
        }
        if (nPiece == 0)
            break;
        nGot += nPiece;
    }
    bytes.resize(nGot);
    pLoaded->bRead = true;

    PreviewOptions options;
    options.fnAnsiText = &IsAnsiText;
    PreviewContent& content = pLoaded->content = DecodePreview(job.item.strMemberName, bytes.data(), bytes.size(),
                                                                static_cast<uint32_t>(job.item.nSize), options);
    switch (content.kind)
    {
    case PreviewKind::texture:
    case PreviewKind::animation:
        if (!PreparePictures(*pLoaded, fnCancelled))
            return nullptr;
        break;
    case PreviewKind::sound:
        pLoaded->sound = PlayableWav(bytes.data(), bytes.size(), content.sound);
        break;
    case PreviewKind::text:
    case PreviewKind::hex:
        pLoaded->lines = SplitLines(TextToUtf16(content.strText, content.kind == PreviewKind::hex ? PreviewTextEncoding::ansi
                                                                                                   : content.encoding,
                                                &FromAnsiCodePage));
        content.strText = std::string();
        break;
    default:
        break;
    }
    return fnCancelled() ? nullptr : std::move(pLoaded);
}

CQuickViewLoader::CQuickViewLoader(HWND hNotify, UINT nMessage)
    : m_hNotify(hNotify), m_nMessage(nMessage), m_thread([this] { Run(); })
{
}

CQuickViewLoader::~CQuickViewLoader()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
        m_nWanted = 0;
    }
    m_wake.notify_all();
    m_thread.join();
}

void CQuickViewLoader::Start(uint64_t nJob, QuickViewJob job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending = std::move(job);
        m_bPending = true;
        m_nWanted = nJob;
        m_pDone.reset();
    }
    m_wake.notify_all();
}

void CQuickViewLoader::Cancel()
{
    std::unique_ptr<QuickViewLoaded> pDropped;   // freed outside the lock
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nWanted = 0;
    m_bPending = false;
    pDropped = std::move(m_pDone);
}

std::unique_ptr<QuickViewLoaded> CQuickViewLoader::Take(uint64_t nJob)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_nDone != nJob || nJob != m_nWanted)
        return nullptr;
    return std::move(m_pDone);
}

void CQuickViewLoader::Run()
{
    // The window's thread (and the list on it) goes first when both want the processor.
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;)
    {
        m_wake.wait(lock, [this] { return m_bStop || m_bPending; });
        if (m_bStop)
            return;
        QuickViewJob job = std::move(m_pending);
        m_bPending = false;
        const uint64_t nJob = m_nWanted;
        lock.unlock();
        std::unique_ptr<QuickViewLoaded> pLoaded = LoadQuickViewMember(job, [this, nJob] { return m_nWanted != nJob; });
        job = QuickViewJob();
        lock.lock();
        if (pLoaded && m_nWanted == nJob && !m_bStop)
        {
            m_pDone = std::move(pLoaded);
            m_nDone = nJob;
            ::PostMessageA(m_hNotify, m_nMessage, 0, static_cast<LPARAM>(nJob));
        }
        else if (pLoaded)
        {
            lock.unlock();
            pLoaded.reset();   // a large result is freed without holding up the window's thread
            lock.lock();
        }
    }
}
