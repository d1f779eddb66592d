#pragma once

namespace lumen::app {

// Registers every scene class the application ships: the one list a new scene joins.
void registerBuiltInScenes();

}  // namespace lumen::app
