#pragma once

#include "core/INesHeader.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <variant>

class QLabel;
class QLineEdit;

namespace kestova {

// Where View > Go to Tile should go: a tile number or a byte offset in the file.
struct GoToTarget
{
    enum class Kind { tile, offset };
    Kind kind = Kind::tile;
    uint64_t value = 0;
    bool operator==(const GoToTarget &) const = default;
};

// Reads what the user typed: a number, decimal ("416") or hex with "$" or "0x" ("$1A0", "0x1a0"), that is a tile
// number, or a file offset when it follows "@" or the word "offset" ("@0x4010", "offset $4010"); the word "tile" may
// stand before a tile number ("tile $1A0"). Case and spaces around the parts do not matter. The reason when the text
// is not such a number.
std::variant<GoToTarget, QString> parseGoToTarget(const QString &text);

// The tile a target names in tile data of tileCount tiles, read from a ROM with that header or from bare CHR data.
struct GoToTile
{
    int64_t tile = 0;
    // For an offset inside a tile rather than at its start: which byte of the tile it is (0-15).
    uint64_t byteInTile = 0;
    // For an offset: the byte shift (0-15) at which a tile starts exactly there, and that tile's number then.
    uint64_t alignedShift = 0;
    int64_t alignedTile = 0;
};
// The reason when there is no such tile: a number past the last tile, an offset in the iNES header or past the end.
// byteShift is how many bytes past the header (or the start of CHR data) tile 0 starts (View > Byte Offset).
std::variant<GoToTile, QString> resolveGoToTarget(const GoToTarget &target,
    const std::optional<mosavo::INesHeader> &header, int64_t tileCount, uint64_t byteShift = 0);

// The small dialog of View > Go to Tile: one line of text, read by parseGoToTarget and resolveGoToTarget when the user
// presses Go to; a text that names no tile keeps the dialog open with the reason shown under the line.
class GoToTileDialog : public QDialog
{
    Q_OBJECT

public:
    GoToTileDialog(
        std::optional<mosavo::INesHeader> header, int64_t tileCount, QWidget *parent = nullptr, uint64_t byteShift = 0);

    QLineEdit *input() const { return input_; }
    // The reason the last text was refused; empty when none.
    QString message() const;
    // The tile chosen, once the dialog was accepted.
    std::optional<GoToTile> chosen() const { return chosen_; }

    void accept() override;

private:
    std::optional<mosavo::INesHeader> header_;
    int64_t tileCount_ = 0;
    uint64_t byteShift_ = 0;
    QLineEdit *input_ = nullptr;
    QLabel *message_ = nullptr;
    std::optional<GoToTile> chosen_;
};

} // namespace kestova
