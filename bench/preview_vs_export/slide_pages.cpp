// The slides of a project as the application's slide painter draws them, one PNG per exported
// slide at 96 dots per inch, for comparing with a presentation program's pages of the exported
// file; and that comparison.
//
//   slide-pages DECK.mosavelle OUT-FOLDER       writes OUT-FOLDER/slide-N.png (N from 1)
//   slide-pages --compare A.png B.png           prints the share of pixels (0 to 1) that differ
//                                               after a 2-pixel (Gaussian) blur of both

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/preview/slide_painter.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "core/layout/rendered_slide.h"
#include "core/model/document.h"
#include "core/model/package.h"

namespace {

using namespace mosavelle;
using namespace mosavelle::app;

// The provider main() makes once the application object exists.
ThumbnailProvider* thumbnails = nullptr;

constexpr double dotsPerInch = 96;
constexpr double blurSigma = 2;
constexpr int differingStep = 24;  // of 255, in any channel after the blur

QImage paint(const RenderedSlide& rendered, const MosavelleDocument& document) {
    const double scale = dotsPerInch / 72;
    QImage image(slideCanvasSize(rendered.size, scale).toSize(), QImage::Format_RGB32);
    const int dotsPerMeter = int(std::lround(dotsPerInch / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    SlidePaintOptions options;
    options.scale = scale;
    options.showsOverflow = false;  // as presented, with no editing marks
    paintRenderedSlide(painter, rendered, document, *thumbnails, options);
    return image;
}

// Whether every picture of the slide is in the thumbnail cache at the size the painter asks for.
bool picturesReady(const RenderedSlide& rendered, const MosavelleDocument& document) {
    const double k = dotsPerInch;
    for (const PictureFrame& frame : rendered.pictures) {
        if (!pictureIsDrawable(document, frame))
            continue;
        const double visibleW = std::max(1.0 - frame.crop.left - frame.crop.right, 0.01);
        const double visibleH = std::max(1.0 - frame.crop.top - frame.crop.bottom, 0.01);
        const int pixels = thumbnailPixelSize(frame.frame.width * k / visibleW,
                                              frame.frame.height * k / visibleH, 1.0);
        if (!thumbnails->isReady(frame.imageID, pixels))
            return false;
    }
    return true;
}

// Pictures arrive from the thumbnail provider's workers: paint once every picture is there at
// its size and two paints a second apart agree (the logo), a minute at most.
QImage paintSettled(const RenderedSlide& rendered, const MosavelleDocument& document) {
    QImage last = paint(rendered, document);
    QElapsedTimer clock;
    clock.start();
    int stable = 0;
    while (stable < 5 && clock.elapsed() < 60000) {
        QEventLoop pause;  // runs the deliveries of finished thumbnails meanwhile
        QTimer::singleShot(200, &pause, &QEventLoop::quit);
        pause.exec();
        QImage now = paint(rendered, document);
        stable = now == last && picturesReady(rendered, document) ? stable + 1 : 0;
        last = std::move(now);
    }
    return last;
}

int writePages(const std::filesystem::path& deck, const std::filesystem::path& out) {
    auto snapshot = readProjectPackage(deck, realFileSystem(), nullptr, PackagePictures::inPlace);
    if (!snapshot) {
        std::fprintf(stderr, "%s\n", snapshot.error().message.c_str());
        return 2;
    }
    MosavelleDocument document(snapshot->project, snapshot->images, snapshot->logo);
    const Project& project = document.project();
    std::filesystem::create_directories(out);
    std::size_t n = 0;
    for (const Slide& slide : project.slides) {
        if (slide.isExcluded)
            continue;
        const RenderedSlide rendered = renderSlide(slide, n, project);
        ++n;
        const QString path =
            QString::fromStdString((out / ("slide-" + std::to_string(n) + ".png")).string());
        if (!paintSettled(rendered, document).save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 3;
        }
    }
    return 0;
}

// A Gaussian blur of standard deviation `sigma` pixels, across, then down.
QImage blurred(const QImage& source, double sigma) {
    const int radius = int(std::ceil(3 * sigma));
    std::vector<double> weights(std::size_t(2 * radius + 1));
    double total = 0;
    for (int d = -radius; d <= radius; ++d)
        total += weights[std::size_t(d + radius)] = std::exp(-d * d / (2 * sigma * sigma));
    for (double& w : weights)
        w /= total;
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    const auto pass = [&](bool across) {
        QImage out(image.size(), QImage::Format_RGB32);
        const int length = across ? w : h, lines = across ? h : w;
        for (int line = 0; line < lines; ++line) {
            for (int i = 0; i < length; ++i) {
                double r = 0, g = 0, b = 0;
                for (int d = -radius; d <= radius; ++d) {
                    const int j = std::clamp(i + d, 0, length - 1);
                    const QRgb p = across ? image.pixel(j, line) : image.pixel(line, j);
                    const double k = weights[std::size_t(d + radius)];
                    r += k * qRed(p), g += k * qGreen(p), b += k * qBlue(p);
                }
                out.setPixel(across ? i : line, across ? line : i,
                             qRgb(int(std::lround(r)), int(std::lround(g)), int(std::lround(b))));
            }
        }
        image = out;
    };
    pass(true);
    pass(false);
    return image;
}

int compare(const QString& first, const QString& second) {
    QImage a(first), b(second);
    if (a.isNull() || b.isNull()) {
        std::fprintf(stderr, "cannot read the pictures\n");
        return 2;
    }
    // Page renderers round the page to whole pixels differently: compare the common part.
    const int w = std::min(a.width(), b.width()), h = std::min(a.height(), b.height());
    a = blurred(a.copy(0, 0, w, h), blurSigma);
    b = blurred(b.copy(0, 0, w, h), blurSigma);
    long differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int step = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                       std::abs(qBlue(p) - qBlue(q))});
            differing += step > differingStep;
        }
    std::printf("%.5f\n", double(differing) / double(std::max(1L, long(w) * h)));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--compare")
        return compare(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc != 3) {
        std::fprintf(stderr,
                     "usage: slide-pages DECK.mosavelle OUT-FOLDER\n"
                     "       slide-pages --compare A.png B.png\n");
        return 1;
    }
    QApplication application(argc, argv);
    ThumbnailProvider provider;
    thumbnails = &provider;
    return writePages(argv[1], argv[2]);
}
