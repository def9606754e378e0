#include "model/CParameter.h"

#include "model/Utf8.h"

#include <cctype>

namespace Orvanta {

void CParameter::Clear() {
    m_path.clear();
    m_name.clear();
}

void CParameter::SetName(const std::string& text, bool derive) {
    m_name = text;
    if (derive) {
        if (const auto slash = m_name.rfind('/'); slash != std::string::npos) {
            m_name.erase(0, slash + 1);
        }
        if (const auto blank = m_name.find(' '); blank != std::string::npos) {
            m_name.erase(0, blank + 1);
        }
        if (const auto dot = m_name.rfind('.'); dot != std::string::npos) {
            m_name.erase(dot);
        }
    }
    m_name = CutName(m_name);
}

std::string CParameter::CutName(const std::string& name) {
    if (Utf8Length(name) <= kMaxNameLength) {
        return name;
    }
    std::string cut = Utf8Left(name, kMaxNameLength);
    while (!cut.empty() && cut.back() == ' ') {
        cut.pop_back();
    }
    return cut;
}

bool CParameter::IsNativeWave() const {
    const auto dot = m_path.rfind('.');
    if (dot == std::string::npos || m_path.size() - dot != 4) {
        return false;
    }
    return std::tolower(static_cast<unsigned char>(m_path[dot + 1])) == 'w' && m_path[dot + 2] == '0' &&
           m_path[dot + 3] == '0';
}

} // namespace Orvanta
