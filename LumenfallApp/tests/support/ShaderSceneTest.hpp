#pragma once

#include "support/RenderTest.hpp"

#include "scenekit/ShaderScene.hpp"

#include "LumenKit/catalog/SceneCatalog.hpp"

#include <algorithm>
#include <memory>

namespace lumen::app::test {

// A layered scene's own tests: the scene made as the host makes it, from its catalog record.
template <class Scene>
class ShaderSceneTest : public RenderTest {
protected:
    std::unique_ptr<Scene> make() { return ShaderScene::make<Scene>(SceneContext{gpu(), info, 1}); }

    const SceneInfo info = [] {
        const auto& all = SceneRegistry::all();
        const std::string className = Scene::sceneClass().name;
        const auto found = std::find_if(all.begin(), all.end(), [&](const SceneInfo& s) { return s.className == className; });
        return found != all.end() ? *found : SceneInfo{.className = className};
    }();
};

}  // namespace lumen::app::test
