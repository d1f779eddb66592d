#pragma once

#include "render/LumenScene.hpp"

#include "LumenKit/SceneCatalog.hpp"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumen::app {

class GpuContext;

// A scene class under the name the catalog gives it ("DeepReefScene"), with its multisample
// count for the host's main pass.
struct SceneClass {
    std::string name;
    int sampleCount = 1;
    std::function<std::unique_ptr<LumenScene>(const SceneContext&)> make;
};

// The classes that scenes can be made from. Filled at start-up (registerBuiltInScenes) and by
// tests that add scene classes of their own.
namespace SceneClasses {
void add(SceneClass sceneClass);  // replaces a class of the same name
void remove(std::string_view name);
const SceneClass* find(std::string_view name);
}  // namespace SceneClasses

// Registers every scene class the application ships.
void registerBuiltInScenes();

// Builds the scene of a catalog entry and logs "scene <id> ready in <n> ms". Throws
// SceneException: unknownScene for a class name without a class, else whatever construction threw.
std::unique_ptr<LumenScene> makeScene(const SceneInfo& info, GpuContext& gpu);

// The entries (in order) whose class name resolves to no class.
std::vector<SceneInfo> scenesWithoutClass(const std::vector<SceneInfo>& scenes);

}  // namespace lumen::app
