// What a run of the module did, told from the run itself as the platform saw it: the files it
// wrote and their bytes, the attachments it passed over and why, the steps that failed
// although the module went on (a command not started, an archive entry not unzipped), and the
// reason in words of the last failure, for a stop. Files other programs write, and files the
// run only began, are not counted.
#pragma once

#include "platform/embedded/trace/run_watch.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace cli {

class RunSummary final : public embedded::RunWatcher {
  public:
    // `say` gets each warning line as it happens; `excluded` are native paths whose rewrites
    // are no saved files (the selected messages themselves).
    RunSummary(std::function<void(const std::string&)> say, std::set<std::string> excluded);
    ~RunSummary() override;
    RunSummary(const RunSummary&) = delete;
    RunSummary& operator=(const RunSummary&) = delete;

    // The name filter in force: an attachment left out by it is said to be.
    void SetNameFilter(const std::string& filter) { nameFilter = filter; }
    // A new message begins (`name` as the person named it); the one before is settled.
    void MessageBegins(const std::string& name);
    // The run is over: what is still open is settled, archives unzipped are checked.
    void RunEnds();
    // The message the run stopped at is not settled: its open attachment was not passed over.
    void RunStopped();

    std::uint64_t Files() const { return written.size(); }
    std::uint64_t Bytes() const;
    std::uint64_t PassedOver() const { return passedOver; }
    std::uint64_t FailedSteps() const { return failedSteps; }
    // The last failure the platform saw in the current message, in words; empty if none.
    const std::string& LastFailure() const { return lastFailure; }

    void FileWritten(const std::string& nativePath) override;
    void FileRemoved(const std::string& nativePath) override;
    void FileMoved(const std::string& from, const std::string& to) override;
    void ArchiveRead(const std::string& nativePath) override;
    void AttachmentOpened(const embedded::OpenedAttachment& attachment) override;
    void LaunchFailed(const std::string& file, const std::string& parameters, int code) override;
    void CallFailed(const std::string& operation, const std::string& object,
                    const std::string& reason) override;

  private:
    void SettleAttachment();
    void CheckUnzipped(const std::string& archive);

    std::function<void(const std::string&)> say;
    std::set<std::string> excluded;
    std::map<std::string, std::uint64_t> written;
    std::vector<std::string> archivesRead;
    std::string message;
    std::string nameFilter;
    // The attachment by value opened last, until a file is written for it.
    std::optional<embedded::OpenedAttachment> open;
    bool openGotFile = false;
    std::uint64_t passedOver = 0;
    std::uint64_t failedSteps = 0;
    std::string lastFailure;
};

// "1.5 KiB": bytes in the binary units people read.
std::string HumanBytes(std::uint64_t bytes);

} // namespace cli
