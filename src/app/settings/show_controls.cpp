#include "app/settings/show_controls.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

namespace mosavelle::app {

namespace {

enum AdvanceChoice { followDeck = -1, manually = 0, automatically = 1 };
constexpr int followDeckTransition = -1;

QComboBox* picker(const QString& name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setAccessibleName(name);
    return box;
}

}  // namespace

ShowControls::ShowControls(bool followsDeck, QWidget* parent)
    : QWidget(parent), followsDeck_(followsDeck) {
    auto* form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);

    advance_ = picker(tr("Advance slides"), this);
    if (followsDeck)
        advance_->addItem(tr("Deck setting"), followDeck);
    advance_->addItem(tr("Manually"), manually);
    advance_->addItem(tr("After"), automatically);
    seconds_ = new QSpinBox(this);
    seconds_->setAccessibleName(tr("Seconds"));
    seconds_->setRange(int(minimumAdvanceSeconds), int(maximumAdvanceSeconds));
    seconds_->setValue(int(SlideAdvance{}.seconds));
    seconds_->setKeyboardTracking(false);  // one change per value typed, not per digit
    auto* advanceRow = new QHBoxLayout;
    advanceRow->addWidget(advance_, 1);
    advanceRow->addWidget(seconds_);
    advanceRow->addWidget(new QLabel(tr("seconds"), this));
    form->addRow(tr("Advance slides"), advanceRow);

    transition_ = picker(tr("Transition"), this);
    if (followsDeck)
        transition_->addItem(tr("Deck setting"), followDeckTransition);
    const QString kinds[] = {tr("None"), tr("Fade"), tr("Push"), tr("Wipe"), tr("Cover")};
    for (TransitionKind kind : allCases<TransitionKind>())
        transition_->addItem(kinds[int(kind)], int(kind));
    speed_ = picker(tr("Speed"), this);
    const QString speeds[] = {tr("Fast"), tr("Medium"), tr("Slow")};
    for (TransitionSpeed speed : allCases<TransitionSpeed>())
        speed_->addItem(speeds[int(speed)], int(speed));
    auto* transitionRow = new QHBoxLayout;
    transitionRow->addWidget(transition_, 1);
    transitionRow->addWidget(speed_);
    form->addRow(tr("Transition"), transitionRow);

    const auto reportAdvance = [this] {
        updateEnabled();
        Q_EMIT advanceChosen(chosenAdvance());
    };
    const auto reportTransition = [this] {
        updateEnabled();
        Q_EMIT transitionChosen(chosenTransition());
    };
    connect(advance_, &QComboBox::activated, this, reportAdvance);
    connect(seconds_, &QSpinBox::valueChanged, this, reportAdvance);
    connect(transition_, &QComboBox::activated, this, reportTransition);
    connect(speed_, &QComboBox::activated, this, reportTransition);
    updateEnabled();
}

void ShowControls::setAdvance(const std::optional<SlideAdvance>& advance) {
    const QSignalBlocker blockAdvance(advance_);
    const QSignalBlocker blockSeconds(seconds_);
    const int choice = !advance ? followDeck : advance->automatic ? automatically : manually;
    advance_->setCurrentIndex(advance_->findData(choice));
    if (advance)
        seconds_->setValue(int(advance->seconds));
    updateEnabled();
}

void ShowControls::setTransition(const std::optional<SlideTransition>& transition) {
    const QSignalBlocker blockKind(transition_);
    const QSignalBlocker blockSpeed(speed_);
    transition_->setCurrentIndex(
        transition_->findData(transition ? int(transition->kind) : followDeckTransition));
    if (transition)
        speed_->setCurrentIndex(speed_->findData(int(transition->speed)));
    updateEnabled();
}

std::optional<SlideAdvance> ShowControls::chosenAdvance() const {
    const int choice = advance_->currentData().toInt();
    if (choice == followDeck)
        return std::nullopt;
    return SlideAdvance{choice == automatically, seconds_->value()};
}

std::optional<SlideTransition> ShowControls::chosenTransition() const {
    const int kind = transition_->currentData().toInt();
    if (kind == followDeckTransition)
        return std::nullopt;
    return SlideTransition{TransitionKind(kind), TransitionSpeed(speed_->currentData().toInt())};
}

void ShowControls::updateEnabled() {
    seconds_->setEnabled(advance_->currentData().toInt() == automatically);
    const int kind = transition_->currentData().toInt();
    speed_->setEnabled(kind != followDeckTransition && kind != int(TransitionKind::none));
}

}  // namespace mosavelle::app
