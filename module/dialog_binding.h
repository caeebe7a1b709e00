// Modal dialogs as objects. The object registers itself under its thread before the dialog is
// created; the dialog procedure binds the new window to it at the window's first message, and
// from then on every message of that window goes to the object's handler.
#pragma once

#include "platform/win32_dialogs.h"

class ModalDialog {
  public:
    ModalDialog() = default;
    virtual ~ModalDialog();
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Runs dialog `templateId` of `instance` modally, owned by `owner`; answers what
    // DialogBoxParamA answers: the EndDialog result, or 0 or -1 when the dialog could not be
    // shown.
    INT_PTR Run(HINSTANCE instance, UINT templateId, HWND owner);

    // The dialog's window while it runs, else null.
    HWND Window() const { return window_; }

  protected:
    // One message of the bound window. Answers TRUE when handled (WM_INITDIALOG: TRUE to let
    // the system set the focus), FALSE to leave the message to the default dialog processing.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

  private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

    HWND window_ = nullptr;
};

// Set up and torn down with the module. A list used before the start sets itself up, so that
// a dialog also runs where no module start came first.
void StartDialogBinding();
void StopDialogBinding();
