#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QPair>
#include <QPalette>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>

class FileService;
class QWidget;

// A skin: a Qt style sheet read from a file, checked, and worn by one window.
//
// Its option flag, the only place it is given a meaning: bit value 1
// (WindowOnly): the sheet is set on the window it is applied to and reaches the
// controls inside it; other windows keep the desktop's look as long as they are
// not the window's children (the message boxes are not); without it the whole
// application wears the skin.
//
// A skin sets colours, backgrounds, pictures and borders, as Qt reads the names
// of its properties; every other declaration is left out and told, with the file
// and its line, so that each control keeps its text, size and place. Border widths
// are cut to what the layout absorbs, and a part's picture larger than a check
// box's row (it would size the part) is left out.
//
// The sheet is read as Qt's style-sheet reader reads it (escapes inside and
// outside quotes, both quotes, comments), and what is worn is read once more by
// Qt's own parser: a sheet in which Qt would find a property left out here, or
// that Qt cannot read, is refused whole.
//
// Pictures named in url() are files beneath the skin's own folder, read under the
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
        QList<int> declarationLines; // where each declaration begins
    };

    // Reads and checks the skin file and its pictures. `ini` names a section of
    // skins that hold several; ours hold one, so it must be empty. Throws Failure
    // when the file cannot be read, holds no rule, or is malformed; a declaration
    // or picture left out is told in leftOut().
    void LoadSkin(FileService &files, const QString &path, const QString &ini);
    // Why each declaration or picture was left out, a sentence each, naming the
    // file and what to do.
    QStringList leftOut() const { return m_leftOut; }
    // The text colours the skin gives a control of these classes (its own and
    // those it derives from) and this object name, as Qt reads them with the
    // control's palette; disabled text is left out.
    QList<QColor> textColours(const QStringList &classes, const QString &name, const QPalette &palette) const;

    // Tells, in leftOut(), each rule that reaches no control of these classes:
    // written for another program's window, it would be worn unseen.
    void tellUnreached(const QStringList &classes);

    std::int32_t Options() const { return m_options; }
    void setOptions(std::int32_t options) { m_options = options; }
    // The file worn, empty before one is loaded.
    QString path() const { return m_path; }

    // Puts the loaded skin on the window, with room in the picture cache for its
    // pictures so that each is decoded once. Throws Failure when none is loaded,
    // or when Qt would read the sheet otherwise than it was checked.
    void ApplyWindow(QWidget *window);

    // The rules of a style sheet. Throws Failure, naming the file at `path` and
    // the line, for a sheet that is malformed or holds no rule.
    static QList<Rule> parse(QStringView sheet, const QString &path = QString());
    // The sheet as it will be worn.
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
    void leaveOutRefused();
    bool isOversizedPartPicture(const Rule &rule, const QString &name, const QString &value) const;
    bool isLeftOut(const Rule &rule, const QString &name, const QString &value) const;
    QString wornRule(const Rule &rule) const;
    QString qtReading(const QString &sheet) const;

    QString m_path;
    QList<Rule> m_rules;
    QStringList m_leftOut;
    QHash<QString, Picture> m_pictures; // by the name the skin gives
    QSet<QString> m_toldPictures;
    qint64 m_picturePixels = 0;
    QHash<QString, QSize> m_pictureSizes; // by the path of the checked copy
    std::int32_t m_options = 0;
};
