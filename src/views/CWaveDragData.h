#pragma once

#include "operations/TransferOperations.h"

#include <QList>
#include <QMimeData>
#include <QUrl>

namespace Orvanta {

class CTernData;

// The drag data of a drag of wave rows. Inside the librarian it is what every list drag carries:
// the wave format that marks it (CListDragSource). Outside, a file manager or another program that
// asks for "text/uri-list" gets the files Export Waves would write, "NNN Name.ext" byte for byte,
// made then (not when the drag starts) in a private folder of the work folder. The project is not
// changed. The folders made this way are removed when the application quits.
class CWaveDragData : public QMimeData {
    Q_OBJECT
public:
    static constexpr const char* kUriListFormat = "text/uri-list";

    // `project` must outlive the drag; `waveSlots` are the dragged wave slots.
    CWaveDragData(const CTernData& project, CSelection waveSlots);

    [[nodiscard]] QStringList formats() const override;
    [[nodiscard]] bool hasFormat(const QString& mimeType) const override;

    // The exported copies, made at the first call; empty when they cannot be made.
    [[nodiscard]] QList<QUrl> ExportedUrls() const;

protected:
    [[nodiscard]] QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    const CTernData& m_project;
    CSelection m_slots;
    mutable bool m_exported = false;
    mutable QList<QUrl> m_urls;
};

} // namespace Orvanta
