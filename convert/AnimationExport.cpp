#include "convert/AnimationExport.h"

#include "convert/MetaspriteExport.h"

#include <algorithm>
#include <set>

namespace mosavo {

namespace {
SourceResult refused(std::string reason)
{
    return { std::nullopt, std::move(reason) };
}

// A name as the text of a one-line comment: control characters (a newline would end the comment) become spaces.
std::string commentText(std::string_view name)
{
    std::string out(name);
    for (char &c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return out;
}

void appendList(std::string &out, std::string_view lineStart, const std::vector<std::string> &names, bool cStyle)
{
    constexpr size_t perRow = 8;
    for (size_t row = 0; row < names.size(); row += perRow) {
        out += lineStart;
        const size_t end = std::min(names.size(), row + perRow);
        for (size_t i = row; i < end; ++i) {
            if (i > row)
                out += ' ';
            out += names[i];
            if (cStyle ? i + 1 < names.size() : i + 1 < end)
                out += ',';
        }
        out += '\n';
    }
}
} // namespace

SourceResult animationsSource(std::string_view name, const std::vector<Animation> &animations,
    const std::vector<Metasprite> &metasprites, SourceLanguage language)
{
    if (auto error = sourceNameError(name, language))
        return refused(*error);
    if (animations.empty())
        return refused("there are no animations");
    for (size_t a = 0; a < animations.size(); ++a)
        for (size_t f = 0; f < animations[a].frames.size(); ++f) {
            const AnimationFrame &frame = animations[a].frames[f];
            const std::string where = "frame " + std::to_string(f) + " of animation " + std::to_string(a) + " (\""
                + animations[a].name + "\")";
            if (frame.metasprite < 0 || size_t(frame.metasprite) >= metasprites.size())
                return refused(
                    where + " shows metasprite " + std::to_string(frame.metasprite) + ", which does not exist");
            if (frame.duration < 1 || frame.duration > 255)
                return refused(
                    where + " lasts " + std::to_string(frame.duration) + " frames; a duration is one byte, 1..255");
        }

    const std::vector<std::string> tables = metaspriteTableLabels(metasprites);
    // The animations' names, unique beside the tables' names and NAME.
    std::set<std::string> taken(tables.begin(), tables.end());
    taken.insert(std::string(name));
    std::vector<std::string> labels;
    for (const Animation &animation : animations) {
        const std::string base = sourceIdentifier(animation.name);
        std::string label = base;
        for (int n = 2; taken.count(label); ++n)
            label = base + "_" + std::to_string(n);
        taken.insert(label);
        labels.push_back(label);
    }
    std::vector<std::string> used;
    std::set<int> seen;
    for (const Animation &animation : animations)
        for (const AnimationFrame &frame : animation.frames)
            if (seen.insert(frame.metasprite).second)
                used.push_back(tables[size_t(frame.metasprite)]);

    const bool ca65 = language == SourceLanguage::ca65;
    const std::string frameType = "struct " + std::string(name) + "_frame";
    std::string out;
    if (ca65) {
        out += "; Animations: per frame the address of its metasprite table (.word) and how many frames it shows\n"
               "; (.byte); a frame of address 0 and duration 0 ends each list. ";
        out += name;
        out += " lists the animations.\n";
        if (!used.empty())
            appendList(out, ".import ", used, false);
        std::vector<std::string> exported = { std::string(name) };
        exported.insert(exported.end(), labels.begin(), labels.end());
        appendList(out, ".export ", exported, false);
    } else {
        out += "// Animations: per frame its metasprite table and how many frames (1/60 s) it shows; a frame of 0, 0\n"
               "// ends each list. ";
        out += name;
        out += " lists the animations.\n";
        out += frameType + " {\n    const unsigned char* metasprite;\n    unsigned char duration;\n};\n";
        for (const std::string &table : used)
            out += "extern const unsigned char " + table + "[];\n";
    }
    for (size_t a = 0; a < animations.size(); ++a) {
        if (ca65)
            out += "; \"" + commentText(animations[a].name) + "\"\n" + labels[a] + ":\n";
        else
            out += "// \"" + commentText(animations[a].name) + "\"\nconst " + frameType + " " + labels[a] + "[] = {\n";
        for (const AnimationFrame &frame : animations[a].frames) {
            const std::string &table = tables[size_t(frame.metasprite)];
            if (ca65)
                out += "    .word " + table + "\n    .byte " + std::to_string(frame.duration) + "\n";
            else
                out += "    { " + table + ", " + std::to_string(frame.duration) + " },\n";
        }
        out += ca65 ? "    .word 0\n    .byte 0\n" : "    { 0, 0 }\n};\n";
    }
    if (ca65) {
        out += std::string(name) + ":\n";
        appendList(out, "    .word ", labels, false);
    } else {
        out += "const " + frameType + "* const " + std::string(name) + "[] = {\n";
        appendList(out, "    ", labels, true);
        out += "};\n";
    }
    return { std::move(out), {} };
}

} // namespace mosavo
