#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace Orvanta {

class CFileDoc;

// The project document template (key 4107): the open project documents in the order they were
// made, and the running number of "Untitled" names. Its descriptive string has seven fields
// separated by "\n" (string 4107): window title, document base name, new-file name, filter name,
// extension, file-type id, file-type name.
class CDocTemplate {
public:
    enum DocStringIndex : int {
        kWindowTitle = 0,
        kDocName = 1,
        kFileNewName = 2,
        kFilterName = 3,
        kFilterExt = 4,
        kRegFileTypeId = 5,
        kRegFileTypeName = 6,
    };

    explicit CDocTemplate(int resourceId);
    CDocTemplate(const CDocTemplate&) = delete;
    CDocTemplate& operator=(const CDocTemplate&) = delete;
    ~CDocTemplate();

    [[nodiscard]] int ResourceId() const { return m_resourceId; }
    // Field `index` of the descriptive string; empty when it has no such field.
    [[nodiscard]] QString DocString(int index) const;

    // A new document named "Untitled" + the next running number (1, 2, ...), owned by the
    // template and last in its order.
    CFileDoc& CreateDocument();
    // Gives back the "Untitled" number of `document` when it was the last one handed out: a
    // document made to open a project never shows that name, so the next new one takes it.
    void ReturnUntitledNumber(const CFileDoc& document);
    // Takes the document out of the template; the caller then owns it.
    std::unique_ptr<CFileDoc> RemoveDocument(const CFileDoc& document);
    [[nodiscard]] std::vector<CFileDoc*> Documents() const;
    [[nodiscard]] bool Contains(const CFileDoc* document) const;

private:
    int m_resourceId;
    QString m_docString;
    int m_untitledCount = 0;
    std::vector<std::unique_ptr<CFileDoc>> m_documents;
};

} // namespace Orvanta
