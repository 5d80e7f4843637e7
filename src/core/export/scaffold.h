#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "core/platform/bytes.h"
#include "core/platform/result.h"

namespace mosavelle {

// The fixed parts of every presentation package (theme, slide master, eleven slide layouts with
// layout 7 blank, their relationships, view properties, table styles), in the order they open
// the archive. The presentation properties hold the deck's show settings and are written with
// the other package parts.
inline constexpr std::array<std::string_view, 27> scaffoldPackagePaths{
    "ppt/theme/theme1.xml",
    "ppt/slideMasters/slideMaster1.xml",
    "ppt/slideMasters/_rels/slideMaster1.xml.rels",
    "ppt/viewProps.xml",
    "ppt/tableStyles.xml",
    "ppt/slideLayouts/slideLayout1.xml",
    "ppt/slideLayouts/_rels/slideLayout1.xml.rels",
    "ppt/slideLayouts/slideLayout2.xml",
    "ppt/slideLayouts/_rels/slideLayout2.xml.rels",
    "ppt/slideLayouts/slideLayout3.xml",
    "ppt/slideLayouts/_rels/slideLayout3.xml.rels",
    "ppt/slideLayouts/slideLayout4.xml",
    "ppt/slideLayouts/_rels/slideLayout4.xml.rels",
    "ppt/slideLayouts/slideLayout5.xml",
    "ppt/slideLayouts/_rels/slideLayout5.xml.rels",
    "ppt/slideLayouts/slideLayout6.xml",
    "ppt/slideLayouts/_rels/slideLayout6.xml.rels",
    "ppt/slideLayouts/slideLayout7.xml",
    "ppt/slideLayouts/_rels/slideLayout7.xml.rels",
    "ppt/slideLayouts/slideLayout8.xml",
    "ppt/slideLayouts/_rels/slideLayout8.xml.rels",
    "ppt/slideLayouts/slideLayout9.xml",
    "ppt/slideLayouts/_rels/slideLayout9.xml.rels",
    "ppt/slideLayouts/slideLayout10.xml",
    "ppt/slideLayouts/_rels/slideLayout10.xml.rels",
    "ppt/slideLayouts/slideLayout11.xml",
    "ppt/slideLayouts/_rels/slideLayout11.xml.rels",
};

// The notes master, its relationships and its own theme: added only to packages with notes.
inline constexpr std::array<std::string_view, 3> notesMasterPackagePaths{
    "ppt/notesMasters/notesMaster1.xml",
    "ppt/notesMasters/_rels/notesMaster1.xml.rels",
    "ppt/theme/theme2.xml",
};

// The bytes of one scaffold part, by its package path. The parts are compiled into the program
// from resources/scaffold/, so only an unknown path fails. The returned bytes are shared; no
// copy is made per call. Thread-safe.
Result<Bytes> readScaffoldFile(std::string_view packagePath);

namespace detail {

// Written by the build (Scaffold.cmake); a build without it does not link.
struct EmbeddedScaffoldFile {
    const char* path;
    const unsigned char* data;
    std::size_t size;
};
extern const EmbeddedScaffoldFile embeddedScaffoldFiles[];
extern const std::size_t embeddedScaffoldFileCount;

}  // namespace detail

}  // namespace mosavelle
