#include "text/Cp949.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <atomic>
#include <cstdint>
#include <memory>

namespace text {

// ICU's "CP949" is IBM's table, which lacks the 8,822 syllables of the unified Hangul code;
// the Windows table is the code page the system's bytes are in.
static constexpr const char* codePage = "windows-949";

namespace {

bool isAscii(std::string_view bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// The code page's two bytes for each character of one block of 256, 0 where it has none. Built
// once a block is first needed, and shared by every thread: a converter of the converter library
// costs a lookup under its lock when made, and its error flag outlives resetState().
const uint16_t* encodingBlock(char16_t unit)
{
    static std::atomic<const uint16_t*> blocks[256];
    std::atomic<const uint16_t*>& slot = blocks[unit >> 8];
    if (const uint16_t* block = slot.load(std::memory_order_acquire))
        return block;
    auto made = std::make_unique<uint16_t[]>(256);
    QStringEncoder encoder(codePage);
    QStringDecoder decoder(codePage);
    for (int i = 0; i < 256; ++i) {
        const char16_t c = char16_t((unit & 0xFF00) | i);
        if (c < 0x80 || QChar::isSurrogate(c))
            continue;
        const QStringView one(&c, 1);
        const QByteArray bytes = encoder.encode(one);
        // A substitution is not two bytes, or does not read back as the character.
        if (bytes.size() == 2 && QString(decoder.decode(bytes)) == one)
            made[i] = uint16_t(uint8_t(bytes[0]) << 8 | uint8_t(bytes[1]));
        encoder.resetState();
        decoder.resetState();
    }
    const uint16_t* expected = nullptr;
    if (!slot.compare_exchange_strong(expected, made.get(), std::memory_order_acq_rel))
        return expected;
    return made.release();
}

// The character of each two-byte sequence starting with `lead`, 0 where the code page has
// none. Built once a lead byte is first seen, shared by every thread.
const char16_t* decodingBlock(unsigned char lead)
{
    static std::atomic<const char16_t*> blocks[128];
    std::atomic<const char16_t*>& slot = blocks[lead - 0x80];
    if (const char16_t* block = slot.load(std::memory_order_acquire))
        return block;
    auto made = std::make_unique<char16_t[]>(256);
    auto decoder = std::make_unique<QStringDecoder>(codePage);
    for (int trail = 0; trail < 256; ++trail) {
        const char pair[2] = {char(lead), char(trail)};
        const QString one = decoder->decode(QByteArrayView(pair, 2));
        if (one.size() == 1 && one.at(0) != QChar::ReplacementCharacter && !decoder->hasError())
            made[trail] = one.at(0).unicode();
        // A sequence it rejected, or one it holds back, leaves state that resetState() does not
        // clear; a new converter starts clean.
        if (one.size() != 1 || decoder->hasError())
            decoder = std::make_unique<QStringDecoder>(codePage);
    }
    const char16_t* expected = nullptr;
    if (!slot.compare_exchange_strong(expected, made.get(), std::memory_order_acq_rel))
        return expected;
    return made.release();
}

} // namespace

QString fromCp949(std::string_view bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    // By table, so that a text never inherits a byte another left pending: a converter keeps a
    // lead byte at the end of one text and puts it before the next.
    QString s;
    s.reserve(qsizetype(bytes.size()));
    for (size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            s.append(QChar(char16_t(lead)));
            ++i;
            continue;
        }
        const char16_t c = i + 1 < bytes.size()
                               ? decodingBlock(lead)[static_cast<unsigned char>(bytes[i + 1])]
                               : char16_t(0);
        if (c != 0) {
            s.append(QChar(c));
            i += 2;
        } else {
            // A lone or unpaired byte is one replacement; the byte after it is read on its own.
            s.append(QChar(QChar::ReplacementCharacter));
            ++i;
        }
    }
    return s;
}

std::string toCp949(const QString& s)
{
    std::string out;
    out.reserve(size_t(s.size()) * 2);
    // Each character on its own, so that one the code page cannot hold becomes exactly one "?"
    // whatever the codec's own replacement would be; cp949 holds nothing outside the BMP.
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t unit = s.at(i).unicode();
        if (unit < 0x80) {
            out.push_back(char(unit));
            continue;
        }
        if (QChar::isSurrogate(unit)) {
            if (QChar::isHighSurrogate(unit) && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
                ++i;
            out.push_back('?');
            continue;
        }
        const uint16_t bytes = encodingBlock(unit)[unit & 0xFF];
        if (bytes == 0) {
            out.push_back('?');
            continue;
        }
        out.push_back(char(bytes >> 8));
        out.push_back(char(bytes & 0xFF));
    }
    return out;
}

size_t characterLength(std::string_view bytes, size_t at)
{
    const auto b = static_cast<unsigned char>(bytes[at]);
    return b >= 0x81 && b <= 0xFE && at + 1 < bytes.size() ? 2 : 1;
}

size_t wholeCharacters(std::string_view bytes, size_t limit)
{
    size_t end = 0;
    while (end < bytes.size()) {
        const size_t next = end + characterLength(bytes, end);
        if (next > limit)
            break;
        end = next;
    }
    return end;
}

std::string trim(std::string_view bytes)
{
    size_t begin = 0;
    size_t end = bytes.size();
    while (begin < end && static_cast<unsigned char>(bytes[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(bytes[end - 1]) <= 32)
        --end;
    return std::string(bytes.substr(begin, end - begin));
}

} // namespace text
