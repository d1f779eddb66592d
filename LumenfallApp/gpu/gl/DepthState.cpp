#include "gpu/DepthState.hpp"

#include <epoxy/gl.h>

namespace lumen::gpu {

unsigned DepthState::glFunction() const
{
    switch (compare_) {
    case CompareFunction::always: return GL_ALWAYS;
    case CompareFunction::never: return GL_NEVER;
    case CompareFunction::less: return GL_LESS;
    case CompareFunction::lessEqual: return GL_LEQUAL;
    case CompareFunction::equal: return GL_EQUAL;
    case CompareFunction::greater: return GL_GREATER;
    case CompareFunction::greaterEqual: return GL_GEQUAL;
    case CompareFunction::notEqual: return GL_NOTEQUAL;
    }
    return GL_ALWAYS;
}

}  // namespace lumen::gpu
