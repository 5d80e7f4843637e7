#include "app/window/warning_strip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStringList>
#include <algorithm>

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
        const QString message = QString::fromStdString(warningMessage(warning));
        if (!messages.contains(message))
            messages.push_back(message);
    }
    return messages.join(QLatin1Char(' '));
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
