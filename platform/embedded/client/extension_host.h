// The mail client as far as the module sees it: a window with a menu and a standard toolbar, a
// session, and a selection of messages. Tests and the command-line host drive the module's
// extension object through it exactly as the client does: entry point, Install,
// InstallCommands, then DoCommand with the ids the module took.
#pragma once

#include "platform/com_ptr.h"
#include "platform/embedded/store/message_store.h"
#include "platform/exchange_extension.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace embedded {

// The client's menu command that marks the menu extensions add to.
constexpr UINT kToolsMenuAnchor = 136;
// The client's first command id for extensions, and the standard toolbar's first free button.
constexpr UINT kFirstExtensionCommand = 1000;
constexpr UINT kFirstFreeButton = 20;

class ExtensionHost final : public IExchExtCallback {
  public:
    // `session` is referenced for the host's life.
    explicit ExtensionHost(IMAPISession* session, const std::string& caption = "Inbox - Mail");
    ~ExtensionHost();
    ExtensionHost(const ExtensionHost&) = delete;
    ExtensionHost& operator=(const ExtensionHost&) = delete;

    // What the client selects: messages by entry identifier, in order, or one message open in a
    // window that was never saved (no entry identifier; the client's current object).
    void Select(std::vector<EntryId> messages);
    void SelectUnsaved(IMessage* message);
    // An item of another kind (a folder) at the given place of the selection.
    void SelectFolderAt(std::size_t index, const EntryId& folder);

    // The highest selection index the module asked for, if any; and a watcher told of every
    // item asked for, as a client's status bar shows the progress of a command.
    std::optional<ULONG> LastItemAsked() const { return lastAsked; }
    void WatchItems(std::function<void(ULONG index, ULONG count)> watcher) {
        itemWatcher = std::move(watcher);
    }

    // Operations that fail from now on, as a client may answer: "GetWindow", "GetSession",
    // "GetSelectionCount", "GetMenuPos".
    void Refuse(const std::string& operation) { refused.push_back(operation); }

    // A compose window: `message` open in it and never sent, the client's current object. Load
    // the module in EECONTEXT_SENDNOTEMESSAGE for it.
    void Compose(IMessage* message) { SelectUnsaved(message); }

    // How a send went: the message events' answers, whether the client wrote the message, and
    // whether it went out.
    struct SendOutcome {
        HRESULT submit = S_OK;
        HRESULT writeComplete = S_OK;
        HRESULT write = S_OK;
        bool sent = false;
    };
    // The client's Send button on the compose window: OnCheckNames, OnCheckNamesComplete,
    // OnSubmit, OnWrite, the write of the message (SaveChanges), OnWriteComplete, and, when
    // that answered no failure, the submit and OnSubmitComplete. A failing OnWriteComplete
    // holds the message back, as the client does with a failed write; OnSubmitComplete then
    // comes with EEME_FAILED.
    SendOutcome Send();
    // The client's Save on the compose window: OnWrite, the write, OnWriteComplete; no submit.
    HRESULT SaveDraft();

    // Creates the module's object through `entry`, installs it in `context` and, in the
    // contexts with commands, lets it install them. False when the object declined.
    bool Load(LPFNEXCHEXTENTRY entry, ULONG context);
    // Releases the object.
    void Unload();
    // The command of the menu item with this text anywhere in the window's menus, as a person
    // finds a command by what the menu says; 0 when there is none.
    UINT MenuCommand(const std::string& itemText) const;
    // The first command id the module has not taken.
    UINT NextCommand() const { return nextCommand; }
    HRESULT DoCommand(UINT command);

    IExchExt* Extension() const { return extension.Get(); }
    IExchExtCommands* Commands() const { return commands.Get(); }
    HWND Window() const { return window; }
    HWND Toolbar() const { return toolbar; }
    HMENU ToolsMenu() const { return toolsMenu; }
    const TBENTRY& ToolbarEntry() const { return toolbarEntry; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetVersion(ULONG* lpulVersion, ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* lphwnd) override;
    HRESULT STDMETHODCALLTYPE GetMenu(HMENU* lphmenu) override;
    HRESULT STDMETHODCALLTYPE GetToolbar(ULONG tbid, HWND* lphwndTb) override;
    HRESULT STDMETHODCALLTYPE GetSession(LPMAPISESSION* lppses, LPADRBOOK* lppab) override;
    HRESULT STDMETHODCALLTYPE GetObject(LPMDB* lppmdb, LPMAPIPROP* lppmp) override;
    HRESULT STDMETHODCALLTYPE GetSelectionCount(ULONG* lpceid) override;
    HRESULT STDMETHODCALLTYPE GetSelectionItem(ULONG ieid, ULONG* lpcbEid, LPENTRYID* lppeid,
                                               ULONG* lpulType, LPSTR lpszMsgClass,
                                               ULONG cbMsgClass, ULONG* lpulMsgFlags,
                                               ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE GetMenuPos(ULONG cmdid, HMENU* lphmenu, ULONG* lpmposMin,
                                         ULONG* lpmposMax, ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE GetSharedExtsDir(LPSTR lpszDir, ULONG cchDir, ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE GetRecipients(LPADRLIST* lppal) override;
    HRESULT STDMETHODCALLTYPE SetRecipients(LPADRLIST lpal) override;
    HRESULT STDMETHODCALLTYPE GetNewMessageSite(ULONG fComposeInFolder, LPMAPIFOLDER pfldFocus,
                                                IUnknown* ppermsg, LPMESSAGE* ppmsg,
                                                IUnknown** ppfrmmgr, IUnknown** ppviewctx,
                                                ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE RegisterModeless(IUnknown* peem, IUnknown** ppeemcb) override;
    HRESULT STDMETHODCALLTYPE ChooseFolder(LPMDB* ppmdb, LPMAPIFOLDER* ppfld, LPVOID lpcf) override;

  private:
    struct Item {
        EntryId id;
        ULONG type;
    };
    bool Refuses(const char* operation) const;
    // The write that a send or a save of the compose window makes, between OnWrite and
    // OnWriteComplete; the flags OnWriteComplete gets.
    ULONG Write(IExchExtMessageEvents* events, HRESULT& written);

    ComPtr<IMAPISession> session;
    HWND window = nullptr;
    HWND toolbar = nullptr;
    HMENU menuBar = nullptr;
    HMENU toolsMenu = nullptr;
    TBENTRY toolbarEntry{};
    std::vector<Item> selection;
    ComPtr<IMessage> unsaved;
    std::vector<std::string> refused;
    ComPtr<IExchExt> extension;
    ComPtr<IExchExtCommands> commands;
    UINT nextCommand = kFirstExtensionCommand;
    std::optional<ULONG> lastAsked;
    std::function<void(ULONG, ULONG)> itemWatcher;
};

} // namespace embedded
