#include "storage/CTernFileDocument.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "storage/COpenProjects.h"

namespace Orvanta {

CTernFileDocument::CTernFileDocument(COpenProjects* openProjects) : m_openProjects(openProjects) {}

CTernFileDocument::~CTernFileDocument() = default;

std::vector<CTernFileDocument*> CTernFileDocument::GetOpenDocuments() {
    if (m_openProjects == nullptr) {
        return {this};
    }
    return m_openProjects->OpenDocuments();
}

std::vector<CTernData*> CTernFileDocument::GetOpenStores() {
    std::vector<CTernData*> stores;
    for (CTernFileDocument* document : GetOpenDocuments()) {
        if (document != nullptr && document->IsModified()) {
            stores.push_back(&document->m_data);
        }
    }
    return stores;
}

void CTernFileDocument::ResetToNew() {
    CDomain& domain = CDomain::Instance();
    if (domain.IsUndoProject(&m_data)) {
        domain.ClearUndo();
    }
    m_data.m_patches.Resize(0);
    m_data.m_patches.Resize(kPatchSlots);
    m_data.m_waves.Resize(0);
    m_data.m_waves.Resize(kWaveSlots);
    m_data.m_patchFiles.assign(kPatchSlots, std::string());
    m_data.m_waveFiles.assign(kWaveSlots, std::string());
    m_data.m_projectPath.clear();
    m_pendingDeletions.clear();
    m_pendingReasons.clear();
    m_diskState.clear();
    ReleaseOpenMarker();
}

} // namespace Orvanta
