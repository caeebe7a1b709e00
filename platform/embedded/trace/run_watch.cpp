#include "platform/embedded/trace/run_watch.h"

#include <cstring>

namespace embedded {
namespace {

RunWatcher*& Watcher() {
    static RunWatcher* watcher = nullptr;
    return watcher;
}

} // namespace

void SetRunWatcher(RunWatcher* watcher) {
    Watcher() = watcher;
}

RunWatcher* CurrentRunWatcher() {
    return Watcher();
}

void NoteFailedCall(const char* operation, const std::string& object, int error) {
    if (RunWatcher* watcher = Watcher()) {
        watcher->CallFailed(operation, object, std::strerror(error));
    }
}

} // namespace embedded
