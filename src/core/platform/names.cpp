#include "core/platform/names.h"

namespace mosavelle {

std::string quoted(std::string_view text) {
    return "\u201C" + std::string(text) + "\u201D";
}

std::string quoted(const std::string& text) {
    return quoted(std::string_view(text));
}

std::string_view pathExtension(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size())
        return {};
    return name.substr(dot + 1);
}

std::string_view deletingPathExtension(std::string_view name) {
    const auto extension = pathExtension(name);
    if (extension.empty())
        return name;
    return name.substr(0, name.size() - extension.size() - 1);
}

std::string asciiLowercased(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace mosavelle
