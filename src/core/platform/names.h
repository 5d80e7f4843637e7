#pragma once

#include <concepts>
#include <filesystem>
#include <string>
#include <string_view>

namespace mosavelle {

// `text` between typographic double quotes, as every sentence names a file or a value:
// “holiday.jpg”.
// (The `std::string` form outranks `std::quoted`, which argument-dependent lookup also finds.)
std::string quoted(std::string_view text);
std::string quoted(const std::string& text);
template <class Path>
requires std::same_as<Path, std::filesystem::path> std::string quoted(const Path& path) {
    return quoted(std::string_view(path.native()));
}

// The extension of a file name: the text after its last full stop. A name with no full stop, a
// name whose only full stop is its first character (".hidden") and a name ending in a full stop
// have no extension (empty result).
std::string_view pathExtension(std::string_view name);

// The name without its extension and the full stop before it; unchanged when it has none.
// "photo.final.jpg" gives "photo.final".
std::string_view deletingPathExtension(std::string_view name);

// ASCII lower case; other bytes (including UTF-8 sequences) are kept.
std::string asciiLowercased(std::string_view text);

}  // namespace mosavelle
