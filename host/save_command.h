// The Save Attachments command: options, dialog and the name question, then every selected
// message through the save engine.
#pragma once

#include "host/message_visitor.h"
#include "options/save_options.h"

#include <cstdint>

class SaveVisitor final : public MessageVisitor {
  public:
    explicit SaveVisitor(const SaveOptions* options) : options(options) {}
    HRESULT Visit(IMAPISession* session, IMessage* message, HWND ownerWindow) override;

    const SaveOptions* options;
    // Files saved over the whole walk.
    std::uint32_t total = 0;
};
