set(ORVANTA_OPERATIONS_SOURCES
    operations/WaveSpace.cpp
    operations/TransferOperations.cpp
    operations/OverwriteOperation.cpp
    operations/InsertOperation.cpp
    operations/DropOperations.cpp
    operations/EditCommands.cpp
)
