#pragma once

// Runs a program as a child process and collects what it printed, for end-to-end tests.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace mosavelle::testing {

struct ProcessResult {
    int status = -1;  // exit status, or -1 when the child did not exit normally
    std::string out;
    std::string err;

    // The standard error lines, without empty ones.
    std::vector<std::string> errLines() const {
        std::vector<std::string> lines;
        std::istringstream in(err);
        for (std::string line; std::getline(in, line);)
            if (!line.empty())
                lines.push_back(line);
        return lines;
    }
};

inline std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs `program` with `args`; standard output and error go to files in `scratch`.
inline ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args,
                                const std::filesystem::path& scratch) {
    std::string command = shellQuoted(program);
    for (const auto& arg : args)
        command += " " + shellQuoted(arg);
    const auto out = scratch / "child.out";
    const auto err = scratch / "child.err";
    command += " </dev/null >" + shellQuoted(out.string()) + " 2>" + shellQuoted(err.string());
    const int raw = std::system(command.c_str());
    ProcessResult result;
    result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = slurp(out);
    result.err = slurp(err);
    return result;
}

// A shell command line, run in `scratch`; its status and what it printed on either stream.
inline ProcessResult runShell(const std::string& command, const std::filesystem::path& scratch) {
    ProcessResult result = runProgram("sh", {"-c", command}, scratch);
    result.out += result.err;
    return result;
}

// The schema validator: MOSAVELLE_OOXML_VALIDATOR, else the one kept beside the repository.
inline std::filesystem::path presentationValidator() {
    if (const char* named = std::getenv("MOSAVELLE_OOXML_VALIDATOR"); named && *named)
        return named;
    return std::filesystem::path(MOSAVELLE_SOURCE_DIR) / ".." / "shared" / "tools" /
           "validate-pptx";
}

// LibreOffice converting `files` (shell-quoted, each after a space) to PDFs in `pdfs`, with a
// private profile under `scratch`.
inline ProcessResult convertToPdf(const std::string& files, const std::filesystem::path& pdfs,
                                  const std::filesystem::path& scratch) {
    std::filesystem::create_directories(pdfs);
    return runShell("soffice --headless --norestore -env:UserInstallation=file://" +
                        (scratch / "office-profile").string() + " --convert-to pdf --outdir " +
                        shellQuoted(pdfs.string()) + files,
                    scratch);
}

}  // namespace mosavelle::testing
