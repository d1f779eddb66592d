#pragma once

#include "scenekit/SceneFrame.hpp"

#include "LumenKit/catalog/LumenSettings.hpp"
#include "LumenKit/catalog/SceneCatalog.hpp"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumen::app::cli {

// Exit statuses of the commands.
inline constexpr int exitOK = 0;
inline constexpr int exitFailure = 1;  // no GPU, a scene that cannot be built, a failed render
inline constexpr int exitUsage = 2;    // the command line asks for something that does not exist

// "1920x1080" -> (1920, 1080); none unless both are whole numbers in 1...16384.
std::optional<std::pair<int, int>> parseSize(std::string_view text);
// A whole or decimal number, all of the text; none otherwise (also for NaN and infinities).
std::optional<double> parseNumber(std::string_view text);

// The "featureMask" switch: the user default's text when there is one, else the environment's
// LUMENFALL_FEATURE_MASK (the headless commands have no defaults); 0 when unreadable.
int featureMask(const std::optional<std::string>& userDefault);
// What the headless commands make a scene in: now, the computer's zone, the environment's mask.
SceneEnvironment commandEnvironment();

// The record with this id among every scene (held-back ones too); none when there is none.
std::optional<SceneInfo> findScene(std::string_view id);
// "deepReef, nebulaFlythrough, ...": the scenes whose class is registered, for the usage message.
std::string sceneIdList();

// Every option of `info` at its default, then the "key=value" overrides in order. On an unknown
// key or a value that is not one of the option's choices, the error names the valid ones.
struct OptionResult {
    SceneOptionValues values;
    std::string error;  // empty when every override was valid
};
OptionResult sceneOptions(const SceneInfo& info, std::span<const std::string> overrides);

class Arguments;

// Reads the scene id that leads a command's arguments into `info`. An exit status when there is
// none (reported through the command's `usage`) or it names no scene this program can draw (one
// without a registered class is as good as none; exitUsage with the list of scenes).
std::optional<int> takeScene(Arguments& args, std::string_view command,
                             const std::function<int(const std::string&)>& usage, SceneInfo& info);

// Arguments after the command, consumed front to back.
class Arguments {
public:
    explicit Arguments(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}
    bool done() const { return index_ >= arguments_.size(); }
    const std::string& next() { return arguments_[index_++]; }
    // The value after a flag; none when the flag is the last argument.
    std::optional<std::string> value() {
        if (done()) return std::nullopt;
        return next();
    }

private:
    std::vector<std::string> arguments_;
    std::size_t index_ = 0;
};

}  // namespace lumen::app::cli
