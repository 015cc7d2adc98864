#include "app/cli/LossyOptions.h"

#include <QDir>

namespace kestova::cli {

const QString lossyOption = QStringLiteral("--lossy");
const QString ditherOption = QStringLiteral("--dither");
const QString maxTilesOption = QStringLiteral("--max-tiles");

std::vector<OptionRule> lossyOptionRules()
{
    return { flagOption(lossyOption),
        choiceOption(ditherOption, QStringLiteral("none, ordered or diffusion"),
            { QStringLiteral("none"), QStringLiteral("ordered"), QStringLiteral("diffusion") }),
        numberOption(maxTilesOption, QStringLiteral("a number of tiles"), 0, 512) };
}

QStringList lossyOptionNames()
{
    return { lossyOption, ditherOption, maxTilesOption };
}

std::optional<QString> checkLossyOptions(const ParsedArguments &arguments)
{
    if (arguments.has(lossyOption))
        return std::nullopt;
    for (const QString &option : { ditherOption, maxTilesOption })
        if (arguments.has(option))
            return QStringLiteral("%1 goes with --lossy").arg(option);
    return std::nullopt;
}

std::optional<mosavo::LossySettings> lossySettings(const ParsedArguments &arguments)
{
    if (!arguments.has(lossyOption))
        return std::nullopt;
    mosavo::LossySettings settings;
    if (const auto dither = arguments.text(ditherOption))
        settings.dithering = mosavo::ditheringNamed(dither->toStdString()).value_or(mosavo::Dithering::none);
    if (const auto tiles = arguments.number(maxTilesOption))
        settings.maxTiles = int(*tiles);
    return settings;
}

void reportLossyQuality(QTextStream &err, const QString &picture, const mosavo::ConversionQuality &quality)
{
    err << QDir::toNativeSeparators(picture) << ": converted (lossy): " << QString::fromStdString(qualityText(quality))
        << "\n";
    err.flush();
}

QString lossyHelp()
{
    return QStringLiteral(
        "  --lossy               with --import-screen-png, --import-sprite-png or --import-png: make any picture\n"
        "                        fit what the console shows (colours chosen for the whole picture, tiles merged\n"
        "                        to fit) instead of reading its colours as display colours; the tiles used and\n"
        "                        the perceptual error (OKLab, mean and worst 16 x 16 area) go to standard error\n"
        "    --dither none|ordered|diffusion\n"
        "                        how colours that cannot be shown are spread (default none)\n"
        "    --max-tiles N       at most N new tiles (default: the room left in the pattern table)\n");
}

} // namespace kestova::cli
