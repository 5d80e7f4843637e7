#pragma once

#include <QList>
#include <vector>

#include "core/platform/uuid.h"

class QAction;
class QPoint;
class QWidget;

namespace mosavelle::app::context_menu {

// A context menu made of the window's own actions (a null entry is a separator), so that a
// command has one action wherever it is offered. While the menu is open each action carries
// `target`, the ids of what the menu was opened on (a slide; a slide and one of its pictures);
// the command reads them with `target()` and acts on that item instead of the selection.
void exec(QWidget* parent, const QList<QAction*>& actions, const QPoint& position,
          const std::vector<Uuid>& target);

// The ids the open context menu gave `action`; empty when the action was not chosen from one.
std::vector<Uuid> target(const QAction* action);

}  // namespace mosavelle::app::context_menu
