#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/model/enums.h"
#include "core/model/package.h"
#include "core/model/project.h"

namespace mosavelle {

// What the export sheet shows before an export starts. Pure functions of the deck; cheap enough
// for the interface thread (they read byte counts and pixel sizes from the records, never bytes,
// and lay out the exported slides as an export does).

// The expected size of the exported package in bytes, or nothing when the exported slides show no
// stored picture bytes at all (no picture, or only pictures whose bytes are missing or empty).
// Best, which stores most pictures as they are: the stored bytes of every picture slot of every
// exported slide, repeats included, plus 80,000 bytes of package overhead. Balanced and small,
// which write every usable picture once, reduced to the pixel size of its first placement: per
// picture that pixel count times the bytes per pixel of the preset's JPEG quality (a PNG's stored
// bytes scaled with its pixel count instead), never more than its stored bytes, plus the same
// overhead.
std::optional<std::int64_t> estimatedFileSize(const Project& project, const ImageDataMap& imageData,
                                              QualityPreset quality);

// The name proposed when the deck is exported: the deck's suggested base name + ".pptx"; while
// that is empty or still the default "Presentation", the project's own name (`projectName`, the
// saved package's name) when it has one; else the first picture's original name with ".pptx" in
// place of its extension; without pictures, "Presentation.pptx". Path separators in the name
// become hyphens, so the result is always a single file name.
std::string suggestedFileName(const Project& project, std::string_view projectName = {});

}  // namespace mosavelle
