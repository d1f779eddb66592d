#include "scenekit/SceneError.hpp"

namespace lumen::app {

std::string SceneError::description() const {
    switch (kind_) {
    case Kind::missingShader: return subject_ + ".glsl is missing";
    case Kind::shaderCompile: return subject_ + " didn't compile: " + detail_;
    case Kind::pipeline: return "pipeline " + subject_ + " couldn't be made";
    case Kind::resource: return "couldn't make " + subject_;
    case Kind::unknownScene: return "no scene class " + subject_;
    }
    return subject_;
}

}  // namespace lumen::app
