// The progress of a many-files batch on standard error: on a terminal one
// bar line, redrawn in place (files finished of all, elapsed and remaining
// time, the file started last); otherwise one line per finished file. A
// failed file is reported with its reason, and a summary ends the run.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/job_pool.h"

namespace lintra {

// seconds as "m:ss", or "h:mm:ss" from an hour.
std::string FormatDuration(double seconds);

// The bar line, at most width columns: finished of total files after
// elapsed seconds, with current the file started last.
std::string ProgressBarLine(std::size_t finished, std::size_t total, double elapsed,
                            const std::string& current, int width);

class BatchProgress : public JobObserver {
public:
    // Reports on err, as a bar when bar is true; a finished job's standard
    // output goes to out as one block.
    BatchProgress(const std::vector<std::string>& inputs, std::FILE* err, std::FILE* out, bool bar);

    void Started(std::size_t index) override;
    void Finished(std::size_t index, const JobOutcome& outcome) override;
    void Waiting() override;
    // The closing line: files done and failed, and the time taken.
    void Summary();

private:
    double Elapsed() const;
    void ClearBar();
    void DrawBar();

    const std::vector<std::string>& m_inputs;
    std::FILE* m_err;
    std::FILE* m_out;
    bool m_bar;
    std::size_t m_done = 0;
    std::size_t m_failed = 0;
    std::string m_current;
    bool m_barShown = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_lastDraw;
};

}  // namespace lintra
