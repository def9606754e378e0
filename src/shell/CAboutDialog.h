#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace Orvanta {

// The About box (template 4102): the program's icon, its description, its version and the maker's
// legal notice. Opened with the Control key held, the version line also shows the four numbers of
// the product version ("Version 1.00 (1005)").
class CAboutDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 4102;
    static constexpr int kDescriptionControl = 4190;
    static constexpr int kVersionControl = 4127;
    static constexpr int kCopyrightControl = 4141;

    // `withProductVersion`: the Control key was held when the box was asked for.
    explicit CAboutDialog(bool withProductVersion, QWidget* parent = nullptr);

    // "Version " + FileVersion, followed by " (%d%d%d%d)" of the product version's four numbers
    // when asked for (and when the product version holds four numbers).
    static QString VersionText(bool withProductVersion);
    // "About " + FileDescription.
    static QString Caption();

    [[nodiscard]] QLabel* Label(int controlId) const;

private:
    QLabel* m_description;
    QLabel* m_version;
    QLabel* m_copyright;
};

} // namespace Orvanta
