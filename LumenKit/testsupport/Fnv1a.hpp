#pragma once

#include "LumenKit/core/Mesh.hpp"

#include <cstdint>
#include <cstring>

namespace reeftest {

// FNV-1a over raw bytes for the golden-value tests, fed field by field so struct padding never
// enters the sum.
struct Fnv1a {
    std::uint64_t hash = 0xcbf29ce484222325ull;

    template <typename T>
    void add(const T& value) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        for (const unsigned char b : bytes) {
            hash ^= b;
            hash *= 0x100000001b3ull;
        }
    }
    void add(lumen::Float3 v) {
        add(v.x);
        add(v.y);
        add(v.z);
    }
    void add(lumen::Float4 v) {
        add(lumen::xyz(v));
        add(v.w);
    }
    void add(const lumen::Mesh& mesh) {
        for (const lumen::MeshVertex& v : mesh.vertices) {
            add(v.position);
            add(v.normal);
            add(v.color);
        }
        for (const std::uint32_t index : mesh.indices) add(index);
    }
};

}  // namespace reeftest
