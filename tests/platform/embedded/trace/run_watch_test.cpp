// A run watcher hears of a file only once it holds whole content this process wrote.
#include "platform/com_ptr.h"
#include "platform/embedded/trace/run_watch.h"
#include "platform/mapi_functions.h"
#include "platform/shell_execute.h"
#include "platform/win32_files.h"
#include "tests/support/drive_test.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

class Listener final : public embedded::RunWatcher {
  public:
    void FileWritten(const std::string& path) override {
        events.push_back("written " + Name(path));
    }
    void FileRemoved(const std::string& path) override {
        events.push_back("removed " + Name(path));
    }
    void LaunchFailed(const std::string& file, const std::string&, int code) override {
        events.push_back("not started " + file + " " + std::to_string(code));
    }
    void CallFailed(const std::string& operation, const std::string&,
                    const std::string& reason) override {
        events.push_back(operation + " failed: " + reason);
    }

    std::vector<std::string> events;

  private:
    static std::string Name(const std::string& path) { return path.substr(path.rfind('/') + 1); }
};

class RunWatchTest : public testing_support::DriveTest {
  protected:
    void SetUp() override {
        DriveTest::SetUp();
        embedded::SetRunWatcher(&listener);
    }
    void TearDown() override {
        embedded::SetRunWatcher(nullptr);
        DriveTest::TearDown();
    }

    Listener listener;
};

bool WriteThroughHandle(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, "data", 4, &written, nullptr);
    CloseHandle(file);
    return wrote != FALSE;
}

bool WriteThroughStream(const char* path) {
    std::string name = path;
    ComPtr<IStream> stream;
    if (FAILED(OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_CREATE | STGM_READWRITE,
                                name.data(), nullptr, stream.Out()))) {
        return false;
    }
    ULONG written = 0;
    return SUCCEEDED(stream->Write("data", 4, &written));
}

TEST_F(RunWatchTest, AFileIsWrittenOnlyWhenEveryWriteWent) {
    struct Case {
        const char* name;
        std::function<void()> fault;
        std::function<bool(const char*)> write;
        std::vector<std::string> events;
    } cases[] = {
        {"a handle", [] {}, WriteThroughHandle, {"written a.txt"}},
        {"a handle whose write failed",
         [] { embedded::FailNthCall("WriteFile", 1, HRESULT_FROM_WIN32(ERROR_DISK_FULL)); },
         WriteThroughHandle,
         {}},
        {"a stream", [] {}, WriteThroughStream, {"written a.txt"}},
        {"a stream whose write failed",
         [] { embedded::FailNthCall("Write", 1, STG_E_MEDIUMFULL); },
         WriteThroughStream,
         {}},
    };
    for (const auto& c : cases) {
        listener.events.clear();
        c.fault();
        c.write("C:\\a.txt");
        embedded::ClearFaults();
        EXPECT_EQ(listener.events, c.events) << c.name;
    }
    listener.events.clear();
    EXPECT_TRUE(DeleteFileA("C:\\a.txt"));
    EXPECT_EQ(listener.events, std::vector<std::string>{"removed a.txt"});
}

TEST_F(RunWatchTest, ACallThatFailsSaysWhy) {
    temp.WriteFile("folder/keep", "");
    EXPECT_FALSE(WriteThroughHandle("C:\\folder"));
    ASSERT_EQ(listener.events.size(), 1u);
    EXPECT_EQ(listener.events[0].rfind("CreateFileA failed: ", 0), 0u) << listener.events[0];

    listener.events.clear();
    EXPECT_FALSE(WriteThroughStream("C:\\folder"));
    ASSERT_EQ(listener.events.size(), 1u);
    EXPECT_EQ(listener.events[0], "OpenStreamOnFile failed: Is a directory");

    listener.events.clear();
    ShellExecuteA(nullptr, "open", "no-such-program-here --flag", "C:\\a.txt", nullptr,
                  SW_SHOWNORMAL);
    EXPECT_EQ(listener.events, std::vector<std::string>{"not started no-such-program-here --flag " +
                                                        std::to_string(SE_ERR_FNF)});
}

} // namespace
