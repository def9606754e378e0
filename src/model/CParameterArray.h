#pragma once

#include "model/CParameter.h"
#include "model/CPatch.h"
#include "model/CWave.h"

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace Orvanta {

// An owning list of item records. Every element is a heap record owned by the array; copies are deep.
class CParameterArray {
public:
    CParameterArray() = default;
    CParameterArray(const CParameterArray& other);
    CParameterArray& operator=(const CParameterArray&) = delete;
    virtual ~CParameterArray() = default;

    // A new default record of the array's item class.
    [[nodiscard]] virtual std::unique_ptr<CParameter> CreateElement() const = 0;

    // Shrinks (deleting the tail) or grows (appending default records) to n elements.
    void Resize(std::size_t n);

    [[nodiscard]] std::size_t size() const { return m_elements.size(); }
    [[nodiscard]] bool empty() const { return m_elements.empty(); }
    // One past the last slot in use; 0 when every slot is empty.
    [[nodiscard]] std::size_t UsedExtent() const;
    [[nodiscard]] CParameter& Element(std::size_t i) const { return *m_elements[i]; }

protected:
    // Replaces the content by clones of `other`'s elements; nothing happens when other is this array.
    void AssignFrom(const CParameterArray& other);

    std::vector<std::unique_ptr<CParameter>> m_elements;
};

// The array of one item class; CPatch and CWave are the only two.
template <class T> class CConcreteParameterArray : public CParameterArray {
    static_assert(std::is_same_v<T, CPatch> || std::is_same_v<T, CWave>);

public:
    CConcreteParameterArray() = default;
    CConcreteParameterArray(const CConcreteParameterArray& other) = default;
    ~CConcreteParameterArray() override = default;

    [[nodiscard]] std::unique_ptr<CParameter> CreateElement() const override { return std::make_unique<T>(); }

    void Assign(const CConcreteParameterArray& other) { AssignFrom(other); }

    T& operator[](std::size_t i) const { return static_cast<T&>(*m_elements[i]); }

    void Append(std::unique_ptr<T> element) { m_elements.push_back(std::move(element)); }
    void InsertAt(std::size_t i, std::unique_ptr<T> element) {
        m_elements.insert(m_elements.begin() + static_cast<std::ptrdiff_t>(i), std::move(element));
    }
    // Puts `element` into slot i and hands back the record that was there.
    std::unique_ptr<T> Replace(std::size_t i, std::unique_ptr<T> element) {
        std::unique_ptr<CParameter> old = std::exchange(m_elements[i], std::move(element));
        return std::unique_ptr<T>(static_cast<T*>(old.release()));
    }
    // A deep copy of element i, owned by the caller.
    [[nodiscard]] std::unique_ptr<T> CloneAt(std::size_t i) const {
        return std::unique_ptr<T>(static_cast<T*>(m_elements[i]->Clone().release()));
    }
    // Exchanges the whole content with `other` without copying any record.
    void SwapContent(CConcreteParameterArray& other) noexcept { m_elements.swap(other.m_elements); }
};

using CPatchArray = CConcreteParameterArray<CPatch>;
using CWaveArray = CConcreteParameterArray<CWave>;

} // namespace Orvanta
