#pragma once
#include <cstddef>

// One file of res/, compiled into the binary by the build.
struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

// Terminated by an entry whose name is null.
extern const EmbeddedFile kEmbeddedFiles[];
