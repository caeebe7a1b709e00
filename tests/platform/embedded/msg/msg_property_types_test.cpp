// Every property type that a message keeps goes into a ".msg" file and comes back: numbers of
// each width, floating point, currency, CLSIDs and multi-valued properties of each base type.
#include "platform/com_ptr.h"
#include "platform/embedded/storage/compound_file.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/msg/msg_file.h"
#include "platform/embedded/msg/msg_property_stream.h"
#include "platform/mapi_buffer.h"
#include "platform/mapi_functions.h"
#include "platform/ole_storage.h"
#include "tests/support/shared_corpus.h"
#include "tests/support/sha256.h"
#include "tests/support/drive_test.h"
#include "tests/support/msg_through_storage.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iomanip>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <unistd.h>

namespace {

using embedded::MessageData;
using embedded::PropertyBag;
using embedded::PropertyValue;

constexpr ULONG kStoreSupportMask = 0x340D0003;

constexpr ULONG Tag(ULONG type, ULONG number) {
    return PROP_TAG(type, 0x6700 + number);
}

std::string Hex(const void* data, std::size_t size) {
    std::ostringstream out;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        out << std::hex << std::setw(2) << std::setfill('0') << static_cast<int>(bytes[i]);
    }
    return out.str();
}

std::string Real(double number) {
    std::ostringstream out;
    out << std::setprecision(17) << number;
    return out.str();
}

std::string Wide(LPCWSTR text) {
    return text == nullptr ? "(null)" : embedded::Utf8FromUtf16(text);
}

template <class T, class One> std::string List(ULONG count, const T* items, One one) {
    std::string text = "[";
    for (ULONG i = 0; i < count; ++i) {
        text += (i == 0 ? "" : ", ") + one(items[i]);
    }
    return text + "]";
}

// A value as text, so that a mismatch shows both sides whole.
std::string Describe(const SPropValue& value) {
    const _PV& v = value.Value;
    std::ostringstream tag;
    tag << std::hex << value.ulPropTag << " ";
    const auto number = [](auto n) { return std::to_string(n); };
    const auto guid = [](const GUID& g) { return Hex(&g, sizeof g); };
    const auto time = [](const FILETIME& t) {
        return std::to_string(embedded::TicksFromFileTime(t));
    };
    switch (PROP_TYPE(value.ulPropTag)) {
    case PT_I2:
        return tag.str() + number(v.i);
    case PT_LONG:
        return tag.str() + number(v.l);
    case PT_FLOAT:
        return tag.str() + Real(v.flt);
    case PT_DOUBLE:
        return tag.str() + Real(v.dbl);
    case PT_APPTIME:
        return tag.str() + Real(v.at);
    case PT_CURRENCY:
        return tag.str() + number(v.cur.int64);
    case PT_I8:
        return tag.str() + number(v.li);
    case PT_SYSTIME:
        return tag.str() + time(v.ft);
    case PT_CLSID:
        return tag.str() + (v.lpguid == nullptr ? "(null)" : guid(*v.lpguid));
    case PT_STRING8:
        return tag.str() + (v.lpszA == nullptr ? "(null)" : v.lpszA);
    case PT_UNICODE:
        return tag.str() + Wide(v.lpszW);
    case PT_BINARY:
        return tag.str() + Hex(v.bin.lpb, v.bin.cb);
    case PT_ERROR:
        return tag.str() + "error " + number(static_cast<unsigned long>(v.err));
    case PT_MV_I2:
        return tag.str() + List(v.MVi.cValues, v.MVi.lpi, number);
    case PT_MV_LONG:
        return tag.str() + List(v.MVl.cValues, v.MVl.lpl, number);
    case PT_MV_FLOAT:
        return tag.str() + List(v.MVflt.cValues, v.MVflt.lpflt, Real);
    case PT_MV_DOUBLE:
        return tag.str() + List(v.MVdbl.cValues, v.MVdbl.lpdbl, Real);
    case PT_MV_CURRENCY:
        return tag.str() + List(v.MVcur.cValues, v.MVcur.lpcur,
                                [&](const CURRENCY& c) { return number(c.int64); });
    case PT_MV_APPTIME:
        return tag.str() + List(v.MVat.cValues, v.MVat.lpat, Real);
    case PT_MV_SYSTIME:
        return tag.str() + List(v.MVft.cValues, v.MVft.lpft, time);
    case PT_MV_I8:
        return tag.str() + List(v.MVli.cValues, v.MVli.lpli,
                                [&](const LARGE_INTEGER& n) { return number(n.QuadPart); });
    case PT_MV_CLSID:
        return tag.str() + List(v.MVguid.cValues, v.MVguid.lpguid, guid);
    case PT_MV_STRING8:
        return tag.str() + List(v.MVszA.cValues, v.MVszA.lppszA,
                                [](LPSTR s) { return std::string(s == nullptr ? "(null)" : s); });
    case PT_MV_UNICODE:
        return tag.str() + List(v.MVszW.cValues, v.MVszW.lppszW, Wide);
    case PT_MV_BINARY:
        return tag.str() + List(v.MVbin.cValues, v.MVbin.lpbin,
                                [](const SBinary& b) { return Hex(b.lpb, b.cb); });
    default:
        return tag.str() + "?";
    }
}

SPropValue Make(ULONG tag, const std::function<void(_PV&)>& set) {
    SPropValue value{};
    value.ulPropTag = tag;
    set(value.Value);
    return value;
}

// A value as the store keeps it, strings of either width alike: a file written with Unicode
// strings holds the same text as one read with 8-bit strings.
std::string DescribeStored(const PropertyValue& value) {
    const ULONG type = PROP_TYPE(value.tag);
    const ULONG base = type & ~MV_FLAG;
    std::ostringstream out;
    if (base == PT_STRING8 || base == PT_UNICODE) {
        out << ((type & MV_FLAG) != 0 ? "texts:" : "text:");
        out << (base == PT_STRING8 ? value.bytes : embedded::Utf8FromUtf16(value.wide));
    } else {
        const std::string* bytes = value.Bytes();
        out << std::hex << type << std::dec << " n=" << value.number << " r=" << Real(value.real)
            << " b="
            << (bytes == nullptr     ? std::string("(unreadable)")
                : bytes->size() > 64 ? testing_support::Sha256Hex(*bytes)
                                     : Hex(bytes->data(), bytes->size()));
    }
    for (const PropertyValue& item : value.items) {
        out << " [" << DescribeStored(item) << "]";
    }
    return out.str();
}

std::map<ULONG, std::string> Described(const PropertyBag& bag) {
    std::map<ULONG, std::string> described;
    for (const auto& [id, value] : bag.Values()) {
        described[id] = DescribeStored(value);
    }
    return described;
}

// Every property of every object, embedded messages too, has the same value in both.
void ExpectSameTree(const MessageData& expected, const MessageData& actual,
                    const std::string& where) {
    SCOPED_TRACE(where);
    std::map<ULONG, std::string> got = Described(actual);
    if (!expected.Has(kStoreSupportMask)) {
        got.erase(PROP_ID(kStoreSupportMask)); // the writer tells readers its strings are Unicode
    }
    EXPECT_EQ(got, Described(expected));
    ASSERT_EQ(actual.recipients.size(), expected.recipients.size());
    for (std::size_t i = 0; i < expected.recipients.size(); ++i) {
        EXPECT_EQ(Described(actual.recipients[i]), Described(expected.recipients[i]))
            << where << " recipient " << i;
    }
    ASSERT_EQ(actual.attachments.size(), expected.attachments.size());
    auto want = expected.attachments.begin();
    for (auto got = actual.attachments.begin(); got != actual.attachments.end(); ++got, ++want) {
        const std::string inner = where + "/attachment " + std::to_string(got->first);
        EXPECT_EQ(Described(got->second), Described(want->second)) << inner;
        ASSERT_EQ(got->second.embedded != nullptr, want->second.embedded != nullptr) << inner;
        if (want->second.embedded) {
            ExpectSameTree(*want->second.embedded, *got->second.embedded, inner);
        }
    }
}

// The tags in an object's property stream that the store keeps: all but errors, objects and
// the numbers that the store gives its attachments and recipients itself.
std::set<ULONG> KeptTagsInFile(const embedded::CompoundStorageReader& storage,
                               embedded::MsgObjectKind kind) {
    std::set<ULONG> tags;
    std::unique_ptr<embedded::CompoundStreamReader> stream =
        storage.OpenStream(embedded::kMsgPropertyStreamName);
    if (!stream) {
        ADD_FAILURE() << "no property stream";
        return tags;
    }
    std::string bytes(static_cast<std::size_t>(stream->Size()), '\0');
    EXPECT_TRUE(stream->ReadAt(0, bytes.data(), bytes.size()));
    const std::size_t header = embedded::MsgPropertyHeaderSize(kind);
    bytes.resize(header + (bytes.size() - header) / 16 * 16);
    const std::optional<embedded::MsgPropertyStream> parsed = embedded::ParseMsgPropertyStream(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), kind);
    EXPECT_TRUE(parsed.has_value());
    for (const embedded::MsgPropertyEntry& entry :
         parsed ? parsed->entries : std::vector<embedded::MsgPropertyEntry>{}) {
        const ULONG type = PROP_TYPE(entry.tag);
        const ULONG id = PROP_ID(entry.tag);
        if (type != PT_ERROR && type != PT_OBJECT && type != PT_NULL &&
            id != PROP_ID(PR_ATTACH_NUM) && id != PROP_ID(PR_ROWID)) {
            tags.insert(entry.tag);
        }
    }
    return tags;
}

void ExpectTagsKept(const std::set<ULONG>& inFile, const PropertyBag& bag,
                    const std::string& where) {
    for (ULONG tag : inFile) {
        const PropertyValue* value = bag.Find(tag);
        EXPECT_TRUE(value != nullptr && value->tag == tag)
            << where << ": tag 0x" << std::hex << tag << " is lost";
    }
}

// Nothing of the file's property streams is left out when it is read, embedded messages too.
void ExpectEveryTagRead(const embedded::CompoundStorageReader& storage,
                        embedded::MsgObjectKind kind, const MessageData& message,
                        const std::string& where) {
    ExpectTagsKept(KeptTagsInFile(storage, kind), message, where);
    std::size_t recipient = 0;
    std::vector<embedded::CompoundEntry> entries = storage.Entries();
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const embedded::CompoundEntry& entry : entries) {
        if (!entry.isStorage) {
            continue;
        }
        std::unique_ptr<embedded::CompoundStorageReader> child = storage.OpenStorage(entry.name);
        ASSERT_TRUE(child) << entry.name;
        if (entry.name.rfind("__recip_version1.0_#", 0) == 0) {
            ASSERT_LT(recipient, message.recipients.size());
            ExpectTagsKept(KeptTagsInFile(*child, embedded::MsgObjectKind::Recipient),
                           message.recipients[recipient++], where + "/" + entry.name);
        } else if (entry.name.rfind("__attach_version1.0_#", 0) == 0) {
            const ULONG number = std::stoul(entry.name.substr(21), nullptr, 16);
            ASSERT_EQ(message.attachments.count(number), 1u) << entry.name;
            const embedded::AttachmentData& attachment = message.attachments.at(number);
            ExpectTagsKept(KeptTagsInFile(*child, embedded::MsgObjectKind::Attachment), attachment,
                           where + "/" + entry.name);
            std::unique_ptr<embedded::CompoundStorageReader> inner =
                child->OpenStorage(embedded::kMsgEmbeddedMessageStorageName);
            if (inner && attachment.embedded) {
                ExpectEveryTagRead(*inner, embedded::MsgObjectKind::EmbeddedMessage,
                                   *attachment.embedded, where + "/" + entry.name);
            }
        }
    }
}

class MsgPropertyTypesTest : public testing_support::DriveTest {
  protected:
    std::string NativePath(const std::string& name) const { return temp.path() + "/" + name; }

    // The one value that GetProps gives for `tag` on the message of a ".msg" file.
    std::string ValueInFile(const std::string& name, ULONG tag) {
        ComPtr<IMessage> message;
        HRESULT hr = embedded::OpenMsgFile(NativePath(name), false, message.Out());
        if (FAILED(hr)) {
            return "open failed";
        }
        SizedSPropTagArray(1, asked) = {1, {tag}};
        ULONG count = 0;
        MapiBuffer<SPropValue> values;
        hr = message->GetProps(reinterpret_cast<LPSPropTagArray>(&asked), 0, &count, values.Out());
        if (FAILED(hr) || count != 1) {
            return "GetProps failed";
        }
        return Describe(values[0]);
    }
};

struct TypeCase {
    const char* name;
    SPropValue in;
    // What GetProps is asked for and gives, when not the value set.
    ULONG asked = 0;
    std::optional<SPropValue> out = std::nullopt;
};

TEST_F(MsgPropertyTypesTest, EveryTypeComesBackFromTheFileAsItWasSet) {
    static SHORT shorts[] = {1, -2, SHRT_MAX, SHRT_MIN};
    static LONG longs[] = {7, -8, INT32_MAX};
    static float floats[] = {0.5f, -2.25f, 3.4e38f};
    static double doubles[] = {1e-300, -0.0, 3.141592653589793};
    static CURRENCY amounts[] = {{.int64 = 1}, {.int64 = -10000}, {.int64 = LLONG_MAX}};
    static double appTimes[] = {45292.75, 2.5};
    static FILETIME times[] = {embedded::UtcFileTime(2024, 1, 2, 3, 4, 5),
                               embedded::UtcFileTime(1999, 12, 31)};
    static LARGE_INTEGER bigs[] = {{.QuadPart = LLONG_MIN}, {.QuadPart = 42}};
    static GUID guids[] = {{0x00020D0B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}},
                           {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}}};
    static char narrow0[] = "Köln";
    static char narrow1[] = "東京 – Zoë";
    static char narrow2[] = "";
    static LPSTR narrows[] = {narrow0, narrow1, narrow2};
    static WCHAR wide0[] = u"Ünal Öz";
    static WCHAR wide1[] = u"emoji 😀";
    static WCHAR wide2[] = u"plain";
    static LPWSTR wides[] = {wide0, wide1, wide2};
    static BYTE blob0[] = {0x00, 0x01, 0xFF};
    static BYTE blob2[] = {'x', 0, 'y', 0, 0};
    static SBinary blobs[] = {{3, blob0}, {0, nullptr}, {5, blob2}};
    static WCHAR wideNarrow0[] = u"Köln";
    static WCHAR wideNarrow1[] = u"東京 – Zoë";
    static WCHAR wideNarrow2[] = u"";
    static LPWSTR narrowsAsWide[] = {wideNarrow0, wideNarrow1, wideNarrow2};

    const TypeCase cases[] = {
        {"short", Make(Tag(PT_I2, 1), [](_PV& v) { v.i = -12345; })},
        {"long", Make(Tag(PT_LONG, 2), [](_PV& v) { v.l = -7654321; })},
        {"float", Make(Tag(PT_FLOAT, 3), [](_PV& v) { v.flt = -1.5e-7f; })},
        {"double", Make(Tag(PT_DOUBLE, 4), [](_PV& v) { v.dbl = 6.02214076e23; })},
        {"currency", Make(Tag(PT_CURRENCY, 5), [](_PV& v) { v.cur.int64 = 123456789012345; })},
        {"application time", Make(Tag(PT_APPTIME, 6), [](_PV& v) { v.at = 45292.5; })},
        {"64-bit integer", Make(Tag(PT_I8, 7), [](_PV& v) { v.li = -9000000000000000000; })},
        {"CLSID", Make(Tag(PT_CLSID, 8), [](_PV& v) { v.lpguid = &guids[1]; })},
        {"shorts", Make(Tag(PT_MV_I2, 9),
                        [](_PV& v) {
                            v.MVi = {4, shorts};
                        })},
        {"longs", Make(Tag(PT_MV_LONG, 10),
                       [](_PV& v) {
                           v.MVl = {3, longs};
                       })},
        {"floats", Make(Tag(PT_MV_FLOAT, 11),
                        [](_PV& v) {
                            v.MVflt = {3, floats};
                        })},
        {"doubles", Make(Tag(PT_MV_DOUBLE, 12),
                         [](_PV& v) {
                             v.MVdbl = {3, doubles};
                         })},
        {"currencies", Make(Tag(PT_MV_CURRENCY, 13),
                            [](_PV& v) {
                                v.MVcur = {3, amounts};
                            })},
        {"application times", Make(Tag(PT_MV_APPTIME, 14),
                                   [](_PV& v) {
                                       v.MVat = {2, appTimes};
                                   })},
        {"times", Make(Tag(PT_MV_SYSTIME, 15),
                       [](_PV& v) {
                           v.MVft = {2, times};
                       })},
        {"64-bit integers", Make(Tag(PT_MV_I8, 16),
                                 [](_PV& v) {
                                     v.MVli = {2, bigs};
                                 })},
        {"CLSIDs", Make(Tag(PT_MV_CLSID, 17),
                        [](_PV& v) {
                            v.MVguid = {2, guids};
                        })},
        {"8-bit strings, non-ASCII", Make(Tag(PT_MV_STRING8, 18),
                                          [](_PV& v) {
                                              v.MVszA = {3, narrows};
                                          })},
        {"8-bit strings asked as Unicode",
         Make(Tag(PT_MV_STRING8, 19),
              [](_PV& v) {
                  v.MVszA = {3, narrows};
              }),
         Tag(PT_MV_UNICODE, 19),
         Make(Tag(PT_MV_UNICODE, 19),
              [](_PV& v) {
                  v.MVszW = {3, narrowsAsWide};
              })},
        {"Unicode strings, non-ASCII", Make(Tag(PT_MV_UNICODE, 20),
                                            [](_PV& v) {
                                                v.MVszW = {3, wides};
                                            })},
        {"empty array", Make(Tag(PT_MV_UNICODE, 21),
                             [](_PV& v) {
                                 v.MVszW = {0, nullptr};
                             })},
        {"empty fixed-size array", Make(Tag(PT_MV_LONG, 22),
                                        [](_PV& v) {
                                            v.MVl = {0, nullptr};
                                        })},
        {"binaries, one of them empty", Make(Tag(PT_MV_BINARY, 23),
                                             [](_PV& v) {
                                                 v.MVbin = {3, blobs};
                                             })},
    };
    MessageData start = embedded::MessageDraft().Subject("Types").Data();
    ASSERT_EQ(embedded::SaveMsgFile(start, NativePath("start.msg")), S_OK);
    const std::string startBytes = temp.ReadFile("start.msg");
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.name);
        temp.WriteFile("types.msg", startBytes);
        {
            ComPtr<IMessage> message;
            ASSERT_EQ(embedded::OpenMsgFile(NativePath("types.msg"), true, message.Out()), S_OK);
            SPropValue in = c.in;
            LPSPropProblemArray problems = nullptr;
            ASSERT_EQ(message->SetProps(1, &in, &problems), S_OK);
            EXPECT_EQ(problems, nullptr);
            MAPIFreeBuffer(problems);
            ASSERT_EQ(message->SaveChanges(0), S_OK);
        }
        const ULONG asked = c.asked != 0 ? c.asked : c.in.ulPropTag;
        const std::string expected = Describe(c.out ? *c.out : c.in);
        EXPECT_EQ(ValueInFile("types.msg", asked), expected);

        // On to another file the way the engine saves a message: CopyTo onto a storage.
        ComPtr<IMessage> saved;
        ASSERT_EQ(embedded::OpenMsgFile(NativePath("types.msg"), false, saved.Out()), S_OK);
        ASSERT_EQ(testing_support::CopyIntoNewMsg(saved.Get(), u"C:\\copy.msg"), S_OK);
        EXPECT_EQ(ValueInFile("copy.msg", asked), expected);
        ASSERT_EQ(std::remove(NativePath("copy.msg").c_str()), 0);
    }
}

TEST_F(MsgPropertyTypesTest, CorpusMessagesLoseNoPropertyWhenReadWrittenAndReadAgain) {
    const std::string corpus = testing_support::SharedCorpusFolder();
    const std::string files[] = {"bbottema_attachments_nameless_ansi.msg",
                                 "bbottema_forward_empty_names_inline.msg",
                                 "bbottema_testgetmsgAttch_chinese.msg",
                                 "hfig_sample.msg",
                                 "hiraoka_attachAndInline.msg",
                                 "hiraoka_attach_sample_eml_received.msg",
                                 "hiraoka_attachmentFiles.msg",
                                 "hiraoka_friday_lunch_appointment.msg",
                                 "hiraoka_longerFat.msg",
                                 "hiraoka_many_entities.msg",
                                 "hiraoka_msgInMsgInMsg.msg",
                                 "lolo_issue110_ansi_two_png.msg",
                                 "lolo_issue124_five_attachments.msg",
                                 "mscfr_a_test_email_message.msg",
                                 "poi_attachment_msg_pdf.msg",
                                 "poi_attachment_test_msg.msg",
                                 "poi_example_received_regular.msg",
                                 "poi_example_received_unicode.msg",
                                 "poi_no_recipient_address.msg",
                                 "pstar_cfb_v4_embedded.msg",
                                 "sicos_EmailWithAttachments.msg",
                                 "sicos_EmailWithInnerMailAndAttachments.msg"};
    for (const std::string& file : files) {
        SKIP_WITHOUT_SHARED_CORPUS_FILE(file);
    }
    std::set<ULONG> typesSeen;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        MessageData original;
        ASSERT_EQ(embedded::ReadMsgFile(corpus + "/" + file, original), S_OK);
        std::unique_ptr<embedded::CompoundStorageReader> root =
            embedded::CompoundStorageReader::OpenFile(corpus + "/" + file);
        ASSERT_TRUE(root);
        ExpectEveryTagRead(*root, embedded::MsgObjectKind::TopLevelMessage, original, file);
        for (const auto& [id, value] : original.Values()) {
            typesSeen.insert(PROP_TYPE(value.tag));
        }

        MessageData written = original;
        ASSERT_EQ(embedded::SaveMsgFile(written, NativePath("round.msg")), S_OK);
        MessageData reread;
        ASSERT_EQ(embedded::ReadMsgFile(NativePath("round.msg"), reread), S_OK);
        ExpectSameTree(original, reread, file);
    }
    // The corpus's messages carry these types, which a reader of numbers, strings and binaries
    // alone would have dropped.
    for (ULONG type : {PT_DOUBLE, PT_CLSID, PT_MV_I2, PT_MV_LONG, PT_MV_STRING8, PT_MV_UNICODE}) {
        EXPECT_EQ(typesSeen.count(type), 1u) << std::hex << type;
    }
}

// The tree of a written message, damaged by a case before it becomes a file.
struct DamageCase {
    const char* name;
    ULONG damagedTag;
    std::function<void(embedded::StorageNode&)> damage;
};

void PutStream(embedded::StorageNode& node, const std::string& name, const std::string& bytes) {
    auto stream = std::make_shared<embedded::StreamNode>();
    ASSERT_TRUE(stream->content.WriteAt(0, bytes.data(), bytes.size()));
    node.streams[name] = std::move(stream);
}

std::string Lengths(std::initializer_list<std::uint32_t> lengths, std::size_t entrySize) {
    std::string bytes;
    for (std::uint32_t length : lengths) {
        std::string entry(entrySize, '\0');
        std::memcpy(entry.data(), &length, 4);
        bytes += entry;
    }
    return bytes;
}

constexpr ULONG kTexts = Tag(PT_MV_UNICODE, 1);
constexpr ULONG kBlobs = Tag(PT_MV_BINARY, 2);
constexpr ULONG kNumbers = Tag(PT_MV_LONG, 3);
constexpr ULONG kClass = Tag(PT_CLSID, 4);

template <class Each>
PropertyValue Multiple(ULONG tag, std::initializer_list<Each> values,
                       const std::function<void(Each, PropertyValue&)>& set) {
    PropertyValue value;
    value.tag = tag;
    for (Each each : values) {
        PropertyValue item;
        item.tag = CHANGE_PROP_TYPE(tag, PROP_TYPE(tag) & ~MV_FLAG);
        set(each, item);
        value.items.push_back(item);
    }
    return value;
}

// A message with one property of each kind that has streams of its own beside the entry.
MessageData StreamedKinds(const std::string& subject) {
    MessageData message = embedded::MessageDraft().Subject(subject).Data();
    message.Put(Multiple<const char16_t*>(kTexts, {u"one", u"two"},
                                          [](const char16_t* t, PropertyValue& v) { v.wide = t; }));
    message.Put(Multiple<const char*>(kBlobs, {"\x01\x02", "xyz"},
                                      [](const char* b, PropertyValue& v) { v.bytes = b; }));
    message.Put(Multiple<int>(kNumbers, {1, 2, 3}, [](int n, PropertyValue& v) { v.number = n; }));
    PropertyValue guid;
    guid.tag = kClass;
    guid.bytes = std::string(16, '\x5A');
    message.Put(guid);
    return message;
}

TEST_F(MsgPropertyTypesTest, DamagedMultiValuedStreamsLoseTheValueAndNothingElse) {
    const MessageData message = StreamedKinds("Damaged");
    using embedded::MsgValueStreamName;
    const DamageCase cases[] = {
        {"nothing damaged", 0, [](embedded::StorageNode&) {}},
        {"a string length beyond its stream", kTexts,
         [](embedded::StorageNode& root) {
             PutStream(root, MsgValueStreamName(kTexts), Lengths({1000, 8}, 4));
         }},
        {"a binary length of 4 GB", kBlobs,
         [](embedded::StorageNode& root) {
             PutStream(root, MsgValueStreamName(kBlobs), Lengths({2, 0xFFFFFFFF}, 8));
         }},
        {"more lengths than value streams", kTexts,
         [](embedded::StorageNode& root) {
             PutStream(root, MsgValueStreamName(kTexts), Lengths({8, 8, 8, 8, 8}, 4));
         }},
        {"a count far beyond what the storage holds", kBlobs,
         [](embedded::StorageNode& root) {
             PutStream(root, MsgValueStreamName(kBlobs), std::string(8 * 1000000, '\x01'));
         }},
        {"a lengths stream of part of an entry", kBlobs,
         [](embedded::StorageNode& root) {
             PutStream(root, MsgValueStreamName(kBlobs), Lengths({2, 3}, 8) + "abcd");
         }},
        {"a missing value stream", kTexts,
         [](embedded::StorageNode& root) { root.streams.erase(MsgValueStreamName(kTexts, 1)); }},
        {"a missing lengths stream", kBlobs,
         [](embedded::StorageNode& root) { root.streams.erase(MsgValueStreamName(kBlobs)); }},
        {"fixed-size values that are not whole", kNumbers,
         [](embedded::StorageNode& root) {
             PutStream(root, MsgValueStreamName(kNumbers), std::string(10, '\x01'));
         }},
        {"a CLSID stream too short", kClass,
         [](embedded::StorageNode& root) { PutStream(root, MsgValueStreamName(kClass), "short"); }},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.name);
        embedded::StorageNode root;
        ASSERT_EQ(embedded::WriteMsgMessage(message, root), S_OK);
        c.damage(root);
        ASSERT_EQ(embedded::ReplaceWithCompoundFile(root, NativePath("damaged.msg")), S_OK);
        MessageData read;
        ASSERT_EQ(embedded::ReadMsgFile(NativePath("damaged.msg"), read), S_OK);
        EXPECT_EQ(read.Text(PR_SUBJECT), "Damaged");
        for (ULONG tag : {kTexts, kBlobs, kNumbers, kClass}) {
            EXPECT_EQ(read.Has(tag), tag != c.damagedTag) << std::hex << tag;
        }
        ComPtr<IMessage> opened;
        ASSERT_EQ(embedded::OpenMsgFile(NativePath("damaged.msg"), false, opened.Out()), S_OK);
        ULONG count = 0;
        MapiBuffer<SPropValue> values;
        EXPECT_TRUE(SUCCEEDED(opened->GetProps(nullptr, MAPI_UNICODE, &count, values.Out())));
    }
    // The undamaged values are the ones written.
    MessageData read;
    embedded::StorageNode root;
    ASSERT_EQ(embedded::WriteMsgMessage(message, root), S_OK);
    ASSERT_EQ(embedded::ReplaceWithCompoundFile(root, NativePath("whole.msg")), S_OK);
    ASSERT_EQ(embedded::ReadMsgFile(NativePath("whole.msg"), read), S_OK);
    for (ULONG tag : {kTexts, kBlobs, kNumbers, kClass}) {
        ASSERT_TRUE(read.Has(tag));
        EXPECT_EQ(DescribeStored(*read.Find(tag)), DescribeStored(*message.Find(tag)));
    }
}

std::string StreamIn(const embedded::StorageNode& node, const std::string& name) {
    const auto found = node.streams.find(name);
    if (found == node.streams.end()) {
        return "(missing)";
    }
    std::string bytes(static_cast<std::size_t>(found->second->content.Size()), '\0');
    EXPECT_TRUE(found->second->content.ReadAt(0, bytes.data(), bytes.size()));
    return bytes;
}

TEST_F(MsgPropertyTypesTest, WrittenValuesHaveTheStreamsOtherReadersLookFor) {
    MessageData message = StreamedKinds("Layout");
    PropertyValue real;
    real.tag = Tag(PT_DOUBLE, 5);
    real.real = 1.5;
    message.Put(real);
    embedded::StorageNode root;
    ASSERT_EQ(embedded::WriteMsgMessage(message, root), S_OK);
    using embedded::MsgValueStreamName;
    using namespace std::string_literals;

    const struct {
        std::string stream;
        std::string bytes;
    } streams[] = {
        // Strings: four bytes of length each, counting the terminator that each stream holds.
        {MsgValueStreamName(kTexts), "\x08\0\0\0\x08\0\0\0"s},
        {MsgValueStreamName(kTexts, 0), "o\0n\0e\0\0\0"s},
        {MsgValueStreamName(kTexts, 1), "t\0w\0o\0\0\0"s},
        // Binaries: a length and four reserved bytes each.
        {MsgValueStreamName(kBlobs), "\x02\0\0\0\0\0\0\0\x03\0\0\0\0\0\0\0"s},
        {MsgValueStreamName(kBlobs, 0), "\x01\x02"s},
        {MsgValueStreamName(kBlobs, 1), "xyz"s},
        // Fixed-size values one after another, and a CLSID in a stream of its own.
        {MsgValueStreamName(kNumbers), "\x01\0\0\0\x02\0\0\0\x03\0\0\0"s},
        {MsgValueStreamName(kClass), std::string(16, '\x5A')},
    };
    for (const auto& expected : streams) {
        EXPECT_EQ(StreamIn(root, expected.stream), expected.bytes) << expected.stream;
    }

    const std::string bytes = StreamIn(root, embedded::kMsgPropertyStreamName);
    const std::optional<embedded::MsgPropertyStream> properties = embedded::ParseMsgPropertyStream(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
        embedded::MsgObjectKind::TopLevelMessage);
    ASSERT_TRUE(properties.has_value());
    std::map<ULONG, std::string> entries;
    for (const embedded::MsgPropertyEntry& entry : properties->entries) {
        entries[entry.tag] = Hex(entry.value.data(), entry.value.size());
    }
    // A streamed value's entry holds the size of its first stream; a double lies in the entry.
    EXPECT_EQ(entries[kTexts], "0800000000000000");
    EXPECT_EQ(entries[kBlobs], "1000000000000000");
    EXPECT_EQ(entries[kNumbers], "0c00000000000000");
    EXPECT_EQ(entries[kClass], "1000000000000000");
    EXPECT_EQ(entries[Tag(PT_DOUBLE, 5)], "000000000000f83f");
}

} // namespace
