#pragma once

#include "model/CFileSystem.h"

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Orvanta {

// The bytes libsndfile reads, through its virtual I/O: a file read through a window of our own, or a
// file image in memory. libsndfile parses a header with many small reads and seeks; on a plain file
// handle each is a system call, here they are served from the window, and a short wave is read with
// one call. Reads larger than the window go to the file directly.
class CSoundStream {
public:
    CSoundStream() = default;
    ~CSoundStream();
    CSoundStream(const CSoundStream&) = delete;
    CSoundStream& operator=(const CSoundStream&) = delete;

    // False, with the system's reason, when the file cannot be opened for reading. Opened as the
    // native file system opens files (on Windows sharing reading, writing and deleting, so that a
    // save can rename or delete a wave being played or pictured).
    bool OpenFile(const std::string& utf8Path, std::string& reason);
    // The stream reads `file`, opened already, `length` bytes long and standing at its start; the
    // file must outlive the stream.
    void OpenOpenedFile(CFile& file, std::int64_t length);
    // The stream reads `size` bytes at `data`, which must outlive it.
    void OpenMemory(const void* data, std::size_t size);

    // libsndfile opened over this stream for reading; null with libsndfile's reason. The stream must
    // outlive the handle.
    SNDFILE* OpenSound(SF_INFO& info, std::string& reason);

private:
    sf_count_t Seek(sf_count_t offset, int whence);
    sf_count_t Read(void* destination, sf_count_t count);
    // Reads `count` bytes at `offset` of the file; returns the bytes read.
    sf_count_t ReadFileAt(sf_count_t offset, void* destination, sf_count_t count);
    void Attach(CFile& file, std::int64_t length);
    void Close();

    static SF_VIRTUAL_IO s_io;

    std::unique_ptr<CFile> m_ownFile; // the file OpenFile opened
    CFile* m_file = nullptr;
    sf_count_t m_filePosition = 0; // where the next read of m_file reads
    std::vector<unsigned char> m_buffer;
    const unsigned char* m_window = nullptr; // bytes [m_windowStart, m_windowStart + m_windowLength)
    sf_count_t m_windowStart = 0;
    sf_count_t m_windowLength = 0;
    sf_count_t m_length = 0;
    sf_count_t m_position = 0;
};

} // namespace Orvanta
