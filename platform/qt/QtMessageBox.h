#pragma once

#include "platform/MessageBoxService.h"

#include <QRect>

class QDialogButtonBox;
class QLabel;
class QMessageBox;
class QTextDocument;

class QtMessageBox : public MessageBoxService {
public:
    int MsgBox(const QString &text, int style, const QString &title) override;
};

// What QMessageBox does inside that Qt does not promise, kept in this one place: the
// widths it gives itself when shown (QMessageBoxPrivate::updateSize) and the object
// names and places of its parts. tst_qtmessagebox holds each to the installed Qt.
// On a Qt upgrade that changes them: with other limits, web addresses break across
// lines and the box may lose its right edge on a small screen; with other names or
// places, nothing is found, so a text taller than the screen no longer scrolls, and
// a word wider than the box (a long path) is cut at its edge.
namespace QtMessageBoxInternals {

// A text wider than this is wrapped at word boundaries.
int softLimit(const QRect &screen);
// The box is never made wider than this; a word wider than it breaks anywhere.
int hardLimit(const QRect &screen);
QLabel *label(const QMessageBox &box);
QDialogButtonBox *buttonBox(const QMessageBox &box);
// Where a label whose text can be selected lays its text out; a child of the label.
QTextDocument *document(const QLabel &label);

} // namespace QtMessageBoxInternals
