#include "shell/CDocMan.h"

#include "shell/CDocTemplate.h"
#include "shell/CFileDoc.h"

namespace Orvanta {

CDocMan::CDocMan() = default;

CDocMan::~CDocMan() = default;

CDocTemplate& CDocMan::AddTemplate(std::unique_ptr<CDocTemplate> docTemplate) {
    const int key = docTemplate->ResourceId();
    auto& held = m_templates[key];
    held = std::move(docTemplate);
    return *held;
}

CDocTemplate* CDocMan::Template(int key) const {
    const auto found = m_templates.find(key);
    return found != m_templates.end() ? found->second.get() : nullptr;
}

} // namespace Orvanta
