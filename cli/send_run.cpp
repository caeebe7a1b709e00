#include "cli/send_run.h"

#include "cli/link_agent.h"
#include "cli/module_session.h"
#include "cli/selection_paths.h"
#include "host/extension_entry.h"
#include "platform/embedded/client/extension_host.h"
#include "platform/embedded/msg/msg_folder_store.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/mapi_functions.h"
#include "platform/mapi_tags.h"
#include "platform/row_set.h"

#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace cli {
namespace {

// The links the message holds now, as the client would send it.
ULONG LinksOf(IMessage* message) {
    ComPtr<IMAPITable> table;
    if (FAILED(message->GetAttachmentTable(0, table.Out()))) {
        return 0;
    }
    SizedSPropTagArray(1, columns) = {1, {PR_ATTACH_METHOD}};
    RowSet rows;
    if (FAILED(HrQueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr,
                              nullptr, 0, rows.Out()))) {
        return 0;
    }
    ULONG links = 0;
    for (ULONG i = 0; i < rows.Count(); ++i) {
        const SPropValue& method = rows[i].lpProps[0];
        if (method.ulPropTag == PR_ATTACH_METHOD &&
            (method.Value.l == ATTACH_BY_REFERENCE || method.Value.l == ATTACH_BY_REF_RESOLVE)) {
            ++links;
        }
    }
    return links;
}

} // namespace

int RunSend(const LinkRequest& request) {
    SelectionPaths selection = CollectMessages(request.storeFolder, request.paths, false);
    if (!selection.error.empty()) {
        std::cerr << "filvex: " << selection.error << "\n";
        return 2;
    }
    if (selection.messages.size() != 1) {
        std::cerr << "filvex: send takes one message\n";
        return 2;
    }
    const std::string storeFolder = std::filesystem::canonical(request.storeFolder).string();
    embedded::SetCallLogEnabled(false);
    embedded::MsgFolderStore store(storeFolder);
    const embedded::EntryId id = store.Message(selection.messages[0]);

    const bool interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    LoadedFilvex module;
    LinkAgent agent(request, interactive);
    AgentAtTheScreen atTheScreen(agent);
    ComPtr<IMAPISession> session(store.OpenSession());
    ComPtr<IMessage> message;
    ULONG type = 0;
    if (FAILED(session->OpenEntry(id.Size(), id.Get(), nullptr, MAPI_BEST_ACCESS, &type,
                                  message.OutUnknown()))) {
        std::cerr << "filvex: " << selection.messages[0] << " cannot be opened\n";
        return 1;
    }
    const ULONG linksBefore = LinksOf(message.Get());
    embedded::ExtensionHost host(session.Get(), "Untitled - Message");
    host.Compose(message.Get());
    if (!host.Load(CreateMailExtension, EECONTEXT_SENDNOTEMESSAGE)) {
        std::cerr << "filvex: the module did not install itself in the compose window\n";
        return 1;
    }
    const embedded::ExtensionHost::SendOutcome outcome = host.Send();
    host.Unload();
    if (FAILED(outcome.write)) {
        std::cerr << "filvex: the message could not be written\n";
        return 1;
    }
    if (!outcome.sent) {
        std::cerr << "filvex: the message was held back; " << LinksOf(message.Get()) << " of its "
                  << linksBefore << " link(s) are still in it\n";
        return 1;
    }
    const ULONG links = LinksOf(message.Get());
    if (links == 0) {
        std::cout << "the message would go out without links\n";
    } else {
        std::cout << "the message would go out with " << links << " link(s)\n";
    }
    return 0;
}

} // namespace cli
