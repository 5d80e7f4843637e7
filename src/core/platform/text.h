#pragma once

#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace mosavelle {

// The sentences the core says to the user, by identifier, so that an interface can say each in
// its own language. `englishTemplate` is the core's own wording: %1, %2... stand for the
// arguments of a Text in order, then for the Texts it quotes.
enum class TextId {
    // Reading a file
    fileNoLongerExists,
    fileNoPermission,
    fileLinkLoop,
    fileNotRead,  // %1 the system's reason
    fileIsFolder,
    fileNotRegular,
    fileTooLargeForPicture,
    fileTooLarge,
    fileNotCopied,
    fileChanged,
    // Pictures
    imageUnreadable,
    imageUnsupported,
    imageEmpty,
    animatedFirstFrame,
    // Projects
    projectDamaged,
    projectImageMissing,
    projectNotSaved,         // %1 the quoted project name, %2 why
    projectLocationInvalid,  // %1 the quoted location
    projectNotLocked,        // %1 the quoted project name, %2 the system's reason
    projectBusy,             // %1 the quoted project name
    // Why a save was refused (the reason of projectNotSaved): the quoted names of the pictures
    onePictureChanged,
    twoPicturesChanged,
    threePicturesChanged,
    fourPicturesChanged,
    morePicturesChanged,  // %4 how many more (two or more)
    onePictureUnread,
    morePicturesUnread,  // %2 how many more
    pictureNotRead,      // %1 the picture's file name
    // The project file (project.json) and the default settings file: what they are called
    projectFile,  // "In the project file, ..."
    defaultSettingsFile,
    projectSubject,  // "The project could not be written."
    defaultSettingsSubject,
    jsonTopLevel,  // where a rule was broken
    jsonMember,    // %1 the member's path, such as slides[2].title
    // A value of the file that breaks a rule: %1 the file, %2 where (jsonTopLevel, jsonMember)
    jsonNotString,
    jsonNotBoolean,
    jsonNotNumber,
    jsonNotWholeNumber,
    jsonNotIdentifierString,
    jsonNotIdentifier,
    jsonNotDateString,
    jsonNotUtcDate,
    jsonNotAllowedName,
    jsonNotObject,
    jsonMissing,
    jsonNotArray,
    jsonNotLocalTime,
    jsonOffsetTooLarge,
    // The whole file, named after the numbers: projectFile... when read, projectSubject... when
    // written
    jsonNewerVersion,  // %1 the version
    jsonTooDeep,       // %1 the most levels
    jsonInvalid,       // %1 the byte's position
    jsonNumberTooLarge,
    jsonTooLarge,
    jsonNotRead,
    jsonNotFinite,       // %1 the member's path
    jsonYearOutOfRange,  // %1 the member's path
    jsonNotWritten,
    // Presentations
    presentationNotWritten,
    presentationOutOfMemory,
    exportCancelled,
    archiveClosed,
    partNameTooLong,
    fileNotWritten,  // %1 the file name, %2 why
    namedFailure,    // %1 a file name, %2 what happened to it; the last identifier
};

// A sentence: what it says and the names, places and system reasons it says it about (text to
// show as it is), then the sentences it quotes (a cause), each to be said in the same language.
struct Text {
    TextId id = TextId::fileNotRead;
    std::vector<std::string> arguments = {};
    std::vector<Text> quotes = {};
    friend bool operator==(const Text&, const Text&) = default;
};

// Each identifier's English template, in the order of TextId.
struct TextTemplate {
    TextId id;
    std::string_view english;
};
inline constexpr TextTemplate textTemplates[] = {
    {TextId::fileNoLongerExists, "The file could not be opened because it no longer exists."},
    {TextId::fileNoPermission,
     "The file could not be opened because you do not have permission to view it."},
    {TextId::fileLinkLoop, "The file could not be opened because its symbolic links form a loop."},
    {TextId::fileNotRead, "The file could not be read (%1)."},
    {TextId::fileIsFolder, "The file could not be read because it is a folder."},
    {TextId::fileNotRegular, "The file could not be read because it is not a regular file."},
    {TextId::fileTooLargeForPicture,
     "The file could not be read because it is too large to be a picture."},
    {TextId::fileTooLarge, "The file could not be read because it is too large."},
    {TextId::fileNotCopied,
     "The file could not be copied into the deck because the disk is full or cannot be written."},
    {TextId::fileChanged, "The file changed after it was added to the deck."},
    {TextId::imageUnreadable, "This file could not be read as an image."},
    {TextId::imageUnsupported, "This image format is not supported."},
    {TextId::imageEmpty, "This image has no pixels."},
    {TextId::animatedFirstFrame,
     "Animated GIF files import the first frame only. Animation is not exported."},
    {TextId::projectDamaged,
     "The project could not be opened because it is damaged or in an unknown format."},
    {TextId::projectImageMissing, "The copied image is missing from this project."},
    {TextId::projectNotSaved, "The project %1 could not be saved: %2."},
    {TextId::projectLocationInvalid,
     "The project could not be saved: the location %1 is not valid."},
    {TextId::projectNotLocked, "The project %1 could not be locked for saving: %2."},
    {TextId::projectBusy, "The project %1 is being saved by another program; it was not changed."},
    {TextId::onePictureChanged,
     "the deck\u2019s copy of the picture %1 was changed or damaged on disk"},
    {TextId::twoPicturesChanged,
     "the deck\u2019s copies of the pictures %1 and %2 were changed or damaged on disk"},
    {TextId::threePicturesChanged,
     "the deck\u2019s copies of the pictures %1, %2 and %3 were changed or damaged on disk"},
    {TextId::fourPicturesChanged,
     "the deck\u2019s copies of the pictures %1, %2, %3 and %4 were changed or damaged on disk"},
    {TextId::morePicturesChanged,
     "the deck\u2019s copies of the pictures %1, %2, %3 and %4 others were changed or damaged on "
     "disk"},
    {TextId::onePictureUnread,
     "its picture %1 could not be read when it was opened, and saving now would remove it from the "
     "project"},
    {TextId::morePicturesUnread,
     "its pictures %1 and %2 more could not be read when it was opened, and saving now would "
     "remove them from the project"},
    {TextId::pictureNotRead, "could not read the picture \u201C%1\u201D"},
    {TextId::projectFile, "project file"},
    {TextId::defaultSettingsFile, "default settings file"},
    {TextId::projectSubject, "project"},
    {TextId::defaultSettingsSubject, "default settings"},
    {TextId::jsonTopLevel, "the top-level value"},
    {TextId::jsonMember, "\"%1\""},
    {TextId::jsonNotString, "In the %1, %2 must be a string."},
    {TextId::jsonNotBoolean, "In the %1, %2 must be true or false."},
    {TextId::jsonNotNumber, "In the %1, %2 must be a number."},
    {TextId::jsonNotWholeNumber, "In the %1, %2 must be a whole number within the 64-bit range."},
    {TextId::jsonNotIdentifierString, "In the %1, %2 must be an identifier string."},
    {TextId::jsonNotIdentifier,
     "In the %1, %2 must be an identifier of 36 hexadecimal digits and hyphens."},
    {TextId::jsonNotDateString, "In the %1, %2 must be a date string."},
    {TextId::jsonNotUtcDate,
     "In the %1, %2 must be a UTC date with whole seconds, such as 2024-05-01T12:30:00Z."},
    {TextId::jsonNotAllowedName, "In the %1, %2 is not one of the names this field allows."},
    {TextId::jsonNotObject, "In the %1, %2 must be an object."},
    {TextId::jsonMissing, "In the %1, %2 is missing."},
    {TextId::jsonNotArray, "In the %1, %2 must be an array."},
    {TextId::jsonNotLocalTime,
     "In the %1, %2 must be a date and time such as 2024-05-01T12:30:00."},
    {TextId::jsonOffsetTooLarge, "In the %1, %2 must lie within 14 hours of UTC."},
    {TextId::jsonNewerVersion,
     "The %2 was written in format version %1, which this version of Mosavelle cannot read."},
    {TextId::jsonTooDeep, "The %2 nests arrays or objects more than %1 levels deep."},
    {TextId::jsonInvalid, "The %2 is not valid JSON text (error at byte %1)."},
    {TextId::jsonNumberTooLarge, "The %1 holds a number too large to read."},
    {TextId::jsonTooLarge, "The %1 is too large to read."},
    {TextId::jsonNotRead, "The %1 could not be read."},
    {TextId::jsonNotFinite, "The %2 cannot be saved because \"%1\" is not a finite number."},
    {TextId::jsonYearOutOfRange,
     "The %2 cannot be saved because \"%1\" lies outside the years 0 to 9999."},
    {TextId::jsonNotWritten, "The %1 could not be written."},
    {TextId::presentationNotWritten, "The presentation could not be written."},
    {TextId::presentationOutOfMemory, "There is not enough memory to write the presentation."},
    {TextId::exportCancelled, "The export was cancelled."},
    {TextId::archiveClosed, "The presentation archive is already closed."},
    {TextId::partNameTooLong,
     "The presentation could not be written: a part name is longer than 65535 bytes."},
    {TextId::fileNotWritten, "The file \u201C%1\u201D could not be written: %2."},
    {TextId::namedFailure, "%1: %2"},
};
static_assert(std::size(textTemplates) == std::size_t(TextId::namedFailure) + 1);

// "The file could not be read (%1)." for fileNotRead.
constexpr std::string_view englishTemplate(TextId id) {
    const auto index = static_cast<std::size_t>(id);
    return index < std::size(textTemplates) ? textTemplates[index].english : "%1";
}

// Whether the table lists the identifiers in their order, so that `englishTemplate` finds each.
constexpr bool templatesInOrder() {
    for (std::size_t i = 0; i < std::size(textTemplates); ++i)
        if (static_cast<std::size_t>(textTemplates[i].id) != i)
            return false;
    return true;
}
static_assert(templatesInOrder());

// The English sentence: the template with its placeholders filled in one pass.
std::string englishText(const Text& text);

}  // namespace mosavelle
