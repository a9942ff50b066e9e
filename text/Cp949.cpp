#include "text/Cp949.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace text {

// ICU's "CP949" is IBM's table, which lacks the 8,822 syllables of the unified Hangul code;
// the Windows table is the code page the system's bytes are in.
static constexpr const char* codePage = "windows-949";

QString fromCp949(std::string_view bytes)
{
    QStringDecoder decoder(codePage);
    return decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

std::string toCp949(const QString& s)
{
    QStringEncoder encoder(codePage);
    std::string out;
    out.reserve(size_t(s.size()) * 2);
    // Encode one code point at a time so that an unmappable character becomes exactly one "?"
    // whatever the codec's own replacement would be.
    for (qsizetype i = 0; i < s.size();) {
        qsizetype n =
            (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) ? 2 : 1;
        QStringView piece(s.constData() + i, n);
        i += n;
        if (n == 1 && piece.at(0).unicode() < 0x80) {
            out.push_back(char(piece.at(0).unicode()));
            continue;
        }
        QByteArray bytes = encoder.encode(piece);
        // Every non-ASCII character of the code page takes two bytes; anything else is a
        // substitution.
        if (encoder.hasError() || bytes.size() != 2) {
            encoder.resetState();
            out.push_back('?');
            continue;
        }
        out.append(bytes.constData(), size_t(bytes.size()));
    }
    return out;
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
