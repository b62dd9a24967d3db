#include "app/commands.h"

#include "app/command_table.h"

#include <QAction>
#include <QHash>
#include <QMenu>
#include <QMenuBar>

namespace zv {

Commands::Commands(QObject *parent) : QObject(parent) {}

void Commands::buildMenus(QMenuBar *bar)
{
    QHash<QByteArray, QMenu *> byName;
    for (const CommandRow &row : commandTable()) {
        QMenu *parentMenu = row.parent ? byName.value(row.parent) : nullptr;
        Q_ASSERT(!row.parent || parentMenu);
        const QString caption = QString::fromUtf8(row.caption);
        switch (row.kind) {
        case CommandRow::Menu: {
            QMenu *m = parentMenu ? parentMenu->addMenu(caption) : bar->addMenu(caption);
            m->setObjectName(QLatin1String(row.name));
            m->menuAction()->setObjectName(QLatin1String(row.name));
            byName.insert(row.name, m);
            menus_[std::size_t(row.menu)] = m;
            break;
        }
        case CommandRow::Separator:
            parentMenu->addSeparator()->setVisible(!row.hidden);
            break;
        case CommandRow::Item: {
            QAction *a = parentMenu->addAction(caption);
            a->setObjectName(QLatin1String(row.name));
            a->setCheckable(row.checkable);
            a->setVisible(!row.hidden);
            actions_[std::size_t(row.command)] = a;
            break;
        }
        }
    }
    // "Ostatnie pliki" is enabled only while it lists something.
    menu(MenuId::RecentFiles1)->setEnabled(false);
}

bool Commands::isChecked(Cmd c) const
{
    return action(c) && action(c)->isChecked();
}

void Commands::bind(Cmd c, QObject *context, std::function<void()> handler)
{
    connect(action(c), &QAction::triggered, context, [h = std::move(handler)] { h(); });
}

bool Commands::run(Cmd c)
{
    return run(action(c));
}

bool Commands::run(QAction *item)
{
    if (!item)
        return false;
    // QAction ignores a trigger of an explicitly disabled action, hidden or not; a probe
    // connected after the handler tells whether the trigger went through.
    bool ran = false;
    const QMetaObject::Connection probe = connect(item, &QAction::triggered, this, [&ran] { ran = true; });
    item->trigger();
    disconnect(probe);
    return ran;
}

} // namespace zv
