#pragma once

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
    // Presentations
    presentationNotWritten,
    presentationOutOfMemory,
    exportCancelled,
    fileNotWritten,  // %1 the file name, %2 why
    namedFailure,    // %1 a file name, %2 what happened to it
};

// A sentence: what it says and the names, places and system reasons it says it about (text to
// show as it is), then the sentences it quotes (a cause), each to be said in the same language.
struct Text {
    TextId id = TextId::fileNotRead;
    std::vector<std::string> arguments = {};
    std::vector<Text> quotes = {};
    friend bool operator==(const Text&, const Text&) = default;
};

// "The file could not be read (%1)." for fileNotRead.
constexpr std::string_view englishTemplate(TextId id) {
    switch (id) {
        case TextId::fileNoLongerExists:
            return "The file could not be opened because it no longer exists.";
        case TextId::fileNoPermission:
            return "The file could not be opened because you do not have permission to view it.";
        case TextId::fileLinkLoop:
            return "The file could not be opened because its symbolic links form a loop.";
        case TextId::fileNotRead:
            return "The file could not be read (%1).";
        case TextId::fileIsFolder:
            return "The file could not be read because it is a folder.";
        case TextId::fileNotRegular:
            return "The file could not be read because it is not a regular file.";
        case TextId::fileTooLargeForPicture:
            return "The file could not be read because it is too large to be a picture.";
        case TextId::fileTooLarge:
            return "The file could not be read because it is too large.";
        case TextId::fileNotCopied:
            return "The file could not be copied into the deck because the disk is full or "
                   "cannot be written.";
        case TextId::fileChanged:
            return "The file changed after it was added to the deck.";
        case TextId::imageUnreadable:
            return "This file could not be read as an image.";
        case TextId::imageUnsupported:
            return "This image format is not supported.";
        case TextId::imageEmpty:
            return "This image has no pixels.";
        case TextId::animatedFirstFrame:
            return "Animated GIF files import the first frame only. Animation is not exported.";
        case TextId::projectDamaged:
            return "The project could not be opened because it is damaged or in an unknown "
                   "format.";
        case TextId::projectImageMissing:
            return "The copied image is missing from this project.";
        case TextId::projectNotSaved:
            return "The project %1 could not be saved: %2.";
        case TextId::projectLocationInvalid:
            return "The project could not be saved: the location %1 is not valid.";
        case TextId::projectNotLocked:
            return "The project %1 could not be locked for saving: %2.";
        case TextId::projectBusy:
            return "The project %1 is being saved by another program; it was not changed.";
        case TextId::presentationNotWritten:
            return "The presentation could not be written.";
        case TextId::presentationOutOfMemory:
            return "There is not enough memory to write the presentation.";
        case TextId::exportCancelled:
            return "The export was cancelled.";
        case TextId::fileNotWritten:
            return "The file \u201C%1\u201D could not be written: %2.";
        case TextId::namedFailure:
            return "%1: %2";
    }
    return "%1";
}

// The English sentence: the template with its placeholders filled in one pass.
std::string englishText(const Text& text);

}  // namespace mosavelle
