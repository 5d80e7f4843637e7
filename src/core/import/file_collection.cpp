#include "core/import/file_collection.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include <unicode/uchar.h>

#include "core/import/file_names.h"
#include "core/platform/hex.h"
#include "core/platform/names.h"

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

bool isHidden(const fs::path& path) {
    const std::string name = path.filename().string();
    return !name.empty() && name.front() == '.';
}

// The children of `folder` sorted by name bytes, so that the listing (and with it the order of
// equivalent names after the stable name sort) does not depend on the file system. Stops quietly
// at the first error.
std::vector<fs::directory_entry> sortedChildren(const fs::path& folder) {
    std::vector<fs::directory_entry> out;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
        out.push_back(*it);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });
    return out;
}

bool isFolder(const fs::directory_entry& entry) {
    std::error_code ec;
    return entry.is_directory(ec);  // follows links: a link to a folder is a folder too
}

void collectTopLevel(const fs::path& folder, std::vector<fs::path>& out) {
    for (const auto& entry : sortedChildren(folder)) {
        if (isHidden(entry.path()) || !hasImportableExtension(entry.path()) || isFolder(entry))
            continue;
        out.push_back(entry.path());
    }
}

// Depth first, children in name order. Links to folders are listed as nothing and never entered.
void collectTree(const fs::path& root, std::vector<fs::path>& out) {
    std::vector<fs::path> pending{root};
    while (!pending.empty()) {
        const fs::path folder = std::move(pending.back());
        pending.pop_back();
        std::vector<fs::path> subfolders;
        for (const auto& entry : sortedChildren(folder)) {
            std::error_code ec;
            const bool link = entry.is_symlink(ec);
            if (!link && entry.is_directory(ec)) {
                subfolders.push_back(entry.path());
                continue;
            }
            if (hasImportableExtension(entry.path()) && !isFolder(entry))
                out.push_back(entry.path());
        }
        // Reversed onto the stack so that the first subfolder is visited first.
        for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it)
            pending.push_back(std::move(*it));
    }
}

Text readFailureText(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Text{TextId::fileNoLongerExists};
        case EACCES:
        case EPERM:
            return Text{TextId::fileNoPermission};
        case ELOOP:
            return Text{TextId::fileLinkLoop};
        default:
            return Text{TextId::fileNotRead, {std::system_category().message(error)}};
    }
}

bool isURLSpace(unsigned char c) {
    return c <= 0x20 || c == 0x7F;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && asciiLowercased(text.substr(0, prefix.size())) == prefix;
}

// The path of a file URL; nothing for other URLs and for text that is not a well-formed URL
// (spaces, control characters, broken percent escapes, an escaped zero byte).
std::optional<fs::path> fileURLPath(std::string_view url) {
    if (!startsWithNoCase(url, "file:"))
        return std::nullopt;
    if (std::any_of(url.begin(), url.end(), [](char c) { return isURLSpace(c); }))
        return std::nullopt;
    std::string_view rest = url.substr(5);
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const auto slash = rest.find('/');
        if (slash == std::string_view::npos)
            return std::nullopt;
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && asciiLowercased(host) != "localhost")
            return std::nullopt;
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest.front() != '/')
        return std::nullopt;
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path.push_back(rest[i]);
            continue;
        }
        if (i + 2 >= rest.size())
            return std::nullopt;
        const int high = hexDigitValue(rest[i + 1]);
        const int low = hexDigitValue(rest[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        path.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return fs::path(path);
}

bool isTrimmable(std::int32_t c) {
    return c >= 0 && (u_isUWhiteSpace(c) || u_iscntrl(c));
}

std::optional<fs::path> pathFromText(std::string_view text) {
    const std::string_view trimmed = trimmedUTF8(text, isTrimmable);
    if (auto path = fileURLPath(trimmed))
        return path;
    if (!trimmed.empty() && trimmed.front() == '/' && trimmed.find('\0') == std::string_view::npos)
        return fs::path(std::string(trimmed));
    return std::nullopt;
}

}  // namespace

bool hasImportableExtension(const fs::path& path) {
    const std::string extension = asciiLowercased(pathExtension(path.filename().string()));
    return std::find(importableExtensions.begin(), importableExtensions.end(), extension) !=
           importableExtensions.end();
}

std::vector<fs::path> collectImageFiles(const std::vector<fs::path>& urls, bool includeSubfolders) {
    std::vector<fs::path> found;
    for (const auto& url : urls) {
        std::error_code ec;
        const fs::file_status status = fs::status(url, ec);
        if (ec || !fs::exists(status))
            continue;
        if (fs::is_directory(status)) {
            if (includeSubfolders)
                collectTree(url, found);
            else
                collectTopLevel(url, found);
        } else if (hasImportableExtension(url)) {
            found.push_back(url);
        }
    }

    std::vector<std::pair<FileNameKey, std::size_t>> keys;
    keys.reserve(found.size());
    for (std::size_t i = 0; i < found.size(); ++i)
        keys.emplace_back(FileNameKey(found[i].filename().string()), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<fs::path> sorted;
    sorted.reserve(found.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(found[key.second]));
    return sorted;
}

bool containsFolder(const std::vector<fs::path>& urls) {
    return std::any_of(urls.begin(), urls.end(), [](const fs::path& url) {
        std::error_code ec;
        return fs::is_directory(url, ec);
    });
}

Result<Bytes> readWholeFile(const fs::path& path, FileSystem& files) {
    auto bytes = files.readFile(path, true, maxImportFileBytes);
    if (bytes)
        return std::move(*bytes);
    const auto refused = [](TextId id) { return errorSaying(Text{id}, ErrorCode::unsupported); };
    switch (const ReadFailure& failure = bytes.error(); failure.cause) {
        case ReadFailure::Cause::folder:
            return refused(TextId::fileIsFolder);
        case ReadFailure::Cause::notRegularFile:
            return refused(TextId::fileNotRegular);
        case ReadFailure::Cause::tooLarge:
            return refused(TextId::fileTooLargeForPicture);
        case ReadFailure::Cause::system:
            return errorSaying(readFailureText(failure.errorNumber),
                               errorCodeOfErrno(failure.errorNumber));
    }
    return bytes.error().clause;
}

std::optional<fs::path> dropItemFileURL(const DroppedValue& value) {
    if (const auto* url = std::get_if<DroppedURL>(&value))
        return fileURLPath(url->text);
    if (const auto* text = std::get_if<std::string>(&value))
        return pathFromText(*text);
    std::string_view bytes = std::get<Bytes>(value).view();
    bytes = bytes.substr(0, bytes.find('\0'));
    if (auto path = fileURLPath(bytes))
        return path;
    return pathFromText(bytes);
}

}  // namespace mosavelle
