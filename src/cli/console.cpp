#include "cli/console.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace mosavelle::cli {

Console Console::standard() {
    return Console(stderr, ::isatty(STDERR_FILENO) == 1);
}

void Console::error(std::string_view sentence) {
    endProgress();
    std::fprintf(err_, "mosavelle-cli: %.*s\n", static_cast<int>(sentence.size()), sentence.data());
    std::fflush(err_);
}

void Console::note(std::string_view text) {
    endProgress();
    std::fprintf(err_, "%.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(err_);
}

bool Console::printResult(std::string_view text) {
    endProgress();
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                         std::fputc('\n', stdout) != EOF;
    return std::fflush(stdout) == 0 && written;
}

void Console::progress(double fraction, std::string_view message) {
    if (!showsProgress())
        return;
    if (!std::isfinite(fraction))
        fraction = 0;
    const int percent = static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * 100));
    // Carriage return and erase-line redraw the one line in place.
    std::fprintf(err_, "\r\033[K%3d%%  %.*s", percent, static_cast<int>(message.size()),
                 message.data());
    std::fflush(err_);
    progressShown_ = true;
}

void Console::endProgress() {
    if (!progressShown_)
        return;
    std::fputs("\r\033[K", err_);
    std::fflush(err_);
    progressShown_ = false;
}

}  // namespace mosavelle::cli
