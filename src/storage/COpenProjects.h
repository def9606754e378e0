#pragma once

#include <vector>

namespace Orvanta {

class CTernFileDocument;

// The open project documents of the running program, as a front end knows them: the GUI asks its
// document list, the command-line tool its open windows. Storage reaches the other open projects
// only through this interface.
class COpenProjects {
public:
    COpenProjects() = default;
    COpenProjects(const COpenProjects&) = delete;
    COpenProjects& operator=(const COpenProjects&) = delete;
    virtual ~COpenProjects() = default;

    // Every open project document, the asking one included, in the front end's order.
    [[nodiscard]] virtual std::vector<CTernFileDocument*> OpenDocuments() = 0;
};

} // namespace Orvanta
