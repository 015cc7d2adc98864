#pragma once

#include "convert/LossyScreenConversion.h"
#include "convert/PerceptualError.h"

#include <QDialog>
#include <QImage>
#include <QString>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace kestova {

// The Convert choice of a picture import: the picture and what the console would show of it side by side at 2x, the
// perceptual error and the tiles used, with the dithering and the tile budget; the preview follows every change
// before anything is imported. A conversion that takes over half a second shows progress with Cancel.
class PictureConvertDialog : public QDialog
{
    Q_OBJECT

public:
    // What a conversion made: the picture as shown, its quality, or why there is none.
    struct Preview
    {
        QImage shown;
        std::optional<mosavo::ConversionQuality> quality;
        QString error;
    };
    using Converter = std::function<Preview(const mosavo::LossySettings &)>;

    // tileRoom: the new tiles the pattern table has room for (the budget's default and most).
    PictureConvertDialog(const QString &title, const QImage &source, int tileRoom, Converter convert, QWidget *parent);

    mosavo::LossySettings settings() const;
    // The figures shown under the preview ("212 tiles (180 new), perceptual error mean 0.021, ...").
    QString figures() const;
    // Converts again with the settings shown (done by itself, shortly after a change).
    void refresh();

private:
    QComboBox *dither_ = nullptr;
    QSpinBox *budget_ = nullptr;
    QLabel *result_ = nullptr;
    QLabel *figures_ = nullptr;
    QTimer *pending_ = nullptr;
    QPushButton *import_ = nullptr;
    Converter convert_;
    int tileRoom_ = 0;
    bool converting_ = false;
};

} // namespace kestova
