#include "library/ContentKey.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <cstdio>

namespace Orvanta::Library {

struct CContentKey::State {
    XXH3_state_t state;
};

CContentKey::CContentKey() : m_state(std::make_unique<State>()) {
    XXH3_128bits_reset(&m_state->state);
}

CContentKey::~CContentKey() = default;

void CContentKey::Add(const void* data, std::size_t size) {
    XXH3_128bits_update(&m_state->state, data, size);
}

std::string CContentKey::Hex() const {
    const XXH128_hash_t hash = XXH3_128bits_digest(&m_state->state);
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(hash.high64),
                  static_cast<unsigned long long>(hash.low64));
    return text;
}

std::string ContentKeyOfText(const std::string& text) {
    CContentKey key;
    key.Add(text.data(), text.size());
    return key.Hex();
}

} // namespace Orvanta::Library
