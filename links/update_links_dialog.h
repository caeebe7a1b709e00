// The Update Links dialog: the old and the new path text, confirmed before anything changes.
#pragma once

#include "module/dialog_binding.h"

#include <cstddef>

constexpr std::size_t kLinkPathTextCapacity = 260;

class UpdateLinksDialog final : public ModalDialog {
  public:
    // Runs dialog 255 owned by `ownerWindow`: IDOK once both texts were given and the user
    // confirmed them, IDCANCEL, or 0 or -1 when the dialog could not be shown.
    INT_PTR Show(HWND ownerWindow);

    // What the fields held at OK, at most 259 characters each.
    char oldPath[kLinkPathTextCapacity] = "";
    char newPath[kLinkPathTextCapacity] = "";

  protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void OnOk();
};
