#include "model/CParameterArray.h"

namespace Orvanta {

CParameterArray::CParameterArray(const CParameterArray& other) {
    m_elements.reserve(other.m_elements.size());
    for (const auto& element : other.m_elements) {
        m_elements.push_back(element->Clone());
    }
}

void CParameterArray::AssignFrom(const CParameterArray& other) {
    if (&other == this) {
        return;
    }
    m_elements.clear();
    m_elements.reserve(other.m_elements.size());
    for (const auto& element : other.m_elements) {
        m_elements.push_back(element->Clone());
    }
}

void CParameterArray::Resize(std::size_t n) {
    if (n <= m_elements.size()) {
        m_elements.resize(n);
        return;
    }
    m_elements.reserve(n);
    while (m_elements.size() < n) {
        m_elements.push_back(CreateElement());
    }
}

std::size_t CParameterArray::UsedExtent() const {
    for (std::size_t i = m_elements.size(); i > 0; --i) {
        if (!m_elements[i - 1]->IsEmpty()) {
            return i;
        }
    }
    return 0;
}

} // namespace Orvanta
