#pragma once

#include <array>
#include <string>
#include <string_view>

namespace vortane {

// Windows code page 1252, the 8-bit text of a settings file written without a byte-order mark.
// It is Latin-1 except for 0x80..0x9F, where it holds typographic marks and a few letters; the five
// bytes it leaves unassigned there (81, 8D, 8F, 90, 9D) map to the C1 control of the same number, as
// Windows itself decodes them.
inline constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

constexpr char16_t Windows1252ToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : static_cast<char16_t>(byte);
}

// Every byte is one character: the decoding never fails and never merges or drops bytes.
inline std::u16string DecodeWindows1252(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        text += Windows1252ToUnicode(static_cast<unsigned char>(c));
    }
    return text;
}

} // namespace vortane
