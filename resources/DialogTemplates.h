#pragma once

// The program's dialog templates: the rectangle of every dialog and of its controls in dialog
// units (a quarter of the dialog font's average character width horizontally, an eighth of its
// height vertically). The form views and dialogs place their widgets from these rectangles.
// Plain C++ so that every layer can read it.

#include <span>

namespace Orvanta {

struct DialogItemResource {
    int id;
    int x, y, cx, cy;
};

struct DialogResource {
    int id;
    int x, y, cx, cy;
    std::span<const DialogItemResource> items;
};

// Numbers of the templates and of their controls.
enum DialogId : int {
    kIddFileView = 28418, // the project window's form
    kIdcPatchList = 4130,
    kIdcWaveList = 4131,
    kIdcWaveLabel = 4284,
    kIdcPatchLabel = 4285,
    kIdcWaveSize = 4291,

    kIddSetGrid = 4140, // "Set Up Grid"
    kIdcGridGroup = 4288,
    kIdcGridOff = 4289,
    kIdcGridOn = 4290,

    kIddEditName = 4145, // "Edit Name"
    kIdcNameLabel = 4292,
    kIdcNameEdit = 4293,

    kIdOk = 1,
    kIdCancel = 2,
};

inline constexpr DialogItemResource kFileViewItems[] = {
    {kIdcPatchLabel, 5, 5, 40, 10}, {kIdcPatchList, 5, 15, 129, 24}, {kIdcWaveLabel, 140, 5, 25, 10},
    {kIdcWaveSize, 163, 5, 55, 10}, {kIdcWaveList, 140, 15, 74, 24},
};

inline constexpr DialogItemResource kSetGridItems[] = {
    {kIdcGridGroup, 7, 7, 68, 41}, {kIdcGridOff, 14, 18, 56, 10}, {kIdcGridOn, 14, 32, 56, 10},
    {kIdOk, 82, 7, 45, 15},        {kIdCancel, 82, 26, 45, 15},
};

inline constexpr DialogItemResource kEditNameItems[] = {
    {kIdcNameLabel, 5, 5, 120, 9},
    {kIdcNameEdit, 5, 16, 120, 12},
    {kIdOk, 130, 5, 40, 15},
    {kIdCancel, 130, 25, 40, 15},
};

inline constexpr DialogResource kDialogTable[] = {
    {kIddFileView, 0, 0, 220, 45, kFileViewItems},
    {kIddSetGrid, 0, 0, 134, 55, kSetGridItems},
    {kIddEditName, 0, 0, 175, 45, kEditNameItems},
};

// The template `id`, or null when the program has none of that number.
constexpr const DialogResource* FindDialogResource(int id) {
    for (const DialogResource& entry : kDialogTable) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace Orvanta
