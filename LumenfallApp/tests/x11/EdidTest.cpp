#include "platform/x11/Edid.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

using lumen::app::Edid::productName;

namespace {

// A base block (first descriptor a detailed timing) with text descriptors: (offset, tag, text).
std::vector<std::uint8_t> edid(std::initializer_list<std::tuple<std::size_t, std::uint8_t, const char*>> descriptors)
{
    std::vector<std::uint8_t> block(128, 0);
    const std::uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(block.data(), header, sizeof header);
    block[54] = 0x01;  // a non-zero pixel clock
    block[55] = 0x1D;
    for (const auto& [offset, tag, text] : descriptors) {
        block[offset + 3] = tag;
        // A line feed ends shorter text, spaces pad it.
        const std::size_t length = std::strlen(text);
        for (std::size_t i = 0; i < 13; ++i) {
            block[offset + 5 + i] = i < length ? static_cast<std::uint8_t>(text[i]) : (i == length ? 0x0A : 0x20);
        }
    }
    return block;
}

}  // namespace

TEST(X11Edid, OnlyTheProductNameDescriptorNamesTheMonitor)
{
    auto broken = edid({{90, 0xFC, "NAME"}});
    broken[1] = 0x00;
    const std::tuple<const char*, std::vector<std::uint8_t>, std::string> rows[] = {
        {"after a serial number", edid({{72, 0xFF, "SERIAL123"}, {90, 0xFC, "DELL U2720Q"}}), "DELL U2720Q"},
        {"all 13 bytes, no line feed", edid({{108, 0xFC, "ABCDEFGHIJKLM"}}), "ABCDEFGHIJKLM"},
        {"other text only", edid({{72, 0xFE, "some text"}}), ""},
        {"a broken header", broken, ""},
    };
    for (const auto& [why, block, name] : rows) EXPECT_EQ(productName(block), name) << why;
    const auto named = edid({{90, 0xFC, "NAME"}});
    EXPECT_EQ(productName(std::span<const std::uint8_t>(named.data(), 100)), "") << "a short block";
}
