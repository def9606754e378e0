#include "cli/CProjectWindows.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "storage/ProjectNaming.h"

#include <algorithm>

namespace Orvanta::Cli {

CProjectWindows::~CProjectWindows() {
    CloseAll();
}

std::vector<CTernFileDocument*> CProjectWindows::OpenDocuments() {
    std::vector<CTernFileDocument*> documents;
    documents.reserve(m_windows.size());
    for (const CProjectWindow& window : m_windows) {
        documents.push_back(window.document.get());
    }
    return documents;
}

std::unique_ptr<CTernFileDocument> CProjectWindows::CreateDocument() {
    return std::make_unique<CTernFileDocument>(this);
}

CProjectWindow& CProjectWindows::Add(const std::string& name, std::unique_ptr<CTernFileDocument> document) {
    document->SetOpenProjects(this);
    m_windows.push_back(CProjectWindow{name, std::move(document)});
    return m_windows.back();
}

CProjectWindow* CProjectWindows::Find(const std::string& name) {
    const auto found = std::find_if(m_windows.begin(), m_windows.end(),
                                    [&name](const CProjectWindow& window) { return window.name == name; });
    return found == m_windows.end() ? nullptr : &*found;
}

CProjectWindow* CProjectWindows::FindByData(const CTernData* data) {
    const auto found = std::find_if(m_windows.begin(), m_windows.end(),
                                    [data](const CProjectWindow& window) { return &window.document->Data() == data; });
    return found == m_windows.end() ? nullptr : &*found;
}

CProjectWindow* CProjectWindows::FindByPath(const std::string& projectPath) {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    const auto found =
        std::find_if(m_windows.begin(), m_windows.end(), [&projectPath, &fileSystem](const CProjectWindow& window) {
            const std::string& path = window.document->Data().m_projectPath;
            return !path.empty() &&
                   (path == projectPath || fileSystem.IsSameEntry(ToNativePath(path), ToNativePath(projectPath)));
        });
    return found == m_windows.end() ? nullptr : &*found;
}

std::unique_ptr<CTernFileDocument> CProjectWindows::Remove(const std::string& name) {
    const auto found = std::find_if(m_windows.begin(), m_windows.end(),
                                    [&name](const CProjectWindow& window) { return window.name == name; });
    if (found == m_windows.end()) {
        return nullptr;
    }
    std::unique_ptr<CTernFileDocument> document = std::move(found->document);
    m_windows.erase(found);
    return document;
}

void CProjectWindows::CloseAll() {
    while (!m_windows.empty()) {
        // The document leaves the table before it goes, so that nothing it does on its way out
        // finds itself among the open projects.
        std::unique_ptr<CTernFileDocument> document = std::move(m_windows.back().document);
        m_windows.pop_back();
        document.reset();
    }
}

} // namespace Orvanta::Cli
