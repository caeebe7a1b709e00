// What the person asked `filvex save` for: the messages, and how to answer the dialogs and
// boxes of the Save command. An option left out leaves its control as the dialog opened it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

// Answer for every box when no one is at a terminal.
enum class BoxAnswer { Ask, Yes, No };

struct SaveRequest {
    std::vector<std::string> paths;
    std::string storeFolder = ".";
    bool recursive = false;

    std::optional<std::string> folder;
    // The name parts to append, as named: "name", "email", "date", "time", "subject".
    std::optional<std::vector<std::string>> append;
    std::optional<bool> overwrite;
    std::optional<std::string> subfolder;
    std::optional<std::string> filter;
    std::optional<bool> remove;
    std::optional<bool> links;
    std::optional<std::string> exec;
    std::optional<bool> zip;
    std::optional<bool> unzip;

    bool noDialog = false;
    bool openFolder = false;
    BoxAnswer boxes = BoxAnswer::Ask;
    bool json = false;
};

} // namespace cli
