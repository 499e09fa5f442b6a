#include "cli/progress.h"

#include <cstdio>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace voxbank {

namespace {

bool StderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

}  // namespace

ProgressBar::ProgressBar(std::string what)
    : what_(std::move(what)), terminal_(StderrIsTerminal()), start_(std::chrono::steady_clock::now())
{
}

void ProgressBar::Show(uint64_t done, uint64_t total)
{
    using namespace std::chrono_literals;
    if (!terminal_ || total == 0)
        return;
    auto now = std::chrono::steady_clock::now();
    if (now - start_ < 1s || (shown_ > 0 && now - drawn_ < 100ms))
        return;
    drawn_ = now;
    const int width = 40;
    int filled = (int)(done >= total ? width : width * done / total);
    std::string line = "\r" + what_ + " [" + std::string(filled, '#') + std::string(width - filled, '.') + "] " +
                       std::to_string(done >= total ? 100 : 100 * done / total) + "%";
    fputs(line.c_str(), stderr);
    fflush(stderr);
    shown_ = line.size() - 1;
}

void ProgressBar::Clear()
{
    if (shown_ == 0)
        return;
    fprintf(stderr, "\r%*s\r", (int)shown_, "");
    fflush(stderr);
    shown_ = 0;
}

}  // namespace voxbank
