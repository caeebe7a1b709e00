#include "engine/subfolder_choice.h"

namespace {

LPCSTR NonEmpty(LPCSTR text) {
    return text != nullptr && text[0] != '\0' ? text : nullptr;
}

} // namespace

LPCSTR ChooseSubfolder(const MessageContext& context) {
    switch (context.options->subfolderMode) {
    case kSenderNameSubfolder:
        return NonEmpty(context.senderNameClean);
    case kReceivedDateSubfolder:
        return NonEmpty(context.receivedDate);
    case kMailFolderSubfolder:
        return NonEmpty(context.mailFolderPath);
    case kSubjectSubfolder:
        return NonEmpty(context.subjectClean);
    case kSenderDomainSubfolder:
        return NonEmpty(context.senderDomain);
    default:
        return nullptr;
    }
}
