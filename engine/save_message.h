// The save run over one message: every attachment judged, saved, and removed or linked as the
// options ask; embedded messages descended into; the message saved once at its end.
//
// The road of one message, and where each step is:
//   SaveMessage                     the per-message record (message_context) and its facts,
//                                   read once (message_facts, mail_folder_path)
//   SaveMessageAttachments          a snapshot of the attachment table, row by row
//   SaveAttachment                  by value or embedded; the name filter; the attachment
//                                   deleted right after its own save when removing
//     BuildSavePath                 subfolder (subfolder_choice), name parts and the unique
//                                   counter (save_path); Save As when names are asked for
//                                   (save_file_dialog)
//     WriteAttachmentFile           the data, stream to file, with its times (attachment_file)
//     SetSavedFileSummary           sender and subject into the file (saved_file_summary)
//     ZipSavedFile / link           archive/zip_saved_file, or a link (links/link_attachment)
//     UnzipSavedArchive, command    archive/unzip_saved_archive; the user's command
//     SaveEmbeddedMessageFile       an embedded message, after its own pass, as a ".msg" file
//                                   (embedded_message_file)
//   SaveChanges                     once, after the last attachment
// The host's Save command (host/save_command) and the rule action call SaveMessage once per
// message.
#pragma once

#include "engine/message_context.h"

#include <cstdint>

// Adds the message's saved files to `runningCount`, whatever the result.
HRESULT SaveMessage(std::uint32_t* runningCount, IMAPISession* session, IMessage* message,
                    HWND ownerWindow, const SaveOptions* options);

HRESULT SaveMessageAttachments(MessageContext& context);

// 0 when saved, 1 when passed over, negative on failure.
HRESULT SaveAttachment(MessageContext& context, ULONG attachNum);
