#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace report {

// The adaptive splay-tree prefix code (semi-splaying) of compressed page records. A coder
// starts from the same balanced tree on both sides, so one is made fresh for every page.
class TRpCompress
{
public:
    TRpCompress();

    // Encoding: the bits of each byte go to `out`, packed from bit 0 to bit 7; a byte is
    // appended as soon as its bit 7 is written.
    void EncodeByte(uint8_t b, std::string& out);
    // Appends the pending partial byte, zero-padded, if any of its bits were used.
    void FinishEncode(std::string& out);

    // Decoding: takes bits from `in` starting at byte `pos`, advancing `pos` when a new byte
    // is read. Throws EReportFileError when the input ends inside a code word.
    uint8_t DecodeByte(std::string_view in, size_t& pos);
    // DecodeByte calls made by this coder.
    size_t decodeCalls() const { return m_decodeCalls; }

    // Whole-buffer helpers: `encode` codes and finishes; `decode` decodes exactly `count` bytes.
    static std::string encode(std::string_view data);
    static std::string decode(std::string_view coded, size_t count);

private:
    void Splay(int b);

    static constexpr int internalNodes = 256;
    static constexpr int allNodes = 513;           // 256 internal nodes, then leaves 256..512
    static constexpr int maxDepth = internalNodes; // a leaf lies at most this deep

    uint8_t m_up[allNodes];
    uint16_t m_left[internalNodes];
    uint16_t m_right[internalNodes];

    unsigned m_writeMask = 1; // next bit of m_writeByte to write
    uint8_t m_writeByte = 0;
    unsigned m_readMask = 256; // next bit of m_readByte to read; 256: read a new byte first
    uint8_t m_readByte = 0;
    size_t m_decodeCalls = 0;
};

} // namespace report
