#include "core/model/project_json.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace mosavelle {
namespace {

// Objects are std::map based, so every object is written with its members in ascending byte
// order of their names without any sorting of our own.
using Json = nlohmann::json;

// Deepest nesting of arrays and objects the reader accepts. The formats need five levels; the
// bound is checked while parsing, before any tree is built, so that no later walk of the tree can
// recurse deeper than this.
constexpr int maxNestingDepth = 64;

// The widest offset from UTC any place uses: 14 hours.
constexpr std::int64_t maxUTCOffsetMinutes = 14 * 60;

// A failure inside this file. It never leaves it: the four public functions turn it into an Error.
struct Failure {
    Text text;
};

// Where a value sits in its document, as a chain of stack frames; spelled out only for a message
// ("slides[2].placementOverride.crop.x").
struct Path {
    const Path* parent = nullptr;
    const char* key = nullptr;  // member name; null for an array element (and for the root)
    std::size_t index = 0;

    Path member(const char* name) const { return Path{this, name, 0}; }
    Path element(std::size_t i) const { return Path{this, nullptr, i}; }
    bool isRoot() const { return parent == nullptr; }

    std::string text() const {
        if (isRoot())
            return {};
        std::string prefix = parent->text();
        if (key)
            return prefix.empty() ? std::string(key) : prefix + "." + key;
        return prefix + "[" + std::to_string(index) + "]";
    }
};

// ---------------------------------------------------------------------------------------------
// Reading

class Reader {
public:
    // `document` names the file: projectFile or defaultSettingsFile.
    explicit Reader(TextId document) : document_(document) {}

    // "In the project file, "slides[2].title" must be a string." for jsonNotString.
    [[noreturn]] void fail(const Path& at, TextId rule) const {
        const Text where =
            at.isRoot() ? Text{TextId::jsonTopLevel} : Text{TextId::jsonMember, {at.text()}};
        throw Failure{Text{rule, {}, {Text{document_}, where}}};
    }
    // A sentence on the whole file, with `numbers` before the file's name.
    [[noreturn]] void failWhole(TextId sentence, std::vector<std::string> numbers = {}) const {
        throw Failure{Text{sentence, std::move(numbers), {Text{document_}}}};
    }

    std::string string(const Json& v, const Path& at) const {
        if (!v.is_string())
            fail(at, TextId::jsonNotString);
        return v.get_ref<const std::string&>();
    }
    bool boolean(const Json& v, const Path& at) const {
        if (!v.is_boolean())
            fail(at, TextId::jsonNotBoolean);
        return v.get<bool>();
    }
    // Any JSON number. The parser refuses numbers beyond the double range, so the value is finite.
    double real(const Json& v, const Path& at) const {
        if (!v.is_number())
            fail(at, TextId::jsonNotNumber);
        return v.get<double>();
    }
    // A whole number that fits a signed 64-bit integer. Other writers may spell a whole number
    // with a fraction or exponent (2.0, 1e3); its value is what counts. 1.5 and 1e30 are refused.
    std::int64_t integer(const Json& v, const Path& at) const {
        if (v.is_number_unsigned()) {
            const auto u = v.get<std::uint64_t>();
            if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                return static_cast<std::int64_t>(u);
        } else if (v.is_number_integer()) {
            return v.get<std::int64_t>();
        } else if (v.is_number_float()) {
            // Doubles in [-2^63, 2^63) convert exactly when they have no fraction.
            const double d = v.get<double>();
            if (std::isfinite(d) && d == std::trunc(d) && d >= -9223372036854775808.0 &&
                d < 9223372036854775808.0)
                return static_cast<std::int64_t>(d);
        }
        fail(at, TextId::jsonNotWholeNumber);
    }
    Uuid identifier(const Json& v, const Path& at) const {
        if (!v.is_string())
            fail(at, TextId::jsonNotIdentifierString);
        if (auto id = Uuid::parse(v.get_ref<const std::string&>()))
            return *id;
        fail(at, TextId::jsonNotIdentifier);
    }
    Timestamp date(const Json& v, const Path& at) const {
        if (!v.is_string())
            fail(at, TextId::jsonNotDateString);
        if (auto time = parseInternetDate(v.get_ref<const std::string&>()))
            return *time;
        fail(at, TextId::jsonNotUtcDate);
    }
    template <class E>
    E enumeration(const Json& v, const Path& at) const {
        if (!v.is_string())
            fail(at, TextId::jsonNotString);
        if (auto value = parseCase<E>(v.get_ref<const std::string&>()))
            return *value;
        fail(at, TextId::jsonNotAllowedName);
    }

private:
    TextId document_;
};

// One JSON object being read. A member holding null counts as missing. Neither copyable nor
// movable: the paths of its members point at its own path.
class Object {
public:
    template <class T>
    using ReadFn = T (*)(const Reader&, const Json&, const Path&);

    Object(const Reader& reader, const Json& value, const Path& at)
        : reader_(reader), value_(value), at_(at) {
        if (!value.is_object())
            reader.fail(at, TextId::jsonNotObject);
    }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    Path at(const char* key) const { return at_.member(key); }

    const Json* optional(const char* key) const {
        auto it = value_.find(key);
        return it == value_.end() || it->is_null() ? nullptr : &*it;
    }
    const Json& required(const char* key) const {
        if (const Json* v = optional(key))
            return *v;
        reader_.fail(at(key), TextId::jsonMissing);
    }

    std::string string(const char* key) const { return reader_.string(required(key), at(key)); }
    bool boolean(const char* key) const { return reader_.boolean(required(key), at(key)); }
    double real(const char* key) const { return reader_.real(required(key), at(key)); }
    std::int64_t integer(const char* key) const { return reader_.integer(required(key), at(key)); }
    Uuid identifier(const char* key) const { return reader_.identifier(required(key), at(key)); }
    template <class E>
    E enumeration(const char* key) const {
        return reader_.enumeration<E>(required(key), at(key));
    }
    template <class T>
    T record(const char* key, ReadFn<T> read) const {
        return read(reader_, required(key), at(key));
    }
    template <class T>
    std::vector<T> list(const char* key, ReadFn<T> read) const {
        const Json& array = required(key);
        const Path path = at(key);
        if (!array.is_array())
            reader_.fail(path, TextId::jsonNotArray);
        std::vector<T> out;
        out.reserve(array.size());
        for (std::size_t i = 0; i < array.size(); ++i)
            out.push_back(read(reader_, array[i], path.element(i)));
        return out;
    }

    std::optional<std::string> optionalString(const char* key) const {
        const Json* v = optional(key);
        return v ? std::optional(reader_.string(*v, at(key))) : std::nullopt;
    }
    std::optional<Uuid> optionalIdentifier(const char* key) const {
        const Json* v = optional(key);
        return v ? std::optional(reader_.identifier(*v, at(key))) : std::nullopt;
    }
    std::optional<Timestamp> optionalDate(const char* key) const {
        const Json* v = optional(key);
        return v ? std::optional(reader_.date(*v, at(key))) : std::nullopt;
    }

private:
    const Reader& reader_;
    const Json& value_;
    Path at_;
};

CropAnchor readCrop(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    return CropAnchor{o.real("x"), o.real("y")};
}

RGBAColor readColor(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    RGBAColor c;
    c.alpha = o.real("alpha");
    c.blue = o.real("blue");
    c.green = o.real("green");
    c.red = o.real("red");
    return c;
}

Placement readPlacement(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    Placement p;
    p.crop = o.record("crop", readCrop);
    p.mode = o.enumeration<SizingMode>("mode");
    p.rotationDegrees = o.real("rotationDegrees");
    p.scale = o.optional("scale") ? o.real("scale") : defaultScale(p.mode);
    return p;
}

Margins readMargins(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    Margins m;
    m.bottom = o.real("bottom");
    m.leading = o.real("leading");
    m.top = o.real("top");
    m.trailing = o.real("trailing");
    return m;
}

Typography readTypography(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    Typography t;
    t.bodyColor = o.record("bodyColor", readColor);
    t.bodyPoints = o.real("bodyPoints");
    t.fontName = o.string("fontName");
    t.titleBold = o.boolean("titleBold");
    t.titleColor = o.record("titleColor", readColor);
    t.titlePoints = o.real("titlePoints");
    return t;
}

Branding readBranding(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    Branding b;
    b.logoFileName = o.optionalString("logoFileName");
    b.logoMaxHeightInches = o.real("logoMaxHeightInches");
    b.logoPosition = o.enumeration<CornerPosition>("logoPosition");
    b.numberPosition = o.enumeration<CornerPosition>("numberPosition");
    b.showSlideNumbers = o.boolean("showSlideNumbers");
    return b;
}

FilenameCleanup readCleanup(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    FilenameCleanup c;
    c.enabled = o.boolean("enabled");
    c.replaceSeparators = o.boolean("replaceSeparators");
    c.stripLeadingNumbers = o.boolean("stripLeadingNumbers");
    return c;
}

CaptionsFrom readCaptionsFrom(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    CaptionsFrom c;
    c.source = o.enumeration<CaptionSource>("source");
    c.pattern = o.optionalString("pattern").value_or("");
    return c;
}

AppearanceSettings readAppearance(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    AppearanceSettings a;
    a.background = o.enumeration<BackgroundKind>("background");
    a.branding = o.record("branding", readBranding);
    a.customBackground = o.record("customBackground", readColor);
    a.defaultPlacement = o.record("defaultPlacement", readPlacement);
    a.filenameCleanup = o.record("filenameCleanup", readCleanup);
    a.margins = o.record("margins", readMargins);
    a.slideSize = o.enumeration<SlideSizePreset>("slideSize");
    a.typography = o.record("typography", readTypography);
    if (o.optional("captionsFrom"))
        a.captionsFrom = o.record("captionsFrom", readCaptionsFrom);
    a.language = o.optionalString("language");
    return a;
}

ExportSettings readExport(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    ExportSettings e;
    e.quality = o.enumeration<QualityPreset>("quality");
    e.suggestedBaseName = o.string("suggestedBaseName");
    return e;
}

// Seconds outside 1...600 (a file edited by hand) are brought to the nearest bound.
SlideAdvance readAdvance(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    SlideAdvance a;
    a.automatic = o.boolean("automatic");
    a.seconds = clampedAdvanceSeconds(o.integer("seconds"));
    return a;
}

SlideTransition readTransition(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    SlideTransition t;
    t.kind = o.enumeration<TransitionKind>("kind");
    t.speed = o.enumeration<TransitionSpeed>("speed");
    return t;
}

SlideShowSettings readShow(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    SlideShowSettings s;
    s.advance = o.record("advance", readAdvance);
    s.loops = o.boolean("loops");
    s.transition = o.record("transition", readTransition);
    return s;
}

CameraClock readCameraClock(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    CameraClock c;
    c.camera.make = o.string("make");
    c.camera.model = o.string("model");
    c.offsetSeconds = o.integer("offsetSeconds");
    c.camera.serial = o.string("serial");
    return c;
}

std::string readKeyword(const Reader& r, const Json& v, const Path& at) {
    return r.string(v, at);
}

CaptureMoment readCaptureMoment(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    CaptureMoment c;
    c.localTime = o.string("localTime");
    if (!readCivilTime(c.localTime, "yyyy-MM-ddTHH:mm:ss"))
        r.fail(at.member("localTime"), TextId::jsonNotLocalTime);
    if (o.optional("utcOffsetMinutes")) {
        const std::int64_t offset = o.integer("utcOffsetMinutes");
        if (offset < -maxUTCOffsetMinutes || offset > maxUTCOffsetMinutes)
            r.fail(at.member("utcOffsetMinutes"), TextId::jsonOffsetTooLarge);
        c.utcOffsetMinutes = static_cast<std::int32_t>(offset);
    }
    return c;
}

GeoPosition readPosition(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    return GeoPosition{o.real("latitude"), o.real("longitude")};
}

PictureMetadata readMetadata(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    PictureMetadata m;
    m.artist = o.optionalString("artist");
    m.bodySerialNumber = o.optionalString("bodySerialNumber");
    m.cameraMake = o.optionalString("cameraMake");
    m.cameraModel = o.optionalString("cameraModel");
    if (o.optional("captured"))
        m.captured = o.record("captured", readCaptureMoment);
    m.city = o.optionalString("city");
    m.country = o.optionalString("country");
    m.description = o.optionalString("description");
    if (o.optional("keywords"))
        m.keywords = o.list("keywords", readKeyword);
    if (o.optional("position"))
        m.position = o.record("position", readPosition);
    m.title = o.optionalString("title");
    return m;
}

SourceImage readImage(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    SourceImage i;
    i.byteCount = o.integer("byteCount");
    i.captureDate = o.optionalDate("captureDate");
    i.dpiX = o.real("dpiX");
    i.dpiY = o.real("dpiY");
    i.frameCount = o.integer("frameCount");
    i.hasAlpha = o.boolean("hasAlpha");
    i.id = o.identifier("id");
    i.importError = o.optionalString("importError");
    i.isIncluded = o.boolean("isIncluded");
    if (o.optional("metadata"))
        i.metadata = o.record("metadata", readMetadata);
    i.originalFileName = o.string("originalFileName");
    i.pixelHeight = o.integer("pixelHeight");
    i.pixelWidth = o.integer("pixelWidth");
    i.sha256 = o.string("sha256");
    i.storedFileName = o.string("storedFileName");
    i.uti = o.string("uti");
    return i;
}

ImageSlot readSlot(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    ImageSlot s;
    s.caption = o.string("caption");
    s.crop = o.record("crop", readCrop);
    s.id = o.identifier("id");
    s.imageID = o.optionalIdentifier("imageID");
    s.altText = o.optionalString("altText");
    return s;
}

Slide readSlide(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    Slide s;
    if (o.optional("advanceOverride"))
        s.advanceOverride = o.record("advanceOverride", readAdvance);
    s.captionAlignment = o.optional("captionAlignment")
                             ? o.enumeration<CaptionAlignment>("captionAlignment")
                             : CaptionAlignment::leading;
    s.captionPoints = o.optional("captionPoints") ? o.real("captionPoints") : 16.0;
    s.id = o.identifier("id");
    s.isExcluded = o.boolean("isExcluded");
    s.layout = o.enumeration<SlideLayoutKind>("layout");
    s.notes = o.string("notes");
    if (o.optional("placementOverride"))
        s.placementOverride = o.record("placementOverride", readPlacement);
    s.slots = o.list("slots", readSlot);  // not checked against the layout's slot count
    s.title = o.string("title");
    if (o.optional("transitionOverride"))
        s.transitionOverride = o.record("transitionOverride", readTransition);
    return s;
}

Project readProject(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    Project p;
    // The version is judged first: a newer file is refused as such, whatever else it holds.
    const std::int64_t version = o.integer("formatVersion");
    if (version >= 2)
        r.failWhole(TextId::jsonNewerVersion, {std::to_string(version)});
    p.formatVersion = currentFormatVersion;  // 1, and also for 0 and negative versions
    p.appearance = o.record("appearance", readAppearance);
    // Members added after the first release; files without them play by hand, without effects.
    if (o.optional("cameraClocks"))
        p.cameraClocks = o.list("cameraClocks", readCameraClock);
    if (o.optional("show"))
        p.show = o.record("show", readShow);
    p.export_ = o.record("export", readExport);
    p.images = o.list("images", readImage);
    p.slides = o.list("slides", readSlide);
    p.sort = o.enumeration<SortMode>("sort");
    return p;
}

DocumentDefaults readDefaults(const Reader& r, const Json& v, const Path& at) {
    Object o(r, v, at);
    DocumentDefaults d;
    d.appearance = o.record("appearance", readAppearance);
    d.export_ = o.record("export", readExport);
    d.sort = o.enumeration<SortMode>("sort");
    return d;
}

struct TooDeep {};

// Parses strictly (no comments, nothing after the value, valid UTF-8 in strings) and turns every
// parser complaint into a Failure. Messages never quote the input, which may be huge.
Json parseDocument(const Reader& reader, const Bytes& bytes) {
    const Json::parser_callback_t limitDepth = [](int depth, Json::parse_event_t event, Json&) {
        if ((event == Json::parse_event_t::object_start ||
             event == Json::parse_event_t::array_start) &&
            depth >= maxNestingDepth)
            throw TooDeep{};
        return true;
    };
    try {
        return Json::parse(bytes.begin(), bytes.end(), limitDepth, true, false);
    } catch (const TooDeep&) {
        reader.failWhole(TextId::jsonTooDeep, {std::to_string(maxNestingDepth)});
    } catch (const Json::parse_error& e) {
        reader.failWhole(TextId::jsonInvalid, {std::to_string(e.byte)});
    } catch (const Json::out_of_range&) {
        reader.failWhole(TextId::jsonNumberTooLarge);
    }
}

template <class T>
Result<T> decode(TextId document, const Bytes& bytes,
                 T (*read)(const Reader&, const Json&, const Path&)) {
    const Reader reader(document);
    try {
        const Json root = parseDocument(reader, bytes);
        return read(reader, root, Path{});
    } catch (const Failure& f) {
        return errorSaying(f.text, ErrorCode::damaged);
    } catch (const std::bad_alloc&) {
        return errorSaying(Text{TextId::jsonTooLarge, {}, {Text{document}}});
    } catch (const std::exception&) {
        return errorSaying(Text{TextId::jsonNotRead, {}, {Text{document}}});
    }
}

// ---------------------------------------------------------------------------------------------
// Writing

class Writer {
public:
    // `subject` names what is written: projectSubject or defaultSettingsSubject.
    explicit Writer(TextId subject) : subject_(subject) {}

    Json real(double value, const Path& at) const {
        if (!std::isfinite(value))
            throw Failure{Text{TextId::jsonNotFinite, {at.text()}, {Text{subject_}}}};
        return value;
    }
    // Refuses instants whose year has more than four digits: such text would not read back.
    Json date(Timestamp time, const Path& at) const {
        using namespace std::chrono;
        constexpr auto first = sys_days{year{0} / January / 1};
        constexpr auto last = sys_days{year{9999} / December / 31} + days{1};
        if (time < first || time >= last)
            throw Failure{Text{TextId::jsonYearOutOfRange, {at.text()}, {Text{subject_}}}};
        return formatInternetDate(time);
    }

private:
    TextId subject_;
};

Json writeCrop(const Writer& w, const CropAnchor& c, const Path& at) {
    return Json{{"x", w.real(c.x, at.member("x"))}, {"y", w.real(c.y, at.member("y"))}};
}

Json writeColor(const Writer& w, const RGBAColor& c, const Path& at) {
    return Json{{"alpha", w.real(c.alpha, at.member("alpha"))},
                {"blue", w.real(c.blue, at.member("blue"))},
                {"green", w.real(c.green, at.member("green"))},
                {"red", w.real(c.red, at.member("red"))}};
}

Json writePlacement(const Writer& w, const Placement& p, const Path& at) {
    return Json{{"crop", writeCrop(w, p.crop, at.member("crop"))},
                {"mode", caseName(p.mode)},
                {"rotationDegrees", w.real(p.rotationDegrees, at.member("rotationDegrees"))},
                {"scale", w.real(p.scale, at.member("scale"))}};
}

Json writeAppearance(const Writer& w, const AppearanceSettings& a, const Path& at) {
    const Path margins = at.member("margins");
    const Path typography = at.member("typography");
    const Path branding = at.member("branding");
    Json b = Json{{"logoMaxHeightInches",
                   w.real(a.branding.logoMaxHeightInches, branding.member("logoMaxHeightInches"))},
                  {"logoPosition", caseName(a.branding.logoPosition)},
                  {"numberPosition", caseName(a.branding.numberPosition)},
                  {"showSlideNumbers", a.branding.showSlideNumbers}};
    if (a.branding.logoFileName)
        b["logoFileName"] = *a.branding.logoFileName;
    const Typography& t = a.typography;
    Json o = Json{
        {"background", caseName(a.background)},
        {"branding", std::move(b)},
        {"customBackground", writeColor(w, a.customBackground, at.member("customBackground"))},
        {"defaultPlacement", writePlacement(w, a.defaultPlacement, at.member("defaultPlacement"))},
        {"filenameCleanup", Json{{"enabled", a.filenameCleanup.enabled},
                                 {"replaceSeparators", a.filenameCleanup.replaceSeparators},
                                 {"stripLeadingNumbers", a.filenameCleanup.stripLeadingNumbers}}},
        {"margins", Json{{"bottom", w.real(a.margins.bottom, margins.member("bottom"))},
                         {"leading", w.real(a.margins.leading, margins.member("leading"))},
                         {"top", w.real(a.margins.top, margins.member("top"))},
                         {"trailing", w.real(a.margins.trailing, margins.member("trailing"))}}},
        {"slideSize", caseName(a.slideSize)},
        {"typography",
         Json{{"bodyColor", writeColor(w, t.bodyColor, typography.member("bodyColor"))},
              {"bodyPoints", w.real(t.bodyPoints, typography.member("bodyPoints"))},
              {"fontName", t.fontName},
              {"titleBold", t.titleBold},
              {"titleColor", writeColor(w, t.titleColor, typography.member("titleColor"))},
              {"titlePoints", w.real(t.titlePoints, typography.member("titlePoints"))}}}};
    // Written only when set, so that decks that use neither read in older versions unchanged.
    if (a.captionsFrom != CaptionsFrom{}) {
        o["captionsFrom"] = Json{{"source", caseName(a.captionsFrom.source)}};
        if (!a.captionsFrom.pattern.empty())
            o["captionsFrom"]["pattern"] = a.captionsFrom.pattern;
    }
    if (a.language)
        o["language"] = *a.language;
    return o;
}

Json writeExport(const ExportSettings& e) {
    return Json{{"quality", caseName(e.quality)}, {"suggestedBaseName", e.suggestedBaseName}};
}

Json writeAdvance(const SlideAdvance& a) {
    return Json{{"automatic", a.automatic}, {"seconds", a.seconds}};
}

Json writeTransition(const SlideTransition& t) {
    return Json{{"kind", caseName(t.kind)}, {"speed", caseName(t.speed)}};
}

Json writeShow(const SlideShowSettings& s) {
    return Json{{"advance", writeAdvance(s.advance)},
                {"loops", s.loops},
                {"transition", writeTransition(s.transition)}};
}

// Only the members that are present: a picture without metadata writes no "metadata" at all.
Json writeMetadata(const Writer& w, const PictureMetadata& m, const Path& at) {
    Json o = Json::object();
    const auto text = [&](const char* key, const std::optional<std::string>& value) {
        if (value)
            o[key] = *value;
    };
    text("artist", m.artist);
    text("bodySerialNumber", m.bodySerialNumber);
    text("cameraMake", m.cameraMake);
    text("cameraModel", m.cameraModel);
    text("city", m.city);
    text("country", m.country);
    text("description", m.description);
    text("title", m.title);
    if (m.captured) {
        o["captured"] = Json{{"localTime", m.captured->localTime}};
        if (m.captured->utcOffsetMinutes)
            o["captured"]["utcOffsetMinutes"] = *m.captured->utcOffsetMinutes;
    }
    if (!m.keywords.empty())
        o["keywords"] = m.keywords;
    if (m.position) {
        const Path position = at.member("position");
        o["position"] =
            Json{{"latitude", w.real(m.position->latitude, position.member("latitude"))},
                 {"longitude", w.real(m.position->longitude, position.member("longitude"))}};
    }
    return o;
}

Json writeImage(const Writer& w, const SourceImage& i, const Path& at) {
    Json o = Json{{"byteCount", i.byteCount},
                  {"dpiX", w.real(i.dpiX, at.member("dpiX"))},
                  {"dpiY", w.real(i.dpiY, at.member("dpiY"))},
                  {"frameCount", i.frameCount},
                  {"hasAlpha", i.hasAlpha},
                  {"id", i.id.text()},
                  {"isIncluded", i.isIncluded},
                  {"originalFileName", i.originalFileName},
                  {"pixelHeight", i.pixelHeight},
                  {"pixelWidth", i.pixelWidth},
                  {"sha256", i.sha256},
                  {"storedFileName", i.storedFileName},
                  {"uti", i.uti}};
    if (i.captureDate)
        o["captureDate"] = w.date(*i.captureDate, at.member("captureDate"));
    if (i.importError)
        o["importError"] = *i.importError;
    if (!i.metadata.empty())
        o["metadata"] = writeMetadata(w, i.metadata, at.member("metadata"));
    return o;
}

Json writeSlot(const Writer& w, const ImageSlot& s, const Path& at) {
    Json o = Json{{"caption", s.caption},
                  {"crop", writeCrop(w, s.crop, at.member("crop"))},
                  {"id", s.id.text()}};
    if (s.imageID)
        o["imageID"] = s.imageID->text();
    if (s.altText)
        o["altText"] = *s.altText;
    return o;
}

Json writeSlide(const Writer& w, const Slide& s, const Path& at) {
    const Path slotsPath = at.member("slots");
    Json slots = Json::array();
    for (std::size_t i = 0; i < s.slots.size(); ++i)
        slots.push_back(writeSlot(w, s.slots[i], slotsPath.element(i)));
    Json o = Json{{"captionAlignment", caseName(s.captionAlignment)},
                  {"captionPoints", w.real(s.captionPoints, at.member("captionPoints"))},
                  {"id", s.id.text()},
                  {"isExcluded", s.isExcluded},
                  {"layout", caseName(s.layout)},
                  {"notes", s.notes},
                  {"slots", std::move(slots)},
                  {"title", s.title}};
    if (s.placementOverride)
        o["placementOverride"] =
            writePlacement(w, *s.placementOverride, at.member("placementOverride"));
    if (s.advanceOverride)
        o["advanceOverride"] = writeAdvance(*s.advanceOverride);
    if (s.transitionOverride)
        o["transitionOverride"] = writeTransition(*s.transitionOverride);
    return o;
}

Json writeProject(const Writer& w, const Project& p) {
    const Path root;
    const Path imagesPath = root.member("images");
    const Path slidesPath = root.member("slides");
    Json images = Json::array();
    for (std::size_t i = 0; i < p.images.size(); ++i)
        images.push_back(writeImage(w, p.images[i], imagesPath.element(i)));
    Json slides = Json::array();
    for (std::size_t i = 0; i < p.slides.size(); ++i)
        slides.push_back(writeSlide(w, p.slides[i], slidesPath.element(i)));
    Json o = Json{{"appearance", writeAppearance(w, p.appearance, root.member("appearance"))},
                  {"export", writeExport(p.export_)},
                  {"formatVersion", p.formatVersion},
                  {"images", std::move(images)},
                  {"slides", std::move(slides)},
                  {"sort", caseName(p.sort)}};
    // Written only when they say something, so that a deck without them reads as before anywhere.
    if (p.show != SlideShowSettings{})
        o["show"] = writeShow(p.show);
    if (!p.cameraClocks.empty()) {
        Json clocks = Json::array();
        for (const auto& c : p.cameraClocks)
            clocks.push_back(Json{{"make", c.camera.make},
                                  {"model", c.camera.model},
                                  {"offsetSeconds", c.offsetSeconds},
                                  {"serial", c.camera.serial}});
        o["cameraClocks"] = std::move(clocks);
    }
    return o;
}

// Text fields are expected to be UTF-8. Any invalid sequence (a file name from a file system
// that is not UTF-8, say) is written as U+FFFD, so the saved file always reads back.
Result<Bytes> encode(TextId subject, int indent, const auto& build) {
    try {
        const Json root = build(Writer(subject));
        std::string text = root.dump(indent, ' ', false, Json::error_handler_t::replace);
        if (indent >= 0)
            text.push_back('\n');
        return Bytes(std::string_view(text));
    } catch (const Failure& f) {
        return errorSaying(f.text);
    } catch (const std::exception&) {
        return errorSaying(Text{TextId::jsonNotWritten, {}, {Text{subject}}});
    }
}

}  // namespace

Result<Bytes> encodeProject(const Project& project) {
    return encode(TextId::projectSubject, 2,
                  [&](const Writer& w) { return writeProject(w, project); });
}

Result<Project> decodeProject(const Bytes& bytes) {
    return decode(TextId::projectFile, bytes, readProject);
}

Result<Bytes> encodeDefaults(const DocumentDefaults& defaults) {
    return encode(TextId::defaultSettingsSubject, -1, [&](const Writer& w) {
        const Path root;
        return Json{
            {"appearance", writeAppearance(w, defaults.appearance, root.member("appearance"))},
            {"export", writeExport(defaults.export_)},
            {"sort", caseName(defaults.sort)}};
    });
}

Result<DocumentDefaults> decodeDefaults(const Bytes& bytes) {
    return decode(TextId::defaultSettingsFile, bytes, readDefaults);
}

}  // namespace mosavelle
