// The settings of a run that change or delete data (remove, links, overwrite, zip, unzip,
// command) and where each comes from: an option given on the command line, or the stored
// options that a plain run takes without a word. Said before the first message, so that a
// destructive stored option never acts unseen.
#pragma once

#include <string>

namespace cli {

struct RunSettings {
    bool remove = false;
    // In force only with remove and without zip, as the save engine leaves links.
    bool links = false;
    bool overwrite = false;
    bool zip = false;
    bool unzip = false;
    std::string command;
    std::string filter;
};

// Whether each setting was given as an option (else it is the stored one).
struct SettingOrigins {
    bool remove = false;
    bool links = false;
    bool overwrite = false;
    bool zip = false;
    bool unzip = false;
    bool command = false;
};

// "settings: remove yes (option), links no (stored), ..."
std::string SettingsLine(const RunSettings& settings, const SettingOrigins& origins);
// The same as a JSON object: {"remove": {"value": true, "from": "option"}, ...}
std::string SettingsJson(const RunSettings& settings, const SettingOrigins& origins);

// Text as a JSON string.
std::string JsonText(const std::string& text);

} // namespace cli
