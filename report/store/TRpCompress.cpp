#include "report/store/TRpCompress.h"

#include "report/store/ReportFileError.h"

#include <algorithm>

namespace report {

TRpCompress::TRpCompress()
{
    for (int i = 1; i < allNodes; ++i)
        m_up[i] = uint8_t((i - 1) / 2);
    m_up[0] = 0;
    for (int i = 0; i < internalNodes; ++i) {
        m_left[i] = uint16_t(2 * i + 1);
        m_right[i] = uint16_t(2 * i + 2);
    }
}

void TRpCompress::Splay(int b)
{
    int a = b + internalNodes;
    do {
        const int c = m_up[a];
        if (c != 0) {
            const int d = m_up[c];
            int e = m_left[d];
            if (e == c) {
                e = m_right[d];
                m_right[d] = uint16_t(a);
            } else {
                m_left[d] = uint16_t(a);
            }
            if (m_left[c] == a)
                m_left[c] = uint16_t(e);
            else
                m_right[c] = uint16_t(e);
            m_up[a] = uint8_t(d);
            m_up[e] = uint8_t(c);
            a = d;
        } else {
            a = c;
        }
    } while (a != 0);
}

void TRpCompress::EncodeByte(uint8_t b, std::string& out)
{
    bool bits[maxDepth];
    int depth = 0;
    int a = b + internalNodes;
    do {
        const int c = m_up[a];
        bits[depth++] = m_right[c] == a;
        a = c;
    } while (a != 0);
    while (depth > 0) {
        if (bits[--depth])
            m_writeByte |= uint8_t(m_writeMask);
        m_writeMask <<= 1;
        if (m_writeMask == 256) {
            out.push_back(char(m_writeByte));
            m_writeByte = 0;
            m_writeMask = 1;
        }
    }
    Splay(b);
}

void TRpCompress::FinishEncode(std::string& out)
{
    if (m_writeMask != 1) {
        out.push_back(char(m_writeByte));
        m_writeByte = 0;
        m_writeMask = 1;
    }
}

uint8_t TRpCompress::DecodeByte(std::string_view in, size_t& pos)
{
    ++m_decodeCalls;
    int a = 0;
    do {
        if (m_readMask == 256) {
            if (pos >= in.size())
                throw EReportFileError("compressed page data ends inside a code");
            m_readByte = uint8_t(in[pos++]);
            m_readMask = 1;
        }
        const bool bit = (m_readByte & m_readMask) != 0;
        m_readMask <<= 1;
        a = bit ? m_right[a] : m_left[a];
    } while (a < internalNodes);
    const int b = a - internalNodes;
    // Leaf 512 is never coded; reaching it means the bits are not ours.
    if (b > 255)
        throw EReportFileError("compressed page data holds an impossible code");
    Splay(b);
    return uint8_t(b);
}

std::string TRpCompress::encode(std::string_view data)
{
    TRpCompress coder;
    std::string out;
    out.reserve(data.size() / 2 + 16);
    for (char c : data)
        coder.EncodeByte(uint8_t(c), out);
    coder.FinishEncode(out);
    return out;
}

std::string TRpCompress::decode(std::string_view coded, size_t count)
{
    TRpCompress coder;
    std::string out;
    // The count comes from a file; memory grows with what actually decodes.
    out.reserve(std::min(count, coded.size() * 4));
    size_t pos = 0;
    for (size_t i = 0; i < count; ++i)
        out.push_back(char(coder.DecodeByte(coded, pos)));
    return out;
}

} // namespace report
