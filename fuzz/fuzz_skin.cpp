// A skin file: any bytes someone put in the program folder.
#include "platform/Failure.h"
#include "ui/SkinFramework.h"

#include <QString>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString sheet = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
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
    } catch (const Failure &) {
    }
    return 0;
}
