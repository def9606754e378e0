#pragma once

#include "sound/SoundConversion.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Orvanta {

class CTernFileDocument;

// Import and Convert: sound files in any format libsndfile reads are converted to WAV in the work
// folder and then brought into the project by the wave import with all of its checks. What a file
// is goes by its content: a ".wav" that really is a WAV file, or a ".aif"/".aiff" that really is an
// AIFF file, of 16- or 24-bit integer PCM goes in byte for byte, and so does the instrument's
// ".vpw" kind; anything else (FLAC data named ".wav", float WAV) is converted. All or nothing: when
// any file cannot be read or converted, or the user cancels, nothing is imported, and every file
// that failed is named with its reason.
//
// Three steps, so that a front end can run the slow one on a worker thread:
//   Prepare (owning thread)  checks slots and sizes and reads every header; refusals are reported
//   Convert (any thread)     writes the files into a private folder of the work folder
//   Import  (owning thread)  ImportWaves over those files: one undo, the 50 MB check on their sizes
// The files written by Convert are removed when the object goes (ImportWaves made its own copies).
class CImportConversion {
public:
    struct CFile {
        std::string source;       // as given
        std::string staged;       // the file handed to ImportWaves: folder + "NNN/" + stem + extension
        bool convert = false;     // false: copied byte for byte
        CSoundSource details;     // of a file to convert
        std::int64_t clipped = 0; // samples clipped by the conversion
    };

    CImportConversion() = default;
    ~CImportConversion();
    CImportConversion(const CImportConversion&) = delete;
    CImportConversion& operator=(const CImportConversion&) = delete;

    // Checks what can be checked before converting, as ImportWaves does: the free wave slots
    // (counted over the list as given), that every file can be read, and that the converted sizes
    // (known from the headers) fit into 50 MB. Reports a refusal through the domain's message
    // reporter and answers false; nothing has changed then. With `firstSlot`, the waves go into the
    // free slots from that one on (files dropped on a wave list at a row).
    bool Prepare(const CTernFileDocument& document, const std::vector<std::string>& paths, std::size_t firstSlot = 0);

    // Converts and copies the files, in sorted order. `progress` is told the fraction of all files
    // done and cancels by answering false. False when cancelled (Cancelled()) or when a file
    // failed (Failure() says which and why, one line a file; a failure does not stop the other
    // files, so that every one that fails is named); the files written so far are then removed.
    bool Convert(const ConversionProgress& progress = {});

    // Imports the converted files into `document` with ImportWaves; reports failures itself, and a
    // failed Convert as "Files could not be imported." with its reason. The number of waves placed.
    std::size_t Import(CTernFileDocument& document);

    [[nodiscard]] bool Cancelled() const { return m_cancelled; }
    [[nodiscard]] const std::string& Failure() const { return m_failure; }
    [[nodiscard]] const std::vector<CFile>& Files() const { return m_files; }

    // What was done: "3 converted from FLAC, 1 imported as it is; 2 samples clipped in loop.ogg".
    [[nodiscard]] std::string Summary() const;

private:
    void RemoveStagedFiles();

    std::vector<CFile> m_files;
    std::size_t m_firstSlot = 0;
    std::string m_folder; // private folder in the work folder, without trailing "/"
    std::vector<std::string> m_subFolders;
    bool m_cancelled = false;
    bool m_converted = false;
    std::string m_failure;
};

} // namespace Orvanta
