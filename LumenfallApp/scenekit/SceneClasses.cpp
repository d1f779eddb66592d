#include "scenekit/SceneClasses.hpp"

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneError.hpp"

#include "log/EventLog.hpp"

#include <chrono>
#include <cstdio>
#include <map>

namespace lumen::app {

namespace {

std::map<std::string, SceneClass, std::less<>>& registry() {
    static std::map<std::string, SceneClass, std::less<>> classes;
    return classes;
}

}  // namespace

namespace SceneClasses {

void add(SceneClass sceneClass) {
    auto name = sceneClass.name;
    registry().insert_or_assign(std::move(name), std::move(sceneClass));
}

void remove(std::string_view name) {
    auto& classes = registry();
    if (auto found = classes.find(name); found != classes.end()) classes.erase(found);
}

const SceneClass* find(std::string_view name) {
    auto& classes = registry();
    auto found = classes.find(name);
    // A class without a constructor cannot make a scene: as good as none.
    if (found == classes.end() || !found->second.make) return nullptr;
    return &found->second;
}

}  // namespace SceneClasses

std::unique_ptr<LumenScene> makeScene(const SceneInfo& info, GpuContext& gpu, const SceneEnvironment& environment) {
    const SceneClass* sceneClass = SceneClasses::find(info.className);
    if (!sceneClass) throw SceneException(SceneError::unknownScene(info.className));

    const auto start = std::chrono::steady_clock::now();
    // A copy: a constructor may change the registry under the class it came from.
    const auto make = sceneClass->make;
    const SceneContext context{gpu, info, sceneClass->sampleCount, environment};
    std::unique_ptr<LumenScene> scene = make(context);
    if (!scene) throw SceneException(SceneError::unknownScene(info.className));
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "%.0f", milliseconds);
    logEvent("scene " + info.id.text() + " ready in " + elapsed + " ms");
    return scene;
}

std::vector<SceneInfo> scenesWithoutClass(const std::vector<SceneInfo>& scenes) {
    std::vector<SceneInfo> missing;
    for (const auto& info : scenes) {
        if (!SceneClasses::find(info.className)) missing.push_back(info);
    }
    return missing;
}

}  // namespace lumen::app
