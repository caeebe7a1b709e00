// What the module did through the platform, as it happened: the files it wrote and removed,
// the attachments it opened, the programs it could not start and the calls that failed with
// the system's reason. A host that reports a run (the command-line host's summary, progress
// and warnings) is told from here, without a word from the module itself.
#pragma once

#include "platform/win_types.h"

#include <string>

namespace embedded {

// An attachment as the store handed it out: its method and the names the module can take.
struct OpenedAttachment {
    LONG method = 0;
    std::string longFileName;
    std::string fileName;
    std::string displayName;
};

class RunWatcher {
  public:
    virtual ~RunWatcher() = default;
    // A file now holds complete content this process wrote: closed after writing without a
    // failed write, or renamed into place.
    virtual void FileWritten(const std::string& nativePath) { (void)nativePath; }
    virtual void FileRemoved(const std::string& nativePath) { (void)nativePath; }
    virtual void FileMoved(const std::string& from, const std::string& to) {
        (void)from;
        (void)to;
    }
    // An archive opened for reading through the archive library.
    virtual void ArchiveRead(const std::string& nativePath) { (void)nativePath; }
    virtual void AttachmentOpened(const OpenedAttachment& attachment) { (void)attachment; }
    // ShellExecuteA answered `code` (32 or less): nothing started.
    virtual void LaunchFailed(const std::string& file, const std::string& parameters, int code) {
        (void)file;
        (void)parameters;
        (void)code;
    }
    // A call failed on `object` (a native path, a message file) for `reason`, in words.
    virtual void CallFailed(const std::string& operation, const std::string& object,
                            const std::string& reason) {
        (void)operation;
        (void)object;
        (void)reason;
    }
};

// The watcher told from now on; null: none (the default).
void SetRunWatcher(RunWatcher* watcher);
// The watcher, or null. Platform rooms call it where the event happens.
RunWatcher* CurrentRunWatcher();

// For a failing native call: tells the watcher, if any, the operation, the object and the
// system's text for `error` (an errno).
void NoteFailedCall(const char* operation, const std::string& object, int error);

} // namespace embedded
