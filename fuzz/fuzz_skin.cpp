// A skin file: any bytes someone put in the program folder. What the window
// wears is read back by our reader and by Qt's own parser: Qt must find in it
// no property that the switches leave out.
#include "platform/Failure.h"
#include "platform/FileService.h"
#include "ui/SkinFramework.h"

#include <QRegularExpression>
#include <QString>
#include <QtGui/private/qcssparser_p.h>

#include <cstdlib>

namespace {

// The skin file holds the input; its pictures are refused unread.
class InputFile : public FileService {
public:
    explicit InputFile(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {
    }
    bool exists(const QString &) const override { return true; }
    bool isRegularFile(const QString &) const override { return true; }
    bool isFolder(const QString &) const override { return false; }
    void makePrivateFolder(const QString &) override { }
    void append(const QString &, const QByteArray &) override { }
    void checkOwnFile(const QString &) const override { }
    Text readOwnText(const QString &, qint64) const override { return {}; }
    QByteArray readProgramFile(const QString &path, qint64) const override
    {
        if (!path.endsWith(u"o.cjs"))
            throw Failure(QStringLiteral("No picture."));
        return m_bytes;
    }
    std::optional<QByteArray> readOwnConfig(const QString &, qint64) const override { return {}; }
    void replace(const QString &, const QByteArray &) override { }
    void remove(const QString &) override { }
    QString memoryFile(const QByteArray &) override { std::abort(); }

private:
    QByteArray m_bytes;
};

// Left out under both switches, as Qt names them.
bool isLeftOut(const QString &property)
{
    static const QStringList sizes = {"width",      "height",  "min-width", "min-height", "max-width",
                                      "max-height", "spacing", "left",      "right",      "top",
                                      "bottom",     "icon",    "icon-size"};
    return property.startsWith(u"qproperty-") || property == u"font" || property.startsWith(u"font-")
        || property.startsWith(u"padding") || property.startsWith(u"margin") || sizes.contains(property);
}

// A border width Qt would draw wider than 2 pixels.
bool isWideBorder(const QString &property, const QList<QCss::Value> &values)
{
    static const QRegularExpression border(QStringLiteral("^border(-(top|right|bottom|left))?(-width)?$"));
    if (!border.match(property).hasMatch())
        return false;
    for (qsizetype i = 0; i < values.size() && i < 4; ++i) {
        QString text = values[i].variant.toString();
        const bool relative = text.endsWith(u"em", Qt::CaseInsensitive) || text.endsWith(u"ex", Qt::CaseInsensitive);
        if (relative || text.endsWith(u"px", Qt::CaseInsensitive))
            text.chop(2);
        const double number = text.toDouble();
        const bool width = property.endsWith(u"-width") || values[i].type == QCss::Value::Length
            || values[i].type == QCss::Value::Number;
        if (width && (relative ? number > 0 : !(number <= 2)))
            return true;
        if (!property.endsWith(u"-width"))
            return false; // a shorthand's width is its first term
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const QList<SkinFramework::Rule> rules = SkinFramework::parse(QString::fromUtf8(bytes));
        if (rules.isEmpty())
            std::abort();
        QString again;
        for (const SkinFramework::Rule &rule : rules) {
            if (rule.selector.isEmpty())
                std::abort();
            again += rule.selector + u'{';
            for (const auto &[name, value] : rule.declarations) {
                if (name.isEmpty() || value.isEmpty())
                    std::abort();
                again += name + u':' + value + u';';
            }
            again += u'}';
        }
        // What the window wears reads back as the same rules.
        const QList<SkinFramework::Rule> reread = SkinFramework::parse(again);
        if (reread.size() != rules.size())
            std::abort();
        for (qsizetype i = 0; i < rules.size(); ++i) {
            if (reread[i].selector != rules[i].selector || reread[i].declarations != rules[i].declarations)
                std::abort();
        }

        InputFile file(bytes);
        SkinFramework skin;
        skin.LoadSkin(file, QStringLiteral("/x/o.cjs"), QString());
        skin.setKeepFonts(true);
        skin.setKeepSizes(true);
        QCss::Parser parser(skin.sheet());
        QCss::StyleSheet read;
        if (!parser.parse(&read))
            return 0; // refused when it is applied
        QList<QCss::StyleRule> worn = read.styleRules + read.nameIndex.values() + read.idIndex.values();
        for (const QCss::MediaRule &media : std::as_const(read.mediaRules))
            worn += media.styleRules;
        for (const QCss::StyleRule &rule : std::as_const(worn)) {
            for (const QCss::Declaration &declaration : rule.declarations) {
                const QString property = declaration.d->property.toCaseFolded();
                if (isLeftOut(property) || isWideBorder(property, declaration.d->values))
                    std::abort();
            }
        }
        for (const QCss::PageRule &page : std::as_const(read.pageRules)) {
            for (const QCss::Declaration &declaration : page.declarations) {
                if (isLeftOut(declaration.d->property.toCaseFolded()))
                    std::abort();
            }
        }
    } catch (const Failure &) {
    }
    return 0;
}
