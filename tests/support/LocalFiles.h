#pragma once
// Local files of a test: what it writes, what it reads back, and bytes
// that show a shifted or dropped block.
#include <cstddef>
#include <fstream>
#include <sstream>
#include <string>

inline void WriteLocal(const std::string& path, const std::string& contents)
{
    std::ofstream(path, std::ios::binary) << contents;
}

inline std::string ReadLocal(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

// No run of it repeats within a few hundred kilobytes.
inline std::string Binary(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7919 + i / 251) & 0xff);
    return bytes;
}
