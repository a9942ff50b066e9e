#pragma once

#include <QLayout>
#include <QList>

namespace viewer {

// The form's docking: children take a strip of the given size from the top, bottom, left or
// right of what is left of the parent, in the order they were added per edge kind (top first,
// then bottom, left, right), and the client child takes the rest. Resizing keeps the strips.
class DockLayout : public QLayout
{
public:
    enum Edge { Top, Bottom, Left, Right, Client };

    explicit DockLayout(QWidget* parent);
    ~DockLayout() override;

    void addDocked(QWidget* widget, Edge edge, int size = 0);

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Docked
    {
        QLayoutItem* item;
        Edge edge;
        int size;
    };
    QList<Docked> m_items;
};

} // namespace viewer
