#include "cups_library.h"

#include <dlfcn.h>

namespace salvenor::print {

namespace {

// The soname that the headers' functions come from (libcups2 on Debian).
constexpr const char *kLibraryName = "libcups.so.2";

template<typename Function> bool resolve(void *library, const char *name, Function &function)
{
    // POSIX guarantees that a function's address survives the round trip through void *.
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

const CupsLibrary *load()
{
    // Never closed: the library keeps per-thread state and Qt's plugin may share it.
    void *library = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        return nullptr;
    static CupsLibrary cups{};
    const bool complete = resolve(library, "cupsAddOption", cups.addOption)
        && resolve(library, "cupsCancelJob2", cups.cancelJob2)
        && resolve(library, "cupsCopyDestInfo", cups.copyDestInfo) && resolve(library, "cupsCreateJob", cups.createJob)
        && resolve(library, "cupsEncryption", cups.encryption)
        && resolve(library, "cupsFinishDocument", cups.finishDocument)
        && resolve(library, "cupsFreeDestInfo", cups.freeDestInfo) && resolve(library, "cupsFreeDests", cups.freeDests)
        && resolve(library, "cupsFreeOptions", cups.freeOptions) && resolve(library, "cupsGetDest", cups.getDest)
        && resolve(library, "cupsGetDests2", cups.getDests2) && resolve(library, "cupsGetFd", cups.getFd)
        && resolve(library, "cupsGetNamedDest", cups.getNamedDest) && resolve(library, "cupsLastError", cups.lastError)
        && resolve(library, "cupsLastErrorString", cups.lastErrorString) && resolve(library, "cupsServer", cups.server)
        && resolve(library, "cupsSetServer", cups.setServer)
        && resolve(library, "cupsStartDocument", cups.startDocument)
        && resolve(library, "cupsWriteRequestData", cups.writeRequestData) && resolve(library, "httpClose", cups.close)
        && resolve(library, "httpConnect2", cups.connect2) && resolve(library, "httpSetTimeout", cups.setTimeout)
        && resolve(library, "ippPort", cups.port);
    return complete ? &cups : nullptr;
}

} // namespace

const CupsLibrary *cupsLibrary()
{
    static const CupsLibrary *const loaded = load();
    return loaded;
}

} // namespace salvenor::print
