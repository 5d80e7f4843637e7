#pragma once

#include "core/model/project.h"
#include "core/platform/bytes.h"
#include "core/platform/result.h"

namespace mosavelle {

// The JSON text of "project.json": members in ascending name order at every level, laid out for
// reading, optional members left out when absent, fallback members always written. Fails only
// when a real field is not a finite number.
Result<Bytes> encodeProject(const Project& project);

// Reads "project.json" strictly: required members, exact JSON types, whole 64-bit integers,
// case-sensitive enumerations, strict identifiers and dates; unknown members are ignored.
// A formatVersion of 2 or more fails; any smaller value reads as 1. Never throws.
Result<Project> decodeProject(const Bytes& bytes);

// "default-settings.json": the same rules, written compactly.
Result<Bytes> encodeDefaults(const DocumentDefaults& defaults);
Result<DocumentDefaults> decodeDefaults(const Bytes& bytes);

}  // namespace mosavelle
