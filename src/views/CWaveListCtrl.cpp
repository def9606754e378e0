#include "views/CWaveListCtrl.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "resources/Bitmaps.h"
#include "views/CParameterTableModel.h"
#include "views/CWaveTableModel.h"
#include "views/CWaveformCache.h"
#include "views/WaveformPicture.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace Orvanta {

CWaveListCtrl::CWaveListCtrl(QWidget* parent) : CParameterListCtrl(new CWaveTableModel, parent) {
    setObjectName(QStringLiteral("WaveList"));
    m_arrow.LoadResource(kIdbArrow);
    connect(&CWaveformCache::Instance(), &CWaveformCache::Ready, this, &CWaveListCtrl::OnWaveformReady);
    connect(&Model(), &QAbstractItemModel::modelReset, this, [this] { m_prefetchDue = true; });
}

CWaveListCtrl::~CWaveListCtrl() {
    SaveColumnWidths();
}

int CWaveListCtrl::GetListKind() const {
    return kWaveList;
}

CParameterArray& CWaveListCtrl::GetClipboardArray() const {
    return CDomain::Instance().m_transferWaves;
}

std::span<const ColumnSpec> CWaveListCtrl::GetColumnTable() const {
    return CWaveTableModel::ColumnTable();
}

std::pair<QString, QString> CWaveListCtrl::GetProfileNames() const {
    return {QString::fromLatin1(kProfileSection), QString::fromLatin1(kProfileValue)};
}

void CWaveListCtrl::DrawCellText(QPainter& painter, const QRect& rect, int row, int column, const QString& text,
                                 Qt::Alignment alignment) const {
    if (IsWaveformColumn(column)) {
        const auto* wave = dynamic_cast<const CWave*>(Model().Element(row));
        if (wave == nullptr || wave->IsEmpty()) {
            return;
        }
        const std::shared_ptr<const SoundAnalysis> analysis =
            CWaveformCache::Instance().Lookup(QString::fromStdString(wave->m_path), CWaveformCache::StampOf(*wave));
        if (analysis != nullptr && analysis->details) {
            DrawWaveform(painter, rect.adjusted(0, 1, 0, -1), analysis->waveform);
        }
        return;
    }
    if (!IsNumberColumn(column)) {
        CParameterListCtrl::DrawCellText(painter, rect, row, column, text, alignment);
        return;
    }
    const QSize bitmap = m_arrow.GetSize();
    const int half = bitmap.width() / 2;
    CParameterListCtrl::DrawCellText(painter, rect.adjusted(NumberTextIndent(), 0, 0, 0), row, column, text, alignment);
    if (Model().index(row, column).data(CParameterTableModel::kUsedRole).toBool()) {
        const QPoint at(rect.left(), rect.top() + (rect.height() - bitmap.height()) / 2);
        m_arrow.Draw(painter, at, QSize(half, bitmap.height()), QPoint(0, 0), QPoint(half, 0));
    }
}

void CWaveListCtrl::paintEvent(QPaintEvent* event) {
    CParameterListCtrl::paintEvent(event);
    if (std::exchange(m_prefetchDue, false)) {
        QTimer::singleShot(0, this, &CWaveListCtrl::PrefetchWaveforms);
    }
}

void CWaveListCtrl::PrefetchWaveforms() {
    const CParameterArray* array = GetParameterArray();
    int column = 0;
    while (column < Model().columnCount() && !IsWaveformColumn(column)) {
        ++column;
    }
    if (array == nullptr || !IsWaveformColumn(column) || isColumnHidden(column)) {
        return;
    }
    std::vector<std::pair<QString, CFileStamp>> files;
    for (std::size_t slot = 0; slot < array->size(); ++slot) {
        const auto* wave = dynamic_cast<const CWave*>(&array->Element(slot));
        if (wave != nullptr && !wave->IsEmpty()) {
            files.emplace_back(QString::fromStdString(wave->m_path), CWaveformCache::StampOf(*wave));
        }
    }
    CWaveformCache::Instance().Prefetch(files);
}

void CWaveListCtrl::OnWaveformReady(const QString& path) {
    const CParameterArray* array = GetParameterArray();
    if (array == nullptr) {
        return;
    }
    const std::string changed = path.toStdString();
    const int last = std::min(TopRow() + RowsPerPage() + 1, Model().rowCount() - 1);
    for (int row = std::max(TopRow(), 0); row <= last; ++row) {
        if (Model().Element(row) != nullptr && Model().Element(row)->m_path == changed) {
            for (int column = 0; column < Model().columnCount(); ++column) {
                if (IsWaveformColumn(column)) {
                    viewport()->update(visualRect(Model().index(row, column)));
                }
            }
        }
    }
}

int CWaveListCtrl::NumberTextIndent() const {
    return m_arrow.GetSize().width() / 2 + 2;
}

int CWaveListCtrl::MarkPrefixLength(int row) const {
    const CParameterArray* array = GetParameterArray();
    const bool marked = array != nullptr && row >= 0 && static_cast<std::size_t>(row) < array->size() &&
                        !array->Element(static_cast<std::size_t>(row)).IsEmpty();
    return marked ? 2 : 0;
}

} // namespace Orvanta
