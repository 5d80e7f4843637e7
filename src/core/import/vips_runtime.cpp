#include "core/import/detail/vips_runtime.h"

#include <mutex>

namespace mosavelle {

namespace {

// Loaders that read documents, vector drawings or scientific data rather than pictures.
constexpr const char* kBlockedLoaders[] = {
    "VipsForeignLoadPdf", "VipsForeignLoadSvg",     "VipsForeignLoadOpenslide",
    "VipsForeignLoadCsv", "VipsForeignLoadMatrix",  "VipsForeignLoadFits",
    "VipsForeignLoadMat", "VipsForeignLoadAnalyze", "VipsForeignLoadNifti",
};

// libvips reports recoverable oddities of a file (an ignored colour profile, a short read) as
// GLib warnings on stderr. Failures reach callers as return values; the notes are dropped.
void dropLibraryWarning(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

bool startVips() {
    if (VIPS_INIT("mosavelle") != 0) {
        vips_error_clear();
        return false;
    }
    vips_cache_set_max(0);
    // Callers run pictures in parallel on workers of their own (import, export, thumbnails), so
    // each picture's pipeline gets one libvips worker (beside the thread that writes its output):
    // libvips' default of one per core would put twice as many threads as cores on every core.
    // The VIPS_CONCURRENCY variable still overrides it.
    if (g_getenv("VIPS_CONCURRENCY") == nullptr)
        vips_concurrency_set(1);
    g_log_set_handler("VIPS",
                      static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                      dropLibraryWarning, nullptr);
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
