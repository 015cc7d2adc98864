#include "app/sprites/SpriteActions.h"

#include "app/document/Counted.h"
#include "app/window/MainMosavoWindow.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QStatusBar>

#include <algorithm>
#include <climits>

namespace kestova {

using namespace mosavo;

namespace {
QString signedNumber(int value)
{
    return value > 0 ? QStringLiteral("+%1").arg(value) : QString::number(value);
}
} // namespace

QPoint SpriteActions::checkedPlacement() const
{
    return checkedPlacement_.value_or(QPoint(editor_->originX(), editor_->originY()));
}

QString SpriteActions::describeSprite(int index) const
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0 || index < 0 || size_t(index) >= s->metasprites()[size_t(current_)].sprites.size())
        return {};
    const MetaspriteSprite &sprite = s->metasprites()[size_t(current_)].sprites[size_t(index)];
    const QPoint at = checkedPlacement();
    QStringList flips;
    if (sprite.flipHorizontally)
        flips << QStringLiteral("H");
    if (sprite.flipVertically)
        flips << QStringLiteral("V");
    return QStringLiteral("Sprite %1: X %2, Y %3 (OAM X %4, Y %5 at %6, %7), tile $%8, sub-palette %9, %10, %11")
        .arg(index)
        .arg(sprite.x)
        .arg(sprite.y)
        .arg(at.x() + sprite.x)
        .arg(at.y() + sprite.y)
        .arg(at.x())
        .arg(at.y())
        .arg(QStringLiteral("%1").arg(sprite.tile, 2, 16, QLatin1Char('0')).toUpper())
        .arg(sprite.subPalette)
        .arg(
            flips.isEmpty() ? QStringLiteral("not flipped") : QStringLiteral("flipped ") + flips.join(QLatin1Char('+')))
        .arg(sprite.behindBackground ? QStringLiteral("behind the background")
                                     : QStringLiteral("in front of the background"));
}

QString SpriteActions::describeSelection() const
{
    const SettingsPtr s = settings();
    const std::vector<int> &selection = editor_->selection();
    if (!s || current_ < 0 || selection.empty())
        return {};
    if (selection.size() == 1)
        return QStringLiteral("Selected: ") + describeSprite(selection.front());
    const auto &sprites = s->metasprites()[size_t(current_)].sprites;
    int left = INT_MAX, top = INT_MAX;
    QStringList numbers;
    for (int i : selection) {
        left = std::min(left, sprites[size_t(i)].x);
        top = std::min(top, sprites[size_t(i)].y);
        numbers << QString::number(i);
    }
    return QStringLiteral("Selected: %1 (%2), top left X %3, Y %4")
        .arg(counted(int64_t(selection.size()), QStringLiteral("sprite"), QStringLiteral("sprites")),
            numbers.join(QStringLiteral(", ")))
        .arg(left)
        .arg(top);
}

void SpriteActions::showPointerStatus()
{
    if (!window_ || !dock_->isVisible())
        return;
    const int hovered = editor_->hoveredSprite();
    const std::vector<int> &selection = editor_->selection();
    QString text;
    if (hovered >= 0 && selection != std::vector<int> { hovered })
        text = describeSprite(hovered);
    if (!selection.empty())
        text += (text.isEmpty() ? QString() : QStringLiteral(" | ")) + describeSelection();
    if (!text.isEmpty())
        status(text);
    else if (window_->statusBar()->currentMessage().startsWith(QStringLiteral("Sprite ")))
        // The pointer left the sprite it named.
        window_->statusBar()->clearMessage();
}

void SpriteActions::showDragStatus(int dx, int dy)
{
    const SettingsPtr s = settings();
    const std::vector<int> &selection = editor_->selection();
    if (!s || current_ < 0 || selection.empty())
        return;
    const MetaspriteSprite &first = s->metasprites()[size_t(current_)].sprites[size_t(selection.front())];
    status(QStringLiteral("Moving %1 by X %2, Y %3: sprite %4 to X %5, Y %6")
               .arg(counted(int64_t(selection.size()), QStringLiteral("sprite"), QStringLiteral("sprites")))
               .arg(signedNumber(dx), signedNumber(dy))
               .arg(selection.front())
               .arg(first.x + dx)
               .arg(first.y + dy));
}

bool SpriteActions::setSelectedPosition(int x, int y)
{
    const SettingsPtr s = settings();
    const std::vector<int> selection = editor_->selection();
    if (!s || current_ < 0 || selection.empty())
        return false;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    const auto &sprites = after.metasprites[size_t(current_)].sprites;
    int left = INT_MAX, top = INT_MAX;
    for (int i : selection) {
        left = std::min(left, sprites[size_t(i)].x);
        top = std::min(top, sprites[size_t(i)].y);
    }
    if (x == left && y == top)
        return true;
    if (!sprite_edits::moveSprites(after.metasprites[size_t(current_)], selection, x - left, y - top)) {
        status(QStringLiteral("Sprites stay within -127 to 127 pixels of the origin across and -128 to 127 down"));
        return false;
    }
    push(after, { current_, currentAnimation_, selection }, QStringLiteral("Sprite Position"));
    return true;
}

QDialog *SpriteActions::spritePositionDialog()
{
    const SettingsPtr s = settings();
    const std::vector<int> selection = editor_->selection();
    if (!s || current_ < 0 || selection.empty()) {
        status(QStringLiteral("Select the sprites to place first"));
        return nullptr;
    }
    const auto &sprites = s->metasprites()[size_t(current_)].sprites;
    int left = INT_MAX, top = INT_MAX;
    for (int i : selection) {
        left = std::min(left, sprites[size_t(i)].x);
        top = std::min(top, sprites[size_t(i)].y);
    }
    auto *dialog = new QDialog(window_);
    dialog->setObjectName(QStringLiteral("spritePositionDialog"));
    dialog->setWindowTitle(QStringLiteral("Sprite Position"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto *form = new QFormLayout(dialog);
    form->addRow(new QLabel(selection.size() == 1
            ? QStringLiteral("The sprite's offset from the metasprite's origin:")
            : QStringLiteral("The offset of the selected sprites' top left from the metasprite's origin:"),
        dialog));
    auto spin = [dialog](const char *name, int value, int lowest) {
        auto *box = new QSpinBox(dialog);
        box->setObjectName(QString::fromLatin1(name));
        box->setRange(lowest, 127);
        box->setValue(value);
        return box;
    };
    // A metasprite table would read the x offset -128 as its end.
    QSpinBox *xs = spin("spritePositionX", left, -127);
    QSpinBox *ys = spin("spritePositionY", top, -128);
    form->addRow(QStringLiteral("&X"), xs);
    form->addRow(QStringLiteral("&Y"), ys);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [this, dialog, xs, ys] {
        if (setSelectedPosition(xs->value(), ys->value()))
            dialog->accept();
    });
    dialog->open();
    xs->setFocus();
    xs->selectAll();
    return dialog;
}

} // namespace kestova
