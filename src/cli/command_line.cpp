#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <exception>
#include <string>

#include "cli/commands.h"
#include "cli/deck_options.h"
#include "core/import/picture_texts.h"
#include "core/platform/names.h"

namespace mosavelle::cli {
namespace {

constexpr const char* exitStatusHelp =
    "Exit status: 0 success, 1 usage error, 2 bad input (a missing input, an unreadable picture\n"
    "or project), 3 the presentation or project could not be written, 130 interrupted (nothing\n"
    "written). Errors are one sentence on standard error; progress is shown there only when\n"
    "it is a terminal.\n";

// Paths the tool writes must carry their document's extension (any letter case): a mistyped
// command line such as `make *.jpg` would otherwise replace the first picture with a
// presentation, and `--save pictures` would replace a folder with a package.
CLI::Validator extensionCheck(std::string extension) {
    return CLI::Validator(
        [extension](std::string path) -> std::string {
            while (path.size() > 1 && path.back() == '/')  // a package named with a final slash
                path.pop_back();
            if (path.size() > extension.size() && asciiLowercased(std::string_view(path).substr(
                                                      path.size() - extension.size())) == extension)
                return {};
            return "the file to write must end in " + extension + ", not " + path;
        },
        "", "extension");
}

// Enumeration values are taken as their case names; the parser has already checked membership.
template <class E>
std::optional<E> enumOption(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    return parseCase<E>(text);
}

// The words of `--layout` and `--group`, already checked by the parser.
std::optional<SlideLayoutKind> layoutOption(const std::string& text) {
    if (text == "one")
        return SlideLayoutKind::oneImage;
    if (text == "captioned")
        return SlideLayoutKind::imageTitleCaption;
    if (text == "two")
        return SlideLayoutKind::twoUp;
    if (text == "four")
        return SlideLayoutKind::fourGrid;
    return std::nullopt;
}

// The word or pattern of `--captions-from`: nothing when it is neither.
std::optional<CaptionsFrom> captionsFromOption(const std::string& text) {
    if (text == "filename")
        return CaptionsFrom{CaptionSource::fileName, {}};
    if (text == "description")
        return CaptionsFrom{CaptionSource::description, {}};
    if (text == "title")
        return CaptionsFrom{CaptionSource::title, {}};
    // A pattern names at least one field; a mistyped word would otherwise caption every slide
    // with itself.
    const std::size_t open = text.find('{');
    if (open != std::string::npos && text.find('}', open) != std::string::npos)
        return CaptionsFrom{CaptionSource::pattern, text};
    return std::nullopt;
}

void addImportFlags(CLI::App& command, ImportOptions& import) {
    command.add_flag("-r,--recursive", import.recursive, "Include the subfolders of folders");
    command.add_flag("--keep-duplicates", import.keepDuplicates,
                     "Import pictures whose bytes the deck already holds");
}

// Raw option texts that are turned into typed values after parsing.
struct RawDeckOptions {
    std::string quality, sort, layout, group, placement, size, captionsFrom, transition,
        sectionGaps, language;
};

// "day", or a number of hours above 0 and at most a year's.
std::optional<double> sectionGapOption(const std::string& text) {
    if (text == "day")
        return 0.0;
    try {
        std::size_t used = 0;
        const double hours = std::stod(text, &used);
        if (used == text.size() && hours > 0 && hours <= 24 * 366)
            return hours;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

// The options of the slides' text: captions and their source, and the text's language.
void addTextOptions(CLI::App& command, DeckOptions& deck, RawDeckOptions& raw) {
    command.add_flag("--captions", deck.captions,
                     "Caption each slide with its cleaned-up file name");
    command
        .add_option("--captions-from", raw.captionsFrom,
                    "Caption each slide from its picture: its cleaned-up file name, its "
                    "description or title, or a pattern of {title} {description} {date} {time} "
                    "{place} {keywords} {camera} {filename} (implies --captions)")
        ->check(CLI::Validator(
            [](const std::string& text) -> std::string {
                return captionsFromOption(text)
                           ? std::string()
                           : "expected filename, description, title or a pattern with a field "
                             "such as {title}";
            },
            "", "SOURCE"))
        ->type_name("filename|description|title|PATTERN");
    command
        .add_option("--language", raw.language,
                    "The language of the slides' text, a tag such as de-DE (default: the "
                    "saved default, else the user's locale)")
        ->check(CLI::Validator(
            [](const std::string& text) -> std::string {
                return normalizedLanguageTag(text) ? std::string()
                                                   : "expected a language tag such as de-DE";
            },
            "", "TAG"))
        ->type_name("TAG");
    command.add_flag("--strip-numbers", deck.stripNumbers,
                     "Leave leading numbers out of the captions (needs --captions or "
                     "--captions-from)");
}

CLI::App* addMake(CLI::App& app, MakeOptions& make, RawDeckOptions& raw) {
    auto* command = app.add_subcommand(
        "make",
        "Make a presentation from pictures and folders in one step, starting from the "
        "saved default settings");
    command->add_option("OUT", make.output, "The presentation to write (.pptx)")
        ->required()
        ->check(extensionCheck(".pptx"));
    command->add_option("INPUT", make.import.inputs, "Picture files and folders")->required();
    addImportFlags(*command, make.import);
    command->add_option("--quality", raw.quality, "Picture quality of the export")
        ->check(CLI::IsMember({"best", "balanced", "small"}));
    command->add_option("--sort", raw.sort, "Slide order")
        ->check(CLI::IsMember(
            {"manual", "filename", "captureDate", "reverseFilename", "reverseCaptureDate"}));
    command
        ->add_option("--layout", raw.layout,
                     "Slide layout: one picture, one with title and caption, or all slides "
                     "grouped two or four to a slide")
        ->check(CLI::IsMember({"one", "captioned", "two", "four"}));
    command->add_option("--group", raw.group, "The same as --layout two or --layout four")
        ->check(CLI::IsMember({"two", "four"}));
    command->add_option("--placement", raw.placement, "How pictures sit in their areas")
        ->check(CLI::IsMember({"fit", "fill", "actual"}));
    command->add_option("--size", raw.size, "Slide size")
        ->check(CLI::IsMember({"widescreen", "classic"}));
    command->add_option("--background", make.deck.background, "Slide background colour")
        ->check(CLI::Validator(
            [](const std::string& text) -> std::string {
                return parseBackground(text) ? std::string()
                                             : "expected white, black or six hex digits RRGGBB";
            },
            "", "BACKGROUND"))
        ->type_name("white|black|RRGGBB");
    command->add_flag("--slide-numbers", make.deck.slideNumbers, "Print slide numbers");
    command->add_option("--logo", make.deck.logo, "A picture shown as the logo on every slide")
        ->type_name("FILE");
    addTextOptions(*command, make.deck, raw);
    command
        ->add_option("--advance", make.deck.advanceSeconds,
                     "Advance the slides by themselves after this many seconds (1 to 600)")
        ->check(CLI::Range(1, 600))
        ->type_name("SECONDS");
    command->add_option("--transition", raw.transition, "The effect between slides")
        ->check(CLI::IsMember({"none", "fade", "push", "wipe", "cover"}));
    command->add_flag("--loop", make.deck.loop, "Start the show again after the last slide");
    command
        ->add_option("--sections-at-gaps", raw.sectionGaps,
                     "Sort by capture date and start a section, titled with its date, wherever "
                     "the pictures lie more than HOURS apart (\"day\": at each new day)")
        ->check(CLI::Validator(
            [](const std::string& text) -> std::string {
                return sectionGapOption(text) ? std::string()
                                              : "expected a number of hours above 0, or day";
            },
            "", "HOURS"))
        ->type_name("HOURS|day");
    command->add_option("--save", make.saveProject, "Also save the deck as a project package")
        ->check(extensionCheck(".mosavelle"))
        ->type_name("DECK.mosavelle");
    command->add_flag("-q,--quiet", make.quiet, "Show no progress");
    return command;
}

CLI::App* addImport(CLI::App& app, ImportCommandOptions& import) {
    auto* command =
        app.add_subcommand("import",
                           "Add pictures to a project package, creating it from the saved default "
                           "settings when it does not exist");
    command->add_option("DECK", import.project, "The project package (.mosavelle)")
        ->required()
        ->check(extensionCheck(".mosavelle"));
    command->add_option("INPUT", import.import.inputs, "Picture files and folders")->required();
    addImportFlags(*command, import.import);
    command->add_flag("-q,--quiet", import.quiet, "Show no progress");
    return command;
}

CLI::App* addExport(CLI::App& app, ExportCommandOptions& exportOptions, std::string& quality) {
    auto* command = app.add_subcommand("export", "Export a project package as a presentation");
    command->add_option("DECK", exportOptions.project, "The project package (.mosavelle)")
        ->required();
    command->add_option("OUT", exportOptions.output, "The presentation to write (.pptx)")
        ->check(extensionCheck(".pptx"))
        ->required();
    command
        ->add_option("--quality", quality,
                     "Picture quality of the export (default: the deck's own)")
        ->check(CLI::IsMember({"best", "balanced", "small"}));
    command->add_flag("-q,--quiet", exportOptions.quiet, "Show no progress");
    return command;
}

CLI::App* addInfo(CLI::App& app, InfoOptions& info) {
    auto* command = app.add_subcommand(
        "info", "Print the facts of picture files as a JSON array, one object per file");
    command->add_option("FILE", info.files, "Picture files")->required();
    return command;
}

CLI::App* addRender(CLI::App& app, RenderOptions& render) {
    auto* command =
        app.add_subcommand("render", "Print the laid-out slides of a project package as JSON");
    command->add_option("DECK", render.project, "The project package (.mosavelle)")->required();
    command->add_flag("--all", render.all,
                      "Every slide, excluded ones too, indexed by deck position");
    return command;
}

// Turns the raw option texts into `deck`'s typed values; the sentence of a usage error when two
// options disagree.
std::optional<std::string> typeDeckOptions(const RawDeckOptions& raw, DeckOptions& deck) {
    deck.quality = enumOption<QualityPreset>(raw.quality);
    deck.sort = enumOption<SortMode>(raw.sort);
    deck.placement = enumOption<SizingMode>(raw.placement);
    deck.size = enumOption<SlideSizePreset>(raw.size);
    if (!raw.group.empty() && !raw.layout.empty() && raw.group != raw.layout)
        return "--group " + raw.group + " and --layout " + raw.layout +
               " disagree; give only one of them.";
    deck.layout = layoutOption(raw.layout.empty() ? raw.group : raw.layout);
    if (!raw.captionsFrom.empty()) {
        deck.captionsFrom = captionsFromOption(raw.captionsFrom);
        deck.captions = true;
    }
    if (deck.stripNumbers && !deck.captions)
        return "--strip-numbers needs --captions or --captions-from.";
    deck.transition = enumOption<TransitionKind>(raw.transition);
    if (!raw.language.empty())
        deck.language = normalizedLanguageTag(raw.language);
    if (!raw.sectionGaps.empty()) {
        if (deck.sort && *deck.sort != SortMode::captureDate)
            return "--sections-at-gaps puts the slides in capture-date order; leave out --sort " +
                   raw.sort + ".";
        deck.sectionGapHours = sectionGapOption(raw.sectionGaps);
    }
    return std::nullopt;
}

// One line for a parse error: CLI11's message with a pointer to the help.
std::string usageSentence(const CLI::ParseError& error, const CLI::App& app) {
    std::string message = error.what();
    while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back())))
        message.pop_back();
    std::string command = "mosavelle-cli";
    for (const auto* sub : app.get_subcommands())
        command += " " + sub->get_name();
    return message + " (see \"" + command + " --help\").";
}

}  // namespace

int runCommandLine(int argc, char** argv) {
    Console console = Console::standard();
    try {
        CLI::App app("Turns pictures into a slide deck and exports it as a .pptx presentation.",
                     "mosavelle-cli");
        app.require_subcommand(1);
        app.set_version_flag("--version", std::string("mosavelle-cli ") + MOSAVELLE_VERSION,
                             "Print the version and exit");
        app.footer(exitStatusHelp);

        MakeOptions make;
        RawDeckOptions rawDeck;
        ImportCommandOptions import;
        ExportCommandOptions exportOptions;
        std::string exportQuality;
        InfoOptions info;
        RenderOptions render;
        auto* makeCommand = addMake(app, make, rawDeck);
        auto* importCommand = addImport(app, import);
        auto* exportCommand = addExport(app, exportOptions, exportQuality);
        auto* infoCommand = addInfo(app, info);
        auto* renderCommand = addRender(app, render);

        try {
            app.parse(argc, argv);
        } catch (const CLI::Success& done) {  // --help, --version
            return app.exit(done);
        } catch (const CLI::ParseError& error) {
            console.error(usageSentence(error, app));
            return code(ExitStatus::usage);
        }

        if (makeCommand->parsed()) {
            if (auto refusal = typeDeckOptions(rawDeck, make.deck)) {
                console.error(*refusal);
                return code(ExitStatus::usage);
            }
            console.setQuiet(make.quiet);
            return code(runMake(make, console));
        }
        if (importCommand->parsed()) {
            console.setQuiet(import.quiet);
            return code(runImport(import, console));
        }
        if (exportCommand->parsed()) {
            exportOptions.quality = enumOption<QualityPreset>(exportQuality);
            console.setQuiet(exportOptions.quiet);
            return code(runExport(exportOptions, console));
        }
        if (infoCommand->parsed())
            return code(runInfo(info, console));
        if (renderCommand->parsed())
            return code(runRender(render, console));
        return code(ExitStatus::usage);
    } catch (const std::exception& error) {
        // Nothing below is meant to throw; a stray exception (out of memory, a library fault)
        // still ends with one sentence rather than an abort.
        console.error(std::string("An unexpected error occurred: ") + error.what() + ".");
        return code(ExitStatus::outputFailed);
    }
}

}  // namespace mosavelle::cli
