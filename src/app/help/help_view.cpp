#include "app/help/help_view.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/support/shortcuts.h"

namespace mosavelle::app {

namespace {

QString keys(const QKeySequence& sequence) {
    return sequence.toString(QKeySequence::NativeText);
}

QLabel* makeLabel(const QString& text, QWidget* parent, qreal pointScale = 1.0, bool bold = false) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    if (pointScale != 1.0)
        font.setPointSizeF(font.pointSizeF() * pointScale);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

}  // namespace

QString HelpView::introduction() {
    return tr(
        "Mosavelle turns pictures into a presentation. Arrange slides here, then export a "
        "PowerPoint (.pptx) file. Opens in PowerPoint, Keynote and LibreOffice Impress.");
}

QList<HelpView::Topic> HelpView::topics() {
    return {
        {tr("Import"),
         tr("Choose Import, drop images or a folder onto the window, or paste pictures. Each "
            "image can become a slide. Mosavelle copies files into the project so the deck stays "
            "together. Animated GIFs use the first frame only.")},
        {tr("Sidebar"),
         tr("Click a slide to select it. Drag to reorder. Right-click a thumbnail to Rename or "
            "Delete. Alt-click a thumbnail, or right-click it and choose Add Image to Current "
            "Slide, to add that image to the current slide (up to four images on a slide). Many "
            "Linux desktops (GNOME, KDE, Xfce) use Alt-click to move windows; the menu commands "
            "do the same without it. Edit → Cut, Copy and Paste move whole slides with their "
            "pictures, also between windows.")},
        {tr("Layouts"),
         tr("Use the inspector to choose One image, Image with title and caption, Two images, or "
            "Four-image grid. Slides → Insert Section Divider adds a title-only slide after the "
            "selection, Insert Section Divider Before one before it. Group selected slides as "
            "two-up or four-up, or split a grouped slide back "
            "into single images. Alt-click an image on the preview, right-click it, or use "
            "Slides → Remove Image from Slide to pull it onto its own slide. Slides → Exclude "
            "from Export leaves slides out of the exported file; Rotate Left and Rotate Right "
            "turn their pictures.")},
        {tr("Placement"),
         tr("Fit shows the whole image in the layout’s image area. Fill covers that area and "
            "crops the extra; drag the preview to choose the crop. Custom sets size with the "
            "scale slider. Apply Placement to All Slides copies the current choice to other "
            "slides that have images.")},
        {tr("Captions and Notes"),
         tr("Captions appear on the slide. You can change their size and alignment in the "
            "inspector. Presenter notes sit under the preview. Turn them on in Deck Settings. "
            "They are included when you export and are not shown on the slide.")},
        {tr("Preview"),
         tr("The center of the window shows the selected slide. Use Fit to Window or zoom in and "
            "out. Preview Full Screen shows the slide on a black screen; press Escape or click "
            "Close to return.")},
        {tr("Save and Export"),
         tr("%1 saves the Mosavelle project (.mosavelle) so you can come back later. That is not "
            "the presentation. File → Export Presentation… creates a PowerPoint (.pptx) file. "
            "Deck Settings changes slide size, background, order, slide numbers, presenter notes, "
            "and logo for this deck.")
             .arg(keys(shortcuts::save()))},
    };
}

QList<HelpView::KeyRow> HelpView::keyboardRows() {
    const QString pairGap = QStringLiteral("  ");
    return {
        {tr("Save project"), keys(shortcuts::save())},
        {tr("Import"), keys(shortcuts::importImages())},
        {tr("Export Presentation"), keys(shortcuts::exportPresentation())},
        {tr("Rename Slide"), keys(shortcuts::renameSlide())},
        {tr("Duplicate Slides"), keys(shortcuts::duplicateSlides())},
        {tr("Paste Images"), keys(shortcuts::pasteImages())},
        {tr("Move slide up or down"),
         keys(shortcuts::moveUp()) + pairGap + keys(shortcuts::moveDown())},
        {tr("Select previous or next slide"), tr("Arrow keys")},
        {tr("Delete selected slides"), tr("Delete")},
        {tr("Cut, copy or paste slides"), keys(QKeySequence::Cut) + pairGap +
                                              keys(QKeySequence::Copy) + pairGap +
                                              keys(QKeySequence::Paste)},
        {tr("Select all slides"), keys(QKeySequence::SelectAll)},
        {tr("Preview full screen"), keys(shortcuts::fullScreenPreview())},
        {tr("Fit preview to window"), keys(shortcuts::zoomToFit())},
        {tr("Zoom out or in"), keys(shortcuts::zoomOut()) + pairGap + keys(shortcuts::zoomIn())},
        {tr("Close full screen preview"), keys(QKeySequence(Qt::Key_Escape))},
        {tr("Mosavelle Help"), keys(shortcuts::help())},
    };
}

HelpView::HelpView(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Mosavelle Help"));
    setObjectName(QStringLiteral("help"));
    resize(520, 580);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(12);
    layout->addWidget(makeLabel(tr("Mosavelle Help"), this, 1.6, true));

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* column = new QWidget(scroll);
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 8, 0);
    columnLayout->setSpacing(6);
    columnLayout->addWidget(makeLabel(introduction(), column));
    for (const Topic& topic : topics()) {
        columnLayout->addSpacing(8);
        columnLayout->addWidget(makeLabel(topic.title, column, 1.1, true));
        columnLayout->addWidget(makeLabel(topic.text, column));
    }
    columnLayout->addSpacing(8);
    columnLayout->addWidget(makeLabel(tr("Keyboard"), column, 1.1, true));

    auto* table = new QWidget(column);
    table->setObjectName(QStringLiteral("keyboardTable"));
    table->setAccessibleName(tr("Keyboard"));
    auto* grid = new QGridLayout(table);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(4);
    int row = 0;
    for (const KeyRow& keyRow : keyboardRows()) {
        grid->addWidget(makeLabel(keyRow.action, table), row, 0);
        auto* keysLabel = makeLabel(keyRow.keys, table);
        keysLabel->setWordWrap(false);
        grid->addWidget(keysLabel, row, 1, Qt::AlignRight);
        ++row;
    }
    grid->setColumnStretch(0, 1);
    columnLayout->addWidget(table);
    columnLayout->addStretch(1);
    scroll->setWidget(column);
    layout->addWidget(scroll, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* done = buttons->addButton(tr("Done"), QDialogButtonBox::AcceptRole);
    done->setDefault(true);
    done->setAutoDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace mosavelle::app
