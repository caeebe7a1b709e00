// The Link Info dialog: one message's subject and its links, with Next Message and Stop.
#pragma once

#include "module/dialog_binding.h"

#include <string>

// The online documentation of the Link Info dialog, opened by F1 and the caption's button.
inline constexpr char kLinkInfoHelpAddress[] = "https://www.morvane.com/filvex/help/link-info/";

class LinkInfoDialog final : public ModalDialog {
  public:
    LinkInfoDialog(const std::string& subject, const std::string& links)
        : subject(subject), links(links) {}

    // Runs dialog 256: IDOK for Next Message, IDCANCEL for Stop, Escape or the close box, 0 or
    // -1 when the dialog could not be shown.
    INT_PTR Show(HWND ownerWindow);

  protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    const std::string& subject;
    const std::string& links;
};
