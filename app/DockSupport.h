#pragma once

#include <QString>
#include <QToolButton>

#include <algorithm>
#include <vector>

namespace kestova {

// Small pieces the document docks (Screens, Sprites) share.

// A tool button with its object name, text and tooltip.
inline QToolButton *dockToolButton(QWidget *parent, const QString &name, const QString &text, const QString &tip)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setAutoRaise(false);
    return button;
}

// base, or base_2, base_3, ...: the first name no item of the list (anything with a std::string name) has.
template <typename Item> QString uniqueItemName(const std::vector<Item> &items, const QString &base)
{
    auto taken = [&](const QString &name) {
        return std::any_of(
            items.begin(), items.end(), [&](const Item &item) { return QString::fromStdString(item.name) == name; });
    };
    if (!taken(base))
        return base;
    for (int n = 2;; ++n)
        if (const QString name = QStringLiteral("%1_%2").arg(base).arg(n); !taken(name))
            return name;
}

} // namespace kestova
