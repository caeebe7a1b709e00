#include "module/dialog_binding.h"

#include "platform/win32_threads.h"

#include <algorithm>
#include <vector>

namespace {

// One dialog object between its registration and the end of its dialog. `window` stays null
// until the dialog procedure sees the window's first message.
struct Binding {
    DWORD thread;
    ModalDialog* dialog;
    HWND window;
};

// The module's only lock guards this list; everything else runs on the host's thread.
struct BindingList {
    CRITICAL_SECTION lock{};
    bool ready = false;
    std::vector<Binding> bindings;
};

BindingList& List() {
    static BindingList list;
    return list;
}

class ListLock {
  public:
    ListLock() {
        StartDialogBinding();
        EnterCriticalSection(&List().lock);
    }
    ~ListLock() { LeaveCriticalSection(&List().lock); }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;
};

void Register(ModalDialog* dialog) {
    ListLock guard;
    List().bindings.push_back(Binding{GetCurrentThreadId(), dialog, nullptr});
}

void Unregister(ModalDialog* dialog) {
    if (!List().ready) {
        return; // stopped, or never used: nothing is registered
    }
    ListLock guard;
    std::erase_if(List().bindings, [dialog](const Binding& b) { return b.dialog == dialog; });
}

// The object bound to `window`; at the window's first message, the object registered last on
// this thread and not bound yet, which then becomes bound. Null for a window nobody registered.
ModalDialog* BoundDialog(HWND window) {
    ListLock guard;
    std::vector<Binding>& bindings = List().bindings;
    auto bound = std::find_if(bindings.begin(), bindings.end(),
                              [window](const Binding& b) { return b.window == window; });
    if (bound != bindings.end()) {
        return bound->dialog;
    }
    // A dialog run from inside another one registers after it, so the newest waiting
    // registration of the thread is the one whose window is being created.
    const DWORD thread = GetCurrentThreadId();
    auto waiting = std::find_if(bindings.rbegin(), bindings.rend(), [thread](const Binding& b) {
        return b.thread == thread && b.window == nullptr;
    });
    if (waiting == bindings.rend()) {
        return nullptr;
    }
    waiting->window = window;
    return waiting->dialog;
}

} // namespace

ModalDialog::~ModalDialog() {
    // A dialog object that goes while registered must not be found by a later window.
    Unregister(this);
}

INT_PTR ModalDialog::Run(HINSTANCE instance, UINT templateId, HWND owner) {
    Register(this);
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(static_cast<WORD>(templateId)),
                                     owner, &ModalDialog::DialogProcedure, 0);
    Unregister(this);
    window_ = nullptr;
    return result;
}

INT_PTR CALLBACK ModalDialog::DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    ModalDialog* dialog = BoundDialog(window);
    if (dialog == nullptr) {
        return FALSE;
    }
    dialog->window_ = window;
    return dialog->HandleMessage(message, wParam, lParam);
}

void StartDialogBinding() {
    BindingList& list = List();
    if (!list.ready) {
        InitializeCriticalSection(&list.lock);
        list.ready = true;
    }
}

void StopDialogBinding() {
    BindingList& list = List();
    if (list.ready) {
        list.bindings.clear();
        DeleteCriticalSection(&list.lock);
        list.ready = false;
    }
}
