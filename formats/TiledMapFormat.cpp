#include "formats/TiledMapFormat.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <variant>

#include <zlib.h>

namespace mosavo {

namespace {

constexpr uint32_t flipFlags = 0xF0000000u;
constexpr int tileSide = 16;

using Result = FormatResult<LevelFile>;

std::string text(QStringView view)
{
    return view.toString().toStdString();
}

// A whole number attribute, or -1 when it is missing or not one.
long long number(const QXmlStreamAttributes &attributes, const char *name)
{
    bool ok = false;
    const long long value = attributes.value(QLatin1String(name)).toLongLong(&ok);
    return ok ? value : -1;
}

// The GIDs of a layer's data, as its encoding and compression say; or why they cannot be read.
std::variant<std::vector<uint32_t>, std::string> layerGids(
    const QString &encoding, const QString &compression, const QString &content, size_t cells)
{
    std::vector<uint32_t> gids;
    if (encoding == u"csv") {
        if (!compression.isEmpty())
            return std::string("its CSV layer says it is compressed");
        for (QStringView field : QStringView(content).split(u',')) {
            bool ok = false;
            const qulonglong gid = field.trimmed().toULongLong(&ok);
            if (!ok || gid > 0xFFFFFFFFull)
                return "its layer holds \"" + text(field.trimmed().left(20)) + "\", which is not a tile number";
            if (gids.size() == cells)
                return "its layer holds more than " + std::to_string(cells) + " cells";
            gids.push_back(uint32_t(gid));
        }
        return gids;
    }
    if (encoding != u"base64")
        return "its layer's encoding is \"" + text(encoding.left(20)) + "\"; CSV and base64 are read";
    if (!compression.isEmpty() && compression != u"zlib")
        return "its layer is compressed with " + text(compression.left(20))
            + "; uncompressed and zlib layers are read (choose one in Tiled's map properties)";
    const auto decoded
        = QByteArray::fromBase64Encoding(content.trimmed().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::string("its layer's base64 data is damaged");
    QByteArray bytes = *decoded;
    if (compression == u"zlib") {
        QByteArray raw(qsizetype(cells * 4), '\0');
        uLongf length = uLongf(raw.size());
        const int status = uncompress(reinterpret_cast<Bytef *>(raw.data()), &length,
            reinterpret_cast<const Bytef *>(bytes.constData()), uLong(bytes.size()));
        if (status != Z_OK)
            return std::string(status == Z_BUF_ERROR ? "its layer's zlib data unpacks to more cells than the map has"
                                                     : "its layer's zlib data is damaged");
        raw.resize(qsizetype(length));
        bytes = raw;
    }
    if (size_t(bytes.size()) != cells * 4)
        return "its layer holds " + std::to_string(bytes.size() / 4) + " cells, not " + std::to_string(cells);
    for (qsizetype at = 0; at < bytes.size(); at += 4)
        gids.push_back(uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8
            | uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24);
    return gids;
}

} // namespace

FormatResult<LevelFile> TiledMapFormat::read(const Bytes &bytes) const
{
    QXmlStreamReader xml(QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
    LevelFile file;
    long long width = -1, height = -1, firstGid = -1;
    bool inMap = false, inProperties = false, haveLayer = false;
    std::vector<uint32_t> gids;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"properties")
            inProperties = false;
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        const QStringView element = xml.name();
        if (!inMap) {
            if (element != u"map")
                return Result::failure("it is not a Tiled map (its first element is <" + text(element.left(20)) + ">)");
            inMap = true;
            if (attributes.value(QLatin1String("orientation")) != u"orthogonal")
                return Result::failure("its orientation is \""
                    + text(attributes.value(QLatin1String("orientation")).left(20)) + "\"; a level is orthogonal");
            if (number(attributes, "tilewidth") != tileSide || number(attributes, "tileheight") != tileSide)
                return Result::failure("its tiles are not 16 x 16 pixels (a metatile's size)");
            if (attributes.value(QLatin1String("infinite")) == u"1")
                return Result::failure("it is an infinite map; a level has a fixed size");
            width = number(attributes, "width");
            height = number(attributes, "height");
            if (width <= 0 || height <= 0 || width % LevelMap::roomColumns != 0 || height % LevelMap::roomRows != 0
                || width > LevelMap::roomColumns * LevelMap::maximumRooms
                || height > LevelMap::roomRows * LevelMap::maximumRooms)
                return Result::failure("it is " + std::to_string(width) + " x " + std::to_string(height)
                    + " tiles; a level is whole rooms of 16 x 15 metatiles, at most 16 x 16 rooms");
            continue;
        }
        if (element == u"properties") {
            inProperties = true;
        } else if (element == u"property" && inProperties && !haveLayer && firstGid < 0) {
            if (attributes.value(QLatin1String("name")) == u"name")
                file.map.name = text(attributes.value(QLatin1String("value")));
        } else if (element == u"tileset" && firstGid < 0) {
            firstGid = number(attributes, "firstgid");
            if (firstGid < 1)
                return Result::failure("its first tileset has no first tile number (firstgid)");
            file.tilesetSource = text(attributes.value(QLatin1String("source")));
            file.tilesetName = text(attributes.value(QLatin1String("name")));
            file.tilesetTiles = int(std::max(0LL, number(attributes, "tilecount")));
        } else if (element == u"layer" && !haveLayer) {
            if (number(attributes, "width") != width || number(attributes, "height") != height)
                return Result::failure("its first layer is not the size of the map");
            if (file.map.name.empty())
                file.map.name = text(attributes.value(QLatin1String("name")));
        } else if (element == u"data" && !haveLayer) {
            haveLayer = true;
            const QString encoding = attributes.value(QLatin1String("encoding")).toString();
            const QString compression = attributes.value(QLatin1String("compression")).toString();
            if (encoding.isEmpty())
                return Result::failure("its layer is stored as XML <tile> elements; save it as CSV or base64");
            const QString content = xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
            if (xml.hasError())
                break;
            auto read = layerGids(encoding, compression, content, size_t(width * height));
            if (auto *reason = std::get_if<std::string>(&read))
                return Result::failure(*reason);
            gids = std::move(std::get<std::vector<uint32_t>>(read));
        }
    }
    if (xml.hasError())
        return Result::failure("it is not well-formed XML (" + xml.errorString().left(120).toStdString() + ", line "
            + std::to_string(xml.lineNumber()) + ")");
    if (!inMap)
        return Result::failure("it is not a Tiled map (it holds no <map>)");
    if (firstGid < 0)
        return Result::failure("it has no tileset");
    if (!haveLayer)
        return Result::failure("it has no tile layer");
    if (gids.size() != size_t(width * height))
        return Result::failure(
            "its layer holds " + std::to_string(gids.size()) + " cells, not " + std::to_string(width * height));
    file.map = LevelMap::blank(file.map.name, 0, int(width / LevelMap::roomColumns), int(height / LevelMap::roomRows));
    for (size_t i = 0; i < gids.size(); ++i) {
        const std::string cell
            = "(" + std::to_string(i % size_t(width)) + ", " + std::to_string(i / size_t(width)) + ")";
        if (gids[i] == 0)
            return Result::failure("its cell " + cell + " is empty; every cell of a level holds a metatile");
        if (gids[i] & flipFlags)
            return Result::failure("its cell " + cell + " is flipped or rotated; metatiles are not");
        const long long metatile = (long long)gids[i] - firstGid;
        if (metatile < 0 || metatile > 255 || (file.tilesetTiles > 0 && metatile >= file.tilesetTiles))
            return Result::failure("its cell " + cell + " holds tile " + std::to_string(gids[i])
                + ", which is not a tile of its first tileset");
        file.map.cells[i] = uint8_t(metatile);
    }
    return Result::success(std::move(file));
}

FormatResult<Bytes> TiledMapFormat::write(const LevelFile &file) const
{
    const LevelMap &map = file.map;
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("map"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.10"));
    xml.writeAttribute(QStringLiteral("orientation"), QStringLiteral("orthogonal"));
    xml.writeAttribute(QStringLiteral("renderorder"), QStringLiteral("right-down"));
    xml.writeAttribute(QStringLiteral("width"), QString::number(map.columns()));
    xml.writeAttribute(QStringLiteral("height"), QString::number(map.rows()));
    xml.writeAttribute(QStringLiteral("tilewidth"), QString::number(tileSide));
    xml.writeAttribute(QStringLiteral("tileheight"), QString::number(tileSide));
    xml.writeAttribute(QStringLiteral("infinite"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("nextlayerid"), QStringLiteral("2"));
    xml.writeAttribute(QStringLiteral("nextobjectid"), QStringLiteral("1"));
    xml.writeStartElement(QStringLiteral("properties"));
    xml.writeStartElement(QStringLiteral("property"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("name"));
    xml.writeAttribute(QStringLiteral("value"), QString::fromStdString(map.name));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("tileset"));
    xml.writeAttribute(QStringLiteral("firstgid"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("source"), QString::fromStdString(file.tilesetSource));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("layer"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("1"));
    xml.writeAttribute(
        QStringLiteral("name"), map.name.empty() ? QStringLiteral("level") : QString::fromStdString(map.name));
    xml.writeAttribute(QStringLiteral("width"), QString::number(map.columns()));
    xml.writeAttribute(QStringLiteral("height"), QString::number(map.rows()));
    xml.writeStartElement(QStringLiteral("data"));
    xml.writeAttribute(QStringLiteral("encoding"), QStringLiteral("csv"));
    QString csv = QStringLiteral("\n");
    for (int row = 0; row < map.rows(); ++row) {
        for (int column = 0; column < map.columns(); ++column) {
            csv += QString::number(int(map.at(column, row)) + 1);
            if (row + 1 < map.rows() || column + 1 < map.columns())
                csv += u',';
        }
        csv += u'\n';
    }
    xml.writeCharacters(csv);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return FormatResult<Bytes>::success(Bytes(out.begin(), out.end()));
}

} // namespace mosavo
