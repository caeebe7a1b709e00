#include "archive/write_checked_files.h"

#include "platform/archive_files.h"

namespace {

const zlib_filefunc64_def& Platform(voidpf opaque) {
    return static_cast<WriteCheckedFiles*>(opaque)->platform;
}

voidpf ZCALLBACK Open(voidpf opaque, const void* filename, int mode) {
    return Platform(opaque).zopen64_file(Platform(opaque).opaque, filename, mode);
}

uLong ZCALLBACK Read(voidpf opaque, voidpf stream, void* buffer, uLong size) {
    return Platform(opaque).zread_file(Platform(opaque).opaque, stream, buffer, size);
}

uLong ZCALLBACK Write(voidpf opaque, voidpf stream, const void* buffer, uLong size) {
    const uLong written =
        Platform(opaque).zwrite_file(Platform(opaque).opaque, stream, buffer, size);
    if (written != size) {
        static_cast<WriteCheckedFiles*>(opaque)->writeFailed = true;
    }
    return written;
}

ZPOS64_T ZCALLBACK Tell(voidpf opaque, voidpf stream) {
    return Platform(opaque).ztell64_file(Platform(opaque).opaque, stream);
}

long ZCALLBACK Seek(voidpf opaque, voidpf stream, ZPOS64_T offset, int origin) {
    return Platform(opaque).zseek64_file(Platform(opaque).opaque, stream, offset, origin);
}

int ZCALLBACK Close(voidpf opaque, voidpf stream) {
    return Platform(opaque).zclose_file(Platform(opaque).opaque, stream);
}

int ZCALLBACK Error(voidpf opaque, voidpf stream) {
    return Platform(opaque).zerror_file(Platform(opaque).opaque, stream);
}

} // namespace

void InitWriteCheckedFiles(WriteCheckedFiles& files) {
    if (const zlib_filefunc64_def* platform = ArchiveFileFunctions()) {
        files.platform = *platform;
    } else {
        fill_fopen64_filefunc(&files.platform);
    }
    files.functions = zlib_filefunc64_def{Open, Read, Write, Tell, Seek, Close, Error, &files};
    files.writeFailed = false;
}
