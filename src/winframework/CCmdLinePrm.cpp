#include "winframework/CCmdLinePrm.h"

#include <QFileInfo>

namespace Orvanta {

namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

} // namespace

CCmdLinePrm CCmdLinePrm::FromToken(const QString& token) {
    CCmdLinePrm prm;
    QString valueText;
    if (token.startsWith(u'/')) {
        prm.m_kind = kSwitch;
        if (token.size() > 1) {
            prm.m_switchLetter = token[1];
            valueText = token.mid(2);
        }
    } else if (token.startsWith(QLatin1String("\\/"))) {
        valueText = token.mid(1);
    } else {
        valueText = token;
    }
    prm.m_values = SplitValues(valueText);
    return prm;
}

CCmdLinePrm CCmdLinePrm::FromArgument(const QString& argument) {
    const bool looksLikeSwitch =
        argument.startsWith(u'/') && !argument.mid(1).contains(u'/') && !QFileInfo::exists(argument);
    if (looksLikeSwitch) {
        return FromToken(argument);
    }
    CCmdLinePrm prm;
    const QString value = argument.startsWith(QLatin1String("\\/")) ? argument.mid(1) : argument;
    if (!value.isEmpty()) {
        prm.m_values.push_back(value);
    }
    return prm;
}

QStringList CCmdLinePrm::TokeniseCommandLine(const QString& commandLine) {
    QStringList tokens;
    QString token;
    bool inToken = false;
    bool quoted = false;
    const qsizetype size = commandLine.size();
    qsizetype at = 0;
    while (at < size) {
        const QChar c = commandLine[at];
        if (!quoted && IsBlank(c)) {
            if (inToken) {
                tokens.push_back(token);
                token.clear();
                inToken = false;
            }
            ++at;
            continue;
        }
        inToken = true;
        if (c == u'\\' && at + 1 < size && IsBlank(commandLine[at + 1])) {
            token += commandLine[at + 1];
            at += 2;
            continue;
        }
        if (c == u'\\' && at + 1 < size && commandLine[at + 1] == u'"') {
            token += c;
            token += commandLine[at + 1];
            at += 2;
            continue;
        }
        if (c == u'"') {
            quoted = !quoted;
        }
        token += c;
        ++at;
    }
    if (inToken) {
        tokens.push_back(token);
    }
    return tokens;
}

QStringList CCmdLinePrm::SplitValues(const QString& valueText) {
    QStringList values;
    if (valueText.isEmpty()) {
        return values;
    }
    QString value;
    bool quoted = false;
    const qsizetype size = valueText.size();
    for (qsizetype at = 0; at < size; ++at) {
        const QChar c = valueText[at];
        if (c == u'\\' && at + 1 < size && (valueText[at + 1] == u'"' || (!quoted && valueText[at + 1] == u','))) {
            value += valueText[at + 1];
            ++at;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u',' && !quoted) {
            values.push_back(value);
            value.clear();
        } else {
            value += c;
        }
    }
    values.push_back(value);
    return values;
}

std::vector<CCmdLinePrm> CCmdLinePrm::ParseCommandLine(const QString& commandLine) {
    std::vector<CCmdLinePrm> parameters;
    for (const QString& token : TokeniseCommandLine(commandLine)) {
        parameters.push_back(FromToken(token));
    }
    return parameters;
}

std::vector<CCmdLinePrm> CCmdLinePrm::ParseArguments(const QStringList& arguments) {
    std::vector<CCmdLinePrm> parameters;
    for (const QString& argument : arguments) {
        parameters.push_back(FromArgument(argument));
    }
    return parameters;
}

QString CCmdLinePrm::SinglePlainValue(const std::vector<CCmdLinePrm>& parameters) {
    const CCmdLinePrm* plain = nullptr;
    for (const CCmdLinePrm& prm : parameters) {
        if (!prm.IsSwitch()) {
            if (plain != nullptr) {
                return {};
            }
            plain = &prm;
        }
    }
    return plain != nullptr ? plain->GetAt(0) : QString();
}

QString CCmdLinePrm::GetAt(qsizetype index) const {
    return index >= 0 && index < m_values.size() ? m_values[index] : QString();
}

} // namespace Orvanta
