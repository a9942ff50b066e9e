#include "tests/report/store/StoreTestSupport.h"

#include "gfx/EmfCanvas.h"
#include "text/Cp949.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace storetest {

std::string pagePicture(int page, int lines)
{
    gfx::EmfCanvas c(794, 1123);
    c.font.name = text::cp949("굴림체");
    c.font.size = 16;
    c.font.bold = true;
    c.font.color = gfx::clBlack;
    c.bkMode = gfx::BkMode::Transparent;
    c.TextOut(300, 40, text::cp949("거래명세서"));
    c.font.size = 9;
    c.font.bold = false;
    c.pen = {gfx::clBlack, 1, gfx::PenStyle::Solid};
    c.brush = {gfx::clWhite, gfx::BrushStyle::Clear};
    c.Rectangle({40, 100, 754, 100 + 22 * (lines + 1)});
    for (int i = 0; i < lines; ++i) {
        const int y = 100 + 22 * (i + 1);
        c.MoveTo(40, y);
        c.LineTo(754, y);
        c.TextOut(50, y + 4, text::cp949("품목") + std::to_string(page * 100 + i));
        c.textAlign = gfx::TA_RIGHT;
        c.TextOut(740, y + 4, std::to_string((page * 7919 + i * 104729) % 1000000));
        c.textAlign = gfx::TA_LEFT;
    }
    c.TextOut(380, 1080, "- " + std::to_string(page) + " -");
    return c.finish();
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

uint32_t u32At(const std::string& bytes, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

void putU32(std::string& bytes, size_t at, uint32_t value)
{
    std::memcpy(bytes.data() + at, &value, 4);
}

} // namespace storetest
