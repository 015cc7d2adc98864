#pragma once

#include <QWidget>

namespace kestova {

// The content of a document dock, in the dock's scroll area: its rows wrap to the dock's width, and it asks the scroll
// area only for the height that its rows need at that width at least, so that the dock scrolls up and down only when
// the window is too short for its least height (a plain widget would ask for its preferred height).
class DockContent : public QWidget
{
public:
    using QWidget::QWidget;

    int heightForWidth(int width) const override;
};

} // namespace kestova
