// Feeds arbitrary bytes to the picture metadata reader. Any crash, sanitizer report, or text that
// is not clean bounded UTF-8 is a finding.
#include <unicode/utf8.h>

#include <cstdlib>

#include "core/import/metadata_reader.h"

static void requireClean(const std::string& text) {
    std::size_t length = 0;
    for (int32_t i = 0; i < static_cast<int32_t>(text.size()); ++length) {
        UChar32 c = 0;
        U8_NEXT(text.data(), i, static_cast<int32_t>(text.size()), c);
        if (c < 0x20 || c == 0x7F)
            std::abort();
    }
    if (length == 0 || length > mosavelle::maxMetadataTextLength || text.back() == ' ')
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const mosavelle::PictureMetadata m = mosavelle::readPictureMetadata({data, size});
    for (const auto* text : {&m.title, &m.description, &m.city, &m.country, &m.artist,
                             &m.cameraMake, &m.cameraModel, &m.bodySerialNumber})
        if (*text)
            requireClean(**text);
    for (const auto& keyword : m.keywords)
        requireClean(keyword);
    return 0;
}
