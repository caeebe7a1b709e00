#include "platform/embedded/storage/compound_file.h"

#include <gsf/gsf.h>

#include <cstdio>
#include <cstring>
#include <mutex>

namespace embedded {
namespace {

void Quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

void InitGsf() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // libgsf reports each flaw of a damaged file on stderr; the caller gets a failure
        // instead, so the reports would only be noise in a host's output.
        const GLogLevelFlags levels = static_cast<GLogLevelFlags>(
            G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_MESSAGE);
        for (const char* domain : {"libgsf:msole", "libgsf", static_cast<const char*>(nullptr)}) {
            g_log_set_handler(domain, levels, Quiet, nullptr);
        }
    });
}

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Checks the header against the file's size before libgsf sees it, so that counts and sector
// numbers that no file of this size can have never reach libgsf's allocations and seeks.
bool PlausibleHeader(const std::string& nativePath, std::string& why) {
    FILE* file = std::fopen(nativePath.c_str(), "rb");
    if (file == nullptr) {
        why = "cannot open the file";
        return false;
    }
    unsigned char header[512];
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    std::fseek(file, 0, SEEK_END);
    const long fileSize = std::ftell(file);
    std::fclose(file);
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (got < sizeof header || std::memcmp(header, kSignature, 8) != 0) {
        why = "not a compound file";
        return false;
    }
    const unsigned major = header[0x1A] | (header[0x1B] << 8);
    const unsigned sectorShift = header[0x1E] | (header[0x1F] << 8);
    const unsigned miniShift = header[0x20] | (header[0x21] << 8);
    if (!((major == 3 && sectorShift == 9) || (major == 4 && sectorShift == 12)) ||
        miniShift != 6) {
        why = "unknown compound file version or sector size";
        return false;
    }
    const std::uint64_t sectorSize = std::uint64_t{1} << sectorShift;
    const std::uint64_t sectors =
        fileSize > static_cast<long>(sectorSize)
            ? (static_cast<std::uint64_t>(fileSize) - sectorSize + sectorSize - 1) / sectorSize
            : 0;
    constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
    const std::uint32_t fatSectors = Le32(header + 0x2C);
    const std::uint32_t directoryStart = Le32(header + 0x30);
    const std::uint32_t miniFatStart = Le32(header + 0x3C);
    const std::uint32_t miniFatSectors = Le32(header + 0x40);
    const std::uint32_t difatStart = Le32(header + 0x44);
    const std::uint32_t difatSectors = Le32(header + 0x48);
    const bool fits = fatSectors >= 1 && fatSectors <= sectors && directoryStart < sectors &&
                      miniFatSectors <= sectors && difatSectors <= sectors &&
                      (miniFatSectors == 0 || miniFatStart < sectors) &&
                      (difatSectors == 0 || difatStart < sectors || difatStart == kEndOfChain);
    if (!fits) {
        why = "sector counts or numbers beyond the end of the file";
        return false;
    }
    return true;
}

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object != nullptr) {
            g_object_unref(object);
        }
    }
};

template <typename T> using GsfPtr = std::unique_ptr<T, GObjectUnref>;

std::string TakeError(GError* error) {
    std::string message = error != nullptr && error->message != nullptr ? error->message : "";
    if (error != nullptr) {
        g_error_free(error);
    }
    return message;
}

} // namespace

// ---- reading ----

struct CompoundStreamReader::Impl {
    GsfPtr<GsfInput> input;
};

CompoundStreamReader::CompoundStreamReader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CompoundStreamReader::~CompoundStreamReader() = default;

std::uint64_t CompoundStreamReader::Size() const {
    const gsf_off_t size = gsf_input_size(impl_->input.get());
    return size < 0 ? 0 : static_cast<std::uint64_t>(size);
}

bool CompoundStreamReader::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
    const std::uint64_t size = Size();
    if (offset > size || count > size - offset) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    GsfInput* input = impl_->input.get();
    if (gsf_input_seek(input, static_cast<gsf_off_t>(offset), G_SEEK_SET)) {
        return false; // libgsf answers true on failure here
    }
    return gsf_input_read(input, count, static_cast<guint8*>(buffer)) != nullptr;
}

struct CompoundStorageReader::Impl {
    GsfPtr<GsfInfile> storage;
};

CompoundStorageReader::CompoundStorageReader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CompoundStorageReader::~CompoundStorageReader() = default;

std::unique_ptr<CompoundStorageReader>
CompoundStorageReader::OpenFile(const std::string& nativePath, std::string* error) {
    InitGsf();
    std::string why;
    if (!PlausibleHeader(nativePath, why)) {
        if (error != nullptr) {
            *error = why;
        }
        return nullptr;
    }
    GError* failure = nullptr;
    GsfPtr<GsfInput> source(gsf_input_stdio_new(nativePath.c_str(), &failure));
    if (!source) {
        const std::string message = TakeError(failure);
        if (error != nullptr) {
            *error = message;
        }
        return nullptr;
    }
    GsfPtr<GsfInfile> root(gsf_infile_msole_new(source.get(), &failure));
    if (!root) {
        const std::string message = TakeError(failure);
        if (error != nullptr) {
            *error = message.empty() ? "not a compound file" : message;
        }
        return nullptr;
    }
    return std::make_unique<CompoundStorageReader>(std::make_unique<Impl>(Impl{std::move(root)}));
}

std::vector<CompoundEntry> CompoundStorageReader::Entries() const {
    std::vector<CompoundEntry> entries;
    GsfInfile* storage = impl_->storage.get();
    const int count = gsf_infile_num_children(storage);
    for (int i = 0; i < count; ++i) {
        const char* name = gsf_infile_name_by_index(storage, i);
        GsfPtr<GsfInput> child(gsf_infile_child_by_index(storage, i));
        if (name == nullptr || !child) {
            continue;
        }
        const bool isStorage =
            GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0;
        const gsf_off_t size = gsf_input_size(child.get());
        entries.push_back({name, isStorage, size < 0 ? 0 : static_cast<std::uint64_t>(size)});
    }
    return entries;
}

std::size_t CompoundStorageReader::ChildCount() const {
    const int count = gsf_infile_num_children(impl_->storage.get());
    return count < 0 ? 0 : static_cast<std::size_t>(count);
}

std::unique_ptr<CompoundStorageReader>
CompoundStorageReader::OpenStorage(const std::string& name) const {
    GsfPtr<GsfInput> child(gsf_infile_child_by_name(impl_->storage.get(), name.c_str()));
    if (!child || !GSF_IS_INFILE(child.get()) ||
        gsf_infile_num_children(GSF_INFILE(child.get())) < 0) {
        return nullptr;
    }
    GsfPtr<GsfInfile> storage(GSF_INFILE(child.release()));
    return std::make_unique<CompoundStorageReader>(
        std::make_unique<Impl>(Impl{std::move(storage)}));
}

std::unique_ptr<CompoundStreamReader>
CompoundStorageReader::OpenStream(const std::string& name) const {
    GsfPtr<GsfInput> child(gsf_infile_child_by_name(impl_->storage.get(), name.c_str()));
    if (!child ||
        (GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0)) {
        return nullptr;
    }
    return std::make_unique<CompoundStreamReader>(
        std::make_unique<CompoundStreamReader::Impl>(CompoundStreamReader::Impl{std::move(child)}));
}

ClassId CompoundStorageReader::GetClassId() const {
    ClassId classId{};
    if (GSF_IS_INFILE_MSOLE(impl_->storage.get())) {
        gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(impl_->storage.get()), classId.data());
    }
    return classId;
}

// ---- writing ----

struct CompoundWriter::Impl {
    GsfPtr<GsfOutput> sink;
    // The open storages from the root down, then the open stream if any.
    std::vector<GsfPtr<GsfOutfile>> storages;
    GsfPtr<GsfOutput> stream;
    bool failed = false;
};

CompoundWriter::CompoundWriter(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

CompoundWriter::~CompoundWriter() {
    if (impl_ && !impl_->storages.empty()) {
        // Abandoned half-way: close what is open so that libgsf lets go of the file.
        Close();
    }
}

std::unique_ptr<CompoundWriter> CompoundWriter::Create(const std::string& nativePath,
                                                       unsigned sectorSize, std::string* error) {
    InitGsf();
    if (sectorSize != 512 && sectorSize != 4096) {
        if (error != nullptr) {
            *error = "sector size must be 512 or 4096";
        }
        return nullptr;
    }
    GError* failure = nullptr;
    GsfPtr<GsfOutput> sink(gsf_output_stdio_new(nativePath.c_str(), &failure));
    if (!sink) {
        const std::string message = TakeError(failure);
        if (error != nullptr) {
            *error = message;
        }
        return nullptr;
    }
    GsfPtr<GsfOutfile> root(gsf_outfile_msole_new_full(sink.get(), sectorSize, 64));
    if (!root) {
        if (error != nullptr) {
            *error = "cannot start a compound file";
        }
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->sink = std::move(sink);
    impl->storages.push_back(std::move(root));
    return std::make_unique<CompoundWriter>(std::move(impl));
}

bool CompoundWriter::SetClassId(const ClassId& classId) {
    if (impl_->storages.empty() || impl_->stream) {
        return false;
    }
    GsfOutfile* storage = impl_->storages.back().get();
    return GSF_IS_OUTFILE_MSOLE(storage) &&
           gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(storage), classId.data());
}

bool CompoundWriter::BeginStorage(const std::string& name) {
    if (impl_->storages.empty() || impl_->stream) {
        return false;
    }
    GsfOutput* child = gsf_outfile_new_child(impl_->storages.back().get(), name.c_str(), TRUE);
    if (child == nullptr) {
        impl_->failed = true;
        return false;
    }
    impl_->storages.emplace_back(GSF_OUTFILE(child));
    return true;
}

bool CompoundWriter::EndStorage() {
    if (impl_->storages.size() < 2 || impl_->stream) {
        return false;
    }
    GsfOutput* storage = GSF_OUTPUT(impl_->storages.back().get());
    const bool closed = gsf_output_close(storage);
    impl_->storages.pop_back();
    impl_->failed |= !closed;
    return closed;
}

bool CompoundWriter::BeginStream(const std::string& name) {
    if (impl_->storages.empty() || impl_->stream) {
        return false;
    }
    GsfOutput* child = gsf_outfile_new_child(impl_->storages.back().get(), name.c_str(), FALSE);
    if (child == nullptr) {
        impl_->failed = true;
        return false;
    }
    impl_->stream.reset(child);
    return true;
}

bool CompoundWriter::Write(const void* data, std::size_t count) {
    if (!impl_->stream) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    const bool written =
        gsf_output_write(impl_->stream.get(), count, static_cast<const guint8*>(data));
    impl_->failed |= !written;
    return written;
}

bool CompoundWriter::EndStream() {
    if (!impl_->stream) {
        return false;
    }
    const bool closed = gsf_output_close(impl_->stream.get());
    impl_->stream.reset();
    impl_->failed |= !closed;
    return closed;
}

bool CompoundWriter::Close() {
    if (impl_->stream) {
        EndStream();
    }
    while (impl_->storages.size() > 1) {
        EndStorage();
    }
    bool closed = false;
    if (!impl_->storages.empty()) {
        closed = gsf_output_close(GSF_OUTPUT(impl_->storages.back().get()));
        impl_->storages.clear();
    }
    if (impl_->sink) {
        if (!gsf_output_is_closed(impl_->sink.get())) {
            closed &= gsf_output_close(impl_->sink.get());
        }
        impl_->sink.reset();
    }
    return closed && !impl_->failed;
}

} // namespace embedded
