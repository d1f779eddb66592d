#include "app/BuiltInScenes.hpp"

#include "scenekit/SceneClasses.hpp"

#include "scenes/deepReef/DeepReefScene.hpp"
#include "scenes/nebula/NebulaScene.hpp"
#include "scenes/tropicalBeach/TropicalBeachScene.hpp"

namespace lumen::app {

void registerBuiltInScenes() {
    for (SceneClass sceneClass : {DeepReefScene::sceneClass(), NebulaScene::sceneClass(), TropicalBeachScene::sceneClass()}) {
        SceneClasses::add(std::move(sceneClass));
    }
}

}  // namespace lumen::app
