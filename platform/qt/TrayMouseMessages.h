#pragma once

#include <QSystemTrayIcon>

#include <cstdint>
#include <vector>

// The mouse messages the notification area sends for what Qt reports, in their
// order: a click comes as down then up, a double click as its own message then up.
std::vector<std::uint32_t> trayMouseMessages(QSystemTrayIcon::ActivationReason reason);
