#include "platform/com_ptr.h"
#include "platform/embedded/storage/compound_file.h"
#include "platform/embedded/storage/compound_file_rewrite.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/store/message_data.h"
#include "platform/embedded/storage/property_set_stream.h"
#include "platform/ole_storage.h"
#include "platform/win32_modules.h"
#include "tests/support/drive_test.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <sys/xattr.h>
#include <vector>

namespace {

using embedded::ClassId;
using embedded::CompoundStorageReader;
using embedded::CompoundWriter;

constexpr DWORD kOpenMode = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;                 // 0x12
constexpr DWORD kCreateMode = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE; // 0x1012
const char kSummaryStream[] = "\005SummaryInformation";
const ClassId kSummaryFormat{0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                             0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
const ClassId kWordClass{0x06, 0x09, 0x02, 0x00, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
const ClassId kPoolClass{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

std::u16string Wide(const std::string& utf8) {
    return embedded::Utf16FromUtf8(utf8);
}

struct SummaryTexts {
    std::optional<std::string> title, subject, author;
};

// The texts as the save engine writes them: ole32 found at run time, the file opened in
// direct mode, the set opened or else created, one WriteMultiple, no commit.
HRESULT WriteSummary(const std::string& windowsPath, const SummaryTexts& texts) {
    HMODULE ole32 = GetModuleHandleA("ole32.dll");
    if (ole32 == nullptr) {
        return E_FAIL;
    }
    using OpenFunction = decltype(&StgOpenStorageEx);
    auto open = reinterpret_cast<OpenFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(ole32, "StgOpenStorageEx")));
    if (open == nullptr) {
        return E_FAIL;
    }
    const std::u16string path = Wide(windowsPath);
    ComPtr<IPropertySetStorage> sets;
    HRESULT hr = open(path.c_str(), kOpenMode, STGFMT_ANY, 0, nullptr, nullptr,
                      IID_IPropertySetStorage, reinterpret_cast<void**>(sets.Out()));
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IPropertyStorage> set;
    if (FAILED(sets->Open(FMTID_SummaryInformation, kOpenMode, set.Out()))) {
        hr = sets->Create(FMTID_SummaryInformation, nullptr, PROPSETFLAG_DEFAULT, kCreateMode,
                          set.Out());
        if (FAILED(hr)) {
            return hr;
        }
    }
    std::vector<PROPSPEC> specs;
    std::vector<PROPVARIANT> values;
    std::vector<std::u16string> wides;
    wides.reserve(3);
    const std::pair<PROPID, const std::optional<std::string>*> entries[] = {
        {PIDSI_TITLE, &texts.title},
        {PIDSI_SUBJECT, &texts.subject},
        {PIDSI_AUTHOR, &texts.author}};
    for (const auto& [id, text] : entries) {
        if (!*text) {
            continue;
        }
        wides.push_back(Wide(**text));
        PROPSPEC entry{};
        entry.ulKind = PRSPEC_PROPID;
        entry.propid = id;
        specs.push_back(entry);
        PROPVARIANT value{};
        value.vt = VT_LPWSTR;
        value.pwszVal = wides.back().data();
        values.push_back(value);
    }
    return set->WriteMultiple(static_cast<ULONG>(specs.size()), specs.data(), values.data(), 0);
}

// Every value that our ReadMultiple gives for the ids, texts in UTF-8.
std::map<PROPID, std::string> ReadBack(const std::string& windowsPath,
                                       const std::vector<PROPID>& ids) {
    std::map<PROPID, std::string> found;
    const std::u16string path = Wide(windowsPath);
    ComPtr<IPropertySetStorage> sets;
    ComPtr<IPropertyStorage> set;
    const DWORD readMode = STGM_SHARE_EXCLUSIVE | STGM_READ;
    if (FAILED(StgOpenStorageEx(path.c_str(), readMode, STGFMT_ANY, 0, nullptr, nullptr,
                                IID_IPropertySetStorage, reinterpret_cast<void**>(sets.Out()))) ||
        FAILED(sets->Open(FMTID_SummaryInformation, readMode, set.Out()))) {
        return found;
    }
    std::vector<PROPSPEC> specs(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        specs[i].ulKind = PRSPEC_PROPID;
        specs[i].propid = ids[i];
    }
    std::vector<PROPVARIANT> values(ids.size());
    if (FAILED(set->ReadMultiple(static_cast<ULONG>(ids.size()), specs.data(), values.data()))) {
        return found;
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const PROPVARIANT& value = values[i];
        if (value.vt == VT_LPWSTR) {
            found[ids[i]] = embedded::Utf8FromUtf16(value.pwszVal);
        } else if (value.vt == VT_LPSTR) {
            found[ids[i]] = value.pszVal;
        } else if (value.vt == VT_I2) {
            found[ids[i]] = "i2:" + std::to_string(value.iVal);
        } else if (value.vt == VT_I4) {
            found[ids[i]] = "i4:" + std::to_string(value.lVal);
        } else if (value.vt == VT_FILETIME) {
            found[ids[i]] = "ft:" + std::to_string(value.filetime.dwHighDateTime) + ":" +
                            std::to_string(value.filetime.dwLowDateTime);
        }
    }
    FreePropVariantArray(static_cast<ULONG>(values.size()), values.data());
    return found;
}

std::string ReadStream(const CompoundStorageReader& storage, const std::string& name) {
    auto stream = storage.OpenStream(name);
    std::string bytes(stream ? stream->Size() : 0, '\0');
    if (!stream || !stream->ReadAt(0, bytes.data(), bytes.size())) {
        return "<unreadable>";
    }
    return bytes;
}

// Every stream's bytes and every storage's class id, by path, less the summary stream.
void Collect(const CompoundStorageReader& storage, const std::string& prefix,
             std::map<std::string, std::string>& tree) {
    const ClassId classId = storage.GetClassId();
    tree[prefix + "<class>"] = std::string(classId.begin(), classId.end());
    for (const auto& entry : storage.Entries()) {
        if (entry.isStorage) {
            Collect(*storage.OpenStorage(entry.name), prefix + entry.name + "/", tree);
        } else if (!(prefix.empty() && entry.name == kSummaryStream)) {
            tree[prefix + entry.name] = ReadStream(storage, entry.name);
        }
    }
}

std::map<std::string, std::string> TreeOf(const std::string& nativePath) {
    std::map<std::string, std::string> tree;
    if (auto root = CompoundStorageReader::OpenFile(nativePath)) {
        Collect(*root, "", tree);
    }
    return tree;
}

// A summary set that another program wrote: 8-bit texts in code page 1252, keywords, and a
// value of a type that is not interpreted here.
std::string ForeignSummary() {
    embedded::PropertySetStream stream;
    embedded::PropertySection section;
    section.formatId = kSummaryFormat;
    section.properties[PID_CODEPAGE] = {{0x02, 0x00, 0x00, 0x00, 0xE4, 0x04, 0x00, 0x00}};
    section.properties[PIDSI_TITLE] = {{0x1E, 0, 0, 0, 4, 0, 0, 0, 'O', 'l', 'd', 0}};
    section.properties[PIDSI_KEYWORDS] = {{0x1E, 0, 0, 0, 5, 0, 0, 0, 'c', 'a', 'f', 0xE9, 0}};
    section.properties[19] = {{0x0B, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00}};
    stream.sections.push_back(section);
    const auto bytes = embedded::SerializePropertySetStream(stream);
    return std::string(bytes.begin(), bytes.end());
}

// A document with a class id, a large stream, a storage of its own with a class id, and
// optionally a summary stream with the given bytes.
void WriteDocument(const std::string& nativePath, unsigned sectorSize,
                   const std::optional<std::string>& summary) {
    std::string big(20000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 7);
    }
    auto writer = CompoundWriter::Create(nativePath, sectorSize);
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->SetClassId(kWordClass));
    ASSERT_TRUE(writer->BeginStream("WordDocument"));
    ASSERT_TRUE(writer->Write(big.data(), big.size()));
    ASSERT_TRUE(writer->EndStream());
    if (summary) {
        ASSERT_TRUE(writer->BeginStream(kSummaryStream));
        ASSERT_TRUE(writer->Write(summary->data(), summary->size()));
        ASSERT_TRUE(writer->EndStream());
    }
    ASSERT_TRUE(writer->BeginStorage("ObjectPool"));
    ASSERT_TRUE(writer->SetClassId(kPoolClass));
    ASSERT_TRUE(writer->BeginStream("\001Ole"));
    ASSERT_TRUE(writer->Write("ole data", 8));
    ASSERT_TRUE(writer->EndStream());
    ASSERT_TRUE(writer->EndStorage());
    ASSERT_TRUE(writer->BeginStream("1Table"));
    ASSERT_TRUE(writer->Write("table", 5));
    ASSERT_TRUE(writer->EndStream());
    ASSERT_TRUE(writer->Close());
}

std::vector<std::string> FolderListing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

const SummaryTexts kTexts{"Quarterly r\u00e9sum\u00e9.doc", "Re: figures for Q3",
                          "Ann Lee <ann@example.com>"};

class PropertySetStorageTest : public testing_support::DriveTest {
  protected:
    std::string Host(const std::string& name) const { return temp.path() + "/" + name; }
};

TEST_F(PropertySetStorageTest, NewSummaryGoesIntoTheCompoundFileAndTheRestStaysAsItWas) {
    for (unsigned sectorSize : {512u, 4096u}) {
        SCOPED_TRACE(sectorSize);
        WriteDocument(Host("report.doc"), sectorSize, std::nullopt);
        const auto before = TreeOf(Host("report.doc"));
        ASSERT_FALSE(before.empty());
        const bool tagged =
            ::setxattr(Host("report.doc").c_str(), "user.xdg.tags", "q3", 2, 0) == 0;

        EXPECT_EQ(WriteSummary("C:\\report.doc", kTexts), S_OK);

        const auto texts =
            ReadBack("C:\\report.doc", {PID_CODEPAGE, PIDSI_TITLE, PIDSI_SUBJECT, PIDSI_AUTHOR});
        EXPECT_EQ(texts, (std::map<PROPID, std::string>{{PID_CODEPAGE, "i2:1200"},
                                                        {PIDSI_TITLE, *kTexts.title},
                                                        {PIDSI_SUBJECT, *kTexts.subject},
                                                        {PIDSI_AUTHOR, *kTexts.author}}));
        EXPECT_EQ(TreeOf(Host("report.doc")), before);
        const std::string header = temp.ReadFile("report.doc").substr(30, 1);
        EXPECT_EQ(header[0], sectorSize == 512 ? 9 : 12);
        EXPECT_EQ(FolderListing(temp.path()), std::vector<std::string>{"report.doc"});
        char tag[8] = {};
        EXPECT_EQ(::getxattr(Host("report.doc").c_str(), "user.xdg.tags", tag, sizeof tag),
                  tagged ? 2 : -1);
    }
}

TEST_F(PropertySetStorageTest, PropertiesThatAreNotWrittenKeepWhatTheSetHad) {
    WriteDocument(Host("old.doc"), 512, ForeignSummary());

    EXPECT_EQ(WriteSummary("C:\\old.doc", {"New title", "", std::nullopt}), S_OK);

    EXPECT_EQ(ReadBack("C:\\old.doc",
                       {PID_CODEPAGE, PIDSI_TITLE, PIDSI_SUBJECT, PIDSI_AUTHOR, PIDSI_KEYWORDS}),
              (std::map<PROPID, std::string>{{PID_CODEPAGE, "i2:1252"},
                                             {PIDSI_TITLE, "New title"},
                                             {PIDSI_SUBJECT, ""},
                                             {PIDSI_KEYWORDS, "caf\u00e9"}}));
    auto root = CompoundStorageReader::OpenFile(Host("old.doc"));
    ASSERT_TRUE(root);
    const std::string stream = ReadStream(*root, kSummaryStream);
    const auto parsed = embedded::ParsePropertySetStream(
        std::span(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size()));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->sections.at(0).properties.at(19).bytes,
              (std::vector<std::uint8_t>{0x0B, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00}));
}

TEST_F(PropertySetStorageTest, EachValueTypeIsOnDiskWhenWriteMultipleReturns) {
    WriteDocument(Host("typed.doc"), 512, std::nullopt);
    const std::u16string path = u"C:\\typed.doc";
    ComPtr<IPropertySetStorage> sets;
    ASSERT_EQ(StgOpenStorageEx(path.c_str(), kOpenMode, STGFMT_ANY, 0, nullptr, nullptr,
                               IID_IPropertySetStorage, reinterpret_cast<void**>(sets.Out())),
              S_OK);
    ComPtr<IPropertyStorage> set;
    ASSERT_EQ(sets->Open(FMTID_SummaryInformation, kOpenMode, set.Out()), STG_E_FILENOTFOUND);
    ASSERT_EQ(sets->Create(FMTID_SummaryInformation, nullptr, 0, kCreateMode, set.Out()), S_OK);

    char title[] = "Gr\u00fc\u00dfe"; // 8-bit text in the system code page
    PROPSPEC specs[3]{};
    PROPVARIANT values[3]{};
    specs[0].ulKind = specs[1].ulKind = specs[2].ulKind = PRSPEC_PROPID;
    specs[0].propid = PIDSI_TITLE;
    values[0].vt = VT_LPSTR;
    values[0].pszVal = title;
    specs[1].propid = 14; // page count
    values[1].vt = VT_I4;
    values[1].lVal = -7;
    specs[2].propid = 12; // created
    values[2].vt = VT_FILETIME;
    values[2].filetime = FILETIME{0x89ABCDEF, 0x01D9F00D};
    ASSERT_EQ(set->WriteMultiple(3, specs, values, 2), S_OK);

    // Still open, and yet another reader of the file already sees the set.
    auto root = CompoundStorageReader::OpenFile(Host("typed.doc"));
    ASSERT_TRUE(root);
    const std::string stream = ReadStream(*root, kSummaryStream);
    EXPECT_TRUE(embedded::ParsePropertySetStream(
        std::span(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size())));

    PROPVARIANT read[3]{};
    ASSERT_EQ(set->ReadMultiple(3, specs, read), S_OK);
    EXPECT_EQ(read[0].vt, VT_LPSTR);
    EXPECT_STREQ(read[0].pszVal, title);
    EXPECT_EQ(read[1].lVal, -7);
    EXPECT_EQ(read[2].filetime.dwHighDateTime, 0x01D9F00Du);
    EXPECT_EQ(read[2].filetime.dwLowDateTime, 0x89ABCDEFu);
    FreePropVariantArray(3, read);

    // A value that is not written here changes nothing.
    values[1].vt = 0x0041; // VT_BLOB
    EXPECT_EQ(set->WriteMultiple(3, specs, values, 2), STG_E_INVALIDPARAMETER);
}

TEST_F(PropertySetStorageTest, OlefileReadsTheSummaryThatWeWrote) {
    if (std::system("/usr/bin/python3 -c 'import olefile' 2>/dev/null") != 0) {
        GTEST_SKIP() << "/usr/bin/python3 has no olefile";
    }
    WriteDocument(Host("shared.doc"), 512, std::nullopt);
    ASSERT_EQ(WriteSummary("C:\\shared.doc", kTexts), S_OK);

    // olefile keeps the terminator that a wide text carries.
    const std::string script = "import olefile,sys\n"
                               "m = olefile.OleFileIO(sys.argv[1]).get_metadata()\n"
                               "for v in (m.title, m.subject, m.author):\n"
                               "    v = v.decode('utf-8') if isinstance(v, bytes) else v\n"
                               "    v = v.rstrip('\\x00')\n"
                               "    sys.stdout.buffer.write((v + '\\n').encode('utf-8'))\n";
    temp.WriteFile("read.py", script);
    FILE* pipe =
        ::popen(("/usr/bin/python3 " + Host("read.py") + " " + Host("shared.doc")).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(output, *kTexts.title + "\n" + *kTexts.subject + "\n" + *kTexts.author + "\n");
}

TEST_F(PropertySetStorageTest, AFailedRewriteLeavesTheOldFileByteForByte) {
    struct Case {
        const char* name;
        const char* step;
        int call;
        HRESULT failure;
    };
    const Case cases[] = {
        {"the copy fails at the first stream", embedded::kCompoundCopyStep, 1, STG_E_MEDIUMFULL},
        {"the copy fails half-way", embedded::kCompoundCopyStep, 3, STG_E_WRITEFAULT},
        {"the rename fails", embedded::kCompoundRenameStep, 1, STG_E_ACCESSDENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteDocument(Host("keep.doc"), 512, ForeignSummary());
        const std::string before = temp.ReadFile("keep.doc");
        embedded::FailNthCall(c.step, c.call, c.failure);

        EXPECT_EQ(WriteSummary("C:\\keep.doc", kTexts), c.failure);

        EXPECT_EQ(temp.ReadFile("keep.doc"), before);
        EXPECT_EQ(FolderListing(temp.path()), std::vector<std::string>{"keep.doc"});
        embedded::ClearFaults();
    }
}

TEST_F(PropertySetStorageTest, DamagedInputIsRefusedAndLeftAlone) {
    const std::string signature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    struct Case {
        const char* name;
        std::function<void()> make;
        HRESULT expected;
    };
    const Case cases[] = {
        // Create would replace the set; an unreadable one is kept instead.
        {"a summary stream that is no property set",
         [&] {
             WriteDocument(Host("bad.doc"), 512, std::string("\xFE\xFF\x00\x00 not a set", 14));
         },
         STG_E_INVALIDHEADER},
        {"a summary section whose offset points outside the stream",
         [&] {
             std::string set = ForeignSummary();
             set[47] = '\x7F';
             WriteDocument(Host("bad.doc"), 512, set);
         },
         STG_E_INVALIDHEADER},
        // A copy that left the stream out would lose it.
        {"a stream whose sectors lie outside the file",
         [&] {
             WriteDocument(Host("bad.doc"), 512, std::nullopt);
             std::string file = temp.ReadFile("bad.doc");
             const std::u16string name = u"WordDocument";
             const std::string needle(reinterpret_cast<const char*>(name.data()), name.size() * 2);
             const std::size_t entry = file.find(needle);
             ASSERT_NE(entry, std::string::npos);
             file.replace(entry + 116, 4, "\x00\xFF\xFF\x0F", 4); // its first sector
             temp.WriteFile("bad.doc", file);
         },
         STG_E_DOCFILECORRUPT},
        {"a compound file cut after its signature",
         [&] { temp.WriteFile("bad.doc", signature + std::string(100, '\0')); },
         STG_E_DOCFILECORRUPT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make();
        const std::string before = temp.ReadFile("bad.doc");
        EXPECT_EQ(WriteSummary("C:\\bad.doc", kTexts), c.expected);
        EXPECT_EQ(temp.ReadFile("bad.doc"), before);
    }
}

TEST_F(PropertySetStorageTest, OpeningFailsWithThePlatformCodes) {
    WriteDocument(Host("held.doc"), 512, std::nullopt);
    temp.WriteFile("notes.txt", "plain text");
    temp.WriteFile("folder/inside.txt", "x");
    ComPtr<IPropertySetStorage> holder;
    ASSERT_EQ(StgOpenStorageEx(u"C:\\held.doc", kOpenMode, STGFMT_ANY, 0, nullptr, nullptr,
                               IID_IPropertySetStorage, reinterpret_cast<void**>(holder.Out())),
              S_OK);
    struct Case {
        const char* name;
        std::u16string path;
        DWORD format;
        HRESULT expected;
    };
    const Case cases[] = {
        {"a missing file", u"C:\\missing.doc", STGFMT_ANY, STG_E_FILENOTFOUND},
        {"a missing folder", u"C:\\nowhere\\missing.doc", STGFMT_ANY, STG_E_PATHNOTFOUND},
        {"a folder", u"C:\\folder", STGFMT_ANY, STG_E_ACCESSDENIED},
        {"a file opened elsewhere", u"C:\\held.doc", STGFMT_ANY, STG_E_SHAREVIOLATION},
        {"a plain file asked for as a storage", u"C:\\notes.txt", STGFMT_DOCFILE,
         STG_E_FILEALREADYEXISTS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* opened = reinterpret_cast<void*>(1);
        EXPECT_EQ(StgOpenStorageEx(c.path.c_str(), kOpenMode, c.format, 0, nullptr, nullptr,
                                   IID_IPropertySetStorage, &opened),
                  c.expected);
        EXPECT_EQ(opened, nullptr);
    }
    holder.Reset();
    embedded::FailNthCall("StgOpenStorageEx", 1, STG_E_LOCKVIOLATION);
    EXPECT_EQ(WriteSummary("C:\\held.doc", kTexts), STG_E_LOCKVIOLATION);
    EXPECT_EQ(WriteSummary("C:\\held.doc", kTexts), S_OK); // released with its last reference
}

TEST_F(PropertySetStorageTest, APlainFileKeepsItsSummaryInCommonExtendedAttributes) {
    temp.WriteFile("notes.txt", "plain text");
    if (::setxattr(Host("notes.txt").c_str(), "user.filvex.probe", "x", 1, 0) != 0) {
        GTEST_SKIP() << "the temporary folder takes no user attributes (errno " << errno << ")";
    }
    ::removexattr(Host("notes.txt").c_str(), "user.filvex.probe");
    const auto attribute = [&](const char* name) -> std::optional<std::string> {
        char value[512];
        const ssize_t size = ::getxattr(Host("notes.txt").c_str(), name, value, sizeof value);
        return size < 0 ? std::nullopt : std::optional<std::string>(std::string(value, size));
    };

    ASSERT_EQ(WriteSummary("C:\\notes.txt", kTexts), S_OK);
    // A second save over the set that now exists changes only what it writes.
    ASSERT_EQ(WriteSummary("C:\\notes.txt", {"notes.txt", std::nullopt, std::nullopt}), S_OK);

    EXPECT_EQ(attribute("user.dublincore.title"), "notes.txt");
    EXPECT_EQ(attribute("user.dublincore.subject"), kTexts.subject);
    EXPECT_EQ(attribute("user.dublincore.creator"), kTexts.author);
    EXPECT_EQ(attribute("user.xdg.comment"), std::nullopt);
    EXPECT_EQ(ReadBack("C:\\notes.txt", {PIDSI_TITLE, PIDSI_SUBJECT, PIDSI_AUTHOR, PIDSI_COMMENTS}),
              (std::map<PROPID, std::string>{{PIDSI_TITLE, "notes.txt"},
                                             {PIDSI_SUBJECT, *kTexts.subject},
                                             {PIDSI_AUTHOR, *kTexts.author}}));
    EXPECT_EQ(temp.ReadFile("notes.txt"), "plain text");
}

} // namespace
