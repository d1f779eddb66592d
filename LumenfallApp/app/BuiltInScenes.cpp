#include "app/BuiltInScenes.hpp"

#include "scenekit/SceneClasses.hpp"

#include "scenes/alpineLake/AlpineLakeScene.hpp"
#include "scenes/autumnStream/AutumnStreamScene.hpp"
#include "scenes/cozyLibrary/CozyLibraryScene.hpp"
#include "scenes/deepReef/DeepReefScene.hpp"
#include "scenes/desertNight/DesertNightScene.hpp"
#include "scenes/earthOrbit/EarthOrbitScene.hpp"
#include "scenes/fairytaleCastle/FairytaleCastleScene.hpp"
#include "scenes/nebula/NebulaScene.hpp"
#include "scenes/neonCityRain/NeonCityScene.hpp"
#include "scenes/northernLights/NorthernLightsScene.hpp"
#include "scenes/rainyWindowCafe/RainyWindowScene.hpp"
#include "scenes/tropicalBeach/TropicalBeachScene.hpp"
#include "scenes/zenKoiPond/KoiPondScene.hpp"

namespace lumen::app {

void registerBuiltInScenes() {
    for (SceneClass sceneClass : {
             DeepReefScene::sceneClass(),
             FairytaleCastleScene::sceneClass(),
             NebulaScene::sceneClass(),
             NorthernLightsScene::sceneClass(),
             TropicalBeachScene::sceneClass(),
             CozyLibraryScene::sceneClass(),
             DesertNightScene::sceneClass(),
             AutumnStreamScene::sceneClass(),
             NeonCityScene::sceneClass(),
             KoiPondScene::sceneClass(),
             RainyWindowScene::sceneClass(),
             AlpineLakeScene::sceneClass(),
             EarthOrbitScene::sceneClass(),
         }) {
        SceneClasses::add(std::move(sceneClass));
    }
}

}  // namespace lumen::app
