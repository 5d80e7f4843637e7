#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace mosavelle::cli {

// Where the tool talks to its user. Results go to standard output; everything else (errors,
// import notes, progress) goes to standard error, so that output can be piped.
//
// Progress is drawn on one self-overwriting line and only when standard error is a terminal and
// the user did not ask for quiet; a script that captures standard error sees errors and notes only.
class Console {
public:
    // `err` is normally stderr; `interactive` decides whether progress is drawn.
    Console(std::FILE* err, bool interactive) : err_(err), interactive_(interactive) {}

    // A console on the process's standard error, interactive when it is a terminal.
    static Console standard();

    void setQuiet(bool quiet) { quiet_ = quiet; }
    bool showsProgress() const { return interactive_ && !quiet_; }

    // One complete sentence, prefixed with the program name. Clears any progress line first.
    void error(std::string_view sentence);

    // Text for the user that is not an error (import notes). Printed even when quiet: notes tell
    // of pictures that were left out, which a quiet run must not hide.
    void note(std::string_view text);

    // Writes a command's result to standard output. False when it could not be written (a
    // closed pipe, a full disk), which the caller reports as an output failure.
    bool printResult(std::string_view text);

    // Redraws the progress line: the message and the fraction (0...1) as a whole percentage.
    void progress(double fraction, std::string_view message);
    // Ends the progress line, if one is shown.
    void endProgress();

private:
    std::FILE* err_;
    bool interactive_;
    bool quiet_ = false;
    bool progressShown_ = false;
};

}  // namespace mosavelle::cli
