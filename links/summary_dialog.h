// The box that ends a reattach or a batch update: the outcome, and a check box with which the
// user turns these boxes off.
#pragma once

#include "module/dialog_binding.h"

#include <string>

class SummaryDialog final : public ModalDialog {
  public:
    explicit SummaryDialog(std::string text) : text(std::move(text)) {}

    // Runs dialog 252 owned by `ownerWindow`; true when "Do not show this message again" was
    // checked as the box closed.
    bool Show(HWND ownerWindow);

  protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    std::string text;
    bool doNotShowAgain = false;
};
