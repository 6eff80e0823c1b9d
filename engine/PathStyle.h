#pragma once

#include <string>
#include <string_view>

namespace tarnick {

// How a path text is cut into folder and name.
//  Windows: "\" and ":" separate; the text is code page 932, so a byte that
//           is the second byte of a double-byte character never counts.
//  Posix:   "/" separates; UTF-8 needs no lead-byte rule.
enum class PathStyle { Windows, Posix };

#ifdef _WIN32
inline constexpr PathStyle NativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle NativePathStyle = PathStyle::Posix;
#endif

// The separator written between a folder and a name.
char PathSeparator(PathStyle style);

// True for the first byte of a code page 932 double-byte character.
bool IsCp932LeadByte(unsigned char c);

// True when byte `pos` stands as a single-byte character (not the second byte
// of a double-byte one). Always true for Posix.
bool IsSingleByteAt(PathStyle style, std::string_view text, std::size_t pos);

// Index of the last single-byte character of `text` that is one of `chars`,
// or npos.
std::size_t LastDelimiter(PathStyle style, std::string_view text, std::string_view chars);

// The delimiters that end a folder part: "\:" or "/".
std::string_view PathDelimiters(PathStyle style);

// The part after the last separator.
std::string ExtractFileName(PathStyle style, std::string_view path);

// The part up to and including the last separator.
std::string ExtractFilePath(PathStyle style, std::string_view path);

// Replaces the extension (from the last "." after the last separator) with
// `ext`, or appends `ext` when there is none.
std::string ChangeFileExt(PathStyle style, std::string_view path, std::string_view ext);

// The folder of a program path without its trailing separator; a root keeps
// it (C:\Tools\a.exe gives C:\Tools, C:\a.exe gives C:\, /a gives /).
std::string ProgramFolderOf(PathStyle style, std::string_view programPath);

// True when the text ends in a separator that stands as a character of its own.
bool EndsWithSeparator(PathStyle style, std::string_view path);

// Joins a folder and a name with one separator in between.
std::string JoinPath(PathStyle style, std::string_view folder, std::string_view name);

}  // namespace tarnick
