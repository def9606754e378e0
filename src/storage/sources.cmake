set(ORVANTA_STORAGE_SOURCES
    storage/CNativeFileSystem.cpp
)
