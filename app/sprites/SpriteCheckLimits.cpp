#include "app/sprites/SpriteActions.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/sprites/SpriteImport.h"
#include "app/sprites/SpritePictures.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "sprite/AnimationPreview.h"
#include "sprite/SpritePicture.h"
#include "ui_MainMosavo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace kestova {

using namespace mosavo;

QDialog *SpriteActions::checkLimits()
{
    const SettingsPtr s = settings();
    if (!s)
        return nullptr;
    if (s->metasprites().empty()) {
        status(QStringLiteral("The document has no metasprites to check"));
        return nullptr;
    }
    auto *dialog = new QDialog(window_);
    dialog->setObjectName(QStringLiteral("checkLimitsDialog"));
    dialog->setWindowTitle(QStringLiteral("Check Limits"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(
        QStringLiteral("Metasprites placed together on a screen, in OAM order (the first row's sprites first), at the "
                       "X and Y a program puts in OAM (a sprite is drawn from the line below its Y):"),
        dialog));
    auto *table = new QTableWidget(0, 3, dialog);
    table->setObjectName(QStringLiteral("placements"));
    table->setHorizontalHeaderLabels(
        { QStringLiteral("Metasprite"), QStringLiteral("OAM X"), QStringLiteral("OAM Y") });
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);
    auto *report = new QPlainTextEdit(dialog);
    report->setObjectName(QStringLiteral("limitsReport"));
    report->setReadOnly(true);
    report->setMinimumHeight(140);

    const std::vector<Metasprite> metasprites = s->metasprites();
    const int spriteHeight = s->tallSprites() ? 16 : 8;
    const QPointer<SpriteActions> self(this);
    auto update = [self, table, report, metasprites, spriteHeight] {
        std::vector<MetaspritePlacement> placements;
        for (int row = 0; row < table->rowCount(); ++row) {
            auto *choice = qobject_cast<QComboBox *>(table->cellWidget(row, 0));
            auto *x = qobject_cast<QSpinBox *>(table->cellWidget(row, 1));
            auto *y = qobject_cast<QSpinBox *>(table->cellWidget(row, 2));
            if (choice && x && y)
                placements.push_back({ choice->currentIndex(), x->value(), y->value() });
        }
        report->setPlainText(QString::fromStdString(spriteLimitsReport(metasprites, placements, spriteHeight)));
        // The status bar gives the OAM X and Y of the shown metasprite's sprites at its first placement here.
        if (self) {
            self->checkedPlacement_.reset();
            for (const MetaspritePlacement &placement : placements)
                if (placement.metasprite == self->current_) {
                    self->checkedPlacement_ = QPoint(placement.x, placement.y);
                    break;
                }
        }
    };
    auto addRow = [table, metasprites, update](int metasprite, int x, int y) {
        const int row = table->rowCount();
        table->insertRow(row);
        auto *choice = new QComboBox(table);
        for (const Metasprite &m : metasprites)
            choice->addItem(QString::fromStdString(m.name));
        choice->setCurrentIndex(metasprite);
        auto *xs = new QSpinBox(table);
        xs->setRange(-128, 383);
        xs->setValue(x);
        auto *ys = new QSpinBox(table);
        ys->setRange(-128, 367);
        ys->setValue(y);
        table->setCellWidget(row, 0, choice);
        table->setCellWidget(row, 1, xs);
        table->setCellWidget(row, 2, ys);
        QObject::connect(choice, &QComboBox::currentIndexChanged, table, update);
        QObject::connect(xs, &QSpinBox::valueChanged, table, update);
        QObject::connect(ys, &QSpinBox::valueChanged, table, update);
        update();
    };
    auto *buttons = new QHBoxLayout;
    auto *add = new QPushButton(QStringLiteral("Add Placement"), dialog);
    add->setObjectName(QStringLiteral("addPlacement"));
    auto *remove = new QPushButton(QStringLiteral("Remove Placement"), dialog);
    remove->setObjectName(QStringLiteral("removePlacement"));
    connect(add, &QPushButton::clicked, dialog,
        [this, addRow] { addRow(std::max(current_, 0), editor_->originX(), editor_->originY()); });
    connect(remove, &QPushButton::clicked, dialog, [table, update] {
        if (table->rowCount() > 0) {
            table->removeRow(table->currentRow() >= 0 ? table->currentRow() : table->rowCount() - 1);
            update();
        }
    });
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(report);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(close, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(close);
    addRow(std::max(current_, 0), editor_->originX(), editor_->originY());
    connect(dialog, &QObject::destroyed, this, [this] { checkedPlacement_.reset(); });
    dialog->resize(560, 420);
    dialog->open();
    return dialog;
}

} // namespace kestova
