#pragma once

#include "core/Bytes.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestova {

class MosavoDocument;

// ROM > Import Palette from ROM: asks for the byte offset of a 32-byte palette in the ROM image the document holds
// (decimal, or hex after "$" or "0x"; an "@" in front is allowed), shows its 32 colours as it is typed, and offers
// Apply only when the 32 bytes there are colour numbers 0x00-0x3F.
class RomPaletteDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr size_t paletteBytes = 32;

    RomPaletteDialog(mosavo::Bytes rom, QWidget *parent = nullptr);

    QLineEdit *input() const { return input_; }
    QPushButton *applyButton() const { return apply_; }
    // The colour swatch of palette byte i (0-31).
    QLabel *swatch(size_t i) const { return swatches_[i]; }
    // Why the text names no palette; empty when it does.
    QString message() const;
    // The 32 bytes at the offset typed, once they make a palette.
    const std::optional<mosavo::Bytes> &palette() const { return palette_; }

private:
    void preview();

    mosavo::Bytes rom_;
    QLineEdit *input_ = nullptr;
    QLabel *message_ = nullptr;
    QPushButton *apply_ = nullptr;
    std::array<QLabel *, paletteBytes> swatches_ {};
    std::optional<mosavo::Bytes> palette_;
};

// Runs the dialog on the document's tiles and replaces its eight sub-palettes with the palette chosen, as one undo
// step.
void importPaletteFromRom(MosavoDocument *document);

} // namespace kestova
