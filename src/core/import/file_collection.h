#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/platform/bytes.h"
#include "core/platform/file_system.h"
#include "core/platform/result.h"
#include "core/platform/stored_bytes.h"

namespace mosavelle {

// Finding picture files on disk and turning dropped values into file locations. A "URL" here is
// a file URL reduced to its path; other URLs never reach the file system.

// The lower-case extensions taken when scanning folders and when checking files given directly;
// a file qualifies when its lower-cased extension is one of them (".JPG" does).
inline constexpr std::array<std::string_view, 10> importableExtensions = {
    "jpg", "jpeg", "png", "gif", "bmp", "tif", "tiff", "webp", "heic", "heif"};

// The content types the open panel offers and drops are accepted as, in this order.
inline constexpr std::array<std::string_view, 8> importableContentTypes = {
    "public.jpeg", "public.png",           "com.compuserve.gif", "com.microsoft.bmp",
    "public.tiff", "org.webmproject.webp", "public.heic",        "public.heif"};

bool hasImportableExtension(const std::filesystem::path& path);

// The picture files under `urls`, sorted by last path component with `compareFileNames`
// (stable; folders play no part; a URL given twice is listed twice):
// - a path where nothing exists (or that cannot be examined, such as a symbolic-link loop) is
//   skipped silently;
// - a file is taken when its extension is importable;
// - a folder without subfolders: its immediate children with importable extensions, hidden
//   ones (name starting with ".") skipped;
// - a folder with subfolders: every file with an importable extension in the whole tree,
//   hidden files and folders included. Links to folders are not followed inside the tree, so a
//   link loop cannot recur.
// Folders are never taken as files, even when their names end in a picture extension. A folder
// or subfolder that cannot be read contributes what could be read of it and reports nothing.
std::vector<std::filesystem::path> collectImageFiles(const std::vector<std::filesystem::path>& urls,
                                                     bool includeSubfolders);

// Whether any of `urls` is a folder (following links); a path that cannot be examined counts as
// no folder. The window asks whether to include subfolders exactly when this is true.
bool containsFolder(const std::vector<std::filesystem::path>& urls);

// Files larger than this are refused rather than read: a picture is read whole into memory while
// it is imported, decoded or exported, and no camera or scanner picture comes near it.
inline constexpr std::uint64_t maxImportFileBytes = maxPictureFileBytes;

// Reads a whole regular file into memory through `files`. A failure carries one sentence saying
// why, for the import notes. Never blocks on special files (pipes, devices) and never reads files
// larger than `maxImportFileBytes` (also when one grows while it is read): they are refused.
Result<Bytes> readWholeFile(const std::filesystem::path& path,
                            FileSystem& files = realFileSystem());

// A value dropped from another application.
struct DroppedURL {
    std::string text;  // the URL as written, e.g. "file:///home/me/a.png"
};
using DroppedValue = std::variant<DroppedURL, std::string /* text */, Bytes>;

// The file location a dropped value names, if any:
// - a URL: its path when it is a file URL ("file:" with an empty or "localhost" host,
//   percent-escapes decoded); any other URL gives nothing;
// - a text: trimmed of white space, line breaks and control characters; a file URL as above,
//   else the text itself when it starts with "/"; otherwise nothing;
// - bytes: cut at the first zero byte; a file URL as above, else read as UTF-8 text as above.
std::optional<std::filesystem::path> dropItemFileURL(const DroppedValue& value);

}  // namespace mosavelle
