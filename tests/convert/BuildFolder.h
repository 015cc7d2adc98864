#pragma once

#include "core/Bytes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

// A folder of its own for each test, removed afterwards, where the tools of an NES build (ca65, ld65, cc) run on
// what the program writes.
class BuildFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path()
            / ("kestova-build-" + std::string(info->test_suite_name()) + "-" + std::string(info->name()) + "-"
                + std::to_string(std::random_device()()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path path(const std::string &name) const { return dir_ / name; }

    void write(const std::string &name, const std::string &text) const
    {
        std::ofstream(path(name), std::ios::binary) << text;
    }

    mosavo::Bytes read(const std::string &name) const
    {
        std::ifstream in(path(name), std::ios::binary);
        return mosavo::Bytes(std::istreambuf_iterator<char>(in), {});
    }

    // Runs a shell command in the folder; its output goes to a log the failure message shows.
    void run(const std::string &command) const
    {
        const std::string line = "cd '" + dir_.string() + "' && " + command + " >log.txt 2>&1";
        const int status = std::system(line.c_str());
        std::ifstream log(path("log.txt"));
        std::stringstream text;
        text << log.rdbuf();
        ASSERT_EQ(status, 0) << command << "\n" << text.str();
    }

    // Assembles source.s with ca65 and links it at $8000 into a flat binary with ld65.
    mosavo::Bytes assembleCa65(const std::string &source) const
    {
        write("source.s", source);
        write("flat.cfg",
            "MEMORY { ROM: start = $8000, size = $8000, file = %O; }\n"
            "SEGMENTS { CODE: load = ROM, type = ro; RODATA: load = ROM, type = ro; }\n");
        run("ca65 -o source.o source.s && ld65 -C flat.cfg -o source.bin source.o");
        return read("source.bin");
    }

    // The address of each symbol in an ld65 label file (lines "al 001234 .name").
    std::map<std::string, size_t> labelAddresses(const std::string &name) const
    {
        const mosavo::Bytes labels = read(name);
        std::map<std::string, size_t> out;
        std::istringstream in(std::string(labels.begin(), labels.end()));
        std::string al, address, symbol;
        while (in >> al >> address >> symbol)
            if (al == "al" && symbol.size() > 1)
                out[symbol.substr(1)] = std::stoul(address, nullptr, 16);
        return out;
    }

    // count bytes of a program cl65's "none" target linked, which it writes from $1000 on; empty when they lie
    // outside it.
    static mosavo::Bytes bytesAt(const mosavo::Bytes &program, size_t address, size_t count)
    {
        constexpr size_t programStart = 0x1000;
        if (address < programStart || address - programStart + count > program.size())
            return {};
        const auto from = program.begin() + std::ptrdiff_t(address - programStart);
        return mosavo::Bytes(from, from + std::ptrdiff_t(count));
    }

    // An address as a .word holds it, low byte first.
    static mosavo::Bytes word(size_t address) { return { uint8_t(address & 0xFF), uint8_t(address >> 8) }; }

    std::filesystem::path dir_;
};
