#include "scenekit/RecordLayout.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumen::app {

namespace {

RecordLayout record() {
    return {.block = "Probe", .slot = {"PROBE_SLOT", 1}, .size = 32, .members = {{"a", 0}, {"b", 16}}};
}

gpu::BlockLayout block() { return {"Probe", false, 1, 32, {{"a", 0, 0}, {"b", 16, 0}}}; }

}  // namespace

TEST(RecordLayout, NamesEveryDifferenceFromItsBlock) {
    EXPECT_TRUE(recordMismatches(record(), block()).empty());

    struct Case {
        const char* what;
        gpu::BlockLayout block;
        std::string expected;
    };
    auto swapped = block();
    swapped.members = {{"b", 0, 0}, {"a", 16, 0}};
    auto rebound = block();
    rebound.binding = 2;
    auto grown = block();
    grown.size = 48;
    grown.members.push_back({"c", 32, 0});
    auto renamed = block();
    renamed.members[1].name = "bee";
    const Case cases[] = {
        {"members reordered", swapped, "Probe.a: offset 16 in GLSL, 0 in C++"},
        {"another binding", rebound, "Probe: binding 2 in GLSL, PROBE_SLOT = 1 in C++"},
        {"a member more", grown, "Probe.c: missing in C++"},
        {"a member renamed", renamed, "Probe.b: missing in GLSL"},
    };
    for (const Case& c : cases) {
        const auto problems = recordMismatches(record(), c.block);
        EXPECT_NE(std::find(problems.begin(), problems.end(), c.expected), problems.end()) << c.what;
    }
    EXPECT_EQ(recordMismatches(record(), grown).front(), "Probe: 48 bytes in GLSL, 32 in C++");
}

TEST(RecordLayout, StorageRecordsAreWholeElementsOfTheArray) {
    RecordLayout stream{.block = "Stream", .slot = {"STREAM_SLOT", 2}, .size = 48,
                        .members = {{"data[0]", 0}}, .storage = true};
    gpu::BlockLayout vectors{"Stream", true, 2, 0, {{"data[0]", 0, 16}}};
    EXPECT_TRUE(recordMismatches(stream, vectors).empty());
    stream.size = 40;
    EXPECT_FALSE(recordMismatches(stream, vectors).empty());
    stream.size = 48;
    EXPECT_FALSE(recordMismatches(stream, block()).empty());  // a uniform block is no storage block
}

}  // namespace lumen::app
