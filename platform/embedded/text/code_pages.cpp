#include "platform/embedded/text/code_pages.h"

#include <cerrno>
#include <iconv.h>

namespace embedded {
namespace {

std::string IconvName(std::uint32_t codePage) {
    switch (codePage) {
    case 65001:
        return "UTF-8";
    case 1200:
        return "UTF-16LE";
    case 1201:
        return "UTF-16BE";
    case 20127:
        return "ASCII";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 50220:
    case 50221:
    case 50222:
        return "ISO-2022-JP";
    case 51932:
        return "EUC-JP";
    case 51949:
        return "EUC-KR";
    case 52936:
        return "HZ";
    case 54936:
        return "GB18030";
    case 936:
        return "GBK";
    case 950:
        return "BIG5";
    case 10000:
        return "MACINTOSH";
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28606) {
        return "ISO-8859-" + std::to_string(codePage - 28590);
    }
    return "CP" + std::to_string(codePage);
}

} // namespace

std::uint32_t CodePageOfLocale(std::uint32_t localeId) {
    const std::uint32_t language = localeId & 0x3FF;
    const std::uint32_t sublanguage = (localeId >> 10) & 0x3F;
    switch (language) {
    case 0x02: // Bulgarian
    case 0x19: // Russian
    case 0x22: // Ukrainian
    case 0x23: // Belarusian
    case 0x2F: // Macedonian
    case 0x3F: // Kazakh
        return 1251;
    case 0x1A: // Croatian, Serbian, Bosnian: Cyrillic sublanguages use 1251
        return (sublanguage == 0x03 || sublanguage == 0x07) ? 1251 : 1250;
    case 0x05: // Czech
    case 0x0E: // Hungarian
    case 0x15: // Polish
    case 0x18: // Romanian
    case 0x1B: // Slovak
    case 0x1C: // Albanian
    case 0x24: // Slovenian
        return 1250;
    case 0x08:
        return 1253;
    case 0x1F: // Turkish
    case 0x2C: // Azeri
        return 1254;
    case 0x0D:
        return 1255;
    case 0x01: // Arabic
    case 0x20: // Urdu
    case 0x29: // Persian
        return 1256;
    case 0x25: // Estonian
    case 0x26: // Latvian
    case 0x27: // Lithuanian
        return 1257;
    case 0x2A:
        return 1258;
    case 0x1E:
        return 874;
    case 0x11:
        return 932;
    case 0x12:
        return 949;
    case 0x04: // Chinese: simplified for China and Singapore, traditional elsewhere
        return (sublanguage == 0x02 || sublanguage == 0x04) ? 936 : 950;
    default:
        return kWesternCodePage;
    }
}

std::optional<std::string> DecodeToUtf8(std::string_view bytes, std::uint32_t codePage) {
    iconv_t converter = iconv_open("UTF-8", IconvName(codePage).c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string out;
    char buffer[1024];
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* next = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(converter, &in, &inLeft, &next, &outLeft);
        out.append(buffer, static_cast<std::size_t>(next - buffer));
        if (result == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                continue;
            }
            // An invalid or cut-off sequence: mark it and go on after its first byte.
            out.append("\xEF\xBF\xBD");
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return out;
}

} // namespace embedded
