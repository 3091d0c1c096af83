#pragma once
// Decoding of the single-byte code pages that dBASE tables are written in
// (and of UTF-8) into UTF-8, the program's own text encoding. Only the code
// pages met in attribute tables of this program's users are known; any other
// is read as Windows-1252.

#include <string>
#include <string_view>

enum class CodePage { Windows1252, Windows1251, Latin1, Oem437, Oem850, Utf8 };

// The code page a .cpg file names ("UTF-8", "1252", "ANSI 1252",
// "ISO-8859-1", "CP850", "65001", ...); Windows-1252 when it names none we know.
CodePage codePageFromName(std::string_view name);
// The code page of a dBASE language-driver byte (byte 29 of the header);
// Windows-1252 for 0 and for drivers we do not know.
CodePage codePageFromLanguageDriver(int ldid);

// The text in UTF-8. Invalid UTF-8 sequences become U+FFFD.
std::string decodeToUtf8(std::string_view bytes, CodePage page);
// The name of the code page, for messages and tests.
const char* codePageName(CodePage page);
