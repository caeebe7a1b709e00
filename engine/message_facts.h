// The facts of a message that name its subfolder and its saved files: sender, domain,
// subject, received date and time, and the mail folder that holds it.
#pragma once

#include "engine/message_context.h"

#include <cstddef>

// Reads the facts into the context the first time; later calls do nothing. Returns the
// result of the property read, which callers may ignore.
HRESULT GatherMessageFacts(MessageContext& context);

// The text after the first at sign of `address`, else `defaultText`; MAPI_E_NOT_FOUND when
// there is neither.
HRESULT ExtractDomain(LPCSTR address, LPSTR out, std::size_t size, LPCSTR defaultText);

// The delivery time in local time as "year month day" and "hour minute second" with the run's
// separators; `out` is left as it was when the time cannot be converted.
void FormatReceivedDate(const MessageContext& context, LPSTR out, std::size_t size,
                        const FILETIME& deliveryTime);
void FormatReceivedTime(const MessageContext& context, LPSTR out, std::size_t size,
                        const FILETIME& deliveryTime);
