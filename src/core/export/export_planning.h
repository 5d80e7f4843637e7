#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/model/enums.h"
#include "core/model/package.h"
#include "core/model/project.h"

namespace mosavelle {

// What the export sheet shows before an export starts. Pure functions of the deck; cheap enough
// for the interface thread (they read byte counts, never bytes).

// The expected size of the exported package in bytes, or nothing when the exported slides show no
// stored picture bytes at all (no picture, or only pictures whose bytes are missing or empty).
// Every picture slot of every exported slide counts, repeats included; best adds 80,000 bytes of
// package overhead to the total, balanced and small scale the total by 0.55 and 0.28 (whole
// bytes) before adding it.
std::optional<std::int64_t> estimatedFileSize(const Project& project, const ImageDataMap& imageData,
                                              QualityPreset quality);

// The name proposed when the deck is exported: the deck's suggested base name + ".pptx"; without
// one, the first picture's original name with ".pptx" in place of its extension; without
// pictures, "Presentation.pptx". Path separators in the name become hyphens, so the result is
// always a single file name.
std::string suggestedFileName(const Project& project);

}  // namespace mosavelle
