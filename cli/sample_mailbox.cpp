// Writes the sample mailbox that the README's demonstration saves from: a store folder with an
// Inbox of a few messages from different senders and days, attachments of several kinds (an
// archive, a name with accents, two of the same name), a forwarded message with its own
// attachment, and a subfolder.
//   filvex-sample-mailbox FOLDER
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/msg/msg_file.h"

#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using embedded::MessageDraft;
using embedded::UtcFileTime;

void Put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, unsigned long value) {
    Put16(out, static_cast<unsigned>(value & 0xFFFF));
    Put16(out, static_cast<unsigned>((value >> 16) & 0xFFFF));
}

// An archive of stored (uncompressed) files, which every unzip program reads.
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& files) {
    std::string archive;
    std::string directory;
    const unsigned dosTime = (9u << 11) | (30u << 5);                 // 09:30:00
    const unsigned dosDate = ((2024u - 1980u) << 9) | (3u << 5) | 4u; // 2024-03-04
    for (const auto& [name, content] : files) {
        const unsigned long crc = crc32(0, reinterpret_cast<const Bytef*>(content.data()),
                                        static_cast<uInt>(content.size()));
        const unsigned long offset = archive.size();
        Put32(archive, 0x04034b50);
        Put16(archive, 10);
        Put16(archive, 0);
        Put16(archive, 0);
        Put16(archive, dosTime);
        Put16(archive, dosDate);
        Put32(archive, crc);
        Put32(archive, content.size());
        Put32(archive, content.size());
        Put16(archive, static_cast<unsigned>(name.size()));
        Put16(archive, 0);
        archive += name + content;
        Put32(directory, 0x02014b50);
        Put16(directory, 20);
        Put16(directory, 10);
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, dosTime);
        Put16(directory, dosDate);
        Put32(directory, crc);
        Put32(directory, content.size());
        Put32(directory, content.size());
        Put16(directory, static_cast<unsigned>(name.size()));
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, 0);
        Put32(directory, 0);
        Put32(directory, offset);
        directory += name;
    }
    const unsigned long directoryAt = archive.size();
    archive += directory;
    Put32(archive, 0x06054b50);
    Put16(archive, 0);
    Put16(archive, 0);
    Put16(archive, static_cast<unsigned>(files.size()));
    Put16(archive, static_cast<unsigned>(files.size()));
    Put32(archive, directory.size());
    Put32(archive, directoryAt);
    Put16(archive, 0);
    return archive;
}

std::string PdfText(const std::string& title) {
    return "%PDF-1.4\n% " + title +
           "\n1 0 obj << /Type /Catalog >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n";
}

void Write(const fs::path& path, const MessageDraft& draft) {
    embedded::MessageData data = draft.Data();
    fs::create_directories(path.parent_path());
    if (FAILED(embedded::SaveMsgFile(data, path.string()))) {
        std::fprintf(stderr, "filvex-sample-mailbox: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: filvex-sample-mailbox FOLDER\n");
        return 2;
    }
    const fs::path top = argv[1];
    const fs::path inbox = top / "Inbox";

    Write(inbox / "01 Quarterly report.msg",
          MessageDraft()
              .Subject("Quarterly report")
              .From("Ann Lee", "ann.lee@example.com")
              .Received(UtcFileTime(2024, 3, 5, 14, 7, 9))
              .File("report.pdf", PdfText("Q1 report"))
              .File("figures.csv", "quarter,revenue\nQ1,1200\nQ2,1350\n"));
    Write(inbox / "02 Photos from the trip.msg",
          MessageDraft()
              .Subject("Photos from the trip")
              .From("Bob Martin", "bob@photos.example.org")
              .Received(UtcFileTime(2024, 3, 6, 9, 15, 0))
              .File("photos.zip", StoredZip({{"beach.txt", "sand, sea and sun\n"},
                                             {"hills/view.txt", "green hills\n"}}))
              .File("\xC3\x9C"
                    "bersicht M\xC3\xA4rz.txt",
                    "Termine im M\xC3\xA4rz\n"));
    Write(inbox / "03 Fwd Minutes.msg",
          MessageDraft()
              .Subject("Fwd: Minutes of the meeting")
              .From("Carla Diaz", "carla@example.net")
              .Received(UtcFileTime(2024, 3, 7, 16, 45, 30))
              .File("report.pdf", PdfText("revised report"))
              .Embedded("Minutes of the meeting",
                        MessageDraft()
                            .Subject("Minutes of the meeting")
                            .From("Dan Okafor", "dan@example.net")
                            .Received(UtcFileTime(2024, 3, 7, 11, 0, 0))
                            .File("minutes.txt", "1. Budget\n2. Schedule\n")));
    Write(inbox / "Projects" / "04 Alpha plan.msg",
          MessageDraft()
              .Subject("Alpha plan")
              .From("Ann Lee", "ann.lee@example.com")
              .Received(UtcFileTime(2024, 3, 8, 8, 30, 0))
              .File("plan.txt", "Milestones for Alpha\n"));
    return 0;
}
