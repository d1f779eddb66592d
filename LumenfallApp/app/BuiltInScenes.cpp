#include "app/BuiltInScenes.hpp"

#include "scenekit/SceneClasses.hpp"

#include "scenes/deepReef/DeepReefScene.hpp"
#include "scenes/desertNight/DesertNightScene.hpp"
#include "scenes/nebula/NebulaScene.hpp"

namespace lumen::app {

void registerBuiltInScenes() {
    for (SceneClass sceneClass : {DeepReefScene::sceneClass(), DesertNightScene::sceneClass(), NebulaScene::sceneClass()}) {
        SceneClasses::add(std::move(sceneClass));
    }
}

}  // namespace lumen::app
