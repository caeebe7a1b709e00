#include "links/link_attachment.h"
#include "platform/com_ptr.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/store/message_store.h"
#include "platform/mapi_tags.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

using embedded::MessageDraft;

// What a SetProps call was given, value by value, in the order given.
struct GivenValue {
    ULONG tag;
    LONG number;
    std::string text;
    bool operator==(const GivenValue&) const = default;
};

struct Seen {
    std::vector<std::vector<GivenValue>> setProps;
    bool attachmentReleased = false;
};

// Passes every IMAPIProp call on to the store's own object; the tests below look at what the
// module hands over on the way.
template <class Interface> class Forwarding : public Interface {
  public:
    explicit Forwarding(Interface* inner) : inner(inner) {}
    virtual ~Forwarding() { inner->Release(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppvObject) override {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetLastError(HRESULT hResult, ULONG ulFlags,
                                           LPMAPIERROR* lppMAPIError) override {
        return inner->GetLastError(hResult, ulFlags, lppMAPIError);
    }
    HRESULT STDMETHODCALLTYPE SaveChanges(ULONG ulFlags) override {
        return inner->SaveChanges(ulFlags);
    }
    HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray tags, ULONG ulFlags, ULONG* count,
                                       LPSPropValue* values) override {
        return inner->GetProps(tags, ulFlags, count, values);
    }
    HRESULT STDMETHODCALLTYPE GetPropList(ULONG ulFlags, LPSPropTagArray* tags) override {
        return inner->GetPropList(ulFlags, tags);
    }
    HRESULT STDMETHODCALLTYPE OpenProperty(ULONG tag, LPCIID iid, ULONG options, ULONG ulFlags,
                                           LPUNKNOWN* opened) override {
        return inner->OpenProperty(tag, iid, options, ulFlags, opened);
    }
    HRESULT STDMETHODCALLTYPE SetProps(ULONG count, LPSPropValue values,
                                       LPSPropProblemArray* problems) override {
        return inner->SetProps(count, values, problems);
    }
    HRESULT STDMETHODCALLTYPE DeleteProps(LPSPropTagArray tags,
                                          LPSPropProblemArray* problems) override {
        return inner->DeleteProps(tags, problems);
    }
    HRESULT STDMETHODCALLTYPE CopyTo(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray tags,
                                     ULONG_PTR window, LPMAPIPROGRESS progress, LPCIID iid,
                                     LPVOID target, ULONG ulFlags,
                                     LPSPropProblemArray* problems) override {
        return inner->CopyTo(ciidExclude, rgiidExclude, tags, window, progress, iid, target,
                             ulFlags, problems);
    }
    HRESULT STDMETHODCALLTYPE CopyProps(LPSPropTagArray tags, ULONG_PTR window,
                                        LPMAPIPROGRESS progress, LPCIID iid, LPVOID target,
                                        ULONG ulFlags, LPSPropProblemArray* problems) override {
        return inner->CopyProps(tags, window, progress, iid, target, ulFlags, problems);
    }
    HRESULT STDMETHODCALLTYPE GetNamesFromIDs(LPSPropTagArray* tags, LPGUID guid, ULONG ulFlags,
                                              ULONG* count, LPMAPINAMEID** names) override {
        return inner->GetNamesFromIDs(tags, guid, ulFlags, count, names);
    }
    HRESULT STDMETHODCALLTYPE GetIDsFromNames(ULONG count, LPMAPINAMEID* names, ULONG ulFlags,
                                              LPSPropTagArray* tags) override {
        return inner->GetIDsFromNames(count, names, ulFlags, tags);
    }

  protected:
    Interface* const inner;

  private:
    std::atomic<ULONG> references{1};
};

class WatchedAttachment final : public Forwarding<IAttach> {
  public:
    WatchedAttachment(IAttach* inner, Seen& seen) : Forwarding(inner), seen(seen) {}
    ~WatchedAttachment() override { seen.attachmentReleased = true; }

    HRESULT STDMETHODCALLTYPE SetProps(ULONG count, LPSPropValue values,
                                       LPSPropProblemArray* problems) override {
        std::vector<GivenValue> given;
        for (ULONG i = 0; i < count; ++i) {
            const bool text = PROP_TYPE(values[i].ulPropTag) == PT_STRING8;
            given.push_back({values[i].ulPropTag, text ? 0 : values[i].Value.l,
                             text ? std::string(values[i].Value.lpszA) : std::string()});
        }
        seen.setProps.push_back(given);
        return inner->SetProps(count, values, problems);
    }

  private:
    Seen& seen;
};

class WatchedMessage final : public Forwarding<IMessage> {
  public:
    WatchedMessage(IMessage* inner, Seen& seen) : Forwarding(inner), seen(seen) {}

    HRESULT STDMETHODCALLTYPE GetAttachmentTable(ULONG ulFlags, LPMAPITABLE* table) override {
        return inner->GetAttachmentTable(ulFlags, table);
    }
    HRESULT STDMETHODCALLTYPE OpenAttach(ULONG number, LPCIID iid, ULONG ulFlags,
                                         LPATTACH* attachment) override {
        return inner->OpenAttach(number, iid, ulFlags, attachment);
    }
    HRESULT STDMETHODCALLTYPE CreateAttach(LPCIID iid, ULONG ulFlags, ULONG* number,
                                           LPATTACH* attachment) override {
        HRESULT hr = inner->CreateAttach(iid, ulFlags, number, attachment);
        if (SUCCEEDED(hr)) {
            *attachment = new WatchedAttachment(*attachment, seen);
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE DeleteAttach(ULONG number, ULONG_PTR window, LPMAPIPROGRESS progress,
                                           ULONG ulFlags) override {
        return inner->DeleteAttach(number, window, progress, ulFlags);
    }
    HRESULT STDMETHODCALLTYPE GetRecipientTable(ULONG ulFlags, LPMAPITABLE* table) override {
        return inner->GetRecipientTable(ulFlags, table);
    }
    HRESULT STDMETHODCALLTYPE ModifyRecipients(ULONG ulFlags, LPADRLIST mods) override {
        return inner->ModifyRecipients(ulFlags, mods);
    }
    HRESULT STDMETHODCALLTYPE SubmitMessage(ULONG ulFlags) override {
        return inner->SubmitMessage(ulFlags);
    }
    HRESULT STDMETHODCALLTYPE SetReadFlag(ULONG ulFlags) override {
        return inner->SetReadFlag(ulFlags);
    }

  private:
    Seen& seen;
};

class LinkAttachmentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        embedded::ResetPlatformTrace();
        id = store.AddMessage(MessageDraft().Subject("Q3").File("report.doc", "DOC"));
        message.Reset(new WatchedMessage(store.OpenMessage(id), seen));
    }
    void TearDown() override { embedded::ResetPlatformTrace(); }

    // The attachments that the store holds that are not the message's original one.
    std::vector<embedded::AttachmentData> Added() const {
        std::vector<embedded::AttachmentData> added;
        for (const auto& [number, attachment] : store.Read(id).attachments) {
            if (number != 0) {
                added.push_back(attachment);
            }
        }
        return added;
    }

    embedded::MessageStore store;
    embedded::EntryId id;
    Seen seen;
    ComPtr<IMessage> message;
};

TEST_F(LinkAttachmentTest, LinkHoldsTheMethodTheDisplayNameAndThePathAndNothingElse) {
    EXPECT_EQ(CreateLinkAttachment(message.Get(), "report.doc", "C:\\Mail\\report - Smith.doc"),
              S_OK);

    const std::vector<GivenValue> expected = {
        {PR_ATTACH_METHOD, ATTACH_BY_REFERENCE, ""},
        {PR_DISPLAY_NAME, 0, "LinkTo_report.doc"},
        {PR_ATTACH_LONG_PATHNAME, 0, "C:\\Mail\\report - Smith.doc"}};
    ASSERT_EQ(seen.setProps.size(), 1u);
    EXPECT_EQ(seen.setProps[0], expected);
    EXPECT_TRUE(seen.attachmentReleased);

    const auto created = embedded::CallsOf("CreateAttach");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].flags, static_cast<std::uint64_t>(MAPI_DEFERRED_ERRORS));
    // The attachment is saved into the message; the message itself is the engine's to save.
    const auto saves = embedded::CallsOf("SaveChanges");
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_EQ(saves[0].flags, 0u);
    EXPECT_TRUE(Added().empty());

    ASSERT_EQ(message->SaveChanges(0), S_OK);
    const auto added = Added();
    ASSERT_EQ(added.size(), 1u);
    const embedded::AttachmentData& link = added[0];
    EXPECT_EQ(link.Method(), ATTACH_BY_REFERENCE);
    EXPECT_EQ(link.Text(PR_DISPLAY_NAME), "LinkTo_report.doc");
    EXPECT_EQ(link.Text(PR_ATTACH_LONG_PATHNAME), "C:\\Mail\\report - Smith.doc");
    EXPECT_FALSE(link.Has(PR_ATTACH_LONG_FILENAME));
    EXPECT_FALSE(link.Has(PR_ATTACH_FILENAME));
    EXPECT_FALSE(link.Has(PR_ATTACH_DATA_BIN));
    EXPECT_EQ(link.Values().size(), 3u);
}

TEST_F(LinkAttachmentTest, LongNameIsCutSoThatTheDisplayNameFitsItsBuffer) {
    const std::string name(400, 'a');
    EXPECT_EQ(CreateLinkAttachment(message.Get(), name.c_str(), "D:\\Files\\a.txt"), S_OK);
    ASSERT_EQ(seen.setProps.size(), 1u);
    ASSERT_EQ(seen.setProps[0].size(), 3u);
    EXPECT_EQ(seen.setProps[0][1].text, "LinkTo_" + name.substr(0, 316));
}

TEST_F(LinkAttachmentTest, FailuresAreReturnedAndTheAttachmentIsReleased) {
    struct Case {
        const char* name;
        const char* operation;
        std::size_t setProps;
        std::size_t saves;
    };
    const Case cases[] = {
        {"attachment cannot be created", "CreateAttach", 0, 0},
        {"values refused", "SetProps", 1, 0},
        {"attachment cannot be saved", "SaveChanges", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        seen = Seen();
        embedded::ClearCallLog();
        embedded::FailNthCall(c.operation, 1, MAPI_E_NO_ACCESS);

        EXPECT_EQ(CreateLinkAttachment(message.Get(), "a.txt", "D:\\Files\\a.txt"),
                  MAPI_E_NO_ACCESS);

        embedded::ClearFaults();
        EXPECT_EQ(seen.setProps.size(), c.setProps);
        EXPECT_EQ(embedded::CallsOf("SaveChanges").size(), c.saves);
        // Created or not, no attachment object is left behind.
        EXPECT_EQ(seen.attachmentReleased, c.setProps > 0);
        ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        EXPECT_TRUE(Added().empty());
    }
}

TEST_F(LinkAttachmentTest, MissingArgumentsAreRefused) {
    EXPECT_EQ(CreateLinkAttachment(nullptr, "a.txt", "D:\\a.txt"), E_INVALIDARG);
    EXPECT_EQ(CreateLinkAttachment(message.Get(), nullptr, "D:\\a.txt"), E_INVALIDARG);
    EXPECT_EQ(CreateLinkAttachment(message.Get(), "a.txt", nullptr), E_INVALIDARG);
    EXPECT_TRUE(embedded::CallLog().empty());
}

} // namespace
