#include "core/export/presentation_parts.h"

#include "core/export/xml_values.h"
#include "core/layout/geometry.h"

namespace mosavelle {

namespace {

using std::to_string;

constexpr std::string_view xmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
std::string str(std::string_view text) {
    return std::string(text);
}

// Every slide size has the same height.
std::string slideHeight() {
    return to_string(emuFromInches(geometry::pageHeight));
}

// The three namespace declarations every PresentationML part opens with.
std::string presentationNamespaces() {
    return "xmlns:a=\"" + str(ooxml::drawingNamespace) + "\" xmlns:r=\"" +
           str(ooxml::relationshipsNamespace) + "\" xmlns:p=\"" +
           str(ooxml::presentationNamespace) + "\"";
}

std::string groupHeader(SlideSizePreset size) {
    const std::string width = to_string(slideWidthEMU(size));
    return "<p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>\n"
           "<p:grpSpPr>\n"
           "  <a:xfrm>\n"
           "    <a:off x=\"0\" y=\"0\"/>\n"
           "    <a:ext cx=\"" +
           width + "\" cy=\"" + slideHeight() +
           "\"/>\n"
           "    <a:chOff x=\"0\" y=\"0\"/>\n"
           "    <a:chExt cx=\"" +
           width + "\" cy=\"" + slideHeight() +
           "\"/>\n"
           "  </a:xfrm>\n"
           "</p:grpSpPr>";
}

std::string offsetAndExtent(const InchRect& r) {
    return "<a:off x=\"" + to_string(emuFromInches(r.x)) + "\" y=\"" +
           to_string(emuFromInches(r.y)) + "\"/><a:ext cx=\"" + to_string(emuFromInches(r.width)) +
           "\" cy=\"" + to_string(emuFromInches(r.height)) + "\"/>";
}

// The runs of one paragraph: one run per line of `text`, with a break carrying the same run
// properties between lines. A text without line breaks is exactly one run, even when empty;
// empty lines around breaks get no run of their own.
std::string paragraphRuns(std::string_view text, std::string_view indent,
                          std::string_view runProperties) {
    const auto lines = splitLines(text);
    std::string out;
    const std::string pad(indent);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            out += pad + "<a:br>\n" + str(runProperties) + "\n" + pad + "</a:br>\n";
        }
        if (lines.size() == 1 || !lines[i].empty()) {
            out += pad + "<a:r>\n" + str(runProperties) + "\n" + pad + "  <a:t>" +
                   escapeXML(lines[i]) + "</a:t>\n" + pad + "</a:r>\n";
        }
    }
    return out;
}

std::string alignmentCode(const TextFrame& text) {
    if (text.isTitle)
        return "l";
    switch (text.alignment) {
        case CaptionAlignment::leading:
            return "l";
        case CaptionAlignment::center:
            return "ctr";
        case CaptionAlignment::trailing:
            return "r";
    }
    return "l";
}

std::string override(std::string_view partName, std::string_view contentType) {
    return "<Override PartName=\"" + str(partName) + "\" ContentType=\"" + str(contentType) +
           "\"/>";
}

// The shape transform that shows pixels stored with an EXIF orientation upright: flip first, then
// turn clockwise about the box's centre, as drawing programs apply a shape's transform.
struct StoredTurn {
    int degrees = 0;
    bool flipH = false;
    bool flipV = false;
};

StoredTurn storedTurn(int orientation) {
    switch (orientation) {
        case 2:
            return {0, true, false};
        case 3:
            return {180, false, false};
        case 4:
            return {0, false, true};
        case 5:
            return {90, false, true};
        case 6:
            return {90, false, false};
        case 7:
            return {90, true, false};
        case 8:
            return {270, false, false};
        default:
            return {};
    }
}

// `crop` of the upright picture as the same region of the pixels stored with `orientation`.
SourceCrop storedCrop(const SourceCrop& c, int orientation) {
    switch (orientation) {
        case 2:
            return {c.right, c.top, c.left, c.bottom};
        case 3:
            return {c.right, c.bottom, c.left, c.top};
        case 4:
            return {c.left, c.bottom, c.right, c.top};
        case 5:
            return {c.top, c.left, c.bottom, c.right};
        case 6:
            return {c.top, c.right, c.bottom, c.left};
        case 7:
            return {c.bottom, c.right, c.top, c.left};
        case 8:
            return {c.bottom, c.left, c.top, c.right};
        default:
            return c;
    }
}

}  // namespace

std::string ooxml::relationshipType(std::string_view name) {
    return str(relationshipsNamespace) + "/" + str(name);
}

std::int64_t slideWidthEMU(SlideSizePreset size) {
    return size == SlideSizePreset::classic ? 9144000 : 12192000;
}

std::string slideXML(const RGBAColor& background, SlideSizePreset size, std::string_view pictures,
                     std::string_view texts, std::string_view transition) {
    return str(xmlDeclaration) + "<p:sld " + presentationNamespaces() +
           " showMasterSp=\"0\">\n"
           "  <p:cSld>\n"
           "    <p:bg><p:bgPr><a:solidFill><a:srgbClr val=\"" +
           hexColor(background) +
           "\"/></a:solidFill><a:effectLst/></p:bgPr></p:bg>\n"
           "    <p:spTree>\n"
           "      " +
           groupHeader(size) +
           "\n"
           "      " +
           str(pictures) +
           "\n"
           "      " +
           str(texts) +
           "\n"
           "    </p:spTree>\n"
           "  </p:cSld>\n"
           "  <p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr>\n" +
           (transition.empty() ? std::string() : "  " + str(transition) + "\n") + "</p:sld>";
}

std::string transitionXML(const SlideAdvance& advance, const SlideTransition& transition) {
    if (!advance.automatic && transition.kind == TransitionKind::none)
        return {};
    static constexpr std::string_view speeds[] = {"fast", "med", "slow"};
    std::string out =
        "<p:transition spd=\"" + str(speeds[static_cast<std::size_t>(transition.speed)]) + "\"";
    if (advance.automatic)
        out += " advTm=\"" +
               std::to_string(clampedAdvanceSeconds(advance.seconds) * std::int64_t{1000}) + "\"";
    // The new slide comes in from the right, as it does for every effect in the preview.
    switch (transition.kind) {
        case TransitionKind::none:
            // A cut is an instant change, as without an effect; LibreOffice reads the advance
            // time only from a transition that names an effect.
            return out + "><p:cut/></p:transition>";
        case TransitionKind::fade:
            return out + "><p:fade/></p:transition>";
        case TransitionKind::push:
            return out + "><p:push dir=\"l\"/></p:transition>";
        case TransitionKind::wipe:
            return out + "><p:wipe dir=\"l\"/></p:transition>";
        case TransitionKind::cover:
            return out + "><p:cover dir=\"l\"/></p:transition>";
    }
    return out + "/>";
}

std::string presentationPropertiesXML(bool loops, bool useTimings) {
    std::string out = str(xmlDeclaration) + "<p:presentationPr " + presentationNamespaces();
    if (!loops && !useTimings)
        return out + "/>";
    return out + "><p:showPr loop=\"" + (loops ? "1" : "0") + "\" useTimings=\"" +
           (useTimings ? "1" : "0") + "\"/></p:presentationPr>";
}

std::string pictureXML(const PictureFrame& picture, std::string_view relationshipID, int shapeID,
                       std::string_view name, int storedOrientation,
                       std::optional<std::string_view> description) {
    const std::string escaped = escapeXML(name);
    // A decorative picture carries no description, and says so in the extension checkers read.
    const std::string label = description ? " descr=\"" + escapeXML(*description) + "\"/>\n"
                                          : ">\n"
                                            "      <a:extLst><a:ext uri=\"" +
                                                str(ooxml::decorativeExtensionURI) +
                                                "\"><adec:decorative xmlns:adec=\"" +
                                                str(ooxml::decorativeNamespace) +
                                                "\" val=\"1\"/></a:ext></a:extLst>\n"
                                                "    </p:cNvPr>\n";
    const StoredTurn turn = storedTurn(storedOrientation);
    const SourceCrop c = storedCrop(picture.crop, storedOrientation);
    InchRect frame = picture.frame;
    if (turn.degrees % 180 != 0) {
        // The stored pixels lie across the upright box: swap its sides about the same centre.
        frame.x += (picture.frame.width - picture.frame.height) / 2;
        frame.y += (picture.frame.height - picture.frame.width) / 2;
        frame.width = picture.frame.height;
        frame.height = picture.frame.width;
    }
    double degrees = picture.rotationDegrees + turn.degrees;
    if (degrees >= 360)
        degrees -= 360;
    std::string fill;
    if (c.left != 0 || c.top != 0 || c.right != 0 || c.bottom != 0) {
        fill = "<a:srcRect l=\"" + to_string(cropPercentage(c.left)) + "\" t=\"" +
               to_string(cropPercentage(c.top)) + "\" r=\"" + to_string(cropPercentage(c.right)) +
               "\" b=\"" + to_string(cropPercentage(c.bottom)) + "\"/>";
    }
    fill += "<a:stretch><a:fillRect/></a:stretch>";
    std::string rotation;
    if (degrees != 0)
        rotation = " rot=\"" + to_string(angleFromDegrees(degrees)) + "\"";
    if (turn.flipH)
        rotation += " flipH=\"1\"";
    if (turn.flipV)
        rotation += " flipV=\"1\"";
    return "<p:pic>\n"
           "  <p:nvPicPr>\n"
           "    <p:cNvPr id=\"" +
           to_string(shapeID) + "\" name=\"" + escaped + "\"" + label +
           "    <p:cNvPicPr><a:picLocks noChangeAspect=\"1\"/></p:cNvPicPr>\n"
           "    <p:nvPr/>\n"
           "  </p:nvPicPr>\n"
           "  <p:blipFill rotWithShape=\"1\">\n"
           "    <a:blip r:embed=\"" +
           str(relationshipID) +
           "\"/>\n"
           "    " +
           fill +
           "\n"
           "  </p:blipFill>\n"
           "  <p:spPr>\n"
           "    <a:xfrm" +
           rotation + ">" + offsetAndExtent(frame) +
           "</a:xfrm>\n"
           "    <a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>\n"
           "  </p:spPr>\n"
           "</p:pic>";
}

namespace {

// The run properties of every run of a text box: size, weight, colour, the deck's font for every
// script and the text's language. `statesWeight` writes a regular weight too, for a title
// placeholder that would otherwise take the master's.
std::string runPropertiesXML(double points, bool bold, const RGBAColor& color,
                             const Typography& type, std::string_view language,
                             bool statesWeight = false) {
    const std::string font = escapeXML(type.fontName);
    return "        <a:rPr lang=\"" + escapeXML(language) + "\" sz=\"" +
           to_string(fontSizeFromPoints(points)) + "\"" +
           (bold           ? " b=\"1\""
            : statesWeight ? " b=\"0\""
                           : "") +
           " dirty=\"0\">\n"
           "          <a:solidFill><a:srgbClr val=\"" +
           hexColor(color) +
           "\"/></a:solidFill>\n"
           "          <a:latin typeface=\"" +
           font +
           "\"/>\n"
           "          <a:ea typeface=\"" +
           font +
           "\"/>\n"
           "          <a:cs typeface=\"" +
           font +
           "\"/>\n"
           "        </a:rPr>";
}

// A text box without insets or autofit, holding one paragraph: its text runs on past the box
// as it runs on in the preview. `paragraph` is the paragraph's content after its properties.
// With `asTitle` it is the slide's title placeholder drawn exactly like the box: the placeholder
// inherits the master's title style, so what that style sets differently (line spacing, anchor,
// autofit) is stated here.
std::string textShapeXML(int shapeID, const InchRect& frame, std::string_view anchor,
                         std::string_view alignment, std::string_view paragraph,
                         std::string_view language, bool asTitle = false) {
    const std::string id = to_string(shapeID);
    const std::string nonVisual = asTitle
                                      ? "\" name=\"Title " + id +
                                            "\"/>\n"
                                            "    <p:cNvSpPr><a:spLocks noGrp=\"1\"/></p:cNvSpPr>\n"
                                            "    <p:nvPr><p:ph type=\"title\"/></p:nvPr>\n"
                                      : "\" name=\"Text " + id +
                                            "\"/>\n"
                                            "    <p:cNvSpPr txBox=\"1\"/>\n"
                                            "    <p:nvPr/>\n";
    return "<p:sp>\n"
           "  <p:nvSpPr>\n"
           "    <p:cNvPr id=\"" +
           id + nonVisual +
           "  </p:nvSpPr>\n"
           "  <p:spPr>\n"
           "    <a:xfrm>" +
           offsetAndExtent(frame) +
           "</a:xfrm>\n"
           "    <a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>\n"
           "    <a:noFill/>\n"
           "  </p:spPr>\n"
           "  <p:txBody>\n"
           "    <a:bodyPr wrap=\"square\" lIns=\"0\" tIns=\"0\" rIns=\"0\" bIns=\"0\" rtlCol=\"0\" "
           "anchor=\"" +
           str(anchor) + (asTitle ? "\"><a:noAutofit/></a:bodyPr>\n" : "\"/>\n") +
           "    <a:lstStyle/>\n"
           "    <a:p>\n"
           "      <a:pPr algn=\"" +
           str(alignment) +
           (asTitle ? "\"><a:lnSpc><a:spcPct val=\"100000\"/></a:lnSpc></a:pPr>\n" : "\"/>\n") +
           str(paragraph) + "      <a:endParaRPr lang=\"" + escapeXML(language) +
           "\"/>\n"
           "    </a:p>\n"
           "  </p:txBody>\n"
           "</p:sp>";
}

std::string textXML(const TextFrame& text, const AppearanceSettings& appearance, int shapeID,
                    std::string_view language, bool asTitle) {
    const Typography& type = appearance.typography;
    const std::string runProperties = runPropertiesXML(
        text.fontPoints, text.isTitle && type.titleBold, text.color, type, language, asTitle);
    return textShapeXML(shapeID, text.frame, "t", alignmentCode(text),
                        paragraphRuns(text.text, "      ", runProperties), language, asTitle);
}

}  // namespace

std::string textBoxXML(const TextFrame& text, const AppearanceSettings& appearance, int shapeID,
                       std::string_view language) {
    return textXML(text, appearance, shapeID, language, false);
}

std::string titlePlaceholderXML(const TextFrame& text, const AppearanceSettings& appearance,
                                int shapeID, std::string_view language) {
    return textXML(text, appearance, shapeID, language, true);
}

std::string slideNumberBoxXML(std::string_view number, const InchRect& frame,
                              const RGBAColor& color, const AppearanceSettings& appearance,
                              int shapeID, std::string_view language) {
    // One identifier for every slide's number field, as presentation programs write it; the
    // field's type makes clients show the slide's current position.
    const std::string field =
        "      <a:fld id=\"{5C7A3C1E-2D4B-4F7A-9E61-0B8D3F2A6C15}\" type=\"slidenum\">\n" +
        runPropertiesXML(geometry::numberPoints, false, color, appearance.typography, language) +
        "\n"
        "        <a:t>" +
        escapeXML(number) +
        "</a:t>\n"
        "      </a:fld>\n";
    return textShapeXML(shapeID, frame, "ctr", "ctr", field, language);
}

std::string relationshipsXML(const std::vector<Relationship>& relationships) {
    std::string out = str(xmlDeclaration) + "<Relationships xmlns=\"" +
                      str(ooxml::packageRelationshipsNamespace) + "\">";
    for (const auto& r : relationships)
        out += "<Relationship Id=\"" + r.id + "\" Type=\"" + r.type + "\" Target=\"" + r.target +
               "\"/>";
    return out + "</Relationships>";
}

std::string notesSlideXML(std::string_view notes, std::string_view language) {
    const std::string lang = escapeXML(language);
    return str(xmlDeclaration) + "<p:notes " + presentationNamespaces() + ">\n" +
           "  <p:cSld>\n"
           "    <p:spTree>\n"
           "      <p:nvGrpSpPr><p:cNvPr id=\"1\" "
           "name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>\n"
           "      <p:grpSpPr>\n"
           "        <a:xfrm>\n"
           "          <a:off x=\"0\" y=\"0\"/>\n"
           "          <a:ext cx=\"0\" cy=\"0\"/>\n"
           "          <a:chOff x=\"0\" y=\"0\"/>\n"
           "          <a:chExt cx=\"0\" cy=\"0\"/>\n"
           "        </a:xfrm>\n"
           "      </p:grpSpPr>\n"
           "      <p:sp>\n"
           "        <p:nvSpPr>\n"
           "          <p:cNvPr id=\"2\" name=\"Notes Placeholder\"/>\n"
           "          <p:cNvSpPr txBox=\"1\"/>\n"
           "          <p:nvPr><p:ph type=\"body\" idx=\"1\"/></p:nvPr>\n"
           "        </p:nvSpPr>\n"
           "        <p:spPr>\n"
           "          <a:xfrm>\n"
           "            <a:off x=\"381000\" y=\"4343400\"/>\n"
           "            <a:ext cx=\"6096000\" cy=\"4114800\"/>\n"
           "          </a:xfrm>\n"
           "          <a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>\n"
           "          <a:noFill/>\n"
           "        </p:spPr>\n"
           "        <p:txBody>\n"
           "          <a:bodyPr wrap=\"square\" anchor=\"t\"/>\n"
           "          <a:lstStyle/>\n"
           "          <a:p>\n" +
           paragraphRuns(notes, "            ",
                         "              <a:rPr lang=\"" + lang + "\" sz=\"1200\"/>") +
           "            <a:endParaRPr lang=\"" + lang +
           "\"/>\n"
           "          </a:p>\n"
           "        </p:txBody>\n"
           "      </p:sp>\n"
           "    </p:spTree>\n"
           "  </p:cSld>\n"
           "  <p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr>\n"
           "</p:notes>";
}

std::string notesRelationshipsXML(int n) {
    return str(xmlDeclaration) + "<Relationships xmlns=\"" +
           str(ooxml::packageRelationshipsNamespace) + "\">\n" +
           "  <Relationship Id=\"rId1\" Type=\"" + ooxml::relationshipType("slide") +
           "\" Target=\"../slides/slide" + to_string(n) + ".xml\"/>\n" +
           "  <Relationship Id=\"rId2\" Type=\"" + ooxml::relationshipType("notesMaster") +
           "\" Target=\"../notesMasters/notesMaster1.xml\"/>\n" + "</Relationships>";
}

std::string presentationXML(int slideCount, SlideSizePreset size, bool withNotesMaster,
                            std::string_view language) {
    std::string slideIDs;
    for (int i = 0; i < slideCount; ++i)
        slideIDs +=
            "<p:sldId id=\"" + to_string(256 + i) + "\" r:id=\"rId" + to_string(6 + i) + "\"/>";
    std::string textStyle =
        "<p:defaultTextStyle><a:defPPr><a:defRPr lang=\"" + escapeXML(language) + "\"/></a:defPPr>";
    for (int k = 1; k <= 9; ++k) {
        const std::string level = "a:lvl" + to_string(k) + "pPr";
        textStyle +=
            "<" + level + " marL=\"" + to_string((k - 1) * 457200) +
            "\" algn=\"l\" defTabSz=\"457200\" rtl=\"0\" eaLnBrk=\"1\" latinLnBrk=\"0\" "
            "hangingPunct=\"1\"><a:defRPr sz=\"1800\" kern=\"1200\"><a:solidFill><a:schemeClr "
            "val=\"tx1\"/></a:solidFill><a:latin typeface=\"+mn-lt\"/><a:ea "
            "typeface=\"+mn-ea\"/><a:cs typeface=\"+mn-cs\"/></a:defRPr></" +
            level + ">";
    }
    textStyle += "</p:defaultTextStyle>";
    const std::string notesMaster =
        withNotesMaster ? "  <p:notesMasterIdLst><p:notesMasterId r:id=\"rId" +
                              to_string(6 + slideCount) + "\"/></p:notesMasterIdLst>\n"
                        : "";
    const std::string type =
        size == SlideSizePreset::classic ? " type=\"screen4x3\"" : " type=\"screen16x9\"";
    return str(xmlDeclaration) + "<p:presentation " + presentationNamespaces() +
           " saveSubsetFonts=\"1\" autoCompressPictures=\"0\">\n"
           "  <p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" "
           "r:id=\"rId1\"/></p:sldMasterIdLst>\n" +
           notesMaster + "  <p:sldIdLst>" + slideIDs +
           "</p:sldIdLst>\n"
           "  <p:sldSz cx=\"" +
           to_string(slideWidthEMU(size)) + "\" cy=\"" + slideHeight() + "\"" + type +
           "/>\n"
           "  <p:notesSz cx=\"6858000\" cy=\"9144000\"/>\n"
           "  " +
           textStyle +
           "\n"
           "</p:presentation>";
}

std::string presentationRelationshipsXML(int slideCount, bool withNotesMaster) {
    using ooxml::relationshipType;
    std::vector<Relationship> relationships{
        {"rId1", relationshipType("slideMaster"), "slideMasters/slideMaster1.xml"},
        {"rId2", relationshipType("presProps"), "presProps.xml"},
        {"rId3", relationshipType("viewProps"), "viewProps.xml"},
        {"rId4", relationshipType("theme"), "theme/theme1.xml"},
        {"rId5", relationshipType("tableStyles"), "tableStyles.xml"},
    };
    for (int n = 1; n <= slideCount; ++n)
        relationships.push_back({"rId" + to_string(n + 5), relationshipType("slide"),
                                 "slides/slide" + to_string(n) + ".xml"});
    if (withNotesMaster)
        relationships.push_back({"rId" + to_string(slideCount + 6), relationshipType("notesMaster"),
                                 "notesMasters/notesMaster1.xml"});
    return relationshipsXML(relationships);
}

std::string contentTypesXML(int slideCount, const std::vector<int>& notesSlides) {
    constexpr std::string_view presentationML =
        "application/vnd.openxmlformats-officedocument.presentationml.";
    std::string out =
        str(xmlDeclaration) +
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>\n"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>\n"
        "<Default Extension=\"jpeg\" ContentType=\"image/jpeg\"/>\n"
        "<Default Extension=\"jpg\" ContentType=\"image/jpeg\"/>\n"
        "<Default Extension=\"png\" ContentType=\"image/png\"/>\n" +
        override("/ppt/presentation.xml", str(presentationML) + "presentation.main+xml") + "\n" +
        override("/ppt/slideMasters/slideMaster1.xml", str(presentationML) + "slideMaster+xml") +
        "\n" + override("/ppt/presProps.xml", str(presentationML) + "presProps+xml") + "\n" +
        override("/ppt/viewProps.xml", str(presentationML) + "viewProps+xml") + "\n" +
        override("/ppt/theme/theme1.xml",
                 "application/vnd.openxmlformats-officedocument.theme+xml") +
        "\n" + override("/ppt/tableStyles.xml", str(presentationML) + "tableStyles+xml") + "\n" +
        override("/docProps/core.xml",
                 "application/vnd.openxmlformats-package.core-properties+xml") +
        "\n" +
        override("/docProps/app.xml",
                 "application/vnd.openxmlformats-officedocument.extended-properties+xml");
    for (int k = 1; k <= 11; ++k)
        out += override("/ppt/slideLayouts/slideLayout" + to_string(k) + ".xml",
                        str(presentationML) + "slideLayout+xml");
    for (int n = 1; n <= slideCount; ++n)
        out += override("/ppt/slides/slide" + to_string(n) + ".xml",
                        str(presentationML) + "slide+xml");
    for (int n : notesSlides)
        out += override("/ppt/notesSlides/notesSlide" + to_string(n) + ".xml",
                        str(presentationML) + "notesSlide+xml");
    if (!notesSlides.empty()) {
        out +=
            override("/ppt/notesMasters/notesMaster1.xml", str(presentationML) + "notesMaster+xml");
        out += override("/ppt/theme/theme2.xml",
                        "application/vnd.openxmlformats-officedocument.theme+xml");
    }
    return out + "</Types>";
}

std::string rootRelationshipsXML() {
    return str(xmlDeclaration) + "<Relationships xmlns=\"" +
           str(ooxml::packageRelationshipsNamespace) + "\">\n" +
           "  <Relationship Id=\"rId1\" Type=\"" + ooxml::relationshipType("officeDocument") +
           "\" Target=\"ppt/presentation.xml\"/>\n"
           "  <Relationship Id=\"rId2\" Type=\"" +
           "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties"
           "\" Target=\"docProps/core.xml\"/>\n"
           "  <Relationship Id=\"rId3\" Type=\"" +
           ooxml::relationshipType("extended-properties") +
           "\" Target=\"docProps/app.xml\"/>\n"
           "</Relationships>";
}

std::string corePropertiesXML(Timestamp created) {
    const std::string stamp = formatInternetDate(created);
    return str(xmlDeclaration) +
           "<cp:coreProperties "
           "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
           "  <dc:title>Mosavelle Presentation</dc:title>\n"
           "  <dc:creator>Mosavelle</dc:creator>\n"
           "  <dcterms:created xsi:type=\"dcterms:W3CDTF\">" +
           stamp +
           "</dcterms:created>\n"
           "  <dcterms:modified xsi:type=\"dcterms:W3CDTF\">" +
           stamp +
           "</dcterms:modified>\n"
           "</cp:coreProperties>";
}

std::string appPropertiesXML(int slideCount) {
    return str(xmlDeclaration) +
           "<Properties "
           "xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">\n"
           "  <Application>Mosavelle</Application>\n"
           "  <PresentationFormat>On-screen Show (16:9)</PresentationFormat>\n"
           "  <Slides>" +
           to_string(slideCount) +
           "</Slides>\n"
           "  <Notes>0</Notes>\n"
           "  <HiddenSlides>0</HiddenSlides>\n"
           "  <ScaleCrop>false</ScaleCrop>\n"
           "  <LinksUpToDate>false</LinksUpToDate>\n"
           "  <SharedDoc>false</SharedDoc>\n"
           "  <HyperlinksChanged>false</HyperlinksChanged>\n"
           "  <AppVersion>16.0000</AppVersion>\n"
           "</Properties>";
}

}  // namespace mosavelle
