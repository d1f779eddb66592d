#include "render/SceneClasses.hpp"
#include "render/ShaderScene.hpp"

#include "scenes/DeepReefScene.hpp"
#include "scenes/NebulaScene.hpp"

namespace lumen::app {

namespace {

template <class Scene>
SceneClass shaderSceneClass(std::string name) {
    return SceneClass{std::move(name), 1, [](const SceneContext& context) -> std::unique_ptr<LumenScene> {
                          return ShaderScene::make<Scene>(context);
                      }};
}

}  // namespace

void registerBuiltInScenes() {
    SceneClasses::add(shaderSceneClass<NebulaScene>("NebulaScene"));
    SceneClasses::add(SceneClass{"DeepReefScene", 1, [](const SceneContext& context) -> std::unique_ptr<LumenScene> {
                                     return std::make_unique<DeepReefScene>(context);
                                 }});
}

}  // namespace lumen::app
