#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/model/enums.h"
#include "core/model/project.h"

namespace mosavelle::cli {

// What the user asked for, as parsed from the command line. Values are already checked against
// their allowed sets by the parser; paths are not checked for existence here.

// How pictures are gathered from the inputs of `make` and `import`.
struct ImportOptions {
    std::vector<std::string> inputs;  // files and folders, in the order given
    bool recursive = false;           // folders include their subfolders
    bool keepDuplicates = false;      // import files whose bytes the deck already holds
};

// The deck settings `make` can set; absent means "as the saved defaults have it".
struct DeckOptions {
    std::optional<QualityPreset> quality;
    std::optional<SortMode> sort;
    // Every slide's layout after import: imageTitleCaption changes each slide, twoUp and fourGrid
    // group the slides; absent or oneImage leaves the one-picture slides of the import.
    std::optional<SlideLayoutKind> layout;
    std::optional<SizingMode> placement;
    std::optional<SlideSizePreset> size;
    std::optional<std::string> background;  // "white", "black" or six hex digits
    bool slideNumbers = false;
    std::optional<std::string> logo;             // a picture file
    bool captions = false;                       // captions on (from cleaned file names unless ...)
    std::optional<CaptionsFrom> captionsFrom;    // ... this names another source
    bool stripNumbers = false;                   // ... without their leading numbers
    std::optional<std::int64_t> advanceSeconds;  // slides advance by themselves after this
    std::optional<TransitionKind> transition;
    bool loop = false;                    // the show starts again after the last slide
    std::optional<std::string> language;  // the text's BCP 47 tag, normalised
    // Section dividers where the capture times lie more than this many hours apart; 0 for each
    // calendar day. Implies the capture-date order.
    std::optional<double> sectionGapHours;
};

struct MakeOptions {
    std::string output;  // the .pptx to write
    ImportOptions import;
    DeckOptions deck;
    std::optional<std::string> saveProject;  // also keep the deck as a project package
    bool quiet = false;
};

struct ImportCommandOptions {
    std::string project;  // created from the saved defaults when it does not exist
    ImportOptions import;
    bool quiet = false;
};

struct ExportCommandOptions {
    std::string project;
    std::string output;
    std::optional<QualityPreset> quality;  // absent: the deck's own
    bool quiet = false;
};

struct InfoOptions {
    std::vector<std::string> files;
};

struct RenderOptions {
    std::string project;
    bool all = false;  // every slide with its deck position, excluded ones too
};

}  // namespace mosavelle::cli
