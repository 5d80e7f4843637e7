#pragma once

#include <string>

#include "core/model/package.h"
#include "core/platform/names.h"
#include "core/platform/result.h"

namespace mosavelle::cli {

// Reads the project package at `path`, put back first when a killed save left it set aside (and
// nobody is saving it). The error is one sentence naming the path: the package is missing, is not
// a project, or is damaged.
Result<PackageSnapshot> openProject(const std::string& path);

// Writes `snapshot` as the project package `path`, replacing an existing one only once the new
// one is complete. The error is one sentence naming the project.
Status saveProject(const PackageSnapshot& snapshot, const std::string& path);

}  // namespace mosavelle::cli
