#pragma once

#include <map>
#include <memory>
#include <vector>

namespace Orvanta {

class CDocTemplate;
class CFileDoc;

// The document manager: the document templates by resource key. The program registers exactly
// one, the project template 4107, through which every part that needs all open projects walks
// them.
class CDocMan {
public:
    CDocMan();
    CDocMan(const CDocMan&) = delete;
    CDocMan& operator=(const CDocMan&) = delete;
    ~CDocMan();

    CDocTemplate& AddTemplate(std::unique_ptr<CDocTemplate> docTemplate);
    // The template registered under `key`, or null.
    [[nodiscard]] CDocTemplate* Template(int key) const;

private:
    std::map<int, std::unique_ptr<CDocTemplate>> m_templates;
};

} // namespace Orvanta
