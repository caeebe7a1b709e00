// The per-message record of a save run: the message, where it came from, and the facts read
// from it once, which name the subfolders and the saved files.
#pragma once

#include "options/save_options.h"
#include "platform/com_ptr.h"
#include "platform/mapi_interfaces.h"

#include <cstddef>
#include <cstdint>

constexpr std::size_t kSenderEmailCapacity = 64;
constexpr std::size_t kSenderAddressTypeCapacity = 64;
constexpr std::size_t kSenderDomainCapacity = 64;
constexpr std::size_t kSubjectShortCapacity = 80;
constexpr std::size_t kSubjectFullCapacity = 256;
constexpr std::size_t kSenderNameCapacity = 50;
constexpr std::size_t kMailFolderPathCapacity = 128;
constexpr std::size_t kReceivedTextCapacity = 32;
constexpr std::size_t kSavePathCapacity = 260;

// Embedded messages nest at most this deep below a selected message.
constexpr int kDeepestEmbeddedMessage = 64;

inline constexpr char kNoSenderName[] = "NOSENDER";
inline constexpr char kUnknownDomain[] = "unknown.domain";

// One record for a selected message or for an embedded message inside one; it holds a
// reference to the message and the session for its lifetime and borrows the run's options.
struct MessageContext {
    MessageContext(IMAPISession* session, IMessage* message, HWND ownerWindow,
                   const SaveOptions* options);
    MessageContext(const MessageContext&) = delete;
    MessageContext& operator=(const MessageContext&) = delete;
    // Releases the session, then the message.
    ~MessageContext();

    // Files written from attachments by value, of this message and the messages inside it.
    std::uint32_t savedCount = 0;
    ComPtr<IMessage> message;
    ComPtr<IMAPISession> session;
    char senderEmail[kSenderEmailCapacity] = {};
    LPSTR senderEmailClean = nullptr;
    char senderAddressType[kSenderAddressTypeCapacity] = {};
    char senderDomain[kSenderDomainCapacity] = {};
    char subjectShort[kSubjectShortCapacity] = {};
    char subjectFull[kSubjectFullCapacity] = {};
    LPSTR subjectClean = nullptr;
    char senderName[kSenderNameCapacity] = {};
    LPSTR senderNameClean = nullptr;
    char mailFolderPath[kMailFolderPathCapacity] = {};
    char receivedDate[kReceivedTextCapacity] = {};
    char receivedTime[kReceivedTextCapacity] = {};
    bool factsGathered = false;
    // Null for a rule action: then no folder message is shown.
    HWND ownerWindow = nullptr;
    const SaveOptions* options = nullptr;
    // Set when the message changed and must be saved after its last attachment.
    bool modified = false;
    // 0 for a selected message, one more for each embedded message it is inside.
    int depth = 0;
};
