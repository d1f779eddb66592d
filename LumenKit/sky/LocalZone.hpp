#pragma once

namespace date {
class time_zone;
}

namespace lumen {

// The computer's own time zone, read afresh on every call so a change of zone is followed; null
// (meaning UTC) when it cannot be read.
const date::time_zone* localZone();

}  // namespace lumen
