#include "options/options_persistence.h"

#include "base/name_characters.h"
#include "base/bounded_text.h"
#include "options/recent_folders.h"
#include "platform/win32_text.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

struct FlagValue {
    const char* name;
    std::int32_t SaveOptions::*field;
};

// The order in which they are read.
constexpr FlagValue kReadFlags[] = {
    {registry_names::kAdvancedEnabled, &SaveOptions::advancedEnabled},
    {registry_names::kAppendSenderName, &SaveOptions::appendSenderName},
    {registry_names::kAppendSenderEmail, &SaveOptions::appendSenderEmail},
    {registry_names::kAppendReceivedDate, &SaveOptions::appendReceivedDate},
    {registry_names::kAppendReceivedTime, &SaveOptions::appendReceivedTime},
    {registry_names::kAppendSubject, &SaveOptions::appendSubject},
    {registry_names::kOverwriteExisting, &SaveOptions::overwriteExisting},
    {registry_names::kRemoveAttachments, &SaveOptions::removeAttachments},
    {registry_names::kLeaveLinks, &SaveOptions::leaveLinks},
    {registry_names::kZipSaved, &SaveOptions::zipSaved},
    {registry_names::kUnzipSaved, &SaveOptions::unzipSaved},
    {registry_names::kOptionsExpanded, &SaveOptions::optionsExpanded},
    {registry_names::kSaveEmbeddedMessages, &SaveOptions::saveEmbeddedMessages},
    {registry_names::kPromptForNames, &SaveOptions::promptForNames},
    {registry_names::kShowReattachSummary, &SaveOptions::showReattachSummary},
    {registry_names::kSetSummaryProperties, &SaveOptions::setSummaryProperties},
};

// EA and SSP are an administrator's to set; the product never writes them.
constexpr FlagValue kWrittenFlagsBeforeSubfolder[] = {
    {registry_names::kAppendSenderName, &SaveOptions::appendSenderName},
    {registry_names::kAppendSenderEmail, &SaveOptions::appendSenderEmail},
    {registry_names::kAppendReceivedDate, &SaveOptions::appendReceivedDate},
    {registry_names::kAppendReceivedTime, &SaveOptions::appendReceivedTime},
    {registry_names::kAppendSubject, &SaveOptions::appendSubject},
    {registry_names::kOverwriteExisting, &SaveOptions::overwriteExisting},
    {registry_names::kRemoveAttachments, &SaveOptions::removeAttachments},
    {registry_names::kLeaveLinks, &SaveOptions::leaveLinks},
    {registry_names::kZipSaved, &SaveOptions::zipSaved},
    {registry_names::kUnzipSaved, &SaveOptions::unzipSaved},
    {registry_names::kOptionsExpanded, &SaveOptions::optionsExpanded},
    {registry_names::kSaveEmbeddedMessages, &SaveOptions::saveEmbeddedMessages},
};
constexpr FlagValue kWrittenFlagsAfterTexts[] = {
    {registry_names::kPromptForNames, &SaveOptions::promptForNames},
    {registry_names::kShowReattachSummary, &SaveOptions::showReattachSummary},
};

// The value's first four bytes, whatever its type; nothing when it is missing or longer.
bool ReadNumber(HKEY key, LPCSTR name, DWORD& number) {
    number = 0;
    DWORD size = sizeof number;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(&number), &size) !=
        ERROR_SUCCESS) {
        // A read that failed may have left anything in the buffer.
        number = 0;
        return false;
    }
    return true;
}

// A text value into a field of `capacity` bytes, whatever its type. A value that is missing,
// or that does not fit with its terminator, leaves the field as it was: the platform leaves
// the buffer undefined when more data is available, and stored data need not be terminated.
bool ReadText(HKEY key, LPCSTR name, char* field, std::size_t capacity) {
    char text[kFolderCapacity + 1];
    DWORD size = static_cast<DWORD>(capacity);
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(text), &size) !=
            ERROR_SUCCESS ||
        size > capacity) {
        return false;
    }
    text[size] = '\0';
    if (std::strlen(text) >= capacity) {
        return false;
    }
    BoundedCopy(field, capacity, text);
    return true;
}

void WriteNumber(HKEY key, LPCSTR name, DWORD number) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

void WriteFlag(HKEY key, const SaveOptions& options, const FlagValue& flag) {
    WriteNumber(key, flag.name, options.*flag.field != 0 ? 1 : 0);
}

void WriteText(HKEY key, LPCSTR name, LPCSTR text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}

void AddStoredFolder(SaveOptions& options, HKEY key, LPCSTR name) {
    char folder[kFolderCapacity];
    folder[0] = '\0';
    if (ReadText(key, name, folder, sizeof folder) && folder[0] != '\0') {
        AddRecentFolder(options, folder);
    }
}

} // namespace

HRESULT LoadFromRegistry(SaveOptions& options) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(options.registryRoot->RootKey(), kOptionsKeyPath, 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS) {
        options.optionsKeyFound = false;
        return S_OK;
    }
    options.optionsKeyFound = true;

    for (const FlagValue& flag : kReadFlags) {
        DWORD number = 0;
        if (ReadNumber(key, flag.name, number)) {
            options.*flag.field = number != 0 ? 1 : 0;
        }
    }
    // A missing subfolder mode is mode 0; one out of range is not taken.
    DWORD mode = 0;
    ReadNumber(key, registry_names::kSubfolderMode, mode);
    if (mode <= static_cast<DWORD>(kLastSubfolderMode)) {
        options.subfolderMode = static_cast<std::int32_t>(mode);
    }

    // Oldest first, so that each later one moves in front and SD, the last target, leads.
    for (int n = static_cast<int>(kRecentFolderCount); n >= 1; --n) {
        char name[8];
        wsprintfA(name, registry_names::kRecentFolderFormat, n);
        AddStoredFolder(options, key, name);
    }
    AddStoredFolder(options, key, registry_names::kTargetFolder);

    ReadText(key, registry_names::kNameFilter, options.nameFilter, kNameFilterCapacity);
    ReadText(key, registry_names::kCommandLine, options.commandLine, kCommandLineCapacity);
    ReadSeparators(options, key);
    RegCloseKey(key);
    return S_OK;
}

HRESULT ReadFlagFromRegistry(SaveOptions& options, std::int32_t SaveOptions::*field) {
    const FlagValue* flag = std::find_if(std::begin(kReadFlags), std::end(kReadFlags),
                                         [field](const FlagValue& f) { return f.field == field; });
    HKEY key = nullptr;
    if (flag == std::end(kReadFlags) ||
        RegOpenKeyExA(options.registryRoot->RootKey(), kOptionsKeyPath, 0, KEY_ALL_ACCESS, &key) !=
            ERROR_SUCCESS) {
        return S_OK;
    }
    DWORD number = 0;
    if (ReadNumber(key, flag->name, number)) {
        options.*field = number != 0 ? 1 : 0;
    }
    RegCloseKey(key);
    return S_OK;
}

HRESULT ReadSeparators(SaveOptions& options, HKEY key) {
    ReadText(key, registry_names::kFieldSeparator, options.fieldSeparator, kSeparatorCapacity);
    ReadText(key, registry_names::kDateSeparator, options.dateSeparator, kSeparatorCapacity);
    ReadText(key, registry_names::kTimeSeparator, options.timeSeparator, kSeparatorCapacity);
    ReadText(key, registry_names::kDateTimeSeparator, options.dateTimeSeparator,
             kSeparatorCapacity);
    // An empty separator is a legal one: the parts are then joined without one.
    if (!IsLegalName(options.fieldSeparator) || !IsLegalName(options.dateSeparator) ||
        !IsLegalName(options.timeSeparator) || !IsLegalName(options.dateTimeSeparator)) {
        ResetSeparators(options);
    }
    return S_OK;
}

HRESULT SaveToRegistry(const SaveOptions& options) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(options.registryRoot->RootKey(), kOptionsKeyPath, 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) != ERROR_SUCCESS) {
        return S_OK;
    }
    for (const FlagValue& flag : kWrittenFlagsBeforeSubfolder) {
        WriteFlag(key, options, flag);
    }
    WriteNumber(key, registry_names::kSubfolderMode, static_cast<DWORD>(options.subfolderMode));
    WriteText(key, registry_names::kNameFilter, options.nameFilter);
    WriteText(key, registry_names::kCommandLine, options.commandLine);
    for (const FlagValue& flag : kWrittenFlagsAfterTexts) {
        WriteFlag(key, options, flag);
    }
    // Entries left empty keep whatever older values the key holds.
    for (std::size_t i = 0; i < kRecentFolderCount; ++i) {
        if (options.recentFolders[i][0] != '\0') {
            char name[8];
            wsprintfA(name, registry_names::kRecentFolderFormat, static_cast<int>(i + 1));
            WriteText(key, name, options.recentFolders[i]);
        }
    }
    WriteText(key, registry_names::kTargetFolder, options.recentFolders[0]);
    RegCloseKey(key);
    return S_OK;
}

std::vector<StoredValueType> StoredValueTypes() {
    using namespace registry_names;
    std::vector<StoredValueType> types;
    for (const FlagValue& flag : kReadFlags) {
        types.push_back({flag.name, REG_DWORD});
    }
    types.push_back({kSubfolderMode, REG_DWORD});
    for (int n = 1; n <= static_cast<int>(kRecentFolderCount); ++n) {
        char name[8];
        wsprintfA(name, kRecentFolderFormat, n);
        types.push_back({name, REG_SZ});
    }
    for (const char* text : {kTargetFolder, kNameFilter, kCommandLine, kFieldSeparator,
                             kDateSeparator, kTimeSeparator, kDateTimeSeparator}) {
        types.push_back({text, REG_SZ});
    }
    return types;
}
