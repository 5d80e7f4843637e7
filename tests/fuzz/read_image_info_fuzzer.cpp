// Feeds arbitrary bytes to the picture-facts reader. Any crash, sanitizer report or a result
// outside its documented ranges is a finding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <variant>

#include "core/import/image_metadata.h"
#include "core/import/image_source.h"

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

bool usableDpi(double dpi) {
    return dpi >= 1 && dpi <= 2048 && dpi == std::round(dpi);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mosavelle;
    // The metadata parser on its own, as a TIFF file or an EXIF block would reach it.
    if (const auto fields = readTiffFields({data, size}))
        (void)readCaptureDate(*fields);

    const auto source = openImageSource(Bytes(data, size));
    if (!source)
        return 0;
    const ImageInfoResult result = source->facts();
    if (const auto* info = std::get_if<DecodedImageInfo>(&result)) {
        require(info->pixelWidth >= 1 && info->pixelHeight >= 1);
        require(info->frameCount >= 1);
        require(usableDpi(info->dpiX) && usableDpi(info->dpiY));
        require(info->orientation >= 1 && info->orientation <= 8);
        require(!info->uti.empty());
    }
    return 0;
}
