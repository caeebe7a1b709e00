// Putting linked files back: each link whose file can be read whole becomes a by-value
// attachment with the file's bytes, name and times, the link goes, and the file is deleted
// only once the message holding its copy was saved.
#pragma once

#include "links/link_action.h"

#include <string>
#include <vector>

class ReattachLinksAction final : public LinkAction {
  public:
    using LinkAction::LinkAction;

    HRESULT ProcessAttachment(LONG method, LONG number) override;
    // Saves the message, then deletes the queued files, most recently queued first, when the
    // save succeeded and the options ask for it.
    HRESULT Finish() override;

    // Paths of the files reattached in this pass, in the order they were.
    std::vector<std::string> filesToDelete;

  private:
    // 0 reattached, 1 skipped (the link stays), negative stops the command.
    HRESULT Reattach(ULONG number);
};
