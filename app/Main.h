#pragma once

#include <QString>

#include <cstdint>

class FileService;

// Small routines shared by the whole program.
namespace Main {

// True when the path names something that exists; never fails.
bool FileExists(const FileService &files, const QString &path);

// Seconds as "hh:mm:ss" on a 24-hour clock; whole days are dropped and a negative
// count is shown by its magnitude.
QString FormatSeconds(std::int32_t seconds);

// Deletes a file after letting pending events run. Returns why the file could not
// be deleted, or an empty text when it is gone (or never was).
QString DeleteFileForced(FileService &files, const QString &path);

// The application title: the name cut before its last word until at most 40
// characters are left. A name with no space left to cut at is kept as it stands.
QString MakeAppTitle(const QString &name);

// The text without its last word when that word is `word` (or `word` is empty).
QString DropLastWord(const QString &text, const QString &word);

// The text without the characters that are unsafe in a file name.
QString StripFileNameChars(const QString &text);

} // namespace Main
