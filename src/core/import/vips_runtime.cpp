#include "core/import/detail/vips_runtime.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>

#include <gmodule.h>

namespace mosavelle {

namespace {

// Where this libvips keeps its modules (HEIF, JPEG XL, the general-purpose loader, documents).
constexpr const char* kModuleFolder = MOSAVELLE_VIPS_MODULE_FOLDER;

// Loaders that read documents, vector drawings or scientific data rather than pictures.
constexpr const char* kBlockedLoaders[] = {
    "VipsForeignLoadPdf", "VipsForeignLoadSvg",     "VipsForeignLoadOpenslide",
    "VipsForeignLoadCsv", "VipsForeignLoadMatrix",  "VipsForeignLoadFits",
    "VipsForeignLoadMat", "VipsForeignLoadAnalyze", "VipsForeignLoadNifti",
};

// libvips reports recoverable oddities of a file (an ignored colour profile, a short read) as
// GLib warnings on stderr. Failures reach callers as return values; the notes are dropped.
void dropLibraryWarning(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

void blockNonPictureLoaders() {
    for (const char* loader : kBlockedLoaders) {
        // Unknown names (a loader this libvips was built without) are ignored by libvips.
        vips_operation_block_set(loader, TRUE);
    }
}

// Set before libvips starts, when its modules are to load only once a picture needs one.
bool modulesDeferred = false;

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
    blockNonPictureLoaders();
    return true;
}

// Modules whose loaders read documents or slide scans: blocked anyway, so never loaded on demand.
constexpr const char* kDocumentModules[] = {"vips-poppler." G_MODULE_SUFFIX,
                                            "vips-openslide." G_MODULE_SUFFIX};

// What libvips does with its module folder at start: each module registers its operations when
// it is opened, and stays.
void loadModules(const char* folder) {
    GDir* dir = g_dir_open(folder, 0, nullptr);
    if (dir == nullptr)
        return;
    while (const char* name = g_dir_read_name(dir)) {
        const auto isDocumentModule = [name](const char* module) {
            return std::strcmp(name, module) == 0;
        };
        if (!g_str_has_suffix(name, "." G_MODULE_SUFFIX) ||
            std::any_of(std::begin(kDocumentModules), std::end(kDocumentModules), isDocumentModule))
            continue;
        gchar* path = g_build_filename(folder, name, nullptr);
        if (GModule* module = g_module_open(path, G_MODULE_BIND_LAZY))
            g_module_make_resident(module);
        g_free(path);
    }
    g_dir_close(dir);
}

}  // namespace

bool ensureVipsStarted() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] { started = startVips(); });
    return started;
}

void deferVipsModules() {
    // libvips loads its modules from $VIPSHOME/lib when VIPSHOME is set: a value under which no
    // folder can exist leaves them for `ensureVipsModules`. A VIPSHOME of the user's is kept,
    // and with it the loading at start, as is a libvips whose module folder is not where it was
    // at build time.
    if (g_getenv("VIPSHOME") != nullptr || !g_file_test(kModuleFolder, G_FILE_TEST_IS_DIR))
        return;
    modulesDeferred = g_setenv("VIPSHOME", "/dev/null", FALSE) != FALSE;
}

bool ensureVipsModules() {
    if (!ensureVipsStarted())
        return false;
    static std::once_flag once;
    std::call_once(once, [] {
        if (!modulesDeferred)
            return;
        loadModules(kModuleFolder);
        // The modules bring loaders of their own, documents among them.
        blockNonPictureLoaders();
    });
    return true;
}

}  // namespace mosavelle
