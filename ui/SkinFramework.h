#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>

class FileService;
class QWidget;

// A skin: a Qt style sheet read from a file, checked, and worn by one window.
//
// Its option flags and switches, the only place they are given a meaning:
// - Options, bit value 1 (WindowOnly): the sheet is set on the window it is
//   applied to, so message boxes and other windows keep the desktop's look;
//   without it the whole application wears the skin.
// - Switch 5 (KeepFonts): the skin's font declarations are left out, so the
//   window keeps its own fonts and its fixed layout still fits its text.
// - Switch 10 (KeepSizes): the skin's width, height, padding, margin and
//   border-width declarations are left out, so no control grows past (or its
//   text is squeezed out of) the window's fixed layout.
// Declarations that set a widget's properties ("qproperty-") are always left out.
class SkinFramework {
public:
    enum Option : std::int32_t { WindowOnly = 1 };

    struct Rule {
        QString selector;
        QList<QPair<QString, QString>> declarations; // property, value
    };

    // Reads and checks the skin file. `ini` names a section of skins that hold
    // several; ours hold one, so it must be empty. Throws Failure when the file
    // cannot be read, holds no rule, or is malformed.
    void LoadSkin(FileService &files, const QString &path, const QString &ini);

    std::int32_t Options() const { return m_options; }
    void setOptions(std::int32_t options) { m_options = options; }
    bool KeepFonts() const { return m_keepFonts; }
    void setKeepFonts(bool on) { m_keepFonts = on; }
    bool KeepSizes() const { return m_keepSizes; }
    void setKeepSizes(bool on) { m_keepSizes = on; }

    // Puts the loaded skin on the window. Throws Failure when none is loaded.
    void ApplyWindow(QWidget *window);

    // The rules of a style sheet. Throws Failure, naming the line, for a sheet
    // that is malformed or holds no rule.
    static QList<Rule> parse(QStringView sheet);
    // The sheet as it will be worn, with the switches applied.
    QString sheet() const;

private:
    QList<Rule> m_rules;
    std::int32_t m_options = 0;
    bool m_keepFonts = false;
    bool m_keepSizes = false;
};
