#pragma once

#include <QCoreApplication>
#include <QFrame>
#include <QString>
#include <optional>
#include <set>

#include "core/model/document.h"

class QLabel;

namespace mosavelle::app {

// The warnings of the primary slide as one line of text: each distinct message once, in the
// order the layout reports them, joined by single spaces; empty when there is no warning.
QString warningStripText(const MosavelleDocument& document);

// The slides whose pictures pass the slide's edges since the deck's slide size last changed, so
// that the window can name them all at once instead of leaving each to be found by visiting it.
// Only a size change lays out the whole deck; after other changes the slides listed are looked at
// again, and a slide leaves the list once it no longer overflows (fitted, deleted). The size the
// first update sees is where it starts: an opened deck lists nothing.
class SlideSizeOverflows {
    Q_DECLARE_TR_FUNCTIONS(SlideSizeOverflows)
public:
    // Called after every change of the document's project.
    void update(const MosavelleDocument& document);
    // The sentence naming the listed slides by their numbers in the deck, or empty when none.
    QString text(const MosavelleDocument& document) const;

private:
    std::optional<SlideSizePreset> size_;
    std::set<Uuid> slides_;
};

// The strip under the preview that shows warningStripText on a light orange band; hidden when
// there is nothing to show.
class WarningStrip : public QFrame {
    Q_OBJECT
public:
    explicit WarningStrip(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;

private:
    QLabel* text_;
};

}  // namespace mosavelle::app
