// The progress of a run on a terminal: one line that redraws itself with a bar, the
// percentage, the messages, the files and their size, and the time so far, and is cleared at
// the end. Lines said meanwhile (warnings) go above it. Not on a terminal it draws nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace cli {

class ProgressBar {
  public:
    // `shown`: whether the stream is a terminal; `width`: its columns.
    ProgressBar(std::ostream& out, bool shown, int width);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Message `done` of `total` is under way; redrawn at most ten times a second, and always
    // for the first and the last message.
    void Show(std::size_t done, std::size_t total, std::uint64_t files, std::uint64_t bytes);
    // A whole line, above the bar (on any stream).
    void Say(const std::string& line);
    void Clear();

    // The text of the bar line, for `columns` columns.
    static std::string Line(std::size_t done, std::size_t total, std::uint64_t files,
                            std::uint64_t bytes, double seconds, int columns);

  private:
    void Draw();

    std::ostream& out;
    bool shown;
    int width;
    bool drawn = false;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastDrawn;
    std::size_t done = 0;
    std::size_t total = 0;
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// The columns of the terminal on `descriptor`, else 80.
int TerminalColumns(int descriptor);

} // namespace cli
