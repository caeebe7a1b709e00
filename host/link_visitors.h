// The link commands' visitors: one LinkAction per selected message, and the sum of what the
// actions handled.
#pragma once

#include "host/message_visitor.h"
#include "options/save_options.h"

class ReattachVisitor final : public MessageVisitor {
  public:
    explicit ReattachVisitor(SaveOptions& options) : options(options) {}
    HRESULT Visit(IMAPISession* session, IMessage* message, HWND ownerWindow) override;

    // Files reattached over the walk, also in a message whose pass stopped.
    LONG total = 0;
    SaveOptions& options;
};

class UpdateLinksVisitor final : public MessageVisitor {
  public:
    UpdateLinksVisitor(SaveOptions& options, LPCSTR oldPath, LPCSTR newPath)
        : options(options), oldPath(oldPath), newPath(newPath) {}
    HRESULT Visit(IMAPISession* session, IMessage* message, HWND ownerWindow) override;

    // Links rewritten over the walk.
    LONG total = 0;
    SaveOptions& options;
    LPCSTR oldPath;
    LPCSTR newPath;
};

class DisplayLinksVisitor final : public MessageVisitor {
  public:
    explicit DisplayLinksVisitor(SaveOptions& options) : options(options) {}
    HRESULT Visit(IMAPISession* session, IMessage* message, HWND ownerWindow) override;

    LONG total = 0;
    SaveOptions& options;
};
