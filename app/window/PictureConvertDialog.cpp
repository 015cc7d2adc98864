#include "app/window/PictureConvertDialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace kestova {

namespace {
constexpr int previewScale = 2;
// A change waits this long for the next before the picture is converted again (a budget typed digit by digit).
constexpr int settleMilliseconds = 150;
constexpr int progressAfterMilliseconds = 500;

QLabel *pictureLabel(const QImage &image, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setFixedSize(image.size() * previewScale);
    label->setPixmap(QPixmap::fromImage(image.scaled(image.size() * previewScale)));
    return label;
}
} // namespace

PictureConvertDialog::PictureConvertDialog(
    const QString &title, const QImage &source, int tileRoom, Converter convert, QWidget *parent)
    : QDialog(parent)
    , convert_(std::move(convert))
    , tileRoom_(std::max(tileRoom, 0))
{
    setObjectName(QStringLiteral("pictureConvertDialog"));
    setWindowTitle(title);
    auto *layout = new QVBoxLayout(this);
    auto *pictures = new QHBoxLayout;
    auto *sourceLabel = pictureLabel(source, this);
    sourceLabel->setObjectName(QStringLiteral("pictureConvertSource"));
    pictures->addWidget(sourceLabel);
    result_ = pictureLabel(QImage(source.size(), QImage::Format_RGB32), this);
    result_->setObjectName(QStringLiteral("pictureConvertResult"));
    pictures->addWidget(result_);
    layout->addLayout(pictures);
    figures_ = new QLabel(this);
    figures_->setObjectName(QStringLiteral("pictureConvertFigures"));
    figures_->setWordWrap(true);
    layout->addWidget(figures_);
    auto *form = new QFormLayout;
    dither_ = new QComboBox(this);
    dither_->setObjectName(QStringLiteral("pictureConvertDither"));
    dither_->addItem(QStringLiteral("None"), int(mosavo::Dithering::none));
    dither_->addItem(QStringLiteral("Ordered"), int(mosavo::Dithering::ordered));
    dither_->addItem(QStringLiteral("Diffusion"), int(mosavo::Dithering::diffusion));
    form->addRow(QStringLiteral("Dithering:"), dither_);
    budget_ = new QSpinBox(this);
    budget_->setObjectName(QStringLiteral("pictureConvertTileBudget"));
    budget_->setRange(0, tileRoom_);
    budget_->setValue(tileRoom_);
    budget_->setSuffix(QStringLiteral(" new tiles at most"));
    form->addRow(QStringLiteral("Tile budget:"), budget_);
    layout->addLayout(form);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    import_ = buttons->button(QDialogButtonBox::Ok);
    import_->setText(QStringLiteral("Import"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    pending_ = new QTimer(this);
    pending_->setSingleShot(true);
    pending_->setInterval(settleMilliseconds);
    connect(pending_, &QTimer::timeout, this, &PictureConvertDialog::refresh);
    connect(dither_, &QComboBox::currentIndexChanged, pending_, qOverload<>(&QTimer::start));
    connect(budget_, &QSpinBox::valueChanged, pending_, qOverload<>(&QTimer::start));
    pending_->start(0);
}

mosavo::LossySettings PictureConvertDialog::settings() const
{
    mosavo::LossySettings settings;
    settings.dithering = mosavo::Dithering(dither_->currentData().toInt());
    settings.maxTiles = budget_->value();
    return settings;
}

QString PictureConvertDialog::figures() const
{
    return figures_->text();
}

void PictureConvertDialog::refresh()
{
    pending_->stop();
    if (converting_) {
        // A change while converting: converted again once this one is done.
        pending_->start();
        return;
    }
    converting_ = true;
    mosavo::LossySettings settings = this->settings();
    // Progress with Cancel once the conversion has taken half a second; the window keeps drawing meanwhile.
    QElapsedTimer clock;
    clock.start();
    QProgressDialog *progress = nullptr;
    bool cancelled = false;
    settings.progress = [&](double done) {
        if (!progress && clock.elapsed() >= progressAfterMilliseconds) {
            progress = new QProgressDialog(
                QStringLiteral("Converting the picture..."), QStringLiteral("Cancel"), 0, 100, this);
            progress->setObjectName(QStringLiteral("pictureConvertProgress"));
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
        }
        if (progress) {
            progress->setValue(int(done * 100));
            cancelled = cancelled || progress->wasCanceled();
        }
        QCoreApplication::processEvents();
        return !cancelled;
    };
    const Preview preview = convert_(settings);
    delete progress;
    converting_ = false;
    if (!preview.error.isEmpty()) {
        figures_->setText(cancelled ? QStringLiteral("Cancelled; change a setting to convert again") : preview.error);
        import_->setEnabled(false);
        return;
    }
    result_->setPixmap(QPixmap::fromImage(preview.shown.scaled(preview.shown.size() * previewScale)));
    figures_->setText(preview.quality ? QString::fromStdString(qualityText(*preview.quality)) : QString());
    import_->setEnabled(true);
}

} // namespace kestova
