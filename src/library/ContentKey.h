#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace Orvanta::Library {

// A 128-bit content hash (XXH3) fed in pieces, written as 32 lower-case hex digits.
class CContentKey {
public:
    CContentKey();
    ~CContentKey();
    CContentKey(const CContentKey&) = delete;
    CContentKey& operator=(const CContentKey&) = delete;
    void Add(const void* data, std::size_t size);
    [[nodiscard]] std::string Hex() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

[[nodiscard]] std::string ContentKeyOfText(const std::string& text);

} // namespace Orvanta::Library
