#pragma once

#include <exception>
#include <string>

namespace lumen::app {

// What can go wrong while a scene is being built, with the one line the user and the log see.
class SceneError {
public:
    enum class Kind { missingShader, shaderCompile, pipeline, resource, unknownScene };

    static SceneError missingShader(std::string name) { return {Kind::missingShader, std::move(name), {}}; }
    static SceneError shaderCompile(std::string key, std::string message) {
        return {Kind::shaderCompile, std::move(key), std::move(message)};
    }
    static SceneError pipeline(std::string text) { return {Kind::pipeline, std::move(text), {}}; }
    static SceneError resource(std::string label) { return {Kind::resource, std::move(label), {}}; }
    static SceneError unknownScene(std::string className) { return {Kind::unknownScene, std::move(className), {}}; }

    Kind kind() const { return kind_; }
    // The name, key, text, label or class name the error carries.
    const std::string& subject() const { return subject_; }
    // The compiler's message (shaderCompile only).
    const std::string& detail() const { return detail_; }

    // "Nebula.glsl is missing", "Common+Nebula didn't compile: ...", "pipeline a/b couldn't be made",
    // "couldn't make caustics", "no scene class FooScene".
    std::string description() const;

    bool operator==(const SceneError&) const = default;

private:
    SceneError(Kind kind, std::string subject, std::string detail)
        : kind_(kind), subject_(std::move(subject)), detail_(std::move(detail)) {}

    Kind kind_;
    std::string subject_;
    std::string detail_;
};

// Scene construction reports failures by throwing this; per-frame work never throws.
class SceneException : public std::exception {
public:
    explicit SceneException(SceneError error) : error_(std::move(error)), text_(error_.description()) {}
    const SceneError& error() const { return error_; }
    const char* what() const noexcept override { return text_.c_str(); }

private:
    SceneError error_;
    std::string text_;
};

}  // namespace lumen::app
