#include "platform/Failure.h"
#include "platform/windows/Win32FileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <windows.h>

// The file rule on Wine's real files. The links are made by the host beforehand
// (RAMTIDY_LINKS), as a user's own would be: Wine shows them as ordinary names,
// and only where a file really is gives them away.
class TestWin32FileSystem : public QObject {
    Q_OBJECT

private slots:
    void linksRefused_data();
    void linksRefused();
    void wholeFiles();
};

namespace {

QString links(const char *name)
{
    return QDir(qEnvironmentVariable("RAMTIDY_LINKS")).filePath(QLatin1String(name));
}

QString failureOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Failure &failure) {
        return QString::fromUtf8(failure.what());
    }
    return QString();
}

} // namespace

void TestWin32FileSystem::linksRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason"); // empty: taken
    QTest::newRow("the file itself") << links("real/Ramtidy.txt") << "";
    QTest::newRow("a link to it") << links("file-link.txt") << "through a link";
    QTest::newRow("through a linked folder") << links("folder-link/Ramtidy.txt") << "through a link";
}

void TestWin32FileSystem::linksRefused()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    if (qEnvironmentVariableIsEmpty("RAMTIDY_LINKS"))
        QSKIP("the links are made by the test's fixture");
    Win32FileSystem files;
    const auto check = [&](const char *what, const std::function<void()> &call) {
        const QString failure = failureOf(call);
        QVERIFY2(reason.isEmpty() ? failure.isEmpty() : failure.contains(reason),
                 qPrintable(QLatin1String(what) + QStringLiteral(": ") + failure));
    };
    check("read", [&] { files.readOwnText(path, 1000); });
    check("program file", [&] { files.readProgramFile(path, 1000); });
    check("append", [&] { files.append(path, "line\r\n"); });
    check("replace", [&] { files.replace(path, "whole\r\n"); });
}

// Lines appended whole, a file replaced whole with no copy left, the size bound.
void TestWin32FileSystem::wholeFiles()
{
    QTemporaryDir scratch;
    const QString file = scratch.filePath(QStringLiteral("o.cjs"));
    Win32FileSystem files;
    files.append(file, "line\r\n");
    files.append(file, "\xff\r\n");
    const FileService::Text text = files.readOwnText(file, 100);
    QCOMPARE(text.text, QString::fromUtf8("line\r\n\xff\r\n"));
    QVERIFY(text.replacedInvalidBytes);
    files.replace(file, QByteArray(10, 'b'));
    QCOMPARE(files.readProgramFile(file, 10), QByteArray(10, 'b'));
    QVERIFY(failureOf([&] { files.readProgramFile(file, 9); }).contains(QLatin1String("larger than 9 bytes")));
    QCOMPARE(QDir(scratch.path()).entryList(QDir::Files), QStringList{QStringLiteral("o.cjs")}); // no copy left
    QVERIFY(failureOf([&] { files.readProgramFile(scratch.path(), 10); }).contains(QLatin1String("not a regular")));
    // Held open by a program that shares it with no one: each is told, naming the file, which stays as it was.
    const HANDLE held = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(file).utf16()),
                                    GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    QVERIFY(held != INVALID_HANDLE_VALUE);
    QVERIFY(failureOf([&] { files.append(file, "x\r\n"); }).contains(QLatin1String("another program")));
    QVERIFY(failureOf([&] { files.readProgramFile(file, 10); }).contains(QLatin1String("o.cjs")));
    CloseHandle(held);
    QCOMPARE(files.readProgramFile(file, 10), QByteArray(10, 'b'));
    QFile sealed(files.memoryFile("picture"));
    QVERIFY(sealed.open(QIODevice::ReadOnly));
    QCOMPARE(sealed.readAll(), QByteArray("picture"));
    QVERIFY(!QFile(sealed.fileName()).open(QIODevice::WriteOnly)); // held against writers
}

QTEST_GUILESS_MAIN(TestWin32FileSystem)
#include "tst_win32filesystem.moc"
