#pragma once

#include "scenekit/LumenScene.hpp"
#include "scenekit/RecordLayout.hpp"
#include "scenekit/ShaderSlot.hpp"

#include "LumenKit/catalog/SceneCatalog.hpp"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumen::app {

class GpuContext;

// An option a scene reads and every value it tells apart, in the catalog's constants.
struct SceneOptionUse {
    std::string_view key;
    std::vector<std::string_view> values;
};

// The records a scene hands its shaders and the sources (with their bindings) that declare the
// GLSL blocks they must match.
struct SceneShaderRecords {
    std::vector<std::string> libraries;
    std::vector<ShaderSlot> bindings;
    std::vector<RecordLayout> records;
};

// A scene class under the name the catalog gives it ("DeepReefScene"), with its multisample
// count for the host's main pass, and what the checks every scene gets read: the options it
// reads (each must be in its catalog record) and its shader records.
struct SceneClass {
    std::string name;
    int sampleCount = 1;
    std::function<std::unique_ptr<LumenScene>(const SceneContext&)> make;
    std::vector<SceneOptionUse> options = {};
    SceneShaderRecords shaders = {};
};

// The classes that scenes can be made from. Filled at start-up (app/BuiltInScenes) and by
// tests that add scene classes of their own.
namespace SceneClasses {
void add(SceneClass sceneClass);  // replaces a class of the same name
void remove(std::string_view name);
const SceneClass* find(std::string_view name);
}  // namespace SceneClasses

// Builds the scene of a catalog entry and logs "scene <id> ready in <n> ms". Throws
// SceneException: unknownScene for a class name without a class, else whatever construction threw.
std::unique_ptr<LumenScene> makeScene(const SceneInfo& info, GpuContext& gpu,
                                      const SceneEnvironment& environment = {});

// The entries (in order) whose class name resolves to no class.
std::vector<SceneInfo> scenesWithoutClass(const std::vector<SceneInfo>& scenes);

}  // namespace lumen::app
