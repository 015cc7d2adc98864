#pragma once

#include "app/window/AppDelegate.h"
#include "app/tiles/EditorViewController.h"
#include "app/document/KestovaDocumentController.h"
#include "app/window/MainMosavoWindow.h"
#include "app/document/MosavoDocument.h"
#include "palette/PaletteFactory.h"

#include "app/support/AppTestSupport.h"
#include "app/support/FakePanels.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QPaintEvent>
#include <QTemporaryDir>

using namespace kestova;
using namespace mosavo;

namespace app_test {
// Records the regions the tile viewer repaints.
class PaintRecorder : public QObject
{
public:
    QRegion painted;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

inline Bytes readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
}

inline void writeBytes(const QString &path, const Bytes &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
}

inline std::vector<int64_t> colorNumbers(const SettingsPtr &settings)
{
    return PaletteFactory::colorNumbers(*settings->palettes());
}

class ApplicationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testApplication();
        alerts = std::make_shared<app_test::ScriptedAlerts>();
        setAlerts(alerts);
        panels = std::make_shared<FakePanels>();
        setFilePanels(panels);
        delegate = std::make_unique<AppDelegate>();
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override
    {
        KestovaDocumentController::closeDocuments();
        settle();
        delegate.reset();
        setAlerts(nullptr);
        setFilePanels(nullptr);
    }

    static KestovaDocumentController &documents() { return KestovaDocumentController::shared(); }

    // Runs the deferred work (the viewer's configure, repaints, deletions).
    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    MosavoDocument *openNew()
    {
        MosavoDocument *document = documents().openUntitledDocument();
        settle();
        activate(document);
        return document;
    }
    static void activate(MosavoDocument *document)
    {
        QWidget *window = document->window();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        settle();
    }
    static EditorViewController &controllerOf(MosavoDocument *document) { return *document->editorViewController; }
    static void trigger(MosavoDocument *document, const char *actionName)
    {
        auto *action = document->window()->findChild<QAction *>(QString::fromLatin1(actionName));
        ASSERT_NE(action, nullptr) << actionName;
        action->trigger();
        settle();
    }
    static QString testFile(const char *relative) { return QStringLiteral(KESTOVA_TEST_DATA "/") + relative; }

    std::shared_ptr<app_test::ScriptedAlerts> alerts;
    std::shared_ptr<FakePanels> panels;
    std::unique_ptr<AppDelegate> delegate;
    QTemporaryDir dir;
};
} // namespace app_test
