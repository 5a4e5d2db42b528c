#include "platform/NativePlatform.h"
#include "platform/windows/Win32FileSystem.h"

std::unique_ptr<FileService> NativePlatform::fileSystem()
{
    return std::make_unique<Win32FileSystem>();
}
