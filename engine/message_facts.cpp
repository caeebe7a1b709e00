#include "engine/message_facts.h"

#include "engine/mail_folder_path.h"
#include "base/name_characters.h"
#include "base/name_cut.h"
#include "base/bounded_text.h"
#include "platform/mapi_buffer.h"
#include "platform/mapi_functions.h"
#include "platform/mapi_tags.h"
#include "platform/win32_time.h"

namespace {

enum FactColumn : ULONG {
    kParentEntryId,
    kSenderEmail,
    kSenderAddressType,
    kSenderName,
    kNormalizedSubject,
    kSubject,
    kDeliveryTime,
    kFactColumnCount,
};

bool Has(const SPropValue& value, ULONG tag) {
    return value.ulPropTag == tag;
}

// The delivery time as local calendar fields; false when it cannot be converted.
bool LocalCalendarTime(const FILETIME& utc, SYSTEMTIME& local) {
    FILETIME localTime;
    return FileTimeToLocalFileTime(&utc, &localTime) && FileTimeToSystemTime(&localTime, &local);
}

} // namespace

HRESULT ExtractDomain(LPCSTR address, LPSTR out, std::size_t size, LPCSTR defaultText) {
    LPCSTR at = address == nullptr ? nullptr : SzFindCh(address, '@');
    if (at != nullptr) {
        CopyNamePart(out, size, at + 1);
        return S_OK;
    }
    if (defaultText == nullptr) {
        return MAPI_E_NOT_FOUND;
    }
    BoundedCopy(out, size, defaultText);
    return S_OK;
}

void FormatReceivedDate(const MessageContext& context, LPSTR out, std::size_t size,
                        const FILETIME& deliveryTime) {
    SYSTEMTIME local;
    if (!LocalCalendarTime(deliveryTime, local)) {
        return;
    }
    const char* separator = context.options->dateSeparator;
    if (BoundedFormat(out, size, "%04d%s%02d%s%02d", local.wYear, separator, local.wMonth,
                      separator, local.wDay) == STRSAFE_E_INSUFFICIENT_BUFFER) {
        TrimBrokenTrailingCharacter(out);
    }
}

void FormatReceivedTime(const MessageContext& context, LPSTR out, std::size_t size,
                        const FILETIME& deliveryTime) {
    SYSTEMTIME local;
    if (!LocalCalendarTime(deliveryTime, local)) {
        return;
    }
    const char* separator = context.options->timeSeparator;
    if (BoundedFormat(out, size, "%02d%s%02d%s%02d", local.wHour, separator, local.wMinute,
                      separator, local.wSecond) == STRSAFE_E_INSUFFICIENT_BUFFER) {
        TrimBrokenTrailingCharacter(out);
    }
}

HRESULT GatherMessageFacts(MessageContext& context) {
    if (context.factsGathered) {
        return S_OK;
    }
    SizedSPropTagArray(kFactColumnCount, columns) = {
        kFactColumnCount,
        {PR_PARENT_ENTRYID, PR_SENDER_EMAIL_ADDRESS, PR_SENDER_ADDRTYPE, PR_SENDER_NAME,
         PR_NORMALIZED_SUBJECT, PR_SUBJECT, PR_MESSAGE_DELIVERY_TIME}};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    HRESULT hr = context.message->GetProps(reinterpret_cast<LPSPropTagArray>(&columns), 0, &count,
                                           values.Out());
    if (SUCCEEDED(hr) && values && count == kFactColumnCount) {
        if (Has(values[kSenderEmail], PR_SENDER_EMAIL_ADDRESS)) {
            CopyNamePart(context.senderEmail, sizeof(context.senderEmail),
                         values[kSenderEmail].Value.lpszA);
            context.senderEmailClean = CleanName(context.senderEmail);
            ExtractDomain(context.senderEmail, context.senderDomain, sizeof(context.senderDomain),
                          kUnknownDomain);
        }
        if (Has(values[kSenderName], PR_SENDER_NAME)) {
            CopyNamePart(context.senderName, sizeof(context.senderName),
                         values[kSenderName].Value.lpszA);
        }
        context.senderNameClean = CleanName(context.senderName);
        if (Has(values[kSenderAddressType], PR_SENDER_ADDRTYPE)) {
            BoundedCopy(context.senderAddressType, sizeof(context.senderAddressType),
                        values[kSenderAddressType].Value.lpszA);
        }
        LPCSTR subject = nullptr;
        if (Has(values[kNormalizedSubject], PR_NORMALIZED_SUBJECT)) {
            subject = values[kNormalizedSubject].Value.lpszA;
        } else if (Has(values[kSubject], PR_SUBJECT)) {
            subject = values[kSubject].Value.lpszA;
        }
        if (subject != nullptr) {
            BoundedCopy(context.subjectFull, sizeof(context.subjectFull), subject);
            CopyNamePart(context.subjectShort, sizeof(context.subjectShort), subject);
            context.subjectClean = CleanName(context.subjectShort);
        }
        if (Has(values[kDeliveryTime], PR_MESSAGE_DELIVERY_TIME)) {
            const FILETIME& delivered = values[kDeliveryTime].Value.ft;
            FormatReceivedDate(context, context.receivedDate, sizeof(context.receivedDate),
                               delivered);
            FormatReceivedTime(context, context.receivedTime, sizeof(context.receivedTime),
                               delivered);
        }
        if (Has(values[kParentEntryId], PR_PARENT_ENTRYID) &&
            context.options->subfolderMode == kMailFolderSubfolder) {
            BuildMailFolderPath(context, &values[kParentEntryId].Value.bin, context.mailFolderPath,
                                sizeof(context.mailFolderPath));
        }
    }
    context.factsGathered = true;
    return hr;
}
