#include "model/CWave.h"

#include <algorithm>

namespace Orvanta {

CWave::CWave() {
    Clear();
}

std::unique_ptr<CParameter> CWave::Clone() const {
    return std::make_unique<CWave>(*this);
}

bool CWave::HasUser(std::int32_t i) const {
    return std::find(m_users.begin(), m_users.end(), i) != m_users.end();
}

void CWave::AddUser(std::int32_t i, bool force) {
    if (force || !HasUser(i)) {
        m_users.push_back(i);
    }
}

void CWave::RemoveUser(std::int32_t i) {
    if (const auto it = std::find(m_users.begin(), m_users.end(), i); it != m_users.end()) {
        m_users.erase(it);
    }
}

} // namespace Orvanta
