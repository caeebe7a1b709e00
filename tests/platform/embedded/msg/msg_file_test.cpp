#include "platform/com_ptr.h"
#include "platform/embedded/storage/compound_file.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/msg/msg_file.h"
#include "platform/mapi_functions.h"
#include "platform/ole_storage.h"
#include "tests/support/shared_corpus.h"
#include "tests/support/sha256.h"
#include "tests/support/drive_test.h"
#include "tests/support/msg_through_storage.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using embedded::AttachmentData;
using embedded::MessageData;
using embedded::PropertyBag;
using embedded::PropertyValue;

constexpr ULONG kUnicodeBody = CHANGE_PROP_TYPE(PR_BODY, PT_UNICODE);
constexpr ULONG kStoreSupportMask = 0x340D0003;

const std::vector<ULONG> kExcluded = {PR_ACCESS,
                                      PR_BODY,
                                      PR_RTF_SYNC_BODY_COUNT,
                                      PR_RTF_SYNC_BODY_CRC,
                                      PR_RTF_SYNC_BODY_TAG,
                                      PR_RTF_SYNC_PREFIX_COUNT,
                                      PR_RTF_SYNC_TRAILING_COUNT};

std::string RunCommand(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            output.append(buffer, got);
        }
        pclose(pipe);
    }
    return output;
}

bool MachineHas(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

std::string BigContent(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
    }
    return bytes;
}

embedded::MessageDraft SourceDraft() {
    embedded::MessageDraft deep;
    deep.Subject("Tiefe Nachricht").File("tief.bin", std::string("\x00\x01\x02\xFF", 4));
    embedded::MessageDraft inner;
    inner.Subject("Ébauche — intérieur")
        .From("Zoë Ångström", "zoe@example.org")
        .Recipient("Ünal Öz", "unal@example.net")
        .File("notes intérieures.txt", "inner text")
        .Embedded("Deep one", deep);
    embedded::MessageDraft draft;
    draft.Subject("Rapport trimestriel – Köln 東京")
        .From("Ann Lee", "ann@example.com")
        .Received(embedded::UtcFileTime(2024, 3, 5, 14, 30))
        .Recipient("Bob Roe", "bob@example.com")
        .Recipient("Cé Dupré", "ce@example.fr", MAPI_CC)
        .File("Bericht äöü.pdf", "%PDF-1.4 content")
        .File("big.bin", BigContent(300 * 1024))
        .Link("Shared plan", "\\\\server\\share\\plan.docx")
        .Embedded("Forwarded", inner)
        .Text(kUnicodeBody, "Unicode body, left out")
        .Long(PR_ACCESS, 3)
        .Long(PR_RTF_SYNC_BODY_COUNT, 10)
        .Long(PR_RTF_SYNC_BODY_CRC, 11)
        .Text(PR_RTF_SYNC_BODY_TAG, "TAG")
        .Long(PR_RTF_SYNC_PREFIX_COUNT, 1)
        .Long(PR_RTF_SYNC_TRAILING_COUNT, 2)
        .Binary(PR_RTF_COMPRESSED, std::string("\x2d\x00\x00\x00\x2b\x00\x00\x00LZFu", 12))
        .Text(PR_MESSAGE_CLASS, "IPM.Note");
    return draft;
}

// The same value, strings compared as text whatever their width.
void ExpectSameValue(const PropertyBag& expected, const PropertyBag& actual, ULONG tag) {
    SCOPED_TRACE(testing::Message() << "tag 0x" << std::hex << tag);
    const PropertyValue* want = expected.Find(tag);
    const PropertyValue* got = actual.Find(tag);
    ASSERT_NE(got, nullptr);
    const ULONG type = PROP_TYPE(want->tag);
    if (type == PT_STRING8 || type == PT_UNICODE) {
        EXPECT_EQ(actual.Text(tag), expected.Text(tag));
        EXPECT_EQ(PROP_TYPE(got->tag), static_cast<ULONG>(PT_UNICODE));
    } else if (type == PT_BINARY) {
        EXPECT_EQ(actual.Binary(tag), expected.Binary(tag));
    } else {
        EXPECT_EQ(got->tag, want->tag);
        EXPECT_EQ(got->number, want->number);
    }
}

void ExpectSameBag(const PropertyBag& expected, const PropertyBag& actual,
                   const std::set<ULONG>& extraIds = {}) {
    for (const auto& [id, value] : expected.Values()) {
        ExpectSameValue(expected, actual, value.tag);
    }
    for (const auto& [id, value] : actual.Values()) {
        EXPECT_TRUE(expected.Find(value.tag) != nullptr || extraIds.count(id) > 0)
            << "unexpected tag 0x" << std::hex << value.tag;
    }
}

void ExpectSameMessage(const MessageData& expected, const MessageData& actual) {
    ExpectSameBag(expected, actual);
    ASSERT_EQ(actual.recipients.size(), expected.recipients.size());
    for (std::size_t i = 0; i < expected.recipients.size(); ++i) {
        ExpectSameBag(expected.recipients[i], actual.recipients[i]);
    }
    ASSERT_EQ(actual.attachments.size(), expected.attachments.size());
    auto want = expected.attachments.begin();
    for (auto got = actual.attachments.begin(); got != actual.attachments.end(); ++got, ++want) {
        ExpectSameBag(want->second, got->second);
        ASSERT_EQ(got->second.embedded != nullptr, want->second.embedded != nullptr);
        if (want->second.embedded) {
            ExpectSameMessage(*want->second.embedded, *got->second.embedded);
        }
    }
}

class MsgFileTest : public testing_support::DriveTest {
  protected:
    // What the engine does to save an embedded message as a ".msg" file, in its order.
    // `beforeCommit` runs just before IStorage::Commit.
    static HRESULT SaveAsMsg(IMessage* source, const std::u16string& path,
                             const std::function<void()>& beforeCommit = {}) {
        return testing_support::CopyIntoNewMsg(source, path, kExcluded, beforeCommit);
    }

    MessageData Expected() const {
        MessageData expected = SourceDraft().Data();
        for (ULONG tag : kExcluded) {
            expected.Remove(tag);
        }
        return expected;
    }

    std::string NativePath(const std::string& name) const { return temp.path() + "/" + name; }

    embedded::MessageStore store;
};

TEST_F(MsgFileTest, EngineOrderWritesAMessageThatOurReaderGivesBackWhole) {
    const embedded::EntryId id = store.AddMessage(SourceDraft());
    ComPtr<IMessage> source(store.OpenMessage(id));
    bool absentBeforeCommit = false;
    ASSERT_EQ(SaveAsMsg(source.Get(), u"C:\\Forwarded.msg",
                        [&] { absentBeforeCommit = !temp.Exists("Forwarded.msg"); }),
              S_OK);
    EXPECT_TRUE(absentBeforeCommit);
    struct stat info {};
    ASSERT_EQ(stat(NativePath("Forwarded.msg").c_str(), &info), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);

    MessageData read;
    ASSERT_EQ(embedded::ReadMsgFile(NativePath("Forwarded.msg"), read), S_OK);
    const MessageData expected = Expected();
    ExpectSameBag(expected, read, {PROP_ID(kStoreSupportMask)});
    for (ULONG tag : kExcluded) {
        EXPECT_FALSE(read.Has(tag)) << std::hex << tag;
    }
    EXPECT_TRUE(read.Has(PR_RTF_COMPRESSED));
    ExpectSameMessage(expected, [&] {
        MessageData withoutMask = read;
        withoutMask.Remove(kStoreSupportMask);
        return withoutMask;
    }());
    // Two levels down, with its own attachment.
    const MessageData& inner = *std::next(read.attachments.begin(), 3)->second.embedded;
    ASSERT_EQ(inner.attachments.size(), 2u);
    const MessageData& deep = *std::next(inner.attachments.begin(), 1)->second.embedded;
    EXPECT_EQ(deep.Text(PR_SUBJECT), "Tiefe Nachricht");
    EXPECT_EQ(deep.attachments.begin()->second.Content(), std::string("\x00\x01\x02\xFF", 4));

    std::unique_ptr<embedded::CompoundStorageReader> root =
        embedded::CompoundStorageReader::OpenFile(NativePath("Forwarded.msg"));
    ASSERT_TRUE(root);
    embedded::ClassId mailMessage{};
    std::memcpy(mailMessage.data(), &CLSID_MailMessage, sizeof(CLSID));
    EXPECT_EQ(root->GetClassId(), mailMessage);
}

TEST_F(MsgFileTest, ABigAttachmentStaysInTheFileUntilItIsRead) {
    store.AddMessage(SourceDraft());
    const embedded::EntryId id = store.AddMessage(SourceDraft());
    ComPtr<IMessage> source(store.OpenMessage(id));
    ASSERT_EQ(SaveAsMsg(source.Get(), u"C:\\big.msg"), S_OK);

    ComPtr<IMessage> message;
    ASSERT_EQ(embedded::OpenMsgFile(NativePath("big.msg"), true, message.Out()), S_OK);
    MessageData read;
    ASSERT_EQ(embedded::ReadMsgFile(NativePath("big.msg"), read), S_OK);
    const PropertyValue* big = std::next(read.attachments.begin())->second.Find(PR_ATTACH_DATA_BIN);
    ASSERT_NE(big, nullptr);
    EXPECT_TRUE(big->source != nullptr);
    EXPECT_TRUE(big->bytes.empty());

    // Read through the attachment's stream, piece by piece.
    ComPtr<IAttach> attachment;
    ASSERT_EQ(message->OpenAttach(1, nullptr, 0, attachment.Out()), S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(attachment->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0, stream.OutUnknown()),
              S_OK);
    std::string content;
    char chunk[10000];
    ULONG got = 0;
    while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &got)) && got > 0) {
        content.append(chunk, got);
    }
    EXPECT_EQ(content, BigContent(300 * 1024));

    // A message over a .msg file copies into another .msg file, big content and all.
    ASSERT_EQ(SaveAsMsg(message.Get(), u"C:\\copy.msg"), S_OK);
    MessageData copy;
    ASSERT_EQ(embedded::ReadMsgFile(NativePath("copy.msg"), copy), S_OK);
    EXPECT_EQ(std::next(copy.attachments.begin())->second.Content(), BigContent(300 * 1024));
}

TEST_F(MsgFileTest, NamedPropertiesGoFromOneMsgFileToAnother) {
    SKIP_WITHOUT_SHARED_CORPUS_FILE("hiraoka_msgInMsgInMsg.msg");
    const std::string sample = testing_support::SharedCorpusFolder() + "/hiraoka_msgInMsgInMsg.msg";
    MessageData original;
    ASSERT_EQ(embedded::ReadMsgFile(sample, original), S_OK);
    ASSERT_GT(original.namedPropertyStreams.size(), 3u);
    ComPtr<IMessage> message;
    ASSERT_EQ(embedded::OpenMsgFile(sample, false, message.Out()), S_OK);
    ASSERT_EQ(SaveAsMsg(message.Get(), u"C:\\copy.msg"), S_OK);
    MessageData copy;
    ASSERT_EQ(embedded::ReadMsgFile(NativePath("copy.msg"), copy), S_OK);
    EXPECT_EQ(copy.namedPropertyStreams, original.namedPropertyStreams);
    EXPECT_EQ(copy.Text(PR_SUBJECT), original.Text(PR_SUBJECT));
}

int OpenDescriptors() {
    return std::stoi(RunCommand("ls /proc/" + std::to_string(getpid()) + "/fd | wc -l"));
}

TEST_F(MsgFileTest, ManyMessagesWithBigAttachmentsKeepFewFilesOpen) {
    const embedded::EntryId id = store.AddMessage(
        embedded::MessageDraft().Subject("Big").File("big.bin", BigContent(100 * 1024)));
    ComPtr<IMessage> source(store.OpenMessage(id));
    ASSERT_EQ(SaveAsMsg(source.Get(), u"C:\\one.msg"), S_OK);
    const std::string bytes = temp.ReadFile("one.msg");
    const int before = OpenDescriptors();
    std::vector<MessageData> messages(60);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const std::string name = "m" + std::to_string(i) + ".msg";
        temp.WriteFile(name, bytes);
        ASSERT_EQ(embedded::ReadMsgFile(NativePath(name), messages[i]), S_OK);
    }
    for (const MessageData& message : messages) {
        EXPECT_EQ(message.attachments.begin()->second.Content(), BigContent(100 * 1024));
    }
    EXPECT_LT(OpenDescriptors() - before, 20);

    // A file written since it was read gives a failure, not other bytes.
    MessageData stale;
    ASSERT_EQ(embedded::ReadMsgFile(NativePath("m1.msg"), stale), S_OK);
    temp.WriteFile("m1.msg", bytes + std::string(512, '\0'));
    EXPECT_FALSE(stale.attachments.begin()->second.Binary(PR_ATTACH_DATA_BIN).has_value());
}

TEST_F(MsgFileTest, AMessageOverAFileKeepsItsChangeAfterSaving) {
    const embedded::EntryId id = store.AddMessage(SourceDraft());
    ComPtr<IMessage> source(store.OpenMessage(id));
    ASSERT_EQ(SaveAsMsg(source.Get(), u"C:\\edit.msg"), S_OK);
    {
        ComPtr<IMessage> message;
        ASSERT_EQ(embedded::OpenMsgFile(NativePath("edit.msg"), true, message.Out()), S_OK);
        SPropValue subject{};
        subject.ulPropTag = PR_SUBJECT;
        subject.Value.lpszA = const_cast<LPSTR>("Changed — encore");
        ASSERT_EQ(message->SetProps(1, &subject, nullptr), S_OK);
        ASSERT_EQ(message->DeleteAttach(0, 0, nullptr, 0), S_OK);
        ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        // The big content that stayed in the replaced file still reads, from the new file,
        // where the attachments are numbered from 0 again.
        ComPtr<IAttach> attachment;
        ASSERT_EQ(message->OpenAttach(0, nullptr, 0, attachment.Out()), S_OK);
        LPSPropValue content = nullptr;
        ASSERT_EQ(HrGetOneProp(attachment.Get(), PR_ATTACH_DATA_BIN, &content), S_OK);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(content->Value.bin.lpb),
                              content->Value.bin.cb),
                  BigContent(300 * 1024));
        MAPIFreeBuffer(content);
    }
    MessageData read;
    ASSERT_EQ(embedded::ReadMsgFile(NativePath("edit.msg"), read), S_OK);
    EXPECT_EQ(read.Text(PR_SUBJECT), "Changed — encore");
    EXPECT_EQ(read.attachments.size(), 3u);
    EXPECT_EQ(read.attachments.begin()->second.Content(), BigContent(300 * 1024));
}

TEST_F(MsgFileTest, AFailedCommitLeavesTheOldFileByteForByte) {
    struct Case {
        const char* name;
        const char* operation;
    };
    const Case cases[] = {
        {"the write fails", "CompoundFileWrite"},
        {"the rename fails", "CompoundFileRename"},
    };
    const embedded::EntryId id = store.AddMessage(SourceDraft());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        temp.WriteFile("old.msg", "the old file\n");
        ComPtr<IMessage> source(store.OpenMessage(id));
        embedded::FailNthCall(c.operation, 1, STG_E_MEDIUMFULL);
        EXPECT_EQ(SaveAsMsg(source.Get(), u"C:\\old.msg"), STG_E_MEDIUMFULL);
        EXPECT_EQ(temp.ReadFile("old.msg"), "the old file\n");
        // Nothing of the attempt is left beside it.
        EXPECT_EQ(RunCommand("ls -A '" + temp.path() + "'"), "old.msg\n");
        embedded::ClearFaults();
    }
}

TEST_F(MsgFileTest, MsgconvertReadsSubjectAndAttachments) {
    if (!MachineHas("/usr/bin/msgconvert") || !MachineHas("/usr/bin/python3")) {
        GTEST_SKIP() << "msgconvert or python3 is not installed";
    }
    const embedded::EntryId id = store.AddMessage(SourceDraft());
    ComPtr<IMessage> source(store.OpenMessage(id));
    ASSERT_EQ(SaveAsMsg(source.Get(), u"C:\\mail.msg"), S_OK);
    RunCommand("cd '" + temp.path() + "' && /usr/bin/msgconvert mail.msg 2>&1");
    ASSERT_TRUE(temp.Exists("mail.eml"));
    // Subject, then each part with a file name: name, size, and whether it is a mail.
    const std::string script =
        "import email,email.policy,sys\n"
        "m=email.message_from_binary_file(open(sys.argv[1],'rb'),policy=email.policy.default)\n"
        "print(m['subject'])\n"
        "for p in m.walk():\n"
        "  n=p.get_filename()\n"
        "  if n: print(n, len(p.get_payload(decode=True) or b''))\n";
    temp.WriteFile("read.py", script);
    const std::string out =
        RunCommand("/usr/bin/python3 '" + temp.path() + "/read.py' '" + temp.path() + "/mail.eml'");
    EXPECT_NE(out.find("Rapport trimestriel – Köln 東京\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Bericht äöü.pdf 16\n"), std::string::npos) << out;
    EXPECT_NE(out.find("big.bin 307200\n"), std::string::npos) << out;
    EXPECT_NE(out.find("notes intérieures.txt 10\n"), std::string::npos) << out;
    EXPECT_NE(out.find("tief.bin 4\n"), std::string::npos) << out;
}

TEST_F(MsgFileTest, OlefileListsTheStreamsAndTheClass) {
    if (!MachineHas("/usr/bin/python3") ||
        RunCommand("/usr/bin/python3 -c 'import olefile' 2>&1 && echo ok") != "ok\n") {
        GTEST_SKIP() << "python3-olefile is not installed";
    }
    const embedded::EntryId id = store.AddMessage(SourceDraft());
    ComPtr<IMessage> source(store.OpenMessage(id));
    ASSERT_EQ(SaveAsMsg(source.Get(), u"C:\\ole.msg"), S_OK);
    const std::string script = "import olefile,sys\n"
                               "f=olefile.OleFileIO(sys.argv[1])\n"
                               "print(f.root.clsid)\n"
                               "for e in f.listdir(): print('/'.join(e))\n";
    temp.WriteFile("list.py", script);
    const std::string out =
        RunCommand("/usr/bin/python3 '" + temp.path() + "/list.py' '" + temp.path() + "/ole.msg'");
    std::istringstream lines(out);
    std::string clsid;
    std::getline(lines, clsid);
    EXPECT_EQ(clsid, "00020D0B-0000-0000-C000-000000000046");
    std::set<std::string> streams;
    for (std::string line; std::getline(lines, line);) {
        streams.insert(line);
    }
    for (const char* expected : {
             "__properties_version1.0",
             "__substg1.0_0037001F",
             "__substg1.0_10090102",
             "__nameid_version1.0/__substg1.0_00020102",
             "__recip_version1.0_#00000001/__properties_version1.0",
             "__recip_version1.0_#00000001/__substg1.0_3001001F",
             "__attach_version1.0_#00000000/__substg1.0_37010102",
             "__attach_version1.0_#00000000/__substg1.0_3707001F",
             "__attach_version1.0_#00000003/__substg1.0_3701000D/__properties_version1.0",
             "__attach_version1.0_#00000003/__substg1.0_3701000D/"
             "__attach_version1.0_#00000001/__substg1.0_3701000D/"
             "__attach_version1.0_#00000000/__substg1.0_37010102",
         }) {
        EXPECT_EQ(streams.count(expected), 1u) << expected;
    }
    EXPECT_EQ(streams.count("__substg1.0_1000001F"), 0u); // no plain-text body
    EXPECT_EQ(streams.count("__substg1.0_1000001E"), 0u);
}

} // namespace

namespace {

// One line per attachment, depth first: where it is, its method, long file name, and for an
// attachment by value its size and SHA-256; for an embedded message its subject.
void DescribeAttachments(const MessageData& message, const std::string& where,
                         std::vector<std::string>& lines) {
    std::size_t index = 0;
    for (const auto& [number, attachment] : message.attachments) {
        const std::string path = where + std::to_string(index++);
        std::string line = path + " method=" + std::to_string(attachment.Method()) +
                           " name=" + attachment.Text(PR_ATTACH_LONG_FILENAME).value_or("");
        if (attachment.Method() == 1 && attachment.Has(PR_ATTACH_DATA_BIN)) {
            const std::string content = attachment.Content();
            line += " size=" + std::to_string(content.size()) +
                    " sha256=" + testing_support::Sha256Hex(content);
        }
        if (attachment.embedded) {
            line += " subject=" + attachment.embedded->Text(PR_SUBJECT).value_or("");
        }
        lines.push_back(line);
        if (attachment.embedded) {
            DescribeAttachments(*attachment.embedded, path + "/", lines);
        }
    }
}

TEST(MsgCorpusTest, EveryFileOpensWithTheAttachmentsOfItsManifest) {
    SKIP_WITHOUT_SHARED_CORPUS_FILE("manifest.json");
    if (!MachineHas("/usr/bin/python3")) {
        GTEST_SKIP() << "no python3 to read the corpus's manifest";
    }
    const std::string corpus = testing_support::SharedCorpusFolder();
    testing_support::TempFolder temp;
    // The manifest as lines in the form DescribeAttachments writes, after a line per file.
    const std::string script =
        "import json,sys\n"
        "def walk(m,where):\n"
        "  for i,a in enumerate(m['attachments']):\n"
        "    p=where+str(i)\n"
        "    l=p+' method='+str(a['attach_method'])+' name='+(a['long_filename'] or '')\n"
        "    if a['attach_method']==1 and a.get('data_size') is not None:\n"
        "      l+=' size='+str(a['data_size'])+' sha256='+a['data_sha256']\n"
        "    e=a.get('embedded_message')\n"
        "    if e: l+=' subject='+(e['subject'] or '')\n"
        "    print(l)\n"
        "    if e: walk(e,p+'/')\n"
        "for f in json.load(open(sys.argv[1]))['files']:\n"
        "  print('file '+f['file']+' subject='+(f['subject'] or ''))\n"
        "  walk(f,'')\n";
    temp.WriteFile("manifest.py", script);
    std::istringstream manifest(RunCommand("/usr/bin/python3 '" + temp.path() + "/manifest.py' '" +
                                           corpus + "/manifest.json'"));
    std::map<std::string, std::vector<std::string>> expected;
    std::string current;
    for (std::string line; std::getline(manifest, line);) {
        if (line.rfind("file ", 0) == 0) {
            current = line.substr(5, line.find(' ', 5) - 5);
        }
        expected[current].push_back(line);
    }
    ASSERT_GE(expected.size(), 20u);
    for (const auto& [file, lines] : expected) {
        SCOPED_TRACE(file);
        MessageData message;
        ASSERT_EQ(embedded::ReadMsgFile(corpus + "/" + file, message), S_OK);
        std::vector<std::string> actual{"file " + file +
                                        " subject=" + message.Text(PR_SUBJECT).value_or("")};
        DescribeAttachments(message, "", actual);
        EXPECT_EQ(actual, lines);
    }
}

} // namespace

namespace {

std::uint32_t Get32At(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

void Put32At(std::string& bytes, std::size_t at, std::uint32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

// Where the directory entry with this name starts, in a file of 512-byte sectors.
std::size_t EntryOffset(const std::string& bytes, const std::u16string& name) {
    const std::string wanted(reinterpret_cast<const char*>(name.data()), name.size() * 2);
    const std::size_t directory = (Get32At(bytes, 0x30) + 1) * 512;
    for (std::size_t at = directory; at + 128 <= bytes.size(); at += 128) {
        if (bytes.compare(at, wanted.size(), wanted) == 0) {
            return at;
        }
    }
    return std::string::npos;
}

// The FAT entry of `sector`, in a file whose FAT fits its first FAT sector.
std::size_t FatEntry(const std::string& bytes, std::uint32_t sector) {
    return (Get32At(bytes, 0x4C) + 1) * 512 + 4 * sector;
}

// Inputs the fuzz target found trouble with: each reads or is refused, nothing more.
TEST_F(MsgFileTest, InputsTheFuzzerFoundAreReadOrRefused) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FILVEX_TEST_DATA)) {
        SCOPED_TRACE(entry.path().filename().string());
        MessageData message;
        (void)embedded::ReadMsgFile(entry.path().string(), message);
        ComPtr<IMessage> opened;
        (void)embedded::OpenMsgFile(entry.path().string(), false, opened.Out());
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}

TEST_F(MsgFileTest, DamagedFilesAreRefusedWithAFailureCode) {
    embedded::MessageStore small;
    const embedded::EntryId id = small.AddMessage(embedded::MessageDraft()
                                                      .Subject("Small")
                                                      .Recipient("Bob", "bob@example.com")
                                                      .File("a.txt", "some text"));
    ComPtr<IMessage> source(small.OpenMessage(id));
    ASSERT_EQ(SaveAsMsg(source.Get(), u"C:\\good.msg"), S_OK);
    const std::string good = temp.ReadFile("good.msg");
    ASSERT_EQ(Get32At(good, 0x1C) >> 16, 9u); // 512-byte sectors, which the offsets below assume
    const std::size_t properties = EntryOffset(good, u"__properties_version1.0");
    ASSERT_NE(properties, std::string::npos);
    const std::uint32_t directory = Get32At(good, 0x30);
    const std::uint32_t miniStream = Get32At(good, (directory + 1) * 512 + 116);

    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
        // libgsf drops a directory entry seen twice; the message may then still read.
        bool mayStillRead = false;
    };
    const Case cases[] = {
        {"empty", [](std::string& b) { b.clear(); }},
        {"truncated in the header", [](std::string& b) { b.resize(300); }},
        {"truncated to half", [](std::string& b) { b.resize(b.size() / 2); }},
        {"wrong signature", [](std::string& b) { b[0] = 'X'; }},
        {"directory chain loops",
         [&](std::string& b) { Put32At(b, FatEntry(b, directory), directory); }},
        {"directory chain points outside",
         [&](std::string& b) { Put32At(b, FatEntry(b, directory), 0x00FFFF00); }},
        {"mini stream chain loops",
         [&](std::string& b) { Put32At(b, FatEntry(b, miniStream), miniStream); }},
        {"stream larger than the file",
         [&](std::string& b) { Put32At(b, properties + 120, 0x7FFFFFF0); }},
        {"property stream shorter than its header",
         [&](std::string& b) { Put32At(b, properties + 120, 20); }},
        {"name without terminator",
         [&](std::string& b) {
             for (std::size_t i = 0; i < 64; i += 2) {
                 b[properties + i] = 'A';
                 b[properties + i + 1] = 0;
             }
             b[properties + 64] = 64;
         }},
        {"directory entry is its own sibling",
         [&](std::string& b) {
             const auto index =
                 static_cast<std::uint32_t>((properties - (directory + 1) * 512) / 128);
             Put32At(b, properties + 68, index);
             Put32At(b, properties + 72, index);
         },
         true},
        {"FAT sector count beyond the file", [](std::string& b) { Put32At(b, 0x2C, 0x00FFFFFF); }},
        {"sector size that is neither 512 nor 4096", [](std::string& b) { b[0x1E] = 20; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string damaged = good;
        c.damage(damaged);
        temp.WriteFile("damaged.msg", damaged);
        MessageData message;
        const HRESULT hr = embedded::ReadMsgFile(NativePath("damaged.msg"), message);
        if (c.mayStillRead && SUCCEEDED(hr)) {
            EXPECT_EQ(message.Text(PR_SUBJECT), "Small");
            continue;
        }
        EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
        ComPtr<IMessage> opened;
        EXPECT_TRUE(FAILED(embedded::OpenMsgFile(NativePath("damaged.msg"), false, opened.Out())));
    }
    MessageData missing;
    EXPECT_EQ(embedded::ReadMsgFile(NativePath("none.msg"), missing), MAPI_E_NOT_FOUND);
}

} // namespace
