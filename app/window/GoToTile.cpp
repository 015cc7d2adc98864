#include "app/window/GoToTile.h"

#include "app/window/TileReadout.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestova {

using mosavo::INesHeader;

namespace {
constexpr uint64_t headerBytes = 16;
constexpr uint64_t tileBytes = 16;

const QString numberForms = QStringLiteral("write it in decimal (416) or in hex after $ or 0x ($1A0, 0x1A0)");

// A decimal or $ / 0x hex number, nothing else.
std::variant<uint64_t, QString> parseNumber(const QString &text)
{
    QString digits = text;
    int base = 10;
    if (digits.startsWith(u'$')) {
        digits.remove(0, 1);
        base = 16;
    } else if (digits.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        digits.remove(0, 2);
        base = 16;
    }
    digits = digits.trimmed();
    if (digits.isEmpty())
        return QStringLiteral("\u201c%1\u201d has no digits; %2").arg(text, numberForms);
    for (QChar c : digits) {
        const bool ok = base == 16 ? c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f') : c.isDigit();
        if (!ok || c.unicode() > 127)
            return QStringLiteral("\u201c%1\u201d is not a number; %2").arg(text, numberForms);
    }
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok, base);
    if (!ok || value > qulonglong(INT64_MAX))
        return QStringLiteral("\u201c%1\u201d is too large").arg(text);
    return uint64_t(value);
}
} // namespace

std::variant<GoToTarget, QString> parseGoToTarget(const QString &text)
{
    QString rest = text.trimmed();
    if (rest.isEmpty())
        return QStringLiteral("Type a tile number, or a file offset after @; %1").arg(numberForms);
    GoToTarget target;
    if (rest.startsWith(u'@')) {
        target.kind = GoToTarget::Kind::offset;
        rest = rest.mid(1).trimmed();
    } else if (rest.startsWith(QStringLiteral("offset"), Qt::CaseInsensitive)) {
        target.kind = GoToTarget::Kind::offset;
        rest = rest.mid(6).trimmed();
    } else if (rest.startsWith(QStringLiteral("tile"), Qt::CaseInsensitive)) {
        rest = rest.mid(4).trimmed();
    }
    if (rest.isEmpty())
        return target.kind == GoToTarget::Kind::offset ? QStringLiteral("Which offset? %1").arg(numberForms)
                                                       : QStringLiteral("Which tile? %1").arg(numberForms);
    auto number = parseNumber(rest);
    if (auto *reason = std::get_if<QString>(&number))
        return *reason;
    target.value = std::get<uint64_t>(number);
    return target;
}

std::variant<GoToTile, QString> resolveGoToTarget(
    const GoToTarget &target, const std::optional<INesHeader> &header, int64_t tileCount, uint64_t byteShift)
{
    if (tileCount <= 0)
        return QStringLiteral("There are no tiles");
    const uint64_t lastTile = uint64_t(tileCount - 1);
    if (target.kind == GoToTarget::Kind::tile) {
        if (target.value > lastTile)
            return QStringLiteral("There is no tile %1: the tiles are $0 to %2")
                .arg(hexAndDecimal(target.value), hexAndDecimal(lastTile));
        return GoToTile { int64_t(target.value), 0 };
    }
    const uint64_t start = header ? headerBytes : 0;
    const uint64_t end = start + byteShift + uint64_t(tileCount) * tileBytes;
    if (target.value < start)
        return QStringLiteral("Offset %1 is in the iNES header; the tiles start at offset $10 (16)")
            .arg(hexAndDecimal(target.value));
    if (target.value >= end)
        return QStringLiteral("Offset %1 is past the last tile, which ends at offset %2")
            .arg(hexAndDecimal(target.value), hexAndDecimal(end - 1));
    const uint64_t intoTiles = target.value - start;
    GoToTile found;
    found.alignedShift = intoTiles % tileBytes;
    found.alignedTile = int64_t(intoTiles / tileBytes);
    if (intoTiles >= byteShift) {
        found.tile = int64_t((intoTiles - byteShift) / tileBytes);
        found.byteInTile = (intoTiles - byteShift) % tileBytes;
    } else {
        // Among the bytes before tile 0: only a new byte shift reaches it.
        found.byteInTile = intoTiles + tileBytes - byteShift;
    }
    return found;
}

GoToTileDialog::GoToTileDialog(std::optional<INesHeader> header, int64_t tileCount, QWidget *parent, uint64_t byteShift)
    : QDialog(parent)
    , header_(header)
    , tileCount_(tileCount)
    , byteShift_(byteShift)
{
    setWindowTitle(QStringLiteral("Go to Tile"));
    auto *layout = new QVBoxLayout(this);
    auto *help = new QLabel(QStringLiteral("A tile number, or a byte offset in the file after @.\n"
                                           "Decimal (416), or hex after $ or 0x ($1A0, 0x1A0).\n"
                                           "Examples: 416, tile $1A0, @0x4010, offset 16400."),
        this);
    layout->addWidget(help);
    input_ = new QLineEdit(this);
    input_->setObjectName(QStringLiteral("goToTileInput"));
    input_->setPlaceholderText(QStringLiteral("$1A0 or @0x4010"));
    help->setBuddy(input_);
    layout->addWidget(input_);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("goToTileMessage"));
    message_->setWordWrap(true);
    message_->setStyleSheet(QStringLiteral("color: #B00020"));
    message_->hide();
    layout->addWidget(message_);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Go to"));
    connect(buttons, &QDialogButtonBox::accepted, this, &GoToTileDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GoToTileDialog::reject);
    layout->addWidget(buttons);
    connect(input_, &QLineEdit::textEdited, message_, &QLabel::hide);
}

QString GoToTileDialog::message() const
{
    return message_->isHidden() ? QString() : message_->text();
}

void GoToTileDialog::accept()
{
    auto refuse = [this](const QString &reason) {
        message_->setText(reason);
        message_->show();
        input_->selectAll();
        input_->setFocus();
    };
    const auto target = parseGoToTarget(input_->text());
    if (const auto *reason = std::get_if<QString>(&target))
        return refuse(*reason);
    const auto tile = resolveGoToTarget(std::get<GoToTarget>(target), header_, tileCount_, byteShift_);
    if (const auto *reason = std::get_if<QString>(&tile))
        return refuse(*reason);
    chosen_ = std::get<GoToTile>(tile);
    QDialog::accept();
}

} // namespace kestova
