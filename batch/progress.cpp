#include "batch/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace lintra {
namespace {

constexpr int kBarCells = 20;
constexpr std::chrono::milliseconds kRedrawPause{200};

// Columns of a terminal, or 80.
int TerminalWidth(std::FILE* stream) {
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

// Columns text takes, counting each UTF-8 character as one.
int Columns(const std::string& text) {
    int columns = 0;
    for (unsigned char c : text) columns += (c & 0xC0) != 0x80;
    return columns;
}

// The last columns characters of text, "..." in front when some were cut.
std::string Tail(const std::string& text, int columns) {
    if (Columns(text) <= columns) return text;
    if (columns <= 3) return std::string(static_cast<std::size_t>(columns < 0 ? 0 : columns), '.');
    std::string::size_type start = text.size();
    for (int kept = 0; start > 0 && kept < columns - 3;) {
        --start;
        kept += (static_cast<unsigned char>(text[start]) & 0xC0) != 0x80;
    }
    return "..." + text.substr(start);
}

}  // namespace

std::string FormatDuration(double seconds) {
    long total = seconds < 0 ? 0 : static_cast<long>(seconds);
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

std::string ProgressBarLine(std::size_t finished, std::size_t total, double elapsed,
                            const std::string& current, int width) {
    const int filled = total == 0 ? kBarCells : static_cast<int>(finished * kBarCells / total);
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBarCells - filled), '-') + "] " +
                       std::to_string(finished) + "/" + std::to_string(total) + "  " +
                       FormatDuration(elapsed) + " elapsed, ";
    // The files still to come at the pace of those finished so far.
    if (finished == 0)
        line += "?:?? left";
    else
        line +=
            FormatDuration(elapsed / static_cast<double>(finished) * static_cast<double>(total - finished)) +
            " left";
    if (!current.empty()) line += "  " + current;
    return Columns(line) <= width ? line
                                  : line.substr(0, line.size() - current.size()) +
                                        Tail(current, width - (Columns(line) - Columns(current)));
}

BatchProgress::BatchProgress(const std::vector<std::string>& inputs, std::FILE* err, std::FILE* out, bool bar)
    : m_inputs(inputs), m_err(err), m_out(out), m_bar(bar) {}

double BatchProgress::Elapsed() const {
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - m_start;
    return seconds.count();
}

void BatchProgress::ClearBar() {
    if (!m_barShown) return;
    std::fputs("\r\033[K", m_err);
    m_barShown = false;
}

void BatchProgress::DrawBar() {
    if (!m_bar) return;
    // One column short of the width: a full line would wrap on some terminals.
    std::string line =
        ProgressBarLine(m_done + m_failed, m_inputs.size(), Elapsed(), m_current, TerminalWidth(m_err) - 1);
    std::fprintf(m_err, "\r%s\033[K", line.c_str());
    std::fflush(m_err);
    m_barShown = true;
    m_lastDraw = std::chrono::steady_clock::now();
}

void BatchProgress::Started(std::size_t index) {
    m_current = m_inputs[index];
    DrawBar();
}

void BatchProgress::Finished(std::size_t index, const JobOutcome& outcome) {
    ClearBar();
    const std::string& input = m_inputs[index];
    if (!outcome.out.empty()) {
        std::fputs(outcome.out.c_str(), m_out);
        std::fflush(m_out);
    }
    outcome.Succeeded() ? ++m_done : ++m_failed;
    const std::string position = std::to_string(m_done + m_failed) + "/" + std::to_string(m_inputs.size());
    if (outcome.Succeeded()) {
        // Messages of a file that went through (such as "OVER") are kept, named.
        std::string::size_type begin = 0;
        for (std::string::size_type end; (end = outcome.err.find('\n', begin)) != std::string::npos;
             begin = end + 1)
            std::fprintf(m_err, "%s: %s\n", input.c_str(), outcome.err.substr(begin, end - begin).c_str());
        if (begin < outcome.err.size())
            std::fprintf(m_err, "%s: %s\n", input.c_str(), outcome.err.substr(begin).c_str());
        if (!m_bar)
            std::fprintf(m_err, "%s done %s (%.1f s)\n", position.c_str(), input.c_str(), outcome.seconds);
    } else {
        std::fprintf(m_err, "%s FAILED %s: %s\n", position.c_str(), input.c_str(), outcome.Reason().c_str());
    }
    std::fflush(m_err);
    DrawBar();
}

void BatchProgress::Waiting() {
    if (m_bar && std::chrono::steady_clock::now() - m_lastDraw >= kRedrawPause) DrawBar();
}

void BatchProgress::Summary() {
    ClearBar();
    double elapsed = Elapsed();
    char time[32];
    if (elapsed < 60)
        std::snprintf(time, sizeof time, "%.1f s", elapsed);
    else
        std::snprintf(time, sizeof time, "%s", FormatDuration(elapsed).c_str());
    std::fprintf(m_err, "lintra-batch: %zu done, %zu failed, %s\n", m_done, m_failed, time);
    std::fflush(m_err);
}

}  // namespace lintra
