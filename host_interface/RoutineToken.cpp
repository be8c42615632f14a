#include "RoutineToken.h"

#include "SEModule_base.h"

namespace {

// The address tokens count from: 0 where a token is the code address itself
// (the 32-bit builds), dspEventEntry's address where it is a distance.
std::uintptr_t tokenOrigin() {
    if constexpr (sizeof(std::uintptr_t) == sizeof(std::uint32_t)) {
        return 0;
    } else {
        return reinterpret_cast<std::uintptr_t>(&dspEventEntry);
    }
}

}  // namespace

std::optional<std::uint32_t> tokenOfRoutine(ProcessRoutine routine) {
    if (routine == nullptr) return 0u;
    // Unsigned arithmetic wraps, so the distance is well defined whatever the
    // addresses; the round trip tells whether its low 32 bits are all of it.
    const auto distance = reinterpret_cast<std::uintptr_t>(routine) - tokenOrigin();
    const auto token = static_cast<std::uint32_t>(distance);
    if (routineOfToken(token) != routine) return std::nullopt;
    return token;
}

ProcessRoutine routineOfToken(std::uint32_t token) {
    if (token == 0) return nullptr;
    // Sign-extend the 32-bit distance (a no-op on the 32-bit builds), then add
    // it to the origin with wrap-around.
    const auto distance = static_cast<std::intptr_t>(static_cast<std::int32_t>(token));
    return reinterpret_cast<ProcessRoutine>(tokenOrigin() + static_cast<std::uintptr_t>(distance));
}
