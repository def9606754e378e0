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

std::vector<CFileDoc*> CDocMan::AllDocuments() const {
    std::vector<CFileDoc*> documents;
    for (const auto& [key, docTemplate] : m_templates) {
        for (CFileDoc* document : docTemplate->Documents()) {
            documents.push_back(document);
        }
    }
    return documents;
}

} // namespace Orvanta
