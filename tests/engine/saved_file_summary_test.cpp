#include "engine/saved_file_summary.h"
#include "platform/com_ptr.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/storage/compound_file.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/store/message_data.h"
#include "platform/ole_storage.h"
#include "platform/win32_modules.h"
#include "tests/support/drive_test.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/xattr.h>
#include <vector>

namespace {

using Summary = std::map<PROPID, std::string>;

constexpr DWORD kOpenMode = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;
const std::vector<PROPID> kSummaryIds = {PIDSI_TITLE, PIDSI_SUBJECT, PIDSI_AUTHOR, PIDSI_COMMENTS};

std::vector<std::string> Operations() {
    std::vector<std::string> names;
    for (const auto& call : embedded::CallLog()) {
        names.push_back(call.operation);
    }
    return names;
}

class SavedFileSummaryTest : public testing_support::DriveTest {
  protected:
    std::string Host(const std::string& relative) const { return temp.path() + "/" + relative; }

    // A document as an office program leaves it: a compound file with a stream of its own.
    void WriteDocument(const std::string& relative) const {
        auto writer = embedded::CompoundWriter::Create(Host(relative));
        ASSERT_TRUE(writer);
        ASSERT_TRUE(writer->BeginStream("WordDocument"));
        ASSERT_TRUE(writer->Write("document text", 13));
        ASSERT_TRUE(writer->EndStream());
        ASSERT_TRUE(writer->Close());
    }

    std::string DocumentText(const std::string& relative) const {
        auto document = embedded::CompoundStorageReader::OpenFile(Host(relative));
        auto text = document ? document->OpenStream("WordDocument") : nullptr;
        std::string bytes(text ? text->Size() : 0, '\0');
        if (!text || !text->ReadAt(0, bytes.data(), bytes.size())) {
            return "<unreadable>";
        }
        return bytes;
    }

    // Every file in the test's folder, so that a temporary file left behind shows.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(temp.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The summary texts of the file, as any reader of property sets gets them.
    static Summary ReadSummary(const std::string& windowsPath) {
        Summary found;
        const std::u16string path = embedded::Utf16FromUtf8(windowsPath);
        const DWORD readMode = STGM_SHARE_EXCLUSIVE | STGM_READ;
        ComPtr<IPropertySetStorage> sets;
        ComPtr<IPropertyStorage> set;
        if (FAILED(StgOpenStorageEx(path.c_str(), readMode, STGFMT_ANY, 0, nullptr, nullptr,
                                    IID_IPropertySetStorage,
                                    reinterpret_cast<void**>(sets.Out()))) ||
            FAILED(sets->Open(FMTID_SummaryInformation, readMode, set.Out()))) {
            return found;
        }
        std::vector<PROPSPEC> properties(kSummaryIds.size());
        for (std::size_t i = 0; i < kSummaryIds.size(); ++i) {
            properties[i].ulKind = PRSPEC_PROPID;
            properties[i].propid = kSummaryIds[i];
        }
        std::vector<PROPVARIANT> values(kSummaryIds.size());
        if (FAILED(set->ReadMultiple(static_cast<ULONG>(properties.size()), properties.data(),
                                     values.data()))) {
            return found;
        }
        for (std::size_t i = 0; i < kSummaryIds.size(); ++i) {
            if (values[i].vt == VT_LPWSTR) {
                found[kSummaryIds[i]] = embedded::Utf8FromUtf16(values[i].pwszVal);
            } else if (values[i].vt == VT_LPSTR) {
                found[kSummaryIds[i]] = values[i].pszVal;
            } else if (values[i].vt != VT_EMPTY) {
                found[kSummaryIds[i]] = "<type " + std::to_string(values[i].vt) + ">";
            }
        }
        FreePropVariantArray(static_cast<ULONG>(values.size()), values.data());
        return found;
    }
};

TEST_F(SavedFileSummaryTest, AuthorIsBuiltFromWhatIsKnownOfTheSender) {
    struct Case {
        const char* name;
        const char* senderName;
        const char* senderAddress;
        std::optional<std::string> author;
    };
    const Case cases[] = {
        {"name and SMTP address", "Ann Lee", "ann@example.com", "Ann Lee <ann@example.com>"},
        {"name only", "Ann Lee", nullptr, "Ann Lee"},
        {"address only", nullptr, "ann@example.com", "ann@example.com"},
        {"neither", nullptr, nullptr, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(Host("report.doc").c_str());
        WriteDocument("report.doc");
        embedded::ClearCallLog();

        EXPECT_EQ(SetSavedFileSummary("C:\\report.doc", "report.doc", "Q3 figures", c.senderName,
                                      c.senderAddress, nullptr),
                  S_OK);

        Summary expected = {{PIDSI_TITLE, "report.doc"}, {PIDSI_SUBJECT, "Q3 figures"}};
        if (c.author) {
            expected[PIDSI_AUTHOR] = *c.author;
        }
        const auto writes = embedded::CallsOf("WriteMultiple");
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_EQ(writes[0].flags, expected.size()); // the count of entries, none for the absent
        EXPECT_EQ(ReadSummary("C:\\report.doc"), expected);
    }
}

TEST_F(SavedFileSummaryTest, LongAuthorIsCutToItsBuffer) {
    WriteDocument("report.doc");
    const std::string name(300, 'n');
    EXPECT_EQ(SetSavedFileSummary("C:\\report.doc", "report.doc", "Q3", name.c_str(),
                                  "ann@example.com", nullptr),
              S_OK);
    EXPECT_EQ(ReadSummary("C:\\report.doc")[PIDSI_AUTHOR], name.substr(0, 259));
}

TEST_F(SavedFileSummaryTest, EmptySubjectIsWrittenAsEmptyText) {
    WriteDocument("report.doc");
    EXPECT_EQ(SetSavedFileSummary("C:\\report.doc", "report.doc", "", "Ann Lee", nullptr, nullptr),
              S_OK);
    EXPECT_EQ(
        ReadSummary("C:\\report.doc"),
        (Summary{{PIDSI_TITLE, "report.doc"}, {PIDSI_SUBJECT, ""}, {PIDSI_AUTHOR, "Ann Lee"}}));
}

TEST_F(SavedFileSummaryTest, OpensTheFileInDirectModeAndCreatesTheSetOnlyWhenItIsMissing) {
    WriteDocument("report.doc");
    ASSERT_EQ(WriteSummaryProperties("C:\\report.doc", "report.doc", "Q3", "Ann Lee", "first"),
              S_OK);
    // The set exists now: it is opened, not created afresh, and the comments stay.
    embedded::ClearCallLog();
    ASSERT_EQ(WriteSummaryProperties("C:\\report.doc", "report - 1.doc", "Q4", nullptr, nullptr),
              S_OK);

    const std::vector<std::string> expected = {
        "GetModuleHandleA", "GetProcAddress", "MultiByteToWideChar", "MultiByteToWideChar",
        "StgOpenStorageEx", "Open", "MultiByteToWideChar", "MultiByteToWideChar",
        "MultiByteToWideChar", "MultiByteToWideChar", "WriteMultiple",
        // The platform writes the document anew beside itself (its two streams) and renames it
        // over the old one, so that a failure half-way cannot cost the document.
        "CompoundFileCopy", "CompoundFileCopy", "ReplaceFileSync", "CompoundFileRename",
        "ReplaceFolderSync"};
    EXPECT_EQ(Operations(), expected);
    EXPECT_EQ(embedded::CallsOf("StgOpenStorageEx")[0].flags, 0x12u);
    EXPECT_EQ(embedded::CallsOf("Open")[0].flags, 0x12u);
    EXPECT_EQ(embedded::CallsOf("WriteMultiple")[0].flags, 2u);
    EXPECT_EQ(ReadSummary("C:\\report.doc"), (Summary{{PIDSI_TITLE, "report - 1.doc"},
                                                      {PIDSI_SUBJECT, "Q4"},
                                                      {PIDSI_AUTHOR, "Ann Lee"},
                                                      {PIDSI_COMMENTS, "first"}}));
    EXPECT_EQ(DocumentText("report.doc"), "document text");
}

TEST_F(SavedFileSummaryTest, NewSetIsCreatedAfterTheOpenFails) {
    WriteDocument("report.doc");
    EXPECT_EQ(WriteSummaryProperties("C:\\report.doc", "report.doc", "Q3", nullptr, nullptr), S_OK);
    const auto opens = embedded::CallsOf("Open");
    const auto creates = embedded::CallsOf("Create");
    ASSERT_EQ(opens.size(), 1u);
    ASSERT_EQ(creates.size(), 1u);
    EXPECT_EQ(opens[0].flags, 0x12u);
    EXPECT_EQ(creates[0].flags, 0x1012u);
    EXPECT_TRUE(embedded::CallsOf("Commit").empty());
    EXPECT_EQ(ReadSummary("C:\\report.doc"),
              (Summary{{PIDSI_TITLE, "report.doc"}, {PIDSI_SUBJECT, "Q3"}}));
}

TEST_F(SavedFileSummaryTest, PlainFileKeepsItsSummaryToo) {
    temp.WriteFile("notes.txt", "plain text");
    if (::setxattr(Host("notes.txt").c_str(), "user.filvex.probe", "x", 1, 0) != 0) {
        GTEST_SKIP() << "the temporary folder takes no user attributes (errno " << errno << ")";
    }
    ::removexattr(Host("notes.txt").c_str(), "user.filvex.probe");

    EXPECT_EQ(SetSavedFileSummary("C:\\notes.txt", "notes.txt", "Minutes", "Ann Lee",
                                  "ann@example.com", nullptr),
              S_OK);

    EXPECT_EQ(temp.ReadFile("notes.txt"), "plain text");
    EXPECT_EQ(ReadSummary("C:\\notes.txt"), (Summary{{PIDSI_TITLE, "notes.txt"},
                                                     {PIDSI_SUBJECT, "Minutes"},
                                                     {PIDSI_AUTHOR, "Ann Lee <ann@example.com>"}}));
}

TEST_F(SavedFileSummaryTest, WithoutStgOpenStorageExTheFileIsNotTouched) {
    const char* const missing[] = {"GetModuleHandleA", "GetProcAddress"};
    for (const char* operation : missing) {
        SCOPED_TRACE(operation);
        std::remove(Host("report.doc").c_str());
        WriteDocument("report.doc");
        const std::string before = temp.ReadFile("report.doc");
        embedded::ClearCallLog();
        embedded::FailNthCall(operation, 1, HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));

        EXPECT_EQ(
            SetSavedFileSummary("C:\\report.doc", "report.doc", "Q3", "Ann Lee", nullptr, nullptr),
            E_FAIL);

        embedded::ClearFaults();
        EXPECT_TRUE(embedded::CallsOf("StgOpenStorageEx").empty());
        EXPECT_TRUE(embedded::CallsOf("MultiByteToWideChar").empty());
        EXPECT_EQ(temp.ReadFile("report.doc"), before);
    }
}

TEST_F(SavedFileSummaryTest, FailuresAreReturnedAndLeaveTheSummaryAsItWas) {
    struct Case {
        const char* name;
        const char* operation;
        int nth;
        HRESULT fault;
        HRESULT expected;
    };
    const Case cases[] = {
        {"path cannot be converted", "MultiByteToWideChar", 1,
         HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION),
         HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION)},
        {"file cannot be opened", "StgOpenStorageEx", 1, STG_E_LOCKVIOLATION, STG_E_LOCKVIOLATION},
        {"set cannot be created", "Create", 1, STG_E_ACCESSDENIED, STG_E_ACCESSDENIED},
        {"a text cannot be converted", "MultiByteToWideChar", 4,
         HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION),
         HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION)},
        {"texts cannot be written", "WriteMultiple", 1, STG_E_MEDIUMFULL, STG_E_MEDIUMFULL},
        // The rewritten document cannot take the old one's place: the old one stays whole.
        {"document cannot be replaced", "CompoundFileRename", 1, STG_E_ACCESSDENIED,
         STG_E_ACCESSDENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(Host("report.doc").c_str());
        WriteDocument("report.doc");
        embedded::FailNthCall(c.operation, c.nth, c.fault);

        EXPECT_EQ(WriteSummaryProperties("C:\\report.doc", "report.doc", "Q3", "Ann Lee", nullptr),
                  c.expected);

        embedded::ClearFaults();
        EXPECT_EQ(ReadSummary("C:\\report.doc"), Summary());
        EXPECT_EQ(DocumentText("report.doc"), "document text");
        EXPECT_EQ(Files(), std::vector<std::string>{"report.doc"});
        // Nothing holds the file afterwards: the next save of its summary gets through.
        EXPECT_EQ(WriteSummaryProperties("C:\\report.doc", "report.doc", nullptr, nullptr, nullptr),
                  S_OK);
    }
}

TEST_F(SavedFileSummaryTest, FileHeldElsewhereOrMissingGivesThePlatformsAnswer) {
    WriteDocument("held.doc");
    const std::u16string held = embedded::Utf16FromUtf8("C:\\held.doc");
    ComPtr<IPropertySetStorage> holder;
    ASSERT_EQ(StgOpenStorageEx(held.c_str(), kOpenMode, STGFMT_ANY, 0, nullptr, nullptr,
                               IID_IPropertySetStorage, reinterpret_cast<void**>(holder.Out())),
              S_OK);
    EXPECT_EQ(WriteSummaryProperties("C:\\held.doc", "held.doc", "Q3", nullptr, nullptr),
              STG_E_SHAREVIOLATION);
    holder.Reset();
    EXPECT_EQ(WriteSummaryProperties("C:\\held.doc", "held.doc", "Q3", nullptr, nullptr), S_OK);

    EXPECT_EQ(WriteSummaryProperties("C:\\missing.doc", "missing.doc", "Q3", nullptr, nullptr),
              STG_E_FILENOTFOUND);
    EXPECT_FALSE(temp.Exists("missing.doc"));
    EXPECT_EQ(WriteSummaryProperties(nullptr, "a", "b", nullptr, nullptr), E_INVALIDARG);
}

} // namespace
