#include "app/support/DocumentFixture.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

using namespace app_test;

namespace {

class DocumentFlowTest : public ApplicationTest
{
protected:
    // A new document with one painted stroke: unsaved work.
    MosavoDocument *openEdited()
    {
        MosavoDocument *document = openNew();
        drag(controllerOf(document).mosavo, { { 8, 8 }, { 120, 90 } });
        settle();
        EXPECT_TRUE(document->isModified());
        return document;
    }
    static Bytes tilesOf(MosavoDocument *document)
    {
        return *document->editorViewControllerSettings.lock()->tileData()->consoleFormattedPixelData();
    }
    // The one document open is `document`, with these tiles and still modified.
    void expectStillOpen(MosavoDocument *document, const Bytes &tiles)
    {
        ASSERT_EQ(documents().documents(), std::vector<MosavoDocument *> { document });
        EXPECT_EQ(tilesOf(document), tiles);
        EXPECT_TRUE(document->isModified());
        EXPECT_TRUE(document->window()->isVisible());
    }
};

} // namespace

// Open shows the file panel before anything is closed; with unsaved work it then asks Save / Discard / Cancel, and
// Cancel anywhere keeps the document as it was.
TEST_F(DocumentFlowTest, OpenChoosesTheFileFirstThenAsksAboutUnsavedWork)
{
    MosavoDocument *document = openEdited();
    const Bytes tiles = tilesOf(document);

    panels->answers = { QString() }; // Cancel in the panel
    documents().openDocument();
    settle();
    EXPECT_EQ(panels->shownTitles, QStringList { "Open" });
    EXPECT_TRUE(alerts->alertTexts.isEmpty());
    EXPECT_TRUE(alerts->saveQuestions.isEmpty());
    expectStillOpen(document, tiles);

    panels->answers = { testFile("chr/Gears.chr") };
    alerts->saveAnswers = { SaveChoice::cancel };
    documents().openDocument();
    settle();
    EXPECT_EQ(alerts->saveQuestions, QStringList { "Untitled" });
    EXPECT_TRUE(alerts->alertTexts.isEmpty()) << "one question, not two";
    expectStillOpen(document, tiles);

    // A file that cannot be opened is refused before anything closes.
    const QString bad = dir.filePath("bad.chr");
    writeBytes(bad, Bytes(17, 1));
    panels->answers = { bad };
    documents().openDocument();
    settle();
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].contains(bad));
    EXPECT_EQ(alerts->saveQuestions.size(), 1);
    expectStillOpen(document, tiles);

    panels->answers = { testFile("chr/Gears.chr") };
    alerts->saveAnswers = { SaveChoice::discard };
    documents().openDocument();
    settle();
    ASSERT_EQ(documents().documents().size(), 1u);
    EXPECT_EQ(documents().documents().front()->displayName(), "Untitled (Gears.chr)");
    EXPECT_TRUE(alerts->alertTexts.isEmpty());
}

// New with unsaved work asks Save / Discard / Cancel; Save through the save panel keeps the work in a file before the
// new document opens. Without unsaved work New keeps the close-current-project question.
TEST_F(DocumentFlowTest, NewAsksToSaveUnsavedWork)
{
    MosavoDocument *document = openEdited();
    const Bytes tiles = tilesOf(document);

    alerts->saveAnswers = { SaveChoice::cancel };
    documents().newDocument();
    settle();
    EXPECT_EQ(alerts->saveQuestions, QStringList { "Untitled" });
    EXPECT_TRUE(alerts->alertTexts.isEmpty());
    expectStillOpen(document, tiles);

    // Save, but Cancel in the save panel: still nothing closes.
    alerts->saveAnswers = { SaveChoice::save };
    panels->answers = { QString() };
    documents().newDocument();
    settle();
    expectStillOpen(document, tiles);

    const QString kept = dir.filePath("kept.kestova");
    alerts->saveAnswers = { SaveChoice::save };
    panels->answers = { kept };
    documents().newDocument();
    settle();
    ASSERT_EQ(documents().documents().size(), 1u);
    MosavoDocument *fresh = documents().documents().front();
    EXPECT_NE(fresh, document);
    const auto saved = EditorViewControllerSettings::fromDocumentBytes(readBytes(kept));
    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved->tileData()->consoleFormattedPixelData(), tiles);
    activate(fresh);

    // No work at risk: the close-current-project question stays.
    alerts->alertAnswers = { alertFirstButtonReturn + 1 };
    documents().newDocument();
    settle();
    EXPECT_EQ(alerts->alertTexts, QStringList { "Would you like to close current project?" });
    EXPECT_EQ(documents().documents(), std::vector<MosavoDocument *> { fresh });
    EXPECT_EQ(alerts->saveQuestions.size(), 3);
}

// Open Recent, a dropped file and a file handed in from outside ask about unsaved work as Open does.
TEST_F(DocumentFlowTest, RecentDroppedAndHandedInFilesAskAboutUnsavedWork)
{
    MosavoDocument *document = openEdited();
    const Bytes tiles = tilesOf(document);

    alerts->saveAnswers = { SaveChoice::cancel };
    EXPECT_EQ(documents().openFileAsking(testFile("chr/Alpha.chr"), document->window()), nullptr);
    settle();
    expectStillOpen(document, tiles);

    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(testFile("chr/Alpha.chr")) });
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(document->window(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    alerts->saveAnswers = { SaveChoice::cancel };
    QApplication::sendEvent(document->window(), &drop);
    settle();
    expectStillOpen(document, tiles);

    activate(document);
    alerts->saveAnswers = { SaveChoice::cancel };
    EXPECT_TRUE(delegate->openFile(testFile("chr/Alpha.chr")));
    settle();
    expectStillOpen(document, tiles);
    EXPECT_EQ(alerts->saveQuestions, QStringList({ "Untitled", "Untitled", "Untitled" }))
        << alerts->saveQuestions.join(", ").toStdString();
    EXPECT_TRUE(alerts->alertTexts.isEmpty());

    alerts->saveAnswers = { SaveChoice::discard };
    EXPECT_TRUE(delegate->openFile(testFile("chr/Alpha.chr")));
    settle();
    ASSERT_EQ(documents().documents().size(), 1u);
    EXPECT_EQ(documents().documents().front()->displayName(), "Untitled (Alpha.chr)");
}

// Re-opening the open document's own file with unsaved changes, through Open, Open Recent or a drop, choosing Save:
// the window then shows what was just saved, not what the file held before.
TEST_F(DocumentFlowTest, ReopeningTheOpenFileAfterSavingShowsTheSavedContent)
{
    MosavoDocument *document = openEdited();
    const QString path = dir.filePath("work.kestova");
    panels->answers = { path };
    ASSERT_TRUE(document->saveAs());
    settle();
    const Bytes firstEdit = tilesOf(document);

    const auto editOnce = [this](MosavoDocument *open, QPointF from) {
        drag(controllerOf(open).mosavo, { from, from + QPointF(60, 30), from + QPointF(10, 80) });
        settle();
        EXPECT_TRUE(open->isModified());
        return tilesOf(open);
    };
    const auto reopened = [this] {
        settle();
        EXPECT_EQ(documents().documents().size(), 1u);
        return documents().documents().empty() ? nullptr : documents().documents().front();
    };

    // File > Open.
    Bytes edited = editOnce(document, { 150, 150 });
    ASSERT_NE(edited, firstEdit);
    panels->answers = { path };
    alerts->saveAnswers = { SaveChoice::save };
    documents().openDocument();
    MosavoDocument *open = reopened();
    ASSERT_TRUE(open);
    EXPECT_NE(open, document);
    EXPECT_EQ(tilesOf(open), edited);
    EXPECT_FALSE(open->isModified());
    activate(open);

    // Open Recent, through the window's menu entry.
    edited = editOnce(open, { 20, 100 });
    QAction *recent = nullptr;
    for (QAction *entry : open->window()->findChildren<QAction *>())
        if (entry->data().toString() == path)
            recent = entry;
    ASSERT_TRUE(recent);
    alerts->saveAnswers = { SaveChoice::save };
    recent->trigger();
    open = reopened();
    ASSERT_TRUE(open);
    EXPECT_EQ(tilesOf(open), edited);
    activate(open);

    // A drop of the file on the window.
    edited = editOnce(open, { 100, 20 });
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(path) });
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(open->window(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    alerts->saveAnswers = { SaveChoice::save };
    QApplication::sendEvent(open->window(), &drop);
    open = reopened();
    ASSERT_TRUE(open);
    EXPECT_EQ(tilesOf(open), edited);
    EXPECT_EQ(alerts->saveQuestions, QStringList({ "work.kestova", "work.kestova", "work.kestova" }));
}

namespace {
class RecordingDelegate : public AppDelegate
{
public:
    QStringList calls;
    void applicationWillBecomeActive() override { calls << "will"; }
    void applicationDidBecomeActive() override { calls << "did"; }
};
} // namespace

// The delegate hears each change of the application to the active state: first "will", then "did".
TEST_F(DocumentFlowTest, DelegateHearsTheApplicationBecomeActive)
{
    delegate.reset();
    auto recording = std::make_unique<RecordingDelegate>();
    RecordingDelegate &heard = *recording;
    delegate = std::move(recording);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(heard.calls, QStringList({ "will", "did" }));
    emit qApp->applicationStateChanged(Qt::ApplicationHidden);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(heard.calls, QStringList({ "will", "did", "will", "did" }));
}
