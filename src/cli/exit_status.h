#pragma once

namespace mosavelle::cli {

// The process exit statuses, as documented in `mosavelle-cli --help`.
enum class ExitStatus : int {
    ok = 0,
    usage = 1,          // the command line itself is wrong
    badInput = 2,       // a missing input, an unreadable picture or project
    outputFailed = 3,   // the presentation (or a project) could not be written
    interrupted = 130,  // Ctrl-C or SIGTERM stopped the run before anything was written
};

inline int code(ExitStatus status) {
    return static_cast<int>(status);
}

}  // namespace mosavelle::cli
