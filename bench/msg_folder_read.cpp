// Opens a folder of generated .msg files as a store and reads every attachment of every
// message through the MAPI calls the module makes, and times `cat` over the same files for
// comparison.
//   msg_folder_read [COUNT [FOLDER]]   generate, read, compare with cat, remove
//   msg_folder_read generate COUNT FOLDER
//   msg_folder_read read COUNT FOLDER   (for timing the read alone from outside)
#include "platform/embedded/msg/msg_folder_store.h"
#include "platform/com_ptr.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/msg/msg_file.h"
#include "platform/mapi_functions.h"
#include "platform/mapi_tags.h"
#include "platform/row_set.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Writes `count` messages, each with three attachments of 4 KiB, 40 KiB and 200 KiB.
std::uint64_t Generate(const fs::path& folder, int count) {
    std::uint64_t bytes = 0;
    for (int i = 0; i < count; ++i) {
        embedded::MessageDraft draft;
        draft.Subject("Report " + std::to_string(i))
            .From("Ann Lee", "ann@example.com")
            .Received(embedded::UtcFileTime(2024, 3, 5, 14, 30));
        for (std::size_t size : {4u << 10, 40u << 10, 200u << 10}) {
            draft.File("part-" + std::to_string(size) + ".bin",
                       std::string(size, static_cast<char>('a' + i % 26)));
        }
        embedded::MessageData data = draft.Data();
        char name[32];
        std::snprintf(name, sizeof name, "m%05d.msg", i);
        const fs::path path = folder / name;
        if (FAILED(embedded::SaveMsgFile(data, path.string()))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            std::exit(1);
        }
        bytes += fs::file_size(path);
    }
    return bytes;
}

std::uint64_t ReadAllAttachments(const fs::path& folder, int count) {
    embedded::MsgFolderStore store(folder.string());
    ComPtr<IMAPISession> session(store.OpenSession());
    std::uint64_t read = 0;
    std::string chunk(64 * 1024, '\0');
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "m%05d.msg", i);
        const embedded::EntryId id = store.Message(name);
        ULONG type = 0;
        ComPtr<IMessage> message;
        if (FAILED(session->OpenEntry(id.Size(), id.Get(), nullptr, MAPI_BEST_ACCESS, &type,
                                      message.OutUnknown()))) {
            std::fprintf(stderr, "cannot open %s\n", name);
            std::exit(1);
        }
        ComPtr<IMAPITable> table;
        message->GetAttachmentTable(0, table.Out());
        SizedSPropTagArray(1, columns) = {1, {PR_ATTACH_NUM}};
        RowSet rows;
        HrQueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr,
                       0, rows.Out());
        for (ULONG r = 0; r < rows.Count(); ++r) {
            ComPtr<IAttach> attachment;
            message->OpenAttach(static_cast<ULONG>(rows[r].lpProps[0].Value.l), nullptr,
                                MAPI_BEST_ACCESS, attachment.Out());
            ComPtr<IStream> data;
            attachment->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0, data.OutUnknown());
            ULONG got = 0;
            while (SUCCEEDED(data->Read(chunk.data(), static_cast<ULONG>(chunk.size()), &got)) &&
                   got > 0) {
                read += got;
            }
        }
    }
    return read;
}

} // namespace

int main(int argc, char** argv) {
    embedded::SetCallLogEnabled(false);
    const std::string mode = argc > 1 ? argv[1] : "";
    if ((mode == "generate" || mode == "read") && argc == 4) {
        const int count = std::atoi(argv[2]);
        const fs::path folder = argv[3];
        if (mode == "generate") {
            fs::create_directories(folder);
            Generate(folder, count);
        } else {
            ReadAllAttachments(folder, count);
        }
        return 0;
    }
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const fs::path folder =
        argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "filvex-bench";
    fs::remove_all(folder);
    fs::create_directories(folder);

    auto start = Clock::now();
    const std::uint64_t fileBytes = Generate(folder, count);
    std::printf("generated %d messages, %.1f MiB, in %.2f s\n", count, fileBytes / 1048576.0,
                SecondsSince(start));

    start = Clock::now();
    const std::uint64_t attachmentBytes = ReadAllAttachments(folder, count);
    const double ours = SecondsSince(start);
    std::printf("opened and read all attachments: %.1f MiB in %.3f s (%.0f messages/s)\n",
                attachmentBytes / 1048576.0, ours, count / ours);

    start = Clock::now();
    const std::string cat = "cat '" + folder.string() + "'/*.msg > /dev/null";
    if (std::system(cat.c_str()) != 0) {
        std::fprintf(stderr, "cat failed\n");
    }
    const double catSeconds = SecondsSince(start);
    std::printf("cat of the same files: %.3f s; ratio %.1f\n", catSeconds, ours / catSeconds);
    fs::remove_all(folder);
    return 0;
}
