// Saves the attachments of a generated folder of .msg files through the save engine, as the
// Save command does for a selection, and times `cp` over the same bytes for comparison.
// Two runs: many messages with small attachments, and a few with large ones; for the large
// one the peak resident size shows that memory does not grow with an attachment's size.
//   save_run [SMALL_COUNT [LARGE_COUNT [LARGE_MIB]]]   defaults 1000, 3, 64
//   save_run many N...    one message with N attachments of 1 KiB, for each N: how the time of
//                         one message grows with its attachments
//   save_run one NAME COUNT SIZE_KIB STORE OUT  (one run in this process, for its peak)
#include "engine/save_message.h"
#include "base/bounded_text.h"
#include "options/save_options.h"
#include "platform/embedded/msg/msg_folder_store.h"
#include "platform/com_ptr.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/msg/msg_file.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// `count` messages, each with `perMessage` attachments of `size` bytes.
void Generate(const fs::path& folder, int count, int perMessage, std::size_t size) {
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        embedded::MessageDraft draft;
        draft.Subject("Report " + std::to_string(i))
            .From("Ann Lee", "ann@example.com")
            .Received(embedded::UtcFileTime(2024, 3, 5, 14, 30));
        for (int a = 0; a < perMessage; ++a) {
            draft.File("part-" + std::to_string(i) + "-" + std::to_string(a) + ".bin",
                       std::string(size, static_cast<char>('a' + (i + a) % 26)));
        }
        embedded::MessageData data = draft.Data();
        char name[32];
        std::snprintf(name, sizeof name, "m%05d.msg", i);
        if (FAILED(embedded::SaveMsgFile(data, (folder / name).string()))) {
            std::fprintf(stderr, "save_run: cannot write %s\n", name);
            std::exit(1);
        }
    }
}

std::uint64_t BytesBelow(const fs::path& folder) {
    std::uint64_t bytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            bytes += entry.file_size();
        }
    }
    return bytes;
}

// Every message of the store saved into `out`, one SaveMessage each, as a selection walk does.
std::uint32_t SaveAll(const fs::path& storeFolder, int count, const fs::path& out) {
    embedded::SetCallLogEnabled(false);
    fs::create_directories(out);
    embedded::MapDrive('S', out.string());
    SaveOptions options;
    InitOptions(options);
    BoundedCopy(options.targetFolder, sizeof(options.targetFolder), "S:\\");
    options.subfolderMode = kSenderNameSubfolder;
    options.appendReceivedDate = 1;
    embedded::MsgFolderStore store(storeFolder.string());
    ComPtr<IMAPISession> session(store.OpenSession());
    std::uint32_t saved = 0;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "m%05d.msg", i);
        embedded::EntryId id = store.Message(name);
        ULONG type = 0;
        ComPtr<IMessage> message;
        if (FAILED(session->OpenEntry(id.Size(), id.Get(), nullptr, MAPI_BEST_ACCESS, &type,
                                      message.OutUnknown())) ||
            FAILED(SaveMessage(&saved, session.Get(), message.Get(), nullptr, &options))) {
            std::fprintf(stderr, "save_run: message %s failed\n", name);
            std::exit(1);
        }
    }
    return saved;
}

double TimeCopy(const fs::path& from, const fs::path& to) {
    const std::string command = "cp -r '" + from.string() + "' '" + to.string() + "'";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "save_run: cp failed\n");
        std::exit(1);
    }
    return SecondsSince(start);
}

long PeakResidentKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One run in a child process, so that its peak resident size is its own.
void RunOne(const char* self, const char* name, int count, int perMessage, std::size_t sizeKib,
            const fs::path& work) {
    const fs::path storeFolder = work / (std::string(name) + "-store");
    const pid_t generator = fork();
    if (generator == 0) {
        Generate(storeFolder, count, perMessage, sizeKib << 10);
        std::_Exit(0);
    }
    int status = 0;
    waitpid(generator, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::exit(1);
    }
    const std::string command = std::string("'") + self + "' one " + name + " " +
                                std::to_string(count) + " " + std::to_string(sizeKib) + " '" +
                                storeFolder.string() + "' '" + (work / name).string() + "'";
    if (std::system(command.c_str()) != 0) {
        std::exit(1);
    }
    const double cpSeconds = TimeCopy(work / name, work / (std::string(name) + "-cp"));
    double saveSeconds = 0;
    if (FILE* file = std::fopen(((work / name).string() + ".seconds").c_str(), "r")) {
        if (std::fscanf(file, "%lf", &saveSeconds) != 1) {
            saveSeconds = 0;
        }
        std::fclose(file);
    }
    std::printf("%-6s cp of the same files: %.3f s; the save takes %.2f times as long\n", name,
                cpSeconds, saveSeconds / cpSeconds);
    fs::remove_all(storeFolder);
    fs::remove_all(work / name);
    fs::remove_all(work / (std::string(name) + "-cp"));
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 7 && std::string(argv[1]) == "one") {
        const int count = std::atoi(argv[3]);
        const auto start = Clock::now();
        std::uint32_t saved = SaveAll(argv[5], count, argv[6]);
        const double seconds = SecondsSince(start);
        const double mib = static_cast<double>(BytesBelow(argv[6])) / (1 << 20);
        std::printf("%-6s %d messages, %u files, %.1f MiB in %.3f s: %.0f messages/s, "
                    "%.1f MiB/s, peak resident %.1f MiB\n",
                    argv[2], count, saved, mib, seconds, count / seconds, mib / seconds,
                    PeakResidentKib() / 1024.0);
        std::fflush(stdout);
        // For the parent's ratio to cp.
        if (FILE* file = std::fopen((std::string(argv[6]) + ".seconds").c_str(), "w")) {
            std::fprintf(file, "%.6f\n", seconds);
            std::fclose(file);
        }
        return 0;
    }
    if (argc > 2 && std::string(argv[1]) == "many") {
        const fs::path work = fs::temp_directory_path() / ("save_run." + std::to_string(getpid()));
        fs::create_directories(work);
        for (int i = 2; i < argc; ++i) {
            const int attachments = std::atoi(argv[i]);
            RunOne(argv[0], ("many-" + std::to_string(attachments)).c_str(), 1, attachments, 1,
                   work);
        }
        fs::remove_all(work);
        return 0;
    }
    const int smallCount = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int largeCount = argc > 2 ? std::atoi(argv[2]) : 3;
    const int largeMib = argc > 3 ? std::atoi(argv[3]) : 64;
    const fs::path work = fs::temp_directory_path() / ("save_run." + std::to_string(getpid()));
    fs::create_directories(work);
    RunOne(argv[0], "small", smallCount, 10, 16, work);
    RunOne(argv[0], "large", largeCount, 1, static_cast<std::size_t>(largeMib) << 10, work);
    fs::remove_all(work);
    return 0;
}
