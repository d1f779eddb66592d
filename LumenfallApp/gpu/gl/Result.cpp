#include "gpu/Result.hpp"

namespace lumen::gpu {

const char* toString(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::unavailable: return "unavailable";
    case ErrorKind::invalidDescriptor: return "invalidDescriptor";
    case ErrorKind::outOfMemory: return "outOfMemory";
    case ErrorKind::missingFunction: return "missingFunction";
    case ErrorKind::compile: return "compile";
    case ErrorKind::link: return "link";
    case ErrorKind::unsupported: return "unsupported";
    }
    return "unknown";
}

}  // namespace lumen::gpu
