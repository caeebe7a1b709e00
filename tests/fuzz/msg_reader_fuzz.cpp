// libFuzzer target for the ".msg" reader: any bytes as a file, opened, and every attachment's
// content read. Built by scripts/fuzz-msg, not by the normal build.
#include "platform/embedded/msg/msg_file.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

void ReadAll(const embedded::MessageData& message) {
    for (const auto& entry : message.attachments) {
        (void)entry.second.Content();
        if (entry.second.embedded) {
            ReadAll(*entry.second.embedded);
        }
    }
}

} // namespace

// The file that each input is written to, removed when the run ends.
struct InputFile {
    std::string path = "/tmp/filvex-fuzz-" + std::to_string(getpid()) + ".msg";
    ~InputFile() { std::remove(path.c_str()); }
};

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    static const InputFile input;
    const std::string& path = input.path;
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    } else {
        return 0;
    }
    embedded::MessageData message;
    if (SUCCEEDED(embedded::ReadMsgFile(path, message))) {
        ReadAll(message);
    }
    return 0;
}
