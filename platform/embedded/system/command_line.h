// A Windows command line split into its arguments, by the rules programs on that platform
// apply to their own command line: blanks and tabs separate; double quotes group and are
// removed; backslashes are literal except before a double quote, where each pair gives one
// backslash and an odd one out makes the quote literal; inside quotes a doubled quote is one
// literal quote.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace embedded {

std::vector<std::string> SplitCommandLine(std::string_view line);

} // namespace embedded
