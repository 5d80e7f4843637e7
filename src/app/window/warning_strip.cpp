#include "app/window/warning_strip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStringList>
#include <algorithm>

#include "app/support/core_texts.h"
#include "app/window/window_icons.h"
#include "core/editing/selection.h"
#include "core/layout/rendered_slide.h"
#include "core/layout/warnings.h"

namespace mosavelle::app {

QString warningStripText(const MosavelleDocument& document) {
    const auto primary = primarySlide(document);
    if (!primary)
        return {};
    const RenderedSlide rendered =
        renderSlide(*primary, document.slidePosition(primary->id).value_or(0), document.project());
    QStringList messages;
    for (const SlideWarning& warning : rendered.warnings) {
        const QString message = CoreTexts::warning(warning);
        if (!messages.contains(message))
            messages.push_back(message);
    }
    return messages.join(QLatin1Char(' '));
}

void SlideSizeOverflows::update(const MosavelleDocument& document) {
    const Project& project = document.project();
    const SlideSizePreset size = project.appearance.slideSize;
    std::vector<Uuid> overflowing;
    if (!size_) {
        size_ = size;
        return;
    }
    if (size != *size_) {
        size_ = size;
        overflowing = slidesWithPicturesOutside(project);
    } else if (!slides_.empty()) {
        overflowing = slidesWithPicturesOutside(project, slides_);
    }
    slides_ = std::set<Uuid>(overflowing.begin(), overflowing.end());
}

QString SlideSizeOverflows::text(const MosavelleDocument& document) const {
    // At most this many numbers are written out; the rest are counted.
    constexpr std::size_t named = 12;
    const std::vector<std::size_t> positions = document.slidePositions(slides_);
    if (positions.empty())
        return {};
    if (positions.size() == 1)
        return tr("Since the slide size changed, part of a picture extends outside slide %1.")
            .arg(positions.front() + 1);
    QStringList numbers;
    for (std::size_t i = 0; i < positions.size() && i < named; ++i)
        numbers.push_back(QString::number(positions[i] + 1));
    QString list = numbers.join(QStringLiteral(", "));
    if (positions.size() > named)
        list = tr("%1 and %n more", "slide numbers", int(positions.size() - named)).arg(list);
    return tr("Since the slide size changed, pictures extend outside slides %1.").arg(list);
}

WarningStrip::WarningStrip(QWidget* parent) : QFrame(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    row->setSpacing(8);
    auto* icon = new QLabel(this);
    icon->setPixmap(ownIcon(QStringLiteral("warning")).pixmap(16, 16));
    row->addWidget(icon, 0, Qt::AlignTop);
    text_ = new QLabel(this);
    text_->setWordWrap(true);
    QFont caption = text_->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    text_->setFont(caption);
    row->addWidget(text_, 1);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(255, 149, 0, 31));  // orange at 12 %
    setPalette(colours);
    setVisible(false);
}

void WarningStrip::setText(const QString& text) {
    text_->setText(text);
    setAccessibleName(text);
    setVisible(!text.isEmpty());
}

QString WarningStrip::text() const {
    return text_->text();
}

}  // namespace mosavelle::app
