#include "app/document/SessionDocument.h"

#include "app/document/FileIO.h"
#include "core/ConsoleDataFactory.h"
#include "formats/ScreenToolSessionReader.h"
#include "palette/NESPalette.h"

#include <QFileInfo>

namespace kestova {

using namespace mosavo;

SettingsPtr documentFromSession(const ScreenToolSession &session, const QString &name)
{
    auto document = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    document->setTileData(ConsoleDataFactory::generate(session.tiles));
    document->setIsRomData(false);
    document->setIsCHRData(true);
    std::vector<PalettePtr> palettes;
    for (size_t p = 0; p < 8; ++p)
        palettes.push_back(NESPalette::fromData(
            Bytes(session.palette.begin() + long(p * 4), session.palette.begin() + long(p * 4 + 4))));
    document->setPalettes(std::move(palettes));
    Screen screen = session.screen;
    screen.name = name.toStdString();
    document->screens().push_back(std::move(screen));
    document->metasprites() = session.metasprites;
    document->setTallSprites(session.sprites.tall);
    document->setSpritePatternTable(session.sprites.patternTable);
    return document;
}

std::variant<SettingsPtr, QString> readSessionDocument(const QString &path)
{
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return read.error->reason;
    auto session = ScreenToolSessionReader::read(read.bytes);
    if (!session)
        return QString::fromStdString(session.error);
    return documentFromSession(*session.value, QFileInfo(path).completeBaseName());
}

} // namespace kestova
