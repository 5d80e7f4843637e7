#pragma once

#include <QCoreApplication>
#include <QString>
#include <string>

#include "core/export/presentation_export.h"
#include "core/import/import_plan.h"
#include "core/layout/rendered_slide.h"
#include "core/model/project.h"
#include "core/platform/result.h"
#include "core/platform/text.h"

namespace mosavelle::app {

// The core's sentences, step names and labels in the interface's language. The core says them by
// identifier (TextId, EditStep, ExportStage, SlideWarning, SlideLayoutKind); each function here
// has the same English wording as the core, through tr(), so that a translation covers them.
class CoreTexts {
    Q_DECLARE_TR_FUNCTIONS(CoreTexts)

public:
    // A sentence with its arguments and quoted sentences filled in.
    static QString sentence(const Text& text);
    // The failure's sentence: its Text when it has one, else its English message.
    static QString error(const Error& error);
    // The name of an undo step as the undo history stores it ("Rename Slide"); a name that is no
    // step kind of the program's is shown as it is.
    static QString editStep(const std::string& name);
    // "Building slide 3 of 12…" and the other stages of an export.
    static QString exportProgress(const ExportProgress& progress);
    // "Part of this image extends outside the slide." and the other slide warnings.
    static QString warning(const SlideWarning& warning);
    // "One image", "Two images", "Section divider"...
    static QString layoutName(SlideLayoutKind layout);
    // The slide's title, else its first picture's file name, else its layout's name.
    static QString slideName(const Slide& slide, const Project& project);
    // A picture's import error as stored in the deck (an English sentence of the core's).
    static QString importError(const std::string& sentence);
    // The notes after an import: one "name: sentence" line per failure, then, after an empty
    // line, the note on animated pictures; empty when neither applies.
    static QString importNotes(const ImportPlan& plan);

private:
    static QString pattern(TextId id);
};

}  // namespace mosavelle::app
