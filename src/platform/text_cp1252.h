#pragma once
// The program's texts are Windows-1252 bytes. These convert them to and from UTF-8 where text
// meets the toolkit or a terminal.
#include <string>
#include <string_view>

std::string cp1252ToUtf8(std::string_view s);
// Characters that Windows-1252 cannot hold become '?'; malformed UTF-8 bytes are taken as
// Latin-1.
std::string utf8ToCp1252(std::string_view s);
