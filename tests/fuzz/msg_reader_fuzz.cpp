// libFuzzer target for the ".msg" reader: any bytes as a file, opened, and every attachment's
// content read. Built by scripts/fuzz-msg, not by the normal build.
#include "platform/embedded/msg_file.h"

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

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    static const std::string path = "/tmp/filvex-fuzz-" + std::to_string(getpid()) + ".msg";
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
