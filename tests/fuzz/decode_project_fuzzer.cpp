// Feeds arbitrary bytes to the project reader. Whatever reads must write again and read back to
// an equal deck; nothing may crash, leak or read out of bounds.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/model/project_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mosavelle;
    const auto project = decodeProject(Bytes(data, size));
    if (!project.ok())
        return 0;
    const auto text = encodeProject(*project);
    if (!text.ok())
        std::abort();  // a decoded deck always holds finite reals and valid dates
    const auto again = decodeProject(*text);
    if (!again.ok() || !(*again == *project))
        std::abort();
    return 0;
}
