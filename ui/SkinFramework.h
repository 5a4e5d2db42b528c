#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>

class FileService;
class QWidget;

// A skin: a Qt style sheet read from a file, checked, and worn by one window.
//
// Its option flags and switches, the only place they are given a meaning:
// - Options, bit value 1 (WindowOnly): the sheet is set on the window it is
//   applied to and reaches the controls inside it; other windows keep the
//   desktop's look as long as they are not the window's children (the message
//   boxes are not); without it the whole application wears the skin.
// - Switch 5 (KeepFonts): the skin's font declarations are left out, so the
//   window keeps its own fonts and its fixed layout still fits its text.
// - Switch 10 (KeepSizes): what would move a control's text or take room from
//   it is left out: sizes, padding, margins, spacing, the offsets of parts
//   (left, right, top, bottom), a button's icon and a part's picture larger than
//   a check box's row (it would size the part); borders stay, their widths cut
//   to what the layout absorbs.
// Declarations that set a widget's properties ("qproperty-") are always left out.
//
// The sheet is read as Qt's style-sheet reader reads it (escapes inside and
// outside quotes, both quotes, comments), and what is worn is read once more by
// Qt's own parser: a sheet in which Qt would find a property left out here, or
// that Qt cannot read, is refused whole.
//
// Pictures named in url() are files in the skin's own folder, read under the
// file rule, their size checked before they are decoded, and handed to Qt as a
// checked copy in memory; a picture refused leaves out the declaration naming it,
// and the rest of the skin is worn. Each copy holds a descriptor for the run, so
// their number is bounded.
class SkinFramework {
public:
    enum Option : std::int32_t { WindowOnly = 1 };

    struct Rule {
        QString selector;
        QList<QPair<QString, QString>> declarations; // property, value
        int line = 0; // where its selector begins in the file
    };

    // Reads and checks the skin file and its pictures. `ini` names a section of
    // skins that hold several; ours hold one, so it must be empty. Throws Failure
    // when the file cannot be read, holds no rule, or is malformed; a picture
    // refused is kept in refusedPictures().
    void LoadSkin(FileService &files, const QString &path, const QString &ini);
    // Why each picture left out was refused, a sentence each, naming the file
    // and what to do.
    QStringList refusedPictures() const { return m_refusedPictures; }
    // The text colours the skin gives a control of these classes (its own and
    // those it derives from) and this object name; disabled text is left out.
    QList<QColor> textColours(const QStringList &classes, const QString &name) const;

    std::int32_t Options() const { return m_options; }
    void setOptions(std::int32_t options) { m_options = options; }
    bool KeepFonts() const { return m_keepFonts; }
    void setKeepFonts(bool on) { m_keepFonts = on; }
    bool KeepSizes() const { return m_keepSizes; }
    void setKeepSizes(bool on) { m_keepSizes = on; }

    // Puts the loaded skin on the window, with room in the picture cache for its
    // pictures so that each is decoded once. Throws Failure when none is loaded,
    // or when Qt would read the sheet otherwise than it was checked.
    void ApplyWindow(QWidget *window);

    // The rules of a style sheet. Throws Failure, naming the file at `path` and
    // the line, for a sheet that is malformed or holds no rule.
    static QList<Rule> parse(QStringView sheet, const QString &path = QString());
    // The sheet as it will be worn, with the switches applied.
    QString sheet() const;
    // Throws Failure, naming the file and the first line where it happens, when
    // Qt cannot read that sheet or would read a property in it that is left out.
    void checkWithQt() const;

private:
    struct Picture {
        QString path; // of the checked copy, or empty when refused
        QSize size;
    };

    void loadPictures(FileService &files, const QString &folder);
    Picture picture(FileService &files, const QString &folder, const QString &name);
    bool countPixels(const Picture &picture, const QString &path);
    bool wearPictures(FileService &files, const QString &folder, QString &value);
    void refusePicture(const QString &key, const QString &why);
    bool isOversizedPartPicture(const Rule &rule, const QString &name, const QString &value) const;
    bool isLeftOut(const Rule &rule, const QString &name, const QString &value) const;
    QString wornRule(const Rule &rule) const;
    QString qtReading(const QString &sheet) const;

    QString m_path;
    QList<Rule> m_rules;
    QStringList m_refusedPictures;
    QHash<QString, Picture> m_pictures; // by the name the skin gives
    QSet<QString> m_toldPictures;
    qint64 m_picturePixels = 0;
    QHash<QString, QSize> m_pictureSizes; // by the path of the checked copy
    std::int32_t m_options = 0;
    bool m_keepFonts = false;
    bool m_keepSizes = false;
};
