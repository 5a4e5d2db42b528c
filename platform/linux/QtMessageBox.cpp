#include "QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QWindow>

namespace {

// The box wraps a text wider than about half the screen, and a line may break after
// any "/" of a web address. A word joiner after each of its characters keeps it whole.
QString withWholeAddresses(const QString &text)
{
    static const QRegularExpression address(QStringLiteral(R"(https?://\S+)"));
    QString shown;
    qsizetype done = 0;
    for (const QRegularExpressionMatch &match : address.globalMatch(text)) {
        shown += text.mid(done, match.capturedStart() - done);
        for (qsizetype i = match.capturedStart(); i < match.capturedEnd(); ++i) {
            shown += text[i];
            if (!text[i].isHighSurrogate() && i + 1 < match.capturedEnd())
                shown += QChar(0x2060);
        }
        done = match.capturedEnd();
    }
    return shown + text.mid(done);
}

} // namespace

int QtMessageBox::MsgBox(const QString &text, int style, const QString &title)
{
    // Not a child of the window it belongs to, so that a style sheet the window
    // wears (a skin) does not reach it; the window manager still keeps it over
    // that window, and it is modal to the whole program.
    QMessageBox box;
    box.setWindowModality(Qt::ApplicationModal);
    if (QWidget *owner = QApplication::activeWindow()) {
        box.winId();
        box.windowHandle()->setTransientParent(owner->windowHandle());
    }
    box.setWindowTitle(title);
    box.setText(withWholeAddresses(text));
    if (style & vbExclamation)
        box.setIcon(QMessageBox::Warning);
    if ((style & 0xF) == vbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? vbYes : vbNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return vbOK;
}
