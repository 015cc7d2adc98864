#include "core/PixelAlgorithms.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace mosavo;

namespace {

using Picture = std::vector<std::string>;

// '.' is 0, '#' is 1, any other value shows as its last decimal digit.
Picture picture(const Matrix &m)
{
    Picture rows;
    for (int64_t y = 0; y < m.rows(); ++y) {
        std::string row;
        for (int64_t x = 0; x < m.columns(); ++x) {
            const int64_t v = m.values[y][size_t(x)];
            row += v == 0 ? '.' : v == 1 ? '#' : char('0' + v % 10);
        }
        rows.push_back(row);
    }
    return rows;
}

Matrix fromPicture(const Picture &rows)
{
    Matrix m(int64_t(rows.size()), rows.empty() ? 0 : int64_t(rows[0].size()));
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x)
            m.values[int64_t(y)][x] = rows[y][x] == '.' ? 0 : rows[y][x] == '#' ? 1 : rows[y][x] - '0';
    return m;
}

struct ShapeCase
{
    const char *name;
    int64_t columns;
    int64_t rows;
    std::function<void(Matrix &)> draw;
    Picture expected;
};

void checkCases(const std::vector<ShapeCase> &cases)
{
    for (const ShapeCase &c : cases) {
        Matrix m(c.rows, c.columns);
        c.draw(m);
        EXPECT_EQ(picture(m), c.expected) << c.name;
    }
}

bool eightConnected(const Matrix &m)
{
    std::vector<Cell> cells;
    for (int64_t y = 0; y < m.rows(); ++y)
        for (int64_t x = 0; x < m.columns(); ++x)
            if (m.values[y][size_t(x)] != 0)
                cells.push_back({ x, y });
    if (cells.empty())
        return false;
    Matrix seen(m.rows(), m.columns());
    std::vector<Cell> pending { cells.front() };
    seen.values[cells.front().y][size_t(cells.front().x)] = 1;
    size_t reached = 0;
    while (!pending.empty()) {
        const Cell c = pending.back();
        pending.pop_back();
        ++reached;
        for (int64_t dy = -1; dy <= 1; ++dy)
            for (int64_t dx = -1; dx <= 1; ++dx) {
                const int64_t x = c.x + dx, y = c.y + dy;
                if (x < 0 || y < 0 || x >= m.columns() || y >= m.rows())
                    continue;
                if (m.values[y][size_t(x)] != 0 && seen.values[y][size_t(x)] == 0) {
                    seen.values[y][size_t(x)] = 1;
                    pending.push_back({ x, y });
                }
            }
    }
    return reached == cells.size();
}

} // namespace

TEST(PixelAlgorithms, LinesIncludeBothEndsAndAreClipped)
{
    checkCases({
        { "shallow", 8, 3,
            [](Matrix &m) {
                pixels::drawLine(m, { 0, 0 }, { 7, 2 }, 1);
            },
            { "##......", "..####..", "......##" } },
        { "shallow reversed", 8, 3,
            [](Matrix &m) {
                pixels::drawLine(m, { 7, 2 }, { 0, 0 }, 1);
            },
            { "##......", "..####..", "......##" } },
        { "steep", 3, 7,
            [](Matrix &m) {
                pixels::drawLine(m, { 2, 0 }, { 0, 6 }, 1);
            },
            { "..#", "..#", ".#.", ".#.", ".#.", "#..", "#.." } },
        { "diagonal", 4, 4,
            [](Matrix &m) {
                pixels::drawLine(m, { 0, 3 }, { 3, 0 }, 1);
            },
            { "...#", "..#.", ".#..", "#..." } },
        { "single point", 3, 3,
            [](Matrix &m) {
                pixels::drawLine(m, { 1, 1 }, { 1, 1 }, 1);
            },
            { "...", ".#.", "..." } },
        { "crossing the left edge", 5, 3,
            [](Matrix &m) {
                pixels::drawLine(m, { -3, 1 }, { 2, 1 }, 2);
            },
            { ".....", "222..", "....." } },
        { "entirely outside", 3, 3,
            [](Matrix &m) {
                pixels::drawLine(m, { -5, -1 }, { 9, -1 }, 1);
            },
            { "...", "...", "..." } },
        { "far outside pulled in, still clipped", 4, 1,
            [](Matrix &m) {
                pixels::drawLine(m, { -1'000'000'000, 0 }, { 1'000'000'000, 0 }, 1);
            },
            { "####" } },
    });
}

TEST(PixelAlgorithms, LinesHaveNoGapsAndOneCellPerStep)
{
    for (int64_t x = 0; x < 12; ++x) {
        for (int64_t y = 0; y < 12; ++y) {
            Matrix m(12, 12);
            pixels::drawLine(m, { 5, 6 }, { x, y }, 1);
            int64_t count = 0;
            for (int64_t v : m.cells())
                count += v;
            EXPECT_EQ(count, std::max(std::abs(x - 5), std::abs(y - 6)) + 1) << x << "," << y;
            EXPECT_TRUE(eightConnected(m)) << x << "," << y;
            EXPECT_EQ(m.values[y][size_t(x)], 1);
            EXPECT_EQ(m.values[6][5], 1);
        }
    }
}

TEST(PixelAlgorithms, Rectangles)
{
    checkCases({
        { "outline", 5, 4,
            [](Matrix &m) {
                pixels::drawRectangle(m, { 3, 3 }, { 0, 1 }, 1, false);
            },
            { ".....", "####.", "#..#.", "####." } },
        { "filled", 5, 4,
            [](Matrix &m) {
                pixels::drawRectangle(m, { 1, 0 }, { 3, 2 }, 1, true);
            },
            { ".###.", ".###.", ".###.", "....." } },
        { "one column", 3, 4,
            [](Matrix &m) {
                pixels::drawRectangle(m, { 1, 0 }, { 1, 3 }, 1, false);
            },
            { ".#.", ".#.", ".#.", ".#." } },
        { "clipped outline keeps only the sides inside", 4, 4,
            [](Matrix &m) {
                pixels::drawRectangle(m, { -2, 1 }, { 2, 9 }, 1, false);
            },
            { "....", "###.", "..#.", "..#." } },
        { "clipped filled", 3, 3,
            [](Matrix &m) {
                pixels::drawRectangle(m, { -9, -9 }, { 1, 1 }, 3, true);
            },
            { "33.", "33.", "..." } },
    });
}

TEST(PixelAlgorithms, EllipsesInscribedInTheirRectangle)
{
    auto outline = [](Cell a, Cell b) { return [a, b](Matrix &m) { pixels::drawEllipse(m, a, b, 1, false); }; };
    auto filled = [](Cell a, Cell b) { return [a, b](Matrix &m) { pixels::drawEllipse(m, a, b, 1, true); }; };
    checkCases({
        { "1x1", 3, 3, outline({ 1, 1 }, { 1, 1 }), { "...", ".#.", "..." } },
        { "1 wide", 3, 4, outline({ 1, 3 }, { 1, 0 }), { ".#.", ".#.", ".#.", ".#." } },
        { "2 wide", 2, 5, outline({ 0, 0 }, { 1, 4 }), { "##", "##", "##", "##", "##" } },
        { "1 high", 5, 1, outline({ 4, 0 }, { 0, 0 }), { "#####" } },
        { "3x3", 3, 3, outline({ 0, 0 }, { 2, 2 }), { ".#.", "#.#", ".#." } },
        { "3x3 filled", 3, 3, filled({ 2, 2 }, { 0, 0 }), { ".#.", "###", ".#." } },
        { "4x4", 4, 4, outline({ 0, 0 }, { 3, 3 }), { ".##.", "#..#", "#..#", ".##." } },
        { "7x5", 7, 5, outline({ 6, 4 }, { 0, 0 }), { "..###..", ".#...#.", "#.....#", ".#...#.", "..###.." } },
        { "7x5 filled", 7, 5, filled({ 0, 0 }, { 6, 4 }), { "..###..", ".#####.", "#######", ".#####.", "..###.." } },
        { "8x8", 8, 8, outline({ 0, 0 }, { 7, 7 }),
            { "..####..", ".#....#.", "#......#", "#......#", "#......#", "#......#", ".#....#.", "..####.." } },
        { "8x8 filled", 8, 8, filled({ 0, 0 }, { 7, 7 }),
            { "..####..", ".######.", "########", "########", "########", "########", ".######.", "..####.." } },
        { "12x4", 12, 4, outline({ 0, 0 }, { 11, 3 }),
            { "..########..", "##........##", "##........##", "..########.." } },
        { "9x3", 9, 3, outline({ 0, 0 }, { 8, 2 }), { "..#####..", "##.....##", "..#####.." } },
        { "clipped by the top-left corner", 4, 4, outline({ -4, -4 }, { 3, 3 }), { "...#", "...#", "..#.", "##.." } },
    });
}

TEST(PixelAlgorithms, EllipsesAreSymmetricConnectedAndTouchEverySide)
{
    for (int64_t w = 1; w <= 24; ++w) {
        for (int64_t h = 1; h <= 24; ++h) {
            Matrix ring(h, w);
            Matrix disc(h, w);
            pixels::drawEllipse(ring, { 0, 0 }, { w - 1, h - 1 }, 1, false);
            pixels::drawEllipse(disc, { w - 1, h - 1 }, { 0, 0 }, 1, true);
            const std::string size = std::to_string(w) + "x" + std::to_string(h);
            EXPECT_TRUE(eightConnected(ring)) << size;
            bool top = false, bottom = false, left = false, right = false;
            for (int64_t y = 0; y < h; ++y) {
                int64_t firstInDisc = -1, lastInDisc = -1;
                for (int64_t x = 0; x < w; ++x) {
                    const int64_t v = ring.values[y][size_t(x)];
                    EXPECT_EQ(v, ring.values[y][size_t(w - 1 - x)]) << size << " mirrored left-right";
                    EXPECT_EQ(v, ring.values[h - 1 - y][size_t(x)]) << size << " mirrored top-bottom";
                    EXPECT_LE(v, disc.values[y][size_t(x)]) << size << " outline inside the filled shape";
                    if (disc.values[y][size_t(x)] != 0) {
                        if (firstInDisc < 0)
                            firstInDisc = x;
                        lastInDisc = x;
                    }
                }
                // Every row is one run whose ends are on the outline.
                ASSERT_GE(firstInDisc, 0) << size << " row " << y;
                for (int64_t x = firstInDisc; x <= lastInDisc; ++x)
                    EXPECT_EQ(disc.values[y][size_t(x)], 1) << size << " hole in row " << y;
                EXPECT_EQ(ring.values[y][size_t(firstInDisc)], 1) << size;
                EXPECT_EQ(ring.values[y][size_t(lastInDisc)], 1) << size;
                top |= y == 0;
                bottom |= y == h - 1;
                left |= firstInDisc == 0;
                right |= lastInDisc == w - 1;
            }
            EXPECT_TRUE(top && bottom && left && right) << size;
        }
    }
}

TEST(PixelAlgorithms, FloodFillStaysInsideItsFourConnectedRegion)
{
    // The ring of 1s bounds the fill.
    Matrix m = fromPicture({ "..#####", "..#...#", "..#.#.#", "..#...#", "..####.", "......." });
    EXPECT_EQ(pixels::floodFill(m, { 3, 1 }, 2), 8);
    EXPECT_EQ(picture(m), (Picture { "..#####", "..#222#", "..#2#2#", "..#222#", "..####.", "......." }));

    // Filling the outside reaches the corner cell through the gap at the bottom right.
    EXPECT_EQ(pixels::floodFill(m, { 0, 0 }, 3), 18);
    EXPECT_EQ(picture(m), (Picture { "33#####", "33#222#", "33#2#2#", "33#222#", "33####3", "3333333" }));

    const Picture before = picture(m);
    EXPECT_EQ(pixels::floodFill(m, { 3, 1 }, 2), 0) << "same colour";
    EXPECT_EQ(pixels::floodFill(m, { 7, 0 }, 1), 0) << "outside";
    EXPECT_EQ(pixels::floodFill(m, { -1, 2 }, 1), 0) << "outside";
    EXPECT_EQ(picture(m), before);

    // Cells touching only at a corner are not connected.
    Matrix diagonal = fromPicture({ ".#", "#." });
    EXPECT_EQ(pixels::floodFill(diagonal, { 0, 0 }, 2), 1);
    EXPECT_EQ(picture(diagonal), (Picture { "2#", "#." }));

    Matrix whole(128, 128);
    EXPECT_EQ(pixels::floodFill(whole, { 64, 64 }, 1), 128 * 128);
}
