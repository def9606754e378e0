#pragma once

#include "storage/COpenProjects.h"
#include "storage/CTernFileDocument.h"

#include <memory>
#include <string>
#include <vector>

namespace Orvanta::Cli {

// One open project of a script run, as a project window of the GUI: a name given by the script and
// the project document behind it.
struct CProjectWindow {
    std::string name;
    std::unique_ptr<CTernFileDocument> document;
};

// The open projects of a run, in the order they were opened. Storage sees them through
// COpenProjects exactly as it sees the GUI's document list, so drops between them, saving with
// evacuation and closing with preservation behave as between project windows.
class CProjectWindows : public COpenProjects {
public:
    CProjectWindows() = default;
    ~CProjectWindows() override;

    [[nodiscard]] std::vector<CTernFileDocument*> OpenDocuments() override;

    // A new, empty document that knows this table; it is not open until Add takes it.
    [[nodiscard]] std::unique_ptr<CTernFileDocument> CreateDocument();
    // Opens `document` as the window `name`; the name must not be in use.
    CProjectWindow& Add(const std::string& name, std::unique_ptr<CTernFileDocument> document);
    [[nodiscard]] CProjectWindow* Find(const std::string& name);
    // The window whose project container is `data`, or null.
    [[nodiscard]] CProjectWindow* FindByData(const CTernData* data);
    // The window whose project folder is `projectPath` (normalised), however it is spelled (a link,
    // another mount), or null; untitled windows never match.
    [[nodiscard]] CProjectWindow* FindByPath(const std::string& projectPath);
    // Takes the window out of the table and hands its document to the caller.
    std::unique_ptr<CTernFileDocument> Remove(const std::string& name);
    // Closes every window without saving, last opened first.
    void CloseAll();

    [[nodiscard]] const std::vector<CProjectWindow>& Windows() const { return m_windows; }

private:
    std::vector<CProjectWindow> m_windows;
};

} // namespace Orvanta::Cli
