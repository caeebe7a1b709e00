#include "engine/message_facts.h"
#include "engine/subfolder_choice.h"
#include "platform/embedded/trace/call_log.h"
#include "tests/engine/engine_fixture.h"

#include <cstring>

namespace {

using embedded::MessageDraft;
using embedded::UtcFileTime;

class MessageFactsTest : public engine_testing::EngineTest {
  protected:
    std::unique_ptr<MessageContext> GatheredFacts(const MessageDraft& draft) {
        auto context = ContextFor(store.AddMessage(draft));
        GatherMessageFacts(*context);
        return context;
    }
};

TEST_F(MessageFactsTest, SenderSubjectAndReceivedTimeAreReadOnce) {
    auto context = GatheredFacts(MessageDraft()
                                     .From("Ann Lee", "ann@example.com")
                                     .Subject("Q1 report")
                                     .Received(UtcFileTime(2004, 3, 5, 14, 7, 9)));
    EXPECT_STREQ(context->senderEmail, "ann@example.com");
    EXPECT_STREQ(context->senderEmailClean, "ann@example.com");
    EXPECT_STREQ(context->senderDomain, "example.com");
    EXPECT_STREQ(context->senderAddressType, "SMTP");
    EXPECT_STREQ(context->senderNameClean, "Ann Lee");
    EXPECT_STREQ(context->subjectFull, "Q1 report");
    EXPECT_STREQ(context->subjectClean, "Q1 report");
    EXPECT_STREQ(context->receivedDate, "2004-03-05");
    EXPECT_STREQ(context->receivedTime, "14.07.09");
    EXPECT_TRUE(context->factsGathered);

    embedded::ClearCallLog();
    GatherMessageFacts(*context);
    EXPECT_TRUE(embedded::CallsOf("GetProps").empty());
}

TEST_F(MessageFactsTest, ReceivedTimeIsLocalWithTheDaylightSavingRuleOfItsDay) {
    environment.Set("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    BoundedCopy(options.dateSeparator, sizeof(options.dateSeparator), "_");
    BoundedCopy(options.timeSeparator, sizeof(options.timeSeparator), "h");
    struct Case {
        const char* name;
        FILETIME received;
        const char* date;
        const char* time;
    } cases[] = {
        {"winter, one hour ahead", UtcFileTime(2004, 3, 5, 13, 7, 9), "2004_03_05", "14h07h09"},
        {"summer, two hours ahead", UtcFileTime(2004, 7, 5, 12, 7, 9), "2004_07_05", "14h07h09"},
        {"local midnight moves the day", UtcFileTime(2004, 12, 31, 23, 30, 0), "2005_01_01",
         "00h30h00"},
    };
    for (const Case& c : cases) {
        auto context = GatheredFacts(MessageDraft().Received(c.received));
        EXPECT_STREQ(context->receivedDate, c.date) << c.name;
        EXPECT_STREQ(context->receivedTime, c.time) << c.name;
    }
}

TEST_F(MessageFactsTest, MissingOrOddFactsKeepTheirStartingValues) {
    struct Case {
        const char* name;
        MessageDraft draft;
        const char* senderNameClean;
        const char* domain;
        const char* subjectClean; // null: no subject
        const char* subjectFull;
    } cases[] = {
        {"nothing at all", MessageDraft(), "NOSENDER", "unknown.domain", nullptr, ""},
        {"exchange address", MessageDraft().From("Bob", "/O=ORG/CN=BOB", "EX"), "Bob",
         "unknown.domain", nullptr, ""},
        {"normalized subject wins",
         MessageDraft().Subject("Re: Offer").Text(PR_NORMALIZED_SUBJECT, "Offer"), "NOSENDER",
         "unknown.domain", "Offer", "Offer"},
        {"plain subject when no normalized one",
         MessageDraft().Subject("Re: Offer").Without(PR_NORMALIZED_SUBJECT), "NOSENDER",
         "unknown.domain", "Re- Offer", "Re: Offer"},
        {"trailing dots and blanks cut from names only", MessageDraft().Subject("Plans... "),
         "NOSENDER", "unknown.domain", "Plans", "Plans... "},
        {"empty subject", MessageDraft().Subject(""), "NOSENDER", "unknown.domain", "", ""},
    };
    for (const Case& c : cases) {
        auto context = GatheredFacts(c.draft);
        EXPECT_STREQ(context->senderNameClean, c.senderNameClean) << c.name;
        EXPECT_STREQ(context->senderDomain, c.domain) << c.name;
        if (c.subjectClean == nullptr) {
            EXPECT_EQ(context->subjectClean, nullptr) << c.name;
        } else {
            EXPECT_STREQ(context->subjectClean, c.subjectClean) << c.name;
        }
        EXPECT_STREQ(context->subjectFull, c.subjectFull) << c.name;
        EXPECT_STREQ(context->receivedDate, "") << c.name;
    }
}

TEST_F(MessageFactsTest, FailedReadLeavesEveryFactAtItsStartAndIsNotRepeated) {
    auto context = ContextFor(store.AddMessage(MessageDraft()
                                                   .From("Ann Lee", "ann@example.com")
                                                   .Subject("Q1")
                                                   .Received(UtcFileTime(2004, 3, 5))));
    embedded::FailNthCall("GetProps", 1, MAPI_E_CALL_FAILED);
    EXPECT_EQ(GatherMessageFacts(*context), MAPI_E_CALL_FAILED);
    EXPECT_TRUE(context->factsGathered);
    EXPECT_STREQ(context->senderName, "NOSENDER");
    EXPECT_STREQ(context->senderDomain, "unknown.domain");
    EXPECT_EQ(context->subjectClean, nullptr);
    EXPECT_STREQ(context->receivedDate, "");
    EXPECT_EQ(GatherMessageFacts(*context), S_OK);
    EXPECT_STREQ(context->senderName, "NOSENDER");
}

TEST_F(MessageFactsTest, TextsCutToTheirRoomEndInWholeCharacters) {
    std::string name;
    std::string subject;
    for (int i = 0; i < 40; ++i) {
        name += "\xC3\xA9";        // é: two bytes
        subject += "\xE2\x82\xAC"; // €: three bytes
    }
    auto context = GatheredFacts(MessageDraft().From(name, "x@" + subject).Subject(subject));
    // 49 bytes of room hold 24 whole é; 79 bytes hold 26 whole €.
    EXPECT_EQ(std::strlen(context->senderName), 48u);
    EXPECT_EQ(std::strlen(context->subjectShort), 78u);
    EXPECT_EQ(std::strlen(context->senderEmail), 62u);
    EXPECT_EQ(std::strlen(context->senderDomain), 60u);
    // The full subject keeps the cut of its own, larger room.
    EXPECT_EQ(std::strlen(context->subjectFull), 120u);
}

TEST(ExtractDomainTest, TakesTheTextAfterTheFirstAtSign) {
    struct Case {
        const char* address;
        const char* fallback;
        HRESULT result;
        const char* domain;
    } cases[] = {
        {"ann@example.com", "unknown.domain", S_OK, "example.com"},
        {"a@b@c", "unknown.domain", S_OK, "b@c"},
        {"ann", "unknown.domain", S_OK, "unknown.domain"},
        {"ann", nullptr, MAPI_E_NOT_FOUND, "before"},
    };
    for (const auto& c : cases) {
        char out[64] = "before";
        EXPECT_EQ(ExtractDomain(c.address, out, sizeof(out), c.fallback), c.result) << c.address;
        EXPECT_STREQ(out, c.domain) << c.address;
    }
}

TEST_F(MessageFactsTest, SubfolderTextFollowsTheMode) {
    auto context = GatheredFacts(MessageDraft()
                                     .From("Ann Lee", "ann@example.com")
                                     .Subject("Q1: plan")
                                     .Received(UtcFileTime(2004, 3, 5, 14, 7, 9)));
    auto bare = GatheredFacts(MessageDraft().Subject("..."));
    struct Case {
        std::int32_t mode;
        const char* text;     // for the message with facts
        const char* bareText; // for the message without sender and date, subject "..."
    } cases[] = {
        {kNoSubfolder, nullptr, nullptr},
        {kSenderNameSubfolder, "Ann Lee", "NOSENDER"},
        {kReceivedDateSubfolder, "2004-03-05", nullptr},
        {kMailFolderSubfolder, nullptr, nullptr}, // facts gathered in another mode
        {kSubjectSubfolder, "Q1- plan", nullptr},
        {kSenderDomainSubfolder, "example.com", "unknown.domain"},
        {6, nullptr, nullptr},
        {-1, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        options.subfolderMode = c.mode;
        LPCSTR text = ChooseSubfolder(*context);
        LPCSTR bareText = ChooseSubfolder(*bare);
        EXPECT_EQ(text == nullptr, c.text == nullptr) << c.mode;
        EXPECT_EQ(bareText == nullptr, c.bareText == nullptr) << c.mode;
        if (text != nullptr && c.text != nullptr) {
            EXPECT_STREQ(text, c.text) << c.mode;
        }
        if (bareText != nullptr && c.bareText != nullptr) {
            EXPECT_STREQ(bareText, c.bareText) << c.mode;
        }
    }
}

} // namespace
