// A progress bar on stderr for work that takes longer than about a second, and only when
// stderr is a terminal: scripts and logs never see it.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace voxbank {

class ProgressBar {
public:
    explicit ProgressBar(std::string what);
    ~ProgressBar() { Clear(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Show(uint64_t done, uint64_t total);
    // Takes the bar off the line, so that other output starts on a clean one.
    void Clear();

private:
    std::string what_;
    bool terminal_;
    std::chrono::steady_clock::time_point start_, drawn_;
    size_t shown_ = 0;  // characters on the line now
};

}  // namespace voxbank
