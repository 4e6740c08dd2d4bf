#pragma once

#include <cstddef>
#include <gumbo.h>
#include <string>

namespace quorvane {

// gumbo, loaded by its soname the first time a text is read rather than with the
// program, so a seller who only writes buttons never maps it. The calls and the
// options the reader uses, or, when the library cannot be loaded, why not.
struct GumboLibrary
{
    const GumboOptions* defaultOptions = nullptr;
    GumboOutput* (*parseWithOptions)(const GumboOptions*, const char*, std::size_t) = nullptr;
    GumboAttribute* (*getAttribute)(const GumboVector*, const char*) = nullptr;
    std::string problem; // empty once loaded
};

// Loads the library on the first call, from any thread; it stays loaded.
const GumboLibrary& gumboLibrary();

} // namespace quorvane
