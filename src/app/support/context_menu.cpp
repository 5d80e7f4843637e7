#include "app/support/context_menu.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QStringList>

namespace mosavelle::app::context_menu {

void exec(QWidget* parent, const QList<QAction*>& actions, const QPoint& position,
          const std::vector<Uuid>& target) {
    QStringList ids;
    for (const Uuid& id : target)
        ids << QString::fromStdString(id.text());
    QMenu menu(parent);
    QList<QPointer<QAction>> given;
    for (QAction* action : actions) {
        if (action == nullptr) {
            menu.addSeparator();
            continue;
        }
        action->setData(ids);
        menu.addAction(action);
        given << action;
    }
    // The chosen action runs inside exec(); afterwards no action names the item any more.
    menu.exec(position);
    for (const QPointer<QAction>& action : given)
        if (action)
            action->setData(QVariant());
}

std::vector<Uuid> target(const QAction* action) {
    std::vector<Uuid> ids;
    for (const QString& text : action->data().toStringList())
        if (const auto id = Uuid::parse(text.toStdString()))
            ids.push_back(*id);
    return ids;
}

}  // namespace mosavelle::app::context_menu
