// Display Link Info on one message: one line per link, then the Link Info dialog with the
// message's subject. Nothing is changed.
#pragma once

#include "links/link_action.h"

#include <cstddef>

constexpr std::size_t kLinkTextCapacity = 8000;

class DisplayLinksAction final : public LinkAction {
  public:
    using LinkAction::LinkAction;

    HRESULT ProcessAttachment(LONG method, LONG number) override;
    // Shows the dialog; "Stop" answers MAPI_E_CANCEL, which ends the walk.
    HRESULT Finish() override;

    // Cut silently at 7,999 characters.
    char linkText[kLinkTextCapacity] = "";
};
