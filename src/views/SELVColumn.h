#pragma once

#include <QtCore/qnamespace.h>

#include <array>
#include <cstdint>

namespace Orvanta {

// The descriptor of one column of an editable list: alignment, value kind, whether the column is
// editable, and the range of a number column.
struct SELVColumn {
    static constexpr std::uint32_t kAlignmentMask = 0x3; // 0 left, 1 right, 2 centre; also the column format
    static constexpr std::uint32_t kAlignLeft = 0x0;
    static constexpr std::uint32_t kAlignRight = 0x1;
    static constexpr std::uint32_t kAlignCentre = 0x2;
    static constexpr std::uint32_t kKindMask = 0x70;
    static constexpr std::uint32_t kKindText = 0x10;
    static constexpr std::uint32_t kKindFree = 0x20;
    static constexpr std::uint32_t kKindNumber = 0x40;
    static constexpr std::uint32_t kEditable = 0x10000;

    std::uint32_t flags = 0;
    double minimum = 0.0;
    double maximum = 0.0;
    // Not interpreted by the lists.
    std::array<int, 3> reserved{};

    [[nodiscard]] std::uint32_t Alignment() const { return flags & kAlignmentMask; }
    [[nodiscard]] std::uint32_t Kind() const { return flags & kKindMask; }
    [[nodiscard]] bool IsEditable() const { return (flags & kEditable) != 0; }
    // The alignment as Qt flags, vertically centred.
    [[nodiscard]] Qt::Alignment QtAlignment() const {
        switch (Alignment()) {
        case kAlignRight:
            return Qt::AlignRight | Qt::AlignVCenter;
        case kAlignCentre:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        default:
            return Qt::AlignLeft | Qt::AlignVCenter;
        }
    }
};

} // namespace Orvanta
