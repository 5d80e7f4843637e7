#pragma once

#include <optional>
#include <vector>

#include "core/layout/rendered_slide.h"
#include "core/model/enums.h"
#include "core/model/image_index.h"
#include "core/model/project.h"

namespace mosavelle {

// How one picture sits in one picture area: its drawn size and position, the part of the source
// cut away, and how many source pixels per inch it shows. Pure arithmetic in inches.

namespace placement {
inline constexpr double sizeGuard = 0.0001;          // natural sizes at or below it divide as it
inline constexpr double cropTolerance = 0.0001;      // excess `fill` ignores
inline constexpr double overflowTolerance = 0.001;   // how far a picture may pass an area edge
inline constexpr double lowResolutionLimit = 120.0;  // dpi below which a picture is flagged
inline constexpr double smallestCommonScale = 0.05;
inline constexpr double largestCommonScale = 1.0;
}  // namespace placement

// Places `image` in `area`. `fit` centres the picture at the largest size that fits; `fill`
// makes the frame the area and cuts the excess of the source, split by `anchor` (the share of the
// excess cut from the left, resp. the top; clamped to 0...1); every other mode draws the natural
// size (pixels / dpi) times `scale`, centred, and reports whether it passes the area's edges.
// `rotationDegrees` is copied: the frame is the unrotated rectangle.
//
// Hand-edited facts are guarded (a resolution of 0 counts as 72 dpi, a negative pixel size as 0,
// a scale that is not positive as the one belonging to `mode`), and the frame is finite with no
// negative size, so nothing infinite or negative can reach a drawing or a written file.
PictureFrame placePicture(const SourceImage& image, SizingMode mode, const CropAnchor& anchor,
                          double rotationDegrees, double scale, const InchRect& area);

// The warnings of one placed picture, in order: `overflowsSlide` when it overflows in a sized
// mode (neither fit nor fill), then `lowResolution` when 0 < placedDPI < 120.
std::vector<SlideWarning> pictureWarnings(const PictureFrame& frame, SizingMode mode);

// Appends the warnings of `pictureWarnings` to `out` without a temporary list.
void appendPictureWarnings(const PictureFrame& frame, SizingMode mode,
                           std::vector<SlideWarning>& out);

// The sizing mode named by a scale: scale × 100 rounded half away from zero; 75 is percent75, 125
// percent125, 100 actual, anything else custom.
SizingMode modeForScale(double scale);

// The largest scale, within 0.05...1.0, at which every usable picture of the slide fits its own
// area; absent when no shown slot holds a usable picture. Meant for `twoUp` and `fourGrid`
// slides.
std::optional<double> commonFitScale(const Slide& slide, const Project& project);

// A `twoUp` or `fourGrid` slide with a common scale s gets the override (modeForScale(s), s) with
// crop and rotation of its current override or else of the deck's default placement. Any other
// slide comes back unchanged.
Slide applyCommonScale(const Slide& slide, const Project& project);

// The picture a slot shows when it can be drawn: present in the project and without an import
// error. Null otherwise.
const SourceImage* usableImage(const ImageSlot& slot, const Project& project);
// The same through an index built from the project's pictures.
const SourceImage* usableImage(const ImageSlot& slot, const ImageIndex& images);

}  // namespace mosavelle
