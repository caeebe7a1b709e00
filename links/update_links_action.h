// Batch-Update Links on one message: every link path that holds the old text gets the new
// text in place of its first occurrence.
#pragma once

#include "links/link_action.h"

class UpdateLinksAction final : public LinkAction {
  public:
    // `oldPath` and `newPath` are borrowed for the action's life.
    UpdateLinksAction(IMAPISession* session, IMessage* message, HWND ownerWindow,
                      SaveOptions& options, LPCSTR oldPath, LPCSTR newPath)
        : LinkAction(session, message, ownerWindow, options), oldPath(oldPath), newPath(newPath) {}

    // A new path that names nothing is asked about each time; No stops the command.
    HRESULT ProcessAttachment(LONG method, LONG number) override;

    LPCSTR oldPath;
    LPCSTR newPath;
};
