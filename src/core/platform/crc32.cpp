#include "core/platform/crc32.h"

#include <libdeflate.h>

namespace mosavelle {

std::uint32_t crc32Of(std::span<const std::uint8_t> data) {
    if (data.empty())
        return 0;
    return libdeflate_crc32(0, data.data(), data.size());
}

}  // namespace mosavelle
