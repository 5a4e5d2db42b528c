#pragma once

#include <QIcon>
#include <QImage>

// The program's icon, drawn in code so that it is crisp at every size and scale:
// a black frame around a pale cyan field bearing the maker's initial C in blue,
// outlined in black.
namespace ProgramIcon {

QImage render(int pixels);

// Every size a desktop asks for, drawn when asked, the 32-pixel one first.
QIcon application();

} // namespace ProgramIcon
