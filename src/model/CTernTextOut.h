#pragma once

#include <string>
#include <utility>

namespace Orvanta {

// Error codes shown through CTernTextOut::Error.
enum ErrorCode : int {
    kErrorLoad = 1,      // "This project could not be loaded."
    kErrorSave = 2,      // "This project could not be saved."
    kErrorWaveSpace = 6, // "There is insufficient free wave space."
    kErrorWaveSize = 8,  // "Can't add wave; the total size of all waves would exceed 50 MB."
    kErrorImport = 9,    // "Files could not be imported."
};

// Questions asked through CTernTextOut::Ask.
enum QuestionCode : int {
    kAskReplaceProject = 7,     // "Project already exists. Do you want to replace it?"
    kAskCleanAndSave = 8,       // "The project will be cleaned and then saved. OK to execute?"
    kAskDelete = 9,             // "OK to delete?"
    kAskOverwrite = 10,         // "Do you want to delete the existing data and overwrite it?"
    kAskInsert = 11,            // "Do you want to delete the last data, and then insert?"
    kAskOpenElsewhere = 12,     // "This project is open in another program. Do you want to open it anyway?"
    kAskSaveChangedOnDisk = 13, // "Files of this project were changed by another program since it was opened. Do you
                                // want to save anyway?"
    kAskReplaceExported = 14,   // "Files of these names are already in the folder. Do you want to replace them?"
};

// Button sets of Ask: 1 OK and Cancel; 2 Yes and No; 3 Yes, No and Cancel; any other OK only.
enum ButtonSet : int { kButtonsOkCancel = 1, kButtonsYesNo = 2, kButtonsYesNoCancel = 3 };

// Answers of Ask: OK 0, Yes 2, No 3; Cancel or a closed box 1.
enum Answer : int { kAnswerOk = 0, kAnswerCancel = 1, kAnswerYes = 2, kAnswerNo = 3 };

// The text of an error code, or "Undefined error." for an unknown one.
const char* ErrorText(int code);
// The text of a question code, or the empty text for an unknown one.
const char* QuestionText(int question);

// Text output through which the lower layers report errors and ask questions by code, without
// knowing any window. The base shows nothing and answers every question with 0.
class CTernTextOut {
public:
    CTernTextOut() = default;
    CTernTextOut(const CTernTextOut&) = delete;
    CTernTextOut& operator=(const CTernTextOut&) = delete;
    virtual ~CTernTextOut() = default;

    virtual void Error(int code);
    // The error of `code` with a detail that says why (which file, what is wrong with it); the
    // base shows the error alone.
    virtual void ErrorWithDetail(int code, const std::string& detail);
    // Indents every line start by the current indent and hands the whole text to Sink in one call.
    virtual void Write(const std::string& text);
    // printf-style formatting into a 512-byte buffer, then Write.
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    virtual void
    Printf(const char* format, ...);
    // The indent becomes (current length + delta) spaces, never fewer than none.
    virtual void Indent(int delta);
    virtual int Ask(int buttons, int question);
    // Tells the user that an interrupted save of a project was found and finished or undone;
    // `text` says which project and what was done. The base shows nothing.
    virtual void ReportRecovery(const std::string& text);
    // Tells the user of something that went wrong without stopping what was asked for (a save that
    // could not tidy up after itself, say). The base shows nothing.
    virtual void Warning(const std::string& text);
    // Reserved; answers 0.
    virtual int Reserved(int first, int second);

    // What the next questions act on ("Song.prj: patches 3 Lead, 4 Bass"), shown below the question
    // by reporters that can. A window sets it just before an operation that may ask and clears it
    // after; the operations themselves never read it.
    void SetQuestionDetail(std::string detail) {
        m_questionDetail = std::move(detail);
    }
    [[nodiscard]] const std::string& QuestionDetail() const {
        return m_questionDetail;
    }

    [[nodiscard]] const std::string& IndentText() const {
        return m_indent;
    }

protected:
    virtual void Sink(const std::string& text);

private:
    std::string m_indent;
    std::string m_questionDetail;
    bool m_atLineStart = true;
};

// A silent reporter that keeps the last error code and the last text it was given. The shell's
// idle processing shows a pending code through the message reporter.
class CTernTextOutBuffer : public CTernTextOut {
public:
    void Error(int code) override { m_lastCode = code; }
    int Ask(int /*buttons*/, int /*question*/) override { return 0; }
    int Reserved(int /*first*/, int /*second*/) override { return 0; }

    [[nodiscard]] int LastCode() const { return m_lastCode; }
    [[nodiscard]] const std::string& LastText() const { return m_lastText; }

protected:
    void Sink(const std::string& text) override { m_lastText = text; }

private:
    int m_lastCode = 0;
    std::string m_lastText;
};

} // namespace Orvanta
