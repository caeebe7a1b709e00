#include "cli/run_settings.h"

#include <cstdio>
#include <vector>

namespace cli {
namespace {

struct Entry {
    const char* name;
    std::string text; // as the line shows it
    std::string json; // as JSON shows it
    bool given;
};

std::vector<Entry> EntriesOf(const RunSettings& settings, const SettingOrigins& origins) {
    auto flag = [](const char* name, bool value, bool given) {
        return Entry{name, value ? "yes" : "no", value ? "true" : "false", given};
    };
    return {
        flag("remove", settings.remove, origins.remove),
        flag("links", settings.links, origins.links),
        flag("overwrite", settings.overwrite, origins.overwrite),
        flag("zip", settings.zip, origins.zip),
        flag("unzip", settings.unzip, origins.unzip),
        Entry{"command", settings.command.empty() ? "none" : "\"" + settings.command + "\"",
              JsonText(settings.command), origins.command},
    };
}

} // namespace

std::string SettingsLine(const RunSettings& settings, const SettingOrigins& origins) {
    std::string line = "settings:";
    bool first = true;
    for (const Entry& entry : EntriesOf(settings, origins)) {
        line += std::string(first ? " " : ", ") + entry.name + " " + entry.text + " (" +
                (entry.given ? "option" : "stored") + ")";
        first = false;
    }
    return line;
}

std::string SettingsJson(const RunSettings& settings, const SettingOrigins& origins) {
    std::string json = "{";
    bool first = true;
    for (const Entry& entry : EntriesOf(settings, origins)) {
        json += std::string(first ? "" : ", ") + "\"" + entry.name +
                "\": {\"value\": " + entry.json + ", \"from\": \"" +
                (entry.given ? "option" : "stored") + "\"}";
        first = false;
    }
    return json + "}";
}

std::string JsonText(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

} // namespace cli
