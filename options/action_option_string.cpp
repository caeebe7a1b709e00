#include "options/action_option_string.h"

#include "base/bounded_text.h"
#include "options/options_persistence.h"
#include "options/recent_folders.h"
#include "platform/win32_text.h"

#include <array>

namespace {

struct FlagLetter {
    char letter;
    std::int32_t SaveOptions::*flag;
};
// The order in which the writer lists them.
constexpr std::array<FlagLetter, 10> kFlagLetters{{
    {'n', &SaveOptions::appendSenderName},
    {'e', &SaveOptions::appendSenderEmail},
    {'d', &SaveOptions::appendReceivedDate},
    {'t', &SaveOptions::appendReceivedTime},
    {'s', &SaveOptions::appendSubject},
    {'o', &SaveOptions::overwriteExisting},
    {'r', &SaveOptions::removeAttachments},
    {'l', &SaveOptions::leaveLinks},
    {'z', &SaveOptions::zipSaved},
    {'u', &SaveOptions::unzipSaved},
}};

// Strings stored by any version are read with these bounds.
constexpr std::size_t kReadCapacity = 4096;
constexpr std::size_t kMostTokens = 20;
// The field letter, a colon and a blank come before a value.
constexpr int kValueOffset = 3;

// The token's value: from its fourth character, or empty when the token is shorter.
LPCSTR ValueOf(LPCSTR token) {
    LPCSTR value = token;
    for (int i = 0; i < kValueOffset; ++i) {
        value = CharNextA(value);
    }
    return value;
}

// The next field end after the token's first character, so that a token starting with a bar
// keeps it; null when there is none.
LPSTR FieldEndOf(LPSTR token) {
    for (LPSTR at = CharNextA(token); *at != '\0'; at = CharNextA(at)) {
        if (*at == kActionFieldEnd) {
            return at;
        }
    }
    return nullptr;
}

void ReadField(SaveOptions& options, LPCSTR token) {
    LPCSTR value = ValueOf(token);
    switch (token[0]) {
    case 'b':
        // Letters add up across b fields; what is not a flag letter is no flag.
        for (LPCSTR at = value; *at != '\0'; at = CharNextA(at)) {
            for (const FlagLetter& flag : kFlagLetters) {
                if (*at == flag.letter) {
                    options.*flag.flag = 1;
                }
            }
        }
        break;
    case 'e':
        BoundedCopy(options.commandLine, kCommandLineCapacity, value);
        break;
    case 'f':
        options.subfolderMode = value[0] >= '0' && value[0] <= '0' + kLastSubfolderMode
                                    ? static_cast<std::int32_t>(value[0] - '0')
                                    : kNoSubfolder;
        break;
    case 'p':
        // An empty folder would become the root of the current drive: it stays unset instead.
        if (value[0] != '\0') {
            AddRecentFolder(options, value);
        }
        break;
    case 'r':
        BoundedCopy(options.nameFilter, kNameFilterCapacity, value);
        break;
    default:
        // v and c included: the version and command are not checked.
        break;
    }
}

} // namespace

void FormatActionOptions(const SaveOptions& options, LPCSTR commandName, LPSTR buffer) {
    char letters[kFlagLetters.size() + 1];
    std::size_t count = 0;
    for (const FlagLetter& flag : kFlagLetters) {
        if (options.*flag.flag != 0) {
            letters[count++] = flag.letter;
        }
    }
    letters[count] = '\0';
    BoundedFormat(buffer, kActionOptionsCapacity, "v: 1|c: %s|b: %s|p: %s|f: %d|r: %s|e: %s|",
                  commandName, letters, options.targetFolder,
                  static_cast<int>(options.subfolderMode), options.nameFilter, options.commandLine);
}

void ParseActionOptions(SaveOptions& options, LPCSTR text) {
    if (text == nullptr || text[0] == '\0') {
        return;
    }
    char work[kReadCapacity] = {};
    BoundedCopy(work, kReadCapacity, text);

    LPSTR token = work;
    for (std::size_t taken = 0; taken < kMostTokens && *token != '\0'; ++taken) {
        LPSTR end = FieldEndOf(token);
        if (end == nullptr) {
            break; // text after the last bar is no field
        }
        *end = '\0';
        ReadField(options, token);
        token = end + 1;
    }
    ReadFlagFromRegistry(options, &SaveOptions::setSummaryProperties);
}

bool FitsActionOptions(LPCSTR value) {
    for (LPCSTR at = value; at != nullptr && *at != '\0'; at = CharNextA(at)) {
        if (*at == kActionFieldEnd) {
            return false;
        }
    }
    return true;
}
