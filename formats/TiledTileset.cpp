#include "formats/TiledTileset.h"

#include <QByteArray>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace mosavo {

Bytes tiledTilesetBytes(const MetatileSet &set, const std::string &imageSource, int imageWidth, int imageHeight)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("tileset"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.10"));
    xml.writeAttribute(QStringLiteral("name"), QString::fromStdString(set.name));
    xml.writeAttribute(QStringLiteral("tilewidth"), QStringLiteral("16"));
    xml.writeAttribute(QStringLiteral("tileheight"), QStringLiteral("16"));
    xml.writeAttribute(QStringLiteral("tilecount"), QString::number(set.metatiles.size()));
    xml.writeAttribute(QStringLiteral("columns"), QString::number(imageWidth / 16));
    xml.writeStartElement(QStringLiteral("image"));
    xml.writeAttribute(QStringLiteral("source"), QString::fromStdString(imageSource));
    xml.writeAttribute(QStringLiteral("width"), QString::number(imageWidth));
    xml.writeAttribute(QStringLiteral("height"), QString::number(imageHeight));
    xml.writeEndElement();
    for (size_t id = 0; id < set.metatiles.size(); ++id) {
        xml.writeStartElement(QStringLiteral("tile"));
        xml.writeAttribute(QStringLiteral("id"), QString::number(id));
        xml.writeStartElement(QStringLiteral("properties"));
        xml.writeStartElement(QStringLiteral("property"));
        xml.writeAttribute(QStringLiteral("name"), QStringLiteral("behaviour"));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("int"));
        xml.writeAttribute(QStringLiteral("value"), QString::number(set.metatiles[id].behaviour));
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return Bytes(out.begin(), out.end());
}

FormatResult<TiledTilesetInfo> readTiledTileset(const Bytes &bytes)
{
    QXmlStreamReader xml(QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() != u"tileset")
            return FormatResult<TiledTilesetInfo>::failure("it is not a Tiled tileset (its first element is <"
                + xml.name().left(20).toString().toStdString() + ">)");
        const QXmlStreamAttributes attributes = xml.attributes();
        TiledTilesetInfo info;
        info.name = attributes.value(QLatin1String("name")).toString().toStdString();
        info.tileCount = attributes.value(QLatin1String("tilecount")).toInt();
        info.tileWidth = attributes.value(QLatin1String("tilewidth")).toInt();
        info.tileHeight = attributes.value(QLatin1String("tileheight")).toInt();
        return FormatResult<TiledTilesetInfo>::success(std::move(info));
    }
    return FormatResult<TiledTilesetInfo>::failure(xml.hasError()
            ? "it is not well-formed XML (" + xml.errorString().left(120).toStdString() + ")"
            : std::string("it is not a Tiled tileset (it holds no <tileset>)"));
}

} // namespace mosavo
