#include "cli/commands.h"
#include "cli/project_files.h"
#include "cli/render_json.h"
#include "core/layout/rendered_slide.h"

namespace mosavelle::cli {

ExitStatus runRender(const RenderOptions& options, Console& console) {
    Result<PackageSnapshot> snapshot = openProject(options.project);
    if (!snapshot) {
        console.error(snapshot.error().message);
        return ExitStatus::badInput;
    }
    const Project& project = snapshot->project;
    OrderedJSON slides = OrderedJSON::array();
    if (options.all) {
        // Every slide, numbered by its place in the deck.
        for (std::size_t i = 0; i < project.slides.size(); ++i)
            slides.push_back(renderedSlideJSON(renderSlide(project.slides[i], i, project), i));
    } else {
        // What an export writes: the included slides, numbered among themselves.
        const std::vector<Slide> included = project.includedSlides();
        for (std::size_t i = 0; i < included.size(); ++i)
            slides.push_back(renderedSlideJSON(renderSlide(included[i], i, project), i));
    }
    const OrderedJSON document = {{"slides", std::move(slides)}};
    if (!console.printResult(jsonText(document))) {
        console.error("The slides could not be written to standard output.");
        return ExitStatus::outputFailed;
    }
    return ExitStatus::ok;
}

}  // namespace mosavelle::cli
