#include "platform/x11/Edid.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using lumen::app::Edid::productName;

namespace {

std::vector<std::uint8_t> baseBlock()
{
    std::vector<std::uint8_t> edid(128, 0);
    const std::uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(edid.data(), header, sizeof header);
    // The first descriptor is a detailed timing (non-zero pixel clock).
    edid[54] = 0x01;
    edid[55] = 0x1D;
    return edid;
}

void putDescriptor(std::vector<std::uint8_t>& edid, std::size_t offset, std::uint8_t tag, const char* text)
{
    edid[offset + 3] = tag;
    std::size_t i = 5;
    for (; *text != '\0' && i < 18; ++i, ++text) {
        edid[offset + i] = static_cast<std::uint8_t>(*text);
    }
    if (i < 18) {
        edid[offset + i++] = 0x0A;
    }
    for (; i < 18; ++i) {
        edid[offset + i] = 0x20;
    }
}

}  // namespace

TEST(Edid, ReadsTheProductNameDescriptor)
{
    auto edid = baseBlock();
    putDescriptor(edid, 72, 0xFF, "SERIAL123");
    putDescriptor(edid, 90, 0xFC, "DELL U2720Q");
    EXPECT_EQ(productName(edid), "DELL U2720Q");
}

TEST(Edid, ANameFillingAllThirteenBytesHasNoLineFeed)
{
    auto edid = baseBlock();
    putDescriptor(edid, 108, 0xFC, "ABCDEFGHIJKLM");
    EXPECT_EQ(productName(edid), "ABCDEFGHIJKLM");
}

TEST(Edid, NoNameOrABrokenBlockGivesNothing)
{
    auto edid = baseBlock();
    putDescriptor(edid, 72, 0xFE, "some text");
    EXPECT_EQ(productName(edid), "");
    putDescriptor(edid, 90, 0xFC, "NAME");
    edid[1] = 0x00;  // header broken
    EXPECT_EQ(productName(edid), "");
    EXPECT_EQ(productName(std::span<const std::uint8_t>(edid.data(), 100)), "");
}
