#include "platform/embedded/system/command_line.h"

namespace embedded {

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> arguments;
    std::size_t at = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (true) {
        while (at < line.size() && blank(line[at])) {
            ++at;
        }
        if (at >= line.size()) {
            return arguments;
        }
        std::string argument;
        bool quoted = false;
        while (at < line.size() && (quoted || !blank(line[at]))) {
            std::size_t slashes = 0;
            while (at < line.size() && line[at] == '\\') {
                ++slashes;
                ++at;
            }
            if (at < line.size() && line[at] == '"') {
                argument.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    argument += '"';
                } else if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
                    argument += '"';
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
            } else {
                argument.append(slashes, '\\');
                if (slashes == 0 && at < line.size()) {
                    argument += line[at];
                    ++at;
                }
            }
        }
        arguments.push_back(argument);
    }
}

} // namespace embedded
