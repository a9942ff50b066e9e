#include "viewer/DockLayout.h"

#include <QWidget>

namespace viewer {

DockLayout::DockLayout(QWidget* parent) : QLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

DockLayout::~DockLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void DockLayout::addDocked(QWidget* widget, Edge edge, int size)
{
    addChildWidget(widget);
    m_items.append({new QWidgetItem(widget), edge, size});
    invalidate();
}

void DockLayout::addItem(QLayoutItem* item)
{
    m_items.append({item, Client, 0});
}

int DockLayout::count() const
{
    return int(m_items.size());
}

QLayoutItem* DockLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index].item : nullptr;
}

QLayoutItem* DockLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    return m_items.takeAt(index).item;
}

QSize DockLayout::sizeHint() const
{
    return parentWidget() ? parentWidget()->size() : QSize();
}

void DockLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    QRect rest = rect;
    for (Edge edge : {Top, Bottom, Left, Right}) {
        for (const Docked& d : m_items) {
            if (d.edge != edge)
                continue;
            QRect r;
            switch (edge) {
            case Top:
                r = QRect(rest.left(), rest.top(), rest.width(), d.size);
                rest.setTop(rest.top() + d.size);
                break;
            case Bottom:
                r = QRect(rest.left(), rest.bottom() + 1 - d.size, rest.width(), d.size);
                rest.setBottom(rest.bottom() - d.size);
                break;
            case Left:
                r = QRect(rest.left(), rest.top(), d.size, rest.height());
                rest.setLeft(rest.left() + d.size);
                break;
            case Right:
                r = QRect(rest.right() + 1 - d.size, rest.top(), d.size, rest.height());
                rest.setRight(rest.right() - d.size);
                break;
            case Client:
                break;
            }
            d.item->setGeometry(r);
        }
    }
    for (const Docked& d : m_items)
        if (d.edge == Client)
            d.item->setGeometry(rest);
}

} // namespace viewer
