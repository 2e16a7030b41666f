// CoreTestUtil.h: temporary folders, file helpers, archives built byte by byte, a recording message sink.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/QuarnelDoc.h"
#include "core/VppFormat.h"
#include "framework/base/MessageSink.h"

namespace coretest {

#ifdef _WIN32
constexpr char SEP = '\\';
#else
constexpr char SEP = '/';
#endif

using Bytes = std::vector<uint8_t>;

inline Bytes ReadAll(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& strPath, const Bytes& data)
{
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline void WriteText(const std::string& strPath, const std::string& strText)
{
    WriteAll(strPath, Bytes(strText.begin(), strText.end()));
}

inline Bytes Pattern(size_t nSize, unsigned nSeed)
{
    Bytes data(nSize);
    std::mt19937 rng(nSeed);
    for (auto& b : data)
        b = static_cast<uint8_t>(rng());
    return data;
}

struct Member {
    std::string strName;
    Bytes data;
};

inline void PutLE32(Bytes& out, size_t nAt, uint32_t nValue) { WriteLE32(out.data() + nAt, nValue); }

// An archive laid out independently of the writer: header, directory, members on block boundaries.
// nCountField and nTotalField override the header fields when given.
inline Bytes BuildArchive(const std::vector<Member>& members, int64_t nCountField = -1, uint32_t nTotalField = 0xFFFFFFFF)
{
    size_t n = members.size();
    size_t nData = 2048 + (n * 64 + 2047) / 2048 * 2048;
    size_t nTotal = nData;
    for (const auto& m : members)
        nTotal += (m.data.size() + 2047) / 2048 * 2048;
    Bytes out(nTotal, 0);
    PutLE32(out, 0, VPP_SIGNATURE);
    PutLE32(out, 4, 1);
    PutLE32(out, 8, nCountField >= 0 ? static_cast<uint32_t>(nCountField) : static_cast<uint32_t>(n));
    PutLE32(out, 12, nTotalField != 0xFFFFFFFF ? nTotalField : static_cast<uint32_t>(nTotal));
    size_t nAt = nData;
    for (size_t i = 0; i < n; i++) {
        std::copy(members[i].strName.begin(), members[i].strName.end(), out.begin() + 2048 + 64 * i);
        PutLE32(out, 2048 + 64 * i + 60, static_cast<uint32_t>(members[i].data.size()));
        std::copy(members[i].data.begin(), members[i].data.end(), out.begin() + nAt);
        nAt += (members[i].data.size() + 2047) / 2048 * 2048;
    }
    return out;
}

/** @brief A document that calls a test's function after each member its save or extraction has written. */
struct CHookedDoc : CQuarnelDoc {
    std::function<void(int32_t)> m_fnAfterMember;
    void OnMemberStored(int32_t nIndex) override { m_fnAfterMember(nIndex); }
};

// Rewrites a file in place, as a program writing into it does; false when it could not be written.
inline bool RewriteInPlace(const std::string& strPath, const Bytes& data)
{
    std::fstream out(strPath, std::ios::binary | std::ios::in | std::ios::out);
    return out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size())).flush().good();
}

struct MessageRecord {
    std::string strText;
    std::string strCaption;
    unsigned nFlags;
};

/** @brief A fresh temporary folder, a recorded message sink and a document per test. */
class CoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device rd;
        m_dir = std::filesystem::temp_directory_path() /
                ("qcore-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(m_dir);
        SetMessageBoxSink([this](const std::string& strText, const std::string& strCaption, unsigned nFlags) {
            m_messages.push_back({strText, strCaption, nFlags});
            return QIDOK;
        });
        m_pDoc = std::make_unique<CQuarnelDoc>();
        m_pDoc->OnNewDocument();
    }

    void TearDown() override
    {
        SetMessageBoxSink(nullptr);
        m_pDoc.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    std::string Path(const std::string& strName) const { return m_dir.string() + SEP + strName; }
    std::string Dir() const { return m_dir.string(); }
    bool Exists(const std::string& strName) const { return std::filesystem::exists(Path(strName)); }

    std::string Archive(const std::string& strName, const std::vector<Member>& members)
    {
        WriteAll(Path(strName), BuildArchive(members));
        return Path(strName);
    }

    std::string File(const std::string& strName, const Bytes& data)
    {
        WriteAll(Path(strName), data);
        return Path(strName);
    }

    // All message texts since the last call, one per line.
    std::string TakeMessages()
    {
        std::string strAll;
        for (const MessageRecord& m : std::exchange(m_messages, {}))
            strAll += m.strText + "\n";
        return strAll;
    }

    std::filesystem::path m_dir;
    std::vector<MessageRecord> m_messages;
    std::unique_ptr<CQuarnelDoc> m_pDoc;
};

}  // namespace coretest
