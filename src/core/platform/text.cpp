#include "core/platform/text.h"

namespace mosavelle {

std::string englishText(const Text& text) {
    std::vector<std::string> values = text.arguments;
    for (const Text& quote : text.quotes)
        values.push_back(englishText(quote));
    const std::string_view pattern = englishTemplate(text.id);
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char digit = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && digit >= '1' && digit <= '9') {
            const auto index = static_cast<std::size_t>(digit - '1');
            if (index < values.size())
                out += values[index];
            ++i;
            continue;
        }
        out += pattern[i];
    }
    return out;
}

}  // namespace mosavelle
