#pragma once

#include <QString>

#include <cstdint>

// The system's own text for a Win32 error code, without its trailing line end.
namespace Win32Error {

QString text(std::uint32_t code);

} // namespace Win32Error
