#pragma once

#include <memory>

#include <vips/vips.h>

namespace mosavelle {

// Starts libvips once for the whole process. Safe to call from any thread, any number of times;
// only the first call does the work. Returns false when libvips could not start, in which case no
// other libvips call may be made.
//
// The start-up also fixes process-wide choices that every caller relies on:
// - the operation cache is off, so an image opened over one buffer can never be served for a
//   later, different buffer that happens to reuse the same address, and no decoded pixels
//   outlive the call that made them;
// - the dedicated loaders for documents and data rather than pictures (PDF, SVG, scientific
//   formats) are blocked. The general-purpose ImageMagick loader stays available, so callers
//   still choose which loader may read a given file;
// - libvips' warnings about odd files are not printed (failures still reach the caller);
// - each image pipeline runs on one libvips worker thread (unless VIPS_CONCURRENCY says
//   otherwise): callers parallelise over pictures themselves.
bool ensureVipsStarted();

// Makes libvips start without its modules (the HEIF, JPEG XL and general-purpose loaders), which
// take longer to load than a whole export of JPEG files at best quality takes to plan, so that
// `ensureVipsModules` loads them only when a picture needs one. Call it before libvips starts
// and before any other thread does: it sets an environment variable. Without it, the modules load
// at start.
void deferVipsModules();

// `ensureVipsStarted`, then the modules if they were deferred and are not loaded yet; what they
// bring is blocked as at start. Any thread.
bool ensureVipsModules();

// Owning handle for any libvips object (images, sources, targets): releases its reference on
// destruction.
struct VipsObjectRelease {
    void operator()(void* object) const {
        if (object != nullptr)
            g_object_unref(object);
    }
};
template <class T>
using VipsHandle = std::unique_ptr<T, VipsObjectRelease>;
using VipsImageHandle = VipsHandle<VipsImage>;

}  // namespace mosavelle
