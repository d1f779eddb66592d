#include "services/SavedWeather.hpp"

#include "services/AtomicFile.hpp"

#include "log/EventLog.hpp"

#include <nlohmann/json.hpp>

#include <QByteArray>

#include <fstream>
#include <sstream>

namespace lumen::app {

namespace {

// The record is two levels deep (three with the place); anything deeper is not ours, and is
// dropped while reading instead of being built.
constexpr int deepestLevel = 4;

}  // namespace

std::string SavedWeather::encode() const {
    nlohmann::json json{{"cache", cache.toJSON()}};
    if (body) {
        const QByteArray bytes = QByteArray::fromRawData(body->data(), static_cast<qsizetype>(body->size()));
        json["body"] = bytes.toBase64().toStdString();
    }
    return json.dump();
}

std::optional<SavedWeather> SavedWeather::decode(std::string_view text) {
    const auto shallow = [](int depth, nlohmann::json::parse_event_t event, nlohmann::json&) {
        return !(depth > deepestLevel && (event == nlohmann::json::parse_event_t::object_start ||
                                          event == nlohmann::json::parse_event_t::array_start));
    };
    const nlohmann::json json = nlohmann::json::parse(text.begin(), text.end(), shallow, false);
    if (json.is_discarded() || !json.is_object()) return std::nullopt;
    const auto cacheIt = json.find("cache");
    if (cacheIt == json.end()) return std::nullopt;
    auto cache = METNorway::CacheState::fromJSON(*cacheIt);
    if (!cache) return std::nullopt;
    SavedWeather saved{std::move(*cache), std::nullopt};
    if (const auto bodyIt = json.find("body"); bodyIt != json.end()) {
        if (!bodyIt->is_string()) return std::nullopt;
        const auto& encoded = bodyIt->get_ref<const std::string&>();
        auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(encoded),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return std::nullopt;
        saved.body = decoded.decoded.toStdString();
    }
    return saved;
}

std::optional<SavedWeather> SavedWeather::read(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return std::nullopt;
    const auto size = std::filesystem::file_size(path, error);
    std::optional<SavedWeather> saved;
    if (!error && size <= maximumFileSize) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        if (file) saved = decode(text.str());
    }
    if (!saved) logEvent("weather: the cache file " + path.string() + " is not ours or is damaged; ignored");
    return saved;
}

bool SavedWeather::write(const std::filesystem::path& path) const {
    std::string error;
    if (writeFileAtomically(path, encode(), &error)) return true;
    logEvent("weather: the cache file was not written (" + error + ")");
    return false;
}

}  // namespace lumen::app
