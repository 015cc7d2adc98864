#include "app/window/DockContent.h"

#include <QLayout>

namespace kestova {

int DockContent::heightForWidth(int width) const
{
    return layout() ? layout()->totalMinimumHeightForWidth(width) : QWidget::heightForWidth(width);
}

} // namespace kestova
