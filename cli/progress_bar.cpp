#include "cli/progress_bar.h"

#include "cli/run_summary.h"

#include <algorithm>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace cli {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string Elapsed(double seconds) {
    const long whole = static_cast<long>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

ProgressBar::ProgressBar(std::ostream& out, bool shown, int width)
    : out(out), shown(shown), width(width), started(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() {
    Clear();
}

std::string ProgressBar::Line(std::size_t done, std::size_t total, std::uint64_t files,
                              std::uint64_t bytes, double seconds, int columns) {
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    char counts[160];
    std::snprintf(counts, sizeof counts, " %3d%%  %zu/%zu messages  %llu files  %s  %s", percent,
                  done, total, static_cast<unsigned long long>(files), HumanBytes(bytes).c_str(),
                  Elapsed(seconds).c_str());
    const std::string tail = counts;
    // The bar takes what the counts leave, within bounds that keep it readable.
    int barWidth = columns - 1 - static_cast<int>(tail.size()) - 2;
    if (barWidth > 40) {
        barWidth = 40;
    }
    if (barWidth < 10) {
        return tail.substr(1, static_cast<std::size_t>(std::max(columns - 1, 0)));
    }
    const int filled = total == 0 ? barWidth : static_cast<int>(done * barWidth / total);
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(barWidth - filled), '.') + "]" + tail;
}

void ProgressBar::Show(std::size_t done, std::size_t total, std::uint64_t files,
                       std::uint64_t bytes) {
    this->done = done;
    this->total = total;
    this->files = files;
    this->bytes = bytes;
    const auto now = std::chrono::steady_clock::now();
    if (drawn && done != 0 && done != total && now - lastDrawn < kRedrawInterval) {
        return;
    }
    lastDrawn = now;
    Draw();
}

void ProgressBar::Draw() {
    if (!shown) {
        return;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    out << "\r" << Line(done, total, files, bytes, seconds, width) << "\x1b[K" << std::flush;
    drawn = true;
}

void ProgressBar::Say(const std::string& line) {
    const bool redraw = drawn;
    Clear();
    out << line << "\n" << std::flush;
    if (redraw) {
        Draw();
    }
}

void ProgressBar::Clear() {
    if (drawn) {
        out << "\r\x1b[K" << std::flush;
        drawn = false;
    }
}

int TerminalColumns(int descriptor) {
    winsize size{};
    if (::ioctl(descriptor, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

} // namespace cli
