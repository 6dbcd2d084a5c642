#pragma once
// A backup folder's names and its directory.txt, as pure functions.
// directory.txt holds one line per user entry 05..20, each
//   NN NAMEBYTE used FILE      or      NN NAMEBYTE empty -
// where NAMEBYTE is exactly the 8 name bytes the device stores
// (Windows-1252, spaces kept, read by position, never split on).

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace ksr {

inline constexpr const char *DirectoryFileName = "directory.txt";
inline constexpr const char *CurrentFileName = "current.Fbk";
inline constexpr int BackupEntries = 16;
// The user entries a backup holds and a restore may write: 05..20.
inline constexpr int FirstUserEntry = 5;
inline constexpr int LastUserEntry = 20;
// The longest line DirectoryBytes writes: "NN ", the 8 name bytes, " used ",
// then "NN-", the 8 name characters of up to 3 bytes of UTF-8 each (the
// Windows-1252 letters above U+07FF), ".Fbk" and the line end.
inline constexpr int LongestDirectoryLine = 3 + 8 + 6 + 3 + 8 * 3 + 4 + 1;
// The most bytes a directory.txt can hold.
inline constexpr int LargestDirectoryBytes = BackupEntries * LongestDirectoryLine;

struct BackupEntry {
    bool used = false;
    QByteArray name;  // the 8 stored bytes; 8 spaces for an empty entry
    QString fileName; // the preset file in the folder; empty for an empty entry
};

// Entries 05..20 in order.
using BackupDirectory = std::array<BackupEntry, BackupEntries>;

// "NN-NAME.Fbk": the stored name with its spaces trimmed and every character
// unsafe in a file name replaced by "_"; "NN.Fbk" for a name of spaces.
QString PresetFileName(int entry, const QByteArray &nameBytes);
// The bytes of directory.txt for `directory`.
QByteArray DirectoryBytes(const BackupDirectory &directory);
// The directory in directory.txt's bytes; empty, with `error` set, when they
// are not such a file or name a preset file outside the folder.
std::optional<BackupDirectory> ParseDirectory(const QByteArray &bytes, QString *error);

} // namespace ksr
