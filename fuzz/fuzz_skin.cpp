// A skin file: any bytes someone put in the program folder.
#include "platform/Failure.h"
#include "platform/linux/PosixFileSystem.h"
#include "ui/QtCss.h"
#include "ui/SkinFramework.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString sheet = QString::fromUtf8(bytes);
    try {
        const QList<SkinFramework::Rule> rules = SkinFramework::parse(sheet);
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
        // Worn as the window wears it, a sheet that Qt reads holds no property left out.
        static QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("o.cjs")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            std::abort();
        file.close();
        PosixFileSystem files;
        SkinFramework skin;
        skin.LoadSkin(files, file.fileName(), QString());
        if (QtCss::declarations(skin.sheet())) {
            try {
                skin.checkWithQt();
            } catch (const Failure &) {
                std::abort();
            }
        }
    } catch (const Failure &) {
    }
    return 0;
}
