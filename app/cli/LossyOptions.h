#pragma once

#include "app/cli/ArgumentParser.h"
#include "convert/LossyScreenConversion.h"
#include "convert/PerceptualError.h"

#include <QString>
#include <QTextStream>

#include <optional>
#include <vector>

namespace kestova::cli {

// The options of a lossy picture import, shared by --import-screen-png, --import-sprite-png and --import-png:
// --lossy [--dither none|ordered|diffusion] [--max-tiles N].
extern const QString lossyOption;
extern const QString ditherOption;
extern const QString maxTilesOption;

std::vector<OptionRule> lossyOptionRules();
QStringList lossyOptionNames();

// --dither and --max-tiles without --lossy: the reason.
std::optional<QString> checkLossyOptions(const ParsedArguments &arguments);
// The settings the options ask for, or nothing without --lossy.
std::optional<mosavo::LossySettings> lossySettings(const ParsedArguments &arguments);

// "PICTURE: converted (lossy): 212 tiles (180 new), perceptual error mean 0.021, worst 0.084 in the 16 x 16 area at
// (112, 64)" on standard error.
void reportLossyQuality(QTextStream &err, const QString &picture, const mosavo::ConversionQuality &quality);

// The usage lines of the three options.
QString lossyHelp();

} // namespace kestova::cli
