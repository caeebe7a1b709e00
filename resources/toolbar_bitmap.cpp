#include "resources/toolbar_bitmap.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

// A paper clip over a folder with an arrow going in: attachments being put away. One letter
// per pixel, top row first; each letter is an index into the palette below.
constexpr const char* kPixels[16] = {
    "................", //
    "......88........", //
    ".....8..8.......", //
    ".....8..8...9...", //
    ".....8.88...9...", //
    ".....8.88...9...", //
    ".....8.88.99999.", //
    ".....8.88..999..", //
    ".EEE.8.88...9...", //
    "EEEEEE888E......", //
    "EBBBBBBBBBBBBE..", //
    "EBBBBBBBBBBBBE..", //
    "EBBBBBBBBBBBBE..", //
    "EBBBBBBBBBBBBE..", //
    "EEEEEEEEEEEEEE..", //
    "................", //
};

// The 16 standard colours, as blue, green, red, reserved. '.' is the grey the toolbar shows
// behind its buttons.
constexpr std::array<std::array<BYTE, 4>, 16> kPalette = {{
    {0x00, 0x00, 0x00, 0},
    {0x00, 0x00, 0x80, 0},
    {0x00, 0x80, 0x00, 0},
    {0x00, 0x80, 0x80, 0},
    {0x80, 0x00, 0x00, 0},
    {0x80, 0x00, 0x80, 0},
    {0x80, 0x80, 0x00, 0},
    {0xC0, 0xC0, 0xC0, 0},
    {0x80, 0x80, 0x80, 0},
    {0x00, 0x00, 0xFF, 0},
    {0x00, 0xFF, 0x00, 0},
    {0x00, 0xFF, 0xFF, 0},
    {0xFF, 0x00, 0x00, 0},
    {0xFF, 0x00, 0xFF, 0},
    {0xFF, 0xFF, 0x00, 0},
    {0xFF, 0xFF, 0xFF, 0},
}};

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;
constexpr std::size_t kPixelsAt = kFileHeader + kInfoHeader + 16 * 4;
constexpr std::size_t kFileSize = kPixelsAt + 16 * 8;

constexpr BYTE PaletteIndex(char pixel) {
    if (pixel == '.') {
        return 7;
    }
    if (pixel >= '0' && pixel <= '9') {
        return static_cast<BYTE>(pixel - '0');
    }
    return static_cast<BYTE>(pixel - 'A' + 10);
}

constexpr void Put(std::array<BYTE, kFileSize>& bytes, std::size_t at, std::size_t size,
                   std::uint32_t value) {
    for (std::size_t i = 0; i < size; ++i) {
        bytes[at + i] = static_cast<BYTE>(value >> (8 * i));
    }
}

constexpr std::array<BYTE, kFileSize> MakeBitmap() {
    std::array<BYTE, kFileSize> bytes{};
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put(bytes, 2, 4, kFileSize);
    Put(bytes, 10, 4, kPixelsAt);
    Put(bytes, 14, 4, kInfoHeader);
    Put(bytes, 18, 4, 16);     // width
    Put(bytes, 22, 4, 16);     // height: rows stored bottom up
    Put(bytes, 26, 2, 1);      // planes
    Put(bytes, 28, 2, 4);      // bits per pixel
    Put(bytes, 34, 4, 16 * 8); // image size
    Put(bytes, 46, 4, 16);     // colours used
    for (std::size_t i = 0; i < kPalette.size(); ++i) {
        for (std::size_t c = 0; c < 4; ++c) {
            bytes[kFileHeader + kInfoHeader + 4 * i + c] = kPalette[i][c];
        }
    }
    for (std::size_t row = 0; row < 16; ++row) {
        const char* line = kPixels[15 - row];
        for (std::size_t x = 0; x < 16; x += 2) {
            bytes[kPixelsAt + row * 8 + x / 2] =
                static_cast<BYTE>(PaletteIndex(line[x]) << 4 | PaletteIndex(line[x + 1]));
        }
    }
    return bytes;
}

constexpr std::array<BYTE, kFileSize> kBitmap = MakeBitmap();

} // namespace

std::span<const BYTE> ToolbarBitmapBytes() {
    return kBitmap;
}
