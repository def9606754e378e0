#include "shell/CAboutDialog.h"

#include "winframework/CSettings.h"
#include "winframework/DialogUnits.h"
#include "winframework/VersionString.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace Orvanta {

CAboutDialog::CAboutDialog(bool withProductVersion, QWidget* parent)
    : QDialog(parent), m_description(new QLabel(this)), m_version(new QLabel(this)), m_copyright(new QLabel(this)) {
    const QFont dialogFont = font();
    const auto place = [&dialogFont](QWidget* widget, int x, int y, int w, int h) {
        widget->setGeometry(DialogUnitsToPixels(QRect(x, y, w, h), dialogFont));
    };
    setFixedSize(DialogUnitsToPixels(QRect(0, 0, 195, 49), dialogFont).size());
    setWindowTitle(Caption());

    auto* icon = new QLabel(this);
    place(icon, 10, 10, 18, 18);
    QIcon programIcon = QApplication::windowIcon();
    if (programIcon.isNull()) {
        programIcon = style()->standardIcon(QStyle::SP_ComputerIcon);
    }
    icon->setPixmap(programIcon.pixmap(icon->size()));

    m_description->setObjectName(QString::number(kDescriptionControl));
    m_description->setText(VersionString(QStringLiteral("FileDescription")));
    place(m_description, 40, 8, 100, 8);
    m_version->setObjectName(QString::number(kVersionControl));
    m_version->setText(VersionText(withProductVersion));
    place(m_version, 40, 20, 100, 8);
    m_copyright->setObjectName(QString::number(kCopyrightControl));
    m_copyright->setText(VersionString(QStringLiteral("LegalCopyright")));
    place(m_copyright, 40, 32, 150, 8);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    place(ok, 145, 5, 40, 15);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString CAboutDialog::Caption() {
    return QStringLiteral("About ") + VersionString(QStringLiteral("FileDescription"));
}

QString CAboutDialog::VersionText(bool withProductVersion) {
    QString text = QStringLiteral("Version ") + VersionString(QStringLiteral("FileVersion"));
    if (withProductVersion) {
        const QList<int> numbers = CSettings::ScanDecimalList(VersionString(QStringLiteral("ProductVersion")), 4);
        if (numbers.size() == 4) {
            text += QStringLiteral(" (%1%2%3%4)").arg(numbers[0]).arg(numbers[1]).arg(numbers[2]).arg(numbers[3]);
        }
    }
    return text;
}

QLabel* CAboutDialog::Label(int controlId) const {
    switch (controlId) {
    case kDescriptionControl:
        return m_description;
    case kVersionControl:
        return m_version;
    case kCopyrightControl:
        return m_copyright;
    default:
        return nullptr;
    }
}

} // namespace Orvanta
