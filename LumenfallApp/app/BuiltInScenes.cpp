#include "app/BuiltInScenes.hpp"

#include "scenekit/SceneClasses.hpp"

#include "scenes/cozyLibrary/CozyLibraryScene.hpp"
#include "scenes/deepReef/DeepReefScene.hpp"
#include "scenes/nebula/NebulaScene.hpp"

namespace lumen::app {

void registerBuiltInScenes() {
    for (SceneClass sceneClass : {DeepReefScene::sceneClass(), NebulaScene::sceneClass(), CozyLibraryScene::sceneClass()}) {
        SceneClasses::add(std::move(sceneClass));
    }
}

}  // namespace lumen::app
