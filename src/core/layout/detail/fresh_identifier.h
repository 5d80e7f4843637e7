#pragma once

#include "core/platform/uuid.h"

namespace mosavelle {

// A new random (version 4) identifier for the logo frame and for the placeholder of an empty
// slot. These are made on every rendering, so they come from a per-thread generator seeded once
// from the system's random source instead of asking the system each time (which costs a system
// call and a lock per identifier). Thread-safe; never the all-zero identifier.
Uuid freshIdentifier();

}  // namespace mosavelle
