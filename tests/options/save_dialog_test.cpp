#include "options/save_dialog.h"

#include "options/options_persistence.h"
#include "options/recent_folders.h"
#include "options/save_attachments_dialog.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/embedded/store/message_store.h"
#include "platform/win32_ui.h"
#include "resources/resource_ids.h"
#include "tests/options/options_fixture.h"
#include "tests/support/loaded_module.h"
#include "tests/support/scripted_user.h"
#include "resources/control_ids.h"

#include <filesystem>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace save_ids = control_ids::save_attachments;

namespace {

using embedded::DialogView;
using options_testing::OptionsTest;
using Script = std::function<void(DialogView&)>;

constexpr UINT kDialog = resource_ids::kSaveAttachmentsDialog;

class SaveDialogTest : public OptionsTest {
  protected:
    void SetUp() override {
        OptionsTest::SetUp();
        owner = embedded::CreateClientWindow("Inbox", RECT{0, 0, 1200, 900});
    }

    // A record as a command holds it: target folder C:\Mail\ with C:\Old\ used before it, the
    // options section open.
    static SaveOptions Record() {
        SaveOptions options;
        InitOptions(options);
        AddRecentFolder(options, "C:\\Old");
        AddRecentFolder(options, "C:\\Mail");
        options.optionsExpanded = 1;
        return options;
    }

    // The dialog shown on `options` and worked by `script`; the answer of ShowSaveDialog.
    bool Run(SaveOptions& options, Script script) {
        user->ExpectDialog(kDialog, std::move(script));
        return ShowSaveDialog(options, owner, true, nullptr);
    }

    std::string String(UINT id) const {
        char text[1024];
        return LoadStringA(module.instance(), id, text, sizeof text) > 0 ? text : "";
    }
    static RECT WindowRect(HWND window) {
        RECT rect{};
        GetWindowRect(window, &rect);
        return rect;
    }

    static bool OptionsKeyExists() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }
    static std::optional<std::string> StoredText(const char* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        char text[300];
        DWORD size = sizeof text;
        LONG result =
            RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(text), &size);
        RegCloseKey(key);
        return result == ERROR_SUCCESS ? std::optional<std::string>(text) : std::nullopt;
    }
    static std::optional<DWORD> StoredNumber(const char* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        DWORD number = 0;
        DWORD size = sizeof number;
        LONG result =
            RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(&number), &size);
        RegCloseKey(key);
        return result == ERROR_SUCCESS ? std::optional<DWORD>(number) : std::nullopt;
    }

    testing_support::LoadedModule module;
    testing_support::ScriptedUser user;
    HWND owner = nullptr;
};

// --- Opening ---

TEST_F(SaveDialogTest, OpensWithTheRecordsChoicesInItsControls) {
    SaveOptions options = Record();
    options.appendSenderName = 1;
    options.appendSubject = 1;
    options.overwriteExisting = 1;
    options.removeAttachments = 1;
    options.leaveLinks = 1;
    options.unzipSaved = 1;
    options.subfolderMode = kReceivedDateSubfolder;
    std::strcpy(options.nameFilter, "report");

    bool answer = Run(options, [&](DialogView& dialog) {
        EXPECT_EQ(dialog.Caption(), "Filvex - Save Attachments");
        struct Box {
            int id;
            bool checked;
        };
        for (Box box :
             {Box{save_ids::kAppendSenderName, true}, Box{save_ids::kAppendSenderEmail, false},
              Box{save_ids::kAppendReceivedDate, false}, Box{save_ids::kAppendReceivedTime, false},
              Box{save_ids::kAppendSubject, true}, Box{save_ids::kOverwriteExisting, true},
              Box{save_ids::kRemoveAttachments, true}, Box{save_ids::kLeaveLinks, true},
              Box{save_ids::kZipSaved, false}, Box{save_ids::kUnzipSaved, true},
              Box{save_ids::kFilterOn, true}, Box{save_ids::kExecute, false}}) {
            EXPECT_EQ(dialog.Checked(box.id), box.checked) << "box " << box.id;
        }
        EXPECT_EQ(dialog.Text(save_ids::kTargetFolder), "C:\\Mail\\");
        EXPECT_EQ(dialog.Items(save_ids::kTargetFolder),
                  (std::vector<std::string>{"C:\\Mail\\", "C:\\Old\\"}));
        EXPECT_TRUE(dialog.Checked(save_ids::kReceivedDateButton));
        EXPECT_FALSE(dialog.Checked(save_ids::kNoSubfolderButton));
        EXPECT_EQ(dialog.Text(save_ids::kNameFilter), "report");
        EXPECT_TRUE(dialog.Enabled(save_ids::kNameFilter));
        EXPECT_TRUE(dialog.Enabled(save_ids::kLeaveLinks))
            << "a link is possible while attachments are removed";
        EXPECT_FALSE(dialog.Enabled(save_ids::kZipSaved)) << "a linked file is not zipped";
        EXPECT_FALSE(dialog.Enabled(save_ids::kCommandLine)) << "no command";
        EXPECT_FALSE(dialog.Enabled(save_ids::kPickCommand));
        EXPECT_EQ(dialog.Text(1), "&Save Now");
        EXPECT_EQ(dialog.Text(save_ids::kToggleOptions), "Options &<<");
        EXPECT_TRUE(dialog.Visible(save_ids::kOptionsLabel));
        EXPECT_TRUE(dialog.Visible(save_ids::kOptionsRule));
        EXPECT_FALSE(dialog.Visible(save_ids::kOptionsStatus));
        EXPECT_EQ(dialog.FocusId(), 1) << "the system's choice: the first tab stop";
        dialog.Click(2);
    });

    EXPECT_FALSE(answer);
}

TEST_F(SaveDialogTest, ACommandInTheRecordOpensWithItsFieldAndPickerEnabled) {
    SaveOptions options = Record();
    std::strcpy(options.commandLine, "C:\\Tools\\scan.exe");
    Run(options, [](DialogView& dialog) {
        EXPECT_TRUE(dialog.Checked(save_ids::kExecute));
        EXPECT_EQ(dialog.Text(save_ids::kCommandLine), "C:\\Tools\\scan.exe");
        EXPECT_TRUE(dialog.Enabled(save_ids::kCommandLine));
        EXPECT_TRUE(dialog.Enabled(save_ids::kPickCommand));
        EXPECT_FALSE(dialog.Checked(save_ids::kFilterOn));
        EXPECT_FALSE(dialog.Enabled(save_ids::kNameFilter));
        dialog.Click(2);
    });
}

TEST_F(SaveDialogTest, EachSubfolderModeOpensWithItsRadioButtonAndIsStoredBack) {
    struct Case {
        std::int32_t mode;
        int button;
        std::int32_t stored;
    };
    const Case cases[] = {
        {0, save_ids::kNoSubfolderButton, 0},  {1, save_ids::kSenderNameButton, 1},
        {2, save_ids::kReceivedDateButton, 2}, {3, save_ids::kMailFolderButton, 3},
        {4, save_ids::kSubjectButton, 4},      {5, save_ids::kSenderDomainButton, 5},
        {7, save_ids::kNoSubfolderButton, 0},  {-1, save_ids::kNoSubfolderButton, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("subfolderMode " + std::to_string(c.mode));
        SaveOptions options = Record();
        options.subfolderMode = c.mode;
        EXPECT_TRUE(Run(options, [&](DialogView& dialog) {
            for (int id = save_ids::kFirstSubfolderButton; id <= save_ids::kLastSubfolderButton;
                 ++id) {
                EXPECT_EQ(dialog.Checked(id), id == c.button) << "button " << id;
            }
            dialog.Click(1);
        }));
        EXPECT_EQ(options.subfolderMode, c.stored);
    }
}

TEST_F(SaveDialogTest, TheRadioButtonClickedDecidesTheStoredSubfolderMode) {
    struct Case {
        int button;
        std::int32_t mode;
    };
    const Case cases[] = {{save_ids::kNoSubfolderButton, 0},  {save_ids::kSenderNameButton, 1},
                          {save_ids::kSenderDomainButton, 5}, {save_ids::kReceivedDateButton, 2},
                          {save_ids::kMailFolderButton, 3},   {save_ids::kSubjectButton, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE("button " + std::to_string(c.button));
        SaveOptions options = Record();
        options.subfolderMode = kMailFolderSubfolder;
        Run(options, [&](DialogView& dialog) {
            dialog.Click(c.button);
            dialog.Click(1);
        });
        EXPECT_EQ(options.subfolderMode, c.mode);
        EXPECT_EQ(StoredNumber(registry_names::kSubfolderMode), static_cast<DWORD>(c.mode));
    }
}

TEST_F(SaveDialogTest, AnOkCaptionReplacesSaveNow) {
    SaveOptions options = Record();
    SaveAttachmentsDialog dialog(options, "OK");
    user->ExpectDialog(kDialog, [](DialogView& view) {
        EXPECT_EQ(view.Text(1), "OK");
        view.Click(1);
    });
    EXPECT_EQ(dialog.Show(owner), IDOK);
}

TEST_F(SaveDialogTest, TheDialogHoldsTheSessionWhileItRunsAndLetsItGoAfter) {
    embedded::MessageStore store;
    ComPtr<IMAPISession> session(store.OpenSession());
    // AddRef and Release answer the count they leave.
    auto count = [&session] {
        session->AddRef();
        return session->Release();
    };
    const ULONG before = count();
    SaveOptions options = Record();
    user->ExpectDialog(kDialog, [&](DialogView& dialog) {
        EXPECT_EQ(count(), before + 1);
        dialog.Click(2);
    });
    EXPECT_FALSE(ShowSaveDialog(options, owner, true, session.Get()));
    EXPECT_EQ(count(), before);
}

// --- The options section ---

TEST_F(SaveDialogTest, TheFoldedSectionTellsWhetherOptionsAreChosen) {
    struct Case {
        const char* name;
        std::function<void(SaveOptions&)> set;
        UINT status; // 0: the section opens unfolded
        bool toggleEnabled;
    };
    const Case cases[] = {
        {"nothing chosen", [](SaveOptions&) {}, 114, true},
        {"subject appended", [](SaveOptions& o) { o.appendSubject = 1; }, 113, true},
        {"subfolder by date only", [](SaveOptions& o) { o.subfolderMode = 2; }, 113, true},
        {"a filter", [](SaveOptions& o) { std::strcpy(o.nameFilter, "x"); }, 113, true},
        {"a command", [](SaveOptions& o) { std::strcpy(o.commandLine, "C:\\t.exe"); }, 113, true},
        {"unzip only", [](SaveOptions& o) { o.unzipSaved = 1; }, 113, true},
        {"a link without removal is no option", [](SaveOptions& o) { o.leaveLinks = 1; }, 114,
         true},
        {"locked by the administrator", [](SaveOptions& o) { o.advancedEnabled = 0; }, 118, false},
        {"locked, even when chosen open",
         [](SaveOptions& o) {
             o.advancedEnabled = 0;
             o.optionsExpanded = 1;
             o.appendSubject = 1;
         },
         118, false},
        {"chosen open", [](SaveOptions& o) { o.optionsExpanded = 1; }, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveOptions options = Record();
        options.optionsExpanded = 0;
        c.set(options);
        Run(options, [&](DialogView& dialog) {
            RECT outer = WindowRect(dialog.Handle());
            RECT frame = dialog.Rectangle(save_ids::kFileNamingFrame);
            if (c.status == 0) {
                EXPECT_FALSE(dialog.Visible(save_ids::kOptionsStatus));
                EXPECT_TRUE(dialog.Visible(save_ids::kOptionsLabel));
                EXPECT_EQ(dialog.Text(save_ids::kToggleOptions), "Options &<<");
                EXPECT_GT(outer.bottom, frame.bottom);
            } else {
                EXPECT_TRUE(dialog.Visible(save_ids::kOptionsStatus));
                EXPECT_EQ(dialog.Text(save_ids::kOptionsStatus), String(c.status));
                EXPECT_FALSE(dialog.Visible(save_ids::kOptionsLabel));
                EXPECT_FALSE(dialog.Visible(save_ids::kOptionsRule));
                EXPECT_EQ(dialog.Text(save_ids::kToggleOptions), "Options &>>");
                EXPECT_EQ(outer.bottom, frame.top) << "folded at the top of the frame";
            }
            EXPECT_EQ(dialog.Enabled(save_ids::kToggleOptions), c.toggleEnabled);
            dialog.Click(2);
        });
    }
}

TEST_F(SaveDialogTest, FoldingKeepsWidthAndPlaceAndEndsAtTheFileNamingFrame) {
    SaveOptions options = Record();
    Run(options, [&](DialogView& dialog) {
        RECT full = WindowRect(dialog.Handle());
        // 265 by 277 units of an 8-point font, with a 3-pixel frame and a 19-pixel caption.
        EXPECT_EQ(full.right - full.left, 398 + 6);
        EXPECT_EQ(full.bottom - full.top, 450 + 22 + 3);

        dialog.Click(save_ids::kToggleOptions);
        RECT folded = WindowRect(dialog.Handle());
        EXPECT_EQ(folded.left, full.left);
        EXPECT_EQ(folded.top, full.top);
        EXPECT_EQ(folded.right, full.right);
        EXPECT_EQ(folded.bottom - folded.top,
                  dialog.Rectangle(save_ids::kFileNamingFrame).top - full.top);
        EXPECT_EQ(folded.bottom - folded.top, 22 + 140) << "86 units below the client's top";
        EXPECT_EQ(dialog.Text(save_ids::kToggleOptions), "Options &>>");
        EXPECT_EQ(dialog.Text(save_ids::kOptionsStatus), String(114));

        dialog.Click(save_ids::kToggleOptions);
        RECT again = WindowRect(dialog.Handle());
        EXPECT_EQ(again.bottom - again.top, full.bottom - full.top);
        EXPECT_EQ(again.right - again.left, full.right - full.left);
        EXPECT_EQ(dialog.Text(save_ids::kToggleOptions), "Options &<<");
        EXPECT_FALSE(dialog.Visible(save_ids::kOptionsStatus));
        dialog.Click(2);
    });
    EXPECT_EQ(embedded::CallsOf("SetWindowPos").size(), 2u);
    for (const auto& call : embedded::CallsOf("SetWindowPos")) {
        EXPECT_EQ(call.flags,
                  static_cast<std::uint64_t>(SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER));
    }
}

TEST_F(SaveDialogTest, TheSectionsStateOnSaveNowOpensTheNextDialogTheSameWay) {
    struct Case {
        const char* name;
        std::int32_t openedExpanded;
        int toggles;
        std::int32_t stored;
    };
    const Case cases[] = {
        {"left open", 1, 0, 1},
        {"folded", 1, 1, 0},
        {"folded and opened again", 1, 2, 1},
        {"opened from folded", 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveOptions options = Record();
        options.optionsExpanded = c.openedExpanded;
        Run(options, [&](DialogView& dialog) {
            for (int i = 0; i < c.toggles; ++i) {
                dialog.Click(save_ids::kToggleOptions);
            }
            dialog.Click(1);
        });
        EXPECT_EQ(options.optionsExpanded, c.stored);
        EXPECT_EQ(StoredNumber(registry_names::kOptionsExpanded), static_cast<DWORD>(c.stored));
    }
}

TEST_F(SaveDialogTest, ALockedSectionStillStoresTheRecordsHiddenChoices) {
    SaveOptions options = Record();
    options.advancedEnabled = 0;
    options.appendSubject = 1;
    options.zipSaved = 1;
    options.subfolderMode = kSenderDomainSubfolder;
    std::strcpy(options.nameFilter, "invoice");
    Run(options, [](DialogView& dialog) {
        EXPECT_FALSE(dialog.Enabled(save_ids::kToggleOptions));
        dialog.Click(1);
    });
    EXPECT_EQ(options.appendSubject, 1);
    EXPECT_EQ(options.zipSaved, 1);
    EXPECT_EQ(options.subfolderMode, kSenderDomainSubfolder);
    EXPECT_STREQ(options.nameFilter, "invoice");
    EXPECT_EQ(options.optionsExpanded, 0);
}

TEST_F(SaveDialogTest, AFoldThatCannotReadTheFrameLeavesTheSectionOpen) {
    SaveOptions options = Record();
    options.optionsExpanded = 0;
    // The first rectangle read is the dialog's own size; the second the frame's.
    embedded::FailNthCall("GetWindowRect", 2, E_FAIL);
    Run(options, [](DialogView& dialog) {
        EXPECT_EQ(dialog.Text(save_ids::kToggleOptions), "Options &<<");
        EXPECT_FALSE(dialog.Visible(save_ids::kOptionsStatus));
        dialog.Click(1);
    });
    EXPECT_EQ(options.optionsExpanded, 1);
}

// --- Enabling rules ---

TEST_F(SaveDialogTest, RemovingLinkingAndZippingEnableEachOther) {
    struct State {
        bool removeChecked, linkChecked, linkEnabled, zipChecked, zipEnabled;
        bool operator==(const State&) const = default;
    };
    struct Case {
        const char* name;
        std::int32_t remove, link, zip; // in the record
        std::vector<int> clicks;
        State expected;
    };
    const Case cases[] = {
        {"nothing chosen", 0, 0, 0, {}, {false, false, false, false, true}},
        {"removal allows a link",
         0,
         0,
         0,
         {save_ids::kRemoveAttachments},
         {true, false, true, false, true}},
        {"a link excludes zipping",
         0,
         0,
         0,
         {save_ids::kRemoveAttachments, save_ids::kLeaveLinks},
         {true, true, true, false, false}},
        {"no removal, no link, zipping again",
         0,
         0,
         0,
         {save_ids::kRemoveAttachments, save_ids::kLeaveLinks, save_ids::kRemoveAttachments},
         {false, false, false, false, true}},
        {"zipping excludes a link",
         0,
         0,
         0,
         {save_ids::kRemoveAttachments, save_ids::kZipSaved},
         {true, false, false, true, true}},
        {"unzipping leaves the rules alone",
         0,
         0,
         0,
         {save_ids::kRemoveAttachments, save_ids::kUnzipSaved},
         {true, false, true, false, true}},
        {"zip first, then removal",
         0,
         0,
         0,
         {save_ids::kZipSaved, save_ids::kRemoveAttachments},
         {true, false, false, true, true}},
        {"a record's link without removal is dropped",
         0,
         1,
         0,
         {},
         {false, false, false, false, true}},
        {"a record with all three locks link and zip",
         1,
         1,
         1,
         {},
         {true, true, false, true, false}},
        {"which removal undoes",
         1,
         1,
         1,
         {save_ids::kRemoveAttachments},
         {false, false, false, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveOptions options = Record();
        options.removeAttachments = c.remove;
        options.leaveLinks = c.link;
        options.zipSaved = c.zip;
        Run(options, [&](DialogView& dialog) {
            for (int id : c.clicks) {
                EXPECT_TRUE(dialog.Click(id)) << "click on " << id;
            }
            State seen{dialog.Checked(save_ids::kRemoveAttachments),
                       dialog.Checked(save_ids::kLeaveLinks), dialog.Enabled(save_ids::kLeaveLinks),
                       dialog.Checked(save_ids::kZipSaved), dialog.Enabled(save_ids::kZipSaved)};
            EXPECT_EQ(seen.removeChecked, c.expected.removeChecked);
            EXPECT_EQ(seen.linkChecked, c.expected.linkChecked);
            EXPECT_EQ(seen.linkEnabled, c.expected.linkEnabled);
            EXPECT_EQ(seen.zipChecked, c.expected.zipChecked);
            EXPECT_EQ(seen.zipEnabled, c.expected.zipEnabled);
            dialog.Click(1);
        });
        EXPECT_EQ(options.removeAttachments, c.expected.removeChecked ? 1 : 0);
        EXPECT_EQ(options.leaveLinks, c.expected.linkChecked ? 1 : 0);
        EXPECT_EQ(options.zipSaved, c.expected.zipChecked ? 1 : 0);
    }
}

TEST_F(SaveDialogTest, TheFilterAndExecuteBoxesEnableTheirFields) {
    SaveOptions options = Record();
    Run(options, [](DialogView& dialog) {
        EXPECT_FALSE(dialog.Enabled(save_ids::kNameFilter));
        dialog.Click(save_ids::kFilterOn);
        EXPECT_TRUE(dialog.Enabled(save_ids::kNameFilter));
        dialog.Click(save_ids::kFilterOn);
        EXPECT_FALSE(dialog.Enabled(save_ids::kNameFilter));

        EXPECT_FALSE(dialog.Enabled(save_ids::kCommandLine));
        dialog.Click(save_ids::kExecute);
        EXPECT_TRUE(dialog.Enabled(save_ids::kCommandLine));
        EXPECT_TRUE(dialog.Enabled(save_ids::kPickCommand));
        dialog.Click(save_ids::kExecute);
        EXPECT_FALSE(dialog.Enabled(save_ids::kCommandLine));
        EXPECT_FALSE(dialog.Enabled(save_ids::kPickCommand));
        dialog.Click(2);
    });
}

// --- Save Now ---

TEST_F(SaveDialogTest, SaveNowStoresTheFolderWithItsBackslashFirstAmongTheRecentOnes) {
    SaveOptions options = Record();
    bool answer = Run(options, [](DialogView& dialog) {
        dialog.Type(save_ids::kTargetFolder, "C:\\Mail");
        dialog.Click(save_ids::kAppendSubject);
        dialog.Click(1);
        EXPECT_TRUE(dialog.Ended());
    });

    EXPECT_TRUE(answer);
    EXPECT_STREQ(options.targetFolder, "C:\\Mail\\");
    EXPECT_EQ(RecentFolders(options), Padded({"C:\\Mail\\", "C:\\Old\\"}));
    EXPECT_EQ(options.appendSubject, 1);
    EXPECT_TRUE(temp.Exists("Mail"));
    EXPECT_EQ(StoredText(registry_names::kTargetFolder), "C:\\Mail\\");
    EXPECT_EQ(StoredText("SD1"), "C:\\Mail\\");
    EXPECT_EQ(StoredText("SD2"), "C:\\Old\\");
    EXPECT_EQ(StoredNumber(registry_names::kAppendSubject), 1u);
}

TEST_F(SaveDialogTest, ANewFolderIsCreatedWithItsParentsAndGoesToTheFrontOfTheList) {
    SaveOptions options = Record();
    Run(options, [](DialogView& dialog) {
        dialog.Type(save_ids::kTargetFolder, "C:\\Archive\\2026\\March");
        dialog.Click(1);
    });
    EXPECT_TRUE(temp.Exists("Archive/2026/March"));
    EXPECT_STREQ(options.targetFolder, "C:\\Archive\\2026\\March\\");
    EXPECT_EQ(RecentFolders(options),
              Padded({"C:\\Archive\\2026\\March\\", "C:\\Mail\\", "C:\\Old\\"}));
}

TEST_F(SaveDialogTest, AFolderChosenFromTheListBecomesTheTarget) {
    SaveOptions options = Record();
    Run(options, [](DialogView& dialog) {
        dialog.Choose(save_ids::kTargetFolder, "C:\\Old\\");
        dialog.Click(1);
    });
    EXPECT_STREQ(options.targetFolder, "C:\\Old\\");
    EXPECT_EQ(RecentFolders(options), Padded({"C:\\Old\\", "C:\\Mail\\"}));
}

TEST_F(SaveDialogTest, AnEmptyFolderIsRefusedAndTheDialogStays) {
    SaveOptions options = Record();
    bool answer = Run(options, [&](DialogView& dialog) {
        dialog.Type(save_ids::kTargetFolder, "");
        user->ExpectMessageBox(IDOK);
        dialog.Click(1);
        EXPECT_FALSE(dialog.Ended());
        ASSERT_EQ(user->MessageBoxes().size(), 1u);
        EXPECT_EQ(user->MessageBoxes()[0].text, String(102));
        EXPECT_EQ(user->MessageBoxes()[0].caption, "Filvex");
        EXPECT_EQ(user->MessageBoxes()[0].type, MB_ICONERROR);
        EXPECT_EQ(user->MessageBoxes()[0].owner, dialog.Handle());
        dialog.Type(save_ids::kTargetFolder, "C:\\Second");
        dialog.Click(1);
    });
    EXPECT_TRUE(answer);
    EXPECT_STREQ(options.targetFolder, "C:\\Second\\");
}

TEST_F(SaveDialogTest, AFileInTheFoldersPlaceIsReportedAndTheDialogStays) {
    temp.WriteFile("Blocked", "a file");
    SaveOptions options = Record();
    bool answer = Run(options, [&](DialogView& dialog) {
        dialog.Type(save_ids::kTargetFolder, "C:\\Blocked");
        user->ExpectMessageBox(IDOK);
        dialog.Click(1);
        EXPECT_FALSE(dialog.Ended());
        ASSERT_EQ(user->MessageBoxes().size(), 1u);
        EXPECT_EQ(user->MessageBoxes()[0].text.rfind("Failed to create folder C:\\Blocked.\n", 0),
                  0u)
            << user->MessageBoxes()[0].text;
        dialog.Click(2);
    });
    EXPECT_FALSE(answer);
    EXPECT_STREQ(options.targetFolder, "C:\\Mail\\");
    EXPECT_FALSE(OptionsKeyExists());
}

// A folder that fills the field cannot take its backslash: saving into it would put the
// files into a folder of a name cut short, so it is refused before anything is made.
TEST_F(SaveDialogTest, AFolderWithNoRoomForItsBackslashIsRefusedBeforeItIsMade) {
    const std::string base = "C:\\" + std::string(120, 'a') + "\\" + std::string(120, 'b') + "\\";
    struct Case {
        const char* name;
        std::string typed;
        bool refused;
    };
    const Case cases[] = {
        {"258 characters take the backslash", base + std::string(258 - base.size(), 'c'), false},
        {"259 characters leave no room", base + std::string(259 - base.size(), 'c'), true},
        {"259 ending with the backslash", base + std::string(258 - base.size(), 'c') + "\\", false},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.typed.size(), c.refused                ? 259u
                                  : c.typed.back() == '\\' ? 259u
                                                           : 258u)
            << c.name;
        std::filesystem::remove_all(temp.path() + "/" + std::string(120, 'a'));
        SaveOptions options = Record();
        const std::size_t boxesBefore = user->MessageBoxes().size();
        bool answer = Run(options, [&](DialogView& dialog) {
            dialog.Type(save_ids::kTargetFolder, c.typed);
            if (c.refused) {
                user->ExpectMessageBox(IDOK);
            }
            dialog.Click(save_ids::kSaveNow);
            if (c.refused) {
                EXPECT_FALSE(dialog.Ended()) << c.name;
                ASSERT_EQ(user->MessageBoxes().size(), boxesBefore + 1) << c.name;
                EXPECT_EQ(
                    user->MessageBoxes()[boxesBefore].text.rfind("Failed to create folder ", 0), 0u)
                    << c.name;
                dialog.Click(save_ids::kCancel);
            }
        });
        EXPECT_EQ(answer, !c.refused) << c.name;
        const std::string stored = options.targetFolder;
        if (c.refused) {
            EXPECT_EQ(stored, "C:\\Mail\\") << c.name;
            EXPECT_FALSE(std::filesystem::exists(temp.path() + "/" + std::string(120, 'a') + "/" +
                                                 std::string(120, 'b') + "/" +
                                                 std::string(259 - base.size(), 'c')))
                << c.name << ": nothing is made for a refused folder";
        } else {
            EXPECT_EQ(stored.back(), '\\') << c.name;
            EXPECT_EQ(stored.substr(0, stored.size() - 1),
                      c.typed.back() == '\\' ? c.typed.substr(0, c.typed.size() - 1) : c.typed)
                << c.name;
        }
    }
}

TEST_F(SaveDialogTest, TheNameFilterIsCheckedAndStoredOnlyWhenItsBoxIsChecked) {
    struct Case {
        const char* name;
        const char* recordFilter; // opens with the box checked when not empty
        std::vector<int> clicks;
        std::optional<std::string> typed;
        bool refused;
        std::string stored;
    };
    const std::string longFilter(200, 'f');
    const Case cases[] = {
        {"a plain word", "", {save_ids::kFilterOn}, "report", false, "report"},
        {"a colon", "", {save_ids::kFilterOn}, "a:b", true, ""},
        {"a semicolon", "", {save_ids::kFilterOn}, "a;b", true, ""},
        {"a double quote", "", {save_ids::kFilterOn}, "say \"hi\"", true, ""},
        {"a tab", "", {save_ids::kFilterOn}, "a\tb", true, ""},
        {"a backslash", "", {save_ids::kFilterOn}, "dir\\name", true, ""},
        {"high bytes are legal", "", {save_ids::kFilterOn}, "caf\xE9", false, "caf\xE9"},
        {"cut to 127 characters",
         "",
         {save_ids::kFilterOn},
         longFilter,
         false,
         longFilter.substr(0, 127)},
        {"unchecked box stores nothing whatever the field holds",
         "a:b",
         {save_ids::kFilterOn},
         std::nullopt,
         false,
         ""},
        {"the record's filter kept", "invoice", {}, std::nullopt, false, "invoice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveOptions options = Record();
        std::strcpy(options.nameFilter, c.recordFilter);
        std::size_t boxesBefore = user->MessageBoxes().size();
        bool answer = Run(options, [&](DialogView& dialog) {
            for (int id : c.clicks) {
                dialog.Click(id);
            }
            if (c.typed) {
                dialog.Type(save_ids::kNameFilter, *c.typed);
            }
            dialog.Click(
                save_ids::kAppendSubject); // a choice that a refused filter must not let through
            if (c.refused) {
                user->ExpectMessageBox(IDOK);
            }
            dialog.Click(1);
            EXPECT_EQ(dialog.Ended(), !c.refused);
            if (c.refused) {
                EXPECT_EQ(dialog.FocusId(), save_ids::kNameFilter) << "the focus is on the filter";
                dialog.Click(2);
            }
        });
        EXPECT_EQ(answer, !c.refused);
        if (c.refused) {
            ASSERT_EQ(user->MessageBoxes().size(), boxesBefore + 1);
            EXPECT_EQ(user->MessageBoxes().back().text, String(110));
            EXPECT_EQ(user->MessageBoxes().back().type, MB_ICONERROR);
            // Nothing was stored before the refusal, so Cancel leaves the record as it came.
            EXPECT_EQ(options.appendSubject, 0);
            EXPECT_STREQ(options.nameFilter, c.recordFilter);
            EXPECT_EQ(RecentFolders(options), Padded({"C:\\Mail\\", "C:\\Old\\"}));
        } else {
            EXPECT_EQ(options.nameFilter, c.stored);
            EXPECT_EQ(StoredText(registry_names::kNameFilter), c.stored);
        }
    }
}

TEST_F(SaveDialogTest, ARefusedFilterCanBeMendedAndSavedInTheSameDialog) {
    SaveOptions options = Record();
    bool answer = Run(options, [&](DialogView& dialog) {
        dialog.Click(save_ids::kFilterOn);
        dialog.Type(save_ids::kNameFilter, "a:b");
        user->ExpectMessageBox(IDOK);
        dialog.Click(1);
        EXPECT_FALSE(dialog.Ended());
        dialog.Type(save_ids::kNameFilter, "ab");
        dialog.Click(1);
    });
    EXPECT_TRUE(answer);
    EXPECT_STREQ(options.nameFilter, "ab");
}

TEST_F(SaveDialogTest, TheCommandLineIsStoredOnlyWhenExecuteIsChecked) {
    struct Case {
        const char* name;
        const char* recordCommand;
        std::vector<int> clicks;
        std::string stored;
    };
    const Case cases[] = {
        {"kept", "C:\\Tools\\scan.exe /q", {}, "C:\\Tools\\scan.exe /q"},
        {"unchecked", "C:\\Tools\\scan.exe /q", {save_ids::kExecute}, ""},
        {"none", "", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveOptions options = Record();
        std::strcpy(options.commandLine, c.recordCommand);
        Run(options, [&](DialogView& dialog) {
            for (int id : c.clicks) {
                dialog.Click(id);
            }
            dialog.Click(1);
        });
        EXPECT_EQ(options.commandLine, c.stored);
        EXPECT_EQ(StoredText(registry_names::kCommandLine), c.stored);
    }
}

// --- Cancel and the dialog's callers ---

TEST_F(SaveDialogTest, CancelGivesFalseAndWritesOrCreatesNothing) {
    struct Case {
        const char* name;
        std::function<void(DialogView&)> leave;
    };
    const Case cases[] = {
        {"Cancel", [](DialogView& d) { d.Click(2); }},
        {"Escape", [](DialogView& d) { d.PressEscape(); }},
        {"close box", [](DialogView& d) { d.CloseBox(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveOptions options = Record();
        bool answer = Run(options, [&](DialogView& dialog) {
            dialog.Type(save_ids::kTargetFolder, "C:\\Elsewhere");
            dialog.Click(save_ids::kAppendSenderName);
            dialog.Click(save_ids::kSenderNameButton);
            c.leave(dialog);
        });
        EXPECT_FALSE(answer);
        EXPECT_STREQ(options.targetFolder, "C:\\Mail\\");
        EXPECT_EQ(options.appendSenderName, 0);
        EXPECT_EQ(options.subfolderMode, 0);
        EXPECT_FALSE(OptionsKeyExists());
        EXPECT_FALSE(temp.Exists("Elsewhere"));
        EXPECT_FALSE(temp.Exists("Mail")) << "no folder is made for a cancelled run";
    }
}

TEST_F(SaveDialogTest, WithoutTheDialogTheFolderIsStillMadeAndNothingIsWritten) {
    SaveOptions options = Record();
    EXPECT_TRUE(ShowSaveDialog(options, owner, false, nullptr));
    EXPECT_TRUE(user->Dialogs().empty());
    EXPECT_TRUE(temp.Exists("Mail"));
    EXPECT_FALSE(OptionsKeyExists());
}

TEST_F(SaveDialogTest, WithoutTheDialogAFolderThatCannotBeMadeIsReported) {
    SaveOptions options = Record();
    AddRecentFolder(options, "C:\\No\\Such\\Place");
    user->ExpectMessageBox(IDOK);
    EXPECT_FALSE(ShowSaveDialog(options, owner, false, nullptr));
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_EQ(user->MessageBoxes()[0].text, "Failed to create folder C:\\No\\Such\\Place\\.");
    EXPECT_EQ(user->MessageBoxes()[0].owner, owner);
    EXPECT_FALSE(OptionsKeyExists());
}

TEST_F(SaveDialogTest, ADialogThatCannotBeShownCountsAsConfirmed) {
    SaveOptions options = Record();
    embedded::FailNthCall("DialogBoxParamA", 1, E_FAIL);
    EXPECT_TRUE(ShowSaveDialog(options, owner, true, nullptr));
    EXPECT_TRUE(user->Dialogs().empty());
    EXPECT_EQ(StoredText(registry_names::kTargetFolder), "C:\\Mail\\")
        << "the record as it came is stored";
    EXPECT_TRUE(temp.Exists("Mail"));
}

// --- Browse, Open Folder, "...", Help, About ---

TEST_F(SaveDialogTest, BrowseStartsAtTheTypedFolderAndPutsThePickedOneInTheField) {
    SaveOptions options = Record();
    HWND dialogWindow = nullptr;
    bool answer = Run(options, [&](DialogView& dialog) {
        dialogWindow = dialog.Handle();
        dialog.Type(save_ids::kTargetFolder, "C:\\Typed\\Here");
        user->ExpectFolderBrowser(std::nullopt);
        dialog.Click(save_ids::kBrowse);
        EXPECT_EQ(dialog.Text(save_ids::kTargetFolder), "C:\\Typed\\Here")
            << "a cancelled browser changes nothing";
        user->ExpectFolderBrowser(std::string("C:\\Picked"));
        dialog.Click(save_ids::kBrowse);
        EXPECT_EQ(dialog.Text(save_ids::kTargetFolder), "C:\\Picked");
        EXPECT_FALSE(dialog.Ended());
        dialog.Click(1);
    });
    EXPECT_TRUE(answer);
    ASSERT_EQ(user->FolderBrowsers().size(), 2u);
    const embedded::FolderBrowserRequest& browser = user->FolderBrowsers()[1];
    EXPECT_EQ(browser.owner, dialogWindow);
    EXPECT_EQ(browser.title, "Please select a folder to save attachments into");
    EXPECT_EQ(browser.flags, 0x41u);
    EXPECT_EQ(user->FolderBrowsers()[0].selection, "C:\\Typed\\Here");
    EXPECT_STREQ(options.targetFolder, "C:\\Picked\\");
    EXPECT_EQ(embedded::CallsOf("SHGetMalloc").size(), 1u) << "the picked list is freed";
}

TEST_F(SaveDialogTest, OpenFolderMakesTheFolderAndOpensItWhileTheDialogStays) {
    SaveOptions options = Record();
    HWND dialogWindow = nullptr;
    Run(options, [&](DialogView& dialog) {
        dialogWindow = dialog.Handle();
        dialog.Type(save_ids::kTargetFolder, "C:\\Fresh\\Sub");
        dialog.Click(save_ids::kOpenFolder);
        EXPECT_FALSE(dialog.Ended());
        EXPECT_TRUE(temp.Exists("Fresh/Sub"));
        dialog.Click(2);
    });
    ASSERT_EQ(user->Launches().size(), 1u);
    const embedded::LaunchRequest& launch = user->Launches()[0];
    EXPECT_EQ(launch.verb, "open");
    EXPECT_EQ(launch.file, "C:\\Fresh\\Sub");
    EXPECT_EQ(launch.show, SW_SHOW);
    EXPECT_EQ(launch.owner, dialogWindow);
    EXPECT_STREQ(options.targetFolder, "C:\\Mail\\") << "the options are not changed";
}

TEST_F(SaveDialogTest, OpenFolderReportsAFileInTheWayAndOpensNothing) {
    temp.WriteFile("Blocked", "a file");
    SaveOptions options = Record();
    Run(options, [&](DialogView& dialog) {
        dialog.Type(save_ids::kTargetFolder, "C:\\Blocked");
        user->ExpectMessageBox(IDOK);
        dialog.Click(save_ids::kOpenFolder);
        EXPECT_FALSE(dialog.Ended());
        dialog.Click(2);
    });
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_NE(user->MessageBoxes()[0].text.find("A file with this name already exists"),
              std::string::npos);
    EXPECT_TRUE(user->Launches().empty());
}

TEST_F(SaveDialogTest, TheCommandPickerPutsThePickedFileIntoTheCommandField) {
    SaveOptions options = Record();
    HWND dialogWindow = nullptr;
    Run(options, [&](DialogView& dialog) {
        dialogWindow = dialog.Handle();
        dialog.Click(save_ids::kExecute);
        dialog.Type(save_ids::kCommandLine, "old");
        user->ExpectFileDialog(std::nullopt);
        dialog.Click(save_ids::kPickCommand);
        EXPECT_EQ(dialog.Text(save_ids::kCommandLine), "old")
            << "a cancelled picker changes nothing";
        user->ExpectFileDialog(std::string("C:\\Program Files\\Scan Tool\\scan.exe"));
        dialog.Click(save_ids::kPickCommand);
        EXPECT_EQ(dialog.Text(save_ids::kCommandLine), "C:\\Program Files\\Scan Tool\\scan.exe")
            << "no quotes";
        dialog.Click(1);
    });
    EXPECT_STREQ(options.commandLine, "C:\\Program Files\\Scan Tool\\scan.exe");
    ASSERT_EQ(user->FileDialogs().size(), 2u);
    const embedded::FileDialogRequest& picker = user->FileDialogs()[0];
    EXPECT_FALSE(picker.save);
    EXPECT_EQ(picker.owner, dialogWindow);
    EXPECT_EQ(picker.title, "Select a command to run");
    EXPECT_EQ(picker.flags, 0x201800u);
    EXPECT_EQ(picker.structSize, kOpenFileNameSizeNT4);
    EXPECT_TRUE(picker.filter.empty());
    EXPECT_EQ(picker.initialFile, "");
    EXPECT_EQ(picker.capacity, 260u);
}

TEST_F(SaveDialogTest, HelpOpensTheOnlineDocumentation) {
    SaveOptions options = Record();
    Run(options, [](DialogView& dialog) {
        dialog.AskForHelp();
        EXPECT_FALSE(dialog.Ended());
        dialog.Click(2);
    });
    ASSERT_EQ(user->Launches().size(), 1u);
    EXPECT_EQ(user->Launches()[0].verb, "open");
    EXPECT_EQ(user->Launches()[0].file, kHelpPageAddress);
    EXPECT_EQ(user->Launches()[0].show, SW_SHOW);
}

TEST_F(SaveDialogTest, AboutShowsTheAboutBoxOverTheDialog) {
    SaveOptions options = Record();
    HWND dialogWindow = nullptr;
    Run(options, [&](DialogView& dialog) {
        dialogWindow = dialog.Handle();
        user->ExpectMessageBox(IDOK);
        dialog.Click(save_ids::kAbout);
        EXPECT_FALSE(dialog.Ended());
        dialog.Click(2);
    });
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_EQ(user->MessageBoxes()[0].caption, "About Filvex");
    EXPECT_EQ(user->MessageBoxes()[0].owner, dialogWindow);
}

// --- The rule form ---

TEST_F(SaveDialogTest, TheRuleFormRefusesAValueTheRulesStringCannotCarry) {
    struct Case {
        const char* name;
        const char* folder;
        const char* command;
        bool ruleForm;
        bool refused;
    };
    const Case cases[] = {
        {"a command with a bar", "C:\\Mail", "cmd /c type | more", true, true},
        {"a folder with a bar", "C:\\A|B", "", true, true},
        {"values without a bar", "C:\\Mail", "C:\\Tools\\scan.exe", true, false},
        {"the Save command keeps a command with a bar", "C:\\Mail", "cmd /c type | more", false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveOptions options = Record();
        AddRecentFolder(options, c.folder);
        std::strcpy(options.commandLine, c.command);
        SaveAttachmentsDialog dialog(options, "OK");
        if (c.ruleForm) {
            dialog.SetRuleForm();
        }
        const std::size_t boxesBefore = user->MessageBoxes().size();
        user->ExpectDialog(kDialog, [&](DialogView& view) {
            if (c.refused) {
                user->ExpectMessageBox(IDOK);
            }
            view.Click(IDOK);
            if (!view.Ended()) {
                view.Click(IDCANCEL);
            }
        });
        EXPECT_EQ(dialog.Show(owner), c.refused ? IDCANCEL : IDOK);
        ASSERT_EQ(user->MessageBoxes().size(), boxesBefore + (c.refused ? 1 : 0));
        if (c.refused) {
            EXPECT_EQ(user->MessageBoxes().back().text, String(resource_ids::kRuleValueRefused));
            EXPECT_EQ(user->MessageBoxes().back().type, MB_ICONERROR);
            // Refused before anything was stored.
            EXPECT_EQ(options.optionsExpanded, 1);
            EXPECT_FALSE(OptionsKeyExists());
        }
        EXPECT_STREQ(options.commandLine, c.command);
    }
}

} // namespace
