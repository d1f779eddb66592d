#include "scenekit/RecordLayout.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumen::app {
namespace {

// Every way a C++ record can drift from the GLSL block that reads it is named, so EveryScene's
// check of the shipped records can fail with the reason.
TEST(RecordLayout, NamesEveryDifferenceFromItsBlock) {
    const RecordLayout record{
        .block = "Probe", .slot = {"PROBE_SLOT", 1}, .size = 32, .members = {{"a", 0}, {"b", 16}}};
    const gpu::BlockLayout block{"Probe", false, 1, 32, {{"a", 0, 0}, {"b", 16, 0}}};
    EXPECT_TRUE(recordMismatches(record, block).empty());

    auto swapped = block, rebound = block, grown = block, renamed = block, storage = block;
    swapped.members = {{"b", 0, 0}, {"a", 16, 0}};
    rebound.binding = 2;
    grown.size = 48;
    grown.members.push_back({"c", 32, 0});
    renamed.members[1].name = "bee";
    storage.storage = true;
    const std::pair<gpu::BlockLayout, std::string> cases[] = {
        {swapped, "Probe.a: offset 16 in GLSL, 0 in C++"},
        {rebound, "Probe: binding 2 in GLSL, PROBE_SLOT = 1 in C++"},
        {grown, "Probe: 48 bytes in GLSL, 32 in C++"},
        {grown, "Probe.c: missing in C++"},
        {renamed, "Probe.b: missing in GLSL"},
    };
    for (const auto& [drifted, expected] : cases) {
        const auto problems = recordMismatches(record, drifted);
        EXPECT_NE(std::find(problems.begin(), problems.end(), expected), problems.end()) << expected;
    }
    EXPECT_FALSE(recordMismatches(record, storage).empty());  // a storage block is no uniform block

    // A storage record is one whole element of the block's array.
    RecordLayout stream{.block = "Stream", .slot = {"STREAM_SLOT", 2}, .size = 48, .members = {{"data[0]", 0}},
                        .storage = true};
    const gpu::BlockLayout vectors{"Stream", true, 2, 0, {{"data[0]", 0, 16}}};
    EXPECT_TRUE(recordMismatches(stream, vectors).empty());
    stream.size = 40;
    EXPECT_FALSE(recordMismatches(stream, vectors).empty());
}

}  // namespace
}  // namespace lumen::app
