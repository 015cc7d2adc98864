#include "app/tiles/RomPaletteDialog.h"

#include "app/document/MosavoDocument.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/MainMosavoWindow.h"
#include "palette/DisplayColors.h"
#include "palette/PaletteFactory.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestova {

using namespace mosavo;

namespace {
// "4625", "$1211", "0x1211", "@$1211": the offset, or nothing.
std::optional<uint64_t> offsetOf(QString text)
{
    text = text.trimmed();
    if (text.startsWith(u'@'))
        text = text.mid(1).trimmed();
    int base = 10;
    if (text.startsWith(u'$')) {
        base = 16;
        text = text.mid(1);
    } else if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        base = 16;
        text = text.mid(2);
    }
    if (text.isEmpty() || text.startsWith(u'-') || text.startsWith(u'+'))
        return std::nullopt;
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, base);
    return ok ? std::optional<uint64_t>(value) : std::nullopt;
}

QString hex(uint64_t value)
{
    return QStringLiteral("$") + QString::number(value, 16).toUpper();
}
} // namespace

RomPaletteDialog::RomPaletteDialog(Bytes rom, QWidget *parent)
    : QDialog(parent)
    , rom_(std::move(rom))
{
    setWindowTitle(QStringLiteral("Import Palette from ROM"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The byte offset in the file of a 32-byte palette\n"
                                                "(decimal, or hex after $ or 0x: 4625, $1211, 0x1211):"),
        this));
    input_ = new QLineEdit(this);
    input_->setObjectName(QStringLiteral("romPaletteOffset"));
    layout->addWidget(input_);
    auto *grid = new QGridLayout;
    grid->setSpacing(2);
    for (size_t i = 0; i < paletteBytes; ++i) {
        auto *swatch = new QLabel(this);
        swatch->setFixedSize(18, 18);
        swatch->setAutoFillBackground(true);
        swatches_[i] = swatch;
        // A row a four-colour sub-palette pair: sub-palettes 0-3 on the left, 4-7 on the right.
        grid->addWidget(swatch, int(i / 4 % 4), int(i % 4 + (i >= 16 ? 5 : 0)));
    }
    layout->addLayout(grid);
    message_ = new QLabel(this);
    message_->setWordWrap(true);
    layout->addWidget(message_);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    apply_ = buttons->addButton(QStringLiteral("Apply"), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(input_, &QLineEdit::textChanged, this, &RomPaletteDialog::preview);
    preview();
}

QString RomPaletteDialog::message() const
{
    return message_->text();
}

void RomPaletteDialog::preview()
{
    palette_.reset();
    const auto offset = offsetOf(input_->text());
    QString why;
    if (!offset)
        why = input_->text().trimmed().isEmpty() ? QString()
                                                 : QStringLiteral("'%1' is not a byte offset").arg(input_->text());
    else if (*offset > rom_.size() || rom_.size() - *offset < paletteBytes)
        why = QStringLiteral("The file is %1 bytes, so no 32 bytes start at %2").arg(rom_.size()).arg(hex(*offset));
    Bytes bytes;
    if (offset && why.isEmpty()) {
        bytes.assign(rom_.begin() + std::ptrdiff_t(*offset), rom_.begin() + std::ptrdiff_t(*offset + paletteBytes));
        for (size_t i = 0; i < bytes.size() && why.isEmpty(); ++i)
            if (bytes[i] > 0x3F)
                why = QStringLiteral("Byte %1 (offset %2) is %3, not a colour number $00-$3F")
                          .arg(i)
                          .arg(hex(*offset + i), hex(bytes[i]));
    }
    for (size_t i = 0; i < paletteBytes; ++i) {
        QPalette colors = swatches_[i]->palette();
        const bool shown = why.isEmpty() && !bytes.empty();
        colors.setColor(QPalette::Window, shown ? QColor(QRgb(shownRgb(bytes[i]))) : QColor(Qt::transparent));
        swatches_[i]->setPalette(colors);
        swatches_[i]->setToolTip(shown ? hex(bytes[i]) : QString());
    }
    message_->setText(why);
    if (why.isEmpty() && !bytes.empty())
        palette_ = std::move(bytes);
    apply_->setEnabled(palette_.has_value());
}

void importPaletteFromRom(MosavoDocument *document)
{
    EditorViewController *controller = document ? document->editorViewController.data() : nullptr;
    const SettingsPtr settings = document ? document->editorViewControllerSettings.lock() : nullptr;
    const auto rom
        = settings && settings->tileData() ? settings->tileData()->consoleFormattedPixelData() : std::nullopt;
    if (!controller || !rom)
        return;
    auto *dialog = new RomPaletteDialog(*rom, document->window());
    dialog->setObjectName(QStringLiteral("romPaletteDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<MosavoDocument> target = document;
    QObject::connect(dialog, &QDialog::accepted, controller, [dialog, controller, target] {
        const auto &bytes = dialog->palette();
        if (!bytes)
            return;
        auto palettes = PaletteFactory::generate(*bytes);
        if (!palettes)
            return;
        controller->replacePalettes(std::move(*palettes));
        if (target && target->window())
            target->window()->showStatus(
                QStringLiteral("Imported the palette at offset %1 of the file").arg(dialog->input()->text().trimmed()));
    });
    dialog->open();
    dialog->input()->setFocus();
}

} // namespace kestova
