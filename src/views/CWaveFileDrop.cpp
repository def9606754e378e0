#include "views/CWaveFileDrop.h"

#include "model/CTernData.h"
#include "views/CFileView.h"
#include "views/CListDragSource.h"
#include "views/CParameterListCtrl.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QRubberBand>
#include <QUrl>

namespace Orvanta {

namespace {

// The line of the one drag under way: a thin rubber band over the list's viewport.
struct CDropLine {
    QPointer<QRubberBand> band;
    const CParameterListCtrl* list = nullptr;
    int row = -1;
};

CDropLine& Line() {
    static CDropLine line;
    return line;
}

void HideLine() {
    CDropLine& line = Line();
    if (line.band != nullptr) {
        line.band->hide();
        line.band->deleteLater();
    }
    line = CDropLine();
}

void ShowLine(CParameterListCtrl& list, int row) {
    CDropLine& line = Line();
    if (line.list != &list) {
        HideLine();
        line.band = new QRubberBand(QRubberBand::Line, list.viewport());
        line.list = &list;
    }
    line.row = row;
    const int y = list.rowViewportPosition(row);
    line.band->setGeometry(0, std::max(0, y - 1), list.viewport()->width(), 3);
    line.band->show();
}

} // namespace

bool CWaveFileDrop::IsFileDrag(const QMimeData* data) {
    return data != nullptr && data->hasUrls() && !CListDragSource::IsListDrag(data) && !Files(data).isEmpty();
}

QStringList CWaveFileDrop::Files(const QMimeData* data) {
    QStringList files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isDir()) {
            files.push_back(url.toLocalFile());
        }
    }
    return files;
}

bool CWaveFileDrop::TakesFilesAt(const QWidget* widget) {
    if (widget == nullptr) {
        return false;
    }
    const auto* list = qobject_cast<const CParameterListCtrl*>(widget->parentWidget());
    return list != nullptr && list->viewport() == widget && list->GetListKind() == kWaveList &&
           dynamic_cast<CFileView*>(list->Host()) != nullptr;
}

int CWaveFileDrop::DropRow(const CParameterListCtrl& list, QPoint point) {
    if (!list.viewport()->rect().contains(point)) {
        return -1;
    }
    return list.rowAt(point.y());
}

bool CWaveFileDrop::IsLineShown(const CParameterListCtrl& list) {
    return Line().list == &list && Line().band != nullptr && Line().band->isVisible();
}

int CWaveFileDrop::LineRow() {
    return Line().row;
}

bool CWaveFileDrop::DragMove(CParameterListCtrl& list, QDragMoveEvent* event, QPoint point) {
    if (list.GetListKind() != kWaveList || !IsFileDrag(event->mimeData())) {
        return false;
    }
    const int row = DropRow(list, point);
    if (row < 0 || dynamic_cast<CFileView*>(list.Host()) == nullptr) {
        HideLine();
        event->ignore();
        return true;
    }
    ShowLine(list, row);
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void CWaveFileDrop::DragLeave(CParameterListCtrl& list) {
    if (Line().list == &list) {
        HideLine();
    }
}

bool CWaveFileDrop::Drop(CParameterListCtrl& list, QDropEvent* event, QPoint point) {
    if (list.GetListKind() != kWaveList || !IsFileDrag(event->mimeData())) {
        return false;
    }
    HideLine();
    const int row = DropRow(list, point);
    auto* view = dynamic_cast<CFileView*>(list.Host());
    if (row < 0 || view == nullptr) {
        event->ignore();
        return true;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    view->ImportFilesAt(Files(event->mimeData()), row);
    return true;
}

} // namespace Orvanta
