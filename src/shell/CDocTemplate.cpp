#include "shell/CDocTemplate.h"

#include "shell/CFileDoc.h"
#include "winframework/ResourceString.h"

#include <algorithm>

namespace Orvanta {

CDocTemplate::CDocTemplate(int resourceId) : m_resourceId(resourceId), m_docString(ResourceString(resourceId)) {}

CDocTemplate::~CDocTemplate() = default;

QString CDocTemplate::DocString(int index) const {
    const QStringList fields = m_docString.split(u'\n');
    return index >= 0 && index < fields.size() ? fields[index] : QString();
}

CFileDoc& CDocTemplate::CreateDocument() {
    auto document = std::make_unique<CFileDoc>(*this);
    document->SetTitle(DocString(kDocName) + QString::number(++m_untitledCount));
    m_documents.push_back(std::move(document));
    return *m_documents.back();
}

void CDocTemplate::ReturnUntitledNumber(const CFileDoc& document) {
    if (m_untitledCount > 0 && document.GetTitle() == DocString(kDocName) + QString::number(m_untitledCount)) {
        --m_untitledCount;
    }
}

std::unique_ptr<CFileDoc> CDocTemplate::RemoveDocument(const CFileDoc& document) {
    const auto found =
        std::find_if(m_documents.begin(), m_documents.end(),
                     [&document](const std::unique_ptr<CFileDoc>& held) { return held.get() == &document; });
    if (found == m_documents.end()) {
        return nullptr;
    }
    std::unique_ptr<CFileDoc> removed = std::move(*found);
    m_documents.erase(found);
    return removed;
}

std::vector<CFileDoc*> CDocTemplate::Documents() const {
    std::vector<CFileDoc*> documents;
    documents.reserve(m_documents.size());
    for (const std::unique_ptr<CFileDoc>& document : m_documents) {
        documents.push_back(document.get());
    }
    return documents;
}

bool CDocTemplate::Contains(const CFileDoc* document) const {
    return std::any_of(m_documents.begin(), m_documents.end(),
                       [document](const std::unique_ptr<CFileDoc>& held) { return held.get() == document; });
}

} // namespace Orvanta
