#include "engine/save_path.h"

#include "archive/zip_paths.h"
#include "module/folder_creation.h"
#include "base/name_cut.h"
#include "engine/subfolder_choice.h"
#include "engine/windows_nt4.h"
#include "base/bounded_text.h"
#include "platform/mapi_functions.h"
#include "platform/win32_files.h"
#include "platform/win32_system.h"
#include "platform/win32_text.h"

#include <cstring>

namespace {

// Room kept free below the buffer's size, and the margin of the length rule.
constexpr std::size_t kBoundReserve = 4;
constexpr std::size_t kLengthRuleMargin = 5;

bool Present(LPCSTR text) {
    return text != nullptr && text[0] != '\0';
}

// A name part fits when the attachment name keeps enough room after it.
bool Fits(std::size_t pathLength, LPCSTR part, LPCSTR name, std::size_t bound) {
    return pathLength + std::strlen(part) + std::strlen(name) + kLengthRuleMargin < bound;
}

// Whether a file may be written at `path`. A missing name is free; with overwriteExisting an
// existing file is too, but never a folder, a link (it would write elsewhere, or replace the
// link with a file) or a file this run wrote (a second attachment of the same name would take
// the place of the first, whose message may already have lost it).
bool IsUsable(LPCSTR path, const SaveOptions& options) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return options.overwriteExisting || GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    if (!options.overwriteExisting ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        return false;
    }
    return !options.writtenFiles || !options.writtenFiles->Contains(path);
}

bool IsFreeName(LPCSTR path, const SaveOptions& options) {
    if (!IsUsable(path, options)) {
        return false;
    }
    // A later zip of this file must not meet an archive that is already there.
    char zipPath[kSavePathCapacity];
    MakeZipPath(path, zipPath, sizeof(zipPath));
    return IsUsable(zipPath, options);
}

// NT 4.0 splits a command's argument at blanks; its paths take "_" instead.
void ReplaceBlanksForOldSystems(LPSTR path) {
    bool replaced = false;
    for (LPSTR p = path; *p != '\0'; p = CharNextA(p)) {
        if (*p == ' ') {
            *p = '_';
            replaced = true;
        }
    }
    if (replaced) {
        CreateFolderTree(path);
    }
}

void AppendNameParts(const MessageContext& context, LPCSTR name, LPSTR out, std::size_t bound) {
    const SaveOptions& options = *context.options;
    auto fits = [&](LPCSTR part) { return Fits(std::strlen(out), part, name, bound); };
    auto append = [&](LPCSTR part, LPCSTR separator) {
        AppendNamePart(out, bound, part);
        AppendNamePart(out, bound, separator);
    };
    bool wantTime = options.appendReceivedTime && Present(context.receivedTime);
    if (options.appendReceivedDate && Present(context.receivedDate) && fits(context.receivedDate)) {
        // The time follows the date, joined by its own separator, when it fits right after it;
        // otherwise the date stands alone.
        std::size_t afterDate = std::strlen(out) + std::strlen(context.receivedDate) +
                                std::strlen(options.dateTimeSeparator);
        bool timeFollows = wantTime && Fits(afterDate, context.receivedTime, name, bound);
        append(context.receivedDate,
               timeFollows ? options.dateTimeSeparator : options.fieldSeparator);
        if (timeFollows) {
            append(context.receivedTime, options.fieldSeparator);
        }
    } else if (wantTime && fits(context.receivedTime)) {
        append(context.receivedTime, options.fieldSeparator);
    }
    if (options.appendSenderName && Present(context.senderNameClean) &&
        fits(context.senderNameClean)) {
        append(context.senderNameClean, options.fieldSeparator);
    }
    if (options.appendSenderEmail && Present(context.senderEmailClean) &&
        lstrcmpiA(context.senderAddressType, "SMTP") == 0 && fits(context.senderEmailClean)) {
        append(context.senderEmailClean, options.fieldSeparator);
    }
    if (options.appendSubject && Present(context.subjectClean) && fits(context.subjectClean)) {
        append(context.subjectClean, options.fieldSeparator);
    }
}

} // namespace

bool BuildSavePath(MessageContext& context, LPCSTR name, LPSTR out, std::size_t size) {
    const SaveOptions& options = *context.options;
    const std::size_t bound = size - kBoundReserve;
    for (int counter = 0;;) {
        CopyNamePart(out, bound, options.targetFolder);
        if (LPCSTR subfolder = ChooseSubfolder(context)) {
            AppendNamePart(out, bound, subfolder);
            AppendNamePart(out, bound, "\\");
            if (!EnsureFolder(out, context.ownerWindow)) {
                return false;
            }
        }
        AppendNameParts(context, name, out, bound);
        // A cut name would lose its end and its extension, and every counter after it would be
        // cut the same way: a path that cannot hold the whole name stops here.
        if (FAILED(AppendNamePart(out, bound, name))) {
            return false;
        }
        if (counter >= 1 && !AddUniqueSuffix(out, bound, counter, options.fieldSeparator)) {
            return false;
        }
        if (IsWindowsNT4() && options.commandLine[0] != '\0') {
            ReplaceBlanksForOldSystems(out);
        }
        if (IsFreeName(out, options)) {
            return true;
        }
        // Counters 0 to 14,999 are tried, the last of them too.
        if (++counter >= kMostUniqueCounters) {
            return false;
        }
    }
}
