#include "platform/embedded/storage/compound_file.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using embedded::ClassId;
using embedded::CompoundStorageReader;
using embedded::CompoundWriter;

std::string ReadWhole(const CompoundStorageReader& storage, const std::string& name) {
    auto stream = storage.OpenStream(name);
    if (!stream) {
        return "<missing>";
    }
    std::string bytes(stream->Size(), '\0');
    if (!stream->ReadAt(0, bytes.data(), bytes.size())) {
        return "<unreadable>";
    }
    return bytes;
}

class CompoundFileTest : public ::testing::TestWithParam<unsigned> {
  protected:
    testing_support::TempFolder temp;
};

TEST_P(CompoundFileTest, WrittenTreeReadsBackWithClassIdsAndBytes) {
    const std::string path = temp.path() + "/item.msg";
    const ClassId rootClass{0x0B, 0x0D, 0x02, 0x00, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    const std::string big(100000, 'x'); // past the small-stream cutoff
    {
        auto writer = CompoundWriter::Create(path, GetParam());
        ASSERT_TRUE(writer);
        ASSERT_TRUE(writer->SetClassId(rootClass));
        ASSERT_TRUE(writer->BeginStream("__properties_version1.0"));
        ASSERT_TRUE(writer->Write("abc", 3));
        ASSERT_TRUE(writer->EndStream());
        ASSERT_TRUE(writer->BeginStorage("__attach_version1.0_#00000000"));
        ASSERT_TRUE(writer->BeginStream("__substg1.0_37010102"));
        ASSERT_TRUE(writer->Write(big.data(), big.size()));
        ASSERT_TRUE(writer->EndStream());
        ASSERT_TRUE(writer->EndStorage());
        ASSERT_TRUE(writer->Close());
    }
    auto root = CompoundStorageReader::OpenFile(path);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->GetClassId(), rootClass);
    EXPECT_EQ(ReadWhole(*root, "__properties_version1.0"), "abc");
    const auto entries = root->Entries();
    ASSERT_EQ(entries.size(), 2u);
    auto attach = root->OpenStorage("__attach_version1.0_#00000000");
    ASSERT_TRUE(attach);
    EXPECT_EQ(ReadWhole(*attach, "__substg1.0_37010102"), big);
    EXPECT_FALSE(root->OpenStream("__attach_version1.0_#00000000"));
    EXPECT_FALSE(root->OpenStorage("__properties_version1.0"));
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, CompoundFileTest, ::testing::Values(512u, 4096u));

TEST(CompoundFileReader, RefusesFilesThatAreNoCompoundFile) {
    testing_support::TempFolder temp;
    temp.WriteFile("plain.txt", "just text, not a compound file");
    std::string error;
    EXPECT_FALSE(CompoundStorageReader::OpenFile(temp.path() + "/plain.txt", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(CompoundStorageReader::OpenFile(temp.path() + "/missing.msg"));
}

TEST(CompoundFileReader, ReadOutsideTheStreamIsRefused) {
    testing_support::TempFolder temp;
    const std::string path = temp.path() + "/s.cfb";
    {
        auto writer = CompoundWriter::Create(path);
        ASSERT_TRUE(writer);
        writer->BeginStream("s");
        writer->Write("12345", 5);
        writer->EndStream();
        ASSERT_TRUE(writer->Close());
    }
    auto root = CompoundStorageReader::OpenFile(path);
    ASSERT_TRUE(root);
    auto stream = root->OpenStream("s");
    ASSERT_TRUE(stream);
    char buffer[8];
    EXPECT_TRUE(stream->ReadAt(3, buffer, 2));
    EXPECT_FALSE(stream->ReadAt(4, buffer, 2));
    EXPECT_FALSE(stream->ReadAt(~0ull, buffer, 2));
}

} // namespace
