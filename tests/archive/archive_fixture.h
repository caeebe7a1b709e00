// What the archive tests share: drive C: on a folder of the test's own in a time zone with
// daylight saving, archives built and read with the library on native paths, and the folder's
// whole tree to show that nothing was written where it should not be.
#pragma once

#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "tests/support/drive_test.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace archive_testing {

// Central European time: summer time from the last Sunday of March to that of October.
inline constexpr const char* kTimeZone = "CET-1CEST,M3.5.0,M10.5.0/3";

struct Entry {
    std::string name;
    std::string data;
    tm_zip time{30, 20, 12, 15, 6, 2004}; // 2004-07-15 12:20:30 local, 10:20:30 UTC
    int method = Z_DEFLATED;
};

struct ReadEntry {
    std::string name;
    std::string data;
    unz_file_info info;
};

class ArchiveTest : public testing_support::DriveTest {
  protected:
    void SetUp() override {
        DriveTest::SetUp();
        environment.Set("TZ", kTimeZone);
    }
    void TearDown() override { DriveTest::TearDown(); }

    std::string Host(const std::string& relative) const { return temp.path() + "/" + relative; }
    // The path on drive C: of a file below the test's folder.
    static std::string OnDriveC(const std::string& relative) {
        std::string path = "C:\\" + relative;
        for (char& c : path) {
            c = c == '/' ? '\\' : c;
        }
        return path;
    }

    void WriteArchive(const std::string& relative, const std::vector<Entry>& entries) const {
        std::filesystem::create_directories(std::filesystem::path(Host(relative)).parent_path());
        zipFile archive = zipOpen(Host(relative).c_str(), APPEND_STATUS_CREATE);
        ASSERT_NE(archive, nullptr);
        for (const Entry& entry : entries) {
            zip_fileinfo info{};
            info.tmz_date = entry.time;
            ASSERT_EQ(zipOpenNewFileInZip(archive, entry.name.c_str(), &info, nullptr, 0, nullptr,
                                          0, nullptr, entry.method,
                                          entry.method == 0 ? 0 : Z_DEFAULT_COMPRESSION),
                      ZIP_OK);
            ASSERT_EQ(zipWriteInFileInZip(archive, entry.data.data(),
                                          static_cast<unsigned>(entry.data.size())),
                      ZIP_OK);
            ASSERT_EQ(zipCloseFileInZip(archive), ZIP_OK);
        }
        ASSERT_EQ(zipClose(archive, nullptr), ZIP_OK);
    }

    // Every entry with its data, or nothing when the archive cannot be read whole.
    std::optional<std::vector<ReadEntry>> ReadArchive(const std::string& relative) const {
        unzFile archive = unzOpen(Host(relative).c_str());
        if (archive == nullptr) {
            return std::nullopt;
        }
        std::vector<ReadEntry> entries;
        bool good = true;
        for (int at = unzGoToFirstFile(archive); good && at == UNZ_OK;
             at = unzGoToNextFile(archive)) {
            ReadEntry entry{};
            char name[1024];
            good = unzGetCurrentFileInfo(archive, &entry.info, name, sizeof name, nullptr, 0,
                                         nullptr, 0) == UNZ_OK &&
                   unzOpenCurrentFile(archive) == UNZ_OK;
            entry.name = name;
            char buffer[4096];
            int read = 0;
            while (good && (read = unzReadCurrentFile(archive, buffer, sizeof buffer)) > 0) {
                entry.data.append(buffer, static_cast<std::size_t>(read));
            }
            good = good && read == 0 && unzCloseCurrentFile(archive) == UNZ_OK;
            entries.push_back(entry);
        }
        unzClose(archive);
        if (!good) {
            return std::nullopt;
        }
        return entries;
    }

    // Every file and folder below the test's folder, folders ending in "/".
    std::set<std::string> Tree() const {
        std::set<std::string> tree;
        for (const auto& item : std::filesystem::recursive_directory_iterator(temp.path())) {
            std::string relative = std::filesystem::relative(item.path(), temp.path()).string();
            tree.insert(item.is_directory() ? relative + "/" : relative);
        }
        return tree;
    }

    testing_support::ScopedEnvironment environment;
};

} // namespace archive_testing
