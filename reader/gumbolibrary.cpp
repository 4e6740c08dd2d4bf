#include "gumbolibrary.h"

#include <dlfcn.h>

namespace quorvane {

namespace {

template <typename Pointer> void resolve(void* library, const char* name, Pointer& pointer)
{
    pointer = reinterpret_cast<Pointer>(dlsym(library, name));
}

std::string lastError()
{
    const char* error = dlerror();
    return error != nullptr ? error : "unknown error";
}

} // namespace

const GumboLibrary& gumboLibrary()
{
    static const GumboLibrary loaded = [] {
        GumboLibrary found;
        void* library = dlopen(QUORVANE_GUMBO_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            found.problem = lastError();
            return found;
        }
        resolve(library, "kGumboDefaultOptions", found.defaultOptions);
        resolve(library, "gumbo_parse_with_options", found.parseWithOptions);
        resolve(library, "gumbo_get_attribute", found.getAttribute);
        if (found.defaultOptions == nullptr || found.parseWithOptions == nullptr ||
            found.getAttribute == nullptr) {
            found.problem = lastError();
        }
        return found;
    }();
    return loaded;
}

} // namespace quorvane
