#include "platform/NativePlatform.h"
#include "platform/linux/PosixFileSystem.h"

std::unique_ptr<FileService> NativePlatform::fileSystem()
{
    return std::make_unique<PosixFileSystem>();
}
