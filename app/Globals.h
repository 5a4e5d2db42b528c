#pragma once

#include <QString>

// Program-wide names and state.
namespace Globals {

inline const QString ProductName = QStringLiteral("Ramtidy");
inline const QString MakerName = QStringLiteral("Corvane");
// One reverse-DNS id for the desktop entry, icon, metainfo and tray item.
inline const QString AppId = QStringLiteral("org.corvane.Ramtidy");
inline const QString SupportEmail = QStringLiteral("support@corvane.example");
inline const QString ContactPageUrl = QStringLiteral("https://corvane.example/contact");
inline const QString HomePageUrl = QStringLiteral("https://corvane.example/");

// The auto-free button's two captions: it offers the change, so its caption also
// tells whether auto free is on.
inline const QString TurnOnAutoFree = QStringLiteral("Turn On Auto Free");
inline const QString TurnOffAutoFree = QStringLiteral("Turn Off Auto Free");

// Title of every message box that has none of its own; set once at start-up.
inline QString AppTitle = ProductName;

// Full path of the history log; set once, as the last step of start-up.
inline QString HistoryLogPath;

// True while the main window is hidden in the notification area.
inline bool HiddenInTray = false;

} // namespace Globals
