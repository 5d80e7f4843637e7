#include "core/import/vips_runtime.h"

#include <mutex>

namespace mosavelle {

namespace {

// Loaders that read documents, vector drawings or scientific data rather than pictures.
constexpr const char* kBlockedLoaders[] = {
    "VipsForeignLoadPdf",   "VipsForeignLoadSvg",     "VipsForeignLoadOpenslide",
    "VipsForeignLoadCsv",   "VipsForeignLoadMatrix",  "VipsForeignLoadFits",
    "VipsForeignLoadMat",   "VipsForeignLoadAnalyze", "VipsForeignLoadRaw",
    "VipsForeignLoadNifti", "VipsForeignLoadVips",
};

bool startVips() {
    if (VIPS_INIT("mosavelle") != 0) {
        vips_error_clear();
        return false;
    }
    vips_cache_set_max(0);
    for (const char* loader : kBlockedLoaders) {
        // Unknown names (a loader this libvips was built without) are ignored by libvips.
        vips_operation_block_set(loader, TRUE);
    }
    return true;
}

}  // namespace

bool ensureVipsStarted() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] { started = startVips(); });
    return started;
}

}  // namespace mosavelle
