// 8-bit text in the Windows code pages that messages carry, turned into UTF-8, the system code
// page of the embedded platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace embedded {

constexpr std::uint32_t kWesternCodePage = 1252;

// The ANSI code page that a Windows locale id writes its 8-bit text in.
std::uint32_t CodePageOfLocale(std::uint32_t localeId);

// Nothing when the code page is unknown here. Bytes that do not belong to the code page
// become U+FFFD, so that one bad byte does not lose a whole subject.
std::optional<std::string> DecodeToUtf8(std::string_view bytes, std::uint32_t codePage);

} // namespace embedded
