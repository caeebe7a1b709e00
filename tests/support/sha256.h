// SHA-256 of a byte string, as lowercase hex: what manifests of test files give for contents.
#pragma once

#include <string>
#include <string_view>

namespace testing_support {

std::string Sha256Hex(std::string_view bytes);

} // namespace testing_support
