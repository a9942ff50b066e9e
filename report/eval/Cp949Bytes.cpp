#include "report/eval/Cp949Bytes.h"

#include "text/Cp949.h"

#include <algorithm>

namespace report::eval {

ByteType byteTypeAt(std::string_view s, size_t index)
{
    size_t i = 0;
    while (i < index)
        i += text::characterLength(s, i);
    if (i > index)
        return ByteType::Trail;
    return isLeadByte(s[index]) ? ByteType::Lead : ByteType::Single;
}

namespace {

enum class Case { Upper, Lower };

char mapAscii(char c, Case to)
{
    if (to == Case::Upper && c >= 'a' && c <= 'z')
        return char(c - 'a' + 'A');
    if (to == Case::Lower && c >= 'A' && c <= 'Z')
        return char(c - 'A' + 'a');
    return c;
}

// Only the symbol rows of the code page (leads 0xA1..0xAF) hold letters with a case; Hangul and
// Hanja have none, so the codec is asked only about those rows.
bool mayHaveCase(char lead)
{
    const auto b = static_cast<unsigned char>(lead);
    return b >= 0xA1 && b <= 0xAF;
}

void appendMapped(std::string& out, std::string_view ch, Case to)
{
    if (ch.size() == 2 && mayHaveCase(ch[0])) {
        const QString decoded = text::fromCp949(ch);
        if (decoded.size() == 1) {
            const QChar c = decoded.at(0);
            const QChar mapped = to == Case::Upper ? c.toUpper() : c.toLower();
            if (mapped != c) {
                const std::string encoded = text::toCp949(QString(mapped));
                // Keep the character when its counterpart is not in the code page.
                if (encoded.size() == 2) {
                    out += encoded;
                    return;
                }
            }
        }
    }
    if (ch.size() == 1)
        out.push_back(mapAscii(ch[0], to));
    else
        out.append(ch);
}

// Maps the first character one way and the others another.
std::string mapCase(std::string_view s, Case firstTo, Case restTo)
{
    std::string out;
    out.reserve(s.size());
    bool first = true;
    for (size_t i = 0; i < s.size();) {
        const size_t n = text::characterLength(s, i);
        appendMapped(out, s.substr(i, n), first ? firstTo : restTo);
        first = false;
        i += n;
    }
    return out;
}

} // namespace

std::string upperCase(std::string_view s)
{
    return mapCase(s, Case::Upper, Case::Upper);
}

std::string lowerCase(std::string_view s)
{
    return mapCase(s, Case::Lower, Case::Lower);
}

std::string prettyCase(std::string_view s)
{
    return mapCase(s, Case::Upper, Case::Lower);
}

std::string copyBytes(std::string_view s, int64_t start, int64_t count)
{
    const int64_t size = int64_t(s.size());
    int64_t first = std::max<int64_t>(start, 1) - 1;
    if (first >= size || count <= 0)
        return {};
    if (byteTypeAt(s, size_t(first)) == ByteType::Trail) {
        ++first;
        --count;
    }
    if (first >= size || count <= 0)
        return {};
    int64_t last = count > size - first ? size - 1 : first + count - 1;
    if (byteTypeAt(s, size_t(last)) == ByteType::Lead)
        --last;
    if (last < first)
        return {};
    return std::string(s.substr(size_t(first), size_t(last - first + 1)));
}

} // namespace report::eval
