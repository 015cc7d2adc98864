#pragma once

#include <QLayout>
#include <QList>

namespace kestova {

// A layout that puts its items in a row from left to right and wraps to a new row when the row is full, so that a
// narrow dock shows every one of its buttons. Its height follows its width (heightForWidth).
class FlowLayout : public QLayout
{
public:
    explicit FlowLayout(QWidget *parent = nullptr, int spacing = 2);
    ~FlowLayout() override;

    void addItem(QLayoutItem *item) override;
    int count() const override { return int(items_.size()); }
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect &rect) override;

private:
    // Lays the items out in rect (only measures when apply is false) and gives the height used.
    int arrange(const QRect &rect, bool apply) const;

    QList<QLayoutItem *> items_;
};

} // namespace kestova
