#pragma once

#include <QList>

class QWidget;

namespace mosavelle::app {

// The widgets under `root` that Tab can reach, in the order their layouts place them: each
// layout's items in turn (top to bottom, and left to right along a row), a scroll area's content
// and a splitter's panes in order. A widget that takes focus itself (a list, a spin box) stands
// for everything inside it. Hidden widgets are listed too, so that they have their place when
// shown.
QList<QWidget*> tabStopsInLayoutOrder(QWidget* root);

// Makes the Tab order under `root` follow tabStopsInLayoutOrder, starting after the first stop
// (which keeps its place in the window's order). Widgets made later join the end of the window's
// order, so callers run this again after building more.
void orderTabStopsByLayout(QWidget* root);

}  // namespace mosavelle::app
