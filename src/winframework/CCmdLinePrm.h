#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

#include <vector>

namespace Orvanta {

// One command-line token: a switch ("/" followed by its letter and value text) or a plain
// parameter, with its comma-separated values.
class CCmdLinePrm {
public:
    enum Kind : int { kPlain = 0, kSwitch = 1 };

    // A token of a command line cut by TokeniseCommandLine. "/xtext" is switch x with the value
    // text "text"; "\/..." is a plain parameter starting at the "/"; anything else is a plain
    // parameter. The value text is split by SplitValues.
    static CCmdLinePrm FromToken(const QString& token);
    // One argument of an argument vector (Linux, macOS): the operating system already cut the
    // tokens, so a plain parameter's value is the argument as it stands (a path such as
    // "My, Song.prj" stays whole). A switch is "/" followed by a text with no further "/" that
    // names nothing on disk, so an absolute path is a plain parameter; "\/..." forces a plain one.
    static CCmdLinePrm FromArgument(const QString& argument);

    // Cuts a command line into tokens: white space outside quotes ends a token and the white
    // space after it is skipped; a double quote toggles quoting and stays in the token; a
    // backslash before white space is dropped and the white space stays in the token; a backslash
    // before a double quote stays with that quote, which then does not toggle quoting.
    static QStringList TokeniseCommandLine(const QString& commandLine);
    // Splits a value text: a double quote toggles quoting and is dropped; a comma outside quotes
    // ends a value and is dropped; a backslash before a double quote, or before a comma outside
    // quotes, is dropped and the next character taken literally. An empty text gives no values.
    static QStringList SplitValues(const QString& valueText);

    // All tokens of a command line, or all arguments of an argument vector (without the program).
    static std::vector<CCmdLinePrm> ParseCommandLine(const QString& commandLine);
    static std::vector<CCmdLinePrm> ParseArguments(const QStringList& arguments);
    // The first value of the only plain parameter; empty when there is none or more than one.
    static QString SinglePlainValue(const std::vector<CCmdLinePrm>& parameters);

    [[nodiscard]] bool IsSwitch() const { return m_kind == kSwitch; }
    [[nodiscard]] QChar SwitchLetter() const { return m_switchLetter; }
    [[nodiscard]] const QStringList& Values() const { return m_values; }
    [[nodiscard]] qsizetype GetSize() const { return m_values.size(); }
    // Value `index`; empty outside the range.
    [[nodiscard]] QString GetAt(qsizetype index) const;

private:
    Kind m_kind = kPlain;
    QChar m_switchLetter;
    QStringList m_values;
};

} // namespace Orvanta
