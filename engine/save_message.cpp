#include "engine/save_message.h"

#include "archive/unzip_saved_archive.h"
#include "archive/zip_paths.h"
#include "archive/zip_saved_file.h"
#include "engine/attachment_file.h"
#include "engine/embedded_message_file.h"
#include "engine/message_facts.h"
#include "base/name_characters.h"
#include "base/path_parts.h"
#include "engine/save_file_dialog.h"
#include "engine/save_path.h"
#include "engine/saved_file_summary.h"
#include "base/bounded_text.h"
#include "links/link_attachment.h"
#include "options/command_options.h"
#include "platform/mapi_buffer.h"
#include "platform/mapi_functions.h"
#include "platform/mapi_tags.h"
#include "platform/row_set.h"
#include "platform/shell_execute.h"
#include "platform/win32_files.h"
#include "platform/win32_text.h"

#include <cstring>

namespace {

enum AttachmentColumn : ULONG {
    kMethod,
    kLongFileName,
    kFileName,
    kCreationTime,
    kLastWriteTime,
    kDisplayName,
    kAttachmentColumnCount,
};

// What SaveAttachment read of one attachment; the texts live in the property buffer.
struct AttachmentFacts {
    LONG method = 0;
    LPSTR name = nullptr;
    const FILETIME* creationTime = nullptr;
    const FILETIME* lastWriteTime = nullptr;
    LPCSTR displayName = nullptr;
};

LPSTR CleanedText(SPropValue& value, ULONG tag) {
    if (value.ulPropTag != tag) {
        return nullptr;
    }
    LPSTR name = CleanName(value.Value.lpszA);
    return name != nullptr && name[0] != '\0' ? name : nullptr;
}

// The long file name, else the short one. A name that cleans to nothing is no name: saving
// it would write a file named only by its folder or its counter.
AttachmentFacts ReadAttachmentFacts(SPropValue* values) {
    AttachmentFacts facts;
    if (values[kMethod].ulPropTag == PR_ATTACH_METHOD) {
        facts.method = values[kMethod].Value.l;
    }
    facts.name = CleanedText(values[kLongFileName], PR_ATTACH_LONG_FILENAME);
    if (facts.name == nullptr) {
        facts.name = CleanedText(values[kFileName], PR_ATTACH_FILENAME);
    }
    if (values[kCreationTime].ulPropTag == PR_CREATION_TIME) {
        facts.creationTime = &values[kCreationTime].Value.ft;
    }
    if (values[kLastWriteTime].ulPropTag == PR_LAST_MODIFICATION_TIME) {
        facts.lastWriteTime = &values[kLastWriteTime].Value.ft;
    }
    if (values[kDisplayName].ulPropTag == PR_DISPLAY_NAME) {
        facts.displayName = values[kDisplayName].Value.lpszA;
    }
    return facts;
}

bool Matches(const SaveOptions& options, LPCSTR text) {
    return options.nameFilter[0] == '\0' || SzFindSz(text, options.nameFilter) != nullptr;
}

void RunUserCommand(const SaveOptions& options, LPCSTR savedPath, bool zipped) {
    char target[kSavePathCapacity];
    if (zipped) {
        MakeZipPath(savedPath, target, sizeof(target));
    } else {
        BoundedCopy(target, sizeof(target), savedPath);
    }
    char argument[kSavePathCapacity + 2];
    if (std::strchr(target, ' ') != nullptr) {
        BoundedFormat(argument, sizeof(argument), "\"%s\"", target);
    } else {
        BoundedCopy(argument, sizeof(argument), target);
    }
    ShellExecuteA(nullptr, "open", options.commandLine, argument, nullptr, SW_SHOWNORMAL);
}

HRESULT SaveByValue(MessageContext& context, IAttach* attachment, const AttachmentFacts& facts) {
    const SaveOptions& options = *context.options;
    if (!Matches(options, facts.name)) {
        return S_FALSE;
    }
    char path[kSavePathCapacity];
    if (!BuildSavePath(context, facts.name, path, sizeof(path))) {
        return E_POINTER;
    }
    if (options.specifyNames && !AskSaveFileName(context.ownerWindow, path, sizeof(path))) {
        return E_ABORT;
    }
    HRESULT hr = WriteAttachmentFile(attachment, path, facts.creationTime, facts.lastWriteTime);
    if (FAILED(hr)) {
        return hr;
    }
    FilesOfRun* written = options.writtenFiles.get();
    if (written != nullptr) {
        written->Add(path);
    }
    if (options.setSummaryProperties) {
        LPCSTR senderName =
            context.senderName[0] != '\0' && lstrcmpiA(context.senderName, kNoSenderName) != 0
                ? context.senderName
                : nullptr;
        LPCSTR senderAddress =
            context.senderEmail[0] != '\0' && lstrcmpiA(context.senderAddressType, "SMTP") == 0
                ? context.senderEmail
                : nullptr;
        SetSavedFileSummary(path, facts.name, context.subjectFull, senderName, senderAddress,
                            nullptr);
    }
    bool zipped = false;
    if (options.zipSaved && !IsZipPath(path)) {
        if (ZipSavedFile(path)) {
            if (written != nullptr) {
                char zipPath[kSavePathCapacity];
                MakeZipPath(path, zipPath, sizeof(zipPath));
                written->Add(zipPath);
            }
            DeleteFileA(path);
            zipped = true;
        }
    } else if (options.removeAttachments && options.leaveLinks) {
        hr = CreateLinkAttachment(context.message.Get(), facts.name, path);
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (options.unzipSaved && IsZipPath(path)) {
        char folder[kSavePathCapacity];
        FolderOfPath(path, folder);
        UnzipSavedArchive(path, folder, options.overwriteExisting != 0, written,
                          options.fieldSeparator);
    }
    if (options.commandLine[0] != '\0') {
        RunUserCommand(options, path, zipped);
    }
    ++context.savedCount;
    return hr;
}

HRESULT SaveEmbedded(MessageContext& context, IAttach* attachment, const AttachmentFacts& facts) {
    // Deeper than any real mail: a message nested without end is left as it is.
    if (context.depth >= kDeepestEmbeddedMessage) {
        return S_FALSE;
    }
    ComPtr<IMessage> embedded;
    // An embedded message that cannot be read fails its attachment like any failure inside it.
    HRESULT opened =
        attachment->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0,
                                 MAPI_MODIFY | MAPI_DEFERRED_ERRORS, embedded.OutUnknown());
    if (FAILED(opened)) {
        return opened;
    }
    MessageContext child(context.session.Get(), embedded.Get(), context.ownerWindow,
                         context.options);
    child.depth = context.depth + 1;
    // A failure inside the embedded message fails the attachment that holds it: the embedded
    // message stays in its parent whole, and the parent's pass stops with the failure.
    HRESULT hr = SaveMessageAttachments(child);
    context.savedCount += child.savedCount;
    if (FAILED(hr)) {
        return hr;
    }
    if (child.savedCount > 0 && context.options->removeAttachments) {
        hr = attachment->SaveChanges(0);
        if (FAILED(hr)) {
            return hr;
        }
        context.modified = true;
    }
    // A rule's options do not carry this switch: the stored options decide.
    std::shared_ptr<SaveOptions> stored = AcquireCommandOptions();
    if (!stored || !stored->saveEmbeddedMessages) {
        return S_FALSE;
    }
    if (facts.displayName != nullptr && !Matches(*context.options, facts.displayName)) {
        return S_FALSE;
    }
    GatherMessageFacts(child);
    return SaveEmbeddedMessageFile(child);
}

} // namespace

HRESULT SaveAttachment(MessageContext& context, ULONG attachNum) {
    ComPtr<IAttach> attachment;
    HRESULT hr = context.message->OpenAttach(
        attachNum, nullptr, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS, attachment.Out());
    if (FAILED(hr)) {
        return hr;
    }
    SizedSPropTagArray(kAttachmentColumnCount,
                       columns) = {kAttachmentColumnCount,
                                   {PR_ATTACH_METHOD, PR_ATTACH_LONG_FILENAME, PR_ATTACH_FILENAME,
                                    PR_CREATION_TIME, PR_LAST_MODIFICATION_TIME, PR_DISPLAY_NAME}};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    hr = attachment->GetProps(reinterpret_cast<LPSPropTagArray>(&columns), 0, &count, values.Out());
    if (FAILED(hr)) {
        return hr;
    }
    if (!values || count != kAttachmentColumnCount) {
        return MAPI_E_CALL_FAILED;
    }
    AttachmentFacts facts = ReadAttachmentFacts(values.Get());
    if (facts.method == static_cast<LONG>(ATTACH_EMBEDDED_MSG)) {
        return SaveEmbedded(context, attachment.Get(), facts);
    }
    if (facts.method == static_cast<LONG>(ATTACH_BY_VALUE) && facts.name != nullptr) {
        return SaveByValue(context, attachment.Get(), facts);
    }
    return S_FALSE;
}

HRESULT SaveMessageAttachments(MessageContext& context) {
    ComPtr<IMAPITable> table;
    HRESULT hr = context.message->GetAttachmentTable(MAPI_DEFERRED_ERRORS, table.Out());
    if (FAILED(hr)) {
        return hr;
    }
    SizedSPropTagArray(1, columns) = {1, {PR_ATTACH_NUM}};
    RowSet rows;
    hr = HrQueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr,
                        0, rows.Out());
    if (FAILED(hr)) {
        return hr;
    }
    HRESULT last = S_OK;
    for (ULONG i = 0; i < rows.Count(); ++i) {
        GatherMessageFacts(context);
        const SRow& row = rows[i];
        if (row.cValues < 1 || row.lpProps[0].ulPropTag != PR_ATTACH_NUM) {
            continue;
        }
        ULONG attachNum = row.lpProps[0].Value.ul;
        last = SaveAttachment(context, attachNum);
        if (FAILED(last)) {
            // The message is released unsaved: its removals and links of this pass go.
            return last;
        }
        if (last == S_OK && context.options->removeAttachments) {
            // An attachment that stays although its file was counted as detached is a failure.
            hr = context.message->DeleteAttach(attachNum, 0, nullptr, 0);
            if (FAILED(hr)) {
                return hr;
            }
            context.modified = true;
        }
    }
    if (context.modified) {
        // A message that cannot be saved keeps its attachments: the run stops and says so,
        // rather than count files as detached that are still in the message.
        return context.message->SaveChanges(0);
    }
    return last;
}

HRESULT SaveMessage(std::uint32_t* runningCount, IMAPISession* session, IMessage* message,
                    HWND ownerWindow, const SaveOptions* options) {
    MessageContext context(session, message, ownerWindow, options);
    HRESULT hr = SaveMessageAttachments(context);
    if (runningCount != nullptr) {
        *runningCount += context.savedCount;
    }
    return hr;
}
