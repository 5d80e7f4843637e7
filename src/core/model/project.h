#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/model/enums.h"
#include "core/model/picture_metadata.h"
#include "core/model/shared_list.h"
#include "core/platform/dates.h"
#include "core/platform/uuid.h"

namespace mosavelle {

// The records of one deck. Plain values: copied on assignment, compared field by field, linked to
// each other only by identifier. Lengths are inches, font sizes points, angles degrees; colour
// components and crop anchors are fractions from 0 to 1.

inline constexpr std::int64_t currentFormatVersion = 1;

struct RGBAColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    // Six upper-case hex digits for red, green, blue (alpha is not written). Each component is
    // scaled by 255 and rounded half away from zero; components outside 0...1 are clamped and a
    // non-finite component counts as 0, so the result is always six hex digits.
    std::string hexString() const;

    friend bool operator==(const RGBAColor&, const RGBAColor&) = default;
};

struct CropAnchor {
    double x = 0.5;
    double y = 0.5;
    friend bool operator==(const CropAnchor&, const CropAnchor&) = default;
};

struct Placement {
    SizingMode mode = SizingMode::fit;
    CropAnchor crop;
    double rotationDegrees = 0;
    double scale = 1.0;
    friend bool operator==(const Placement&, const Placement&) = default;
};

struct Margins {
    double top = 0.3;
    double leading = 0.3;
    double bottom = 0.3;
    double trailing = 0.3;
    friend bool operator==(const Margins&, const Margins&) = default;
};

struct Typography {
    std::string fontName = "Calibri";
    double titlePoints = 28;
    double bodyPoints = 16;
    RGBAColor titleColor{0, 0, 0, 1.0};
    RGBAColor bodyColor{0.15, 0.15, 0.15, 1.0};
    bool titleBold = true;
    friend bool operator==(const Typography&, const Typography&) = default;
};

struct Branding {
    std::optional<std::string> logoFileName;
    CornerPosition logoPosition = CornerPosition::topTrailing;
    double logoMaxHeightInches = 0.4;
    bool showSlideNumbers = false;
    CornerPosition numberPosition = CornerPosition::bottomTrailing;
    friend bool operator==(const Branding&, const Branding&) = default;
};

struct FilenameCleanup {
    bool enabled = false;
    bool replaceSeparators = true;
    bool stripLeadingNumbers = false;
    friend bool operator==(const FilenameCleanup&, const FilenameCleanup&) = default;
};

// What an imported picture's caption is made of when captions are on (`FilenameCleanup::enabled`):
// the cleaned file name, the picture's description or title, or `pattern` with its fields
// ("{date} · {description}") filled in.
struct CaptionsFrom {
    CaptionSource source = CaptionSource::fileName;
    std::string pattern;  // used only by CaptionSource::pattern
    friend bool operator==(const CaptionsFrom&, const CaptionsFrom&) = default;
};

struct AppearanceSettings {
    SlideSizePreset slideSize = SlideSizePreset::widescreen;
    BackgroundKind background = BackgroundKind::white;
    RGBAColor customBackground{0.95, 0.95, 0.97, 1.0};
    Margins margins;
    Typography typography;
    Branding branding;
    Placement defaultPlacement;
    FilenameCleanup filenameCleanup;
    CaptionsFrom captionsFrom;
    // The language of the deck's text as a BCP 47 tag ("fr-CA"); absent: the user's own.
    std::optional<std::string> language;
    friend bool operator==(const AppearanceSettings&, const AppearanceSettings&) = default;
};

struct ExportSettings {
    QualityPreset quality = QualityPreset::best;
    std::string suggestedBaseName = "Presentation";
    friend bool operator==(const ExportSettings&, const ExportSettings&) = default;
};

struct SourceImage {
    Uuid id;
    std::string storedFileName;
    std::string originalFileName;
    std::int64_t byteCount = 0;
    std::string sha256;            // 64 lower-case hex digits
    std::int64_t pixelWidth = 0;   // as displayed, orientation applied
    std::int64_t pixelHeight = 0;  // as displayed
    double dpiX = 72;
    double dpiY = 72;
    std::optional<Timestamp> captureDate;
    bool hasAlpha = false;
    std::int64_t frameCount = 1;
    std::string uti;
    bool isIncluded = true;
    std::optional<std::string> importError;  // a user-facing sentence; absent when usable
    PictureMetadata metadata;                // what the file's own metadata said at import
    friend bool operator==(const SourceImage&, const SourceImage&) = default;
};

struct ImageSlot {
    Uuid id = Uuid::random();
    std::optional<Uuid> imageID;
    std::string caption;
    CropAnchor crop;
    // The text that describes the picture to those who cannot see it; absent: made from the
    // picture (see altTextOf).
    std::optional<std::string> altText;
    friend bool operator==(const ImageSlot&, const ImageSlot&) = default;
};

struct Slide {
    Uuid id = Uuid::random();
    SlideLayoutKind layout = SlideLayoutKind::oneImage;
    std::vector<ImageSlot> slots;
    std::string title;
    std::string notes;
    std::optional<Placement> placementOverride;
    bool isExcluded = false;
    double captionPoints = 16;
    CaptionAlignment captionAlignment = CaptionAlignment::leading;
    friend bool operator==(const Slide&, const Slide&) = default;
};

// The pictures and slides of a deck. Copies share every element they have not changed, so that
// an undo step or a snapshot costs a list of pointers, not a copy of the deck.
using ImageList = SharedList<SourceImage>;
using SlideList = SharedList<Slide>;

struct Project {
    std::int64_t formatVersion = currentFormatVersion;
    ImageList images;
    SlideList slides;
    AppearanceSettings appearance;
    ExportSettings export_;  // `export` is a C++ keyword; the JSON member is "export"
    SortMode sort = SortMode::manual;

    // The slides that are not excluded, in deck order: what an export writes.
    std::vector<Slide> includedSlides() const;
    // The first picture with this identifier, if any.
    const SourceImage* sourceImage(const Uuid& id) const;
    // The pictures whose importError is present, in list order.
    std::vector<SourceImage> unusableImages() const;

    friend bool operator==(const Project&, const Project&) = default;
};

// The position of the first slide `id` in `slides`, or nothing. A linear scan: a document answers
// for its own deck from an index (`MosavelleDocument::slidePosition`).
std::optional<std::size_t> slidePosition(const SlideList& slides, const Uuid& id);

// The settings a new document starts with (kept by the default settings store).
struct DocumentDefaults {
    AppearanceSettings appearance;
    ExportSettings export_;
    SortMode sort = SortMode::manual;
    friend bool operator==(const DocumentDefaults&, const DocumentDefaults&) = default;
};

// The factory deck: version 1, no pictures or slides, every setting at its default.
const Project& defaultProject();

// A new slot with a fresh identifier, no picture, empty caption, centred crop.
ImageSlot emptySlot();

// A `oneImage` slide with one new slot showing `imageID` with `caption`.
Slide singleImageSlide(const Uuid& imageID, const std::string& caption);

// A `section` slide titled "Section" with no slots.
Slide sectionDividerSlide();

}  // namespace mosavelle
