// Placeholder until the reading and statement parts are joined here.
#include "engine/engine.h"
#include "core/error_codes.h"

namespace engine {

std::unique_ptr<Engine> createEngine() {
    raise(kErrReservedError, QStringLiteral("The database engine is not available in this build."));
}

}  // namespace engine
