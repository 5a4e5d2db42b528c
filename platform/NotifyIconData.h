#pragma once

#include <QIcon>
#include <QPointer>
#include <QString>

#include <cstdint>

// The record and constants of the notification-area service.
enum NotifyIconMessage : std::uint32_t { NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2 };

enum NotifyIconFlag : std::uint32_t { NIF_MESSAGE = 0x1, NIF_ICON = 0x2, NIF_TIP = 0x4, NIF_INFO = 0x10 };

// What the tray reports back, as the low word of a callback.
enum TrayMessage : std::uint32_t {
    WM_MOUSEMOVE = 0x200,
    WM_LBUTTONDOWN = 0x201,
    WM_LBUTTONUP = 0x202,
    WM_LBUTTONDBLCLK = 0x203,
    WM_RBUTTONDOWN = 0x204,
    WM_RBUTTONUP = 0x205,
    WM_RBUTTONDBLCLK = 0x206,
    NIN_BALLOONHIDE = 0x403,
    NIN_BALLOONTIMEOUT = 0x404,
    NIN_BALLOONUSERCLICK = 0x405,
};

inline constexpr std::uint32_t TrayCallbackMessage = 0x465; // WM_USER + 101
inline constexpr std::uint32_t NIIF_NONE = 0;

struct NotifyIconData {
    // Widths of the text fields in bytes, the terminating NUL included.
    static constexpr int TipWidth = 128;
    static constexpr int InfoWidth = 256;
    static constexpr int InfoTitleWidth = 64;

    std::uint32_t cbSize = 488;
    QPointer<QObject> hWnd; // receives the callbacks
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    QIcon hIcon;
    QString szTip;
    QString szInfo;
    std::uint32_t uTimeout = 0;
    QString szInfoTitle;
    std::uint32_t dwInfoFlags = NIIF_NONE;

    // The text as a field of `width` bytes holds it: UTF-8, at most width - 1
    // bytes, cut between characters.
    static QString fitField(const QString &text, int width);
};
