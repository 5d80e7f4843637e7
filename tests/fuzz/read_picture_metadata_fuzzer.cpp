// Feeds arbitrary bytes to the picture metadata reader. Any crash, sanitizer report, text that is
// not clean bounded UTF-8 or a position off the globe is a finding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include <unicode/utf8.h>

#include "core/import/metadata_reader.h"

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

void requireCleanText(const std::string& text) {
    require(!text.empty() && text.front() != ' ' && text.back() != ' ');
    std::size_t codePoints = 0;
    for (int32_t i = 0; i < static_cast<int32_t>(text.size()); ++codePoints) {
        UChar32 c = 0;
        U8_NEXT(text.data(), i, static_cast<int32_t>(text.size()), c);
        require(c >= 0x20 && c != 0x7F);
    }
    require(codePoints <= mosavelle::maxMetadataTextLength);
}

void requireCleanText(const std::optional<std::string>& text) {
    if (text)
        requireCleanText(*text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mosavelle;
    const PictureMetadata m = readPictureMetadata({data, size});
    for (const auto* text : {&m.title, &m.description, &m.city, &m.country, &m.artist,
                             &m.cameraMake, &m.cameraModel, &m.bodySerialNumber})
        requireCleanText(*text);
    require(m.keywords.size() <= maxMetadataKeywords);
    for (const auto& keyword : m.keywords)
        requireCleanText(keyword);
    if (m.position)
        require(std::abs(m.position->latitude) <= 90 && std::abs(m.position->longitude) <= 180);
    if (m.captured && m.captured->utcOffsetMinutes)
        require(std::abs(*m.captured->utcOffsetMinutes) <= 14 * 60);
    return 0;
}
