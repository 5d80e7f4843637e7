#pragma once

#include <QFrame>
#include <QString>

#include "core/model/document.h"

class QLabel;

namespace mosavelle::app {

// The warnings of the primary slide as one line of text: each distinct message once, in the
// order the layout reports them, joined by single spaces; empty when there is no warning.
QString warningStripText(const MosavelleDocument& document);

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
