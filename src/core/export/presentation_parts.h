#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/layout/rendered_slide.h"
#include "core/model/project.h"
#include "core/platform/dates.h"

namespace mosavelle {

// The generated XML parts of a presentation package, built from fixed string templates: every
// line break (line feed) and every indentation is part of the output, and a part ends without a
// trailing line break. User text goes through `escapeXML`; numbers follow the rules in
// xml_values.h.

namespace ooxml {
inline constexpr std::string_view drawingNamespace =
    "http://schemas.openxmlformats.org/drawingml/2006/main";
inline constexpr std::string_view relationshipsNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr std::string_view presentationNamespace =
    "http://schemas.openxmlformats.org/presentationml/2006/main";
inline constexpr std::string_view packageRelationshipsNamespace =
    "http://schemas.openxmlformats.org/package/2006/relationships";

// The extension that marks a picture as decorative, and its element's namespace.
inline constexpr std::string_view decorativeExtensionURI = "{C183D7F6-B498-43B3-948B-1728B52AA6E4}";
inline constexpr std::string_view decorativeNamespace =
    "http://schemas.microsoft.com/office/drawing/2017/decorative";

// The officeDocument relationship type whose last path segment is `name` ("slide", "image", ...).
std::string relationshipType(std::string_view name);
}  // namespace ooxml

struct Relationship {
    std::string id;      // "rId1", ...
    std::string type;    // full relationship type URI
    std::string target;  // relative part name, never escaped
    friend bool operator==(const Relationship&, const Relationship&) = default;
};

// Slide width in EMU: 12192000 for widescreen, 9144000 for classic. The height is the page
// height of the layout, 6858000 for both.
std::int64_t slideWidthEMU(SlideSizePreset size);

// A slide part. `pictures` and `texts` are concatenations of `pictureXML` and `textBoxXML`
// elements in shape order; `transition` is a `transitionXML` element or empty.
std::string slideXML(const RGBAColor& background, SlideSizePreset size, std::string_view pictures,
                     std::string_view texts, std::string_view transition = {});

// How a slide comes on screen and moves on in a show: a `p:transition` with the effect, its speed
// and, for a slide that advances by itself, `advTm` in milliseconds; such a slide without an
// effect gets a cut. Empty for a slide that advances by hand without an effect.
std::string transitionXML(const SlideAdvance& advance, const SlideTransition& transition);

// The presentation properties: the show loops (`loop`) and follows the slides' timings
// (`useTimings`) as asked. A deck that neither loops nor has timed slides gets the bare element.
std::string presentationPropertiesXML(bool loops, bool useTimings);

// One picture element. `name` and `description` are raw user text (escaped here), written as the
// shape's name and its description (alt text); without a description the picture is marked
// decorative.
// `storedOrientation` (an EXIF orientation, 1 to 8) says how the media file's pixels are stored
// relative to the upright picture `picture` describes: the shape then turns and flips them
// (`rot`, `flipH`, `flipV`), its box and crop given in the stored pixels' frame around the same
// centre, so that the slide shows what it would show with upright pixels.
std::string pictureXML(const PictureFrame& picture, std::string_view relationshipID, int shapeID,
                       std::string_view name, int storedOrientation,
                       std::optional<std::string_view> description);

// One text box: one paragraph whose line breaks become <a:br/> between runs of the same look.
// Titles are left aligned and take the title weight; every text is drawn in its frame's colour.
// Runs carry `language` (a BCP 47 tag).
std::string textBoxXML(const TextFrame& text, const AppearanceSettings& appearance, int shapeID,
                       std::string_view language = "en-US");

// The same box, drawn the same, as the slide's title placeholder (`p:ph type="title"`), so that
// outlines, screen readers and accessibility checkers take it for the slide's title. Only on a
// slide whose layout is `titleLayoutTarget`.
std::string titlePlaceholderXML(const TextFrame& text, const AppearanceSettings& appearance,
                                int shapeID, std::string_view language = "en-US");

// The slide layouts a slide refers to: with a title placeholder, and blank.
inline constexpr std::string_view titleLayoutTarget = "../slideLayouts/slideLayout6.xml";
inline constexpr std::string_view blankLayoutTarget = "../slideLayouts/slideLayout7.xml";

// The slide number's box: a slide-number field showing `number` (the slide's position when
// exported; clients show the current one), centred in `frame` both ways in the deck's font at
// `geometry::numberPoints`, in `color`.
std::string slideNumberBoxXML(std::string_view number, const InchRect& frame,
                              const RGBAColor& color, const AppearanceSettings& appearance,
                              int shapeID, std::string_view language = "en-US");

// Any relationships part other than the root's and a notes slide's.
std::string relationshipsXML(const std::vector<Relationship>& relationships);

// The notes slide of a slide; `notes` is written as stored, line breaks as <a:br/>.
std::string notesSlideXML(std::string_view notes, std::string_view language = "en-US");
// The notes slide's relationships: its slide `n`, and the notes master.
std::string notesRelationshipsXML(int n);

// The presentation part. With `withNotesMaster` (decks with notes) the notes master is listed
// under the relationship id that follows the slides' (rId6 + slideCount). `language` is the
// default of text added to the deck later.
std::string presentationXML(int slideCount, SlideSizePreset size, bool withNotesMaster = false,
                            std::string_view language = "en-US");
std::string presentationRelationshipsXML(int slideCount, bool withNotesMaster = false);

// The content types. `notesSlides` are the slide numbers with notes, ascending; when there are
// any, the notes master and its theme are listed as well.
std::string contentTypesXML(int slideCount, const std::vector<int>& notesSlides);

std::string rootRelationshipsXML();
// Core properties stamped with `created` (UTC, whole seconds) as both creation and modification.
std::string corePropertiesXML(Timestamp created);
std::string appPropertiesXML(int slideCount);

}  // namespace mosavelle
