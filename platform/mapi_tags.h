// The property tags that the module reads and writes on messages, attachments and folders, and
// the ones it leaves out when it copies a message into a ".msg" file. Strings are 8-bit.
#pragma once

#include "platform/mapi_types.h"

#ifdef _WIN32
#include <mapitags.h>
// The module is built without UNICODE: its string tags must be the 8-bit ones.
static_assert(PR_SUBJECT == 0x0037001E, "string tags must be PT_STRING8");
static_assert(PR_DISPLAY_NAME == 0x3001001E, "string tags must be PT_STRING8");
#else
// Messages.
constexpr ULONG PR_MESSAGE_CLASS = 0x001A001E;
constexpr ULONG PR_SUBJECT = 0x0037001E;
constexpr ULONG PR_NORMALIZED_SUBJECT = 0x0E1D001E;
constexpr ULONG PR_SENDER_NAME = 0x0C1A001E;
constexpr ULONG PR_SENDER_ADDRTYPE = 0x0C1E001E;
constexpr ULONG PR_SENDER_EMAIL_ADDRESS = 0x0C1F001E;
constexpr ULONG PR_MESSAGE_DELIVERY_TIME = 0x0E060040;
constexpr ULONG PR_MESSAGE_FLAGS = 0x0E070003;
constexpr ULONG PR_PARENT_ENTRYID = 0x0E090102;
constexpr ULONG PR_MESSAGE_RECIPIENTS = 0x0E12000D;
constexpr ULONG PR_MESSAGE_ATTACHMENTS = 0x0E13000D;
constexpr ULONG PR_RTF_COMPRESSED = 0x10090102;

// Left out when an embedded message is written as a ".msg" file.
constexpr ULONG PR_ACCESS = 0x0FF40003;
constexpr ULONG PR_BODY = 0x1000001E;
constexpr ULONG PR_RTF_SYNC_BODY_COUNT = 0x10070003;
constexpr ULONG PR_RTF_SYNC_BODY_CRC = 0x10060003;
constexpr ULONG PR_RTF_SYNC_BODY_TAG = 0x1008001E;
constexpr ULONG PR_RTF_SYNC_PREFIX_COUNT = 0x10100003;
constexpr ULONG PR_RTF_SYNC_TRAILING_COUNT = 0x10110003;

// Every object.
constexpr ULONG PR_INSTANCE_KEY = 0x0FF60102;
constexpr ULONG PR_RECORD_KEY = 0x0FF90102;
constexpr ULONG PR_STORE_ENTRYID = 0x0FFB0102;
constexpr ULONG PR_OBJECT_TYPE = 0x0FFE0003;
constexpr ULONG PR_ENTRYID = 0x0FFF0102;
constexpr ULONG PR_DISPLAY_NAME = 0x3001001E;
constexpr ULONG PR_CREATION_TIME = 0x30070040;
constexpr ULONG PR_LAST_MODIFICATION_TIME = 0x30080040;

// Folders.
constexpr ULONG PR_FOLDER_TYPE = 0x36010003;

// Recipients.
constexpr ULONG PR_RECIPIENT_TYPE = 0x0C150003;
constexpr ULONG PR_ADDRTYPE = 0x3002001E;
constexpr ULONG PR_EMAIL_ADDRESS = 0x3003001E;
constexpr ULONG PR_ROWID = 0x30000003;

// Attachments.
constexpr ULONG PR_ATTACH_SIZE = 0x0E200003;
constexpr ULONG PR_ATTACH_NUM = 0x0E210003;
constexpr ULONG PR_ATTACH_DATA_BIN = 0x37010102;
constexpr ULONG PR_ATTACH_DATA_OBJ = 0x3701000D;
constexpr ULONG PR_ATTACH_EXTENSION = 0x3703001E;
constexpr ULONG PR_ATTACH_FILENAME = 0x3704001E;
constexpr ULONG PR_ATTACH_METHOD = 0x37050003;
constexpr ULONG PR_ATTACH_LONG_FILENAME = 0x3707001E;
constexpr ULONG PR_RENDERING_POSITION = 0x370B0003;
constexpr ULONG PR_ATTACH_LONG_PATHNAME = 0x370D001E;
constexpr ULONG PR_ATTACH_MIME_TAG = 0x370E001E;
#endif
